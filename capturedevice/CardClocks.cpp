#include "CardClocks.h"

#include <algorithm>

#include "DeviceEnvironment.h"
#include "DeviceFaults.h"

namespace {

constexpr ULONGLONG kMicrosPerSecond = 1000000;
constexpr ULONGLONG kMillion = 1000000;

// Jitter: one late-then-early pair in each run of this many frames, at a
// place drawn from the seed.
constexpr ULONGLONG kJitterPairSpacing = 40;
constexpr ULONGLONG kJitterSeed = 0x5EED0F0CA4D0ULL;

constexpr ULONGLONG kStallCycleMicros = 30 * kMicrosPerSecond;
constexpr ULONGLONG kStallStartMicros = 10 * kMicrosPerSecond;
constexpr ULONGLONG kStallEndMicros = 15 * kMicrosPerSecond;

constexpr ULONGLONG kJumpForwardAtMicros = 10 * kMicrosPerSecond;
constexpr LONGLONG kJumpForwardMicros = 3LL * 3600 * 1000000;
constexpr ULONGLONG kJumpBackAtMicros = 20 * kMicrosPerSecond;
constexpr LONGLONG kJumpBackMicros = -4LL * 1000000;

// A well-mixed 64-bit value of x (splitmix64's finaliser).
ULONGLONG Mix(ULONGLONG x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

long PpmFromEnvironment() {
    const auto ppm = EnvironmentNumber("SOFTCAP_SOUND_CLOCK_PPM");
    if (!ppm) {
        return CardClockSettings::kDefaultSoundPpm;
    }
    return static_cast<long>(std::clamp<LONGLONG>(*ppm, -CardClockSettings::kLargestPpm,
                                                  CardClockSettings::kLargestPpm));
}

} // namespace

CardClockSettings CardClockSettings::FromEnvironment() {
    CardClockSettings settings;
    settings.soundPpm = PpmFromEnvironment();
    const unsigned faults = ActiveFaults();
    settings.jitter = HasFault(faults, Fault::Jitter);
    settings.stall = HasFault(faults, Fault::Stall);
    settings.clockJump = HasFault(faults, Fault::ClockJump);
    return settings;
}

CCardClocks::CCardClocks(DWORD microSecPerFrame, const CardClockSettings& settings)
    : m_period(std::max<DWORD>(microSecPerFrame, 1)), m_settings(settings) {}

bool CCardClocks::Delivers(ULONGLONG slot) const {
    if (!m_settings.stall) {
        return true;
    }
    const ULONGLONG inCycle = PictureMicros(slot) % kStallCycleMicros;
    return inCycle < kStallStartMicros || inCycle >= kStallEndMicros;
}

DWORD CCardClocks::StampMs(ULONGLONG slot) const {
    const ULONGLONG picture = PictureMicros(slot);
    LONGLONG micros = static_cast<LONGLONG>(picture);
    if (m_settings.jitter) {
        micros += JitterMicros(slot);
    }
    if (m_settings.clockJump) {
        micros += ClockStepMicros(picture);
    }
    return static_cast<DWORD>(std::max<LONGLONG>(micros, 0) / 1000);
}

// Frame 0 opens the capture on time: a driver's clock starts there.
LONGLONG CCardClocks::JitterMicros(ULONGLONG slot) const {
    const LONGLONG quarter = static_cast<LONGLONG>(m_period / 4);
    if (slot == 0 || quarter == 0) {
        return 0;
    }
    const ULONGLONG late =
        Mix(kJitterSeed ^ (slot / kJitterPairSpacing)) % (kJitterPairSpacing - 1);
    const ULONGLONG at = slot % kJitterPairSpacing;
    if (at == late) {
        return quarter;
    }
    if (at == late + 1) {
        return -quarter;
    }
    return static_cast<LONGLONG>(Mix(kJitterSeed + slot) %
                                 static_cast<ULONGLONG>(2 * quarter + 1)) -
           quarter;
}

LONGLONG CCardClocks::ClockStepMicros(ULONGLONG micros) const {
    LONGLONG step = 0;
    if (micros >= kJumpForwardAtMicros) {
        step += kJumpForwardMicros;
    }
    if (micros >= kJumpBackAtMicros) {
        step += kJumpBackMicros;
    }
    return step;
}

// floor(micros * rate * (1e6 + ppm) / 1e12), in pieces that fit 64 bits for
// days of picture: the product itself would not.
ULONGLONG CCardClocks::SoundBlocks(ULONGLONG micros, DWORD samplesPerSec) const {
    const ULONGLONG speed = static_cast<ULONGLONG>(static_cast<LONGLONG>(kMillion) + SoundPpm());
    const ULONGLONG scaled = micros * samplesPerSec; // blocks at the nominal rate, times 1e6
    const ULONGLONG high = (scaled / kMillion) * speed;
    const ULONGLONG low = (scaled % kMillion) * speed;
    return high / kMillion + ((high % kMillion) * kMillion + low) / (kMillion * kMillion);
}
