// An hour of a card's clocks through the program's time keeping, faster
// than real time: 15 fps frames whose times jitter by up to a quarter
// period and that stall for 5 s every 30 s, and a 440 Hz tone at 11,025 Hz
// whose clock runs 300 ppm fast, in buffers of half a second. The frames go
// through the frame placer and the sound through the pacer as the program's
// capture hands them on (the arrivals known only to a frame). Prints what
// the file would hold: the slots, the worst offset of sound against picture
// at any buffer after the first 15 s (in frames), the offset at the end, the
// tone's frequency over the hour after 15 s, and the time it took.
//   recording_bench [seconds] [ppm]

#include "recording/FramePlacer.h"
#include "recording/SoundPacer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>

namespace {

constexpr CNominalRate kRate{15, 1};
constexpr double kPeriod = 1.0 / 15;
constexpr uint32_t kSampleRate = 11025;
constexpr size_t kBuffer = kSampleRate / 2;
constexpr double kSamplesPerFrame = kSampleRate * kPeriod;

// The tone's rising zero crossings, each placed between its two samples.
struct Crossings {
    double from = 0; // samples
    double first = -1, last = -1;
    long count = 0;
    double previous = 0;
    uint64_t index = 0;
    void Add(double x) {
        if (index > from && previous < 0 && x >= 0) {
            const double at = double(index - 1) + -previous / (x - previous);
            first = first < 0 ? at : first;
            last = at;
            ++count;
        }
        previous = x;
        ++index;
    }
    double Frequency() const { return double(count - 1) * kSampleRate / (last - first); }
};

// Jitter of up to a quarter period, the same every run.
double Jitter(uint64_t k) {
    const uint32_t x = uint32_t(k) * 2654435761u;
    return (double(x >> 8) / double(1u << 24) - 0.5) / 2;
}

bool Stalled(double t) {
    return std::fmod(t, 30.0) >= 20.0 && std::fmod(t, 30.0) < 25.0;
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3600;
    const double ppm = argc > 2 ? std::atof(argv[2]) : 300;
    const double soundRate = kSampleRate * (1 + ppm * 1e-6);
    const auto started = std::chrono::steady_clock::now();

    CFramePlacer placer(kRate, kSampleRate, 15);
    CSoundPacer pacer({kSampleRate, 1, 16}, kRate);
    std::vector<CFramePlacer::Decision> decisions;
    std::vector<uint8_t> in(kBuffer * 2), out;
    uint64_t slots = 0, frames = 0, empty = 0, written = 0, sample = 0, lastSlot = 0;
    bool framePlaced = false;
    double worst = 0;
    Crossings crossings;
    crossings.from = 15.0 * kSampleRate;
    // As the program does: the sound held until the next frame dates it.
    struct Held {
        std::vector<uint8_t> bytes;
        uint64_t slot;
        bool dated;
        double at; // when it really filled, for the figures
    };
    std::vector<Held> held;
    const auto pace = [&](uint64_t slot) {
        for (const Held& h : held) {
            const bool dated = h.dated && slot == h.slot + 1;
            out.clear();
            pacer.Process(h.bytes.data(), h.bytes.size(),
                          dated ? (double(h.slot) + 0.5) * kPeriod : CSoundPacer::kUnmeasured, out);
            for (size_t n = 0; n + 1 < out.size(); n += 2) {
                crossings.Add(int16_t(uint16_t(out[n] | (out[n + 1] << 8))) / 32768.0);
            }
            written += out.size() / 2;
            if (h.at > 15) {
                worst = std::max(worst, std::fabs(double(written) - h.at * kSampleRate));
            }
        }
        held.clear();
    };
    const auto apply = [&] {
        for (const CFramePlacer::Decision& d : decisions) {
            if (d.action == CFramePlacer::Action::Frame) {
                pace(d.slot);
                ++frames;
                lastSlot = d.slot;
                framePlaced = true;
            } else if (d.action == CFramePlacer::Action::Empty) {
                empty += d.count;
            }
        }
        decisions.clear();
        slots = placer.Slots();
    };
    uint64_t k = 0, buffers = 0;
    for (;;) {
        const double frameAt = double(k) * kPeriod;
        double bufferAt = double((buffers + 1) * kBuffer) / soundRate;
        // The capture ends after the last frame's period; so does the sound,
        // its last buffer given as it is.
        const double end = (std::floor(seconds / kPeriod) + 1) * kPeriod;
        size_t length = kBuffer;
        if (frameAt >= end && bufferAt > end) {
            length = size_t(end * soundRate) - size_t(sample);
            bufferAt = end;
            if (length == 0 || length > kBuffer) {
                break;
            }
        }
        if (frameAt < end && frameAt <= bufferAt) {
            if (!Stalled(frameAt)) {
                const double stamp = frameAt + Jitter(k) * kPeriod;
                placer.Frame(uint32_t(std::lround(stamp * 1000)), k, decisions);
                apply();
            }
            ++k;
            continue;
        }
        for (size_t n = 0; n < length; ++n, ++sample) {
            const double t = double(sample) / soundRate;
            const long v = std::lround(16000 * std::sin(2 * std::numbers::pi * 440 * t));
            in[2 * n] = uint8_t(v & 0xFF);
            in[2 * n + 1] = uint8_t((v >> 8) & 0xFF);
        }
        ++buffers;
        placer.Sound(length, decisions);
        apply();
        held.push_back({std::vector<uint8_t>(in.begin(), in.begin() + ptrdiff_t(length * 2)),
                        lastSlot, framePlaced && placer.Waiting() == 0, bufferAt});
        if (length != kBuffer) {
            break;
        }
    }
    placer.Finish(decisions);
    apply();
    pace(0);
    const long long took = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - started)
                               .count();
    std::printf("picture=%.0f s, sound clock %+.0f ppm, 15 fps with jitter and 5 s stalls\n",
                seconds, ppm);
    std::printf("slots=%llu frames=%llu empty=%llu skipped=%llu reanchored=%llu\n",
                static_cast<unsigned long long>(slots), static_cast<unsigned long long>(frames),
                static_cast<unsigned long long>(empty),
                static_cast<unsigned long long>(placer.Skipped()),
                static_cast<unsigned long long>(placer.Reanchors()));
    std::printf("worst_offset_frames=%.3f (sound against picture at any buffer after 15 s)\n",
                worst / kSamplesPerFrame);
    std::printf("end_offset_frames=%.3f (the sound's end against the picture's)\n",
                (double(written) - double(slots) * kSamplesPerFrame) / kSamplesPerFrame);
    std::printf("tone_hz=%.4f (440 within %.1f ppm; uncorrected %.4f)\n", crossings.Frequency(),
                (crossings.Frequency() / 440 - 1) * 1e6, 440 / (1 + ppm * 1e-6));
    std::printf("measured_ppm=%.1f took_ms=%lld\n", pacer.ClockPpm(), took);
    return 0;
}
