#include "series/rhs.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "series/atfunction.h"
#include "series/exprtext.h"
#include "series/functions_common.h"
#include "series/lanes.h"

namespace {

// Observations every series array of the evaluator clears.
constexpr int clearedObs = 1999;

// The deepest nesting of parentheses and @function arguments an expression may have.
constexpr int maxNesting = 200;
int nestingDepth = 0;
// The expression now being evaluated was refused by an inner level that reported why: it
// went past maxNesting, or a subscript reached outside the workspace. The enclosing levels
// and @function handlers then fail without messages of their own.
bool refused = false;
struct NestingLevel {
    NestingLevel() { ++nestingDepth; }
    ~NestingLevel() { --nestingDepth; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};

bool isoperator(int cls) { return cls == '+' || cls == '-' || cls == '*' || cls == '/'; }

// Classes after which an operand is used (the start of the expression or an operator).
bool takesoperand(int cls) { return cls == 0 || isoperator(cls) || cls == '='; }

// Folds the incoming frequency into the stored one; -1 after the message on a conflict.
int mergefrequency(int& stored, int incoming) {
    if (stored == 0) {
        stored = incoming;
    } else if (incoming != 0 && incoming != stored) {
        printout("\r\nFrequency conflict in expression.\r\n");
        return -1;
    }
    return 0;
}

// The two work arrays of one level of the evaluation, held for reuse (series/functions_common.h).
struct WorkArrays {
    HeldArray<float> termArray;
    HeldArray<float> operandArray;
    float* term = termArray.data();
    float* operand = operandArray.data();
};

}  // namespace

int operatorcheck(int previousClass) {
    if (isoperator(previousClass)) {
        printout("\r\nBad syntax in expression.\r\n");
        return -1;
    }
    return 0;
}

// The loops over observations work on the bit patterns of the floats: the tests (missing,
// near zero) and the choice between results are integer operations without branches, so
// that the compiler can vectorise the loops. Where a value is missing the arithmetic is done
// on 1s, so that it raises no floating-point exception that the chosen result lacks.
namespace {

using lanes::bitsof;
using lanes::floatof;
using lanes::maskif;
using lanes::missingmask;
using lanes::pick;
using lanes::vbits;
using lanes::vfloat;

const std::uint32_t missingFirstBits = lanes::missingFirstBits();
const std::uint32_t missingSpan = lanes::missingSpan();
// |x| < 0.0000001 (false for a NaN).
const std::uint32_t tinyBits = bitsof(0.0000001f);
inline bool tinybits(std::uint32_t b) { return (b & 0x7fffffffu) < tinyBits; }

inline std::uint32_t tinymask(std::uint32_t b) { return maskif(tinybits(b)); }
// On vectors: both sides lie below 2^31, so they are compared as signed (AVX2 has no
// unsigned comparison of vectors).
template <class M>
[[gnu::always_inline]] inline M tinymask(M b) {
    typedef typename lanes::Lanes<static_cast<int>(sizeof(M) / 4)>::I I;
    return reinterpret_cast<M>(reinterpret_cast<I>(b & 0x7fffffffu) < static_cast<std::int32_t>(tinyBits));
}

const std::uint32_t first = missingFirstBits, span = missingSpan;

// a[i] = f(a[i], b[i]) for i = 0..n-1: N at a time through the vector form of f (a generic
// lambda written with the helpers above), then the rest one by one.
template <int N, class F>
[[gnu::always_inline]] inline void elementwise(float* a, const float* b, int n, F f) {
    using L = lanes::Lanes<N>;
    int i = 0;
    for (; i + N <= n; i += N) L::store(a + i, f(L::load(a + i), L::load(b + i)));
    for (; i < n; ++i) a[i] = f(a[i], b[i]);
}

// The passes over the observations, each in versions of 4, 8 and 16 lanes (series/lanes.h).
template <int N>
[[gnu::always_inline]] inline void multiplylanes(float* term, const float* operand, int n) {
    elementwise<N>(term, operand, n, [](auto tv, auto ov) __attribute__((always_inline)) {
        const auto tm = missingmask(bitsof(tv), first, span);
        const auto om = missingmask(bitsof(ov), first, span);
        const auto either = tm | om;
        const auto product = pick(either, 1.0f, tv) * pick(either, 1.0f, ov);
        return pick(tm, tv, pick(om, ov, product));
    });
}
LANES_VERSIONS(multiplypass, multiplylanes, (float* term, const float* operand, int n), (term, operand, n))

template <int N>
[[gnu::always_inline]] inline void dividelanes(float* term, const float* operand, int n) {
    elementwise<N>(term, operand, n, [](auto tv, auto ov) __attribute__((always_inline)) {
        const auto tm = missingmask(bitsof(tv), first, span);
        const auto om = missingmask(bitsof(ov), first, span);
        const auto small = tinymask(bitsof(ov));
        const auto skip = tm | om | small;
        const auto quotient = pick(skip, 1.0f, tv) / pick(skip, 1.0f, ov);
        return pick(tm, tv, pick(om, ov, pick(small, 0.0f, quotient)));
    });
}
LANES_VERSIONS(dividepass, dividelanes, (float* term, const float* operand, int n), (term, operand, n))

// A sum or difference with a missing operand never overflows: no masking needed.
template <int N>
[[gnu::always_inline]] inline void addlanes(float* sum, const float* term, int n, float sign) {
    elementwise<N>(sum, term, n, [=](auto sv, auto tv) __attribute__((always_inline)) {
        const auto tm = missingmask(bitsof(tv), first, span);
        const auto sm = missingmask(bitsof(sv), first, span);
        const auto result = sv + sign * tv;
        return pick(tm, MISSING, pick(sm, sv, result));
    });
}
LANES_VERSIONS(addpass, addlanes, (float* sum, const float* term, int n, float sign), (sum, term, n, sign))

// sum[i] = 0 + term[i], missing where the term is missing.
template <int N>
[[gnu::always_inline]] inline void firsttermlanes(float* sum, const float* term, int n) {
    using L = lanes::Lanes<N>;
    int i = 0;
    for (; i + N <= n; i += N) {
        const typename L::F t = L::load(term + i);
        L::store(sum + i, pick(missingmask(bitsof(t), first, span), MISSING, t + 0.0f));
    }
    for (; i < n; ++i) sum[i] = pick(missingmask(bitsof(term[i]), first, span), MISSING, term[i] + 0.0f);
}
LANES_VERSIONS(firsttermpass, firsttermlanes, (float* sum, const float* term, int n), (sum, term, n))

}  // namespace

int applymuldiv(float* term, char* stack, int& top, const float* operand, int& termFrequency,
                int operandFrequency) {
    if (mergefrequency(termFrequency, operandFrequency) != 0) return -1;
    const int n = wsMaxObs;
    const char op = top >= 0 ? stack[top] : 0;
    if (op == '*') {
        multiplypass(term, operand, n);
        --top;
    } else if (op == '/') {
        dividepass(term, operand, n);
        --top;
    } else {
        std::memcpy(term, operand, sizeof(float) * static_cast<std::size_t>(n > 0 ? n : 0));
    }
    return 0;
}

int applyaddsub(float* sum, char* stack, int& top, const float* term, int& sumFrequency,
                int termFrequency) {
    if (mergefrequency(sumFrequency, termFrequency) != 0) return -1;
    const int n = wsMaxObs;
    const char op = top >= 0 ? stack[top] : 0;
    if (op == '+' || op == '-') {
        addpass(sum, term, n, op == '+' ? 1.0f : -1.0f);
        --top;
    } else {
        std::memcpy(sum, term, sizeof(float) * static_cast<std::size_t>(n > 0 ? n : 0));
    }
    return 0;
}

namespace {

// The first term of a sum whose sign is '+': what applyaddsub gives on a sum of zeros
// (0 + term, missing where the term is missing), written without reading the sum; the
// observations after wsMaxObs are cleared as rhs clears them.
int startsum(float* sum, int& top, const float* term, int& sumFrequency, int termFrequency) {
    if (mergefrequency(sumFrequency, termFrequency) != 0) {
        std::memset(sum, 0, sizeof(float) * clearedObs);
        return -1;
    }
    const int n = wsMaxObs;
    firsttermpass(sum, term, n);
    if (n < clearedObs) std::memset(sum + (n > 0 ? n : 0), 0, sizeof(float) * (clearedObs - (n > 0 ? n : 0)));
    --top;
    return 0;
}

}  // namespace

bool rhsrefused() { return refused && nestingDepth > 0; }

int rhs(float* out, std::FILE* in, char*& text, std::size_t textRoom) {
    // Every parenthesis and every @function argument is one more level of this recursion;
    // past maxNesting levels the expression is refused instead of running out of stack.
    if (nestingDepth == 0) refused = false;
    if (nestingDepth >= maxNesting) {
        if (!refused) printout("\r\nExpression nested too deeply (more than %d levels).\r\n", maxNesting);
        refused = true;
        return -1;
    }
    NestingLevel level;
    TextBound bound(text, textRoom);
    fpcheck("before rhs", -1);

    WorkArrays work;
    int result = 0;
    bool stopped = false;  // a stop skips the folding of the last term

    char stack[3] = {'+', 0, 0};
    int top = 0;
    int sumFrequency = 0, termFrequency = 0, operandFrequency = 0;
    int last = 0;  // class of the last token of this level (0 before the first)
    char token[78];
    const int n = wsMaxObs;

    // The sum starts as zeros. It is cleared only when something reads it before its first
    // term is folded in, or when no term ever is; a first term with the sign '+' is simply
    // written over it (startsum).
    bool summed = false;
    // The level's arrays come from the pool holding whatever their last user left. Each is
    // read only after it is written, or after it is cleared here: the term when an operator
    // or a fold reads it before any operand started it (a leading sign, a leading '*'), the
    // operand by atfunction before a handler that may keep values of its output array.
    bool termStarted = false;
    auto startterm = [&]() {
        if (!termStarted) std::memset(work.term, 0, sizeof(float) * clearedObs);
        termStarted = true;
    };
    auto fold = [&]() {
        startterm();
        if (!summed && top == 0 && stack[0] == '+') {
            summed = true;
            return startsum(out, top, work.term, sumFrequency, termFrequency);
        }
        if (!summed) std::memset(out, 0, sizeof(float) * clearedObs);
        summed = true;
        return applyaddsub(out, stack, top, work.term, sumFrequency, termFrequency);
    };

    while (!stopped) {
        int previous = last;
        int cls = gettoken(token, in, 0, 78);
        last = cls;
        char* before = text;
        textappend(text, token);
        // Takes the token's text out again (a delimiter or line end is not kept).
        auto untext = [&]() {
            text = before;
            if (text != nullptr) *text = '\0';
        };

        bool apply = false;
        bool ended = false;
        switch (cls) {
        case '(': {
            int r = rhs(work.operand, in, text);
            if (r == 41) {
                // The inner level left the cursor one past the NUL after its ")".
                --text;
                result = 41;
                operandFrequency = currentFrequency;
                last = ')';
                apply = true;
            } else if (r == 27) {
                skipstatement(in);
                result = 27;
                stopped = true;
            } else if (refused) {
                // Refused for its depth or a subscript: reported once, by the inner level.
                result = -1;
                stopped = true;
            } else {
                printout("error: missing )");
                skipstatement(in);
                result = -1;
                stopped = true;
            }
            break;
        }
        case ')':
        case ',':
        case '<':
        case '>':
        case ';':
        case '=':
            // An operator right before a delimiter has no right operand.
            if (operatorcheck(previous) != 0) {
                result = -1;
                stopped = true;
                break;
            }
            if (cls != ')') untext();
            result = cls;
            ended = true;
            break;
        case '*':
        case '/':
            if (operatorcheck(previous) != 0) {
                result = -1;
                stopped = true;
                break;
            }
            stack[1] = static_cast<char>(cls);
            top = 1;
            break;
        case '+':
        case '-':
            if (operatorcheck(previous) != 0) {
                result = -1;
                stopped = true;
                break;
            }
            fold();
            stack[0] = static_cast<char>(cls);
            top = 0;
            break;
        case '@':
            if (atfunction(work.operand, in, text) != 0) {
                result = -1;
                stopped = true;
                break;
            }
            textclamp(text);
            operandFrequency = currentFrequency;
            apply = true;
            break;
        case 'a': {
            int r = fetchseries(token, work.operand, text, in, 1);
            if (r == -1 && lastSupplierBank != nullptr) {
                // The series was found (fetchseries names its bank before it reads a
                // subscript) but its lag or date lies outside the workspace, which
                // fetchseries reported: no not-found box, nothing more from the levels.
                refused = true;
                result = -1;
                stopped = true;
                break;
            }
            if (r == -1) {
                char message[120];
                std::snprintf(message, sizeof message, "Unable to find %s", token);
                if (pausebox(message, "rhs error") == 27) {
                    skipstatement(in);
                    result = 27;
                } else {
                    result = -1;
                }
                stopped = true;
                break;
            }
            operandFrequency = currentFrequency;
            textclamp(text);
            apply = true;
            break;
        }
        case 'n': {
            float value = static_cast<float>(std::strtod(token, nullptr));
            for (int i = 0; i < n; ++i) work.operand[i] = value;
            operandFrequency = 0;
            if (!takesoperand(previous)) {
                ungettoken();
                result = 0;
                ended = true;
                break;
            }
            apply = true;
            break;
        }
        case 'f':
            untext();
            if (previous == 0 || isoperator(previous)) {
                // The expression goes on with the next line, judged as if it followed.
                last = previous;
            } else {
                result = 102;
                ended = true;
            }
            break;
        default:
            printout("\r\nUnrecognized element in expression\r\n");
            result = -1;
            stopped = true;
            break;
        }
        if (stopped || ended) break;
        if (apply) {
            if (takesoperand(previous)) {
                const bool product = top >= 0 && (stack[top] == '*' || stack[top] == '/');
                if (!product) {
                    // The operand starts a term: the level's two arrays trade places instead
                    // of the operand being copied (applymuldiv's copy), the frequency merged
                    // as it merges it. Only observations 0..wsMaxObs-1 of a term are used.
                    if (mergefrequency(termFrequency, operandFrequency) != 0) {
                        result = -1;
                        stopped = true;
                        break;
                    }
                    std::swap(work.term, work.operand);
                    termStarted = true;
                } else {
                    startterm();
                    if (applymuldiv(work.term, stack, top, work.operand, termFrequency, operandFrequency) != 0) {
                        result = -1;
                        stopped = true;
                        break;
                    }
                }
            } else {
                // An operand straight after an operand ends the expression unused.
                break;
            }
        }
    }

    if (!stopped) {
        if (fold() != 0) {
            result = -1;
        } else {
            currentFrequency = static_cast<std::int16_t>(sumFrequency);
            if (text != nullptr) {
                *text = '\0';
                ++text;
                *text = '\0';
            }
        }
    }

    if (!summed) std::memset(out, 0, sizeof(float) * clearedObs);
    if (fpcheck("in rhs", -1) == 27) result = 27;
    return result;
}
