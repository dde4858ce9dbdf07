#pragma once

// Capture Video with the program's own writer against the capture window
// double: a scripted driver's frames and sound, and the file read back chunk
// by chunk and through the platform's AVIFile.

#include "CaptureFixture.h"

#include "support/RiffReader.h"
#include "session/VidrakeView.h"

#include <functional>
#include <string>
#include <vector>

constexpr DWORD kFrameBytes = 320 * 240 * 2; // the fake driver's 16-bit frames
constexpr DWORD kSoundBytes = 551;           // 50 ms of 11,025 Hz 8-bit mono

std::string TempFile(const char* name);

// The streams' lengths as the platform's AVIFile reads the file.
struct AviLengths {
    bool opened = false;
    LONG video = -1;
    LONG audio = -1;
};
AviLengths ReadWithAviFile(const std::string& path);

// The sizes of one stream's chunks, in the order of the file.
std::vector<DWORD> ChunkSizes(const RiffFile& riff, DWORD chunkId);

// One frame of a scripted capture, as a driver hands it over; `edit` may
// make its header (or the sound's) lie.
struct DeliveredFrame {
    DWORD time;
    std::function<void(VIDEOHDR&)> editVideo;
    std::function<void(WAVEHDR&)> editSound;
};

// A capture window's capture without a file, as a driver delivers it: a
// frame at each of the given times, and the sound of the time that really
// passed (`realTimes`, when the driver's clock steps; else the frames'
// times) in buffers of 50 ms, each when full: during a gap before the frame
// after it, and one after each frame. With a pause before the last frame,
// the progress is shown at that frame.
void Deliver(HWND hWnd, FakeCapturePlatform::WindowState& state, std::vector<DWORD> times,
             DWORD frameBytes = kFrameBytes, DWORD pauseBeforeLastMs = 0,
             std::vector<DWORD> realTimes = {});
// The same with frames whose headers the script edits; buffers of
// `bufferBytes` behind each.
void DeliverFrames(HWND hWnd, FakeCapturePlatform::WindowState& state,
                   const std::vector<DeliveredFrame>& frames, DWORD bufferBytes = kFrameBytes);

class FileCaptureTest : public CaptureFixture {
protected:
    CVidrakeView& View() { return *ActiveView(); }
    FakeCapturePlatform::WindowState& Window() {
        return m_platform->m_windows[View().Session().Window()];
    }
    // The card with 11 kHz sound, capturing into `file` (deleted first).
    void StartWithSound(const std::string& file);
    // Capture Video, confirmed at its prompt.
    void CaptureVideo();
    // The text of the status bar's first pane.
    std::string StatusText();
    // What the command sent, without the status refreshes and focus traffic
    // around it and the callbacks' look-ups of their capture.
    std::vector<RecordedMessage> Sent();
    // Whether the capture window was asked to capture.
    bool SequenceSent();
};
