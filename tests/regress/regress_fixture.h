// A workspace for the regression tests (the series fixture's annual workspace of 20
// observations from 1990), the command runners of the regression commands, and an
// independent least-squares solution: normal equations in double precision solved by
// Gaussian elimination with partial pivoting, on the float-rounded data.
#pragma once

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "../series/series_fixture.h"
#include "interp/percent_functions.h"
#include "regress/constraints.h"
#include "regress/regression.h"

namespace regresstest {

using Column = std::vector<double>;

// The solution of min |X b - y|^2 over the rows of X (each a vector of regressor values).
inline std::vector<double> leastsquares(const std::vector<Column>& X, const Column& y) {
    const std::size_t k = X.empty() ? 0 : X[0].size();
    std::vector<std::vector<double>> a(k, std::vector<double>(k + 1, 0.0));
    for (std::size_t t = 0; t < X.size(); ++t)
        for (std::size_t i = 0; i < k; ++i) {
            for (std::size_t j = 0; j < k; ++j) a[i][j] += X[t][i] * X[t][j];
            a[i][k] += X[t][i] * y[t];
        }
    for (std::size_t c = 0; c < k; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < k; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        std::swap(a[c], a[p]);
        for (std::size_t r = c + 1; r < k; ++r) {
            const double f = a[r][c] / a[c][c];
            for (std::size_t j = c; j <= k; ++j) a[r][j] -= f * a[c][j];
        }
    }
    std::vector<double> b(k);
    for (std::size_t c = k; c-- > 0;) {
        double s = a[c][k];
        for (std::size_t j = c + 1; j < k; ++j) s -= a[c][j] * b[j];
        b[c] = s / a[c][c];
    }
    return b;
}

// The inverse of a symmetric positive definite matrix, by Gauss-Jordan elimination.
inline std::vector<Column> inversematrix(std::vector<Column> a) {
    const std::size_t k = a.size();
    for (Column& row : a) row.resize(2 * k, 0.0);
    for (std::size_t i = 0; i < k; ++i) a[i][k + i] = 1.0;
    for (std::size_t c = 0; c < k; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < k; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[p][c])) p = r;
        std::swap(a[c], a[p]);
        const double d = a[c][c];
        for (double& v : a[c]) v /= d;
        for (std::size_t r = 0; r < k; ++r) {
            if (r == c) continue;
            const double f = a[r][c];
            for (std::size_t j = 0; j < 2 * k; ++j) a[r][j] -= f * a[c][j];
        }
    }
    std::vector<Column> inv(k, Column(k));
    for (std::size_t i = 0; i < k; ++i)
        for (std::size_t j = 0; j < k; ++j) inv[i][j] = a[i][k + j];
    return inv;
}

// The inverse of X'X (for leverages and variances).
inline std::vector<Column> inversemoments(const std::vector<Column>& X) {
    const std::size_t k = X[0].size();
    std::vector<Column> a(k, Column(k, 0.0));
    for (const Column& row : X)
        for (std::size_t i = 0; i < k; ++i)
            for (std::size_t j = 0; j < k; ++j) a[i][j] += row[i] * row[j];
    return inversematrix(std::move(a));
}

// The data of the worked example: ten years of fit from 1990 and two of test.
inline const std::vector<float> x1Data = {10.0f, 12.4f, 13.6f, 14.7f, 17.3f, 18.5f,
                                          22.1f, 26.0f, 25.3f, 27.1f, 30.7f, 32.5f};
inline const std::vector<float> x2Data = {5.2f, 3.1f, 4.9f, 6.4f, 2.3f, 4.1f,
                                          1.2f, 2.4f, 1.3f, 4.5f, 2.5f, 5.5f};
inline const std::vector<float> yData = {16.5f, 22.3f, 20.0f, 23.1f, 32.0f, 32.7f,
                                         39.9f, 47.1f, 46.2f, 46.8f, 57.3f, 55.6f};

class RegressFixture : public seriestest::SeriesFixture {
protected:
    void SetUp() override {
        SeriesFixture::SetUp();
        clearcons();
        regressionResults.clear();
        store("x1", x1Data);
        store("x2", x2Data);
        store("y", yData);
        limits(1990.0f, 1999.0f, 2001.0f);
    }
    void TearDown() override {
        clearcons();
        regressionResults.clear();
        SeriesFixture::TearDown();
    }

    static void limits(float a, float b, float c) {
        fitStart = a;
        fitEnd = b;
        testEnd = c;
    }

    int run(int (*handler)(std::FILE*), const std::string& line) { return typed(handler, line); }
    int run(int (*handler)(std::FILE*, int*), const std::string& line) {
        int offsets[1] = {0};
        settypedline(line);
        return handler(nullptr, offsets);
    }
    int r(const std::string& equation) { return run(rcmd, equation); }

    // Runs a handler on replayed lines with a save file open; the file's text to `saved`.
    int runsaving(int (*handler)(std::FILE*), std::vector<std::string> lines, std::string& saved) {
        const std::string path = (dir / "run.sav").string();
        int status;
        {
            seriestest::ReplayInput input(std::move(lines));
            saveFile = std::fopen(path.c_str(), "w");
            saveOn = 'y';
            status = handler(nullptr);
            std::fclose(saveFile);
            saveFile = nullptr;
            saveOn = 'n';
        }
        std::ifstream f(path);
        std::stringstream text;
        text << f.rdbuf();
        saved = text.str();
        return status;
    }

    // Coefficient i (1-based) of the last regression.
    static double beta(int i) { return regressionResults.at("beta" + std::to_string(i)); }
    static double stat(const char* key) { return regressionResults.at(key); }

    // Rows (intercept, x1, x2) of the fit years of the worked example as doubles.
    static void exampledata(std::vector<Column>& X, Column& y, int n = 10) {
        X.clear();
        y.clear();
        for (int t = 0; t < n; ++t) {
            X.push_back({1.0, static_cast<double>(x1Data[t]), static_cast<double>(x2Data[t])});
            y.push_back(yData[t]);
        }
    }
};

// |actual - expected| within `rel` of |expected| (or of 1 for values near 0).
inline ::testing::AssertionResult closeto(double actual, double expected, double rel = 2e-5) {
    const double scale = std::fabs(expected) > 1e-3 ? std::fabs(expected) : 1e-3;
    if (std::fabs(actual - expected) <= rel * scale) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not within " << rel << " (relative) of " << expected;
}

}  // namespace regresstest
