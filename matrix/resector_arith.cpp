// The resectoring arithmetic: aggregation, splitting and cross-aggregation of vectors and
// matrix rows, and the scaling of detail to aggregate controls. Values are single precision
// throughout, except the right-direction scaling of RdCtrlVec (rdscale works in double).
#include <cmath>
#include <vector>

#include "core/missing.h"
#include "core/printout.h"
#include "matrix/resector.h"
#include "series/rdscale.h"
#include "vam/pmatrix.h"

namespace {

constexpr float zeroTol = 1e-7f;

bool zero(float x) { return std::fabs(x) < zeroTol; }

// The float sum of the split entries of the targets (those within the split vector).
float splitsum(const std::vector<int>& targets, const Vector<float>& split) {
    float S = 0;
    for (int t : targets)
        if (split.valid(t)) S += split[t];
    return S;
}

Matrix<float> transposed(const Matrix<float>& m) {
    Matrix<float> t(m.cols(), m.rows());
    for (int i = 1; i <= m.rows(); ++i) {
        const float* row = m[i].elements();
        for (int j = 1; j <= m.cols(); ++j) t(j, i) = row[j - 1];
    }
    return t;
}

// The proportional rule over a set of detailed cells under one control c: the cells above
// 1e-7 in size are multiplied by c over their sum. False when there is no detail to scale to
// a control that is not zero (nothing is changed then).
template <class Cells>
bool proportional(float c, Cells& cells) {
    if (zero(c)) return true;
    int n = 0;
    float S = 0;
    cells.each([&](float v) {
        if (std::fabs(v) > zeroTol) {
            ++n;
            S += v;
        }
    });
    if (n == 0 || zero(S)) return std::fabs(c) <= zeroTol;
    const float factor = c / S;
    cells.scale([&](float v) { return std::fabs(v) > zeroTol ? v * factor : v; });
    return true;
}

// Cells of a vector, of a column of a group of matrix rows, or of a block.
struct VectorCells {
    Vector<float>& v;
    const std::vector<int>& members;
    template <class F> void each(F f) { for (int d : members) f(v[d]); }
    template <class F> void scale(F f) { for (int d : members) v[d] = f(v[d]); }
};
template <class M>
struct BlockCells {
    M& m;
    const std::vector<int>& rows;
    const std::vector<int>& cols;
    static float get(Matrix<float>& x, int i, int j) { return x(i, j); }
    static void put(Matrix<float>& x, int i, int j, float v) { x(i, j) = v; }
    static float get(Pmatrix& x, int i, int j) { return x.at(i, j); }
    static void put(Pmatrix& x, int i, int j, float v) { x.set(i, j, v); }
    template <class F> void each(F f) {
        for (int i : rows)
            for (int j : cols) f(get(m, i, j));
    }
    template <class F> void scale(F f) {
        for (int i : rows)
            for (int j : cols) put(m, i, j, f(get(m, i, j)));
    }
};

float cellof(const Matrix<float>& m, int i, int j) { return m(i, j); }
float cellof(Pmatrix& m, int i, int j) { return m.at(i, j); }

int firstof(const std::vector<int>& g) { return g.empty() ? 0 : g.front(); }

}  // namespace

// ---- aggregation ----

int ReSector::AggVector(int F, int T, const Vector<float>& in, Vector<float>& out,
                        const Vector<float>& split) {
    if (in.count() != F) {
        printout("\nError:  In AggVector, in Vector has wrong number of elements.  (%d instead of %d)\n",
                 in.count(), F);
        return -1;
    }
    if (out.count() != T) {
        printout("\nError:  In AggVector, out Vector has wrong number of elements.  (%d instead of %d)\n",
                 out.count(), T);
        return -1;
    }
    if (split.count() != T) {
        printout("\nError:  In AggVector, SplitVector has wrong number of elements.  (%d instead of %d)\n",
                 split.count(), T);
        return -1;
    }
    out.fill(0);
    for (int s = 1; s <= F; ++s) {
        const int k = mapCount(F, T, s);
        if (k < 0) return -1;
        if (k == 1) {
            out[firstMapped(F, T, s)] += in[s];
        } else if (k >= 2) {
            const std::vector<int> targets = group(F, T, s);
            const float S = splitsum(targets, split);
            if (zero(S)) continue;
            for (int t : targets) out[t] += in[s] * split[t] / S;
        }
    }
    return 0;
}

int ReSector::CrossAggVector(int F, int T, int B, const Vector<float>& in, Vector<float>& out,
                             const Vector<float>& split) {
    if (in.count() != F) {
        printout("\nError:  In CrossAggVector, in Vector has wrong number of elements.  (%d instead of %d)\n",
                 in.count(), F);
        return -1;
    }
    if (out.count() != T) {
        printout("\nError:  In CrossAggVector, out Vector has wrong number of elements.  (%d instead of %d)\n",
                 out.count(), T);
        return -1;
    }
    if (split.count() != B) {
        printout("\nError:  In CrossAggVector, split Vector has wrong number of elements.  (%d instead of %d)\n",
                 split.count(), B);
        return -1;
    }
    if (split.count() < T || split.count() < F) {
        printout("\nError:  In CrossAggVector, SplitVector has too few elements.\n");
        printout(" (It has %d, we are going from %d to %d.\n", split.count(), F, T);
        return -1;
    }
    out.fill(0);
    Vector<float> W(B, 1);
    W.fill(0);
    for (int r = 1; r <= F; ++r) {
        const int g = mapCount(F, T, r);
        if (g == 1) {
            out[firstMapped(F, T, r)] += in[r];
        } else if (g >= 2) {
            const std::vector<int> between = group(F, B, r);
            if (between.size() == 1) {
                W[between.front()] += in[r];
            } else if (between.size() >= 2) {
                const float S = splitsum(between, split);
                if (zero(S)) continue;
                for (int b : between) W[b] += in[r] * split[b] / S;
            }
        }
    }
    if (T == B) {
        for (int r = 1; r <= B; ++r) out[r] += W[r];
        return 0;
    }
    for (int r = 1; r <= B; ++r) {
        const int q = mapCount(B, T, r);
        const int a = firstMapped(B, F, r);
        if (a < 1) continue;  // no source sector: nothing was spread into r
        if (mapCount(F, T, a) == 1) continue;  // its source went straight to the output
        if (q > 0) {
            if (q != 1) {
                printout("\nError:  The InBetween Vector is not detailed enough!\n");
                printout("  You need to do splits.\n");
                return -1;
            }
            out[firstMapped(B, T, r)] += W[r];
        }
    }
    return 0;
}

int ReSector::AggMatRows(int F, int T, const Matrix<float>& in, Matrix<float>& out,
                         const Vector<float>& split) {
    if (in.cols() != out.cols()) {
        printout("\nError:  In AggMatRows, number of columns of two matrices unequal: (%d in, %d out).\n",
                 in.cols(), out.cols());
        return -1;
    }
    out.fill(0);
    const int n = in.cols();
    for (int s = 1; s <= F; ++s) {
        const int k = mapCount(F, T, s);
        if (k == 1) {
            const int t = firstMapped(F, T, s);
            if (t > out.rows()) continue;
            const float* src = in[s].elements();
            float* dst = out[t].elements();
            for (int j = 0; j < n; ++j) dst[j] += src[j];
        } else if (k >= 2) {
            const std::vector<int> targets = group(F, T, s);
            const float S = splitsum(targets, split);
            if (zero(S)) continue;
            const float* src = in[s].elements();
            for (int t : targets) {
                if (!split.valid(t) || t > out.rows()) continue;
                float* dst = out[t].elements();
                const float share = split[t];
                for (int j = 0; j < n; ++j) dst[j] += src[j] * share / S;
            }
        }
    }
    return 0;
}

int ReSector::AggMatRows(int F, int T, Pmatrix& in, Matrix<float>& out, const Vector<float>& split) {
    if (in.rows() != F) {
        printout("\nError:  In AggMatRows, in Packed Matrix has wrong number of elements.  (%d instead of %d)\n",
                 in.rows(), F);
        return -1;
    }
    if (out.rows() != T) {
        printout("\nError:  In AggMatRows, out Matrix has wrong number of elements.  (%d instead of %d)\n",
                 out.rows(), T);
        return -1;
    }
    if (split.count() != T) {
        printout("\nError:  In AggMatRows, SplitVector has wrong number of elements.  (%d instead of %d)\n",
                 split.count(), T);
        return -1;
    }
    if (in.cols() != out.cols()) {
        printout("\nError:  In AggMatRows, number of columns of two matrices unequal: (%d in, %d out).\n",
                 in.cols(), out.cols());
        return -1;
    }
    out.fill(0);
    const int n = in.cols();
    for (int s = 1; s <= F; ++s) {
        const int k = mapCount(F, T, s);
        if (k == 1) {
            const int t = firstMapped(F, T, s);
            for (int j = 1; j <= n; ++j) out(t, j) += in.at(s, j);
        } else if (k >= 2) {
            const std::vector<int> targets = group(F, T, s);
            const float S = splitsum(targets, split);
            if (zero(S)) continue;
            for (int j = 1; j <= n; ++j) {
                const float v = in.at(s, j);
                for (int t : targets) out(t, j) += v * split[t] / S;
            }
        }
    }
    return 0;
}

int ReSector::aggMatrix(int RF, int RT, int CF, int CT, const Matrix<float>& in, Matrix<float>& out) {
    try {
        Matrix<float> A(out.rows(), in.cols());
        Vector<float> rowOnes(RT, 1), colOnes(CT, 1);
        rowOnes.fill(1);
        colOnes.fill(1);
        int status = AggMatRows(RF, RT, in, A, rowOnes);
        if (status != 0) return status;
        const Matrix<float> At = transposed(A);
        Matrix<float> E(out.cols(), out.rows());
        status = AggMatRows(CF, CT, At, E, colOnes);
        if (status != 0) return status;
        const Matrix<float> result = transposed(E);
        for (int i = 1; i <= out.rows(); ++i)
            for (int j = 1; j <= out.cols(); ++j) out(i, j) = result(i, j);
        return 0;
    } catch (const Jex7Errors&) {
        return -1;
    }
}

int ReSector::CrossAggMatRows(int F, int T, int B, const Matrix<float>& in, Matrix<float>& out,
                              const Vector<float>& split) {
    if (in.rows() != F) {
        printout("\nError:  In CrossAggMatRows, in Vector has wrong number of elements.  (%d instead of %d)\n",
                 in.rows(), F);
        return -1;
    }
    if (out.rows() != T) {
        printout("\nError:  In CrossAggMatRows, out Vector has wrong number of elements.  (%d instead of %d)\n",
                 out.rows(), T);
        return -1;
    }
    if (split.count() != B) {
        printout("\nError:  In CrossAggMatRows, split Vector has wrong number of elements.  (%d instead of %d)\n",
                 split.count(), B);
        return -1;
    }
    if (split.count() < T || split.count() < F) {
        printout("\nError:  In CrossAggMatRows, SplitVector has too few elements.\n");
        printout(" (It has %d, we are going from %d to %d.\n", split.count(), F, T);
        return -1;
    }
    if (in.cols() != out.cols()) {
        printout("\nError:  In CrossAggMatRows, number of columns of two matrices unequal: (%d in, %d out).\n",
                 in.cols(), out.cols());
        return -1;
    }
    out.fill(0);
    const int n = in.cols();
    Matrix<float> W(B, n);
    W.fill(0);
    for (int s = 1; s <= F; ++s) {
        const std::vector<int> between = group(F, B, s);
        const float* src = in[s].elements();
        if (between.size() == 1) {
            float* dst = W[between.front()].elements();
            for (int j = 0; j < n; ++j) dst[j] += src[j];
        } else if (between.size() >= 2) {
            const float S = splitsum(between, split);
            if (zero(S)) continue;
            for (int b : between) {
                float* dst = W[b].elements();
                const float share = split[b];
                for (int j = 0; j < n; ++j) dst[j] += src[j] * share / S;
            }
        }
    }
    for (int r = 1; r <= B; ++r) {
        const int q = mapCount(B, T, r);
        if (q <= 0) continue;
        if (q != 1) {
            printout("\nError:  The InBetween Vector is not detailed enough!\n");
            printout("  You need to do splits.  Sorry, not ready for ya.\n");
            return -1;
        }
        const float* src = W[r].elements();
        float* dst = out[firstMapped(B, T, r)].elements();
        for (int j = 0; j < n; ++j) dst[j] += src[j];
    }
    return 0;
}

// ---- control totals ----

int ReSector::CtrlVec(int D, int A, Vector<float>& detail, const Vector<float>& control) {
    for (int q = 1; q <= A; ++q) {
        const int b = mapCount(A, D, q);
        if (b < 0) {
            printout("\nError:  In rs, illegal vector aggregation map.\n");
            return -1;
        }
        if (b == 1) {
            detail[firstMapped(A, D, q)] = control[q];
            continue;
        }
        const float c = control[q];
        if (zero(c)) continue;
        if (b == 0) {
            printout("Error:  in rs ctrlvec, no detailed match was found for aggregate sector %d.\n", q);
            return -1;
        }
        const std::vector<int> members = group(A, D, q);
        VectorCells cells{detail, members};
        if (!proportional(c, cells)) {
            printout("\nError:  Problem in CtrlVec: No detail to scale to total.\n");
            printout("Aggregate: %d.  1st det.: %d.  ctrl = %10.1f\n", q, firstof(members),
                     static_cast<double>(c));
        }
    }
    return 0;
}

int ReSector::RdCtrlVec(int D, int A, Vector<float>& detail, const Vector<float>& control) {
    if (D < 1 || D > 32767) return -1;  // rdscale numbers its elements in 16 bits
    std::vector<float> W(static_cast<std::size_t>(D) + 1, 0.0f);
    for (int d = 1; d <= D; ++d) W[static_cast<std::size_t>(d)] = detail[d];
    for (int q = 1; q <= A; ++q) {
        const int b = mapCount(A, D, q);
        if (b < 0) return -1;
        if (b == 1) {
            const int d = firstMapped(A, D, q);
            detail[d] = control[q];
            W[static_cast<std::size_t>(d)] = control[q];
            continue;
        }
        if (b == 0) return -1;
        const std::vector<int> members = group(A, D, q);
        int n = 0;
        float S = 0;
        for (int d : members)
            if (std::fabs(detail[d]) > zeroTol) {
                ++n;
                S += detail[d];
            }
        const float c = control[q];
        if ((n == 0 || zero(S)) && std::fabs(c) > zeroTol) {
            printout("\nError:  Problem in RdCtrlVec: No detail to scale to total.\n");
            printout("Aggregate: %d.  1st det.: %d.  ctrl = %10.1f\n", q, firstof(members),
                     static_cast<double>(c));
            continue;
        }
        std::vector<short> shortMembers(members.begin(), members.end());
        float factor = 0;
        rdscale(nullptr, W.data(), static_cast<short>(D), shortMembers.data(),
                static_cast<int>(shortMembers.size()), c, &factor);
    }
    for (int d = 1; d <= D; ++d) detail[d] = W[static_cast<std::size_t>(d)];
    return 0;
}

namespace {

// The column-by-column scaling of a group of detailed rows to one aggregate row, shared by
// the dense and the packed CtrlMatRows; `problem` prints the second line of the problem pair.
template <class M, class C, class Problem>
void scalerows(M& detail, C& control, int q, const std::vector<int>& rows, int columns,
               Problem problem) {
    for (int j = 1; j <= columns; ++j) {
        const float c = cellof(control, q, j);
        const std::vector<int> column{j};
        BlockCells<M> cells{detail, rows, column};
        if (!proportional(c, cells)) {
            printout("\nError:  Problem in CtrlMatRows: No detail to scale to total.\n");
            problem(j, firstof(rows), c);
        }
    }
}

}  // namespace

int ReSector::CtrlMatRows(int D, int A, Matrix<float>& detail, const Matrix<float>& control,
                          const JexDate& period) {
    if (detail.cols() != control.cols()) {
        printout("\nError:  In CtrlMatRows, both matrices do not have the same number of columns. (%d and %d\n",
                 detail.cols(), control.cols());
        return -1;
    }
    const int n = detail.cols();
    for (int q = 1; q <= A; ++q) {
        const int d = mapCount(A, D, q);
        if (d < 0) continue;
        if (d == 1) {
            const int r = firstMapped(A, D, q);
            for (int j = 1; j <= n; ++j) detail(r, j) = control(q, j);
            continue;
        }
        if (d == 0) continue;
        const std::vector<int> rows = group(A, D, q);
        scalerows(detail, control, q, rows, n, [&](int j, int first, float c) {
            printout("Column %d, aggregate row %d.  1st det. row %d. ctrl = %10.1f, period=%8.3f\n", j,
                     q, first, static_cast<double>(c), static_cast<double>(period.toFloat()));
        });
    }
    return 0;
}

int ReSector::CtrlMatRows(int D, int A, Pmatrix& detail, Pmatrix& control) {
    if (detail.cols() != control.cols()) {
        printout("\nError:  In CtrlMatRows, both matrices do not have the same number of columns. (%d and %d\n",
                 detail.cols(), control.cols());
        return -1;
    }
    const int n = detail.cols();
    for (int q = 1; q <= A; ++q) {
        const int d = mapCount(A, D, q);
        if (d == 1) {
            const int r = firstMapped(A, D, q);
            for (int j = 1; j <= n; ++j) detail.set(r, j, control.at(q, j));
            continue;
        }
        const std::vector<int> rows = d > 0 ? group(A, D, q) : std::vector<int>();
        scalerows(detail, control, q, rows, n, [&](int j, int first, float c) {
            printout("Column %d, aggregate row %d.  1st det. row %d. ctrl = %10.1f\n", j, q, first,
                     static_cast<double>(c));
        });
    }
    return 0;
}

namespace {

// The block of detailed cells under each aggregate cell, scaled to it.
template <class M, class C>
void ctrlblocks(ReSector& rs, int D, int A, M& detail, C& control) {
    auto members = [&](int q, int& count) {
        count = rs.mapCount(A, D, q);
        if (count == 1) return std::vector<int>{rs.firstMapped(A, D, q)};
        std::vector<int> g(count > 0 ? static_cast<std::size_t>(count) : 0);
        if (count > 0 && rs.mappedSectors(A, D, q, g.data()) < 0) g.clear();
        return g;
    };
    for (int q = 1; q <= A; ++q) {
        int r = 0;
        const std::vector<int> R = members(q, r);
        for (int p = 1; p <= A; ++p) {
            int k = 0;
            const std::vector<int> Cg = members(p, k);
            const float c = cellof(control, q, p);
            if (r == 1 && k == 1) {
                BlockCells<M>::put(detail, R.front(), Cg.front(), c);
                continue;
            }
            BlockCells<M> cells{detail, R, Cg};
            if (!proportional(c, cells)) {
                printout(r == 1 ? "\nError:  Problem in CtrlMat: No detail to scale to total.\n"
                                : "\nError:  Problem in CtrlMatRows: No detail to scale to total.\n");
                printout("Aggregate row %d.  Aggregate column %d  1st det. row %d. 1st det col %d  ctrl = %10.1f\n",
                         q, p, firstof(R), firstof(Cg), static_cast<double>(c));
            }
        }
    }
}

}  // namespace

int ReSector::CtrlMat(int D, int A, Matrix<float>& detail, const Matrix<float>& control) {
    ctrlblocks(*this, D, A, detail, control);
    return 0;
}

int ReSector::CtrlMat(int D, int A, Pmatrix& detail, Pmatrix& control) {
    ctrlblocks(*this, D, A, detail, control);
    return 0;
}
