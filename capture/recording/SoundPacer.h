#pragma once
// Keeps the sound of a capture in step with its picture over any length.
//
// A card's picture is timed by the video signal and its sound by the sound
// device's own crystal; the two differ by tens to hundreds of parts per
// million, some seconds an hour. The file has one time line, the picture's
// (its slots at the nominal frame rate), and the sound's nominal rate, so the
// sound is resampled as it is written: each second of picture then holds one
// second of sound, at every point of the capture, and a tone keeps its pitch.
//
// The loop runs on each sound buffer. A buffer arrives when it is full, so
// the picture time of its arrival (told by the caller: the capture window
// hands it on between two frames, so the middle of the last frame's period,
// known to a frame; a source that knows better may say so) is when its last
// sample was heard: a point of the sound clock's line, samples received against picture time. A
// least-squares line through the points, forgetting over minutes, grows more certain with every
// buffer; the loop
// - sets the resampler's ratio to the line's slope, the sound clock's rate
//   (the integral part; a rate not yet measured is taken for nominal),
// - and takes out the offset still left between the sound written and to
//   come and the picture time the line gives for it, smoothed over seconds,
//   over ten seconds (the proportional part; quicker in the first seconds).
// Following the line, not each point, the output keeps an even pace: it
// locks within seconds even at 5000 ppm and then changes its ratio by a few
// ppm, far below anything audible. While the picture stalls, no point is
// taken: the empty slots of the stall come at its end.

#include "recording/NominalRate.h"
#include "recording/SoundResampler.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class CSoundPacer {
public:
    CSoundPacer(const CPcmFormat& format, const CNominalRate& frameRate);

    // Takes a buffer of sound that arrived at picture time arrivalSec
    // (kUnmeasured while the picture stalls) and appends what is to be
    // written in its place to `out`.
    void Process(const uint8_t* data, size_t bytes, double arrivalSec, std::vector<uint8_t>& out);
    static constexpr double kUnmeasured = -1.0;
    static constexpr double kShownWithinPpm = 100.0;

    // The sound clock's rate against the picture's, once measured within
    // kShownWithinPpm (a standard error); read by any thread (the panes show
    // it while the writer thread measures).
    bool ClockKnown() const { return m_published.load() != kUnknownPpm; }
    double ClockPpm() const { return ClockKnown() ? m_published.load() : 0.0; }
    // The sound written and to come, less the picture's time, in samples.
    double OffsetSamples() const { return m_offset; }
    double Ratio() const { return m_resampler.Ratio(); }

private:
    void Measure(double pictureSec, double samples);
    // The picture time at which the sound received so far ended.
    double PictureTimeOfSound(double pointSec) const;
    void Steer(double pictureSec);
    void Realign();

    CPcmFormat m_format;
    double m_periodSec;
    CSoundResampler m_resampler;
    uint64_t m_received = 0; // input samples
    uint64_t m_written = 0;  // output samples
    // The line of samples received over picture time, by weighted means.
    double m_points = 0;
    double m_meanX = 0, m_meanY = 0, m_varX = 0, m_varY = 0, m_covXY = 0;
    double m_firstX = -1, m_lastX = 0;
    double m_inputRate; // samples a second of picture
    bool m_clockKnown = false;
    double m_offset = 0;         // the last measured
    double m_smoothedOffset = 0; // over a few seconds
    bool m_offsetKnown = false;
    static constexpr double kUnknownPpm = 1e300;
    std::atomic<double> m_published{kUnknownPpm};
    double m_lastSteerSec = 0;
    uint64_t m_silence = 0; // input samples of silence to put before the next
    uint8_t m_carried = 0;  // the last byte of an odd output, put before the next
    uint32_t m_carry = 0;
};
