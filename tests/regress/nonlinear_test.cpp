// nl and nlp against non-linear least squares computed here by Gauss-Newton in double
// precision on the float-rounded data (estimates, objective, SEE, the standard deviations
// from s^2 (J'J)^-1 with the analytic Jacobian, Durbin-Watson), the saved equation, and the
// refusals of malformed statements with the reader left where it was.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "interp/percent_functions.h"
#include "interp/reader.h"
#include "platform/platform.h"
#include "platform/scripted_platform.h"
#include "regress/nonlinear.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace nonlinear_test {

const std::vector<float> tt = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
const std::vector<float> yExp = {53.81f, 58.57f, 64.63f, 69.31f, 73.38f, 80.80f, 86.99f, 94.97f, 101.08f, 111.55f};

struct ExpFit {
    double a0 = 40.0, a1 = 0.1, ssr = 0.0, see = 0.0, dw = 0.0;
    double sd0 = 0.0, sd1 = 0.0;
};

// Least squares of y = a0 exp(a1 tt) by Gauss-Newton.
ExpFit expfit() {
    ExpFit f;
    for (int it = 0; it < 200; ++it) {
        double a = 0, b = 0, c = 0, g0 = 0, g1 = 0;
        for (int t = 0; t < 10; ++t) {
            const double e = std::exp(f.a1 * tt[t]);
            const double j0 = e, j1 = f.a0 * tt[t] * e;
            const double r = static_cast<double>(yExp[t]) - f.a0 * e;
            a += j0 * j0;
            b += j0 * j1;
            c += j1 * j1;
            g0 += j0 * r;
            g1 += j1 * r;
        }
        const double det = a * c - b * b;
        f.a0 += (c * g0 - b * g1) / det;
        f.a1 += (a * g1 - b * g0) / det;
    }
    double a = 0, b = 0, c = 0, ds = 0, previous = 0;
    for (int t = 0; t < 10; ++t) {
        const double e = std::exp(f.a1 * tt[t]);
        const double j0 = e, j1 = f.a0 * tt[t] * e;
        a += j0 * j0;
        b += j0 * j1;
        c += j1 * j1;
        const double r = f.a0 * e - yExp[t];
        f.ssr += r * r;
        if (t > 0) ds += (r - previous) * (r - previous);
        previous = r;
    }
    const double s2 = f.ssr / 8, det = a * c - b * b;
    f.sd0 = std::sqrt(s2 * c / det);
    f.sd1 = std::sqrt(s2 * a / det);
    f.see = std::sqrt(f.ssr / 10);
    f.dw = ds / f.ssr;
    return f;
}

class Nonlinear : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        store("tt", tt);
        store("yexp", yExp);
        std::vector<float> line;
        for (float v : tt) line.push_back(1.5f + 0.25f * v);
        store("yline", line);
        limits(1990, 1999, 1999);
    }
    // Runs the handler on the lines; the token that follows them must still be "next".
    int command(int (*handler)(std::FILE*), std::vector<std::string> lines, std::string* rest = nullptr) {
        lines.push_back("next");
        seriestest::ReplayInput input(std::move(lines));
        const int status = handler(nullptr);
        if (rest) {
            char token[80];
            while (gettoken(token, nullptr, 0, 78) == 'f') {
            }
            *rest = token;
        }
        return status;
    }
    int saving(int (*handler)(std::FILE*), std::vector<std::string> lines, std::string& saved) {
        return runsaving(handler, std::move(lines), saved);
    }
};

double after(const std::string& text, const std::string& label) {
    const std::size_t at = text.find(label);
    return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + label.size(), nullptr);
}

TEST_F(Nonlinear, BothSearchesReachTheLeastSquaresOfTheExponential) {
    const ExpFit f = expfit();
    EXPECT_NEAR(f.a0, 50.078, 0.01);  // the published figures
    EXPECT_NEAR(f.a1, 0.079352, 1e-5);
    EXPECT_NEAR(f.ssr, 5.2981, 5.2981e-3);
    for (auto handler : {nlcmd, nlpcmd}) {
        SCOPED_TRACE(handler == nlcmd ? "nl" : "nlp");
        std::string rest;
        ASSERT_EQ(command(handler, {"yexp = a0*@exp(a1*tt)", "2", "40 0.1", "0.1 0.0001"}, &rest), 0) << output();
        const std::string text = output();
        EXPECT_EQ(rest, "next");
        EXPECT_NEAR(beta(1), f.a0, 0.01);
        EXPECT_NEAR(beta(2), f.a1, 1e-5);
        EXPECT_EQ(stat("ncoef"), 2.0f);
        EXPECT_NEAR(stat("see"), f.see, 1e-4);
        EXPECT_NEAR(after(text, "SEE = "), f.see, 1e-4);
        const std::size_t at = text.find("    a0    ");
        ASSERT_NE(at, std::string::npos) << text;
        std::istringstream table(text.substr(at));
        std::string name;
        double coef0, t0, sd0, coef1, t1, sd1;
        table >> name >> coef0 >> t0 >> sd0 >> name >> coef1 >> t1 >> sd1;
        EXPECT_NEAR(sd0, f.sd0, 0.005 * f.sd0);
        EXPECT_NEAR(sd1, f.sd1, 0.005 * f.sd1);
        EXPECT_NEAR(t0, f.a0 / f.sd0, 0.01 * t0);
        EXPECT_NEAR(t1, f.a1 / f.sd1, 0.01 * t1);
        // The stored series belong to the estimates.
        const std::vector<float> predic = series("predic"), rcoef = series("rcoef");
        for (int t = 0; t < 10; ++t)
            EXPECT_NEAR(predic[t], rcoef[1] * std::exp(rcoef[2] * tt[t]), 1e-3) << t;
        EXPECT_EQ(rcoef[0], 2.0f);
        EXPECT_EQ(rcoef[6], 1.0f);
        if (handler == nlcmd) {
            EXPECT_NEAR(stat("dw"), f.dw, 0.01 * f.dw);
            EXPECT_NEAR(stat("dw"), 2.615, 0.02);
            EXPECT_NEAR(rcoef[7], 1.0 - stat("dw") / 2, 1e-5);
            EXPECT_NEAR(series("resid")[4], predic[4] - yExp[4], 1e-5);
        } else {
            EXPECT_NEAR(rcoef[11], t0, 0.01 * std::fabs(t0));  // the t-values after 2n + 7
        }
    }
}

TEST_F(Nonlinear, ZeroAndLastObjectives) {
    ASSERT_EQ(command(nlcmd, {"zero = (a0-3)*(a0-3) + (a1+1)*(a1+1)", "2", "0 0", "0.5 0.5"}), 0);
    output();
    EXPECT_NEAR(beta(1), 3.0, 0.05);
    EXPECT_NEAR(beta(2), -1.0, 0.05);
    // The value at the end of the fit range: tt is 10 there.
    ASSERT_EQ(command(nlcmd, {"last = (a0*tt-5)*(a0*tt-5)", "1", "0", "0.1"}), 0);
    output();
    EXPECT_NEAR(beta(1), 0.5, 0.01);
}

TEST_F(Nonlinear, APerfectFitAndTheSavedEquation) {
    for (char stochasticSwitch : {'n', 'y'}) {
        stochastic = stochasticSwitch;
        std::string saved;
        ASSERT_EQ(saving(nlcmd, {"yline = a0 + a1*tt", "2", "1.5 0.25", "0.1 0.1"}, saved), 0);
        const std::string text = output();
        EXPECT_NE(text.find("Perfect Fit.\n"), std::string::npos) << text;
        EXPECT_EQ(beta(1), 1.5f);
        EXPECT_EQ(beta(2), 0.25f);
        if (stochasticSwitch == 'n') {
            EXPECT_EQ(saved, "r yline=1.50000+0.25000*tt\nd\n");
        } else {
            EXPECT_EQ(saved.rfind("r yline=1.50000+0.25000*tt\ns\nrho     0.000000\nsee     0.000000\nvc_matrix = \n    ", 0), 0u)
                << saved;
        }
    }
}

TEST_F(Nonlinear, NoDegreesOfFreedom) {
    limits(1990, 1991, 1991);
    ASSERT_EQ(command(nlcmd, {"yline = a0 + a1*tt", "2", "1 1", "0.1 0.1"}), 0);
    const std::string text = output();
    EXPECT_NE(text.find("Warning:  2 observations for 2 parameters: no degrees of freedom; s2 is taken as 1.\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("Perfect Fit."), std::string::npos);
}

TEST_F(Nonlinear, StatementsOverSeveralLinesWithCommasAndSigns) {
    ASSERT_EQ(command(nlcmd, {"- yexp = a0 *", "  @exp(a1*tt)", "2, 40,", "0.1", "0.1 , 0.0001"}), 0) << output();
    const std::string text = output();
    EXPECT_NE(text.find("Eval   Objective  Parameters\nCount  Function\n"), std::string::npos);
    EXPECT_NEAR(beta(1), expfit().a0, 0.01);
    // "-" before a start value negates it: the line through the data from a negative start.
    ASSERT_EQ(command(nlpcmd, {"yline = a0 + a1*tt", "2 - 1 -", "2 0.5 0.5"}), 0);
    output();
    EXPECT_NEAR(beta(1), 1.5, 0.02);
    EXPECT_NEAR(beta(2), 0.25, 0.005);
}

TEST_F(Nonlinear, RefusalsStoreNothingAndLeaveTheReaderOnTheNextLine) {
    struct Case {
        int (*handler)(std::FILE*);
        std::vector<std::string> lines;
        const char* message;
    };
    std::string many = "22";
    for (int i = 0; i < 44; ++i) many += " 1";
    const Case cases[] = {
        {nlcmd, {"nosuch = a0*tt", "1", "1", "0.1"}, "nosuch can't be found.\nError encountered. Escaping\n"},
        {nlpcmd, {"nosuch = a0*tt", "1", "1", "0.1"}, "Error encountered. Escaping.\n"},
        {nlcmd, {"yexp a0*tt", "1", "1", "0.1"}, "= sign expected\n"},
        {nlpcmd, {"yexp = a0*tt", "two"}, "in nlp command, number of parameters not read correctly."},
        {nlcmd, {"yexp = a0*tt", "21"}, "in nl command, 21 parameters; at most 20 are allowed."},
        {nlpcmd, {"yexp = a0*tt", many}, "in nlp command, 22 parameters; at most 21 are allowed."},
        {nlcmd, {"yexp = a0*tt", "2 40 0.1"}, "the input ended before the 2 start values and 2 steps were read."},
        {nlcmd, {"last = a0"}, "number of parameters not read correctly"},
        {nlcmd, {"last = a0", "1", "0", "1"}, "the objective is not a finite number.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines[0]);
        regressionResults["beta1"] = 99.0f;
        EXPECT_EQ(replayed(c.handler, c.lines), -1);
        const std::string text = output();
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(regressionResults["beta1"], 99.0f);
        EXPECT_TRUE(series("rcoef").empty());
    }
    std::string rest;
    EXPECT_EQ(command(nlcmd, {"nosuch = a0*tt", "1", "1", "0.1"}, &rest), -1);
    EXPECT_EQ(rest, "next");
    EXPECT_EQ(nlParamMode, 'n');
    std::string longer = "yexp = a0";
    while (longer.size() <= 998) longer += "+a0";
    EXPECT_EQ(replayed(nlcmd, {longer, "1", "1", "1"}), -1);
    EXPECT_NE(output().find("the equation is longer than 998 characters"), std::string::npos);
}

TEST_F(Nonlinear, SearchesThatNeverMeetTheirToleranceStopAndKeepTheirBestPoint) {
    // A negative step makes a negative tolerance, which no two vertices meet.
    ASSERT_EQ(command(nlcmd, {"zero = (a0-3)*(a0-3)", "1", "0", "-0.5"}), -1);
    std::string text = output();
    EXPECT_NE(text.find("in nl command, no convergence after 100000 evaluations; the best point is kept."),
              std::string::npos);
    EXPECT_NEAR(beta(1), 3.0, 1e-3);
    EXPECT_EQ(series("rcoef")[1], beta(1));
    EXPECT_NE(text.find("Param         Coef"), std::string::npos);
    ASSERT_EQ(command(nlpcmd, {"zero = (a0-3)*(a0-3)", "1", "0", "-0.5"}), -1);
    text = output();
    EXPECT_NE(text.find("Too many iterations in function POWELL"), std::string::npos);
    EXPECT_NEAR(beta(1), 3.0, 1e-3);
    EXPECT_NEAR(series("rcoef")[1], 3.0, 1e-3);
}

// Forwards to the fixture's scripted platform and presses Escape when a line holding
// begins with `trigger` reaches the results window.
class EscapeOnLine : public platform::Platform {
public:
    EscapeOnLine(platform::ScriptedPlatform& inner, std::string trigger) : inner_(inner), trigger_(std::move(trigger)) {}
    void appendResultsLine(const std::string& line) override {
        inner_.appendResultsLine(line);
        if (!pressed_ && line.rfind(trigger_, 0) == 0) {
            pressed_ = true;
            platform::pressEscape();
        }
    }
    void clearResults() override { inner_.clearResults(); }
    platform::Answer messageBox(const std::string& text, const std::string& caption, platform::Buttons buttons) override {
        return inner_.messageBox(text, caption, buttons);
    }
    int choose(const std::string& text, const std::string& caption, const std::vector<std::string>& choices,
               int defaultChoice) override {
        return inner_.choose(text, caption, choices, defaultChoice);
    }
    bool askText(const std::string& prompt, const std::string& caption, std::string& answer) override {
        return inner_.askText(prompt, caption, answer);
    }

private:
    platform::ScriptedPlatform& inner_;
    std::string trigger_;
    bool pressed_ = false;
};

TEST_F(Nonlinear, EscapeEndsTheSimplexWithItsBestVertex) {
    EscapeOnLine escape(screen.platform, "  ");  // a progress line
    platform::install(&escape);
    const int status = command(nlcmd, {"- yexp = a0*@exp(a1*tt)", "2", "40 0.1", "0.1 0.0001"});
    platform::install(&screen.platform);
    platform::clearEscape();
    ASSERT_EQ(status, 0);
    const std::string text = output();
    // The progress line that pressed Escape shows the best point; the search ended there.
    const std::size_t head = text.find("\n  ", text.find("Count  Function\n"));
    ASSERT_NE(head, std::string::npos) << text;
    std::istringstream line(text.substr(head + 1));
    int count;
    double objective, p0, p1;
    line >> count >> objective >> p0 >> p1;
    EXPECT_NEAR(beta(1), p0, 1e-4);
    EXPECT_NEAR(beta(2), p1, 1e-4);
    EXPECT_GT(std::fabs(beta(1) - expfit().a0), 0.1);
    // The series stored are those of the stored estimates.
    const std::vector<float> predic = series("predic"), resid = series("resid");
    for (int t = 0; t < 10; ++t) {
        EXPECT_NEAR(predic[t], beta(1) * std::exp(beta(2) * tt[t]), 1e-3 * predic[t]);
        EXPECT_NEAR(resid[t], predic[t] - yExp[t], 1e-5);
    }
    EXPECT_NE(text.find("Param         Coef"), std::string::npos);
}

TEST_F(Nonlinear, ParametersAreSeriesOnlyWhileTheEquationIsEvaluated) {
    const float params[2] = {2.5f, -1.0f};
    nlParamMode = 'y';
    nlParams = params;
    nlParamCount = 2;
    EXPECT_EQ(nlparamindex("a1"), 1);
    EXPECT_EQ(nlparamindex("a2"), -1);
    EXPECT_EQ(nlparamindex("a1x"), -1);
    EXPECT_EQ(nlparamindex("b1"), -1);
    nlParamMode = 'n';
    EXPECT_EQ(nlparamindex("a1"), -1);
    nlParams = nullptr;
    nlParamCount = 0;
}

}  // namespace
}  // namespace regresstest

