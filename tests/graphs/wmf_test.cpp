// Our metafile: the bytes of its headers, the records played back by our reader, stretched
// playback, and the reader's refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "graphs/canvas.h"
#include "graphs/svg.h"
#include "graphs/wmf.h"

namespace wmf_test {

namespace {

using graphs::Canvas;
using graphs::Metafile;

std::uint16_t w16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::uint32_t w32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return w16(b, at) | static_cast<std::uint32_t>(w16(b, at + 2)) << 16;
}

// A picture that uses every kind of record.
Metafile sample() {
    Canvas c;
    c.fill(0, 0, 1500, 1125, 16777215);
    c.setPen(255, 2, 1);
    c.setBrush(4, 32768);
    c.moveTo(10, 20);
    c.lineTo(300, 400);
    c.rectangle(5, 6, 70, 80);
    c.setPixel(11, 12, 16711680);
    c.setFont(graphs::Font{"Arial", 33, 0});
    c.setTextAlign(graphs::alignCenter | graphs::alignTop);
    c.setTextColor(0);
    c.textOut(750, 1039, "1990");
    c.setFont(graphs::Font{"Times New Roman", 45, 900});
    c.textOut(16, 562, "odd");  // an odd length pads the string
    c.moveTo(-40000, 40000);     // clamped to 16 bits
    Metafile m;
    m.records = c.records();
    return m;
}

TEST(Wmf, HeadersHoldTheBoxTheChecksumAndTheSizes) {
    const Metafile m = sample();
    const std::vector<std::uint8_t> b = graphs::writewmf(m);
    ASSERT_GT(b.size(), 40u);
    EXPECT_EQ(w32(b, 0), 0x9AC6CDD7u);
    EXPECT_EQ(w16(b, 4), 0);
    EXPECT_EQ(w16(b, 6), 0);
    EXPECT_EQ(w16(b, 8), 0);
    EXPECT_EQ(w16(b, 10), 1500);
    EXPECT_EQ(w16(b, 12), 1125);
    EXPECT_EQ(w16(b, 14), 96);
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= w16(b, 2 * i);
    EXPECT_EQ(w16(b, 20), sum);
    // Standard header.
    EXPECT_EQ(w16(b, 22), 1);
    EXPECT_EQ(w16(b, 24), 9);
    EXPECT_EQ(w16(b, 26), 0x0300);
    EXPECT_EQ(w32(b, 28), (b.size() - 22) / 2);
    // Walk the records: sizes add up to the file, the largest is in the header, the first
    // three are the window origin, extent and transparent background, the last is EOF.
    std::size_t pos = 40;
    std::uint32_t largest = 0;
    std::vector<std::uint16_t> functions;
    int alive = 0, most = 0;
    while (pos < b.size()) {
        const std::uint32_t size = w32(b, pos);
        ASSERT_GE(size, 3u);
        largest = std::max(largest, size);
        const std::uint16_t f = w16(b, pos + 4);
        functions.push_back(f);
        if (f == 0x02FA || f == 0x02FC || f == 0x02FB) most = std::max(most, ++alive);
        if (f == 0x01F0) --alive;
        pos += size * 2;
    }
    EXPECT_EQ(pos, b.size());
    EXPECT_EQ(w32(b, 34), largest);
    EXPECT_EQ(w16(b, 32), most);
    ASSERT_GE(functions.size(), 4u);
    EXPECT_EQ(functions[0], 0x020B);
    EXPECT_EQ(functions[1], 0x020C);
    EXPECT_EQ(functions[2], 0x0102);
    EXPECT_EQ(functions.back(), 0x0000);
    EXPECT_EQ(w16(b, 40 + 6), 0);     // origin y
    EXPECT_EQ(w16(b, 50 + 6), 1125);  // extent y then x
    EXPECT_EQ(w16(b, 50 + 8), 1500);
    EXPECT_EQ(w16(b, 60 + 6), 1);     // transparent
}

TEST(Wmf, ReaderGivesBackTheRecordsWritten) {
    const Metafile m = sample();
    const std::vector<std::uint8_t> b = graphs::writewmf(m);
    Canvas back;
    std::string error;
    ASSERT_EQ(graphs::readwmf(b.data(), b.size(), back, error), 0) << error;
    EXPECT_EQ(back.records(), m.records);
    // The clamped move went out as 16-bit values.
    EXPECT_EQ(m.records.back().a, -32768);
    EXPECT_EQ(m.records.back().b, 32767);
}

TEST(Wmf, ReaderStretchesOverTheCanvas) {
    Canvas c;
    c.setPen(0, 2, 0);
    c.moveTo(300, 225);
    c.lineTo(1500, 1125);
    c.setFont(graphs::Font{"Arial", 60, 0});
    Metafile m;
    m.records = c.records();
    const std::vector<std::uint8_t> b = graphs::writewmf(m);
    Canvas half(750, 375);  // half as wide, a third as high
    std::string error;
    ASSERT_EQ(graphs::readwmf(b.data(), b.size(), half, error), 0) << error;
    const auto& r = half.records();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].b, 1);  // width 2 halved
    EXPECT_EQ(r[1].a, 150);
    EXPECT_EQ(r[1].b, 75);
    EXPECT_EQ(r[2].a, 750);
    EXPECT_EQ(r[2].b, 375);
    EXPECT_EQ(r[3].a, 20);  // font height 60 over a third of the height
}

TEST(Wmf, ReaderRefusesWhatItCannotTrust) {
    const std::vector<std::uint8_t> good = graphs::writewmf(sample());
    // Offsets of the records, to break particular ones.
    std::vector<std::size_t> at;
    for (std::size_t pos = 40; pos < good.size(); pos += w32(good, pos) * 2) at.push_back(pos);
    auto find = [&](std::uint16_t f) {
        for (std::size_t p : at)
            if (w16(good, p + 4) == f) return p;
        return std::size_t{0};
    };
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> spoil;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"key", [](auto& b) { b[0] ^= 1; }, "bad header"},
        {"checksum", [](auto& b) { b[20] ^= 1; }, "bad header"},
        {"empty box", [](auto& b) { b[10] = b[11] = 0; b[20] ^= 0xDC; b[21] ^= 0x05; }, "bad header"},
        {"header size", [](auto& b) { b[24] = 8; }, "bad header"},
        {"version", [](auto& b) { b[27] = 0x02; }, "bad header"},
        {"record size 0", [&](auto& b) { b[at[3]] = 0; b[at[3] + 1] = 0; }, "bad record size"},
        {"record past the end", [&](auto& b) { b[at[3] + 2] = 0x7F; }, "bad record size"},
        {"no EOF", [](auto& b) { b.resize(b.size() - 6); }, "bad record size"},
        {"select of no object", [&](auto& b) { b[find(0x012D) + 6] = 9; }, "bad handle"},
        {"text longer than its record", [&](auto& b) { b[find(0x0521) + 6] = 200; }, "bad string"},
        {"negative text length", [&](auto& b) { b[find(0x0521) + 7] = 0x80; }, "bad string"},
        {"face without its end", [&](auto& b) {
             const std::size_t p = find(0x02FB);
             for (std::size_t i = p + 6 + 18; i < p + w32(b, p) * 2; ++i) b[i] = 'A';
         }, "bad string"},
        {"short file", [](auto& b) { b.resize(30); }, "bad header"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> b = good;
        c.spoil(b);
        Canvas out;
        std::string error;
        EXPECT_EQ(graphs::readwmf(b.data(), b.size(), out, error), -1) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST(Wmf, SizesStayLengthsUnderAFlippedWindow) {
    Canvas c;
    c.setPen(0, 4, 0);
    c.setFont(graphs::Font{"Arial", 60, 0});
    c.moveTo(300, 225);
    Metafile m;
    m.records = c.records();
    std::vector<std::uint8_t> b = graphs::writewmf(m);
    // The window extent (after the headers and the origin record) with a negative height.
    ASSERT_EQ(w16(b, 50 + 4), 0x020C);
    b[50 + 6] = static_cast<std::uint8_t>(-1125 & 0xFF);
    b[50 + 7] = static_cast<std::uint8_t>((-1125 >> 8) & 0xFF);
    Canvas flipped;
    std::string error;
    ASSERT_EQ(graphs::readwmf(b.data(), b.size(), flipped, error), 0) << error;
    const auto& r = flipped.records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].b, 4);         // pen width
    EXPECT_EQ(r[1].a, 60);        // font height
    EXPECT_EQ(r[2].b, -225);      // the y axis is flipped
    // Written again, the played picture reads back the same.
    Metafile again;
    again.records = r;
    const auto b2 = graphs::writewmf(again);
    Canvas back;
    ASSERT_EQ(graphs::readwmf(b2.data(), b2.size(), back, error), 0) << error;
    EXPECT_EQ(back.records(), r);
}

TEST(Wmf, UnknownRecordsArePassedOverBySize) {
    std::vector<std::uint8_t> b = graphs::writewmf(sample());
    // Put a record of an unknown kind (5 words, function 0x0999) after the headers.
    const std::vector<std::uint8_t> unknown = {5, 0, 0, 0, 0x99, 0x09, 1, 2, 3, 4};
    b.insert(b.begin() + 40, unknown.begin(), unknown.end());
    Canvas back;
    std::string error;
    ASSERT_EQ(graphs::readwmf(b.data(), b.size(), back, error), 0) << error;
    EXPECT_EQ(back.records(), sample().records);
}

TEST(Svg, DrawsTheSameRecords) {
    const std::string svg = graphs::writesvg(sample(), 690, 517);
    EXPECT_NE(svg.find("width=\"690\" height=\"517\" viewBox=\"0 0 1500 1125\""), std::string::npos);
    EXPECT_NE(svg.find("<line x1=\"10\" y1=\"20\" x2=\"300\" y2=\"400\" stroke=\"#ff0000\" "
                       "stroke-width=\"2\" stroke-dasharray=\"18 6\"/>"),
              std::string::npos);
    EXPECT_NE(svg.find("fill=\"url(#h4_008000)\""), std::string::npos);  // forward diagonal
    EXPECT_NE(svg.find("<rect x=\"0\" y=\"0\" width=\"1500\" height=\"1125\" fill=\"#ffffff\" "
                       "stroke=\"none\"/>"),
              std::string::npos);
    // Top-aligned text: moved down by its ascent (4/5 of 33 units).
    EXPECT_NE(svg.find("<text x=\"750\" y=\"1039\" dy=\"26\" font-family=\"Arial\" "
                       "font-size=\"33\" text-anchor=\"middle\""),
              std::string::npos);
    EXPECT_NE(svg.find("transform=\"rotate(-90 16 562)\">odd</text>"), std::string::npos);
}

TEST(TextMetrics, HeightsAndWidthsComeFromTheTable) {
    EXPECT_EQ(graphs::fontunits(45), 60);
    EXPECT_EQ(graphs::fontunits(32), 42);
    EXPECT_EQ(graphs::fontunits(25), 33);
    Canvas c;
    c.setFont(graphs::Font{"Courier New", 33, 0});
    EXPECT_EQ(c.textHeight("Pg"), 33);
    EXPECT_EQ(c.textHeight(""), 0);
    EXPECT_EQ(c.textWidth("1990"), 4 * 600 * 33 / 1000);
    EXPECT_EQ(graphs::textwidth("NoSuchFace", 100, "abc"), 180);
    // Arial: '1' 556, 'i' 222, 'W' 944 thousandths.
    EXPECT_EQ(graphs::textwidth("Arial", 1000, "1iW"), 556 + 222 + 944);
    EXPECT_EQ(graphs::coord(std::nan("")), 0);
    EXPECT_EQ(graphs::coord(1e300), 32767);
    EXPECT_EQ(graphs::coord(-7.9), -7);
}

}  // namespace

}  // namespace wmf_test
