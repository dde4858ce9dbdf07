// The frame rate a file is written at, from the capture parameters'
// microseconds per frame.

#include "recording/NominalRate.h"

#include <gtest/gtest.h>

namespace {

struct RateCase {
    const char* context;
    uint32_t microSecPerFrame;
    CNominalRate expected;
};

const RateCase kRates[] = {
    {"15 fps, truncated", 66666, {15, 1}},
    {"15 fps, rounded", 66667, {15, 1}},
    {"29.97 fps, rounded", 33367, {30000, 1001}},
    {"29.97 fps, truncated", 33366, {30000, 1001}},
    {"30 fps", 33333, {30, 1}},
    {"30 fps, rounded up", 33334, {30, 1}},
    {"10 fps", 100000, {10, 1}},
    {"12.5 fps", 80000, {25, 2}},
    {"23.976 fps", 41708, {24000, 1001}},
    {"24 fps", 41667, {24, 1}},
    {"25 fps", 40000, {25, 1}},
    {"50 fps", 20000, {50, 1}},
    {"59.94 fps", 16683, {60000, 1001}},
    {"60 fps", 16667, {60, 1}},
    {"a microsecond too far from 15 fps: the microseconds", 66665, {200000, 13333}},
    {"no standard rate: 1,000,000 over the microseconds, in lowest terms", 50000, {20, 1}},
    {"no standard rate, not a whole number", 70000, {100, 7}},
    {"no period at all", 0, {0, 1}},
};

TEST(NominalFrameRate, IsTheStandardRateNearestTheMicroseconds) {
    for (const RateCase& c : kRates) {
        const CNominalRate rate = NominalFrameRate(c.microSecPerFrame);
        EXPECT_EQ(rate.rate, c.expected.rate) << c.context;
        EXPECT_EQ(rate.scale, c.expected.scale) << c.context;
    }
}

} // namespace
