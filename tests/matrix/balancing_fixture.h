// A Vam bank b (1995-1996) for the balancing commands: the flow matrix m (3 x 4) with its row
// and column controls rt and ct, vectors and control matrices of other shapes, the packed
// matrix pm (a dense copy of m's pattern) and the input-output matrices of gvras; the
// workspace series tot holds the controls of scale.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "banks/slots.h"
#include "platform/scripted_platform.h"
#include "series/series_state.h"
#include "tests/vam/vam_fixture.h"

namespace baltest {

using namespace vamtest;
using Dense = std::vector<std::vector<double>>;

inline const char* bankConfig =
    "1995 1996\n"
    "m 3 4 0 s.txt c.txt\nrt 3 1 0 s.txt\nct 4 1 0 c.txt\nv 3 1 0 s.txt\nw 2 1 0 s.txt\n"
    "rt4 4 1 0 c.txt\ncm 2 4 0 s.txt c.txt\nkm 3 2 0 s.txt s.txt\nrm 3 4 0 s.txt c.txt\n"
    "pm 3 4 p s.txt c.txt\n"
    "io 5 6 0 s.txt s.txt\nex 5 6 0 s.txt s.txt\nback 5 6 0 s.txt s.txt\n";

inline const Dense flows = {{5, 10, 15, 20}, {10, 5, 20, 15}, {20, 15, 5, 10}};
inline const std::vector<double> rowControls = {60, 55, 45};
inline const std::vector<double> colControls = {40, 35, 45, 40};

// The packed file of pm: every cell of a 3 x 4 matrix stored, 1995 and 1996 holding `cells`.
inline std::vector<std::uint8_t> densePacked(const Dense& cells) {
    PackedHeader h;
    h.name = "pm";
    h.firstYear = 1995;
    h.lastYear = 1996;
    h.rows = 3;
    h.columns = 4;
    h.firstRow = h.firstColumn = 1;
    h.lastRow = 3;
    h.lastColumn = 4;
    h.cells = 12;
    h.bytesPerPeriod = 48;
    bytes::ByteWriter w;
    w.raw(encodepackedheader(h).data(), packedHeaderSize);
    for (int r = 0; r < 3; ++r) w.i16(4);
    for (int r = 0; r < 3; ++r)
        for (int c = 1; c <= 4; ++c) w.i16(static_cast<std::int16_t>(c));
    for (int k = 0; k < 2; ++k)
        for (const auto& row : cells)
            for (double v : row) w.f32(static_cast<float>(v));
    return w.data();
}

// Biproportional balancing written plainly in double precision, independent of the
// commands: alternate column and row scaling until both kinds of sums meet their controls.
inline Dense ipf(Dense a, const std::vector<double>& r, const std::vector<double>& c) {
    for (int it = 0; it < 10000; ++it) {
        for (std::size_t j = 0; j < c.size(); ++j) {
            double s = 0;
            for (auto& row : a) s += row[j];
            for (auto& row : a) row[j] *= c[j] / s;
        }
        double worst = 0;
        for (std::size_t i = 0; i < r.size(); ++i) {
            double s = 0;
            for (double v : a[i]) s += v;
            worst = std::max(worst, std::fabs(s - r[i]));
            for (double& v : a[i]) v *= r[i] / s;
        }
        if (worst < 1e-13) break;
    }
    return a;
}

class Balancing : public VamTest {
protected:
    void SetUp() override {
        VamTest::SetUp();
        writeText("s.txt", "a\nb\nc\nd\ne\n");
        writeText("c.txt", "w\nx\ny\nz\n");
        create(bankConfig, "b", "b.cfg");
        writeFile("pm.pmx", densePacked(flows));
        ASSERT_TRUE(open("b"));
        settypedline("pm pm.pmx");
        ASSERT_EQ(pmfilegate(bank.get(), nullptr), 0);
        bank.reset();
        for (int k = 0; k < 2; ++k) {
            setm("m", k, flows);
            setv("rt", k, rowControls);
            setv("ct", k, colControls);
        }
        ASSERT_TRUE(open("b"));
        bankSlots[1] = bank.get();
        fdate1 = 1995;
        fdate2 = 1996;
        fdate1Date = JexDate(1995.0f);
        fdate2Date = JexDate(1996.0f);
        clearOutput();
    }
    void TearDown() override {
        bankSlots[1] = nullptr;
        VamTest::TearDown();
    }
    int run(int (*handler)(DataBank*, std::FILE*), const std::string& line) {
        return typed([&](std::FILE* in) { return handler(bank.get(), in); }, line);
    }
    int run(int (*handler)(DataBank*, std::FILE*, int), int mode, const std::string& line) {
        return typed([&](std::FILE* in) { return handler(bank.get(), in, mode); }, line);
    }
    // Values of period k of an element, read from the file (what the bank wrote).
    Dense getm(const char* name, int k) {
        VamFile probe("b");
        const int i = probe.findser(name);
        const int R = probe.rowsOf(i), C = probe.columnsOf(i);
        const auto data = readFile("b.vam");
        const auto pos = static_cast<std::size_t>(probe.elementPos(i, k));
        Dense m(static_cast<std::size_t>(R), std::vector<double>(static_cast<std::size_t>(C)));
        for (int r = 0; r < R; ++r)
            for (int c = 0; c < C; ++c)
                m[r][c] = f32at(data, pos + 4 * static_cast<std::size_t>(r * C + c));
        return m;
    }
    std::vector<double> getv(const char* name, int k) {
        std::vector<double> v;
        for (const auto& row : getm(name, k)) v.push_back(row[0]);
        return v;
    }
    // Writes straight into the file; the bank must hold nothing loaded.
    void setm(const char* name, int k, const Dense& m) {
        if (bank) bank->releaseLoaded();
        VamFile probe("b");
        std::vector<float> flat;
        for (const auto& row : m)
            for (double v : row) flat.push_back(static_cast<float>(v));
        poke("b.vam", static_cast<std::size_t>(probe.elementPos(probe.findser(name), k)), flat);
    }
    void setv(const char* name, int k, const std::vector<double>& v) {
        Dense m;
        for (double x : v) m.push_back({x});
        setm(name, k, m);
    }
    // The workspace series tot: `at1995` in 1995, `at1996` in 1996.
    void settot(float at1995, float at1996) {
        std::vector<float> v(2000, 0.0f);
        v[5] = at1995;
        v[6] = at1996;
        ASSERT_GE(workspaceBank->addser("tot", v.data(), 'y'), 0);
    }
};

inline void expectnear(const Dense& got, const Dense& want, double tol) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        for (std::size_t j = 0; j < want[i].size(); ++j)
            EXPECT_NEAR(got[i][j], want[i][j], tol * std::max(1.0, std::fabs(want[i][j])))
                << "cell " << i + 1 << "." << j + 1;
}

}  // namespace baltest
