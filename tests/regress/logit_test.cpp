// The logit command against maximum likelihood computed here by Newton's method in double
// precision on the float-rounded data: the coefficients, the minimised objective, the
// covariance (the inverse of the information matrix), the marginal effects at the means by
// the delta method with a numerically differentiated Jacobian, the period errors as log-odds
// residuals and their rho, the forecasts, and the refusals of malformed blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "interp/percent_functions.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"
#include "series/series_state.h"


namespace regresstest {
namespace logit_test {

using Matrix2 = std::vector<std::vector<double>>;

Matrix2 inverse(const Matrix2& a) { return inversematrix(a); }

// A multinomial logit problem: alternative 0 normalized; alternative e >= 1 has the regressor
// rows x[e][t] (its own coefficients, in order); y[t][e] the shares (NaN for a missing one).
struct Problem {
    int J = 0;
    std::vector<std::vector<Column>> x;  // [e][t]
    std::vector<Column> y;               // [t][e]
    int n = 0;                           // fit observations (the first n rows)

    int K() const {
        int k = 0;
        for (int e = 1; e < J; ++e) k += static_cast<int>(x[e][0].size());
        return k;
    }
    std::vector<double> utilities(const std::vector<double>& b, int t) const {
        std::vector<double> u(J, 0.0);
        int c = 0;
        for (int e = 1; e < J; ++e)
            for (double v : x[e][t]) u[e] += b[c++] * v;
        return u;
    }
    std::vector<double> probabilities(const std::vector<double>& u) const {
        double s = 0.0;
        std::vector<double> p(J);
        for (int e = 0; e < J; ++e) s += p[e] = std::exp(u[e]);
        for (double& v : p) v /= s;
        return p;
    }
    double negloglik(const std::vector<double>& b) const {
        double sum = 0.0;
        for (int t = 0; t < n; ++t) {
            const std::vector<double> u = utilities(b, t);
            double s = 0.0;
            for (double v : u) s += std::exp(v);
            for (int e = 0; e < J; ++e)
                if (!std::isnan(y[t][e])) sum += y[t][e] * (u[e] - std::log(s));
        }
        return -sum;
    }
    // The Hessian of the negative log-likelihood, each observation weighted by the sum of
    // its shares that are not missing (1 for complete shares).
    Matrix2 hessian(const std::vector<double>& b, bool weighted) const {
        const int K = this->K();
        Matrix2 H(K, Column(K, 0.0));
        for (int t = 0; t < n; ++t) {
            const std::vector<double> p = probabilities(utilities(b, t));
            double w = 0.0;
            for (int e = 0; e < J; ++e) w += std::isnan(y[t][e]) ? 0.0 : y[t][e];
            if (!weighted) w = 1.0;
            int r = 0;
            for (int e1 = 1; e1 < J; ++e1)
                for (double xk : x[e1][t]) {
                    int c = 0;
                    for (int e2 = 1; e2 < J; ++e2)
                        for (double xl : x[e2][t]) {
                            H[r][c] += w * xk * xl * p[e1] * ((e1 == e2 ? 1.0 : 0.0) - p[e2]);
                            ++c;
                        }
                    ++r;
                }
        }
        return H;
    }
    std::vector<double> newton() const {
        const int K = this->K();
        std::vector<double> b(K, 0.0);
        for (int it = 0; it < 100; ++it) {
            Column g(K, 0.0);
            for (int t = 0; t < n; ++t) {
                const std::vector<double> p = probabilities(utilities(b, t));
                double w = 0.0;
                for (int e = 0; e < J; ++e) w += std::isnan(y[t][e]) ? 0.0 : y[t][e];
                int c = 0;
                for (int e = 1; e < J; ++e)
                    for (double v : x[e][t]) {
                        g[c] += (w * p[e] - (std::isnan(y[t][e]) ? 0.0 : y[t][e])) * v;
                        ++c;
                    }
            }
            const Matrix2 Hi = inverse(hessian(b, true));
            for (int i = 0; i < K; ++i)
                for (int j = 0; j < K; ++j) b[i] -= Hi[i][j] * g[j];
        }
        return b;
    }
};

double f32(double v) { return static_cast<float>(v); }

const std::vector<float> xBinary = {1.2f, 2.5f, 0.7f, 3.1f, 2.2f, 1.8f, 3.6f, 0.4f, 2.9f, 1.5f,
                                    2.0f, 3.3f, 0.9f, 2.7f, 1.1f, 3.0f, 1.7f, 2.4f, 0.6f, 3.4f};
const std::vector<float> dBinary = {0, 1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 0, 1, 1, 1, 0, 1};
const std::vector<float> p2 = {0.96f, 1.11f, 1.12f, 1.33f, 1.46f, 1.48f, 1.62f, 1.71f, 1.78f, 1.86f, 1.90f, 2.17f};
const std::vector<float> p3 = {1.50f, 1.58f, 1.44f, 1.36f, 1.27f, 1.32f, 1.17f, 1.23f, 1.08f, 1.06f, 0.92f, 1.07f};
const std::vector<float> s1 = {.338f, .372f, .358f, .405f, .405f, .420f, .423f, .454f, .452f, .446f, .441f, .456f};
const std::vector<float> s2 = {.476f, .432f, .435f, .351f, .327f, .300f, .278f, .248f, .218f, .209f, .188f, .156f};
const std::vector<float> s3 = {.186f, .196f, .207f, .244f, .268f, .280f, .299f, .298f, .330f, .345f, .371f, .388f};

Problem binaryproblem() {
    Problem p;
    p.J = 2;
    p.n = 20;
    p.x.resize(2);
    for (int t = 0; t < 20; ++t) {
        p.x[1].push_back({1.0, f32(xBinary[t])});
        p.y.push_back({1.0 - dBinary[t], dBinary[t]});
    }
    return p;
}

Problem shareproblem(int n = 10) {
    Problem p;
    p.J = 3;
    p.n = n;
    p.x.resize(3);
    for (int t = 0; t < 12; ++t) {
        p.x[1].push_back({1.0, f32(p2[t])});
        p.x[2].push_back({1.0, f32(p3[t])});
        p.y.push_back({f32(s1[t]), f32(s2[t]), f32(s3[t])});
    }
    return p;
}

class Logit : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        store("x", xBinary);
        store("d", dBinary);
        std::vector<float> d0;
        for (float v : dBinary) d0.push_back(1.0f - v);
        store("d0", d0);
        store("p2", p2);
        store("p3", p3);
        store("s1", s1);
        store("s2", s2);
        store("s3", s3);
    }
    int logit(std::vector<std::string> lines) { return replayed(logitcmd, std::move(lines)); }

    int logitsaving(std::vector<std::string> lines, std::string& model) {
        return runsaving(logitcmd, std::move(lines), model);
    }
};

// The number printed after `label` in `text` (searching from `from`).
double numberafter(const std::string& text, const std::string& label, std::size_t from = 0) {
    const std::size_t at = text.find(label, from);
    if (at == std::string::npos) return NAN;
    return std::strtod(text.c_str() + at + label.size(), nullptr);
}

// The coefficient line of a<k>: parameter, standard deviation, t, and (first of an
// equation) mu and rho.
std::vector<double> coefficientline(const std::string& text, int k) {
    const std::string label = "\na" + std::to_string(k) + " ";
    const std::size_t at = text.find(label);
    std::vector<double> v;
    if (at == std::string::npos) return v;
    const std::size_t end = text.find('\n', at + 1);
    std::istringstream line(text.substr(at + label.size(), end - at - label.size()));
    std::string name;
    line >> name;
    double d;
    while (line >> d) v.push_back(d);
    return v;
}

TEST_F(Logit, BinaryChoiceIsMaximumLikelihoodWithDeltaMethodStandardDeviations) {
    limits(1990, 2009, 2009);
    ASSERT_EQ(run(logitcmd, "rhoadj no"), 0);
    EXPECT_EQ(rhoadjSwitch, 0);
    regressionResults["rsq"] = 0.5f;
    showRelations = 1;
    ASSERT_EQ(logit({"r d0", "r d = x", "do"}), 0) << output();
    const std::string text = output();

    const Problem p = binaryproblem();
    const std::vector<double> b = p.newton();
    EXPECT_TRUE(closeto(b[0], -4.65730, 1e-5));  // the published figures
    EXPECT_TRUE(closeto(b[1], 2.24294, 1e-5));
    EXPECT_TRUE(closeto(beta(1), b[0], 1e-4));
    EXPECT_TRUE(closeto(beta(2), b[1], 1e-4));
    EXPECT_TRUE(closeto(stat("logl"), p.negloglik(b), 1e-6));
    EXPECT_NE(text.find("Log-likelihood: = 7.876428\n"), std::string::npos) << text;
    EXPECT_EQ(stat("ncoef"), 2.0f);
    EXPECT_EQ(regressionResults.count("rsq"), 0u);
    EXPECT_NE(text.find("Degrees of Freedom:  38\n"), std::string::npos);

    // The marginal effect of coefficient k on P(d) at the means, P(1-P) b_k; its Jacobian by
    // central differences; the variance J V J'.
    const Matrix2 V = inverse(p.hessian(b, true));
    double xbar = 0.0;
    for (float v : xBinary) xbar += f32(v);
    xbar /= 20;
    auto effect = [&](const std::vector<double>& c, int k) {
        const double P = 1.0 / (1.0 + std::exp(-(c[0] + c[1] * xbar)));
        return P * (1.0 - P) * c[k];
    };
    for (int k = 0; k < 2; ++k) {
        std::vector<double> jac(2);
        for (int l = 0; l < 2; ++l) {
            std::vector<double> hi = b, lo = b;
            hi[l] += 1e-6;
            lo[l] -= 1e-6;
            jac[l] = (effect(hi, k) - effect(lo, k)) / 2e-6;
        }
        double var = 0.0;
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) var += jac[i] * V[i][j] * jac[j];
        const std::vector<double> line = coefficientline(text, k);
        ASSERT_GE(line.size(), 3u) << text;
        EXPECT_TRUE(closeto(line[0], b[k], 1e-6));
        EXPECT_TRUE(closeto(line[1], std::sqrt(var), 1e-4)) << k;
        EXPECT_TRUE(closeto(line[2], b[k] / std::sqrt(var), 1e-4)) << k;
    }
    const std::vector<double> first = coefficientline(text, 0);
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[3], 0.0);  // mu and rho with rhoadj off
    EXPECT_EQ(first[4], 0.0);
    EXPECT_NE(text.find("  0.00000 \t  0.00000\n"), std::string::npos);

    // The covariance matrix printed after "cmtype yes".
    const std::size_t vc = text.find("Variance-Covariance Matrix of Regression Coefficients\n");
    ASSERT_NE(vc, std::string::npos);
    EXPECT_TRUE(closeto(numberafter(text, "  1   1 ", vc), V[0][0], 1e-4));
    EXPECT_TRUE(closeto(numberafter(text, "  2   1 ", vc), V[1][0], 1e-4));
    EXPECT_TRUE(closeto(V[0][0], 4.14775, 1e-4));
    EXPECT_NE(text.find("Marginal effects for normalized equation."), std::string::npos);
    EXPECT_NE(text.find("Marginal effects for equation d\n"), std::string::npos);

    // The fitted probabilities and residuals of the chosen alternative.
    const std::vector<float> predic = series("predic2"), resid = series("resid2");
    for (int t = 0; t < 20; ++t) {
        const double P = 1.0 / (1.0 + std::exp(-(b[0] + b[1] * f32(xBinary[t]))));
        EXPECT_NEAR(predic[t], P, 2e-5) << t;
        EXPECT_NEAR(resid[t], P - dBinary[t], 2e-5) << t;
    }
    EXPECT_TRUE(ismissing(series("bpred2")[3]));
    EXPECT_EQ(lagDepIndex, 0);
}

TEST_F(Logit, SharesWithPeriodErrorsRhoAndForecasts) {
    ASSERT_EQ(run(logitcmd, "rhoadj yes"), 0);
    forecastMode = 1;
    std::string model;
    ASSERT_EQ(logitsaving({"r s1", "r s2 = p2", "r s3 = p3", "do"}, model), 0) << output();
    const std::string text = output();

    const Problem p = shareproblem();
    const std::vector<double> b = p.newton();
    const double published[4] = {1.57246, -1.26397, 0.45491, -0.69134};
    const Matrix2 V = inverse(p.hessian(b, true));
    const double variances[4] = {13.6444, 6.57311, 39.0838, 23.6251};
    for (int k = 0; k < 4; ++k) {
        EXPECT_TRUE(closeto(b[k], published[k], 1e-5)) << k;
        EXPECT_TRUE(closeto(beta(k + 1), b[k], 1e-4)) << k;
        EXPECT_TRUE(closeto(V[k][k], variances[k], 1e-4)) << k;
    }
    EXPECT_TRUE(closeto(stat("logl"), p.negloglik(b), 1e-6));
    EXPECT_NE(text.find("Log-likelihood: = 10.641855\n"), std::string::npos);

    // Period errors: the utility shifts that reproduce the shares, log(s_e / s_1) - u_e.
    std::vector<Column> err(10, Column(3, 0.0));
    for (int t = 0; t < 10; ++t) {
        const std::vector<double> u = p.utilities(b, t);
        for (int e = 1; e < 3; ++e) err[t][e] = std::log(p.y[t][e] / p.y[t][0]) - u[e];
    }
    std::vector<double> rho(3, 0.0);
    for (int e = 1; e < 3; ++e) {
        double sa = 0, sb = 0, sab = 0, saa = 0;
        for (int t = 1; t < 10; ++t) {
            sa += err[t - 1][e];
            sb += err[t][e];
            sab += err[t - 1][e] * err[t][e];
            saa += err[t - 1][e] * err[t - 1][e];
        }
        rho[e] = (9 * sab - sa * sb) / (9 * saa - sa * sa);
    }
    EXPECT_NEAR(rho[1], -0.6508, 0.02);
    EXPECT_NEAR(rho[2], 0.1821, 0.02);
    EXPECT_NEAR(coefficientline(text, 0)[4], rho[1], 0.02);
    EXPECT_NEAR(coefficientline(text, 2)[4], rho[2], 0.02);

    // The model file: its lists, and per alternative rho, the coefficients by independent
    // name and the period error of 1999.
    EXPECT_EQ(model.rfind("# Dependent variables:    s1  s2  s3  \n"
                          "# Independent variables:  intercept  p2  p3  \n"
                          "# Variable Name         Rho      Indep-Parameters... Period[T]-Error\n"
                          "3 4 1999\n"
                          "s 1  a 4\n 1 2 3 4\n  0.00000    0.0000000000    0.0000000000    0.0000000000    0.0000000000 \n"
                          "s 2  a 4\n 1 2 3 4\n",
                          0),
              0u)
        << model;
    std::istringstream lines(model.substr(model.find("s 2  a 4\n 1 2 3 4\n") + 18));
    double r2, i2, c2, z2, e2;
    lines >> r2 >> i2 >> c2 >> z2 >> e2;
    EXPECT_NEAR(r2, rho[1], 0.02);
    EXPECT_TRUE(closeto(i2, b[0], 1e-4));
    EXPECT_TRUE(closeto(c2, b[1], 1e-4));
    EXPECT_EQ(z2, 0.0);
    EXPECT_NEAR(e2, err[9][1], 2e-4);
    EXPECT_NEAR(e2, 0.020540, 2e-4);
    std::istringstream lines3(model.substr(model.find("s 3  a 4\n 1 2 3 4\n") + 18));
    double r3, i3, c3, z3, e3;
    lines3 >> r3 >> i3 >> z3 >> c3 >> e3;
    EXPECT_TRUE(closeto(i3, b[2], 1e-4));
    EXPECT_TRUE(closeto(c3, b[3], 1e-4));
    EXPECT_NEAR(e3, err[9][2], 2e-4);

    // Forecasts: the utilities of 2000 and 2001 shifted by rho^h times the error of 1999.
    for (int t = 10; t < 12; ++t) {
        std::vector<double> u = p.utilities(b, t);
        for (int e = 1; e < 3; ++e) u[e] += std::pow(rho[e], t - 10) * err[9][e];
        const std::vector<double> P = p.probabilities(u);
        for (int e = 0; e < 3; ++e) {
            const std::string name = "depvar" + std::to_string(e + 1);
            EXPECT_NEAR(series(name.c_str())[t], P[e], 5e-4) << name << " " << t;
        }
    }
    EXPECT_NEAR(series("depvar1")[10], 0.43523, 5e-4);
    EXPECT_NEAR(series("depvar3")[11], 0.36632, 5e-4);
    const std::vector<double> P2000 = p.probabilities(p.utilities(b, 10));
    EXPECT_NEAR(series("predic1")[10], P2000[0], 2e-5);
    EXPECT_NEAR(series("predic1")[10], 0.44038, 5e-5);
    EXPECT_NEAR(series("depvar2")[4], s2[4], 1e-7);
    EXPECT_TRUE(ismissing(series("predic2")[12]));

    // In test mode the dependent series is the data.
    forecastMode = 0;
    ASSERT_EQ(logit({"r s1", "r s2 = p2", "r s3 = p3", "do"}), 0);
    output();
    for (int t = 0; t < 12; ++t) EXPECT_EQ(series("depvar3")[t], s3[t]);
}

TEST_F(Logit, TheNormalizedEquationComesFirstWhereverItIsWritten) {
    // Four alternatives: the shares of s3 split into two with a varying ratio.
    std::vector<float> s3a, s3b;
    for (int t = 0; t < 12; ++t) {
        const float r = 0.3f + 0.02f * static_cast<float>(t % 5);
        s3a.push_back(s3[t] * r);
        s3b.push_back(s3[t] - s3[t] * r);
    }
    store("s3a", s3a);
    store("s3b", s3b);
    rhoadjSwitch = 0;
    ASSERT_EQ(logit({"r s2 = p2", "r s1", "r s3a = p3", "r s3b = p2, p3", "do"}), 0) << output();
    const std::string text = output();
    Problem p;
    p.J = 4;
    p.n = 10;
    p.x.resize(4);
    for (int t = 0; t < 12; ++t) {
        p.x[1].push_back({1.0, f32(p2[t])});
        p.x[2].push_back({1.0, f32(p3[t])});
        p.x[3].push_back({1.0, f32(p2[t]), f32(p3[t])});
        p.y.push_back({f32(s1[t]), f32(s2[t]), f32(s3a[t]), f32(s3b[t])});
    }
    const std::vector<double> b = p.newton();
    ASSERT_EQ(stat("ncoef"), 7.0f);
    for (int k = 0; k < 7; ++k) EXPECT_TRUE(closeto(beta(k + 1), b[k], 1e-4)) << k;
    // Alternative 1 is the normalized one, 2 the first written.
    const std::vector<double> P = p.probabilities(p.utilities(b, 3));
    EXPECT_NEAR(series("predic1")[3], P[0], 2e-5);
    EXPECT_NEAR(series("predic2")[3], P[1], 2e-5);
    EXPECT_NEAR(series("predic4")[3], P[3], 2e-5);
    EXPECT_LT(text.find("Dependent Variable: s2\n"), text.find("Dependent Variable: s3a\n"));
}

TEST_F(Logit, AMissingShareLeavesOnlyItsOwnTermOut) {
    std::vector<float> gap = s2;
    gap[3] = MISSING;
    store("s2", gap);
    rhoadjSwitch = 0;
    ASSERT_EQ(logit({"r s1", "r s2 = p2", "r s3 = p3", "do"}), 0) << output();
    Problem p = shareproblem();
    p.y[3][1] = NAN;
    const std::vector<double> b = p.newton();
    for (int k = 0; k < 4; ++k) EXPECT_TRUE(closeto(beta(k + 1), b[k], 1e-4)) << k;
    EXPECT_TRUE(closeto(stat("logl"), p.negloglik(b), 1e-6));
}

TEST_F(Logit, RefusedBlocksEstimateNothing) {
    struct Case {
        std::vector<std::string> lines;
        const char* message;
    };
    std::vector<std::string> many;
    for (int e = 0; e < 61; ++e) many.push_back(e == 0 ? "r s1" : "r s2 = p2");
    many.push_back("do");
    const Case cases[] = {
        {{"r s1", "r s2", "r s3 = p3", "do"}, "parameters for one equation\n must be normalized to zero.\n"},
        {{"r s2 = p2", "r s3 = p3", "do"}, "parameters for one equation\n must be normalized to zero.\n"},
        {many, "Error:  type too many equations in logit regression.\nError:  in logit command.\n"},
        {{"r s1", "r s2 = p2"}, "the input ended before \"do\"; nothing is estimated."},
        {{"r s1", "r s2 = nosuch", "do"}, "nosuch can't be found."},
        {{"r s1", "quit", "r s2 = p2", "do"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[1]);
        regressionResults["beta1"] = 99.0f;
        EXPECT_EQ(logit(c.lines), -1);
        const std::string text = output();
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(regressionResults.count("beta1"), 0u);
        EXPECT_TRUE(series("predic2").empty());
    }
    EXPECT_EQ(run(logitcmd, "rhoadj maybe"), -1);
    EXPECT_NE(output().find("the next word must be [yes | no]"), std::string::npos);
    limits(1980, 1995, 1999);
    EXPECT_EQ(logit({"r s1", "r s2 = p2", "do"}), -1);
    EXPECT_NE(output().find("in logit command, first date is before workspace begins"), std::string::npos);
}

TEST_F(Logit, ALaggedShareTakesItsOwnPredictionsInTheTestPeriod) {
    limits(1991, 1999, 2001);
    rhoadjSwitch = 0;
    ASSERT_EQ(logit({"r s1", "r s2 = p2, s2[1]", "r s3 = p3", "do"}), 0) << output();
    output();
    Problem p;
    p.J = 3;
    p.n = 9;
    p.x.resize(3);
    for (int t = 1; t < 12; ++t) {
        p.x[1].push_back({1.0, f32(p2[t]), f32(s2[t - 1])});
        p.x[2].push_back({1.0, f32(p3[t])});
        p.y.push_back({f32(s1[t]), f32(s2[t]), f32(s3[t])});
    }
    const std::vector<double> b = p.newton();
    for (int k = 0; k < 5; ++k) EXPECT_TRUE(closeto(beta(k + 1), b[k], 1e-4)) << k;
    EXPECT_EQ(lagDepIndex, 0);  // the last alternative predicted has no lagged share
    const std::vector<float> predic2 = series("predic2"), bpred2 = series("bpred2");
    // 2000: the lag still reaches the data of 1999; 2001: the prediction of 2000.
    const double P2000 = p.probabilities(p.utilities(b, 9))[1];
    EXPECT_NEAR(predic2[10], P2000, 2e-5);
    Problem q = p;
    q.x[1][10][2] = predic2[10];
    EXPECT_NEAR(predic2[11], q.probabilities(q.utilities(b, 10))[1], 2e-5);
    // The other alternatives keep the data of s2 in their own predictions.
    EXPECT_NEAR(series("predic3")[11], p.probabilities(p.utilities(b, 10))[2], 2e-5);
    // The dynamic prediction follows the same rule from its own values.
    EXPECT_NEAR(bpred2[3], p.probabilities(p.utilities(b, 2))[1], 2e-5);
    EXPECT_NEAR(bpred2[11], predic2[11], 2e-5);
    EXPECT_TRUE(ismissing(bpred2[0]));
    EXPECT_TRUE(ismissing(series("bpred3")[5]));
}

TEST_F(Logit, TheModelFileWithoutInterceptsAndWithoutPeriodErrors) {
    rhoadjSwitch = 0;
    std::string model;
    ASSERT_EQ(logitsaving({"r s1", "r s2 = ! p2", "r s3 = ! p3, p2", "do"}, model), 0) << output();
    const std::string text = output();
    EXPECT_NE(text.find("  0.00000 \t  0.00000\n"), std::string::npos);
    EXPECT_EQ(model.rfind("# Dependent variables:    s1  s2  s3  \n"
                          "# Independent variables:  intercept  p2  p3  \n"
                          "# Variable Name         Rho      Indep-Parameters... Period[T]-Error\n"
                          "3 4 1999\n",
                          0),
              0u)
        << model;
    char line[200];
    std::snprintf(line, sizeof line, "s 3  a 4\n 1 2 3 4\n  0.00000    0.0000000000 %15.10f %15.10f    0.0000000000 \n",
                  static_cast<double>(static_cast<float>(beta(3))), static_cast<double>(static_cast<float>(beta(2))));
    EXPECT_NE(model.find(line), std::string::npos) << model << line;
}

TEST_F(Logit, TwoFitObservationsGiveRhoZero) {
    limits(1990, 1991, 1993);
    ASSERT_EQ(logit({"r s1", "r s2 = p2", "r s3 = p3", "do"}), 0) << output();
    const std::string text = output();
    EXPECT_EQ(coefficientline(text, 0).at(4), 0.0) << text;
    EXPECT_EQ(coefficientline(text, 2).at(4), 0.0);
}

TEST_F(Logit, BlocksPastTheColumnsOrTheNameAreaAreRefused) {
    store("z", p2);
    store("averyveryverylongseriesname", p2);
    std::string wide = "r s2 = ! z", longnames = "r s2 = ! averyveryverylongseriesname";
    for (int i = 1; i < 20; ++i) wide += ", z";
    for (int i = 1; i < 10; ++i) longnames += ", averyveryverylongseriesname";
    for (const auto& [equation, message] :
         {std::pair<std::string, const char*>{wide, "the equations take more than 500 columns"},
          {longnames, "the names of the variables take more than 1500 characters"}}) {
        std::vector<std::string> lines = {"r s1"};
        for (int e = 0; e < 30; ++e) lines.push_back(equation);
        lines.push_back("do");
        EXPECT_EQ(logit(lines), -1);
        EXPECT_NE(output().find(message), std::string::npos);
        EXPECT_EQ(regressionResults.count("beta1"), 0u);
    }
}

TEST_F(Logit, ClampedFunctions) {
    EXPECT_EQ(clampexp(100.0f), floatExpMax);
    EXPECT_EQ(clampexp(-100.0f), floatExpMin);
    EXPECT_FLOAT_EQ(clampexp(1.0f), std::exp(1.0f));
    EXPECT_EQ(clamplog(-0.000001), static_cast<double>(MISSING));
    EXPECT_EQ(clamplog(0.0), static_cast<double>(MISSING));
    EXPECT_EQ(clamplog(1e-320), doubleLogMin);
    EXPECT_DOUBLE_EQ(clamplog(2.0), std::log(2.0));
    EXPECT_EQ(dmin(1.3, 0.99), 0.99);
    EXPECT_EQ(dmin(NAN, 0.99), 0.99);
}

}  // namespace
}  // namespace regresstest

