// The multinomial logit: a block of equations, one per alternative (its share or 0/1 choice
// and its regressors; exactly one alternative without regressors, the normalized one),
// estimated by maximum likelihood with the quasi-Newton minimiser; then the covariance of
// the coefficients, the marginal effects at the means, the period errors and their rho, the
// report, the model description in the save file and the series of every alternative.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "banks/lookup.h"
#include "core/date.h"
#include "core/matrix_algebra.h"
#include "core/missing.h"
#include "core/printout.h"
#include "core/workarrays.h"
#include "interp/addfile.h"
#include "interp/echo_commands.h"
#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "interp/state.h"
#include "interp/switches.h"
#include "interp/tokens.h"
#include "platform/platform.h"
#include "regress/constraints.h"
#include "regress/estimators.h"
#include "regress/logit.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "series/series_state.h"

std::uint8_t rhoadjSwitch = 1;

float clampexp(float x) {
    if (x >= floatLogMax) return floatExpMax;
    if (x <= floatLogMin) return floatExpMin;
    return std::exp(x);
}

double clamplog(double x) {
    if (x >= -0.0000011 && x <= -0.0000009) return MISSING;
    if (x > doubleMax) return doubleLogOfMax;
    if (x > doubleExpMin) return std::log(x);
    if (x > 0.0) return doubleLogMin;
    return MISSING;
}

double dmin(double a, double b) { return a < b ? a : b; }

namespace {

constexpr int maxEquations = 60;
constexpr int maxColumns = 500;
constexpr int nameArea = 1500;

// The exponential of a difference of utilities, cut off at the double limits. Unlike the
// exponential of series values it has no missing band: a difference of -0.000001 is an
// ordinary number.
double expdiff(double x) {
    if (x >= doubleLogMax) return doubleExpMax;
    if (x <= doubleLogMin) return doubleExpMin;
    return std::exp(x);
}

// The block of sub-commands up to "do": 0, or -1 (reported) when it is not to be estimated.
int readlogitblock(std::FILE* in, LogitRun& run, int first, int last) {
    char token[80];
    int columns = 0, nameBytes = 0;
    for (;;) {
        const int cls = blockword(in, token);
        if (cls == 'e' || cls == -1) {
            printout("\nError:  the input ended before \"do\"; nothing is estimated.\n");
            return -1;
        }
        if (cls == '"') {
            skipstatement(in);
            continue;
        }
        const std::string w = token;
        auto starts = [&](const char* prefix) { return w.rfind(prefix, 0) == 0; };
        if (w == "add") {
            simpleadd(in);
        } else if (starts("pa")) {
            waitkey();
        } else if (starts("q")) {
            return -1;
        } else if (starts("r")) {
            if (static_cast<int>(run.eqs.size()) >= maxEquations)
                throw Jex7Errors("too many equations in logit regression");
            Equation eq;
            const int status = xmatrix(eq, in, first, last, run.N);
            if (status != 0) return -1;
            eq.columns.pop_back();  // the spare column of the residuals
            columns += static_cast<int>(eq.columns.size());
            nameBytes += eq.nameBytes;
            if (columns > maxColumns) {
                printout("\nError:  in logit command, the equations take more than %d columns.\n",
                         maxColumns);
                return -1;
            }
            if (nameBytes > nameArea) {
                printout("\nError:  in logit command, the names of the variables take more than %d "
                         "characters.\n",
                         nameArea);
                return -1;
            }
            run.eqs.push_back(std::move(eq));
        } else if (starts("sav")) {
            savecmd(in);
        } else if (starts("t")) {
            titlecmd(in);
        } else if (w == "do") {
            break;
        } else {
            printout("\n bad code ");
            skipstatement(in);
        }
        if (platform::escapePressed()) {
            printout("\nEscape: nothing is estimated.\n");
            return -1;
        }
    }
    int normalized = 0, at = 0;
    for (std::size_t e = 0; e < run.eqs.size(); ++e)
        if (run.eqs[e].intercept == -1) {
            ++normalized;
            at = static_cast<int>(e);
        }
    if (normalized != 1) {
        printout("Error:  in logit function, parameters for one equation\n must be normalized to zero.\n");
        return -1;
    }
    std::rotate(run.eqs.begin(), run.eqs.begin() + at, run.eqs.begin() + at + 1);
    return 0;
}

// Y, X, the coefficient ranges and the regressor names from the equations.
void layout(LogitRun& run) {
    const int J = run.J = static_cast<int>(run.eqs.size());
    run.start.assign(J + 1, 0);
    run.count.assign(J + 1, 0);
    int K = 0;
    for (int e = 2; e <= J; ++e) {
        run.start[e] = K;
        run.count[e] = run.eqs[e - 1].k;
        K += run.eqs[e - 1].k;
    }
    run.K = K;
    const int N = run.N;
    run.X.assign(static_cast<std::size_t>(N) * K, 0.0);
    run.Y.assign(static_cast<std::size_t>(N) * J, 0.0f);
    run.names.assign(K, nullptr);
    for (int e = 1; e <= J; ++e) {
        const Equation& eq = run.eqs[e - 1];
        for (int t = 0; t < N; ++t) run.Y[static_cast<std::size_t>(t) * J + e - 1] = eq.columns[0][t];
        for (int j = 1; j <= eq.k; ++j) {
            const int k = run.start[e] + j - 1;
            run.names[k] = &eq.names[j];
            for (int t = 0; t < N; ++t) run.X[static_cast<std::size_t>(t) * K + k] = eq.columns[j][t];
        }
    }
    run.u.assign(J + 1, 0.0);
    run.p.assign(J + 1, 0.0f);
}

// The negative log-likelihood over the fit observations.
double logitloglik(Vector<double>& beta, SolverContext& context) {
    LogitRun& run = static_cast<LogitRun&>(context);
    const int J = run.J, K = run.K;
    std::vector<double>& u = run.u;
    double sum = 0.0;
    for (int t = 0; t < run.n; ++t) {
        const double m = logitutilities(run, run.X.data() + static_cast<std::size_t>(t) * K, beta, u);
        double S = 0.0;
        for (int e = 1; e <= J; ++e) S += expdiff(u[e] - m);
        const double L = clamplog(S) + m;
        const float* y = run.Y.data() + static_cast<std::size_t>(t) * J;
        for (int e = 1; e <= J; ++e)
            if (!ismissing(y[e - 1])) sum += (u[e] - L) * y[e - 1];
    }
    return -sum;
}

// The gradient of the negative log-likelihood into g and, when wanted, the information
// matrix into H.
void logitgradient(Vector<double>& beta, Vector<double>& g, SolverContext& context) {
    LogitRun& run = static_cast<LogitRun&>(context);
    const int J = run.J, K = run.K;
    if (g.count() != K) g.resize(K, 1);
    g.fill(0.0);
    if (run.wantH) {
        run.H.resize(K, K);
        run.H.fill(0.0);
    }
    double* gd = g.data();
    std::vector<double>& u = run.u;
    std::vector<float>& P = run.p;
    for (int t = 0; t < run.n; ++t) {
        const double* x = run.X.data() + static_cast<std::size_t>(t) * K;
        const double m = logitutilities(run, x, beta, u);
        float S = 0.0f;
        for (int e = 1; e <= J; ++e) {
            P[e] = clampexp(static_cast<float>(u[e] - m));
            S += P[e];
        }
        for (int e = 1; e <= J; ++e) P[e] /= S;
        // The observation's weight in the likelihood: the sum of its shares that are not
        // missing (1 for complete shares or a choice). A missing share drops its own term
        // of the likelihood, but its probability still enters the other terms through L.
        const float* y = run.Y.data() + static_cast<std::size_t>(t) * J;
        double weight = 0.0;
        for (int e = 1; e <= J; ++e)
            if (!ismissing(y[e - 1])) weight += y[e - 1];
        for (int e = 2; e <= J; ++e) {
            const double d = weight * P[e] - (ismissing(y[e - 1]) ? 0.0 : y[e - 1]);
            for (int k = run.start[e]; k < run.start[e] + run.count[e]; ++k) gd[k] += d * x[k];
        }
        if (!run.wantH) continue;
        for (int e1 = 2; e1 <= J; ++e1)
            for (int e2 = 2; e2 <= J; ++e2) {
                const double w = weight * P[e1] * ((e1 == e2 ? 1.0 : 0.0) - P[e2]);
                for (int k = run.start[e1]; k < run.start[e1] + run.count[e1]; ++k) {
                    double* row = run.H.rowAt(k);
                    const double xk = x[k] * w;
                    for (int l = run.start[e2]; l < run.start[e2] + run.count[e2]; ++l) row[l] += xk * x[l];
                }
            }
    }
}

// The period-error equations of observation run.obs: for each alternative e >= 2 the model's
// probability with the utilities shifted by x minus the observed share.
void logitperioderrors(Vector<double>& x, SolverContext& context) {
    LogitRun& run = static_cast<LogitRun&>(context);
    const int J = run.J, K = run.K, t = run.obs - 1;
    std::vector<double>& u = run.u;
    const double m = logitutilities(run, run.X.data() + static_cast<std::size_t>(t) * K, run.beta, u);
    double S = expdiff(-m);
    for (int e = 2; e <= J; ++e) S += expdiff(u[e] + x[e - 1] - m);
    const double L = clamplog(S) + m;
    Vector<double>& f = *run.functionValues;
    const float* y = run.Y.data() + static_cast<std::size_t>(t) * J;
    for (int e = 2; e <= J; ++e)
        f[e - 1] = static_cast<double>(clampexp(static_cast<float>(u[e] + x[e - 1] - L))) - y[e - 1];
}

// The covariance matrices of the marginal effects at the means, one per alternative, and
// the variance of each coefficient's own effect.
void marginaleffects(LogitRun& run, std::vector<Matrix<double>>& C, std::vector<double>& s2) {
    const int J = run.J, K = run.K, N = run.N;
    std::vector<double> xbar(K, 0.0);
    for (int t = 0; t < N; ++t)
        for (int k = 0; k < K; ++k) xbar[k] += run.X[static_cast<std::size_t>(t) * K + k];
    for (double& v : xbar) v /= N;
    std::vector<double> u(J + 1);
    const double m = logitutilities(run, xbar.data(), run.beta, u);
    std::vector<float> P(J + 1);
    float S = 0.0f;
    for (int e = 1; e <= J; ++e) {
        P[e] = clampexp(static_cast<float>(u[e] - m));
        S += P[e];
    }
    for (int e = 1; e <= J; ++e) P[e] /= S;
    auto delta = [](int a, int b) { return a == b ? 1.0 : 0.0; };
    C.clear();
    s2.assign(K, 0.0);
    for (int e = 1; e <= J; ++e) {
        Matrix<double> D(K, K);
        D.fill(0.0);
        for (int e1 = 2; e1 <= J; ++e1)
            for (int e2 = 2; e2 <= J; ++e2)
                for (int k = run.start[e1]; k < run.start[e1] + run.count[e1]; ++k)
                    for (int l = run.start[e2]; l < run.start[e2] + run.count[e2]; ++l) {
                        const double xb = xbar[l] * run.beta[k + 1];
                        D(k + 1, l + 1) =
                            P[e] * ((delta(e, e1) - P[e1]) * ((delta(e, e2) - P[e2]) * xb + delta(k, l)) -
                                    (delta(e1, e2) - P[e2]) * P[e1] * xb);
                    }
        C.push_back((D * run.H) * transpose(D));
        if (e >= 2)
            for (int k = run.start[e]; k < run.start[e] + run.count[e]; ++k) s2[k] = C.back()(k + 1, k + 1);
    }
}

// The period errors of every fit observation and the rho of each alternative.
void perioderrors(LogitRun& run) {
    const int J = run.J, n = run.n;
    Vector<double> x(J - 1, 1);
    run.vectorFunction = logitperioderrors;
    for (int t = 1; t <= n; ++t) {
        run.obs = t;
        x.fill(0.0);
        int check = 0;
        broydn(x, check, logitperioderrors, run);
        for (int c = 1; c <= J - 1; ++c) run.R(t, c) = x[c];
    }
    run.vectorFunction = nullptr;
    for (int c = 1; c <= J - 1; ++c) {
        double sa = 0.0, sb = 0.0, sab = 0.0, saa = 0.0;
        for (int t = 2; t <= n; ++t) {
            const double a = run.R(t - 1, c), b = run.R(t, c);
            sa += a;
            sb += b;
            sab += a * b;
            saa += a * a;
        }
        const double np = n - 1;
        const double den = np * saa - sa * sa;
        // With two observations, or errors that do not vary, the slope does not exist.
        double rho = den > 1e-12 * np * saa ? (np * sab - sa * sb) / den : 0.0;
        if (!std::isfinite(rho)) rho = 0.0;
        rho = rho > 0.0 ? dmin(rho, 0.99) : -dmin(-rho, 0.99);
        run.rho[c - 1] = rho;
        run.mu[c - 1] = 0.0;
    }
}

void datelines() {
    printout("Start date:\t\t%8.3f\n", fitStart);
    printout("Middle date:\t%8.3f\n", fitEnd);
    printout("End date:\t\t%8.3f\n", testEnd);
}

// The description of the model for the model-building tool, in the save file.
void modelfile(const LogitRun& run) {
    const int J = run.J;
    std::vector<std::string> indep;
    for (int k = 0; k < run.K; ++k)
        if (*run.names[k] != "intercept") indep.push_back(*run.names[k]);
    std::sort(indep.begin(), indep.end(), [](const std::string& a, const std::string& b) {
        return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    indep.erase(std::unique(indep.begin(), indep.end()), indep.end());
    indep.insert(indep.begin(), "intercept");
    const int q = static_cast<int>(indep.size()) + 1;
    std::FILE* f = saveFile;
    std::fprintf(f, "# Dependent variables:    ");
    for (const Equation& eq : run.eqs) std::fprintf(f, "%s  ", eq.names[0].c_str());
    std::fprintf(f, "\n# Independent variables:  ");
    for (const std::string& s : indep) std::fprintf(f, "%s  ", s.c_str());
    std::fprintf(f, "\n# Variable Name         Rho      Indep-Parameters... Period[T]-Error\n");
    char date[JexDate::textSize];
    JexDate(fitEnd).print(date, '4');
    std::fprintf(f, "%d %d %s\n", J, q, date);
    for (int e = 1; e <= J; ++e) {
        const std::string& dep = run.eqs[e - 1].names[0];
        std::vector<char> stem(dep.size() + 1);
        const int number = splitdigits(dep.c_str(), stem.data());
        std::fprintf(f, "%s %d ", stem.data(), number);
        std::fprintf(f, " %c %d\n", 'a', q);
        for (int i = 1; i <= q; ++i) std::fprintf(f, " %d", i);
        std::fprintf(f, "\n%9.5f ", e == 1 ? 0.0 : run.rho[e - 2]);
        for (const std::string& s : indep) {
            float value = 0.0f;
            for (int k = run.start[e]; k < run.start[e] + run.count[e]; ++k)
                if (*run.names[k] == s) value = static_cast<float>(run.beta[k + 1]);
            std::fprintf(f, "%15.10f ", value);
        }
        std::fprintf(f, "%15.10f ", e == 1 ? 0.0 : run.R(run.n, e - 1));
        std::fprintf(f, "\n");
    }
    std::fprintf(f, "\n");
}

// Minimises, reports and predicts. 0, or -1 when the minimiser failed.
int estimate(LogitRun& run) {
    const int J = run.J, K = run.K, n = run.n, N = run.N;
    run.beta.resize(K, 1);
    run.beta.fill(0.0);
    for (int e = 2; e <= J; ++e) {
        double mean = 0.0;
        for (int t = 0; t < N; ++t) mean += run.Y[static_cast<std::size_t>(t) * J + e - 1];
        mean /= N;
        run.beta[run.start[e] + 1] = mean > doubleExpMin ? clamplog(mean) : 0.0;
    }
    fpcheck("mid logit 1", -1);
    int iterations = 0, status = -1;
    double fret = 0.0;
    for (int call = 0; call < 10 && status != 0; ++call) {
        int iter = 0;
        status = dfpmin(run.beta, 1e-12, iter, fret, logitloglik, logitgradient, run);
        iterations += iter;
        fpcheck("looping on dfpmin, after calling dfpmin", -1);
    }
    fpcheck("after dfpmin", -1);
    regressionResults["ncoef"] = static_cast<float>(K);
    const int freedom = n * J - K;
    if (status != 0) {
        printout("Error:  In Logit command.\n");
        printout("Iterations of quasi-Newton optimization routine:  %d\n", iterations);
        printout("Log-likelihood: = %f\n", fret);
        datelines();
        printout("Degrees of Freedom:  %d\n", freedom);
        printout("----------------------------\n");
        printout("Variable Name              Parameter\n");
        for (int k = 1; k <= K; ++k) {
            printout("%c%d", 'a', k - 1);
            printout(" %-15s", run.names[k - 1]->c_str());
            printout("\t%15.10f\n", run.beta[k]);
            regressionResults["beta" + std::to_string(k)] = static_cast<float>(run.beta[k]);
        }
        printout("\n");
        return -1;
    }

    run.wantH = true;
    Vector<double> g(K, 1);
    logitgradient(run.beta, g, run);
    run.wantH = false;
    run.H.invert();
    fpcheck("mid logit 7", -1);
    std::vector<Matrix<double>> C;
    std::vector<double> s2;
    marginaleffects(run, C, s2);
    fpcheck("mid logit 8", -1);
    run.R.resize(n, J - 1);
    run.R.fill(0.0);
    run.rho.assign(J - 1, 0.0);
    run.mu.assign(J - 1, 0.0);
    fpcheck("before broyden", -1);
    if (rhoadjSwitch == 1) perioderrors(run);

    const int c = (90 - static_cast<int>(std::strlen(currentTitle))) / 2;
    printout(":%*s%s\n", c > 0 ? c - 1 : 0, "", currentTitle);
    printout("Multinomial Logit Model.\n");
    printout("Iterations of quasi-Newton optimization routine:  %d\n", iterations);
    printout("Log-likelihood: = %f\n", fret);
    datelines();
    printout("Degrees of Freedom:  %d\n", freedom);
    printout("----------------------------\n");
    printout("Variable Name              Parameter         Std. Dev.        t-Statistics           Mu            Rho      \n");
    regressionResults["ncoef"] = static_cast<float>(K);
    regressionResults["logl"] = static_cast<float>(fret);
    for (int e = 2; e <= J; ++e)
        for (int k = run.start[e]; k < run.start[e] + run.count[e]; ++k) {
            if (k == run.start[e]) printout("Dependent Variable: %s\n", run.eqs[e - 1].names[0].c_str());
            const double b = run.beta[k + 1];
            const double s = safesqrt(s2[k]);
            printout("%c%d", 'a', k);
            printout(" %-15s", run.names[k]->c_str());
            printout("\t%15.10f\t%15.10f\t%15.10f", b, s, b / s);
            if (k == run.start[e]) printout("\t%9.5f \t%9.5f", run.mu[e - 2], run.rho[e - 2]);
            printout("\n");
            regressionResults["beta" + std::to_string(k + 1)] = static_cast<float>(b);
        }
    printout("\n");
    fpcheck("before vcprint", -1);
    if (showRelations == 1) {
        run.H.print("Variance-Covariance Matrix of Regression Coefficients", 15, 10);
        C[0].print("Marginal effects for normalized equation.", 15, 10);
        for (int e = 2; e <= J; ++e) {
            const std::string title = "Marginal effects for equation " + run.eqs[e - 1].names[0];
            C[e - 1].print(title.c_str(), 15, 10);
        }
    }
    if (saveOn == 'y' && saveFile) modelfile(run);
    fpcheck("before predictlogit", -1);
    std::vector<float> residuals(2000, 0.0f);
    for (int a = 1; a <= J; ++a) predictlogit(run, a, residuals);
    return 0;
}

}  // namespace

double logitutilities(const LogitRun& run, const double* x, const Vector<double>& beta,
                      std::vector<double>& u) {
    const double* b = beta.data();
    double m = 0.0;
    u[1] = 0.0;
    for (int e = 2; e <= run.J; ++e) {
        double s = 0.0;
        for (int k = run.start[e]; k < run.start[e] + run.count[e]; ++k) s += x[k] * b[k];
        u[e] = s;
        if (s > m) m = s;
    }
    return m;
}

int logitcmd(std::FILE* in) {
    regressionResults.clear();
    char token[80];
    const int cls = gettoken(token, in, 0, 78);
    if ((cls == 'a' || cls == '"') && std::strcmp(token, "rhoadj") == 0) {
        const int next = gettoken(token, in, 0, 78);
        if ((next == 'a' || next == '"') && (token[0] == 'y' || token[0] == 'n')) {
            rhoadjSwitch = token[0] == 'y' ? 1 : 0;
            return 0;
        }
        printout("\nError:  in \"logit rhoadj\" command, the next word must be [yes | no].\n");
        return -1;
    }
    ungettoken();
    clearcons();
    const int first = dateindex(fitStart);
    const int middle = dateindex(fitEnd);
    const int last = dateindex(testEnd);
    const char* which = first == -1 ? "first" : middle == -1 ? "second" : last == -1 ? "third" : nullptr;
    if (which) {
        printout("\nError:  in logit command, %s date is before workspace begins.\n", which);
        return -1;
    }
    if (checklimits("logit", first, middle, last) != 0) return -1;
    fpcheck("before logit", -1);
    int status = -1;
    try {
        LogitRun run;
        run.first = first;
        run.n = middle - first + 1;
        run.N = last - first + 1;
        if (readlogitblock(in, run, first, last) == 0) {
            fpcheck("mid logit 2", -1);
            layout(run);
            if (run.K == 0) {
                printout("\nError:  in logit command, no alternative has a regressor.\n");
            } else {
                fpcheck("mid logit 3", -1);
                status = estimate(run);
            }
        }
    } catch (const Jex7Errors& e) {
        printout("%s", e.text());
        fpcheck("in logit command.", -1);
        printout("Error:  in logit command.\n");
        status = -1;
    }
    clearcons();
    return status;
}
