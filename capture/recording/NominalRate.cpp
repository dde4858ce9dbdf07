#include "recording/NominalRate.h"

#include <cmath>
#include <numeric>

namespace {

// The rates of film, television and their NTSC variants, lowest first.
constexpr CNominalRate kStandardRates[] = {
    {10, 1},       {25, 2}, {15, 1}, {24000, 1001}, {24, 1}, {25, 1},
    {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001}, {60, 1},
};

// Whole microseconds, rounded or truncated, are at most this far from the
// period they stand for. The nearest pair of standard periods (59.94 and 60
// frames a second) lie 16.7 microseconds apart, so no period is near two.
constexpr double kToleranceMicroSec = 1.0;

} // namespace

CNominalRate NominalFrameRate(uint32_t microSecPerFrame) {
    if (microSecPerFrame == 0) {
        return {0, 1};
    }
    for (const CNominalRate& standard : kStandardRates) {
        const double period = 1e6 * standard.scale / standard.rate;
        if (std::fabs(period - microSecPerFrame) <= kToleranceMicroSec) {
            return standard;
        }
    }
    const uint32_t common = std::gcd(1000000u, microSecPerFrame);
    return {1000000u / common, microSecPerFrame / common};
}
