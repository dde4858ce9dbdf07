#pragma once
// Resamples PCM sound by a ratio near 1 that may change between buffers:
// band-limited interpolation with a windowed-sinc kernel (32 taps, Kaiser
// window, a table of 256 phases interpolated between), so that a tone keeps
// its purity (spurious energy some 90 dB down) however the ratio moves.
// Dropping or repeating samples, the cheap way, puts a click in every
// correction. 8-bit (unsigned) and 16-bit (signed) PCM, one or two channels.

#include <cstddef>
#include <cstdint>
#include <vector>

struct CPcmFormat {
    uint32_t samplesPerSec = 0;
    uint16_t channels = 0;
    uint16_t bitsPerSample = 0;

    // Two bytes a sample at most, interleaved, one or two channels.
    bool Resamplable() const;
    uint32_t BlockAlign() const { return uint32_t(channels) * (bitsPerSample / 8); }
};

class CSoundResampler {
public:
    explicit CSoundResampler(const CPcmFormat& format);

    // Input samples taken for each sample given out: above 1 the sound
    // comes out shorter (and higher), below 1 longer.
    void SetRatio(double inputPerOutput) { m_step = inputPerOutput; }
    double Ratio() const { return m_step; }
    // Resamples whole sample blocks of `bytes`, appending to `out`; the last
    // few input samples wait for the next call (the kernel looks ahead).
    void Process(const uint8_t* data, size_t bytes, std::vector<uint8_t>& out);
    // Input samples received but not yet given out.
    double PendingInput() const;
    // Skips input samples (taken from what is pending first).
    void Drop(uint64_t samples);

    static constexpr int kHalfTaps = 16;

private:
    void Append(const uint8_t* data, size_t frames);
    void Emit(std::vector<uint8_t>& out);
    void Store(float value, std::vector<uint8_t>& out) const;

    CPcmFormat m_format;
    std::vector<float> m_input; // interleaved, from kHalfTaps - 1 before m_position
    double m_position;          // of the next output sample, in input samples
    double m_step = 1.0;
    uint64_t m_toDrop = 0;
};
