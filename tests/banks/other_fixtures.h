// Fixture banks of the compressed, hashed and directory-of-forecasts kinds, built byte by
// byte from their file layouts (never through the readers' own code).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "tests/banks/bank_test_util.h"

namespace otherbanks {

using Bytes = std::vector<std::uint8_t>;

// Packed series record: start year byte, frequency/period byte, scale byte, count, then
// either `count` floats (scale 255) or a 32-bit integer and `count` 16-bit differences.
inline Bytes plainRecord(int yearByte, int freqPeriod, const std::vector<float>& values) {
    bytes::ByteWriter w;
    w.u8(static_cast<std::uint8_t>(yearByte));
    w.u8(static_cast<std::uint8_t>(freqPeriod));
    w.u8(255);
    w.i16(static_cast<std::int16_t>(values.size()));
    for (float v : values) w.f32(v);
    return w.data();
}

inline Bytes scaledRecord(int yearByte, int freqPeriod, int scale, std::int32_t first,
                          const std::vector<std::int16_t>& diffs) {
    bytes::ByteWriter w;
    w.u8(static_cast<std::uint8_t>(yearByte));
    w.u8(static_cast<std::uint8_t>(freqPeriod));
    w.u8(static_cast<std::uint8_t>(scale));
    w.i16(static_cast<std::int16_t>(diffs.size()));
    w.i32(first);
    for (auto d : diffs) w.i16(d);
    return w.data();
}

// <stem>.cbk and <stem>.cin with the named records in order.
inline void makeCompressed(const std::string& stem, const char* title,
                           const std::vector<std::pair<std::string, Bytes>>& series) {
    bytes::ByteWriter d;
    d.fixedText(title, 80);
    d.i16(static_cast<std::int16_t>(series.size()));
    d.i32(0);  // table position, patched below
    std::vector<std::int32_t> positions;
    for (const auto& s : series) {
        positions.push_back(static_cast<std::int32_t>(d.size()));
        d.raw(s.second.data(), s.second.size());
    }
    const auto table = static_cast<std::int32_t>(d.size());
    for (auto p : positions) d.i32(p);
    Bytes data = d.data();
    bytes::putI32(&data[82], table);
    banktest::writeFile(stem + ".cbk", data);

    bytes::ByteWriter names;
    for (const auto& s : series) names.name(s.first.c_str());
    bytes::ByteWriter n;
    n.i16(static_cast<std::int16_t>(series.size()));
    n.i16(static_cast<std::int16_t>(names.size()));
    n.raw(names.data().data(), names.size());
    banktest::writeFile(stem + ".cin", n.data());
}

// <stem>.hbk and <stem>.hin: buckets[b] lists the names of bucket b (in order) with their
// records. The data file holds the title, the 16-bit count, then the records.
inline void makeHashed(const std::string& stem, const char* title,
                       const std::vector<std::vector<std::pair<std::string, Bytes>>>& buckets,
                       int dataCount = -1) {
    bytes::ByteWriter d;
    d.fixedText(title, 80);
    int total = 0;
    for (const auto& b : buckets) total += static_cast<int>(b.size());
    d.i16(static_cast<std::int16_t>(dataCount < 0 ? total : dataCount));
    std::vector<std::vector<std::int32_t>> positions(buckets.size());
    for (std::size_t b = 0; b < buckets.size(); ++b)
        for (const auto& s : buckets[b]) {
            positions[b].push_back(static_cast<std::int32_t>(d.size()));
            d.raw(s.second.data(), s.second.size());
        }
    banktest::writeFile(stem + ".hbk", d.data());

    const std::size_t nb = buckets.size();
    bytes::ByteWriter h;
    h.i32(total);
    h.u16(static_cast<std::uint16_t>(nb));
    std::vector<bytes::ByteWriter> blocks(nb);
    for (std::size_t b = 0; b < nb; ++b)
        for (const auto& s : buckets[b]) blocks[b].name(s.first.c_str());
    for (std::size_t b = 0; b < nb; ++b) h.u16(static_cast<std::uint16_t>(buckets[b].size()));
    for (std::size_t b = 0; b < nb; ++b) h.u16(static_cast<std::uint16_t>(blocks[b].size()));
    std::uint32_t at = static_cast<std::uint32_t>(6 + 8 * nb);
    for (std::size_t b = 0; b < nb; ++b) {
        h.u32(at);
        at += static_cast<std::uint32_t>(blocks[b].size() + 4 * buckets[b].size());
    }
    for (std::size_t b = 0; b < nb; ++b) {
        h.raw(blocks[b].data().data(), blocks[b].size());
        for (auto p : positions[b]) h.i32(p);
    }
    banktest::writeFile(stem + ".hin", h.data());
}

// A line with `text` placed at column `col` (blanks before it), appended to `line`.
inline std::string& at(std::string& line, std::size_t col, const std::string& text) {
    if (line.size() < col) line.resize(col, ' ');
    const std::string rest = line.size() > col + text.size() ? line.substr(col + text.size()) : "";
    line = line.substr(0, col) + text + rest;
    return line;
}

// The directory of forecasts used by the tests (K = 25 floats a record, F = 6 forecast years
// from 2000, H = 11 history years from 1990):
//   group 1: A = 3 numbers, stems gdp and cons (records gdp1 2, cons1 3, gdp2 4, cons2 5,
//            gdp3 6, cons3 7); group 2: A = 2, stem inv (inv1 8, inv2 9); groups 3-5 empty;
//   group 6: the macro names rate and pop (records 10 and 11).
// Every record r holds forecast values 100 r + k (k = 0..24) except those set in `forecast`;
// the history record r holds 10 r + k (k = 0..10) except those in `history`.
struct DirforFixture {
    std::vector<std::pair<int, std::vector<float>>> forecast;
    std::vector<std::pair<int, std::vector<float>>> history;
    bool withHistory = true;
    int macroLayout = 0;
    bool macroFile = true;

    static constexpr int K = 25, F = 6, H = 11, base = 2000, records = 12;

    std::string listing() const {
        std::vector<std::string> lines;
        lines.push_back("1  series groups");
        lines.push_back("unused a");
        lines.push_back("unused b");
        std::string l;
        lines.push_back("record length");
        l = "Floats a record:";
        at(l, 17, "25");
        lines.push_back(l);
        lines.push_back("history length");
        l = "History years:";
        at(l, 17, " 11");
        lines.push_back(l);
        lines.push_back(withHistory ? "fc.dhs,history of the model" : "nohist.dhs,none");
        lines.push_back("6 groups");
        l = "numbers";
        for (int i = 0, a[] = {3, 2, 0, 0, 0, 0}; i < 6; ++i) at(l, 16 + 4 * i, std::to_string(a[i]));
        lines.push_back(l);
        l = "stems";
        for (int i = 0, b[] = {2, 1, 0, 0, 0, 0}; i < 6; ++i) at(l, 16 + 4 * i, std::to_string(b[i]));
        lines.push_back(l);
        auto group = [&](int g) {
            std::string gl = "Group";
            at(gl, 7, std::to_string(g));
            lines.push_back(gl);
        };
        auto stem = [&](int ordinal, const char* name) {
            std::string sl = "stem";
            at(sl, 6, std::to_string(ordinal));
            at(sl, 31, name);
            sl += " description";
            lines.push_back(sl);
            lines.push_back("  unused");
        };
        group(1);
        stem(1, "GDP");
        stem(2, "cons");
        lines.push_back("end of group");
        group(2);
        stem(1, "inv");
        lines.push_back("end of group");
        for (int g = 3; g <= 5; ++g) {
            group(g);
            lines.push_back("end of group");
        }
        group(6);
        lines.push_back("macro a");
        lines.push_back("macro b");
        lines.push_back("macro.nam,the macro names");
        lines.push_back("end of group");
        std::string text;
        for (const auto& x : lines) text += x + "\n";
        return text;
    }

    void write() const {
        banktest::writeText("dirfor.dat", listing());
        bytes::ByteWriter f;
        for (int r = 0; r < records; ++r) {
            std::vector<float> v(K);
            for (int k = 0; k < K; ++k) v[k] = static_cast<float>(100 * r + k);
            for (const auto& [rec, vals] : forecast)
                if (rec == r) v = vals;
            v.resize(K, 0.0f);
            if (r == 1) {
                // The header: base year, F, title at 56.
                bytes::ByteWriter h;
                h.u16(base - 1900);  // below 1900: read as + 1900
                h.u16(0);
                h.u16(F);
                h.raw(std::vector<std::uint8_t>(50, 0).data(), 50);
                h.fixedText("Forecast of the model", 41);
                h.raw(std::vector<std::uint8_t>(K * 4 - 97, 0).data(), K * 4 - 97);
                f.raw(h.data().data(), h.size());
                continue;
            }
            for (float x : v) f.f32(x);
        }
        banktest::writeFile("fc.dfr", f.data());
        if (withHistory) {
            bytes::ByteWriter h;
            for (int r = 0; r < records; ++r) {
                std::vector<float> v(H);
                for (int k = 0; k < H; ++k) v[k] = static_cast<float>(10 * r + k);
                for (const auto& [rec, vals] : history)
                    if (rec == r) v = vals;
                v.resize(H, 0.0f);
                for (float x : v) h.f32(x);
            }
            banktest::writeFile("fc.dhs", h.data());
        }
        if (macroFile) {
            bytes::ByteWriter m;
            if (macroLayout == 0) {
                m.i16(2);
                m.i16(0);
            } else {
                m.i16(2000);  // out of range at offset 0: the count is at offset 5
                m.u8(0);
                m.u8(0);
                m.u8(0);
                m.i16(2);
                m.u16(0);
            }
            m.raw("RATE    ", 8);
            m.raw("pop     ", 8);
            banktest::writeFile("macro.nam", m.data());
        }
    }
};

}  // namespace otherbanks
