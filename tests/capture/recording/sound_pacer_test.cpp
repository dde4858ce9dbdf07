// The sound paced to the picture: a 440 Hz tone in the picture's time,
// sampled by a sound clock that runs fast or slow, resampled by the pacer,
// and measured as a listener would: how soon the sound is in step, how far
// it ends from the picture, the tone's pitch after that (by its zero
// crossings over the rest of the capture) and its purity (the energy outside
// 440 +/- 10 Hz against the tone's, by a Fourier transform).

#include "recording/SoundPacer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr double kTone = 440.0;

struct Capture {
    CPcmFormat format{44100, 1, 16};
    CNominalRate frameRate{25, 1};
    double ppm = 0;
    double seconds = 60;
    double bufferSec = 0.5;
    // In real time the arrival of each buffer is known to a few
    // milliseconds; a capture faster than real time knows only the frames
    // between which it came.
    bool realTime = true;
    // Locked: from when on the sound stays within this share of a frame of
    // the picture (faster than real time, its measure is a frame wide).
    double lockedWithin = 0.25;
    double amplitude = 0.5;
};

struct Result {
    std::vector<std::vector<double>> channels; // the output, -1..1
    double lockSec = 0;                        // from when on the sound stays in step
    double finalOffset = 0;                    // samples: the output less the picture's time
    double clockPpm = 0;                       // as the pacer measured it
};

double Sample(const CPcmFormat& format, const std::vector<uint8_t>& bytes, size_t n) {
    if (format.bitsPerSample == 16) {
        return int16_t(uint16_t(bytes[2 * n] | (bytes[2 * n + 1] << 8))) / 32768.0;
    }
    return (bytes[n] - 128) / 128.0;
}

void Put(const CPcmFormat& format, double value, std::vector<uint8_t>& bytes) {
    if (format.bitsPerSample == 16) {
        const long v = std::lround(value * 32767);
        bytes.push_back(uint8_t(v & 0xFF));
        bytes.push_back(uint8_t((v >> 8) & 0xFF));
    } else {
        bytes.push_back(uint8_t(std::lround(value * 127 + 128)));
    }
}

// The second channel, when there is one, carries the tone upside down.
Result Play(const Capture& c) {
    const double soundRate = c.format.samplesPerSec * (1 + c.ppm * 1e-6);
    const double period = c.frameRate.Period();
    const size_t buffer = size_t(c.bufferSec * c.format.samplesPerSec);
    CSoundPacer pacer(c.format, c.frameRate);
    std::vector<uint8_t> in, out;
    Result result;
    uint64_t sample = 0;
    const double frameSamples = period * c.format.samplesPerSec;
    for (uint64_t n = 1;; ++n) {
        const double arrival = double(n * buffer) / soundRate; // picture time
        if (arrival > c.seconds) {
            break;
        }
        in.clear();
        for (size_t k = 0; k < buffer; ++k, ++sample) {
            const double value =
                c.amplitude * std::sin(2 * std::numbers::pi * kTone * double(sample) / soundRate);
            Put(c.format, value, in);
            if (c.format.channels == 2) {
                Put(c.format, -value, in);
            }
        }
        const double jitterSec = double(int(n % 5) - 2) * 0.001;
        const double frames = std::floor(arrival / period) + 1; // delivered before it
        const size_t before = out.size();
        pacer.Process(in.data(), in.size(),
                      c.realTime ? arrival + jitterSec : (frames - 0.5) * period, out);
        // Each chunk even, so that no reader meets a padded one.
        EXPECT_EQ((out.size() - before) % 2, 0u) << "buffer " << n;
        const double offset =
            double(out.size() / c.format.BlockAlign()) - arrival * c.format.samplesPerSec;
        if (std::fabs(offset) > frameSamples * c.lockedWithin) {
            result.lockSec = arrival;
        }
        result.finalOffset = offset;
    }
    result.clockPpm = pacer.ClockPpm();
    const size_t samples = out.size() / c.format.BlockAlign();
    result.channels.assign(c.format.channels, std::vector<double>(samples));
    for (size_t n = 0; n < samples; ++n) {
        for (size_t channel = 0; channel < c.format.channels; ++channel) {
            result.channels[channel][n] = Sample(c.format, out, n * c.format.channels + channel);
        }
    }
    return result;
}

// The tone's frequency from its rising zero crossings, each placed between
// its two samples, from `fromSec` on.
double ToneFrequency(const std::vector<double>& x, double rate, double fromSec) {
    double first = -1, last = -1;
    long crossings = 0;
    for (size_t n = size_t(fromSec * rate); n + 1 < x.size(); ++n) {
        if (x[n] < 0 && x[n + 1] >= 0) {
            const double at = double(n) + -x[n] / (x[n + 1] - x[n]);
            first = first < 0 ? at : first;
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0 : double(crossings - 1) * rate / (last - first);
}

void Transform(std::vector<std::complex<double>>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(a[i], a[j]);
        }
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(length));
        for (size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1;
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                const std::complex<double> u = a[i + k], v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
            }
        }
    }
}

// The energy outside 440 +/- 10 Hz below the energy inside, in dB, over
// 65536 samples from `fromSec` (a Blackman-Harris window, whose leakage
// lies 92 dB down).
double PurityDb(const std::vector<double>& x, double rate, double fromSec) {
    const size_t n = 65536, from = size_t(fromSec * rate);
    std::vector<std::complex<double>> a(n);
    for (size_t k = 0; k < n; ++k) {
        const double t = 2 * std::numbers::pi * double(k) / double(n - 1);
        const double window =
            0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        a[k] = x[from + k] * window;
    }
    Transform(a);
    double inside = 0, outside = 0;
    for (size_t k = 1; k < n / 2; ++k) {
        const double hz = double(k) * rate / double(n);
        (std::fabs(hz - kTone) <= 10 ? inside : outside) += std::norm(a[k]);
    }
    return 10 * std::log10(inside / outside);
}

TEST(SoundPacer, LocksTheSoundToThePictureAndKeepsTheTonePure) {
    for (const double ppm : {5000.0, 300.0, 0.0, -300.0}) {
        SCOPED_TRACE(testing::Message() << "sound clock " << ppm << " ppm, 25 fps, 44.1 kHz");
        Capture capture;
        capture.ppm = ppm;
        capture.seconds = 40;
        const Result r = Play(capture);
        const double rate = capture.format.samplesPerSec;
        const double tone = ToneFrequency(r.channels[0], rate, 20);
        const double purity = PurityDb(r.channels[0], rate, 30);
        std::printf("%+6.0f ppm: locked at %4.1f s, ends %+5.0f samples off, tone %.4f Hz, "
                    "%.1f dB pure, clock measured %+.1f ppm\n",
                    ppm, r.lockSec, r.finalOffset, tone, purity, r.clockPpm);
        EXPECT_LE(r.lockSec, 15.0) << "locked";
        EXPECT_LE(std::fabs(r.finalOffset), rate / 25) << "ends within a frame";
        EXPECT_NEAR(tone, kTone, kTone * 50e-6);
        EXPECT_GE(purity, 60.0);
        EXPECT_NEAR(r.clockPpm, ppm, 20) << "the measured offset of the sound clock";
    }
}

TEST(SoundPacer, FasterThanRealTimeLocksWithinTheFramesAlone) {
    for (const double ppm : {300.0}) {
        SCOPED_TRACE(testing::Message() << "sound clock " << ppm << " ppm, 11 kHz, 5 minutes");
        Capture capture;
        capture.ppm = ppm;
        capture.format = {11025, 1, 16};
        capture.seconds = 300;
        capture.realTime = false;
        capture.lockedWithin = 0.5;
        const Result r = Play(capture);
        const double tone = ToneFrequency(r.channels[0], 11025, 20);
        std::printf("%+6.0f ppm, faster than real time: locked at %4.1f s, ends %+5.0f samples "
                    "off, tone %.4f Hz\n",
                    ppm, r.lockSec, r.finalOffset, tone);
        EXPECT_LE(r.lockSec, 15.0) << "locked";
        EXPECT_LE(std::fabs(r.finalOffset), 11025 / 25) << "ends within a frame";
        EXPECT_NEAR(tone, kTone, kTone * 50e-6);
    }
}

TEST(SoundPacer, StereoAndEightBitSoundKeepTheirChannelsAndLength) {
    struct FormatCase {
        const char* context;
        CPcmFormat format;
        double purityDb; // 8 bits carry their own noise, 48 dB down
    };
    const FormatCase cases[] = {
        {"16-bit stereo", {22050, 2, 16}, 60},
        {"8-bit mono", {22050, 1, 8}, 30},
        {"8-bit stereo", {11025, 2, 8}, 30},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.context);
        Capture capture;
        capture.format = c.format;
        capture.ppm = 1000;
        capture.seconds = 30;
        const Result r = Play(capture);
        const double rate = c.format.samplesPerSec;
        EXPECT_LE(std::fabs(r.finalOffset), rate / 25);
        EXPECT_NEAR(ToneFrequency(r.channels[0], rate, 20), kTone, kTone * 10e-6);
        EXPECT_GE(PurityDb(r.channels[0], rate, 20 - 65536 / rate), c.purityDb);
        if (c.format.channels == 2) {
            double largest = 0;
            for (size_t n = 0; n < r.channels[0].size(); ++n) {
                largest = std::max(largest, std::fabs(r.channels[0][n] + r.channels[1][n]));
            }
            EXPECT_LE(largest, 2.0 / (1 << (c.format.bitsPerSample - 1)))
                << "the right channel is the left one upside down";
        }
    }
}

// The measures can fail: the uncorrected tone reads low, and a tone
// corrected by dropping samples is not pure.
TEST(SoundPacer, TheMeasuresTellUncorrectedAndDroppedSamples) {
    const double rate = 44100, soundRate = rate * 1.005;
    std::vector<double> uncorrected(size_t(rate * 40)), dropped;
    for (size_t n = 0; n < uncorrected.size(); ++n) {
        uncorrected[n] = 0.5 * std::sin(2 * std::numbers::pi * kTone * double(n) / soundRate);
        if (n % 200 != 199) {
            dropped.push_back(uncorrected[n]);
        }
    }
    std::printf("uncorrected at +5000 ppm: tone %.4f Hz, %.1f dB pure; a sample dropped in 200: "
                "%.1f dB pure\n",
                ToneFrequency(uncorrected, rate, 0), PurityDb(uncorrected, rate, 0),
                PurityDb(dropped, rate, 0));
    EXPECT_NEAR(ToneFrequency(uncorrected, rate, 0), 437.8, 0.05);
    EXPECT_NEAR(ToneFrequency(dropped, rate, 0), kTone, 0.05);
    EXPECT_LT(PurityDb(dropped, rate, 0), 60.0);
    EXPECT_GE(PurityDb(uncorrected, rate, 0), 60.0);
}

TEST(SoundPacer, SoundFromBeforeTheFirstFrameIsLeftOut) {
    const CPcmFormat format{11025, 1, 16};
    CSoundPacer pacer(format, {25, 1});
    const std::vector<uint8_t> buffer(11025, 0); // half a second
    std::vector<uint8_t> out;
    // The first buffer arrives a tenth of a second into the picture.
    for (int n = 0; n < 4; ++n) {
        pacer.Process(buffer.data(), buffer.size(), 0.1 + 0.5 * n, out);
    }
    EXPECT_NEAR(double(out.size() / 2), 1.6 * 11025, 11025 / 25.0);
}

TEST(SoundPacer, SoundLostForSecondsIsMadeUpAtOnceWithSilence) {
    const CPcmFormat format{11025, 1, 16};
    CSoundPacer pacer(format, {25, 1});
    const std::vector<uint8_t> buffer(11025, 0); // half a second
    std::vector<uint8_t> out;
    double picture = 0;
    for (int n = 1; n <= 40; ++n) {
        picture += 0.5;
        if (n == 10) {
            picture += 3; // three seconds of sound never came
        }
        pacer.Process(buffer.data(), buffer.size(), picture, out);
    }
    EXPECT_NEAR(double(out.size() / 2), picture * 11025, 11025 / 25.0);
}

} // namespace
