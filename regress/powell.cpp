// The optimisation of an expression by Powell's method of conjugate directions (nlp): each
// line search brackets the minimum along a direction and closes in on it by Brent's method.
// The objective is the equation of nl, evaluated as text for every trial point.
#include <cmath>
#include <vector>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "interp/percent_functions.h"
#include "interp/state.h"
#include "platform/platform.h"
#include "regress/nlcommon.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "regress/regression.h"

namespace {

constexpr int workLength = 2001;
constexpr int maxPasses = 2000;

double signtransfer(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

// The objective along a line: F(point + x direction).
class Line {
public:
    Line(const NlStatement& s, std::vector<float>& depvar, std::vector<float>& predic)
        : s_(s), depvar_(depvar), predic_(predic) {}

    double at(const std::vector<float>& p) {
        return nlevaluate(s_.text, p.data(), s_.n, depvar_.data(), predic_.data());
    }
    double operator()(double x) {
        for (int j = 0; j < s_.n; ++j) work_[j] = static_cast<float>(point_[j] + x * direction_[j]);
        return at(work_);
    }
    void set(const std::vector<float>& point, const std::vector<float>& direction) {
        point_ = point;
        direction_ = direction;
        work_.resize(point.size());
    }

private:
    const NlStatement& s_;
    std::vector<float>& depvar_;
    std::vector<float>& predic_;
    std::vector<float> point_, direction_, work_;
};

// Three abscissas a, b, c with F(b) below F(a) and F(c).
void bracket(Line& F, double& a, double& b, double& c) {
    const double g = 1.618034, limit = 100.0, tiny = 1e-15;
    double fa = F(a), fb = F(b);
    if (fb > fa) {
        std::swap(a, b);
        std::swap(fa, fb);
    }
    c = b + g * (b - a);
    double fc = F(c);
    while (fb > fc) {
        const double r = (b - a) * (fb - fc);
        const double q = (b - c) * (fb - fa);
        double u = b - ((b - c) * q - (b - a) * r) / (2.0 * signtransfer(std::max(std::fabs(q - r), tiny), q - r));
        const double ulim = b + limit * (c - b);
        double fu;
        if ((b - u) * (u - c) > 0.0) {
            fu = F(u);
            if (fu < fc) {
                a = b;
                b = u;
                return;
            }
            if (fu > fb) {
                c = u;
                return;
            }
            u = c + g * (c - b);
            fu = F(u);
        } else if ((c - u) * (u - ulim) > 0.0) {
            fu = F(u);
            if (fu < fc) {
                b = c;
                c = u;
                u = c + g * (c - b);
                fb = fc;
                fc = fu;
                fu = F(u);
            }
        } else if ((u - ulim) * (ulim - c) > 0.0) {
            u = ulim;
            fu = F(u);
        } else {
            u = c + g * (c - b);
            fu = F(u);
        }
        a = b;
        b = c;
        c = u;
        fa = fb;
        fb = fc;
        fc = fu;
    }
}

// The minimum along the line inside the bracket (ax, bx, cx); its abscissa to xmin.
double brent(Line& F, double ax, double bx, double cx, double& xmin) {
    const double cgold = 0.3819660, tol = 0.0002, zeps = 1e-10;
    double a = std::min(ax, cx), b = std::max(ax, cx);
    double x = bx, w = bx, v = bx;
    double fx = F(x), fw = fx, fv = fx;
    double d = 0.0, e = 0.0;
    for (int iter = 0; iter < 100 && !platform::escapePressed(); ++iter) {
        const double xm = 0.5 * (a + b);
        const double tol1 = tol * std::fabs(x) + zeps, tol2 = 2.0 * tol1;
        if (std::fabs(x - xm) <= tol2 - 0.5 * (b - a)) {
            xmin = x;
            return fx;
        }
        bool golden = true;
        if (std::fabs(e) > tol1) {
            const double r = (x - w) * (fx - fv);
            double q = (x - v) * (fx - fw);
            double p = (x - v) * q - (x - w) * r;
            q = 2.0 * (q - r);
            if (q > 0.0) p = -p;
            q = std::fabs(q);
            const double etemp = e;
            e = d;
            if (!(std::fabs(p) >= std::fabs(0.5 * q * etemp) || p <= q * (a - x) || p >= q * (b - x))) {
                golden = false;
                d = p / q;
                const double u = x + d;
                if (u - a < tol2 || b - u < tol2) d = signtransfer(tol1, xm - x);
            }
        }
        if (golden) {
            e = x >= xm ? a - x : b - x;
            d = cgold * e;
        }
        const double u = std::fabs(d) >= tol1 ? x + d : x + signtransfer(tol1, d);
        const double fu = F(u);
        if (fu < fx) {
            if (u >= x) a = x;
            else b = x;
            v = w;
            w = x;
            x = u;
            fv = fw;
            fw = fx;
            fx = fu;
        } else {
            if (u < x) a = u;
            else b = u;
            if (fu < fw || w == x) {
                v = w;
                w = u;
                fv = fw;
                fw = fu;
            } else if (fu < fv || v == x || v == w) {
                v = u;
                fv = fu;
            }
        }
    }
    printout("BRENT exceed maximum iterations.\n");
    xmin = x;
    return fx;
}

// Moves p to the minimum along xi and replaces xi by the step taken; fret its value.
void linesearch(Line& F, std::vector<float>& p, std::vector<float>& xi, double& fret) {
    fret = F.at(p);
    F.set(p, xi);
    double a = 0.0, b = 1.0, c = 0.0, xmin = 0.0;
    bracket(F, a, b, c);
    fret = brent(F, a, b, c, xmin);
    for (std::size_t j = 0; j < p.size(); ++j) {
        xi[j] = static_cast<float>(xmin * xi[j]);
        p[j] += xi[j];
    }
}

}  // namespace

int nlpcmd(std::FILE* in) {
    NlStatement s;
    const int read = readnlstatement(in, "nlp", 21, s);
    if (read != 0) return read;
    const int n = s.n;
    std::vector<float> tol(n);
    for (int j = 0; j < n; ++j) tol[j] = 0.1f * s.steps[j];
    if (s.verbose) {
        printout(" Eval    Objective   Parameters\n");
        printout(" Count    Function\n");
    }
    std::vector<float> depvar(workLength), predic(workLength);
    Line F(s, depvar, predic);
    std::vector<float> p = s.start, pt, ptt(n), xit(n);
    std::vector<std::vector<float>> directions(n, std::vector<float>(n, 0.0f));
    for (int i = 0; i < n; ++i) directions[i][i] = 1.0f;
    double fret = F.at(p);
    pt = p;
    fret = F.at(pt);
    if (nlEvaluationError) {
        printout("Error encountered. Escaping.\n");
        return -1;
    }
    int status = 0;
    for (int pass = 1; pass <= maxPasses && !platform::escapePressed(); ++pass) {
        if (nlEvaluationError) {
            printout("Error encountered. Escaping.\n");
            return -1;
        }
        const double fp = fret;
        int ibig = 0;
        double del = 0.0;
        for (int i = 0; i < n; ++i) {
            xit = directions[i];
            const double fptt = fret;
            if (s.verbose) nlprogress(p.data(), n, fptt);
            linesearch(F, p, xit, fret);
            if (std::fabs(fptt - fret) > del) {
                del = std::fabs(fptt - fret);
                ibig = i;
            }
        }
        bool done = true;
        for (int j = 0; j < n; ++j)
            if (std::fabs(p[j] - pt[j]) > tol[j]) done = false;
        if (done) break;
        if (pass == maxPasses) {
            printout("Too many iterations in function POWELL");
            status = -1;
            break;
        }
        for (int j = 0; j < n; ++j) {
            ptt[j] = 2.0f * p[j] - pt[j];
            xit[j] = p[j] - pt[j];
            pt[j] = p[j];
        }
        const double fptt = F.at(ptt);
        if (fptt < fp) {
            const double t = 2.0 * (fp - 2.0 * fret + fptt) * (fp - fret - del) * (fp - fret - del) -
                             del * (fp - fptt) * (fp - fptt);
            if (t < 0.0) {
                linesearch(F, p, xit, fret);
                directions[ibig] = xit;
            }
        }
    }
    if (nlEvaluationError) {
        printout("Error encountered. Escaping.\n");
        return -1;
    }
    // The series of the point found, not of the point evaluated last.
    fret = F.at(p);
    if (nlEvaluationError) {
        printout("Error encountered. Escaping.\n");
        return -1;
    }

    const int nobs = dateindex(fitEnd) - dateindex(fitStart) + 1;
    double see = fret / nobs;
    see = see > 0.0 ? std::sqrt(see) : MISSING;
    regSee = static_cast<float>(see);
    printout("\n:");
    std::vector<float> rcoef;
    nlestimates(p.data(), n, rcoef);
    rcoef[2 * n + 1] = static_cast<float>(see);
    rcoef[2 * n + 2] = 1.0f;
    rcoef[2 * n + 3] = 1.0f;
    regressionResults["see"] = regSee;
    wssetfreq(currentFrequency);
    wsaddser("depvar", depvar.data());
    wsaddser("predic", predic.data());
    wsaddser("rcoef", rcoef.data());
    if (saveOn == 'y' && saveFile) nlsave(rcoef.data(), s.text);
    std::vector<float> tvalues;
    if (varcov(n, fret, s.text, p.data(), tol.data(), tvalues) == 0 && 3 * n + 7 < 1999) {
        for (int i = 0; i < n; ++i) rcoef[2 * n + 7 + i] = tvalues[i];
        wsaddser("rcoef", rcoef.data());
    }
    return status;
}
