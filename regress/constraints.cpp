// The constraint commands and the soft-constraint update of the moment matrix.
#include "regress/constraints.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/printout.h"
#include "interp/reader.h"
#include "interp/tokens.h"
#include "regress/regression.h"

ConstraintTable softConstraints;
ConstraintTable hardConstraints;

namespace {

constexpr int tokenSize = 78;
constexpr int maxOrder = 11;  // order + 1 = 12: 12! still fits in 32 bits

// The entries of the equation offset table that parameter letters may use (a only, unless a
// block of several equations is being read).
int offsetsInUse = 1;

// Clears row c of a table (the entries a failed command had stored).
void clearrow(ConstraintTable& t, int c) {
    t.rows[c].fill(0.0f);
    t.weight[c] = 0.0f;
    t.value[c] = 0.0f;
}

// The index of a soft-constraint parameter, or -1 after a message when it lies outside
// a1 .. a499 or is no coefficient of this equation.
int softindex(const char* word, const int* offsets, const char* command) {
    const int index = parameterindex(word, offsets, offsetsInUse);
    if (index < 1 || index >= constraintWidth) {
        printout("\nError:  in %s, parameter %s is not one of a1 .. a%d.\n", command, word,
                 constraintWidth - 1);
        return -1;
    }
    return index;
}

// Reads the terms of a constraint into row c of the table, each "[+|-] [number [*]] word".
// Returns 0 at the end of the statement, -1 after a reported error, 27 on Escape.
int readterms(ConstraintTable& t, int c, std::FILE* in, const int* offsets, bool soft) {
    char token[tokenSize + 2];
    float coefficient = 1.0f;
    for (;;) {
        int cls = gettoken(token, in, 0, tokenSize);
        if (cls == 'f' || cls == ';' || cls == 'e') return 0;
        if (cls == -1) return 27;
        if (cls == '+') {
            // A '+' that ends the line continues the terms on the next one.
            cls = gettoken(token, in, 0, tokenSize);
            if (cls != 'f') ungettoken();
            continue;
        }
        if (cls == '-') {
            coefficient = -1.0f;
            continue;
        }
        bool haveWord = cls == 'a';
        if (cls == 'n') {
            coefficient *= static_cast<float>(std::atof(token));
            cls = gettoken(token, in, 0, tokenSize);
            if (cls == '*') cls = gettoken(token, in, 0, tokenSize);
            haveWord = cls == 'a';
            if (!haveWord) {
                if (!soft) {
                    printout("Bad format in qpcon command.\n");
                    printout("Syntax is \"qpcon <LHS> <[<][=][>]> [sign][multiplier]<a0> ....\n");
                    return -1;
                }
                // con drops a number that no parameter follows.
                coefficient = 1.0f;
                if (cls == 'f' || cls == ';' || cls == 'e') return 0;
                if (cls == -1) return 27;
                continue;
            }
        }
        if (!haveWord) {
            if (soft) {
                printout("Bad format in con command.\n");
            } else {
                printout("Bad format in qpcon command.\n");
                printout("Syntax is \"qpcon <LHS> <[<][=][>]> [sign][multiplier]<a0> ....\n");
            }
            return -1;
        }
        int index;
        if (soft) {
            index = softindex(token, offsets, "con");
        } else {
            index = parameterindex(token, offsets, offsetsInUse);
            if (index < 0 || index >= constraintWidth) {
                printout("\nError:  in qpcon, only constraints on parameters \n");
                printout("a0, ... a%d, b0, ..., b%d, ... are allowed.\n", constraintWidth - 1,
                         constraintWidth - 1);
                printout("Parameter %s is given.\n", token);
                index = -1;
            }
        }
        if (index < 0) return -1;
        t.rows[c][index] = coefficient;
        coefficient = 1.0f;
    }
}

// Drops the rest of the statement after a failure, unless the line has ended already.
int failed(std::FILE* in, int cls) {
    if (cls != 'f' && cls != 'e' && cls != -1 && cls != ';') skipline(in);
    return -1;
}

}  // namespace

void setoffsetcount(int count) { offsetsInUse = count < 1 ? 1 : count; }

int parameterindex(const char* word, const int* offsets, int offsetCount) {
    if (!word || !word[0]) return -1;
    const unsigned char letter = static_cast<unsigned char>(word[0]);
    for (const char* p = word + 1; *p; ++p)
        if (!std::isdigit(static_cast<unsigned char>(*p))) return -1;
    if (word[1] == 0 || std::strlen(word) > 6) return -1;
    const int number = std::atoi(word + 1);
    if (letter <= 'a') return number;
    const int L = letter - 'a';
    if (L >= offsetCount || !offsets) return -1;
    return number + offsets[L] - L;
}

std::int32_t binomialterm(int m, int j) {
    if (j < 0 || j > m || m > maxOrder + 1) return 0;
    std::int64_t num = 1, den = 1;
    for (int i = 2; i <= m; ++i) num *= i;
    for (int i = 2; i <= j; ++i) den *= i;
    for (int i = 2; i <= m - j; ++i) den *= i;
    const std::int64_t v = num / den;
    return static_cast<std::int32_t>(j % 2 ? -v : v);
}

int concmd(std::FILE* in, int* offsets) {
    ConstraintTable& t = softConstraints;
    char token[tokenSize + 2];
    if (t.count >= maxConstraints) {
        printout("%5d is too many constraints.\n", t.count + 1);
        return failed(in, 0);
    }
    const int c = t.count;
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') {
        printout("Need positive number for trade-off parameter.\n");
        return failed(in, cls);
    }
    const float tradeoff = static_cast<float>(std::atof(token));
    float sign = 1.0f;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == '-') {
        sign = -1.0f;
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != 'n') {
        printout("Number is needed for constraint.\n");
        return failed(in, cls);
    }
    const float value = sign * static_cast<float>(std::atof(token));
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != '=') {
        printout("Syntax requires = sign.\n");
        return failed(in, cls);
    }
    clearrow(t, c);
    const int status = readterms(t, c, in, offsets, true);
    if (status != 0) {
        clearrow(t, c);
        return status == 27 ? 27 : failed(in, 0);
    }
    t.weight[c] = tradeoff;
    t.value[c] = value;
    ++t.count;
    return 0;
}

int smacmd(std::FILE* in, int* offsets) {
    ConstraintTable& t = softConstraints;
    char token[tokenSize + 2];
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') {
        printout("Need number for trade-off parameter. \n");
        return failed(in, cls);
    }
    const float tradeoff = static_cast<float>(std::atof(token));
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Need an 'a' for a_first. \n");
        return failed(in, cls);
    }
    const std::string firstWord = token;
    const int first = softindex(token, offsets, "sma");
    if (first < 0) return failed(in, 0);
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'a') {
        printout("Need an 'a' for a_last. \n");
        return failed(in, cls);
    }
    const std::string lastWord = token;
    const int last = softindex(token, offsets, "sma");
    if (last < 0) return failed(in, 0);
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != 'n') {
        printout("Need order of polynomial.)\n");
        return failed(in, cls);
    }
    const int order = std::atoi(token);
    bool tie = true;
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == 'a' && token[0] == 'f') tie = false;
    if (cls != 'f' && cls != 'e' && cls != -1) skipline(in);
    if (order < 0 || order > maxOrder) {
        printout("\nError:  in sma, the order of the polynomial must lie in 0 .. %d.\n", maxOrder);
        return -1;
    }
    const int m = order + 1;
    const int R = (last - first + 1) - m + (tie ? 1 : 0);
    if (R < 1) {
        printout("\nError:  in sma, the lags %s .. %s are too few for a polynomial of order %d.\n",
                 firstWord.c_str(), lastWord.c_str(), order);
        return -1;
    }
    if (t.count + R > maxConstraints) {
        printout("%5d is too many constraints.\n", t.count + R);
        return -1;
    }
    for (int r = 0; r < R; ++r) {
        const int c = t.count + r;
        clearrow(t, c);
        t.weight[c] = tradeoff;
        t.value[c] = 0.0f;
        // The m-th difference from first + r; with the tie the last one reaches one index
        // past the lags, where the coefficient is taken as 0.
        for (int j = 0; j <= m; ++j) {
            const int index = first + r + j;
            if (index > last) break;
            t.rows[c][index] = static_cast<float>(binomialterm(m, j));
        }
    }
    t.count = static_cast<std::int16_t>(t.count + R);
    return 0;
}

int qpconcmd(std::FILE* in, int* offsets) {
    ConstraintTable& t = hardConstraints;
    char token[tokenSize + 2];
    if (t.count >= maxConstraints) {
        printout("\nToo many constraints in qpcon command:  %d.\n", t.count + 1);
        return failed(in, 0);
    }
    const int c = t.count;
    float sign = 1.0f;
    int cls = gettoken(token, in, 0, tokenSize);
    if (cls == '+' || cls == '-') {
        if (cls == '-') sign = -1.0f;
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != 'n') {
        printout("\nError:  need scalar on LHS of qpcons command.\nHave \"%s\"\n", token);
        return failed(in, cls);
    }
    const float scalar = sign * static_cast<float>(std::atof(token));
    cls = gettoken(token, in, 0, tokenSize);
    float sense;
    if (cls == '<') sense = 1.0f;
    else if (cls == '=') sense = 0.0f;
    else if (cls == '>') sense = -1.0f;
    else {
        printout("\nError:  In qpcon command, need scalar, then <, =, or >,\n and then an expression.\n");
        return failed(in, cls);
    }
    cls = gettoken(token, in, 0, tokenSize);
    if (cls != '=') ungettoken();
    clearrow(t, c);
    const int status = readterms(t, c, in, offsets, false);
    if (status != 0) {
        clearrow(t, c);
        return status == 27 ? 27 : failed(in, 0);
    }
    t.weight[c] = sense;
    t.value[c] = scalar;
    ++t.count;
    return 0;
}

void addsoftcons(int n, int k, Moments& m, int intercept) {
    ConstraintTable& t = softConstraints;
    for (int c = 0; c < t.count; ++c) {
        const float w = static_cast<float>(n) * t.weight[c];
        auto& row = t.rows[c];
        row[0] = t.value[c];
        if (intercept != 1) {
            for (int i = 0; i <= k; ++i)
                for (int j = 0; j <= k; ++j)
                    m(i, j) += static_cast<double>(w) * row[i] * row[j];
            continue;
        }
        // The matrix is the plain moment matrix swept on the intercept: row 1 holds the
        // (weighted) means, entry (1, 1) one over the count. Adding the pseudo-observation
        // to the plain matrix and sweeping again gives, with p the count so far and m(j)
        // the means, p' = p + w r1^2, the deviation block raised by
        // (p w / p') (r(i) - r1 m(i)) (r(j) - r1 m(j)), and the new means
        // (p m(j) + w r1 r(j)) / p'.
        const double p = 1.0 / m(1, 1);
        const double r1 = row[1];
        const double pNew = p + w * r1 * r1;
        const double f = p * w / pNew;
        std::vector<double> d(k + 1), mean(k + 1);
        for (int i = 0; i <= k; ++i) {
            if (i == 1) continue;
            mean[i] = m(1, i);
            d[i] = row[i] - r1 * mean[i];
        }
        for (int i = 0; i <= k; ++i) {
            if (i == 1) continue;
            for (int j = 0; j <= k; ++j)
                if (j != 1) m(i, j) += f * d[i] * d[j];
        }
        for (int j = 0; j <= k; ++j) {
            if (j == 1) continue;
            m(1, j) = (p * mean[j] + w * r1 * row[j]) / pNew;
            m(j, 1) = -m(1, j);
        }
        m(1, 1) = 1.0 / pNew;
    }
}

void clearcons(int) {
    for (ConstraintTable* t : {&softConstraints, &hardConstraints}) {
        for (int c = 0; c < t->count && c < maxConstraints; ++c) clearrow(*t, c);
        t->count = 0;
    }
}
