// The resectoring engine on keys written inline: reading the key, the concordances formed
// from it, and the arithmetic (aggregation, splitting, cross-aggregation, control totals),
// each result checked against a share-matrix computation of the test's own in double.
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "matrix/resector.h"
#include "series/rdscale.h"
#include "tests/banks/command_test_util.h"

namespace resector_test {

namespace {

using Dense = std::vector<std::vector<double>>;
using Pairs = std::vector<std::pair<int, int>>;

class ResectorEngine : public banktest::BankCmdTest {
protected:
    void TearDown() override {
        rs.reset();
        BankCmdTest::TearDown();
    }
    int read(const std::string& key, int columns = 20, int maxLines = 2500) {
        banktest::writeText("key.txt", key);
        return rs.readKeyFile("key.txt", columns, maxLines);
    }
    ReSector rs;
};

// The share of source sector s that reaches target t, from the key's pairs: every distinct
// target of s gets split[t] over the sum of the splits of s's targets (all of it when s has
// one target).
Dense shares(const Pairs& key, int F, int T, const std::vector<double>& split) {
    Dense S(static_cast<std::size_t>(F) + 1, std::vector<double>(static_cast<std::size_t>(T) + 1, 0));
    std::map<int, std::set<int>> targets;
    for (auto [c, e] : key)
        if (c >= 1 && c <= F && e >= 1 && e <= T) targets[c].insert(e);
    for (auto& [s, ts] : targets) {
        double sum = 0;
        for (int t : ts) sum += split[static_cast<std::size_t>(t) - 1];
        for (int t : ts)
            S[static_cast<std::size_t>(s)][static_cast<std::size_t>(t)] =
                ts.size() == 1 ? 1.0 : split[static_cast<std::size_t>(t) - 1] / sum;
    }
    return S;
}

Vector<float> vec(const std::vector<double>& v) {
    Vector<float> out(static_cast<int>(v.size()), 1);
    for (std::size_t k = 0; k < v.size(); ++k) out[static_cast<int>(k) + 1] = static_cast<float>(v[k]);
    return out;
}

Matrix<float> mat(const Dense& m) {
    Matrix<float> out(static_cast<int>(m.size()), static_cast<int>(m[0].size()));
    for (std::size_t i = 0; i < m.size(); ++i)
        for (std::size_t j = 0; j < m[i].size(); ++j)
            out(static_cast<int>(i) + 1, static_cast<int>(j) + 1) = static_cast<float>(m[i][j]);
    return out;
}

void expectvec(const Vector<float>& got, const std::vector<double>& want) {
    ASSERT_EQ(got.count(), static_cast<int>(want.size()));
    for (std::size_t k = 0; k < want.size(); ++k)
        EXPECT_NEAR(got[static_cast<int>(k) + 1], want[k], 1e-5 * std::max(1.0, std::fabs(want[k])))
            << "element " << k + 1;
}

void expectmat(const Matrix<float>& got, const Dense& want) {
    ASSERT_EQ(got.rows(), static_cast<int>(want.size()));
    for (std::size_t i = 0; i < want.size(); ++i)
        for (std::size_t j = 0; j < want[i].size(); ++j)
            EXPECT_NEAR(got(static_cast<int>(i) + 1, static_cast<int>(j) + 1), want[i][j],
                        1e-5 * std::max(1.0, std::fabs(want[i][j])))
                << "cell " << i + 1 << "." << j + 1;
}

// The part's example key: schemes 3 and 2, lines (1, 1), (2, 1), (3, 2), (3, 1).
const char* exampleKey = "3 2\n1 1\n2 1\n3 2\n3 1\n";
const Pairs examplePairs = {{1, 1}, {2, 1}, {3, 2}, {3, 1}};
const char* fourKey = "4 2\n1 1\n2 1\n3 2\n4 2\n";

std::vector<int> targets(ReSector& rs, int F, int T, int s) {
    const int n = rs.mapCount(F, T, s);
    std::vector<int> out(n > 0 ? static_cast<std::size_t>(n) : 0);
    if (n > 0) {
        EXPECT_EQ(rs.mappedSectors(F, T, s, out.data()), n);
    }
    return out;
}

TEST_F(ResectorEngine, ExampleKeyFormsBothConcordancesInKeyOrder) {
    ASSERT_EQ(read(exampleKey, 2), 0);
    EXPECT_TRUE(rs.isCreated());
    EXPECT_EQ(rs.schemeIndex(3), 0);
    EXPECT_EQ(rs.schemeIndex(2), 1);
    EXPECT_EQ(rs.schemeIndex(7), -1);
    // not formed yet: only mapCount says so
    clearOutput();
    EXPECT_EQ(rs.countMapped(3, 2), -2);
    EXPECT_EQ(rs.firstMapped(3, 2, 1), -2);
    EXPECT_EQ(output(), "");
    EXPECT_EQ(rs.mapCount(3, 2, 1), -2);
    EXPECT_EQ(output(), "Error:  In rs concordance, no mapping was defined from 3 to 2.\n");

    ASSERT_EQ(rs.formConcordance(3, 2), 0);
    EXPECT_EQ(targets(rs, 3, 2, 1), std::vector<int>({1}));
    EXPECT_EQ(targets(rs, 3, 2, 2), std::vector<int>({1}));
    EXPECT_EQ(targets(rs, 3, 2, 3), std::vector<int>({2, 1}));
    EXPECT_EQ(rs.countMapped(3, 2), 3);
    EXPECT_EQ(rs.mapCount(2, 3, 1), -2);  // forming 3 to 2 does not form 2 to 3
    ASSERT_EQ(rs.formConcordance(2, 3), 0);
    EXPECT_EQ(targets(rs, 2, 3, 1), std::vector<int>({1, 2, 3}));
    EXPECT_EQ(targets(rs, 2, 3, 2), std::vector<int>({3}));
    EXPECT_EQ(rs.firstMapped(2, 3, 2), 3);
    EXPECT_EQ(rs.firstMapped(2, 3, 0), -3);
    EXPECT_EQ(rs.firstMapped(2, 3, 3), -3);

    clearOutput();
    EXPECT_EQ(rs.formConcordance(5, 2), -1);
    EXPECT_EQ(rs.mapCount(3, 9, 1), -1);
    EXPECT_EQ(output(), "\nError:  No such aggregation scheme: 5\n\nError:  No such aggregation scheme: 9\n");

    // a second key resets every concordance
    ASSERT_EQ(read(exampleKey, 2), 0);
    EXPECT_EQ(rs.countMapped(3, 2), -2);
}

TEST_F(ResectorEngine, KeyValuesOutsideTheSchemeAndRepeatsAndExtraNumbers) {
    // line 2 has no sector in scheme 2; line 4 repeats line 1; line 5 carries a comment number
    ASSERT_EQ(read("3 2 99 trailing words\n1 1\n2 0\n3 2\n1 1\n2 7 5 5 5\n", 2), 0);
    ASSERT_EQ(rs.formConcordance(3, 2), 0);
    EXPECT_EQ(targets(rs, 3, 2, 1), std::vector<int>({1}));
    EXPECT_EQ(rs.mapCount(3, 2, 2), 0);  // 0 and 7 are no sectors of scheme 2
    EXPECT_EQ(rs.firstMapped(3, 2, 2), -4);
    EXPECT_EQ(rs.mappedSectors(3, 2, 2, nullptr), -1);
    EXPECT_EQ(rs.countMapped(3, 2), 2);
    ASSERT_EQ(rs.formConcordance(3, 3), 0);  // a scheme to itself: each sector alone
    EXPECT_EQ(targets(rs, 3, 3, 2), std::vector<int>({2}));
}

TEST_F(ResectorEngine, KeyFilesThatAreRefused) {
    struct Case {
        const char* name;
        std::string key;
        int columns, maxLines;
        int result;
        std::string printed;
    };
    const std::string bad = "\nError:  in ReSector routine, got bad value in key.txt key file.\n";
    const Case cases[] = {
        {"empty line after the header", "3 2\n\n1 1\n", 2, 5, 0, ""},
        {"exactly the maximum", "3 2\n1 1\n2 1\n3 2\n", 2, 3, 0, ""},
        {"one line more", "3 2\n1 1\n2 1\n3 2\n3 1\n", 2, 3, -1,
         "\nError:  Too many lines in ReSector aggregation file: 4.  MaxSecs = 3.\n"},
        {"a word in the header", "3 two\n1 1\n", 2, 5, -1, bad},
        {"a short header", "3\n1 1\n", 2, 5, -1, bad},
        {"a word in a key line", "3 2\n1 x\n", 2, 5, -1, bad},
        {"a scheme of no sectors", "3 0\n1 1\n", 2, 5, -1, bad},
        {"more than 20 columns", "3 2\n1 1\n", 21, 5, -1,
         "\nError:  in ReSector routine, a key of 21 columns and 5 lines cannot be read.\n"},
        {"no columns", "3 2\n1 1\n", 0, 5, -1,
         "\nError:  in ReSector routine, a key of 0 columns and 5 lines cannot be read.\n"},
        {"no lines allowed", "3 2\n1 1\n", 2, 0, -1,
         "\nError:  in ReSector routine, a key of 2 columns and 0 lines cannot be read.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clearOutput();
        EXPECT_EQ(read(c.key, c.columns, c.maxLines), c.result);
        EXPECT_EQ(output(), c.printed);
        EXPECT_EQ(rs.isCreated(), c.result == 0 ? 1 : 0);
    }
    ASSERT_EQ(read("3 2\n\n1 1\n", 2), 0);
    ASSERT_EQ(rs.formConcordance(3, 2), 0);
    EXPECT_EQ(rs.countMapped(3, 2), 0);
    clearOutput();
    EXPECT_EQ(rs.readKeyFile("missing.txt", 2, 5), -1);
    EXPECT_EQ(output(), "\nError:  in ReSector routine, unable to open missing.txt key file.\n");
    EXPECT_FALSE(rs.isCreated());
}

TEST_F(ResectorEngine, AggregationAndSplittingMatchTheShareMatrix) {
    ASSERT_EQ(read(exampleKey, 2), 0);
    ASSERT_EQ(rs.formConcordance(3, 2), 0);
    // vectors: out[t] = sum over s of in[s] S[s][t]
    const std::vector<double> d = {10, 20, 40}, split = {1, 3};
    const Dense S = shares(examplePairs, 3, 2, split);
    std::vector<double> want(2, 0);
    for (int s = 1; s <= 3; ++s)
        for (int t = 1; t <= 2; ++t) want[t - 1] += d[s - 1] * S[s][t];
    Vector<float> out(2, 1);
    ASSERT_EQ(rs.AggVector(3, 2, vec(d), out, vec(split)), 0);
    expectvec(out, want);
    expectvec(out, {40, 30});

    // matrices with equal splits: S' M S
    const Dense m = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    const Dense E = shares(examplePairs, 3, 2, {1, 1});
    Dense agg(2, std::vector<double>(2, 0));
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            for (int a = 1; a <= 2; ++a)
                for (int b = 1; b <= 2; ++b) agg[a - 1][b - 1] += E[i][a] * m[i - 1][j - 1] * E[j][b];
    Matrix<float> got(2, 2);
    ASSERT_EQ(rs.aggMatrix(3, 2, 3, 2, mat(m), got), 0);
    expectmat(got, agg);
    expectmat(got, {{26.25, 6.75}, {9.75, 2.25}});

    // a zero split sum loses sector 3's value; single targets ignore the split
    ASSERT_EQ(rs.AggVector(3, 2, vec(d), out, vec({0, 0})), 0);
    expectvec(out, {30, 0});
}

TEST_F(ResectorEngine, FourToTwoAggregationAndControls) {
    ASSERT_EQ(read(fourKey, 2), 0);
    ASSERT_EQ(rs.formConcordance(4, 2), 0);
    ASSERT_EQ(rs.formConcordance(2, 4), 0);
    Vector<float> out(2, 1);
    ASSERT_EQ(rs.AggVector(4, 2, vec({10, 20, 30, 40}), out, vec({0, 0})), 0);
    expectvec(out, {30, 70});
    Dense m(4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) m[i].push_back(4 * i + j + 1);
    Matrix<float> two(2, 2), rows(2, 4);
    ASSERT_EQ(rs.aggMatrix(4, 2, 4, 2, mat(m), two), 0);
    expectmat(two, {{14, 22}, {46, 54}});
    ASSERT_EQ(rs.AggMatRows(4, 2, mat(m), rows, vec({1, 1})), 0);
    expectmat(rows, {{6, 8, 10, 12}, {22, 24, 26, 28}});

    Vector<float> detail = vec({10, 20, 30, 40});
    ASSERT_EQ(rs.CtrlVec(4, 2, detail, vec({45, 35})), 0);
    expectvec(detail, {15, 30, 15, 20});
    detail = vec({10, 20, 30, 40});
    ASSERT_EQ(rs.RdCtrlVec(4, 2, detail, vec({45, 35})), 0);
    expectvec(detail, {15, 30, 15, 20});

    // rows scaled column by column: detail[i][j] * control[q][j] / sum of the group's column j
    const Dense control = {{20, 20, 30, 30}, {50, 60, 70, 80}};
    Dense want = m;
    for (int j = 0; j < 4; ++j) {
        const double s1 = m[0][j] + m[1][j], s2 = m[2][j] + m[3][j];
        want[0][j] *= control[0][j] / s1;
        want[1][j] *= control[0][j] / s1;
        want[2][j] *= control[1][j] / s2;
        want[3][j] *= control[1][j] / s2;
    }
    Matrix<float> dm = mat(m);
    ASSERT_EQ(rs.CtrlMatRows(4, 2, dm, mat(control), JexDate(1995.0f)), 0);
    expectmat(dm, want);
    EXPECT_NEAR(dm(1, 1), 3.3333333, 1e-5);
    EXPECT_NEAR(dm(3, 1), 20.454545, 1e-4);
    EXPECT_NEAR(dm(3, 3), 29.615385, 1e-4);
    EXPECT_NEAR(dm(3, 4), 34.285714, 1e-4);

    // blocks: each 2 x 2 block scaled to its aggregate cell
    dm = mat(m);
    const Dense cells = {{100, 0}, {10, 40}};
    ASSERT_EQ(rs.CtrlMat(4, 2, dm, mat(cells)), 0);
    Dense block = m;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int a = (i / 2) * 2; a < (i / 2) * 2 + 2; ++a)
                for (int b = (j / 2) * 2; b < (j / 2) * 2 + 2; ++b) sum += m[a][b];
            const double c = cells[i / 2][j / 2];
            block[i][j] = c == 0 ? m[i][j] : m[i][j] * c / sum;  // a zero control changes nothing
        }
    expectmat(dm, block);
}

TEST_F(ResectorEngine, ControlCasesOfOneGroup) {
    // aggregate 1 over detail 1..3, aggregate 2 over detail 4 alone, aggregate 3 with none
    ASSERT_EQ(read("4 3\n1 1\n2 1\n3 1\n4 2\n", 2), 0);
    ASSERT_EQ(rs.formConcordance(3, 4), 0);
    Vector<float> detail = vec({2, 6, 0, 9});
    ASSERT_EQ(rs.CtrlVec(4, 3, detail, vec({16, 0, 0})), 0);
    expectvec(detail, {4, 12, 0, 0});  // one-to-one takes the control, zero or not
    detail = vec({0, 0, 0, 9});
    clearOutput();
    ASSERT_EQ(rs.CtrlVec(4, 3, detail, vec({5, 7, 0})), 0);
    expectvec(detail, {0, 0, 0, 7});
    EXPECT_EQ(output(), "\nError:  Problem in CtrlVec: No detail to scale to total.\n"
                        "Aggregate: 1.  1st det.: 1.  ctrl =        5.0\n");
    // an aggregate with no detail under a nonzero control fails; rdctrlvec fails whatever
    clearOutput();
    detail = vec({2, 6, 0, 9});
    EXPECT_EQ(rs.CtrlVec(4, 3, detail, vec({16, 0, 3})), -1);
    EXPECT_EQ(output(), "Error:  in rs ctrlvec, no detailed match was found for aggregate sector 3.\n");
    EXPECT_EQ(rs.RdCtrlVec(4, 3, detail, vec({16, 0, 0})), -1);
    // negative detail: rdctrlvec moves every element towards the total (rdscale's rule,
    // checked through its double core on the same group)
    ASSERT_EQ(read("4 2\n1 1\n2 1\n3 1\n4 2\n", 2), 0);
    ASSERT_EQ(rs.formConcordance(2, 4), 0);
    detail = vec({8, -2, 4, 1});
    ASSERT_EQ(rs.RdCtrlVec(4, 2, detail, vec({20, 3})), 0);
    double x[5] = {0, 8, -2, 4, 1}, factor = 0;
    const short members[3] = {1, 2, 3};
    ASSERT_EQ(rdscalecore(nullptr, x, 4, members, 3, 20, &factor), 30);
    expectvec(detail, {x[1], x[2], x[3], 3});
    EXPECT_NEAR(detail[1] + detail[2] + detail[3], 20, 1e-4);
    // the not-formed reverse concordance: ctrlvec's illegal-map message
    clearOutput();
    EXPECT_EQ(rs.CtrlVec(4, 3, detail, vec({1, 1, 1})), -1);
    EXPECT_EQ(output(), "\nError:  No such aggregation scheme: 3\n\nError:  In rs, illegal vector aggregation map.\n");
}

TEST_F(ResectorEngine, GroupsOfMoreThanTwoHundredDetailedSectors) {
    // 250 detailed sectors under aggregate 1, sector 251 alone under aggregate 2
    std::string key = "251 2\n";
    for (int s = 1; s <= 251; ++s) key += std::to_string(s) + (s <= 250 ? " 1\n" : " 2\n");
    ASSERT_EQ(read(key, 2), 0);
    ASSERT_EQ(rs.formConcordance(2, 251), 0);
    EXPECT_EQ(rs.mapCount(2, 251, 1), 250);
    std::vector<double> d, doubled;
    double sum = 0;
    for (int s = 1; s <= 251; ++s) {
        d.push_back(s);
        if (s <= 250) sum += s;
        doubled.push_back(s <= 250 ? 2.0 * s : 7.0);
    }
    Vector<float> detail = vec(d);
    ASSERT_EQ(rs.CtrlVec(251, 2, detail, vec({2 * sum, 7})), 0);
    expectvec(detail, doubled);
    detail = vec(d);
    ASSERT_EQ(rs.RdCtrlVec(251, 2, detail, vec({2 * sum, 7})), 0);
    expectvec(detail, doubled);
}

TEST_F(ResectorEngine, CrossAggregationThroughAnInBetweenScheme) {
    // schemes F = 2, B = 4, T = 3: F sector 1 -> B 1, 2 (T 1, 2); F sector 2 -> B 3 (T 3) and
    // B 4 (T 3)
    ASSERT_EQ(read("2 4 3\n1 1 1\n1 2 2\n2 3 3\n2 4 3\n", 3), 0);
    for (auto [a, b] : std::vector<std::pair<int, int>>{{2, 3}, {2, 4}, {4, 3}, {4, 2}, {4, 4}, {2, 2}})
        ASSERT_EQ(rs.formConcordance(a, b), 0);
    Vector<float> out(3, 1);
    const std::vector<double> split = {1, 3, 5, 5};
    ASSERT_EQ(rs.CrossAggVector(2, 3, 4, vec({8, 6}), out, vec(split)), 0);
    // 8 spread 1:3 over B 1, 2 then on to T 1, 2; 6 goes straight to T 3
    expectvec(out, {2, 6, 6});
    // T equal to B: the direct values plus the spread ones
    Vector<float> outB(4, 1);
    ASSERT_EQ(rs.CrossAggVector(2, 4, 4, vec({8, 6}), outB, vec(split)), 0);
    const Dense S = shares({{1, 1}, {1, 2}, {2, 3}, {2, 4}}, 2, 4, split);
    std::vector<double> want(4, 0);
    for (int s = 1; s <= 2; ++s)
        for (int t = 1; t <= 4; ++t) want[t - 1] += std::vector<double>{8, 6}[s - 1] * S[s][t];
    expectvec(outB, want);

    // matrices: every row through B, then B rows summed into T
    Matrix<float> mo(3, 2);
    ASSERT_EQ(rs.CrossAggMatRows(2, 3, 4, mat({{8, 4}, {6, 2}}), mo, vec(split)), 0);
    expectmat(mo, {{2, 1}, {6, 3}, {6, 2}});
    // an in-between sector with two targets stops the matrix routine
    ASSERT_EQ(read("2 4 3\n1 1 1\n1 1 2\n2 3 3\n2 4 3\n", 3), 0);
    ASSERT_EQ(rs.formConcordance(2, 4), 0);
    ASSERT_EQ(rs.formConcordance(4, 3), 0);
    clearOutput();
    EXPECT_EQ(rs.CrossAggMatRows(2, 3, 4, mat({{8, 4}, {6, 2}}), mo, vec(split)), -1);
    EXPECT_EQ(output(), "\nError:  The InBetween Vector is not detailed enough!\n"
                        "  You need to do splits.  Sorry, not ready for ya.\n");
}

TEST_F(ResectorEngine, SizeChecksComeBeforeAnyWrite) {
    ASSERT_EQ(read(exampleKey, 2), 0);
    ASSERT_EQ(rs.formConcordance(3, 2), 0);
    Vector<float> out = vec({5, 5});
    clearOutput();
    EXPECT_EQ(rs.AggVector(3, 2, vec({1, 2}), out, vec({1, 1})), -1);
    EXPECT_EQ(rs.AggVector(3, 2, vec({1, 2, 3}), out, vec({1, 1, 1})), -1);
    EXPECT_EQ(output(),
              "\nError:  In AggVector, in Vector has wrong number of elements.  (2 instead of 3)\n"
              "\nError:  In AggVector, SplitVector has wrong number of elements.  (3 instead of 2)\n");
    expectvec(out, {5, 5});
    Matrix<float> narrow(2, 2);
    clearOutput();
    EXPECT_EQ(rs.AggMatRows(3, 2, mat({{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}), narrow, vec({1, 1})), -1);
    EXPECT_EQ(output(), "\nError:  In AggMatRows, number of columns of two matrices unequal: (3 in, 2 out).\n");
}

}  // namespace

}  // namespace resector_test
