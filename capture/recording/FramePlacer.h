#pragma once
// Gives each captured frame its place (slot) in the file's video stream, by
// its capture time and by the sound.
//
// A card's frames are stamped by its driver's clock, which jitters, stalls
// when the signal goes (a tape's blank) and now and then steps, forward or
// back; the sound goes on at its own steady pace through all of it. So:
// - a frame goes to the slot of its time, rounded, with a quarter period of
//   slack either way about the clock's phase (which follows the frames
//   slowly), so that a late frame next to an early one keeps its own slot;
// - a frame whose slot is taken (a repeat) is skipped;
// - a gap between two frames is filled with empty slots when the sound says
//   that the time really passed (a stall), and is taken for a step of the
//   driver's clock when the sound says it did not: the frames are then
//   re-anchored and go on from the next slot. A step back always re-anchors.
// - The sound comes in buffers, each when full, so a frame after a gap waits,
//   with the frames behind it, for the next sound. Without sound a gap of up
//   to ten seconds is filled and a longer one is taken for a step.
//
// The placer only decides; the caller applies its decisions in the order
// given (writes the frame whose token it handed in, empty chunks, or lets the
// frame go).

#include "recording/NominalRate.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class CFramePlacer {
public:
    using Token = uint64_t;

    enum class Action {
        Frame,    // write the frame `token` at `slot`
        Empty,    // write `count` empty slots from `slot` on
        Skip,     // the frame `token` goes unwritten: its slot is taken
        Reanchor, // the driver's clock stepped; frames go on from `slot`
    };
    // Why the frames were re-anchored.
    enum class Step {
        None,
        Contradicted, // a gap in the frame times that the sound did not hear
        Back,         // a frame from before the last one written
        Unheard,      // a gap too long to fill, with no sound to tell
    };
    struct Decision {
        Action action = Action::Frame;
        Token token = 0;
        uint64_t slot = 0;
        uint64_t count = 0; // Empty: the slots
        Step step = Step::None;
        bool operator==(const Decision&) const = default;
    };

    // soundSamplesPerSec: 0 when the capture has no sound. maxWaiting: the
    // most frames held waiting for sound (their buffers are the caller's).
    CFramePlacer(const CNominalRate& rate, uint32_t soundSamplesPerSec, size_t maxWaiting);

    // A frame captured at timeMs of the driver's clock.
    void Frame(uint32_t timeMs, Token token, std::vector<Decision>& out);
    // `samples` more sound samples have arrived.
    void Sound(uint64_t samples, std::vector<Decision>& out);
    // The capture ended: the frames still waiting are placed.
    void Finish(std::vector<Decision>& out);

    uint64_t Slots() const { return m_next; } // frames and empty slots decided
    uint64_t Skipped() const { return m_skipped; }
    uint64_t EmptySlots() const { return m_empty; }
    uint64_t Reanchors() const { return m_reanchors; }
    Step LastStep() const { return m_lastStep; }
    size_t Waiting() const { return m_waiting.size(); }

    // A gap without sound longer than this is a step of the clock.
    static constexpr double kLongestUnheardGapSec = 10.0;

private:
    struct Arrival {
        Token token = 0;
        int64_t timeUs = 0;      // on the driver's clock, unwrapped
        int64_t soundUs = 0;     // the sound received when it arrived
        int64_t prevTimeUs = 0;  // of the frame that arrived before it
        int64_t prevSoundUs = 0; // the sound received when that one arrived
    };

    void Place(bool force, std::vector<Decision>& out);
    // False when the frame must wait for more sound.
    bool PlaceOne(const Arrival& frame, bool force, std::vector<Decision>& out);
    bool PlaceAfterGap(const Arrival& frame, uint64_t gap, bool force, std::vector<Decision>& out);
    // True when the time the frames skipped over really passed.
    bool SoundHeardTheGap(const Arrival& frame) const;
    void Reanchor(const Arrival& frame, Step step, std::vector<Decision>& out);
    void Write(const Arrival& frame, std::vector<Decision>& out);
    double PositionOf(const Arrival& frame) const;

    double m_periodUs;
    uint32_t m_soundRate;
    size_t m_maxWaiting;
    std::deque<Arrival> m_waiting;
    bool m_started = false;
    uint64_t m_arrivals = 0;
    int64_t m_lastArrivalSoundUs = 0;
    uint32_t m_lastRawMs = 0;
    int64_t m_clockUs = 0; // the last frame's time, unwrapped
    int64_t m_soundUs = 0; // sound received so far, in microseconds
    uint64_t m_soundSamples = 0;
    double m_anchorUs = 0; // the driver's time of slot 0
    double m_lastLate = 0; // how late the last frame written was, in periods
    uint64_t m_next = 0;   // the next free slot
    uint64_t m_skipped = 0;
    uint64_t m_empty = 0;
    uint64_t m_reanchors = 0;
    Step m_lastStep = Step::None;
};
