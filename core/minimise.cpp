#include "core/minimise.h"

#include <cmath>

#include "core/printout.h"
#include "core/workarrays.h"

int broydnSize = 0;

namespace {

// The maxima of the scaled tests and of the maximum step are kept in single precision.
float fmaxSingle(double a, double b) { return static_cast<float>(a > b ? a : b); }

double sign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

void check(const char* stage) { fpcheck(stage, -1); }

// Puts the context's function-value slot (and vector function) back on every way out.
class SlotGuard {
public:
    explicit SlotGuard(SolverContext& context)
        : context_(context), values_(context.functionValues), function_(context.vectorFunction) {}
    ~SlotGuard() {
        context_.functionValues = values_;
        context_.vectorFunction = function_;
    }
    SlotGuard(const SlotGuard&) = delete;
    SlotGuard& operator=(const SlotGuard&) = delete;

private:
    SolverContext& context_;
    Vector<double>* values_;
    VectorFunction function_;
};

// Restores a global int on every way out.
class IntRestore {
public:
    explicit IntRestore(int& target) : target_(target), saved_(target) {}
    ~IntRestore() { target_ = saved_; }
    IntRestore(const IntRestore&) = delete;
    IntRestore& operator=(const IntRestore&) = delete;

private:
    int& target_;
    int saved_;
};

}  // namespace

int lnsrch(int n, Vector<double>& xold, double fold, Vector<double>& g, Vector<double>& p,
           Vector<double>& x, double& f, double stpmax, int& checkFlag, ObjectiveFunction func,
           SolverContext& context) {
    const double ALF = 1.0e-10;
    const double TOLX = 1.0e-12;
    checkFlag = 0;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += p[i] * p[i];
    sum = std::sqrt(sum);
    if (sum > stpmax)
        for (int i = 1; i <= n; ++i) p[i] *= stpmax / sum;
    double slope = 0.0;
    for (int i = 1; i <= n; ++i) slope += g[i] * p[i];
    if (slope >= 0.0) {
        printout("Roundoff problem in lnsrch.");
        return -1;
    }
    double test = 0.0;
    for (int i = 1; i <= n; ++i) {
        double temp = std::fabs(p[i]) / fmaxSingle(std::fabs(xold[i]), 1.0);
        if (temp > test) test = temp;
    }
    const double alamin = TOLX / test;
    double alam = 1.0, alam2 = 0.0, f2 = 0.0, tmplam = 0.0;
    for (;;) {
        for (int i = 1; i <= n; ++i) x[i] = xold[i] + alam * p[i];
        f = func(x, context);
        if (alam < alamin) {
            for (int i = 1; i <= n; ++i) x[i] = xold[i];
            checkFlag = 1;
            return 0;
        }
        if (f <= fold + ALF * alam * slope) return 0;
        if (alam == 1.0) {
            tmplam = -slope / (2.0 * (f - fold - slope));
        } else {
            double rhs1 = f - fold - alam * slope;
            double rhs2 = f2 - fold - alam2 * slope;
            double a = (rhs1 / (alam * alam) - rhs2 / (alam2 * alam2)) / (alam - alam2);
            double b = (-alam2 * rhs1 / (alam * alam) + alam * rhs2 / (alam2 * alam2)) /
                       (alam - alam2);
            if (a == 0.0) {
                tmplam = -slope / (2.0 * b);
            } else {
                double disc = b * b - 3.0 * a * slope;
                if (disc < 0.0)
                    tmplam = 0.5 * alam;
                else if (b <= 0.0)
                    tmplam = (-b + std::sqrt(disc)) / (3.0 * a);
                else
                    tmplam = -slope / (b + std::sqrt(disc));
            }
            if (tmplam > 0.5 * alam) tmplam = 0.5 * alam;
        }
        alam2 = alam;
        f2 = f;
        alam = static_cast<float>(tmplam > 0.1 * alam ? tmplam : 0.1 * alam);
    }
}

int dfpmin(Vector<double>& p, double gtol, int& iter, double& fret, ObjectiveFunction func,
           GradientFunction dfunc, SolverContext& context) {
    const int ITMAX = 200;
    const double EPS = 3.0e-12;
    const double TOLX = 4 * EPS;
    const double STPMX = 100.0;
    const int n = p.count();
    check("top of dfpmin");
    Vector<double> dg(n, 1), g(n, 1), hdg(n, 1), pnew(n, 1), xi(n, 1);
    Matrix<double> hessin(n, n);

    double fp = func(p, context);
    dfunc(p, g, context);
    check("mid dfpmin 1");
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) hessin(i, j) = 0.0;
        hessin(i, i) = 1.0;
        xi[i] = -g[i];
        sum += p[i] * p[i];
    }
    const double stpmax = STPMX * fmaxSingle(std::sqrt(sum), n);
    fret = fp;
    for (int its = 1; its <= ITMAX; ++its) {
        iter = its;
        printout("Iteration %d, LL %f", its, fp);
        int lineCheck = 0;
        int rc = lnsrch(n, p, fp, g, xi, pnew, fret, stpmax, lineCheck, func, context);
        check("mid dfpmin 2");
        if (rc == -1) {
            check("mid dfpmin 3");
            return -1;
        }
        fp = fret;
        for (int i = 1; i <= n; ++i) {
            xi[i] = pnew[i] - p[i];
            p[i] = pnew[i];
        }
        double test = 0.0;
        for (int i = 1; i <= n; ++i) {
            double temp = std::fabs(xi[i]) / fmaxSingle(std::fabs(p[i]), 1.0);
            if (temp > test) test = temp;
        }
        printout("   d(x) %f", test);
        check("mid dfpmin 4");
        if (test < TOLX) {
            check("end of dfpmin");
            return 0;
        }
        for (int i = 1; i <= n; ++i) dg[i] = g[i];
        dfunc(p, g, context);
        check("mid dfpmin 5");
        test = 0.0;
        const double den = fmaxSingle(fret, 1.0);
        for (int i = 1; i <= n; ++i) {
            double temp = std::fabs(g[i]) * fmaxSingle(std::fabs(p[i]), 1.0) / den;
            if (temp > test) test = temp;
        }
        printout("   d(gradient) %f\n", test);
        check("mid dfpmin 5a");
        if (test < gtol) {
            check("end of dfpmin");
            return 0;
        }
        for (int i = 1; i <= n; ++i) dg[i] = g[i] - dg[i];
        check("mid dfpmin 5b");
        for (int i = 1; i <= n; ++i) {
            hdg[i] = 0.0;
            for (int j = 1; j <= n; ++j) hdg[i] += hessin(i, j) * dg[j];
        }
        check("mid dfpmin 5c");
        double fac = 0.0, fae = 0.0, sumdg = 0.0, sumxi = 0.0;
        for (int i = 1; i <= n; ++i) {
            fac += dg[i] * xi[i];
            fae += dg[i] * hdg[i];
            sumdg += dg[i] * dg[i];
            sumxi += xi[i] * xi[i];
        }
        check("mid dfpmin 5c1");
        if (fac > std::sqrt(EPS * sumdg * sumxi)) {
            fac = 1.0 / fac;
            check("mid dfpmin 5c2");
            const double fad = 1.0 / fae;
            check("mid dfpmin 5c3");
            for (int i = 1; i <= n; ++i) {
                dg[i] = fac * xi[i] - fad * hdg[i];
                check("mid dfpmin 5c4");
            }
            check("mid dfpmin 5d");
            for (int i = 1; i <= n; ++i) {
                for (int j = i; j <= n; ++j) {
                    hessin(i, j) += fac * xi[i] * xi[j] - fad * hdg[i] * hdg[j] + fae * dg[i] * dg[j];
                    hessin(j, i) = hessin(i, j);
                }
                check("mid dfpmin 5e");
            }
        }
        for (int i = 1; i <= n; ++i) {
            xi[i] = 0.0;
            for (int j = 1; j <= n; ++j) xi[i] -= hessin(i, j) * g[j];
        }
        check("mid dfpmin 6");
    }
    check("mid dfpmin 7");
    printout("\nError:  too many iterations in dfpmin\n");
    check("end of dfpmin");
    return -1;
}

double fmin(Vector<double>& x, SolverContext& context) {
    context.vectorFunction(x, context);
    Vector<double>& fvec = *context.functionValues;
    double sum = 0.0;
    for (int i = 1; i <= broydnSize; ++i) sum += fvec[i] * fvec[i];
    return 0.5 * sum;
}

void fdjac(Vector<double>& x, Vector<double>& fvec, Matrix<double>& df, VectorFunction vecfunc,
           SolverContext& context) {
    const double EPS = 1.0e-4;
    const int n = x.count();
    Vector<double> f(n, 1);
    SlotGuard guard(context);
    context.functionValues = &f;
    for (int j = 1; j <= n; ++j) {
        double temp = x[j];
        double h = EPS * std::fabs(temp);
        if (h == 0.0) h = EPS;
        x[j] = temp + h;
        h = x[j] - temp;
        try {
            vecfunc(x, context);
        } catch (...) {
            x[j] = temp;
            throw;
        }
        x[j] = temp;
        for (int i = 1; i <= n; ++i) df(i, j) = (f[i] - fvec[i]) / h;
    }
}

void qrdcmp(Matrix<double>& a, Vector<double>& c, Vector<double>& d, int& sing) {
    const int n = a.rows();
    sing = 0;
    for (int k = 1; k < n; ++k) {
        float scale = 0.0f;
        for (int i = k; i <= n; ++i) scale = fmaxSingle(scale, std::fabs(a(i, k)));
        if (scale == 0.0f) {
            sing = 1;
            c[k] = d[k] = 0.0;
        } else {
            for (int i = k; i <= n; ++i) a(i, k) /= scale;
            float sum = 0.0f;
            for (int i = k; i <= n; ++i) sum = static_cast<float>(sum + a(i, k) * a(i, k));
            double sigma = sign(std::sqrt(static_cast<double>(sum)), a(k, k));
            a(k, k) += sigma;
            c[k] = sigma * a(k, k);
            d[k] = -scale * sigma;
            for (int j = k + 1; j <= n; ++j) {
                double s = 0.0;
                for (int i = k; i <= n; ++i) s += a(i, k) * a(i, j);
                double tau = s / c[k];
                for (int i = k; i <= n; ++i) a(i, j) -= tau * a(i, k);
            }
        }
    }
    d[n] = a(n, n);
    if (d[n] == 0.0) sing = 1;
}

void rotate(Matrix<double>& r, Matrix<double>& qt, int i, double aIn, double bIn) {
    const int n = r.rows();
    const float a = static_cast<float>(aIn), b = static_cast<float>(bIn);
    double c, s;
    if (a == 0.0f) {
        c = 0.0;
        s = (b >= 0.0f ? 1.0 : -1.0);
    } else if (std::fabs(a) > std::fabs(b)) {
        double fact = static_cast<double>(b) / a;
        c = sign(1.0 / std::sqrt(1.0 + fact * fact), a);
        s = fact * c;
    } else {
        double fact = static_cast<double>(a) / b;
        s = sign(1.0 / std::sqrt(1.0 + fact * fact), b);
        c = fact * s;
    }
    for (int j = i; j <= n; ++j) {
        double y = r(i, j), w = r(i + 1, j);
        r(i, j) = c * y - s * w;
        r(i + 1, j) = s * y + c * w;
    }
    for (int j = 1; j <= n; ++j) {
        double y = qt(i, j), w = qt(i + 1, j);
        qt(i, j) = c * y - s * w;
        qt(i + 1, j) = s * y + c * w;
    }
}

void qrupdt(Matrix<double>& r, Matrix<double>& qt, Vector<double>& u, Vector<double>& v) {
    const int n = r.rows();
    int k;
    for (k = n; k >= 1; --k)
        if (u[k] != 0.0) break;
    if (k < 1) k = 1;
    for (int i = k - 1; i >= 1; --i) {
        rotate(r, qt, i, u[i], -u[i + 1]);
        if (u[i] == 0.0)
            u[i] = std::fabs(u[i + 1]);
        else if (std::fabs(u[i]) > std::fabs(u[i + 1]))
            u[i] = std::fabs(u[i]) * std::sqrt(1.0 + (u[i + 1] / u[i]) * (u[i + 1] / u[i]));
        else
            u[i] = std::fabs(u[i + 1]) * std::sqrt(1.0 + (u[i] / u[i + 1]) * (u[i] / u[i + 1]));
    }
    for (int j = 1; j <= n; ++j) r(1, j) += u[1] * v[j];
    for (int i = 1; i < k; ++i) rotate(r, qt, i, r(i, i), -r(i + 1, i));
}

void rsolv(Matrix<double>& a, Vector<double>& d, Vector<double>& b) {
    const int n = a.rows();
    b[n] /= d[n];
    for (int i = n - 1; i >= 1; --i) {
        double sum = 0.0;
        for (int j = i + 1; j <= n; ++j) sum += a(i, j) * b[j];
        b[i] = (b[i] - sum) / d[i];
    }
}

int broydn(Vector<double>& x, int& checkFlag, VectorFunction vecfunc, SolverContext& context) {
    const int MAXITS = 200;
    const double EPS = 1.0e-7;
    const double TOLF = 1.0e-4;
    const double TOLX = EPS;
    const double STPMX = 100.0;
    const double TOLMIN = 1.0e-6;
    const int n = x.count();

    SlotGuard guard(context);
    IntRestore keepSize(broydnSize);
    Vector<double> fvec(n, 1), c(n, 1), d(n, 1), fvcold(n, 1), g(n, 1), p(n, 1), s(n, 1),
        t(n, 1), w(n, 1), xold(n, 1);
    Matrix<double> qt(n, n), r(n, n);
    broydnSize = n;
    context.functionValues = &fvec;
    context.vectorFunction = vecfunc;
    checkFlag = 0;

    double f = fmin(x, context);
    double test = 0.0;
    for (int i = 1; i <= n; ++i)
        if (std::fabs(fvec[i]) > test) test = std::fabs(fvec[i]);
    if (test < 0.01 * TOLF) return 0;
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) sum += x[i] * x[i];
    const double stpmax = STPMX * fmaxSingle(std::sqrt(sum), n);
    bool restart = true;
    for (int its = 1; its <= MAXITS; ++its) {
        if (restart) {
            fdjac(x, fvec, r, vecfunc, context);
            int sing = 0;
            qrdcmp(r, c, d, sing);
            if (sing) throw Jex7Errors("singular Jacobian in broydn");
            for (int i = 1; i <= n; ++i) {
                for (int j = 1; j <= n; ++j) qt(i, j) = 0.0;
                qt(i, i) = 1.0;
            }
            for (int k = 1; k < n; ++k) {
                if (c[k] != 0.0) {
                    for (int j = 1; j <= n; ++j) {
                        double sm = 0.0;
                        for (int i = k; i <= n; ++i) sm += r(i, k) * qt(i, j);
                        sm /= c[k];
                        for (int i = k; i <= n; ++i) qt(i, j) -= sm * r(i, k);
                    }
                }
            }
            for (int i = 1; i <= n; ++i) {
                r(i, i) = d[i];
                for (int j = 1; j < i; ++j) r(i, j) = 0.0;
            }
        } else {
            for (int i = 1; i <= n; ++i) s[i] = x[i] - xold[i];
            for (int i = 1; i <= n; ++i) {
                double sm = 0.0;
                for (int j = i; j <= n; ++j) sm += r(i, j) * s[j];
                t[i] = sm;
            }
            bool skip = true;
            for (int i = 1; i <= n; ++i) {
                double sm = 0.0;
                for (int j = 1; j <= n; ++j) sm += qt(j, i) * t[j];
                w[i] = fvec[i] - fvcold[i] - sm;
                if (std::fabs(w[i]) >= EPS * (std::fabs(fvec[i]) + std::fabs(fvcold[i])))
                    skip = false;
                else
                    w[i] = 0.0;
            }
            if (!skip) {
                for (int i = 1; i <= n; ++i) {
                    double sm = 0.0;
                    for (int j = 1; j <= n; ++j) sm += qt(i, j) * w[j];
                    t[i] = sm;
                }
                double den = 0.0;
                for (int i = 1; i <= n; ++i) den += s[i] * s[i];
                for (int i = 1; i <= n; ++i) s[i] /= den;
                qrupdt(r, qt, t, s);
                for (int i = 1; i <= n; ++i) {
                    if (r(i, i) == 0.0) throw Jex7Errors("r singular in broydn");
                    d[i] = r(i, i);
                }
            }
        }
        for (int i = 1; i <= n; ++i) {
            double sm = 0.0;
            for (int j = 1; j <= n; ++j) sm += qt(i, j) * fvec[j];
            g[i] = sm;
        }
        for (int i = n; i >= 1; --i) {
            double sm = 0.0;
            for (int j = 1; j <= i; ++j) sm += r(j, i) * g[j];
            g[i] = sm;
        }
        for (int i = 1; i <= n; ++i) {
            xold[i] = x[i];
            fvcold[i] = fvec[i];
        }
        const double fold = f;
        for (int i = 1; i <= n; ++i) {
            double sm = 0.0;
            for (int j = 1; j <= n; ++j) sm += qt(i, j) * fvec[j];
            p[i] = -sm;
        }
        rsolv(r, d, p);
        if (lnsrch(n, xold, fold, g, p, x, f, stpmax, checkFlag, fmin, context) != 0) return -1;
        test = 0.0;
        for (int i = 1; i <= n; ++i)
            if (std::fabs(fvec[i]) > test) test = std::fabs(fvec[i]);
        if (test < TOLF) {
            checkFlag = 0;
            return 0;
        }
        if (checkFlag) {
            if (restart) return 0;
            test = 0.0;
            const double den = fmaxSingle(f, 0.5 * n);
            for (int i = 1; i <= n; ++i) {
                double temp = std::fabs(g[i]) * fmaxSingle(std::fabs(x[i]), 1.0) / den;
                if (temp > test) test = temp;
            }
            if (test < TOLMIN) return 0;
            restart = true;
        } else {
            restart = false;
            test = 0.0;
            for (int i = 1; i <= n; ++i) {
                double temp = std::fabs(x[i] - xold[i]) / fmaxSingle(std::fabs(x[i]), 1.0);
                if (temp > test) test = temp;
            }
            if (test < TOLX) return 0;
        }
    }
    return -1;
}
