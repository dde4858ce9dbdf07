#pragma once
// The sequence capture engine behind WM_CAP_SEQUENCE and
// WM_CAP_SEQUENCE_NOFILE: captures in real time inside the message call, as
// the platform does with a card, and returns when the capture ends.
//
// Frames are taken at dwRequestMicroSecPerFrame on a high-resolution clock and
// handed to a writer thread through at most wNumVideoRequested buffers; a
// frame that finds no free buffer, or comes later than the buffers' span of
// time, is dropped: its place in the file is an empty chunk and it is
// counted. Audio (fCaptureAudio) is a 440 Hz tone in the picture's time, in
// the window's PCM format, sampled by the card's sound clock (CardClocks.h),
// which runs apart from the picture's: it comes in buffers of
// dwAudioBufferSize bytes (half a second when 0), each delivered when the
// sound clock has filled it, and the last one, partly filled, when the
// capture ends. The video stream callback gets every frame delivered,
// stamped by the driver's clock (VIDEOHDR.dwTimeCaptured), so a dropped frame
// leaves a gap; the wave stream callback gets every sound buffer. Without a
// file, frames and sound are in buffers whose end is the end of readable
// memory (GuardedBuffer.h).
//
// The yield callback, when installed, is called after every frame slot,
// whatever fYield says, and the device then leaves the program's messages to
// it; without one, the device dispatches the messages itself between frames.
//
// The file is written as the platform's capture window writes it: AVI 1.0,
// one RIFF, its index only when the capture ends (a capture killed before
// leaves a file that readers refuse), and at most 2 GiB: the capture ends
// with an error at that size. With the sound as the master stream
// (AVStreamMaster), the video's rate is fitted to the sound's length at the
// end (VideoRateFit.h).
//
// The capture ends at the time limit, on the abort key or abort mouse
// buttons, on WM_CAP_STOP / WM_CAP_ABORT, when the yield callback returns
// FALSE, or when the file cannot take more: a write error (a full disk), or
// the 2 GiB limit. The file then holds every frame written before the stop.
//
// Device settings (environment variables, like the device's others):
//   SOFTCAP_MAX_FILE_BYTES      the largest capture file, up to the 2 GiB of
//                               AVI 1.0 (the default); lower, it lets the
//                               limit be tried with a short capture
//   SOFTCAP_CAPTURE_UNPACED     1: frames back to back, waiting for buffers
//                               rather than dropping, stamped and
//                               accompanied by sound as in real time (an
//                               hour of small frames in about a minute)
//   SOFTCAP_SOUND_CLOCK_PPM     the sound clock's offset (CardClocks.h)

#include <windows.h>
#include <vfw.h>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "capturefile/AviWriter.h"
#include "capturefile/AviWriterThread.h"
#include "CardClocks.h"
#include "DeviceFaults.h"
#include "FrameGenerator.h"
#include "GuardedBuffer.h"

class CaptureWindowState;

struct SequenceDeviceSettings {
    static constexpr ULONGLONG kAviFileLimit = 0x80000000ULL; // AVI 1.0: 2 GiB
    ULONGLONG maxFileBytes = kAviFileLimit;
    bool unpaced = false;
    CAviWriterThread::BufferGate bufferGate = nullptr;     // the fault mode's, if any
    bool (*dropFrame)(unsigned long long frame) = nullptr; // likewise
    CardClockSettings clocks;
    RecordLies lies;

    static SequenceDeviceSettings FromEnvironment();
};

class CSequenceCapture {
public:
    CSequenceCapture(CaptureWindowState& state, const SequenceDeviceSettings& settings);
    CSequenceCapture(const CSequenceCapture&) = delete;
    CSequenceCapture& operator=(const CSequenceCapture&) = delete;

    // Captures until the capture ends; TRUE when it ran and everything
    // captured reached the file.
    LRESULT Run(bool toFile);

    // PCM samples of the tone from block `first` on, as many blocks as `out`
    // holds, made by a sound clock `soundPpm` fast.
    static void ToneSamples(const WAVEFORMATEX& format, ULONGLONG first, long soundPpm,
                            std::span<BYTE> out);

private:
    enum class EndReason {
        None,
        TimeLimit,
        AbortKey,
        StopMessage,
        Yield,
        WriteFailed,
        OutOfMemory,
        Quit
    };

    // The phases of Run: checks and opens the file; captures until the end,
    // returning the capture's length in ms; closes the file and reports.
    bool Prepare(bool toFile);
    bool PrepareAudio();
    bool AllocateCallbackBuffers();
    bool OpenFile(const BITMAPINFOHEADER& format);
    DWORD Loop();
    LRESULT Finish(DWORD totalMs);
    LRESULT CloseFile();
    void FitVideoRate();
    // The steps of Loop.
    void StartClock();
    static LONGLONG Now();
    DWORD ElapsedMs(LONGLONG at) const;
    void WaitUntil(LONGLONG due, LONGLONG now) const;
    bool IsLate(LONGLONG now, LONGLONG due) const;
    EndReason NextEnd(ULONGLONG frame);
    void UpdateProgress(DWORD ms);
    void TakeFrame(ULONGLONG frame, bool late, DWORD ms);
    FrameGenerator::BufferRecord* RecordOf(const BYTE* buffer);
    void TakeAudio(ULONGLONG framesTaken);
    void FlushAudio();
    void DeliverAudio(ULONGLONG blocks);
    void StreamAudioCallback(std::span<BYTE> samples, DWORD bufferBytes);
    DWORD PictureMs() const;
    EndReason CheckForEnd(ULONGLONG frame, ULONGLONG frameLimit);
    bool PumpMessages();
    void ReportProgress(DWORD elapsedMs);
    void ReportSummary(DWORD elapsedMs);
    void StreamFrameCallback(BYTE* frame, DWORD capturedMs);
    void Wait(DWORD ms) const;

    CaptureWindowState& m_state;
    SequenceDeviceSettings m_settings;
    CCardClocks m_clocks;
    CAPTUREPARMS m_parms{};
    DWORD m_frameBytes = 0;
    DWORD m_microSecPerFrame = 0;
    // The frame clock, in performance-counter ticks.
    LONGLONG m_frequency = 1;
    LONGLONG m_start = 0;
    double m_ticksPerFrame = 0;
    UINT m_catchUpFrames = 1; // frames the buffers cover: later ones are dropped
    ULONGLONG m_frameLimit = 0;
    DWORD m_nextProgressMs = 1000;
    DWORD m_lastShownMs = 0;
    std::optional<WAVEFORMATEX> m_audio;
    CAviWriter m_writer;
    std::unique_ptr<CAviWriterThread> m_writerThread;
    CGuardedBuffer m_frameBuffer;            // without a file: the one frame in flight
    CGuardedBuffer m_audioBuffer;            // without a file: the sound buffer in flight
    ULONGLONG m_audioBufferBlocks = 1;       // sample blocks a sound buffer holds
    unsigned long long m_framesStreamed = 0; // records given to the stream callbacks
    unsigned long long m_soundBuffers = 0;
    // What was last rendered into each frame buffer, while only the
    // rendering writes into them.
    std::vector<std::pair<const BYTE*, FrameGenerator::BufferRecord>> m_bufferRecords;
    DWORD m_frames = 0;                   // frames taken, dropped ones included
    bool m_outOfMemory = false;           // ended because a frame buffer could not be had
    unsigned long long m_framesGated = 0; // without a file: frames asked of the buffer gate
    DWORD m_dropped = 0;
    ULONGLONG m_audioBlocks = 0; // delivered
    bool m_inputChecked = false;
    bool m_inputEveryFrame = true;
    DWORD m_lastInputCheck = 0;
};
