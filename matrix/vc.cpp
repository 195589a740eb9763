#include "matrix/vc.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "banks/databank.h"
#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/tokens.h"
#include "matrix/frame.h"
#include "platform/platform.h"
#include "series/lanes.h"
#include "series/rhs.h"
#include "series/series_state.h"
#include "vam/floatio.h"
#include "vam/pmatrix.h"
#include "vam/vamfile.h"

using mframe::tokenSize;

namespace {

// Floats of a dense matrix read from the file at a time: a block that stays in the cache
// while it is looked over and multiplied.
constexpr long readBlock = 1L << 16;

bool endclass(int cls) { return cls == 'f' || cls == 'e' || cls == -1; }

// The vector of a product in double, its missing values 0 (left out of every sum).
void maskedcopy(const float* s, int n, std::vector<double>& out) {
    out.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) out[k] = ismissing(s[k]) ? 0.0 : s[k];
}

// The band of floats that may be missing values: slightly wider than ismissing, so that the
// exact test decides only for the few that fall in it.
constexpr float bandLow = -1.2e-6f, bandHigh = -0.8e-6f;

// The sum of a[k] * b[k] in double, eight lanes at a time (the lanes are added at the end,
// in the same order in every build of the kernel, so every machine gets the same sums).
using v8d = double __attribute__((vector_size(64)));
using v8f = float __attribute__((vector_size(32)));
// Vectors are loaded with memcpy: the rows are not aligned to the vector's size.
__attribute__((target_clones("avx512f", "avx2", "default")))
double dotrow(const float* a, const double* b, int n) {
    v8d s0 = {0, 0, 0, 0, 0, 0, 0, 0}, s1 = s0;
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        v8f a0, a1;
        v8d b0, b1;
        std::memcpy(&a0, a + k, sizeof a0);
        std::memcpy(&a1, a + k + 8, sizeof a1);
        std::memcpy(&b0, b + k, sizeof b0);
        std::memcpy(&b1, b + k + 8, sizeof b1);
        s0 += __builtin_convertvector(a0, v8d) * b0;
        s1 += __builtin_convertvector(a1, v8d) * b1;
    }
    const v8d s = s0 + s1;
    double sum = ((s[0] + s[1]) + (s[2] + s[3])) + ((s[4] + s[5]) + (s[6] + s[7]));
    for (; k < n; ++k) sum += static_cast<double>(a[k]) * b[k];
    return sum;
}
// True when a run of floats may hold a missing value.
__attribute__((target_clones("avx512f", "avx2", "default")))
bool maybemissing(const float* a, int n) {
    using v8i = int __attribute__((vector_size(32)));
    const v8f zero = {0, 0, 0, 0, 0, 0, 0, 0};
    const v8f low = zero + bandLow, high = zero + bandHigh;
    v8i hits = {0, 0, 0, 0, 0, 0, 0, 0};
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        v8f x;
        std::memcpy(&x, a + k, sizeof x);
        hits |= (x >= low) & (x <= high);
    }
    int any = 0;
    for (int lane = 0; lane < 8; ++lane) any |= hits[lane];
    for (; k < n; ++k) any |= (a[k] >= bandLow) & (a[k] <= bandHigh);
    return any != 0;
}
// The end of dotrows for two rows: their last columns (from k on) added one by one and the
// results stored; and the rows after the last pair, one by one.
void pairtail(const float* r0, const float* r1, int k, int cols, const double* b, double sum0, double sum1,
              int any0, int any1, double* sums, unsigned char* suspect) {
    for (; k < cols; ++k) {
        sum0 += static_cast<double>(r0[k]) * b[k];
        sum1 += static_cast<double>(r1[k]) * b[k];
        any0 |= (r0[k] >= bandLow) & (r0[k] <= bandHigh);
        any1 |= (r1[k] >= bandLow) & (r1[k] <= bandHigh);
    }
    sums[0] = sum0;
    sums[1] = sum1;
    suspect[0] = any0 != 0;
    suspect[1] = any1 != 0;
}
void rowsonebyone(const float* a, int h, int rows, int cols, const double* b, double* sums, unsigned char* suspect) {
    for (; h < rows; ++h) {
        const float* row = a + static_cast<std::size_t>(h) * cols;
        sums[h] = dotrow(row, b, cols);
        suspect[h] = maybemissing(row, cols);
    }
}

// dotrow for every row of a block of rows x cols floats, two rows side by side (their sums
// are independent, so the processor overlaps them; each row's lanes are added as dotrow adds
// them, so the sums are dotrow's bits), and for each row whether it may hold a missing value
// (the band of maybemissing), found in the same pass.
// With AVX-512 the conversion of eight floats to doubles is one instruction, which the
// compiler's vector types do not give: the same operations in the same order through the
// processor's own functions (the same bits as dotrow's every lane).
// (The compiler's own _mm512_cvtps_pd starts from an undefined register, which GCC 12
// reports as a value that may be used uninitialized.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
__attribute__((target("avx512f")))
void dotrows512(const float* a, int rows, int cols, const double* b, double* sums, unsigned char* suspect) {
    const __m256 low = _mm256_set1_ps(bandLow), high = _mm256_set1_ps(bandHigh);
#define JEX_INBAND(x) _mm256_movemask_ps(_mm256_and_ps(_mm256_cmp_ps(x, low, _CMP_GE_OQ), _mm256_cmp_ps(x, high, _CMP_LE_OQ)))
    int h = 0;
    for (; h + 2 <= rows; h += 2) {
        const float* r0 = a + static_cast<std::size_t>(h) * cols;
        const float* r1 = r0 + cols;
        __m512d s00 = _mm512_setzero_pd(), s01 = s00, s10 = s00, s11 = s00;
        int any0 = 0, any1 = 0;
        int k = 0;
        for (; k + 16 <= cols; k += 16) {
            const __m256 x00 = _mm256_loadu_ps(r0 + k), x01 = _mm256_loadu_ps(r0 + k + 8);
            const __m256 x10 = _mm256_loadu_ps(r1 + k), x11 = _mm256_loadu_ps(r1 + k + 8);
            const __m512d y0 = _mm512_loadu_pd(b + k), y1 = _mm512_loadu_pd(b + k + 8);
            s00 = _mm512_add_pd(s00, _mm512_mul_pd(_mm512_cvtps_pd(x00), y0));
            s01 = _mm512_add_pd(s01, _mm512_mul_pd(_mm512_cvtps_pd(x01), y1));
            s10 = _mm512_add_pd(s10, _mm512_mul_pd(_mm512_cvtps_pd(x10), y0));
            s11 = _mm512_add_pd(s11, _mm512_mul_pd(_mm512_cvtps_pd(x11), y1));
            any0 |= JEX_INBAND(x00) | JEX_INBAND(x01);
            any1 |= JEX_INBAND(x10) | JEX_INBAND(x11);
        }
#undef JEX_INBAND
        alignas(64) double t0[8], t1[8];
        _mm512_store_pd(t0, _mm512_add_pd(s00, s01));
        _mm512_store_pd(t1, _mm512_add_pd(s10, s11));
        double sum0 = ((t0[0] + t0[1]) + (t0[2] + t0[3])) + ((t0[4] + t0[5]) + (t0[6] + t0[7]));
        double sum1 = ((t1[0] + t1[1]) + (t1[2] + t1[3])) + ((t1[4] + t1[5]) + (t1[6] + t1[7]));
        pairtail(r0, r1, k, cols, b, sum0, sum1, any0, any1, sums + h, suspect + h);
    }
    rowsonebyone(a, h, rows, cols, b, sums, suspect);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
__attribute__((target_clones("avx2", "default")))
void dotrowsplain(const float* a, int rows, int cols, const double* b, double* sums, unsigned char* suspect) {
    using v8i = int __attribute__((vector_size(32)));
    const v8f zero = {0, 0, 0, 0, 0, 0, 0, 0};
    const v8f low = zero + bandLow, high = zero + bandHigh;
    int h = 0;
    for (; h + 2 <= rows; h += 2) {
        const float* r0 = a + static_cast<std::size_t>(h) * cols;
        const float* r1 = r0 + cols;
        v8d s00 = {0, 0, 0, 0, 0, 0, 0, 0}, s01 = s00, s10 = s00, s11 = s00;
        v8i hits0 = {0, 0, 0, 0, 0, 0, 0, 0}, hits1 = hits0;
        int k = 0;
        for (; k + 16 <= cols; k += 16) {
            v8f x00, x01, x10, x11;
            v8d y0, y1;
            std::memcpy(&x00, r0 + k, sizeof x00);
            std::memcpy(&x01, r0 + k + 8, sizeof x01);
            std::memcpy(&x10, r1 + k, sizeof x10);
            std::memcpy(&x11, r1 + k + 8, sizeof x11);
            std::memcpy(&y0, b + k, sizeof y0);
            std::memcpy(&y1, b + k + 8, sizeof y1);
            s00 += __builtin_convertvector(x00, v8d) * y0;
            s01 += __builtin_convertvector(x01, v8d) * y1;
            s10 += __builtin_convertvector(x10, v8d) * y0;
            s11 += __builtin_convertvector(x11, v8d) * y1;
            hits0 |= ((x00 >= low) & (x00 <= high)) | ((x01 >= low) & (x01 <= high));
            hits1 |= ((x10 >= low) & (x10 <= high)) | ((x11 >= low) & (x11 <= high));
        }
        const v8d t0 = s00 + s01, t1 = s10 + s11;
        double sum0 = ((t0[0] + t0[1]) + (t0[2] + t0[3])) + ((t0[4] + t0[5]) + (t0[6] + t0[7]));
        double sum1 = ((t1[0] + t1[1]) + (t1[2] + t1[3])) + ((t1[4] + t1[5]) + (t1[6] + t1[7]));
        int any0 = 0, any1 = 0;
        for (int lane = 0; lane < 8; ++lane) {
            any0 |= hits0[lane];
            any1 |= hits1[lane];
        }
        pairtail(r0, r1, k, cols, b, sum0, sum1, any0, any1, sums + h, suspect + h);
    }
    rowsonebyone(a, h, rows, cols, b, sums, suspect);
}
void dotrows(const float* a, int rows, int cols, const double* b, double* sums, unsigned char* suspect) {
    if (lanes::width >= 16) dotrows512(a, rows, cols, b, sums, suspect);
    else dotrowsplain(a, rows, cols, b, sums, suspect);
}
// sums[k] += a[k] * x for every k.
__attribute__((target_clones("avx512f", "avx2", "default")))
void axpyrow(double* sums, const float* a, double x, int n) {
    for (int k = 0; k < n; ++k) sums[k] += static_cast<double>(a[k]) * x;
}

}  // namespace

double vcdotrow(const float* a, const double* b, int n) { return dotrow(a, b, n); }
void vcdotrows(const float* a, int rows, int cols, const double* b, double* sums, unsigned char* suspect) {
    dotrows(a, rows, cols, b, sums, suspect);
}

namespace {

class Vc {
public:
    Vc(VamFile* bank, std::FILE* in, const JexDate& d1, const JexDate& d2)
        : bank_(bank), in_(in), d1_(d1), P_(static_cast<int>(d2 - d1) + 1),
          first_(static_cast<int>(d1 - bank->firstJexDate())), ws_(d1.wsIndex()),
          A_(static_cast<std::size_t>(std::max<int>(seriesArrayLength, wsMaxObs)), 0.0f) {}

    // The left side and the token loop; R is written only after a clean end. 59 or 102
    // when written, -1 after a message.
    int parse(const char* lhs);

private:
    // ---- the parts of a statement ----
    int constant(float x);
    int series(const float* x);
    int eval(int element);
    int flush();
    int readpacked(int element, char op, int vsize);
    int densepro(int element, char op);
    // Reads a vector factor (or its {date} form) into `table` (P rows of its size).
    bool readvector(int element, std::vector<float>& table);
    bool readperiods(int element, std::vector<float>& table);
    bool writeresult();
    int stop() {
        if (!endclass(lastcls_)) lastcls_ = skipstatement(in_);
        return -1;
    }

    float a(int i) const { return A_[static_cast<std::size_t>(ws_ + i)]; }
    char top() const { return ops_.empty() ? 0 : ops_.back(); }
    void pop() {
        if (!ops_.empty()) ops_.pop_back();
    }
    bool ismatrix(int e) const { return bank_->typeOf(e) == 'm' || bank_->typeOf(e) == 'p'; }
    int size(int e) const { return static_cast<int>(bank_->sizeOf(e)); }

    VamFile* bank_;
    std::FILE* in_;
    JexDate d1_;
    int P_;      // periods of the range
    int first_;  // the range's first period in the bank
    int ws_;     // the range's first observation in the workspace
    int lhs_ = -1, n_ = 0;
    std::vector<float> R_, T_, S_;
    bool hasT_ = false, ready_ = false;
    int w_ = 0;
    std::vector<float> A_;
    int pending_ = 0;
    std::vector<char> ops_{'+'};
    int prev_ = -1;
    int lastcls_ = 0;
};

int Vc::parse(const char* lhs) {
    lhs_ = bank_->findser(lhs);
    if (lhs_ < 0) {
        printout("\nError:  cannot find left-hand-side variable \"%s.\"\n", lhs);
        return stop();
    }
    const char type = bank_->typeOf(lhs_);
    if (type == 'p') {
        printout("\nError:  vc command does not work with packed matrix variables.\n");
        return stop();
    }
    if (type != 'v' && type != 'l') {
        printout("Left side of vc command should be a vector\n");
        return stop();
    }
    n_ = size(lhs_);
    R_.assign(static_cast<std::size_t>(P_) * n_, 0.0f);
    char token[tokenSize];
    int previous = '=';
    std::vector<float> x(A_.size());
    for (;;) {
        const int cls = gettoken(token, in_, 0, tokenSize);
        lastcls_ = cls;
        if (cls == '*' || cls == '/') {
            if (operatorcheck(previous) != 0) {
                printout("Incorrect operator\n");
                return stop();
            }
            ops_.push_back(static_cast<char>(cls));
        } else if (cls == '+' || cls == '-') {
            if (operatorcheck(previous) != 0 || flush() != 0) return stop();
            ops_.push_back(static_cast<char>(cls));
        } else if (cls == 'n') {
            if (constant(static_cast<float>(std::atof(token))) != 0) return stop();
            if (w_ == 0) w_ = n_;
        } else if (cls == 'a') {
            const int e = bank_->findser(token);
            if (e >= 0) {
                if (eval(e) < 0) return stop();
                prev_ = e;
            } else {
                char* text = nullptr;
                const bool exists = fetchseries(token, nullptr, text, in_, 0) == 0;
                if (!exists || fetchseries(token, x.data(), text, in_, 1) != 0) {
                    printout("Cannot find %s\n", token);
                    lastcls_ = lastTokenClass;
                    return stop();
                }
                if (series(x.data()) != 0) return stop();
                if (w_ == 0) w_ = n_;
            }
        } else if (cls == ';' || endclass(cls)) {
            if (flush() != 0) return -1;
            break;
        } else {
            printout("\r\nUnrecognized element in expression\r\n");
            return stop();
        }
        previous = cls;
    }
    if (!writeresult()) return -1;
    return lastcls_ == ';' ? 59 : 102;
}

int Vc::constant(float x) {
    if (top() == '/') {
        if (x == 0) {
            printout("Error: Divided by zero. Assuming 1\n");
            x = 1;
        } else {
            x = 1 / x;
        }
    }
    if (pending_ > 0) {
        if (top() != '*' && top() != '/') {
            printout("Error: Invalid scalar here\n");
            return -1;
        }
        for (float& v : A_)
            if (!ismissing(v)) v *= x;
        pop();
    } else {
        std::fill(A_.begin(), A_.end(), x);
        if (top() == '*' || top() == '/') pop();
    }
    ++pending_;
    return 0;
}

int Vc::series(const float* x) {
    const std::size_t m = A_.size();
    if (pending_ > 0) {
        const char op = top();
        if (op != '*' && op != '/') return -1;
        for (std::size_t k = 0; k < m; ++k) {
            float& v = A_[k];
            if (ismissing(v) || ismissing(x[k])) v = MISSING;
            else if (op == '*') v *= x[k];
            else if (std::fabs(x[k]) > 0) v /= x[k];
        }
        pop();
    } else {
        const bool divide = top() == '/';
        for (std::size_t k = 0; k < m; ++k) {
            float v = x[k];
            if (divide && !ismissing(v)) v = std::fabs(v) < 1e-7f ? 1.0f : 1 / v;
            A_[k] = v;
        }
        if (top() == '*' || top() == '/') pop();
    }
    ++pending_;
    return 0;
}

bool Vc::readperiods(int e, std::vector<float>& table) {
    const int m = size(e);
    table.assign(static_cast<std::size_t>(P_) * m, 0.0f);
    for (int i = 0; i < P_; ++i)
        if (!readfloatsat(bank_->file(), bank_->elementPos(e, first_ + i),
                          table.data() + static_cast<std::size_t>(i) * m, m)) {
            printout("Fread failed in vc command\n");
            return false;
        }
    return true;
}

bool Vc::readvector(int e, std::vector<float>& table) {
    char token[tokenSize];
    int cls = gettoken(token, in_, 0, tokenSize);
    if (cls != '{') {
        ungettoken();
        return readperiods(e, table);
    }
    cls = gettoken(token, in_, 0, tokenSize);
    lastcls_ = cls;
    if (cls != 'n') {
        printout("\nError:  '{' must be followed by a date in the vc command.\n");
        return false;
    }
    const JexDate d(static_cast<float>(std::atof(token)));
    cls = gettoken(token, in_, 0, tokenSize);
    lastcls_ = cls;
    if (cls != '}') {
        printout("\nError:  '}' must followed a date in the vc command.\n");
        return false;
    }
    const int k = mframe::position(*bank_, d);
    if (k < 0) {
        printout("Bad fdate in vc command.\n");
        return false;
    }
    const int m = size(e);
    table.assign(static_cast<std::size_t>(P_) * m, 0.0f);
    if (!readfloatsat(bank_->file(), bank_->elementPos(e, k), table.data(), m)) {
        printout("Fread failed in vc command\n");
        return false;
    }
    for (int i = 1; i < P_; ++i) std::copy(table.begin(), table.begin() + m, table.begin() + static_cast<long>(i) * m);
    return true;
}

int Vc::eval(int e) {
    if (!hasT_) {
        char op = 0;
        if (top() != '+' && top() != '-') {
            if (pending_ == 0) return -1;
            op = top();
            pop();
        }
        w_ = ismatrix(e) ? bank_->rowsOf(e) : size(e);
        T_.assign(static_cast<std::size_t>(P_) * w_, 0.0f);
        hasT_ = true;
        ready_ = false;
        if (ismatrix(e)) return 1;  // the product follows; a pending factor waits for the flush
        if (!readvector(e, T_)) return -1;
        ready_ = true;
        if (pending_ > 0) {
            for (int i = 0; i < P_; ++i) {
                const float s = a(i);
                float* t = T_.data() + static_cast<std::size_t>(i) * w_;
                for (int k = 0; k < w_; ++k) {
                    if (ismissing(s)) t[k] = MISSING;
                    else if (op == '*') t[k] = s * t[k];
                    else if (op == '/') t[k] = std::fabs(t[k]) < 1e-7f ? MISSING : s / t[k];
                }
            }
            pending_ = 0;
        }
        return 1;
    }
    if (ismatrix(e)) {
        printout("Illegal matrix operations\n");
        printout("At this time, cannot handle matrix on right-hand side.\n");
        printout("In place of transpose(vector) X matrix, \n");
        printout("use equivalent transpose(matrix) X vector.\n");
        return -1;
    }
    const char op = top();
    if (op != '*' && op != '/') {
        printout("Incorrect operator\n");
        return -1;
    }
    const int v = size(e);
    const bool product = prev_ >= 0 && ismatrix(prev_) && !ready_;
    if (product) {
        const int rows = bank_->rowsOf(prev_), cols = bank_->columnsOf(prev_);
        if (op == '/') {
            if (rows != v) {
                printout("In matrix / vector, number of rows do not match vector size\n");
                return -1;
            }
            w_ = cols;
            T_.assign(static_cast<std::size_t>(P_) * w_, 0.0f);
        } else if (cols != v) {
            printout("Matrix/vector and vector sizes do not match\n");
            return -1;
        } else {
            w_ = rows;
        }
    } else if (v != w_) {
        // The term's width, which a product may have set, is what an element-wise factor meets.
        printout("Matrix/vector and vector sizes do not match\n");
        return -1;
    }
    if (!readvector(e, S_)) return -1;
    if (product) {
        const int status = bank_->typeOf(prev_) == 'p' ? readpacked(prev_, op, v) : densepro(prev_, op);
        if (status != 0) return -1;
    } else {
        for (std::size_t k = 0; k < T_.size(); ++k) {
            float& t = T_[k];
            const float s = S_[k];
            if (ismissing(t) || ismissing(s)) t = 0;
            else if (op == '*') t *= s;
            else if (std::fabs(s) > 0) t /= s;
        }
    }
    ready_ = true;
    pop();
    S_.clear();
    S_.shrink_to_fit();
    return 2;
}

// M u or transpose(M) u of a dense matrix, read a block of rows at a time.
int Vc::densepro(int e, char op) {
    const int rows = bank_->rowsOf(e), cols = bank_->columnsOf(e);
    const int chunk = static_cast<int>(std::max<long>(1, std::min<long>(rows, readBlock / std::max(1, cols))));
    std::vector<float> block(static_cast<std::size_t>(chunk) * cols);
    std::vector<double> sums(static_cast<std::size_t>(op == '/' ? cols : 0)), sd;
    std::vector<double> rowSums(static_cast<std::size_t>(op == '*' ? chunk : 0));
    std::vector<unsigned char> rowSuspect(rowSums.size());
    for (int i = 0; i < P_; ++i) {
        maskedcopy(S_.data() + static_cast<std::size_t>(i) * (op == '/' ? rows : cols),
                   op == '/' ? rows : cols, sd);
        float* t = T_.data() + static_cast<std::size_t>(i) * w_;
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int h0 = 0; h0 < rows; h0 += chunk) {
            const int count = std::min(chunk, rows - h0);
            if (!readfloatsat(bank_->file(), bank_->elementPos(e, first_ + i) + 4LL * h0 * cols,
                              block.data(), static_cast<long>(count) * cols)) {
                printout("Fread failed in vc command\n");
                return -1;
            }
            if (op == '*') {
                // The rows' sums and whether each may hold a missing value in one pass; a row
                // that may is added again, leaving its missing values out.
                dotrows(block.data(), count, cols, sd.data(), rowSums.data(), rowSuspect.data());
                for (int h = 0; h < count; ++h) {
                    double sum = rowSums[h];
                    if (rowSuspect[h]) {
                        const float* row = block.data() + static_cast<std::size_t>(h) * cols;
                        sum = 0;
                        for (int k = 0; k < cols; ++k)
                            if (!ismissing(row[k])) sum += row[k] * sd[k];
                    }
                    t[h0 + h] = static_cast<float>(sum);
                }
                continue;
            }
            // The transpose: one look over the whole block; rows are looked at one by one
            // only after a hit.
            const bool suspect = maybemissing(block.data(), count * cols);
            for (int h = 0; h < count; ++h) {
                const float* row = block.data() + static_cast<std::size_t>(h) * cols;
                const double sh = sd[h0 + h];
                if (sh == 0) continue;
                if (suspect && maybemissing(row, cols)) {
                    for (int k = 0; k < cols; ++k)
                        if (!ismissing(row[k])) sums[k] += row[k] * sh;
                } else {
                    axpyrow(sums.data(), row, sh, cols);
                }
            }
        }
        if (op == '/')
            for (int k = 0; k < cols; ++k) t[k] = static_cast<float>(sums[k]);
    }
    return 0;
}

// The same products from a packed-matrix file: its pattern is read once, the values of a
// period in one read.
int Vc::readpacked(int e, char op, int vsize) {
    const JexDate& F = bank_->firstJexDate();
    if (d1_ < F || F.wsIndex() < 0) {
        printout("Error:  Vam bank begins before workspace bank.  Make the workspace cover the "
                 "vam file dates.\n");
        return -1;
    }
    const char* name = bank_->packedFileName(bank_->lagsOf(e));
    const std::string path = bank_->findFile(name ? name : "");
    std::FILE* f = path.empty() ? nullptr : std::fopen(path.c_str(), "rb+");
    if (!f) {
        printout("\nError:  in vc command.  Cannot open packed matrix file %s.\n", name ? name : "");
        return -1;
    }
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{f};
    PackedPattern p;
    if (!readpackedpattern(f, bank_->rowsOf(e), bank_->columnsOf(e), bank_->periodCount(), p)) {
        printout("Error:  %s is not a valid packed matrix file.\n", name);
        return -1;
    }
    const int rows = p.header.rows;
    // Filled by each period's read before use.
    const std::unique_ptr<float[]> values(new float[static_cast<std::size_t>(p.header.cells)]);
    std::vector<double> sums(static_cast<std::size_t>(op == '/' ? p.header.columns : 0)), sd;
    for (int i = 0; i < P_; ++i) {
        const JexDate d = d1_ + i;
        if (d.frequency != p.first.frequency || d < p.first) {
            printout("Error: The packed matrix file has different dates than the fdates setting.\n");
            return -1;
        }
        if (d > p.last) break;  // past the file's end the product stays 0
        const int k = static_cast<int>(d - p.first);
        if (addPrint == 1) printout("Year  %4d\n", d.year);
        if (!p.hasPeriod(k)) {
            printout("Could not find position in packed matrix file.\n");
            return -1;
        }
        if (!readfloatsat(f, p.valuesAt(k), values.get(), p.header.cells)) {
            printout("Could not read row %d\n", rows);
            return -1;
        }
        maskedcopy(S_.data() + static_cast<std::size_t>(i) * vsize, vsize, sd);
        float* t = T_.data() + static_cast<std::size_t>(i) * w_;
        std::fill(sums.begin(), sums.end(), 0.0);
        const std::int16_t* column = p.columns.data();
        const bool suspect = maybemissing(values.get(), p.header.cells);
        for (int r = 0; r < rows; ++r) {
            const int b = p.rowStarts[r], c = p.rowStarts[r + 1];
            if (op == '*') {
                double sum = 0;
                if (!suspect) {
                    for (int m = b; m < c; ++m) sum += values[m] * sd[column[m] - 1];
                } else {
                    for (int m = b; m < c; ++m)
                        if (!ismissing(values[m])) sum += values[m] * sd[column[m] - 1];
                }
                t[r] = static_cast<float>(sum);
            } else {
                const double sr = sd[r];
                if (sr == 0) continue;
                for (int m = b; m < c; ++m) {
                    const float v = values[m];
                    if (!ismissing(v)) sums[column[m] - 1] += v * sr;
                }
            }
        }
        if (op == '/')
            for (std::size_t k2 = 0; k2 < sums.size(); ++k2) t[k2] = static_cast<float>(sums[k2]);
    }
    if (addPrint == 1) printout("\n");
    return 0;
}

int Vc::flush() {
    const char op = top();
    if (!hasT_ && pending_ == 0) return 0;
    if (op != '+' && op != '-') {
        printout("Incorrect operator\n");  // an operator without its operand
        hasT_ = ready_ = false;
        T_.clear();
        return -1;
    }
    if (hasT_ && pending_ > 0) {
        const int m = std::min(w_, n_);
        for (int i = 0; i < P_; ++i) {
            const float s = a(i);
            float* t = T_.data() + static_cast<std::size_t>(i) * w_;
            if (ismissing(s)) continue;
            for (int k = 0; k < m; ++k)
                if (!ismissing(t[k])) t[k] *= s;
        }
        pending_ = 0;
    }
    if (n_ < w_) {
        printout("The left-hand-side vector is too small\n");
        hasT_ = ready_ = false;
        T_.clear();
        pending_ = 0;
        return 0;
    }
    for (int i = 0; i < P_; ++i) {
        float* r = R_.data() + static_cast<std::size_t>(i) * n_;
        const float* t = hasT_ ? T_.data() + static_cast<std::size_t>(i) * w_ : nullptr;
        const float s = a(i);
        for (int k = 0; k < w_; ++k) {
            if (t) {
                // A missing term makes the result missing; a missing result stays so.
                if (ismissing(r[k]) || ismissing(t[k])) r[k] = MISSING;
                else r[k] = op == '+' ? r[k] + t[k] : r[k] - t[k];
            } else if (op == '+') {
                r[k] = ismissing(r[k]) ? s : (ismissing(s) ? MISSING : r[k] + s);
            } else {
                r[k] = ismissing(r[k]) || ismissing(s) ? MISSING : r[k] - s;
            }
        }
    }
    pop();
    pending_ = 0;
    hasT_ = ready_ = false;
    T_.clear();
    return 0;
}

bool Vc::writeresult() {
    for (int i = 0; i < P_; ++i)
        if (!writefloatsat(bank_->file(), bank_->elementPos(lhs_, first_ + i),
                           R_.data() + static_cast<std::size_t>(i) * n_, n_)) {
            printout("Fwrite failed in vc command\n");
            return false;
        }
    return true;
}

void vcusage() {
    printout("vc command format:\n");
    printout("vc <vec_name> = <term> [op <term>] ... \n");
    printout("Where operator op is +, -, * or / \n");
    printout("and a valid term includes constant, time series,\n");
    printout("vector, or matrix names with proper dimensions.\n");
}

bool inworkspace(const JexDate& d) {
    const int i = d.wsIndex();
    return i >= 0 && i < wsMaxObs && i < seriesArrayLength;
}

}  // namespace

int vccmd(DataBank* db, std::FILE* in) {
    FdatesKeeper keep;
    VamFile* bank = mframe::vamof(db);
    char name[tokenSize], token[tokenSize];
    int cls = gettoken(name, in, 0, tokenSize);
    if (cls != 'a' || !bank) {
        vcusage();
        mframe::droprest(in, cls);
        return -1;
    }
    // The f dates cut to the bank; unset, the bank's last date.
    if (fdate1 < bank->startDate()) fdate1 = bank->startDate();
    if (fdate2 > bank->lastDate() || fdate2 < 1e-7f) fdate2 = bank->lastDate();  // unset: -1 or 0
    fdate1Date = JexDate(fdate1);
    fdate2Date = JexDate(fdate2);
    auto fail = [&](const char* message, int c) {
        printout("%s", message);
        if (!endclass(c)) skipstatement(in);
        return -1;
    };
    cls = gettoken(token, in, 0, tokenSize);
    if (cls == '{') {
        cls = gettoken(token, in, 0, tokenSize);
        if (cls != 'n') return fail("Bad fdate in vc command.\n", cls);
        fdate1 = static_cast<float>(std::atof(token));
        fdate1Date = JexDate(fdate1);
        if (!inworkspace(fdate1Date)) return fail("Bad fdate in vc command.\n", cls);
        fdate2 = fdate1;
        fdate2Date = fdate1Date;
        cls = gettoken(token, in, 0, tokenSize);
        if (cls == '-') {
            cls = gettoken(token, in, 0, tokenSize);
            if (cls != 'n') return fail("Bad fdate in vc command.\n", cls);
            fdate2 = static_cast<float>(std::atof(token));
            fdate2Date = JexDate(fdate2);
            if (!inworkspace(fdate2Date) || (fdate2Date < fdate1Date) != 0)
                return fail("Bad fdate range in vc command.\n", cls);
            cls = gettoken(token, in, 0, tokenSize);
            if (cls != '}') return fail("Bad fdate range in vc command.\n", cls);
        } else if (cls != '}') {
            return fail("Expected } in vc command.\n", cls);
        }
        // A braced range must lie inside the bank.
        if (mframe::position(*bank, fdate1Date) < 0 || mframe::position(*bank, fdate2Date) < 0)
            return fail("Bad fdate range in vc command.\n", cls);
        cls = gettoken(token, in, 0, tokenSize);
    }
    if (cls != '=') return fail("No = in vc command. Tap.\n", cls);
    const JexDate d1 = fdate1Date, d2 = fdate2Date;
    if (mframe::position(*bank, d1) < 0 || mframe::position(*bank, d2) < 0 || (d2 < d1) != 0)
        return fail("Bad fdate range in vc command.\n", cls);
    // The scalars are kept by workspace observation: the range must lie in the workspace.
    if (d1.wsIndex() < 0)
        return fail("Error:  Vam bank begins before workspace bank.  Make the workspace cover "
                    "the vam file dates.\n", cls);
    if (!inworkspace(d2)) return fail("Bad fdate range in vc command.\n", cls);
    if (bank->isLoaded() && bank->storecmd() != 0) return fail("", cls);
    platform::clearFloatingPointStatus();
    Vc vc(bank, in, d1, d2);
    const int status = vc.parse(name) < 0 ? -1 : 0;
    if (platform::floatingPointFault()) {
        platform::clearFloatingPointStatus();
        if (pausebox("Error:  In vc command.", "Error") == 27 && status == 0) return 27;
    }
    return status;
}
