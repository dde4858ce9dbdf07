// Frames placed by their times and by the sound: scenarios of a card's
// clocks (jitter, drops, repeats, stalls, steps of the driver's clock), each
// played as the capture window delivers them (frames as they come, the sound
// in buffers of half a second, each when full), with the decisions written
// out in short: f3-9@12 frames 3 to 9 (arrival order) from slot 12, e75@30
// 75 empty slots from slot 30, s6 frame 6 skipped, r:sound@30 re-anchored at
// slot 30 because the sound did not hear the gap (r:back a step back,
// r:unheard a long gap without sound).

#include "recording/FramePlacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr CNominalRate k15Fps{15, 1};
constexpr double kPeriod = 1.0 / 15;
constexpr uint32_t kSoundRate = 11025;
constexpr uint64_t kSoundBuffer = kSoundRate / 2;

// A capture as it reaches the program: frames with their arrival (real
// time) and their stamps (the driver's clock), and sound buffers.
class Timeline {
public:
    // `count` frames from real time `from` on, stamped `shift` later than
    // their real time, plus `jitter(k)` periods.
    Timeline& Frames(int count, double from, double shift = 0, double (*jitter)(int) = nullptr,
                     double period = kPeriod) {
        for (int k = 0; k < count; ++k) {
            const double at = from + k * period;
            const double late = jitter == nullptr ? 0 : jitter(k) * kPeriod;
            m_frames.push_back({at, at + shift + late});
        }
        return *this;
    }
    // One frame again, as the last one was stamped.
    Timeline& Repeat() {
        m_frames.push_back({m_frames.back().at + 0.001, m_frames.back().stamp});
        return *this;
    }

    // Plays it to a placer: with sound (or without), until the sound of
    // a second after the last frame; returns the decisions in short.
    std::string Play(bool sound, size_t maxWaiting = 64) const {
        CFramePlacer placer(k15Fps, sound ? kSoundRate : 0, maxWaiting);
        std::vector<CFramePlacer::Decision> out;
        const double end = m_frames.back().at + 1.0;
        uint64_t buffers = 0;
        CFramePlacer::Token token = 0;
        for (const Arrival& frame : m_frames) {
            for (; sound && BufferFull(buffers + 1) <= frame.at; ++buffers) {
                placer.Sound(kSoundBuffer, out);
            }
            placer.Frame(uint32_t(std::lround(frame.stamp * 1000)), token++, out);
        }
        for (; sound && BufferFull(buffers + 1) <= end; ++buffers) {
            placer.Sound(kSoundBuffer, out);
        }
        placer.Finish(out);
        return Short(out);
    }

private:
    struct Arrival {
        double at;
        double stamp;
    };
    static double BufferFull(uint64_t n) { return double(n * kSoundBuffer) / kSoundRate; }

    static std::string Short(const std::vector<CFramePlacer::Decision>& decisions) {
        using Action = CFramePlacer::Action;
        std::ostringstream text;
        for (size_t n = 0; n < decisions.size(); ++n) {
            const CFramePlacer::Decision& d = decisions[n];
            text << (n == 0 ? "" : " ");
            switch (d.action) {
            case Action::Frame: {
                // A run of frames, each to the next slot.
                size_t last = n;
                while (last + 1 < decisions.size() && decisions[last + 1].action == Action::Frame &&
                       decisions[last + 1].token == decisions[last].token + 1 &&
                       decisions[last + 1].slot == decisions[last].slot + 1) {
                    ++last;
                }
                text << "f" << d.token;
                if (last != n) {
                    text << "-" << decisions[last].token;
                }
                text << "@" << d.slot;
                n = last;
                break;
            }
            case Action::Empty:
                text << "e" << d.count << "@" << d.slot;
                break;
            case Action::Skip:
                text << "s" << d.token;
                break;
            case Action::Reanchor:
                text << "r:"
                     << (d.step == CFramePlacer::Step::Back           ? "back"
                         : d.step == CFramePlacer::Step::Contradicted ? "sound"
                                                                      : "unheard")
                     << "@" << d.slot;
                break;
            }
        }
        return text.str();
    }

    std::vector<Arrival> m_frames;
};

// A quarter period either way, the stamps rounded to milliseconds.
double LateThenEarly(int k) {
    return k % 2 == 0 ? 0.25 : -0.25;
}

double EarlyThenLate(int k) {
    return k % 2 == 0 ? -0.25 : 0.25;
}

// Up to a quarter period either way, the same every run.
double Random(int k) {
    const uint32_t x = uint32_t(k) * 2654435761u;
    return (double(x >> 8) / double(1u << 24) - 0.5) / 2;
}

struct PlacementCase {
    const char* context;
    Timeline timeline;
    const char* withSound;
    const char* withoutSound;
};

const PlacementCase kCases[] = {
    {"a steady clock", Timeline().Frames(30, 0), "f0-29@0", "f0-29@0"},
    {"jitter, the first frame late and the next early", Timeline().Frames(30, 0, 0, LateThenEarly),
     "f0-29@0", "f0-29@0"},
    {"jitter, early then late", Timeline().Frames(30, 0, 0, EarlyThenLate), "f0-29@0", "f0-29@0"},
    {"jitter of up to a quarter period, 40 s", Timeline().Frames(600, 0, 0, Random), "f0-599@0",
     "f0-599@0"},
    {"a frame the driver dropped", Timeline().Frames(5, 0).Frames(4, 6 * kPeriod),
     "f0-4@0 e1@5 f5-8@6", "f0-4@0 e1@5 f5-8@6"},
    {"frames at 20 fps for slots of 15: one in four is one too many",
     Timeline().Frames(8, 0, 0, nullptr, 0.05), "f0-2@0 s3 f4-6@3 s7", "f0-2@0 s3 f4-6@3 s7"},
    {"a frame repeated: its slot is taken", Timeline().Frames(6, 0).Repeat().Frames(4, 6 * kPeriod),
     "f0-5@0 s6 f7-10@6", "f0-5@0 s6 f7-10@6"},
    {"a stall of 5 s (a tape's blank)", Timeline().Frames(30, 0).Frames(30, 7.0),
     "f0-29@0 e75@30 f30-59@105", "f0-29@0 e75@30 f30-59@105"},
    {"the signal lost for a minute", Timeline().Frames(30, 0).Frames(30, 62.0),
     "f0-29@0 e900@30 f30-59@930", "f0-29@0 r:unheard@30 f30-59@30"},
    {"the driver's clock steps forward by three hours",
     Timeline().Frames(30, 0).Frames(30, 2.0, 3 * 3600.0), "f0-29@0 r:sound@30 f30-59@30",
     "f0-29@0 r:unheard@30 f30-59@30"},
    {"the clock steps forward by 3 s: without sound, taken for a stall",
     Timeline().Frames(30, 0).Frames(30, 2.0, 3.0), "f0-29@0 r:sound@30 f30-59@30",
     "f0-29@0 e45@30 f30-59@75"},
    {"the clock steps back by 10 s", Timeline().Frames(30, 0).Frames(30, 2.0, -10.0),
     "f0-29@0 r:back@30 f30-59@30", "f0-29@0 r:back@30 f30-59@30"},
    {"a stall, then a step forward: each on its own",
     Timeline().Frames(30, 0).Frames(30, 7.0).Frames(30, 9.0, 3 * 3600.0),
     "f0-29@0 e75@30 f30-59@105 r:sound@135 f60-89@135",
     "f0-29@0 e75@30 f30-59@105 r:unheard@135 f60-89@135"},
};

TEST(FramePlacer, PlacesEachFrameByItsTimeAndTheSound) {
    for (const PlacementCase& c : kCases) {
        EXPECT_EQ(c.timeline.Play(true), c.withSound) << c.context << ", with sound";
        EXPECT_EQ(c.timeline.Play(false), c.withoutSound) << c.context << ", without sound";
    }
}

TEST(FramePlacer, AFrameAfterAGapWaitsForTheSoundThatTellsWithTheFramesBehindIt) {
    CFramePlacer placer(k15Fps, kSoundRate, 64);
    std::vector<CFramePlacer::Decision> out;
    placer.Frame(0, 0, out);
    placer.Frame(67, 1, out);
    ASSERT_EQ(out.size(), 2u);
    placer.Frame(2067, 2, out); // two seconds later
    placer.Frame(2133, 3, out);
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(placer.Waiting(), 2u);
    placer.Sound(kSoundRate * 2, out); // two seconds of sound heard it
    using A = CFramePlacer::Action;
    const std::vector<CFramePlacer::Decision> expected = {{A::Frame, 0, 0},
                                                          {A::Frame, 1, 1},
                                                          {A::Empty, 0, 2, 29},
                                                          {A::Frame, 2, 31},
                                                          {A::Frame, 3, 32}};
    EXPECT_EQ(out, expected);
    EXPECT_EQ(placer.Waiting(), 0u);
    EXPECT_EQ(placer.Slots(), 33u);
    EXPECT_EQ(placer.EmptySlots(), 29u);
}

TEST(FramePlacer, WithSoundThatNeverComesTheQueueIsBoundedAndGapsAreFilled) {
    CFramePlacer placer(k15Fps, kSoundRate, 3);
    std::vector<CFramePlacer::Decision> out;
    for (uint32_t k = 0; k < 10; ++k) {
        if (k != 4) {
            placer.Frame(uint32_t(std::lround(k * 1000 * kPeriod)), k, out);
        }
        EXPECT_LE(placer.Waiting(), 4u) << "frame " << k;
    }
    placer.Finish(out);
    EXPECT_EQ(placer.Slots(), 10u);
    EXPECT_EQ(placer.EmptySlots(), 1u);
    EXPECT_EQ(placer.Reanchors(), 0u);
}

TEST(FramePlacer, CountsSkippedFramesAndStepsForThePanes) {
    CFramePlacer placer(k15Fps, 0, 64);
    std::vector<CFramePlacer::Decision> out;
    placer.Frame(0, 0, out);
    placer.Frame(0, 1, out); // a repeat
    placer.Frame(67, 2, out);
    placer.Frame(67 + 20000, 3, out); // twenty seconds on, nothing heard
    EXPECT_EQ(placer.Skipped(), 1u);
    EXPECT_EQ(placer.Reanchors(), 1u);
    EXPECT_EQ(placer.LastStep(), CFramePlacer::Step::Unheard);
    EXPECT_EQ(placer.Slots(), 3u);
}

} // namespace
