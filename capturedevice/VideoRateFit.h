#pragma once
// The platform's capture window with the sound as the master stream
// (CAPTUREPARMS.AVStreamMaster = AVSTREAMMASTER_AUDIO, its default) fits the
// video's rate to the sound's length when the capture ends: played at the
// fitted rate, the picture lasts as long as the sound, so the two end
// together whatever the two clocks did. These rewrite the rate in the closed
// file's headers.

#include <windows.h>

#include <string>

// The frame period that makes `frames` last as long as `soundBlocks` at
// `samplesPerSec`, rounded to the microsecond; 0 when there is nothing to fit.
DWORD FittedMicroSecPerFrame(DWORD frames, ULONGLONG soundBlocks, DWORD samplesPerSec);

// Writes `microSecPerFrame` into the main header and the video stream's
// header (as 1,000,000 / microSecPerFrame, reduced) of the AVI file at
// `path`. False when the file cannot be read or holds no such headers.
bool RewriteVideoRate(const std::string& path, DWORD microSecPerFrame);
