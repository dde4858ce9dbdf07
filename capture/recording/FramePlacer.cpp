#include "recording/FramePlacer.h"

#include <algorithm>
#include <cmath>

namespace {

// A frame may be this early for its slot, in periods, and still take it: a
// quarter period of jitter on a phase that is itself a quarter period off
// (the first frames' jitter, not yet averaged out), so that a late frame and
// an early one keep their slots although they came closer than half a
// period...
constexpr double kEarliest = -0.75;
// ...unless the frame before it came early too: two frames that near one
// slot are one too many for it.
constexpr double kEarliestAfterEarly = -0.5;
constexpr double kEarly = -0.25;
// From this late on, the slots between are empty.
constexpr double kLatest = 0.75;
// A frame from further back than this is no repeat but a step back.
constexpr double kRepeatWindow = -2.0;
// The clock's phase follows each frame by this share of its lateness, so
// that it settles on the frames' mean within a few dozen of them.
constexpr double kPhaseFollow = 1.0 / 16;

} // namespace

CFramePlacer::CFramePlacer(const CNominalRate& rate, uint32_t soundSamplesPerSec, size_t maxWaiting)
    : m_periodUs(rate.rate == 0 ? 1e6 : 1e6 * rate.scale / rate.rate),
      m_soundRate(soundSamplesPerSec), m_maxWaiting(std::max<size_t>(maxWaiting, 1)) {}

void CFramePlacer::Frame(uint32_t timeMs, Token token, std::vector<Decision>& out) {
    Arrival frame;
    frame.token = token;
    const bool first = m_arrivals++ == 0;
    // The driver's clock is 32 bits of milliseconds; a step is within a
    // few weeks either way, so the difference is read as signed.
    const int64_t stepMs = first ? int64_t(timeMs) : int64_t(int32_t(timeMs - m_lastRawMs));
    frame.prevTimeUs = m_clockUs;
    frame.timeUs = m_clockUs + stepMs * 1000;
    frame.prevSoundUs = m_lastArrivalSoundUs;
    frame.soundUs = m_soundUs;
    m_lastRawMs = timeMs;
    m_clockUs = frame.timeUs;
    m_lastArrivalSoundUs = m_soundUs;
    m_waiting.push_back(frame);
    Place(false, out);
}

void CFramePlacer::Sound(uint64_t samples, std::vector<Decision>& out) {
    if (m_soundRate == 0 || samples == 0) {
        return;
    }
    m_soundSamples += samples;
    m_soundUs = int64_t(double(m_soundSamples) * 1e6 / m_soundRate);
    Place(false, out);
}

void CFramePlacer::Finish(std::vector<Decision>& out) {
    Place(true, out);
}

void CFramePlacer::Place(bool force, std::vector<Decision>& out) {
    while (!m_waiting.empty()) {
        // Too many frames held: decide with the sound there is.
        const bool full = m_waiting.size() > m_maxWaiting;
        if (!PlaceOne(m_waiting.front(), force || full, out)) {
            return;
        }
        m_waiting.pop_front();
    }
}

double CFramePlacer::PositionOf(const Arrival& frame) const {
    return (double(frame.timeUs) - m_anchorUs) / m_periodUs - double(m_next);
}

bool CFramePlacer::PlaceOne(const Arrival& frame, bool force, std::vector<Decision>& out) {
    if (!m_started) {
        m_started = true;
        m_anchorUs = double(frame.timeUs);
        Write(frame, out);
        return true;
    }
    const double late = PositionOf(frame);
    if (late < kRepeatWindow) {
        Reanchor(frame, Step::Back, out);
        return true;
    }
    if (late < (m_lastLate < kEarly ? kEarliestAfterEarly : kEarliest)) {
        out.push_back({Action::Skip, frame.token, m_next, 0, Step::None});
        ++m_skipped;
        return true;
    }
    if (late < kLatest) {
        Write(frame, out);
        return true;
    }
    return PlaceAfterGap(frame, uint64_t(std::floor(late + (1 - kLatest))), force, out);
}

bool CFramePlacer::PlaceAfterGap(const Arrival& frame, uint64_t gap, bool force,
                                 std::vector<Decision>& out) {
    const bool soundSince = m_soundUs > frame.prevSoundUs;
    // More sound can only hear more of the gap: heard already, it is filled
    // at once (the frames after a stall need not wait).
    const bool soundAfter = m_soundUs > frame.soundUs || SoundHeardTheGap(frame);
    bool fill = false;
    if (m_soundRate != 0 && (soundAfter || (force && soundSince))) {
        fill = SoundHeardTheGap(frame);
    } else if (m_soundRate != 0 && !force) {
        return false; // wait for the sound that tells
    } else {
        fill = double(gap) * m_periodUs <= kLongestUnheardGapSec * 1e6;
    }
    if (!fill) {
        Reanchor(frame, m_soundRate != 0 && soundSince ? Step::Contradicted : Step::Unheard, out);
        return true;
    }
    out.push_back({Action::Empty, 0, m_next, gap, Step::None});
    m_next += gap;
    m_empty += gap;
    Write(frame, out);
    return true;
}

bool CFramePlacer::SoundHeardTheGap(const Arrival& frame) const {
    // The sound comes a buffer at a time, each when full, so what came
    // between the frame before the gap and the first sound after the frame
    // behind it is at most two buffers more than the time that passed,
    // and never less: nearer the gap than a period, the gap was real.
    const double heard = double(m_soundUs - frame.prevSoundUs);
    const double gap = double(frame.timeUs - frame.prevTimeUs);
    return heard >= (gap + m_periodUs) / 2;
}

void CFramePlacer::Reanchor(const Arrival& frame, Step step, std::vector<Decision>& out) {
    m_anchorUs = double(frame.timeUs) - double(m_next) * m_periodUs;
    m_lastLate = 0;
    ++m_reanchors;
    m_lastStep = step;
    out.push_back({Action::Reanchor, 0, m_next, 0, step});
    Write(frame, out);
}

void CFramePlacer::Write(const Arrival& frame, std::vector<Decision>& out) {
    const double late = std::clamp(PositionOf(frame), -0.5, 0.5);
    m_anchorUs += late * m_periodUs * kPhaseFollow;
    m_lastLate = late;
    out.push_back({Action::Frame, frame.token, m_next, 0, Step::None});
    ++m_next;
}
