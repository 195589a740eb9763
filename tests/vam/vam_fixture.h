// Helpers of the Vam tests: a directory with a workspace (1990, 100 annual observations),
// banks made by vamcreate from a configuration text, and byte access to their files.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "series/series_state.h"
#include "tests/banks/command_test_util.h"
#include "vam/groups.h"
#include "vam/pmatrix.h"
#include "vam/vam_commands.h"
#include "vam/vamfile.h"

namespace vamtest {

using banktest::readFile;
using banktest::writeFile;
using banktest::writeText;

inline float f32at(const std::vector<std::uint8_t>& b, std::size_t pos) {
    return bytes::getF32(b.data() + pos);
}

// A copy of the bytes with `patch` written over them from `at`.
inline std::vector<std::uint8_t> patched(const std::vector<std::uint8_t>& bytes, std::size_t at,
                                         const std::vector<std::uint8_t>& patch) {
    auto out = bytes;
    for (std::size_t k = 0; k < patch.size(); ++k) out[at + k] = patch[k];
    return out;
}

class VamTest : public banktest::BankCmdTest {
protected:
    void SetUp() override {
        BankCmdTest::SetUp();
        resetseriesstate();
        pmModeAdvanced = false;
        vamMode = 'a';
        emptydynamicgroup();
    }
    void TearDown() override {
        bank.reset();
        closegrouphome();
        emptydynamicgroup();
        pmModeAdvanced = false;
        resetseriesstate();
        BankCmdTest::TearDown();
    }
    // vamcreate from a configuration text written to `cfg`.
    void create(const std::string& config, const std::string& stem = "hist",
                const std::string& cfg = "model.cfg") {
        writeText(cfg, config);
        typed(vamcrcmd, "\"" + cfg + "\" " + stem);
    }
    // Opens the bank as the test's bank (null when it does not open).
    VamFile* open(const std::string& stem = "hist") {
        bank.reset(new VamFile(stem.c_str()));
        if (!bank->isOpen()) bank.reset();
        return bank.get();
    }
    // The float at period k, position n (from 0) of element i, read from the file itself.
    float cell(const std::string& file, const VamFile& b, int i, int k, int n) {
        return f32at(readFile(file), static_cast<std::size_t>(b.elementPos(i, k)) + 4 * n);
    }
    // Writes floats into the file at a byte position.
    void poke(const std::string& file, std::size_t pos, const std::vector<float>& values) {
        auto data = readFile(file);
        for (std::size_t k = 0; k < values.size(); ++k) bytes::putF32(data.data() + pos + 4 * k, values[k]);
        writeFile(file, data);
    }

    std::unique_ptr<VamFile> bank;
};

// The two banks of the examples: x (10 x 1) and am (10 x 10), 1990-1995; and x (3 x 1) with
// the packed pm (3 x 4), 1990-1991.
inline const char* modelConfig = "1990 1995\nx 10 1 0 rows.txt\nam 10 10 0 rows.txt cols.txt\n";
inline const char* packedConfig = "1990 1991\nx 3 1 0 rows.txt\npm 3 4 p rows.txt cols.txt\n";

// The packed file of pm: row counts 2, 1, 1; columns 2 4 / 3 / 1; 1990 values 1.5 2 0 -1;
// 1991 values 3 0 7 0.
inline std::vector<std::uint8_t> packedFixture() {
    PackedHeader h;
    h.name = "pm";
    h.dated = true;
    const std::uint8_t details[6] = {1, 0, 1, 1, 0, 1};
    std::memcpy(h.details, details, 6);
    h.firstYear = 1990;
    h.lastYear = 1991;
    h.rows = 3;
    h.columns = 4;
    h.firstRow = h.firstColumn = 1;
    h.lastRow = 3;
    h.lastColumn = 4;
    h.cells = 4;
    h.bytesPerPeriod = 16;
    bytes::ByteWriter w;
    w.raw(encodepackedheader(h).data(), packedHeaderSize);
    for (int v : {2, 1, 1}) w.i16(static_cast<std::int16_t>(v));
    for (int v : {2, 4, 3, 1}) w.i16(static_cast<std::int16_t>(v));
    for (float v : {1.5f, 2.0f, 0.0f, -1.0f, 3.0f, 0.0f, 7.0f, 0.0f}) w.f32(v);
    return w.data();
}

}  // namespace vamtest
