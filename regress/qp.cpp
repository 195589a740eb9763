// The hard-constrained regression. The coefficients are free: each is passed to the
// quadratic-programming routine as the difference of two non-negative variables, b = u - v,
// since that routine bounds every variable below by zero.
#include "regress/qp.h"

#include "core/matrix.h"
#include "core/printout.h"
#include "core/qprog.h"
#include "core/vector.h"
#include "core/workarrays.h"
#include "regress/constraints.h"
#include "regress/regress_state.h"

namespace {

const char* qpmessage(int status) {
    switch (status) {
    case -3: return "Error: no feasible solution in QP.\n";
    case -2: return "Error: trivial or wrongly formulated program in QP.\n";
    case -1: return "Error: dimension errors in inputs in QP.\n";
    case 1: return "Error: contradictory constraints in QP.\n";
    case 2: return "Error: unbounded problem in QP.\n";
    case 3: return "Error: divergence in QP.\n";
    case 4: return "Error: determinant of the basis matrix is equal to zero in QP.\n";
    case 5:
        return "Error: nact > nineq, error in adding and dropping scheme in QP due to small "
               "tolerance..\n";
    default: return "\nError:  Unknown error in QP.\n";
    }
}

bool fpfailed(const char* stage) { return fpcheck(stage, -1) != 0; }

}  // namespace

int qp(Regression& r, bool stacked, int K, const std::vector<int>& counts,
       const std::vector<int>& depColumns) {
    const int k = stacked ? K : r.eq.k;
    const int nfit = r.nfit;
    Moments& m = r.m;
    vectorIndexError = 0;
    if (fpfailed("before xpx")) return -1;

    // The objective c'b + b'Qb / 2.
    std::vector<double> Q(static_cast<std::size_t>(k + 1) * (k + 1), 0.0), c(k + 1, 0.0);
    auto q = [&](int i, int j) -> double& { return Q[static_cast<std::size_t>(i) * (k + 1) + j]; };
    if (stacked) {
        for (int i = 1; i <= k; ++i) {
            c[i] = -m(i, 0) / nfit;
            for (int j = 1; j <= k; ++j) q(i, j) = m(i, j) / nfit;
        }
    } else {
        const auto& col = r.eq.columns;
        for (int i = 1; i <= k; ++i) {
            double sy = 0.0;
            for (int t = 0; t < nfit; ++t) sy += static_cast<double>(col[i][t]) * col[0][t];
            c[i] = -sy / nfit;
            for (int j = 1; j <= i; ++j) {
                double s = 0.0;
                for (int t = 0; t < nfit; ++t)
                    s += static_cast<double>(col[i][t]) * col[j][t] / nfit;
                q(i, j) = q(j, i) = s;
            }
        }
        // Soft constraints as weighted pseudo-observations (value; row).
        const ConstraintTable& s = softConstraints;
        for (int h = 0; h < s.count; ++h) {
            const double w = static_cast<double>(static_cast<float>(nfit) * s.weight[h]);
            for (int i = 1; i <= k; ++i) {
                c[i] -= w * s.rows[h][i] * s.value[h] / nfit;
                for (int j = 1; j <= k; ++j) q(i, j) += w * s.rows[h][i] * s.rows[h][j] / nfit;
            }
        }
    }
    if (fpfailed("after xpx")) return -1;

    // The constraints, equalities first, then the inequalities as rows of A b <= r.
    const ConstraintTable& h = hardConstraints;
    std::vector<int> order;
    for (int i = 0; i < h.count; ++i)
        if (h.weight[i] == 0.0f) order.push_back(i);
    const int neq = static_cast<int>(order.size());
    for (int i = 0; i < h.count; ++i)
        if (h.weight[i] != 0.0f) order.push_back(i);
    const int rows = static_cast<int>(order.size());

    // Free coefficients: variables 1 .. k are u, k + 1 .. 2k are v, b = u - v.
    const int n2 = 2 * k;
    Matrix<double> Q2(n2, n2), A(rows, n2);
    Vector<double> c2(n2, 1), rhs(rows, 1), x, lambda;
    for (int i = 1; i <= k; ++i) {
        c2[i] = c[i];
        c2[k + i] = -c[i];
        for (int j = 1; j <= k; ++j) {
            Q2(i, j) = q(i, j);
            Q2(k + i, k + j) = q(i, j);
            Q2(i, k + j) = -q(i, j);
            Q2(k + i, j) = -q(i, j);
        }
    }
    for (int a = 0; a < rows; ++a) {
        const int i = order[static_cast<std::size_t>(a)];
        const double sign = h.weight[i] == 1.0f ? -1.0 : 1.0;
        for (int j = 1; j <= k; ++j) {
            A(a + 1, j) = sign * h.rows[i][j];
            A(a + 1, k + j) = -sign * h.rows[i][j];
        }
        rhs[a + 1] = sign * h.value[i];
    }
    if (fpfailed("after b") || vectorIndexError) return -1;

    int status = 0;
    QPROG(x, Q2, c2, A, rhs, lambda, neq, &status, 'n', 200, 1e-6);
    if (status != 0) {
        printout("\n\"error\" = %d after qprog.\n", status);
        printout("%s", qpmessage(status));
        return -1;
    }
    if (fpfailed("after QP") || vectorIndexError) return -1;
    std::vector<double> b(k + 1, 0.0);
    for (int i = 1; i <= k; ++i) {
        b[i] = x[i] - x[k + i];
        m(0, i) = m(i, 0) = b[i];
    }

    if (stacked) {
        double ssr = 0.0;
        const int E = static_cast<int>(counts.size());
        for (int e = 0; e < E; ++e) {
            const int D = depColumns[static_cast<std::size_t>(e)];
            const int R = D - e + 1;
            const auto& col = r.eq.columns;
            for (int t = 0; t < nfit; ++t) {
                double fitted = 0.0;
                for (int j = 1; j <= counts[static_cast<std::size_t>(e)]; ++j)
                    fitted += col[D + j][t] * b[R + j - 1];
                const double d = col[D][t] - fitted;
                ssr += d * d;
            }
        }
        m(0, 0) = ssr;
        r.ssrSteps.assign(k + E, ssr);
        return fpcheck("in qp (SUR) before returning.", -1) == 27 ? 27 : 0;
    }

    // The inverse of the regressors' moment matrix, for the report's variances.
    const auto& col = r.eq.columns;
    Matrix<double> X(k, k);
    const bool intercept = r.eq.intercept == 1;
    for (int i = 1; i <= k; ++i)
        for (int j = 1; j <= k; ++j) {
            double s = 0.0;
            if (intercept && (i == 1 || j == 1)) continue;
            const double mi = intercept ? r.means[i] : 0.0, mj = intercept ? r.means[j] : 0.0;
            for (int t = 0; t < nfit; ++t) s += (col[i][t] - mi) * (col[j][t] - mj);
            X(i, j) = s;
        }
    if (intercept) {
        for (int j = 1; j <= k; ++j) {
            X(1, j) = r.means[j];
            X(j, 1) = -r.means[j];
        }
        X(1, 1) = 1.0 / nfit;
    }
    Vector<double> pivots(k, 1);
    X.gaussJordan(1, k, pivots);
    for (int i = 1; i <= k; ++i)
        for (int j = 1; j <= k; ++j) m(i, j) = X(i, j);

    double ssr = 0.0;
    for (int t = 0; t < nfit; ++t) {
        double fitted = 0.0;
        for (int i = 1; i <= k; ++i) fitted += b[i] * col[i][t];
        const double d = col[0][t] - fitted;
        ssr += d * d;
    }
    m(0, 0) = ssr;
    r.ssrSteps.assign(k + 1, 0.0);
    for (int s = r.eq.intercept < 0 ? 0 : r.eq.intercept; s <= k; ++s) r.ssrSteps[s] = ssr;
    if (sweepPredicts != 'y') return 0;
    if (fpfailed("before predictreg")) return -1;
    return predictreg(r, k, 0, 1, 1, k, 0);
}
