#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "series/atfunction.h"
#include "series/rhs.h"
#include "series/series_commands.h"
#include "series_fixture.h"

namespace expr_functions_test {

using seriestest::expectSeries;
using seriestest::M;

namespace {

class AtFunctions : public seriestest::SeriesFixture {
protected:
    struct Result {
        int code;
        std::vector<float> values;
        std::string text;
    };
    Result eval(const std::string& line) {
        seriestest::ReplayInput input({line});
        std::vector<float> out(2000, 0.0f);
        char text[3000] = "";
        char* cursor = text;
        Result r;
        r.code = rhs(out.data(), nullptr, cursor, sizeof text);
        out.resize(obs);
        r.values = out;
        r.text = text;
        return r;
    }
};

}  // namespace

TEST_F(AtFunctions, ChainHoldsEveryNameInOrder) {
    int count = 0;
    const AtFunctionEntry* chain = atfunctionchain(count);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(chain[i].name);
    const std::vector<std::string> expected = {
        "agg", "atoq", "atoqe", "atoqi", "bmk", "csum", "cum", "d", "diff", "dlog", "exp", "fabs",
        "ggr", "hpf", "pre", "if", "ifpos", "interp", "lint", "log", "ma", "max", "mean", "min",
        "miss", "mtoa", "mtoae", "mtoamax", "mtoamin", "mtoas", "mtoq", "mtoqe", "mtoqmax",
        "mtoqmin", "mtoqs", "normal", "pchain", "pchwt", "pcl", "pct", "gr", "peak", "pos", "pow",
        "qchain", "qchwt", "qtoa", "qtoae", "qtoamax", "qtoamin", "qtoas", "qtom", "qtome", "qtos",
        "qtose", "qtoss", "qtosmax", "qtosmin", "rand", "round", "sign", "sin", "sq", "sqrt",
        "stdev", "stoq", "sum", "yoy", "zero"};
    EXPECT_EQ(names, expected);
    for (int i = 0; i < count; ++i) EXPECT_EQ(chain[i].prefix3, names[i] == "hpf" || names[i] == "pre");
}

TEST_F(AtFunctions, NamesAreExactAndCaseSensitive) {
    store("x", {1, 2, 3});
    struct Case {
        std::string expression;
        std::string message;
    } cases[] = {
        {"@Log(x)", " Log is not a recognized function"},
        {"@logx(x)", " logx is not a recognized function"},
        {"@(x)", "@ must be followed by function name"},
        {"@3", "@ must be followed by function name"},
    };
    for (const Case& c : cases) {
        output();
        EXPECT_EQ(eval(c.expression).code, -1) << c.expression;
        EXPECT_NE(output().find(c.message), std::string::npos) << c.expression;
    }
}

TEST_F(AtFunctions, NamesReachTheirHandlers) {
    store("c", {3, 5, 7, 11});
    // The handler's value, folded into the expression like any operand.
    Result r = eval("2 * @log(c)");
    ASSERT_EQ(r.code, 102) << output();
    expectSeries(r.values, {2 * std::log(3.0f), 2 * std::log(5.0f), 2 * std::log(7.0f), 2 * std::log(11.0f)},
                 "2 * @log(c)");
    EXPECT_EQ(r.text, "2*@log(c)");
    // Names that share a handler.
    int count = 0;
    const AtFunctionEntry* chain = atfunctionchain(count);
    auto handler = [&](const char* name) {
        for (int i = 0; i < count; ++i)
            if (std::strcmp(chain[i].name, name) == 0) return chain[i].handler;
        return AtHandler{nullptr};
    };
    EXPECT_EQ(handler("d"), handler("diff"));
    EXPECT_EQ(handler("pct"), handler("gr"));
    Result d = eval("@d(c)");
    Result diff = eval("@diff(c)");
    ASSERT_EQ(d.code, 102);
    expectSeries(std::vector<float>(d.values.begin() + 1, d.values.begin() + 4), {2, 2, 4}, "@d(c)");
    expectSeries(diff.values, d.values, "@diff(c)");
    // Any name beginning with hpf runs one filter.
    store("y", {1, 3, 2, 5, 4, 6, 8, 7, 9, 12, 10, 11, 13, 15, 14, 16, 18, 17, 19, 20});
    Result h1 = eval("@hpfilter(y, 100)");
    Result h2 = eval("@hpf(y, 100)");
    ASSERT_EQ(h1.code, 102) << output();
    expectSeries(h2.values, h1.values, "@hpf against @hpfilter");
    for (int i = 0; i < count; ++i) EXPECT_NE(chain[i].handler, nullptr) << chain[i].name;
}

TEST_F(AtFunctions, CumOverTheFdates) {
    // inv: 10 in 1990-1991, then 10, 20, missing, 30, 40 over 1992-1996, 50 after.
    std::vector<float> inv = {10, 10, 10, 20, M, 30, 40};
    inv.resize(obs, 50.0f);
    store("inv", inv);
    fdate1 = 1992;
    fdate2 = 1996;
    fdate1Date = JexDate(1992.0f);
    fdate2Date = JexDate(1996.0f);
    Result r = eval("@cum(k, inv, 0.1) + 0");
    ASSERT_EQ(r.code, 102) << output();
    EXPECT_EQ(r.text, "@cum(k,inv,0.1)+0");
    // 1992: 10; 1993: 0.9 * 10 + 20 = 29; 1994: missing while the stock decays to 26.1;
    // 1995: 0.9 * 26.1 + 30 = 53.49; 1996: 0.9 * 53.49 + 40 = 88.141.
    std::vector<float> k = {M, M, 10, 29, M, 53.49f, 88.141f};
    k.resize(obs, M);
    expectSeries(r.values, k, "@cum value");
    expectSeries(series("k"), k, "stored k");
    EXPECT_EQ(frequencyOf("k"), 1);
}

TEST_F(AtFunctions, CumWithoutFdatesRunsToTheLastObservation) {
    store("inv", std::vector<float>(obs, 1.0f));
    Result r = eval("@cum(k, inv, 0)");
    ASSERT_EQ(r.code, 102) << output();
    for (int i = 0; i < obs; ++i) EXPECT_FLOAT_EQ(r.values[i], static_cast<float>(i + 1));
    // A spill of a whole series: the stock is the input alone each period.
    store("half", std::vector<float>(obs, 0.5f));
    r = eval("@cum(k2, inv * 2, half)");
    ASSERT_EQ(r.code, 102);
    // s(t) = 0.5 s(t-1) + 2, s(0) = 2: 2, 3, 3.5, 3.75, ...
    expectSeries(r.values, {2, 3, 3.5f, 3.75f, 3.875f}, "@cum with a spill series");
}

TEST_F(AtFunctions, CumSyntax) {
    store("inv", {1, 2, 3});
    for (const char* e : {"@cum k, inv, 0)", "@cum(k inv, 0)", "@cum(k, inv)", "@cum(k, inv, 0, 1)"}) {
        output();
        EXPECT_EQ(eval(e).code, -1) << e;
        EXPECT_NE(output().find("syntax error in @cum(output,input,spill)"), std::string::npos) << e;
    }
    EXPECT_TRUE(series("k").empty());
}

TEST_F(AtFunctions, CsumOverAGroup) {
    store("x1", {1, 2, 3, 4});
    store("x2", {10, M, 30, 40});
    store("x3", {100, 200, 300, 400});
    Result r = eval("@csum(x, 1-3) * 2");
    ASSERT_EQ(r.code, 102) << output();
    expectSeries(r.values, {222, M, 666, 888}, "@csum(x,1-3)*2");
    EXPECT_EQ(r.text, "@csum(x,\"1-3\")*2");
    r = eval("@csum(x, 1-3 (2))");
    expectSeries(r.values, {101, 202, 303, 404}, "@csum(x,1-3(2))");

    output();
    EXPECT_EQ(eval("@csum(x, 1-4)").code, -1);
    EXPECT_NE(output().find("Error reading series x4 from bank."), std::string::npos);
    EXPECT_EQ(eval("@csum(x, 1 +)").code, -1);
    EXPECT_NE(output().find("Error:  in group routine, error in group specification."), std::string::npos);
    EXPECT_EQ(eval("@csum(x; 1)").code, -1);
    EXPECT_NE(output().find("Syntax error in @csum(name,groupdefn)"), std::string::npos);
}

TEST_F(AtFunctions, CsumOfAVectorNeedsABank) {
    output();
    EXPECT_EQ(eval("@csum(v)").code, -1);
    EXPECT_NE(output().find("Error:  No default vam file has been specified."), std::string::npos);
    EXPECT_EQ(eval("@csum(b.v)").code, -1);
    EXPECT_NE(output().find("Bank b not assigned."), std::string::npos);
}

}  // namespace expr_functions_test
