#include "core/qprog.h"

#include <cmath>
#include <vector>

#include "core/lprog.h"
#include "core/printout.h"

namespace {

using Dense = std::vector<double>;

double dotv(const Dense& a, const Dense& b) {
    double s = 0;
    for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
    return s;
}

// The product of the subproblem's matrix with z: (Q z1 + Aa' z2, Aa z1).
void kktProduct(const Matrix<double>& Q, const Matrix<double>& Af, const std::vector<int>& rows,
                int n, const Dense& z, Dense& out) {
    for (int i = 0; i < n; ++i) {
        double s = 0;
        const double* q = Q.rowAt(i);
        for (int j = 0; j < n; ++j) s += q[j] * z[static_cast<std::size_t>(j)];
        out[static_cast<std::size_t>(i)] = s;
    }
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const double* a = Af.rowAt(rows[k]);
        const double mult = z[static_cast<std::size_t>(n) + k];
        double s = 0;
        for (int j = 0; j < n; ++j) {
            out[static_cast<std::size_t>(j)] += a[j] * mult;
            s += a[j] * z[static_cast<std::size_t>(j)];
        }
        out[static_cast<std::size_t>(n) + k] = s;
    }
}

double objective(const Matrix<double>& Q, const Vector<double>& c, const Vector<double>& h) {
    const int n = h.count();
    double quad = 0, lin = 0;
    for (int i = 0; i < n; ++i) {
        double s = 0;
        for (int j = 0; j < n; ++j) s += Q.rowAt(i)[j] * h.data()[j];
        quad += h.data()[i] * s;
        lin += c.data()[i] * h.data()[i];
    }
    return quad / 2 + lin;
}

void warnBox(const char* message, const char* box, int* status, int code) {
    printout("%s", message);
    pausebox(box, "Warning");
    *status = code;
}

// Marks the inequality at position pos (1-based) among the active ones inactive.
void deactivate(Vector<int>& active, int pos, int& p) {
    int seen = 0;
    for (int k = 0; k < active.count(); ++k) {
        if (active.data()[k] == 1 && ++seen == pos) {
            active.data()[k] = 0;
            --p;
            return;
        }
    }
}

}  // namespace

void qpdirection(Matrix<double>& Q, Matrix<double>& Af, Vector<int>& active, Vector<double>& g,
                 Vector<double>& t, int n, int r, int neq, int s, int p, int size, int maxiter,
                 double tolerance) {
    (void)p;
    std::vector<int> rows;  // offsets of the rows of Af in the active matrix
    for (int k = 0; k < neq && k < r; ++k) rows.push_back(k);
    for (int k = 0; k < s; ++k)
        if (active.data()[k] == 1) rows.push_back(neq + k);
    const std::size_t dim = static_cast<std::size_t>(n) + rows.size();
    if (static_cast<int>(dim) != size || t.count() < size) {
        printout("diter = %d   maxiter = %d.\n", 0, maxiter);
        return;
    }
    Dense z(dim), rhs(dim, 0.0), rr(dim), q(dim), dir(dim);
    for (std::size_t i = 0; i < dim; ++i) z[i] = t.data()[i];
    for (int i = 0; i < n; ++i) rhs[static_cast<std::size_t>(i)] = -g.data()[i];
    kktProduct(Q, Af, rows, n, z, rr);
    for (std::size_t i = 0; i < dim; ++i) rr[i] -= rhs[i];
    double rrOld = dotv(rr, rr);
    auto accept = [&] {
        for (std::size_t i = 0; i < dim; ++i) t.data()[i] = z[i];
    };
    if (std::sqrt(rrOld) <= tolerance) {
        accept();
        return;
    }
    for (std::size_t i = 0; i < dim; ++i) dir[i] = -rr[i];
    for (int it = 0; it <= maxiter; ++it) {
        kktProduct(Q, Af, rows, n, dir, q);
        const double curvature = dotv(dir, q);
        if (curvature == 0.0 || !std::isfinite(curvature)) break;  // the method breaks down
        const double a = rrOld / curvature;
        for (std::size_t i = 0; i < dim; ++i) {
            z[i] += a * dir[i];
            rr[i] += a * q[i];
        }
        const double rrNew = dotv(rr, rr);
        if (std::sqrt(rrNew) <= tolerance) {
            accept();
            return;
        }
        const double b = rrNew / rrOld;
        for (std::size_t i = 0; i < dim; ++i) dir[i] = b * dir[i] - rr[i];
        rrOld = rrNew;
    }
    printout("diter = %d   maxiter = %d.\n", 0, maxiter);
}

void QPROG(Vector<double>& x, Matrix<double>& Q, Vector<double>& c, Matrix<double>& Ain,
           Vector<double>& bin, Vector<double>& lambda, int neq, int* status, char print,
           int maxiter, double eps) {
    const int n = Q.rows();
    const int m = Ain.rows();
    if (Ain.cols() != n || Q.cols() != n || c.count() != n || bin.count() != m ||
        (n > 0 && !Q.hasStorage()) || (m > 0 && !Ain.hasStorage())) {
        printout("\nError: Dimensions in inputs wrong in QPROG");
        pausebox("Error:  dimensions wrong for QP", "Warning");
        *status = -1;
        return;
    }
    x.clear();
    x.resize(n, 1, 1, 1);
    x.fill(0.0);
    lambda.clear();
    lambda.resize(m, 1, 1, 1);
    lambda.fill(0.0);
    const int r = m + n;
    if (n < 2) {
        warnBox("\nError: No. of variables less that 2.\n", "Error: No. of variables less that 2 in QP",
                status, -2);
        return;
    }
    if (r < 0) {
        warnBox("\nError: No. of constraints less than zero.\n",
                "Error: No. of constraints less that 0 in QP", status, -2);
        return;
    }
    if (neq < 0) {
        warnBox("\nError: No. of equality constarints lesss than zero.\n",
                "Error: No. of equality constraints < 0 in QP", status, -2);
        return;
    }
    // The equalities are rows of Ain, so there cannot be more of them than rows of Ain.
    if (neq > m) {
        warnBox("\nError: No. of equality constraints is more than total No. of constraints.\n",
                "Error:  (# = constraints) > (# <> constraints) in QP", status, -2);
        return;
    }
    const int s = r - neq;

    // All constraints as rows Af_k x <= v_k after the equalities: the bounds -x_l <= 0, then
    // the other rows of Ain.
    Matrix<double> Af(r, n);
    Vector<double> v(r, 1);
    Af.fill(0.0);
    v.fill(0.0);
    for (int i = 0; i < neq; ++i) {
        for (int j = 0; j < n; ++j) Af.rowAt(i)[j] = Ain.rowAt(i)[j];
        v.data()[i] = bin.data()[i];
    }
    for (int l = 0; l < n; ++l) Af.rowAt(neq + l)[l] = -1.0;
    for (int i = neq; i < m; ++i) {
        for (int j = 0; j < n; ++j) Af.rowAt(n + i)[j] = Ain.rowAt(i)[j];
        v.data()[n + i] = bin.data()[i];
    }
    if (print == 'y') {
        printout("nvar = %d   ncon = %d   neq = %d\n", n, r, neq);
        Q.print("Q", 10, 5);
        Ain.print("Ain", 10, 5);
        Af.print("A", 10, 5);
        c.print("c", 10, 5);
        v.print("b", 10, 5);
    }

    LPROG(x, c, Ain, bin, neq, status, 100, 1, 1e-8, 'n');
    if (*status != 0) {
        printout("\nError : No feasible solution.\n");
        *status = -3;
        pausebox("Warning: No feasible solution in QP", "Warning");
        return;
    }
    if (print == 'y') {
        printout("\nInitial feasible solution\n");
        x.print("x", 10, 5);
    }

    Vector<double> h = x;
    Vector<int> active(s, 1);
    active.fill(0);
    int p = 0;
    for (int k = 0; k < s; ++k) {
        const double* a = Af.rowAt(neq + k);
        double u = -v.data()[neq + k];
        for (int j = 0; j < n; ++j) u += a[j] * h.data()[j];
        if (std::fabs(u) <= eps) {
            active.data()[k] = 1;
            ++p;
        }
    }
    double F = objective(Q, c, h);
    int smallIncreases = 0;
    Vector<double> t(n + r, 1), g(n, 1), d(n, 1);
    t.fill(0.0);

    for (int iteration = 1; iteration <= maxiter + 1; ++iteration) {
        if (print == 'y') {
            printout("\nNumber of iterations = %d.\n", iteration);
            printout("   Value of the objective function = %f\n", F);
        }
        for (int i = 0; i < n; ++i) {
            double sum = c.data()[i];
            for (int j = 0; j < n; ++j) sum += Q.rowAt(i)[j] * h.data()[j];
            g.data()[i] = sum;
        }
        if (iteration == 1)
            for (int i = 0; i < n; ++i) t.data()[i] = g.data()[i];
        const int size = n + neq + p;
        if (print == 'y') printout("\nneqn = %d.\n", size);
        if (p > s) {
            printout("\nError: The number of active inequality constraints is greater");
            printout("       the total number of inequality constraints.\n");
            pausebox("Error: in QP", "Warning");
            *status = 5;
            return;
        }
        qpdirection(Q, Af, active, g, t, n, r, neq, s, p, size, maxiter, eps / 1000);

        double norm = 0;
        for (int i = 0; i < n; ++i) {
            d.data()[i] = t.data()[i];
            norm += d.data()[i] * d.data()[i];
        }
        norm = std::sqrt(norm);
        double minMult = 0;
        int minPos = 0;
        for (int k = 0; k < p; ++k) {
            double mult = t.data()[n + neq + k];
            if (mult < minMult) {
                minMult = mult;
                minPos = k + 1;
            }
        }

        if (norm / n <= eps) {
            if (minMult >= 0) {
                x = h;
                for (int i = 0; i < n; ++i)
                    if (x.data()[i] < 1e-7) x.data()[i] = 0.0;
                for (int i = 0; i < neq; ++i) lambda.data()[i] = 0.0;
                if (print == 'y') {
                    printout("\nQPROG converges at %d iterations.\n", iteration);
                    printout("      minimum = %f\n", objective(Q, c, x));
                    x.print("solution x = ", 15, 5);
                }
                *status = 0;
                return;
            }
            deactivate(active, minPos, p);
            continue;
        }

        double alpha = 1.0;
        int blocking = 0;
        for (int k = 0; k < s; ++k) {
            const double* a = Af.rowAt(neq + k);
            double ad = 0, ah = 0;
            for (int j = 0; j < n; ++j) {
                ad += a[j] * d.data()[j];
                ah += a[j] * h.data()[j];
            }
            if (ad > eps) {
                double ak = std::min(1.0, (v.data()[neq + k] - ah) / ad);
                if (ak <= alpha) {
                    alpha = ak;
                    blocking = k + 1;
                }
            }
        }
        for (int i = 0; i < n; ++i) h.data()[i] += alpha * d.data()[i];

        const double Fnew = objective(Q, c, h);
        if (Fnew > F && Fnew - F < eps) {
            if (++smallIncreases > 3) {
                x = h;
                if (print == 'y') x.print("\n\"Solution\" x = \n", 12, 5);
                return;
            }
        }
        F = Fnew;

        if (alpha < 1 && blocking > 0) {
            if (active.data()[blocking - 1] == 0) {
                active.data()[blocking - 1] = 1;
                ++p;
            }
        } else if (minMult < 0) {
            deactivate(active, minPos, p);
        }
    }
    printout("\nWarning: No convergence in QP\n");
    *status = 3;
}
