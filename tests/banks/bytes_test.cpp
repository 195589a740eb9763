// The little-endian byte helper: layouts of every width, bounds of the buffer reader, names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/bytes.h"

namespace bytes_test {

using Bytes = std::vector<std::uint8_t>;

TEST(Bytes, WriterLayoutIsLittleEndian) {
    bytes::ByteWriter w;
    w.u8(0xab);
    w.u16(0x1234);
    w.i16(-2);
    w.u32(0xdeadbeef);
    w.i32(-1990);
    w.f32(1.0f);
    w.f64(-2.0);
    w.name("gdp");
    w.fixedText("abcdef", 4);
    EXPECT_EQ(w.data(), (Bytes{0xab, 0x34, 0x12, 0xfe, 0xff, 0xef, 0xbe, 0xad, 0xde,
                              0x3a, 0xf8, 0xff, 0xff, 0x00, 0x00, 0x80, 0x3f,
                              0, 0, 0, 0, 0, 0, 0, 0xc0, 'g', 'd', 'p', 0, 'a', 'b', 'c', 0}));
}

TEST(Bytes, ReaderRoundTripAndBounds) {
    bytes::ByteWriter w;
    w.u16(65535);
    w.i16(std::numeric_limits<std::int16_t>::min());
    w.f32(-0.000001f);
    w.f64(1e300);
    w.name("x1");
    bytes::ByteReader r(w.data());
    std::uint16_t a; std::int16_t b; float c; double d; std::string n;
    ASSERT_TRUE(r.u16(a) && r.i16(b) && r.f32(c) && r.f64(d) && r.name(n, 10));
    EXPECT_EQ(a, 65535);
    EXPECT_EQ(b, std::numeric_limits<std::int16_t>::min());
    EXPECT_EQ(c, -0.000001f);
    EXPECT_EQ(d, 1e300);
    EXPECT_EQ(n, "x1");
    EXPECT_EQ(r.remaining(), 0u);
    std::uint8_t e = 7;
    EXPECT_FALSE(r.u8(e));
    EXPECT_EQ(e, 7);  // untouched
    EXPECT_FALSE(r.ok());
    std::uint32_t u = 1;
    EXPECT_FALSE(r.u32(u));  // stays failed

    // A value cut by the end of the buffer fails without reading past it.
    Bytes three{1, 2, 3};
    bytes::ByteReader cut(three.data(), three.size());
    std::uint32_t v = 9;
    EXPECT_FALSE(cut.u32(v));
    EXPECT_EQ(v, 9u);
}

TEST(Bytes, NamesNeedTheirTerminator) {
    Bytes noNul{'a', 'b', 'c'};
    bytes::ByteReader r(noNul);
    std::string s;
    EXPECT_FALSE(r.name(s, 100));
    Bytes longName{'a', 'b', 'c', 'd', 0};
    bytes::ByteReader r2(longName);
    EXPECT_FALSE(r2.name(s, 3));  // longer than allowed
    bytes::ByteReader r3(longName);
    EXPECT_TRUE(r3.name(s, 4));
    EXPECT_EQ(s, "abcd");
    Bytes field{'t', 'i', 't', 'l', 'e'};
    bytes::ByteReader r4(field);
    EXPECT_TRUE(r4.fixedText(s, 5));
    EXPECT_EQ(s, "titl");  // a field without NUL ends safely
}

TEST(Bytes, Streams) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(bytes::writeU16(f, 1990));
    EXPECT_TRUE(bytes::writeI32(f, -5));
    EXPECT_TRUE(bytes::writeF32(f, 2.5f));
    EXPECT_TRUE(bytes::writeF64(f, 0.1));
    EXPECT_TRUE(bytes::writeName(f, "name"));
    std::rewind(f);
    std::uint16_t a; std::int32_t b; float c; double d; std::string n;
    EXPECT_TRUE(bytes::readU16(f, a));
    EXPECT_TRUE(bytes::readI32(f, b));
    EXPECT_TRUE(bytes::readF32(f, c));
    EXPECT_TRUE(bytes::readF64(f, d));
    EXPECT_TRUE(bytes::readName(f, n, 10));
    EXPECT_EQ(a, 1990);
    EXPECT_EQ(b, -5);
    EXPECT_EQ(c, 2.5f);
    EXPECT_EQ(d, 0.1);
    EXPECT_EQ(n, "name");
    std::uint8_t e;
    EXPECT_FALSE(bytes::readU8(f, e));
    std::fclose(f);
}

}  // namespace bytes_test
