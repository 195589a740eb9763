// Stacked and seemingly unrelated regressions against generalised least squares computed
// here on the float-rounded data: equation-by-equation least squares, Sigma = residual
// cross products / nfit (its diagonal only for stack), and the normal equations of the
// stacked system weighted by the inverse of Sigma, with soft constraints as weighted
// pseudo-observations.
#include <gtest/gtest.h>

#include <cmath>

#include "regress/estimators.h"
#include "regress/regress_state.h"
#include "regress_fixture.h"


namespace regresstest {
namespace stack_test {

const std::vector<float> wData = {17.7f, 12.8f, 15.0f, 19.8f, 10.2f, 14.7f, 6.6f, 10.3f, 7.5f, 14.4f};

// Solves a x = b by elimination with partial pivoting.
std::vector<double> solve(std::vector<std::vector<double>> a, std::vector<double> b) {
    const std::size_t n = b.size();
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        std::swap(a[c], a[p]);
        std::swap(b[c], b[p]);
        for (std::size_t r = 0; r < n; ++r) {
            if (r == c) continue;
            const double f = a[r][c] / a[c][c];
            for (std::size_t j = c; j < n; ++j) a[r][j] -= f * a[c][j];
            b[r] -= f * b[c];
        }
    }
    for (std::size_t c = 0; c < n; ++c) b[c] /= a[c][c];
    return b;
}

struct Soft {
    double weight, value;
    std::vector<double> row;  // over the five stacked coefficients
};

// The joint coefficients of y = a1 + a2 x1 + a3 x2, w = b1 + b2 x2 and the variances
// (diagonal of the inverse normal matrix).
std::vector<double> gls(bool full, const std::vector<Soft>& soft, std::vector<double>* var = nullptr) {
    const int n = 10;
    std::vector<std::vector<double>> X(2), Y(2);
    std::vector<Column> X1, X2;
    Column y1, y2;
    for (int t = 0; t < n; ++t) {
        X1.push_back({1.0, x1Data[t], x2Data[t]});
        X2.push_back({1.0, x2Data[t]});
        y1.push_back(yData[t]);
        y2.push_back(wData[t]);
    }
    const std::vector<double> b1 = leastsquares(X1, y1), b2 = leastsquares(X2, y2);
    std::vector<Column> e(2, Column(n));
    for (int t = 0; t < n; ++t) {
        e[0][t] = y1[t] - (b1[0] + b1[1] * X1[t][1] + b1[2] * X1[t][2]);
        e[1][t] = y2[t] - (b2[0] + b2[1] * X2[t][1]);
    }
    double s[2][2];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            double v = 0.0;
            for (int t = 0; t < n; ++t) v += e[i][t] * e[j][t];
            s[i][j] = (full || i == j) ? v / n : 0.0;
        }
    const double det = s[0][0] * s[1][1] - s[0][1] * s[1][0];
    const double inv[2][2] = {{s[1][1] / det, -s[0][1] / det}, {-s[1][0] / det, s[0][0] / det}};
    // Stacked rows: coefficient vector (a1, a2, a3, b1, b2).
    auto row = [&](int eq, int t) {
        std::vector<double> r(5, 0.0);
        if (eq == 0) {
            r[0] = 1.0;
            r[1] = X1[t][1];
            r[2] = X1[t][2];
        } else {
            r[3] = 1.0;
            r[4] = X2[t][1];
        }
        return r;
    };
    std::vector<std::vector<double>> A(5, std::vector<double>(5, 0.0));
    std::vector<double> c(5, 0.0);
    for (int t = 0; t < n; ++t)
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                const std::vector<double> ri = row(i, t), rj = row(j, t);
                const double yj = j == 0 ? y1[t] : y2[t];
                for (int p = 0; p < 5; ++p) {
                    c[p] += inv[i][j] * ri[p] * yj;
                    for (int q = 0; q < 5; ++q) A[p][q] += inv[i][j] * ri[p] * rj[q];
                }
            }
    for (const Soft& h : soft)
        for (int p = 0; p < 5; ++p) {
            c[p] += n * h.weight * h.row[p] * h.value;
            for (int q = 0; q < 5; ++q) A[p][q] += n * h.weight * h.row[p] * h.row[q];
        }
    if (var) {
        var->clear();
        for (int p = 0; p < 5; ++p) {
            std::vector<double> unit(5, 0.0);
            unit[p] = 1.0;
            var->push_back(solve(A, unit)[p]);
        }
    }
    return solve(A, c);
}

class Stacked : public RegressFixture {
protected:
    void SetUp() override {
        RegressFixture::SetUp();
        store("w", wData);
        limits(1990, 1999, 1999);
    }
    int block(char mode, std::vector<std::string> lines) {
        return replayed([mode](std::FILE* in) { return stackcmd(in, mode); }, std::move(lines));
    }
    // Coefficient j of equation e from its rcoef series.
    double coef(int e, int j) { return series(("rcoef" + std::to_string(e)).c_str())[j]; }
};

TEST_F(Stacked, SurAndStackAreGeneralisedLeastSquares) {
    struct Case {
        char mode;
        std::vector<std::string> extra;
        std::vector<Soft> soft;
        std::vector<double> published;
    };
    const Case cases[] = {
        {'u', {}, {}, {0.65356, 1.85445, -0.75473, 4.39187, 2.40343}},
        {'t', {}, {}, {2.58844, 1.77800, -0.89745, 4.39187, 2.40343}},
        {'u', {"con 1000 0 = a3 - b2"}, {{1000, 0, {0, 0, 1, 0, -1}}},
         {-21.03507, 2.31746, 2.92613, 2.46869, 2.94670}},
        {'t', {"con 1000 0 = a3 - b2"}, {{1000, 0, {0, 0, 1, 0, -1}}},
         {-12.96446, 2.14835, 1.53962, 7.43053, 1.54505}},
        // A hard constraint that the free estimate meets leaves it as it is.
        {'u', {"qpcon 0 > a3"}, {}, {0.65356, 1.85445, -0.75473, 4.39187, 2.40343}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.mode) + (c.extra.empty() ? "" : " with con"));
        std::vector<std::string> lines = {"r y = x1, x2", "r w = x2"};
        for (const std::string& e : c.extra) lines.push_back(e);
        lines.push_back("do");
        ASSERT_EQ(block(c.mode, lines), 0) << output();
        const std::vector<double> b = gls(c.mode == 'u', c.soft);
        const double got[5] = {coef(1, 1), coef(1, 2), coef(1, 3), coef(2, 1), coef(2, 2)};
        for (int p = 0; p < 5; ++p) {
            EXPECT_TRUE(closeto(got[p], b[p])) << p;
            EXPECT_NEAR(b[p], c.published[p], 1e-5 * (1 + std::fabs(c.published[p]))) << p;
        }
        EXPECT_EQ(softConstraints.count, 0);
        EXPECT_FALSE(series("resid2").empty());
        output();
    }
}

TEST_F(Stacked, TheReportsShowSigmaAndTheStackedTValues) {
    showT = 1;
    ASSERT_EQ(block('u', {"r y = x1, x2", "r w = x2", "do"}), 0);
    const std::string text = output();
    EXPECT_NE(text.find("\r\nThe Sigma Matrix\r\n 0    0.88529    0.50807\n\r\n 1    0.50807    0.43531\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Regression number 2, w"), std::string::npos);
    EXPECT_NE(text.find("SEESUR =       0.87"), std::string::npos);
    // t = b / sqrt(variance) with s2 = 1.
    std::vector<double> var;
    const std::vector<double> b = gls(true, {}, &var);
    const double published[5] = {0.581, 53.400, -3.959, 8.935, 19.118};
    for (int p = 0; p < 5; ++p) {
        const double t = b[p] / std::sqrt(var[p]);
        EXPECT_NEAR(t, published[p], 0.0006) << p;
        char cell[20];
        std::snprintf(cell, sizeof cell, "%7.3f", t);
        EXPECT_NE(text.find(cell), std::string::npos) << cell;
    }
}

TEST_F(Stacked, RefusedBlocksEstimateNothing) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        const char* message;
        int status;
    };
    std::vector<std::string> eleven;
    for (int i = 0; i < 11; ++i) eleven.push_back("r y = x1");
    eleven.push_back("do");
    std::string longTerm = "x1";
    for (int i = 0; i < 70; ++i) longTerm += "+0*x2";
    const Case cases[] = {
        {"quit", {"r y = x1, x2", "quit"}, "", -1},
        {"no do", {"r y = x1, x2", "r w = x2"}, "the input ended before \"do\"", -1},
        {"eleven equations", eleven, "at most 10 equations", -1},
        {"a letter past the equations", {"r y = x1, x2", "con 1 0 = a2 - c2", "r w = x2", "do"},
         "not one of", -1},
        {"a number past the system", {"r y = x1, x2", "r w = x2", "con 1 0 = a2 - b3", "do"},
         "the stacked system has 5", -1},
        {"names past the name area", {"r y = x1, " + longTerm, "r w = x2, " + longTerm, "do"},
         "more than 700 characters", -1},
        {"singular Sigma", {"r y = x1, x2", "r y = x1, x2", "do"}, "combination of preceeding", -1},
        {"bad equation", {"r y = nosuch", "do"}, "can't be found", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(block('u', c.lines), c.status);
        const std::string text = output();
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        EXPECT_EQ(text.find("Regression number"), std::string::npos);
        EXPECT_TRUE(series("rcoef1").empty());
        EXPECT_EQ(softConstraints.count, 0);
    }
}

}  // namespace
}  // namespace regresstest

