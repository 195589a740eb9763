// A small bank over time for the commands that fill and compute periods (index, lint, vc):
// bank b, 1995-1998, with the matrix mm, its Leontief inverse l, the packed pm, and vectors;
// the workspace (1990, 100 observations) holds the guide series.
#pragma once

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "core/missing.h"
#include "tests/vam/vam_fixture.h"

namespace timetest {

using namespace vamtest;
using Dense = std::vector<std::vector<double>>;

inline const char* timeConfig =
    "1995 1998\n"
    "mm 3 3 0 s.txt s.txt\nl 3 3 0 s.txt s.txt\nu 3 1 0 s.txt\ny 3 1 0 s.txt\n"
    "w 5 1 0 s.txt\nv 3 1 0 s.txt\npm 3 3 p s.txt s.txt\n";

inline const Dense coefA = {{0.15, 0.25, 0.05}, {0.2, 0.05, 0.4}, {0.3, 0.25, 0.05}};

// A packed file of `rows` x `columns`: the column numbers of each row, then the values of
// each period (cells in file order), dated from `firstYear`.
inline std::vector<std::uint8_t> packedfile(int rows, int columns,
                                            const std::vector<std::vector<int>>& pattern,
                                            const std::vector<std::vector<float>>& periods,
                                            int firstYear) {
    PackedHeader h;
    h.name = "pm";
    h.firstYear = static_cast<std::int16_t>(firstYear);
    h.lastYear = static_cast<std::int16_t>(firstYear + static_cast<int>(periods.size()) - 1);
    h.rows = static_cast<std::int16_t>(rows);
    h.columns = static_cast<std::int16_t>(columns);
    h.lastRow = h.rows;
    h.lastColumn = h.columns;
    int cells = 0;
    for (const auto& r : pattern) cells += static_cast<int>(r.size());
    h.cells = cells;
    h.bytesPerPeriod = 4 * cells;
    bytes::ByteWriter w;
    w.raw(encodepackedheader(h).data(), packedHeaderSize);
    for (const auto& r : pattern) w.i16(static_cast<std::int16_t>(r.size()));
    for (const auto& r : pattern)
        for (int c : r) w.i16(static_cast<std::int16_t>(c));
    for (const auto& p : periods)
        for (float v : p) w.f32(v);
    return w.data();
}

// The dense 3 x 3 pattern and a period holding the matrix.
inline std::vector<std::vector<int>> densepattern() { return {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}}; }
inline std::vector<float> flat(const Dense& m) {
    std::vector<float> out;
    for (const auto& row : m)
        for (double v : row) out.push_back(static_cast<float>(v));
    return out;
}

class TimeBank : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        writeText("s.txt", "agr\nman\nsrv\n");
        create(timeConfig, "b", "b.cfg");
        setpacked(packedfile(3, 3, densepattern(), {flat(coefA), flat(coefA), flat(coefA), flat(coefA)}, 1995));
        ASSERT_TRUE(open("b"));
        settypedline("pm pm.pmx");
        ASSERT_EQ(pmfilegate(bank.get(), nullptr), 0);
        bankSlots[1] = bank.get();
        bankTypes[1] = 'v';
        defaultVamBank = 1;
        fdate1 = 1995;
        fdate2 = 1998;
        fdate1Date = JexDate(1995.0f);
        fdate2Date = JexDate(1998.0f);
    }
    void TearDown() override {
        bankSlots[1] = nullptr;
        bankTypes[1] = ' ';
        defaultVamBank = -1;
        VamTest::TearDown();
    }
    void setfdates(float a, float b) {
        fdate1 = a;
        fdate2 = b;
        fdate1Date = JexDate(a);
        fdate2Date = JexDate(b);
    }
    void setpacked(const std::vector<std::uint8_t>& bytes) { writeFile("pm.pmx", bytes); }
    int run(int (*handler)(DataBank*, std::FILE*), const std::string& line) {
        return typed([&](std::FILE* in) { return handler(bank.get(), in); }, line);
    }
    // Element values of period k straight from the file (the loaded element stored first).
    Dense getm(const char* name, int k) {
        if (bank && bank->isLoaded()) bank->storecmd();
        const int i = bank->findser(name);
        Dense m(static_cast<std::size_t>(bank->rowsOf(i)));
        for (int r = 0; r < bank->rowsOf(i); ++r)
            for (int c = 0; c < bank->columnsOf(i); ++c)
                m[static_cast<std::size_t>(r)].push_back(
                    cell("b.vam", *bank, i, k, r * bank->columnsOf(i) + c));
        return m;
    }
    std::vector<double> getv(const char* name, int k) {
        std::vector<double> v;
        for (const auto& row : getm(name, k)) v.push_back(row[0]);
        return v;
    }
    void setm(const char* name, int k, const Dense& m) {
        if (bank->isLoaded()) bank->storecmd();
        const int i = bank->findser(name);
        poke("b.vam", static_cast<std::size_t>(bank->elementPos(i, k)), flat(m));
    }
    void setv(const char* name, int k, const std::vector<double>& v) {
        Dense m;
        for (double x : v) m.push_back({x});
        setm(name, k, m);
    }
    // Values of period k of the packed file (cells in file order).
    std::vector<float> packedperiod(int k, int cells = 9, int rows = 3) {
        const auto data = readFile("pm.pmx");
        std::vector<float> out;
        const std::size_t at = packedHeaderSize + 2 * (rows + cells) + 4 * cells * k;
        for (int m = 0; m < cells; ++m) out.push_back(f32at(data, at + 4 * m));
        return out;
    }
    // A workspace series from `year` on (the rest missing).
    void setws(const char* name, int year, const std::vector<float>& values) {
        std::vector<float> all(1999, MISSING);
        for (std::size_t k = 0; k < values.size(); ++k) all[static_cast<std::size_t>(year - 1990) + k] = values[k];
        ASSERT_GE(workspaceBank->addser(name, all.data(), 'y', -1), 0);
    }
    std::vector<std::uint8_t> bytesnow() {
        if (bank && bank->isLoaded()) bank->storecmd();
        return readFile("b.vam");
    }
};

inline void expectnear(const Dense& got, const Dense& want, double rel = 1e-5) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got[i].size(), want[i].size());
        for (std::size_t j = 0; j < want[i].size(); ++j)
            EXPECT_NEAR(got[i][j], want[i][j], rel * std::max(1.0, std::fabs(want[i][j])))
                << "cell " << i + 1 << "." << j + 1;
    }
}
inline void expectnear(const std::vector<double>& got, const std::vector<double>& want,
                       double rel = 1e-5) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], rel * std::max(1.0, std::fabs(want[i]))) << "element " << i + 1;
}

}  // namespace timetest
