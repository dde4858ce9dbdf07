#pragma once

// How Capture Video writes its file, as Capture Setup sets it; the program's
// profile keeps it from one start to the next.
class CWriterChoice {
public:
    // The capture window writes the file (AVI 1.0, at most 2 GB); else the
    // program's writer does, compressed with the compressor chosen.
    bool m_bPlatformWriter = false;
    // The program's writer resamples the sound to the picture's time.
    bool m_bSoundInStep = true;

    // From the profile; an entry it lacks leaves the value as it is.
    void Load();
    void Save() const;
};
