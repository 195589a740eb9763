#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/missing.h"
#include "series/lanes.h"
#include "series_fixture.h"

namespace lanes_scan_test {

namespace {

float frombits(std::uint32_t b) { return std::bit_cast<float>(b); }

// The floats around the edges of the missing band (its bounds are doubles, so the floats next
// to their roundings on both sides), NaNs of both signs, quiet and signalling, with payloads,
// the infinities, zeros and ordinary values near and far.
std::vector<float> probes() {
    std::vector<float> values = {MISSING,
                                 0.0f,
                                 -0.0f,
                                 1.0f,
                                 -1.0f,
                                 0.000001f,
                                 std::numeric_limits<float>::infinity(),
                                 -std::numeric_limits<float>::infinity(),
                                 std::numeric_limits<float>::max(),
                                 -std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::denorm_min(),
                                 frombits(0x7fc00000u),
                                 frombits(0xffc00000u),
                                 frombits(0x7f800001u),
                                 frombits(0xff800001u),
                                 frombits(0x7fffffffu),
                                 frombits(0xffffffffu)};
    for (double edge : {-0.0000011, -0.0000009}) {
        float f = static_cast<float>(edge);
        for (int step = 0; step < 3; ++step) f = std::nextafter(f, -1.0f);
        for (int step = 0; step < 6; ++step, f = std::nextafter(f, 0.0f)) values.push_back(f);
    }
    return values;
}

}  // namespace

// The scans for a missing value or a NaN find one probe among ordinary values, wherever it lies
// in a series of any length (so in the vector loop or in its remainder), exactly where the
// missing test (in double) or the NaN test holds; the copying scan also copies every bit.
// Every build of the scans this processor runs (4, 8, 16 lanes) is checked.
TEST(LaneScans, MissingOrNanFoundWhereverItLies) {
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (float probe : probes()) {
            const bool expected = std::isnan(probe) || ismissing(probe);
            for (int n : {1, 2, 7, 8, 9, 15, 16, 17, 31, 33, 64, 100})
                for (int at : {0, n / 2, n - 1}) {
                    SCOPED_TRACE(testing::Message() << width << " lanes, bits " << std::hex
                                                    << std::bit_cast<std::uint32_t>(probe) << std::dec << ", " << n
                                                    << " values, at " << at);
                    std::vector<float> x(static_cast<std::size_t>(n));
                    for (int i = 0; i < n; ++i) x[i] = i % 3 == 0 ? -1.5e30f : i % 3 == 1 ? 2.0f + i : -0.000002f;
                    x[at] = probe;
                    EXPECT_EQ(lanes::anymissingornan(x.data(), n), expected);
                    std::vector<float> copy(static_cast<std::size_t>(n), 7.0f);
                    EXPECT_EQ(lanes::copymissingornan(x.data(), n, copy.data()), expected);
                    for (int i = 0; i < n; ++i)
                        ASSERT_EQ(std::bit_cast<std::uint32_t>(copy[i]), std::bit_cast<std::uint32_t>(x[i])) << i;
                }
        }
        // No value at all: nothing found.
        EXPECT_FALSE(lanes::anymissingornan(nullptr, 0));
    }
}

// The scans for a NaN alone and for an infinity or a NaN, likewise in every build.
TEST(LaneScans, NanAndNonFiniteFoundWhereverTheyLie) {
    for (int width : {4, 8, 16}) {
        if (width > lanes::machineWidth) continue;
        seriestest::LaneWidth lanesUsed(width);
        for (float probe : probes())
            for (int n : {1, 8, 9, 17, 33, 100})
                for (int at : {0, n / 2, n - 1}) {
                    SCOPED_TRACE(testing::Message() << width << " lanes, bits " << std::hex
                                                    << std::bit_cast<std::uint32_t>(probe) << std::dec << ", " << n
                                                    << " values, at " << at);
                    std::vector<float> x(static_cast<std::size_t>(n), 3.25f);
                    x[at] = probe;
                    EXPECT_EQ(lanes::anynan(x.data(), n), std::isnan(probe));
                    EXPECT_EQ(lanes::allfinite(x.data(), n), std::isfinite(probe));
                }
    }
}

}  // namespace lanes_scan_test
