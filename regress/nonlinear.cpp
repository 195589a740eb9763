// Non-linear least squares by the simplex method (nl), the evaluation of an equation kept as
// text for a trial vector of parameters (shared with nlp), the report of the estimates with
// their variance-covariance matrix (varcov) and the saved equation (nlsave).
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "banks/lookup.h"
#include "banks/slots.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/conditional.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "platform/platform.h"
#include "regress/constraints.h"
#include "regress/nlcommon.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "regress/regression.h"
#include "series/rhs.h"
#include "series/series_commands.h"

char nlParamMode = 'n';
const float* nlParams = nullptr;
int nlParamCount = 0;
int nlEvaluations = 0;
bool nlEvaluationError = false;

int nlparamindex(const char* name) {
    if (nlParamMode != 'y' || !nlParams || name[0] != 'a' || !std::isdigit(static_cast<unsigned char>(name[1])))
        return -1;
    for (const char* c = name + 1; *c; ++c)
        if (!std::isdigit(static_cast<unsigned char>(*c))) return -1;
    const long k = std::strtol(name + 1, nullptr, 10);
    return k < nlParamCount ? static_cast<int>(k) : -1;
}

namespace {

constexpr int workLength = 2001;
constexpr int maxEquationLength = 998;
constexpr int maxSimplexEvaluations = 100000;

// Reads count numbers, each the next number token (a '-' before it negates it), over as many
// lines as needed. 0, or -1 when the input ends first, 27 on Escape.
int readparams(std::vector<float>& out, int count, std::FILE* in) {
    char token[80];
    out.clear();
    bool negative = false;
    while (static_cast<int>(out.size()) < count) {
        const int cls = gettoken(token, in, 0, 78);
        if (cls == 'e') return -1;
        if (cls == -1) return 27;
        if (cls == '-') {
            negative = true;
        } else if (cls == 'n') {
            const float v = static_cast<float>(std::strtod(token, nullptr));
            out.push_back(negative ? -v : v);
            negative = false;
        }
    }
    return 0;
}

bool continuesline(int c) { return c != 0 && std::strchr("+-*/_;=,", c) != nullptr; }

// Puts the reader to the equation text for one evaluation and everything back afterwards.
class EvaluationScope {
public:
    EvaluationScope(const std::string& text, const float* params, int n)
        : mode_(nlParamMode), params_(nlParams), count_(nlParamCount), percent_(percentMode) {
        keyboardInput = 'y';
        replayMode = 'n';
        percentMode = 0;  // the text was expanded when it was read
        settypedline(text);
        nlParamMode = 'y';
        nlParams = params;
        nlParamCount = n;
    }
    ~EvaluationScope() {
        nlParamMode = mode_;
        nlParams = params_;
        nlParamCount = count_;
        percentMode = percent_;
    }
    EvaluationScope(const EvaluationScope&) = delete;
    EvaluationScope& operator=(const EvaluationScope&) = delete;

private:
    ReaderPositionSaver position_;
    ReaderSourceSaver source_;
    char mode_;
    const float* params_;
    int count_;
    int percent_;
};

double failed() {
    nlEvaluationError = true;
    return -1.0;
}

}  // namespace

int readnlstatement(std::FILE* in, const char* command, int maxParams, NlStatement& s) {
    int c;
    do {
        c = chop(in);
        if (c == '-') s.verbose = true;
    } while (c == ' ' || c == '\t' || c == '-');
    bool ended = c < 0 || c == 27 || c == 18 || c == 0;
    if (!ended) unchop(c);
    int last = 0;
    while (!ended) {
        c = chop(in);
        if (c < 0 || c == 27 || c == 18 || c == 0 || platform::escapePressed()) break;
        if (c == '\n') {
            if (!continuesline(last)) break;
            c = ' ';
        }
        s.text += static_cast<char>(c);
        last = c;
    }
    if (c == 27) return 27;
    while (!s.text.empty() && (s.text.back() == ' ' || s.text.back() == '\t')) s.text.pop_back();
    if (s.text.empty()) {
        printout("\nError:  in %s command, no equation.\n", command);
        return -1;
    }
    if (static_cast<int>(s.text.size()) > maxEquationLength) {
        printout("\nError:  in %s command, the equation is longer than %d characters.\n", command,
                 maxEquationLength);
        return -1;
    }
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    s.n = cls == 'n' ? std::atoi(token) : 0;
    if (cls != 'n' || s.n < 1) {
        printout("\nError:  in %s command, number of parameters not read correctly.\n", command);
        return cls == -1 ? 27 : -1;
    }
    if (s.n > maxParams) {
        printout("\nError:  in %s command, %d parameters; at most %d are allowed.\n", command, s.n,
                 maxParams);
        return -1;
    }
    int status = readparams(s.start, s.n, in);
    if (status == 0) status = readparams(s.steps, s.n, in);
    if (status == -1)
        printout("\nError:  in %s command, the input ended before the %d start values and %d steps "
                 "were read.\n",
                 command, s.n, s.n);
    nlEvaluations = 0;
    nlEvaluationError = false;
    return status;
}

double nlevaluate(const std::string& text, const float* params, int n, float* depvar, float* predic) {
    fpcheck("before evaluate", -1);
    ++nlEvaluations;
    EvaluationScope scope(text, params, n);
    char token[80];
    int cls;
    int offsets[1] = {0};
    for (;;) {
        cls = gettoken(token, nullptr, 0, 78);
        // (Escape is left to the search that called, which polls it between its steps.)
        if (cls != 'a') break;
        int status;
        if (std::strcmp(token, "f") == 0) status = fcmd(nullptr);
        else if (std::strcmp(token, "r") == 0) status = rcmd(nullptr);
        else if (std::strcmp(token, "con") == 0) status = concmd(nullptr, offsets);
        else break;
        if (status == -1 || status == 27) return failed();
    }
    if (cls != 'a') {
        printout("\nError:  the equation must begin with its dependent series.\n");
        return failed();
    }
    char mode = 's';
    char buffer[3000] = {};
    char* cursor = buffer;
    if (std::strcmp(token, "zero") == 0 || std::strcmp(token, "last") == 0) {
        mode = token[0];
        std::fill(depvar, depvar + workLength, 0.0f);
    } else if (fetchseries(token, depvar, cursor, nullptr, 1) != 0) {
        return failed();
    }
    if (gettoken(token, nullptr, 0, 78) != '=') {
        printout("= sign expected\n");
        return failed();
    }
    buffer[0] = 0;
    cursor = buffer;
    const int d = rhs(predic, nullptr, cursor, sizeof buffer);
    if (d == -1 || d == 27) return failed();
    const int s = dateindex(fitStart), e = dateindex(fitEnd);
    double sum = 0.0;
    if (mode == 'l') {
        sum = predic[e];
    } else {
        for (int t = s; t <= e; ++t) {
            if (mode == 'z') {
                sum += predic[t];
            } else {
                const float diff = predic[t] - depvar[t];
                sum += static_cast<double>(diff) * diff;
            }
        }
    }
    if (!std::isfinite(sum)) {
        printout("\nError:  the objective is not a finite number.\n");
        return failed();
    }
    return sum;
}

void nlestimates(const float* estimates, int n, std::vector<float>& rcoef) {
    rcoef.assign(workLength, 0.0f);
    rcoef[0] = static_cast<float>(n);
    regressionResults.clear();
    for (int i = 0; i < n; ++i) {
        rcoef[i + 1] = estimates[i];
        regressionResults["beta" + std::to_string(i + 1)] = estimates[i];
    }
    regressionResults["ncoef"] = static_cast<float>(n);
}

void nlprogress(const float* point, int n, double value) {
    printout(" %5d", nlEvaluations);
    printout(" %11.5f ", value);
    for (int i = 0; i < n; ++i) {
        if (i % 6 == 5) printout("\n%16s", "");
        printout(" %10.4f", point[i]);
    }
    printout("\n");
}

int varcov(int n, double objective, const std::string& text, const float* estimates, const float* steps,
           std::vector<float>& tvalues) {
    fpcheck("before varcov", -1);
    const int s = dateindex(fitStart), e = dateindex(fitEnd);
    const int nobs = e - s + 1;
    std::vector<float> P2(workLength), P1(workLength), M1(workLength), M2(workLength), spare(workLength);
    // The derivatives of the fitted series by the five-point formula, one row per parameter.
    std::vector<std::vector<float>> J(n, std::vector<float>(nobs + 1, 0.0f));
    for (int i = 0; i < n; ++i) {
        const float h = 0.1f * steps[i];
        std::vector<float> copy(n);
        const float moves[4] = {2 * h, h, -h, -2 * h};
        float* fitted[4] = {P2.data(), P1.data(), M1.data(), M2.data()};
        for (int m = 0; m < 4; ++m) {
            place(copy.data(), estimates, 0, n - 1);
            copy[i] += moves[m];
            nlevaluate(text, copy.data(), n, spare.data(), fitted[m]);
        }
        for (int t = s; t <= e; ++t)
            J[i][t - s] = static_cast<float>(
                (8.0 * P1[t] - P2[t] - 8.0 * M1[t] + static_cast<double>(M2[t])) / (12.0 * h));
    }
    // The cross products of the derivative rows in rows and columns 1 .. n, swept whole.
    Regression r;
    r.eq.k = n;
    r.eq.intercept = 0;
    r.m = Moments(n + 1);
    r.m(0, 0) = 1.0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0.0;
            for (int t = 0; t < nobs; ++t) {
                if (ismissing(J[i][t])) {
                    printout("Missing value in variable %d.", i);
                    printout(" Type a key to continue\n");
                    waitkey();
                    return -1;
                }
                sum += static_cast<double>(J[i][t]) * J[j][t];
            }
            r.m(i + 1, j + 1) = sum;
        }
    const char saved = sweepPredicts;
    sweepPredicts = 'n';
    regsweep(r);
    sweepPredicts = saved;
    auto M = [&](int i, int j) { return r.m(i + 1, j + 1); };

    printout(":");
    printout("%s\n", currentTitle);
    printout("SEE = %f\n", regSee);
    double s2 = nobs > n ? objective / (nobs - n) : 1.0;
    double m00 = M(0, 0);
    if (nobs <= n)
        printout("Warning:  %d observations for %d parameters: no degrees of freedom; s2 is taken "
                 "as 1.\n",
                 nobs, n);
    else if (m00 <= 0.0 || s2 <= 0.0) {
        r.m(1, 1) = m00 = 1.0;
        s2 = 1.0;
        printout("Perfect Fit.\n");
    }
    printout("Param         Coef     T-value      StdDev\n");
    tvalues.assign(n, 0.0f);
    for (int i = 0; i < n; ++i) {
        printout("    a%d    %12.6f", i, estimates[i]);
        const double v = M(i, i) * s2;
        const double sd = v > 0.0 ? std::sqrt(v) : MISSING;
        const double t = estimates[i] / sd;
        tvalues[i] = static_cast<float>(t);
        printout(" %7.2f %12.6f\n", t, sd);
    }
    printout("\n");
    printout("The Variance-Covariance Matrix\n");
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) printout(" %11.4e ", s2 * M(i, j));
        printout("\n");
    }
    if (saveOn == 'y' && stochastic == 'y' && saveFile) {
        std::fprintf(saveFile, "vc_matrix = ");
        for (int i = 0; i < n; ++i) {
            std::fprintf(saveFile, "\n    ");
            for (int j = 0; j < n; ++j) std::fprintf(saveFile, "%13.9f ", s2 * M(i, j));
        }
        std::fprintf(saveFile, "\n");
    }
    return 0;
}

int nlsave(const float* rcoef, const std::string& text) {
    fpcheck("before nlsave", -1);
    if (!saveFile) return 0;
    ReaderPositionSaver position;
    ReaderSourceSaver source;
    keyboardInput = 'y';
    replayMode = 'n';
    settypedline(text);
    std::fprintf(saveFile, "r ");
    char token[80];
    for (;;) {
        const int cls = gettoken(token, nullptr, 0, 78);
        if (cls == 27 || cls == 18 || cls == -1) return cls;
        if (cls == 'f' || cls == 'e' || platform::escapePressed()) break;
        const int k = token[0] == 'a' && std::isdigit(static_cast<unsigned char>(token[1]))
                          ? std::atoi(token + 1)
                          : -1;
        if (k >= 0 && k + 1 < workLength)
            std::fprintf(saveFile, "%7.5f", rcoef[k + 1]);
        else
            std::fprintf(saveFile, "%s", token);
    }
    std::fprintf(saveFile, stochastic == 'y' ? "\ns\n" : "\nd\n");
    return 0;
}

namespace {

// The simplex of nl: n + 1 vertices with their objective values.
class Simplex {
public:
    explicit Simplex(const NlStatement& s)
        : s_(s), n_(s.n), v_(s.n + 1, s.start), f_(s.n + 1, 0.0), depvar_(workLength), predic_(workLength) {
        for (float step : s.steps) tol_.push_back(0.1f * step);
    }

    double F(const std::vector<float>& x) { return nlevaluate(s_.text, x.data(), n_, depvar_.data(), predic_.data()); }

    int best() const {
        int b = 0;
        for (int i = 1; i <= n_; ++i)
            if (f_[i] < f_[b]) b = i;
        return b;
    }
    int worst() const {
        int w = 0;
        for (int i = 1; i <= n_; ++i)
            if (f_[i] > f_[w]) w = i;
        return w;
    }
    bool converged(int b, int w) const {
        for (int j = 0; j < n_; ++j)
            if (std::fabs(v_[b][j] - v_[w][j]) > tol_[j]) return false;
        return true;
    }

    // Builds the simplex around vertex b: 1 when no vertex is better than b (which is then
    // vertex 0 and was evaluated last), 0 after a fresh start, -1 after an evaluation error.
    int restart(int b) {
        const std::vector<float> base = v_[b];
        for (auto& vertex : v_) vertex = base;
        f_[0] = F(v_[0]);
        if (nlEvaluationError) return -1;
        for (int d = 0; d < n_; ++d) {
            std::vector<float>& x = v_[d + 1];
            x[d] = base[d] + s_.steps[d];
            const double plus = F(x);
            x[d] = base[d] - s_.steps[d];
            const double minus = nlEvaluationError ? plus : F(x);
            if (nlEvaluationError) return -1;
            if (plus < minus) {
                x[d] = base[d] + s_.steps[d];
                f_[d + 1] = plus;
            } else {
                f_[d + 1] = minus;
            }
        }
        if (best() != 0) {
            printout("Fresh start.\n");
            return 0;
        }
        f_[0] = F(v_[0]);
        return nlEvaluationError ? -1 : 1;
    }

    void replace(int i, const std::vector<float>& x, double value) {
        v_[i] = x;
        f_[i] = value;
    }

    // One pass of the search; false when it is done (normally: vertex 0 is the best).
    bool pass(int& lo) {
        lo = best();
        const int hi = worst();
        const double flo = f_[lo], fhi = f_[hi];
        if (converged(lo, hi)) {
            const int r = restart(lo);
            if (r == 1) {
                lo = 0;
                return false;
            }
        }
        fpcheck("before reflect", -1);
        std::vector<float> c(n_, 0.0f), xr(n_);
        for (int i = 0; i <= n_; ++i)
            if (i != hi)
                for (int j = 0; j < n_; ++j) c[j] += v_[i][j];
        for (int j = 0; j < n_; ++j) {
            c[j] /= static_cast<float>(n_);
            xr[j] = 2.0f * c[j] - v_[hi][j];
        }
        const double fr = F(xr);
        if (fr < flo) {
            fpcheck("before expand", -1);
            std::vector<float> xe(n_);
            for (int j = 0; j < n_; ++j) xe[j] = 2.0f * xr[j] - c[j];
            const double fe = F(xe);
            if (fe < fr) {
                replace(hi, xe, fe);
                if (due() || s_.verbose) progress(xe, fe);
            } else {
                replace(hi, xr, fr);
                if (due()) progress(xr, fr);
            }
        } else if (fr < fhi) {
            replace(hi, xr, fr);
        } else {
            fpcheck("before contract", -1);
            std::vector<float> xc(n_);
            for (int j = 0; j < n_; ++j) xc[j] = (v_[hi][j] + c[j]) / 2.0f;
            const double fc = F(xc);
            if (fc < fhi) {
                replace(hi, xc, fc);
                if (fc < flo && due()) progress(xc, fc);
            } else {
                fpcheck("before shrink", -1);
                for (int i = 0; i <= n_; ++i) {
                    if (i == lo) continue;
                    for (int j = 0; j < n_; ++j) v_[i][j] = (v_[lo][j] + v_[i][j]) / 2.0f;
                }
                for (int i = 0; i <= n_; ++i) f_[i] = F(v_[i]);
            }
        }
        return true;
    }

    const std::vector<float>& vertex(int i) const { return v_[i]; }
    double value(int i) const { return f_[i]; }
    std::vector<float>& depvar() { return depvar_; }
    std::vector<float>& predic() { return predic_; }

private:
    bool due() const { return platform::secondsNow() - lastProgress_ >= 2.0; }
    void progress(const std::vector<float>& x, double value) {
        nlprogress(x.data(), n_, value);
        lastProgress_ = platform::secondsNow();
    }

    const NlStatement& s_;
    int n_;
    std::vector<std::vector<float>> v_;
    std::vector<double> f_;
    std::vector<float> tol_;
    std::vector<float> depvar_, predic_;
    double lastProgress_ = platform::secondsNow();
};

}  // namespace

int nlcmd(std::FILE* in) {
    NlStatement s;
    const int read = readnlstatement(in, "nl", 20, s);
    if (read != 0) return read;
    const int n = s.n;
    Simplex simplex(s);
    if (s.verbose) {
        printout("Eval   Objective  Parameters\n");
        printout("Count  Function\n");
    }
    simplex.restart(0);
    int lo = simplex.best(), status = 0;
    bool normal = false;
    for (;;) {
        if (platform::escapePressed()) break;
        if (nlEvaluationError) {
            printout("Error encountered. Escaping\n");
            return -1;
        }
        if (nlEvaluations >= maxSimplexEvaluations) {
            printout("\nError:  in nl command, no convergence after %d evaluations; the best point is "
                     "kept.\n",
                     maxSimplexEvaluations);
            status = -1;
            break;
        }
        if (!simplex.pass(lo)) {
            normal = !nlEvaluationError;
            break;
        }
    }
    if (nlEvaluationError) {
        printout("Error encountered. Escaping\n");
        return -1;
    }
    // After Escape or the cap: the best vertex found so far (a vertex may have been replaced
    // since the last pass began), evaluated again so that the series are its own and not
    // those of the point evaluated last.
    if (!normal) lo = simplex.best();
    const std::vector<float> b = simplex.vertex(lo);
    double Fb = simplex.value(lo);
    if (!normal) Fb = simplex.F(b);
    if (nlEvaluationError) {
        printout("Error encountered. Escaping\n");
        return -1;
    }
    const std::vector<float>& depvar = simplex.depvar();
    const std::vector<float>& predic = simplex.predic();

    const int first = dateindex(fitStart), last = dateindex(fitEnd);
    const int nobs = last - first + 1;
    std::vector<float> rcoef, resid(workLength, 0.0f);
    nlestimates(b.data(), n, rcoef);
    const double see = safesqrt(Fb / nobs);
    regSee = static_cast<float>(see);
    regressionResults["see"] = regSee;
    double ss = 0.0, ds = 0.0;
    for (int t = first; t <= last; ++t) {
        resid[t] = predic[t] - depvar[t];
        ss += static_cast<double>(resid[t]) * resid[t];
        if (t > first) {
            const double d = static_cast<double>(resid[t]) - resid[t - 1];
            ds += d * d;
        }
    }
    const double dw = ss > 0.0 ? ds / ss : 2.0;
    const double rho = 1.0 - dw / 2.0;
    regressionResults["dw"] = static_cast<float>(dw);
    regressionResults["rho"] = static_cast<float>(rho);
    rcoef[2 * n + 1] = static_cast<float>(see);
    rcoef[2 * n + 2] = 1.0f;
    rcoef[2 * n + 3] = static_cast<float>(rho);
    wssetfreq(currentFrequency);
    wsaddser("depvar", depvar.data());
    wsaddser("predic", predic.data());
    wsaddser("rcoef", rcoef.data());
    wsaddser("resid", resid.data());
    if (saveOn == 'y' && saveFile) {
        nlsave(rcoef.data(), s.text);
        if (stochastic == 'y') {
            std::fprintf(saveFile, "rho %12.6f\n", rho);
            std::fprintf(saveFile, "see %12.6f\n", see);
        }
    }
    std::vector<float> tvalues;
    varcov(n, Fb, s.text, b.data(), s.steps.data(), tvalues);
    return status;
}
