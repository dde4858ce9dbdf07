#pragma once
// The clocks of a capture card, as a sequence capture sees them. The picture
// is timed by the video signal: frame slot n comes at n periods of picture
// time. The sound is timed by the sound device's own crystal, which runs
// SOFTCAP_SOUND_CLOCK_PPM parts per million fast against the picture (a
// real pair of crystals differs by tens to hundreds): each second of picture
// comes with 1 + ppm / 1e6 seconds of samples, counted at the nominal rate.
//
// The fault modes bend the driver's view of the picture clock:
//   jitter     each frame's time off by up to a quarter period either way,
//              and now and then one frame a quarter period late and the next
//              one a quarter period early (reproducible: the same offsets in
//              every run)
//   stall      no frame from 10 s to 15 s of every 30 s of picture, as on a
//              tape's blank; the sound goes on
//   clockjump  the driver's clock steps 3 hours forward at 10 s and 4 s back
//              at 20 s; the frames keep coming at the normal rate

#include <windows.h>

struct CardClockSettings {
    static constexpr long kDefaultSoundPpm = 120;
    static constexpr long kLargestPpm = 100000; // 10%: beyond any crystal
    long soundPpm = kDefaultSoundPpm;
    bool jitter = false;
    bool stall = false;
    bool clockJump = false;

    // SOFTCAP_SOUND_CLOCK_PPM and the clock faults of SOFTCAP_FAULTS.
    static CardClockSettings FromEnvironment();
};

class CCardClocks {
public:
    CCardClocks(DWORD microSecPerFrame, const CardClockSettings& settings);

    // The picture time of frame slot n, in microseconds.
    ULONGLONG PictureMicros(ULONGLONG slot) const { return slot * m_period; }
    // False while the source has no signal: the frame never comes.
    bool Delivers(ULONGLONG slot) const;
    // VIDEOHDR.dwTimeCaptured of the frame of slot n: the driver's clock.
    DWORD StampMs(ULONGLONG slot) const;
    // The sample blocks the sound clock has made by `micros` of picture time.
    ULONGLONG SoundBlocks(ULONGLONG micros, DWORD samplesPerSec) const;
    long SoundPpm() const { return m_settings.soundPpm; }

private:
    LONGLONG JitterMicros(ULONGLONG slot) const;
    LONGLONG ClockStepMicros(ULONGLONG micros) const;

    ULONGLONG m_period;
    CardClockSettings m_settings;
};
