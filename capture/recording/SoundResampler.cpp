#include "recording/SoundResampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int kTaps = 2 * CSoundResampler::kHalfTaps;
constexpr int kPhases = 256;
// The pass band ends below both rates' Nyquist frequency at a ratio of
// up to 1.05, so that nothing folds back at either end.
constexpr double kCutoff = 0.45;
constexpr double kKaiserBeta = 9.0;

double BesselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// The kernel for each phase (and the step to the next one), each summing
// to one so that silence stays silence and a level stays a level.
struct Kernel {
    std::array<std::array<float, kTaps>, kPhases + 1> taps{};
    std::array<std::array<float, kTaps>, kPhases> slope{};

    Kernel() {
        const double pi = std::numbers::pi;
        for (int phase = 0; phase <= kPhases; ++phase) {
            const double fraction = double(phase) / kPhases;
            double sum = 0;
            std::array<double, kTaps> values{};
            for (int tap = 0; tap < kTaps; ++tap) {
                // The distance of this input sample from the output sample.
                const double t = double(tap - (CSoundResampler::kHalfTaps - 1)) - fraction;
                const double x = 2 * kCutoff * t;
                const double sinc = x == 0 ? 1.0 : std::sin(pi * x) / (pi * x);
                const double edge = t / CSoundResampler::kHalfTaps;
                const double window = std::fabs(edge) >= 1
                                          ? 0.0
                                          : BesselI0(kKaiserBeta * std::sqrt(1 - edge * edge)) /
                                                BesselI0(kKaiserBeta);
                values[tap] = sinc * window;
                sum += values[tap];
            }
            for (int tap = 0; tap < kTaps; ++tap) {
                taps[phase][tap] = float(values[tap] / sum);
            }
        }
        for (int phase = 0; phase < kPhases; ++phase) {
            for (int tap = 0; tap < kTaps; ++tap) {
                slope[phase][tap] = taps[phase + 1][tap] - taps[phase][tap];
            }
        }
    }
};

const Kernel& TheKernel() {
    static const Kernel kernel;
    return kernel;
}

} // namespace

bool CPcmFormat::Resamplable() const {
    return samplesPerSec != 0 && (channels == 1 || channels == 2) &&
           (bitsPerSample == 8 || bitsPerSample == 16);
}

CSoundResampler::CSoundResampler(const CPcmFormat& format)
    : m_format(format),
      // Silence before the first sample, for the kernel's first taps.
      m_input(size_t(kHalfTaps - 1) * std::max<uint16_t>(format.channels, 1), 0.0f),
      m_position(kHalfTaps - 1) {
    TheKernel();
}

void CSoundResampler::Process(const uint8_t* data, size_t bytes, std::vector<uint8_t>& out) {
    const uint32_t block = m_format.BlockAlign();
    if (block == 0) {
        return;
    }
    Append(data, bytes / block);
    Emit(out);
}

void CSoundResampler::Append(const uint8_t* data, size_t frames) {
    const size_t channels = m_format.channels;
    size_t first = 0;
    const size_t dropped = size_t(std::min<uint64_t>(m_toDrop, frames));
    m_toDrop -= dropped;
    first = dropped;
    const size_t at = m_input.size();
    m_input.resize(at + (frames - first) * channels);
    float* to = m_input.data() + at;
    if (m_format.bitsPerSample == 16) {
        const size_t count = (frames - first) * channels;
        for (size_t n = 0; n < count; ++n) {
            const uint8_t* sample = data + (first * channels + n) * 2;
            const int16_t value = int16_t(uint16_t(sample[0] | (sample[1] << 8)));
            to[n] = float(value) / 32768.0f;
        }
    } else {
        const size_t count = (frames - first) * channels;
        for (size_t n = 0; n < count; ++n) {
            to[n] = (float(data[first * channels + n]) - 128.0f) / 128.0f;
        }
    }
}

void CSoundResampler::Emit(std::vector<uint8_t>& out) {
    const Kernel& kernel = TheKernel();
    const size_t channels = m_format.channels;
    const double frames = double(m_input.size() / channels);
    // Each output sample needs kHalfTaps input samples after its position.
    while (m_position + kHalfTaps < frames) {
        const double whole = std::floor(m_position);
        const double phaseAt = (m_position - whole) * kPhases;
        const int phase = std::min(int(phaseAt), kPhases - 1);
        const float within = float(phaseAt - phase);
        const float* taps = kernel.taps[phase].data();
        const float* slope = kernel.slope[phase].data();
        const float* from = m_input.data() + (size_t(whole) - (kHalfTaps - 1)) * channels;
        for (size_t channel = 0; channel < channels; ++channel) {
            float sum = 0, change = 0;
            for (int tap = 0; tap < kTaps; ++tap) {
                const float sample = from[size_t(tap) * channels + channel];
                sum += sample * taps[tap];
                change += sample * slope[tap];
            }
            Store(sum + within * change, out);
        }
        m_position += m_step;
    }
    // Keep what the next output samples still need.
    const size_t keep = size_t(std::floor(m_position)) - (kHalfTaps - 1);
    const size_t used = std::min(keep, size_t(frames));
    m_input.erase(m_input.begin(), m_input.begin() + ptrdiff_t(used * channels));
    m_position -= double(used);
}

void CSoundResampler::Store(float value, std::vector<uint8_t>& out) const {
    if (m_format.bitsPerSample == 16) {
        const long sample = std::lround(std::clamp(value * 32768.0f, -32768.0f, 32767.0f));
        out.push_back(uint8_t(sample & 0xFF));
        out.push_back(uint8_t((sample >> 8) & 0xFF));
    } else {
        const long sample = std::lround(std::clamp(value * 128.0f + 128.0f, 0.0f, 255.0f));
        out.push_back(uint8_t(sample));
    }
}

double CSoundResampler::PendingInput() const {
    const size_t channels = std::max<size_t>(m_format.channels, 1);
    return double(m_input.size() / channels) - m_position;
}

void CSoundResampler::Drop(uint64_t samples) {
    // What waits is skipped by moving on; the rest as it comes.
    const double pending = std::max(0.0, PendingInput() - kHalfTaps);
    const double now = std::min(pending, double(samples));
    m_position += std::floor(now);
    m_toDrop += samples - uint64_t(std::floor(now));
}
