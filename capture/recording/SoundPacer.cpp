#include "recording/SoundPacer.h"

#include <algorithm>
#include <cmath>

namespace {

// The rate is trusted once measured over this much picture...
constexpr double kFirstSpanSec = 4.0;
// ...and the line forgets over this much, so that it follows a crystal that
// warms up, and no further back.
constexpr double kMemorySec = 600.0;
// The offset is smoothed over this time...
constexpr double kSmoothingSec = 3.0;
// ...and taken out over this one: fast enough to lock in seconds, slow
// enough that the ratio never moves audibly.
constexpr double kCatchUpSec = 10.0;
// The loop is this much quicker at the start, and reaches its pace after
// this much picture.
constexpr double kFastestPace = 0.2;
constexpr double kSettlingSec = 40.0;
// The correction never exceeds this share of the rate (some 17 cents).
constexpr double kMostCorrection = 0.01;
// Rates further from nominal than this are no crystal's: not resampled.
constexpr double kMostDeviation = 0.05;
// An offset beyond this (sound lost, or a stall that the picture did not
// keep) is made up at once with silence or by skipping sound, not by
// minutes of a changed pitch.
constexpr double kLargestSlewSec = 1.0;

} // namespace

CSoundPacer::CSoundPacer(const CPcmFormat& format, const CNominalRate& frameRate)
    : m_format(format), m_periodSec(frameRate.rate == 0 ? 0.0 : frameRate.Period()),
      m_resampler(format), m_inputRate(format.samplesPerSec) {}

void CSoundPacer::Process(const uint8_t* data, size_t bytes, double arrivalSec,
                          std::vector<uint8_t>& out) {
    const uint32_t block = m_format.BlockAlign();
    if (block == 0) {
        return;
    }
    m_received += bytes / block;
    const size_t before = out.size();
    if (m_silence != 0) {
        const std::vector<uint8_t> silence(size_t(m_silence) * block,
                                           m_format.bitsPerSample == 8 ? 0x80 : 0x00);
        m_silence = 0;
        m_resampler.Process(silence.data(), silence.size(), out);
    }
    m_resampler.Process(data, bytes - bytes % block, out);
    // Counted as the resampler gives it out: a sample carried over below is
    // counted once, here, not again when it goes out with the next buffer.
    m_written += (out.size() - before) / block;
    // Chunks of an even size: a RIFF chunk of an odd one is padded, which
    // not every reader's index walk takes (8-bit mono sound only).
    if (m_carry != 0) {
        out.insert(out.begin() + ptrdiff_t(before), m_carried);
        m_carry = 0;
    }
    if ((out.size() - before) % 2 != 0) {
        m_carried = out.back();
        out.pop_back();
        m_carry = 1;
    }
    if (arrivalSec >= 0) {
        Measure(arrivalSec, double(m_received));
        Steer(PictureTimeOfSound(arrivalSec));
    }
}

void CSoundPacer::Measure(double x, double y) {
    if (m_clockKnown && std::fabs(x - PictureTimeOfSound(x)) > kLargestSlewSec) {
        // The sound lost time (a buffer the driver never gave) or the picture
        // did: the line starts again from here, at the rate known.
        m_points = 0;
        m_firstX = -1;
    }
    if (m_firstX < 0) {
        m_firstX = x;
    }
    // Each point weighs as much as the picture time it covers, within the
    // memory; the first ones as much as all before them.
    m_points += 1;
    const double weight = std::max(1.0 / m_points, std::min(1.0, (x - m_lastX) / kMemorySec));
    m_lastX = x;
    const double dx = x - m_meanX, dy = y - m_meanY;
    m_meanX += weight * dx;
    m_meanY += weight * dy;
    m_varX = (1 - weight) * (m_varX + weight * dx * dx);
    m_varY = (1 - weight) * (m_varY + weight * dy * dy);
    m_covXY = (1 - weight) * (m_covXY + weight * dx * dy);
    if (x - m_firstX < kFirstSpanSec || m_varX <= 0) {
        return;
    }
    const double rate = m_covXY / m_varX;
    if (std::fabs(rate / m_format.samplesPerSec - 1) <= kMostDeviation) {
        m_inputRate = rate;
        m_clockKnown = true;
        // The slope's standard error, from the points' scatter about it.
        const double scatter = std::max(0.0, m_varY - m_covXY * m_covXY / m_varX);
        const double error = std::sqrt(scatter / m_varX * weight) / rate * 1e6;
        if (error <= kShownWithinPpm) {
            m_published.store((rate / m_format.samplesPerSec - 1) * 1e6);
        }
    }
}

double CSoundPacer::PictureTimeOfSound(double pointSec) const {
    if (!m_clockKnown) {
        return pointSec;
    }
    return m_meanX + (double(m_received) - m_meanY) / m_inputRate;
}

void CSoundPacer::Steer(double pictureSec) {
    const double nominal = m_format.samplesPerSec;
    const double ratio = m_resampler.Ratio();
    // The sound given out and to come from what was received, against the
    // picture's time.
    m_offset = double(m_written) + m_resampler.PendingInput() / ratio - pictureSec * nominal;
    // The sound that came before the first frame, or its lack, is made up at
    // once; later, only what is too much to slew.
    const double largest = m_offsetKnown ? kLargestSlewSec : m_periodSec;
    if (std::fabs(m_offset) > largest * nominal) {
        Realign();
        m_offsetKnown = true;
        return;
    }
    if (!m_offsetKnown) {
        m_smoothedOffset = m_offset;
        m_offsetKnown = true;
    }
    // Early on, with an offset grown while the rate was unknown, the loop is
    // quicker; it slows to its pace as the line grows certain.
    const double pace = std::clamp(pictureSec / kSettlingSec, kFastestPace, 1.0);
    const double share = std::min(1.0, (pictureSec - m_lastSteerSec) / (kSmoothingSec * pace));
    m_lastSteerSec = pictureSec;
    m_smoothedOffset += share * (m_offset - m_smoothedOffset);
    const double correction = std::clamp(m_smoothedOffset / (kCatchUpSec * pace * nominal),
                                         -kMostCorrection, kMostCorrection);
    m_resampler.SetRatio(m_inputRate / nominal * (1 + correction));
}

void CSoundPacer::Realign() {
    // Too much sound: skip some; too little: silence before the next, fed
    // through the resampler so that it joins smoothly.
    const double input = std::fabs(m_offset) * m_resampler.Ratio();
    if (m_offset > 0) {
        m_resampler.Drop(uint64_t(input));
    } else {
        m_silence = uint64_t(input);
    }
    m_smoothedOffset = 0;
    m_offset = 0;
}
