#pragma once
// Captures a video sequence into the capture file with the program's own
// writer. The platform's capture window writes AVI 1.0 only (2 GB at most,
// its index only at the end); here it captures without a file
// (WM_CAP_SEQUENCE_NOFILE) and hands each frame and sound buffer to the
// stream callbacks, which copy it into a buffer of the writer thread's and
// return at once. The writer thread writes an OpenDML file that is readable
// up to its last second at any moment, goes past 2 GiB, stops before the
// disk fills and compresses with the user's compressor.
//
// Each frame is placed by its capture time (VIDEOHDR::dwTimeCaptured) and
// the sound (CFramePlacer): the frames the driver dropped, and those that
// found no free buffer, keep their places as empty chunks, a frame whose place
// is taken is skipped, a step of the driver's clock re-anchors the frames, so
// that the clip lasts as long as the capture did. The sound, resampled on the
// writer thread (CSoundPacer), keeps the picture's time over any length.

#include <windows.h>

#include <vfw.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "capturefile/AviWriter.h"
#include "capturefile/AviWriterThread.h"
#include "capturefile/FrameCompressor.h"
#include "recording/FramePlacer.h"
#include "recording/SoundPacer.h"

// What a capture has done so far.
struct CCaptureFigures {
    DWORD frames = 0;     // frames placed in the file, dropped ones included
    DWORD dropped = 0;    // of them, empty chunks
    DWORD skipped = 0;    // frames not written: their places were taken
    DWORD clockSteps = 0; // steps of the driver's clock, the frames re-anchored
    bool soundClockKnown = false;
    double soundClockPpm = 0; // how fast the sound's clock runs against the picture's
    DWORD elapsedMs = 0;      // the picture's time: its places at the frame period
    ULONGLONG bytes = 0;      // of frames and sound handed to the writer
    ULONGLONG freeBytes = 0;  // on the capture file's disk, when known
    bool freeKnown = false;
};

// Whoever runs a capture hears of its progress and its errors here.
class CCaptureListener {
public:
    virtual ~CCaptureListener() = default;
    // At the start of the capture and then at least twice a second.
    virtual void OnCaptureProgress(const CCaptureFigures& figures) = 0;
    // An error that ended or prevented the capture (a platform error id
    // and its text).
    virtual void OnCaptureError(int nID, const char* lpszText) = 0;
};

class CFileCapture {
public:
    struct Settings {
        CAPTUREPARMS parms{};
        std::vector<AviInfoEntry> info;          // the INFO list of the file
        COMPVARS* compressor = nullptr;          // null: frames as the driver gives them
        ULONGLONG riffBlockBytes = 1ULL << 30;   // where an OpenDML block ends
        ULONGLONG freeSpaceReserve = 1ULL << 20; // kept free beyond what closing needs
        bool soundInStep = true;                 // resample the sound to the picture's time
    };

    CFileCapture(HWND hWndCap, CCaptureListener& listener);
    CFileCapture(const CFileCapture&) = delete;
    CFileCapture& operator=(const CFileCapture&) = delete;

    // Captures into the capture window's capture file until the capture
    // ends (the abort key, the time limit, a stop, or the writer's end);
    // false, with the reason told to the listener, when the file could not
    // be made or is not complete.
    bool Run(const Settings& settings);

    const std::string& FileName() const { return m_fileName; }
    const CCaptureFigures& Figures() const { return m_figures; }

private:
    bool Prepare(const Settings& settings);
    bool ReadFormats(const Settings& settings, AviWriterSettings& file);
    bool StartCompressor(COMPVARS* compressor, AviWriterSettings& file);
    bool OpenFile(const Settings& settings, AviWriterSettings& file);
    void CaptureWithCallbacks(CAPTUREPARMS parms);
    bool Finish();
    void ReportWriterError(DWORD error);

    static LRESULT CALLBACK OnVideoStream(HWND hWnd, LPVIDEOHDR lpVHdr);
    static LRESULT CALLBACK OnWaveStream(HWND hWnd, LPWAVEHDR lpWHdr);
    static CFileCapture* FromWindow(HWND hWnd);
    void TakeFrame(const VIDEOHDR& header);
    void TakeSound(const WAVEHDR& header);
    void StartPacing(const AviWriterSettings& file);
    // Applies the placer's decisions to the frames waiting for them.
    void ApplyPlacements();
    void WriteWaitingFrame(uint64_t slot);
    void WriteEmptySlots(uint64_t count);
    void SkipWaitingFrame();
    // Queues the sound held since the last frame placed, which the frame at
    // `slot` dates (0: none can).
    void QueueHeldSound(uint64_t slot);
    void RanOutOfMemory();
    void StopWhenTheWriterCannotGoOn();
    void ReportProgress(bool force);

    HWND m_hWndCap;
    CCaptureListener& m_listener;
    std::string m_fileName;
    // Declared in this order so that the thread goes first, then the
    // compressor it uses, then the writer.
    CAviWriter m_writer;
    std::unique_ptr<CFrameCompressor> m_compressor;
    std::unique_ptr<CSoundPacer> m_pacer;
    std::unique_ptr<CAviWriterThread> m_thread;
    DWORD m_frameBytes = 0;
    DWORD m_microSecPerFrame = 0;
    CNominalRate m_rate;
    WORD m_soundBlockAlign = 0;
    std::unique_ptr<CFramePlacer> m_placer;
    std::vector<CFramePlacer::Decision> m_decisions;
    struct WaitingFrame {
        BYTE* buffer = nullptr; // null: it found no free buffer
        DWORD bytes = 0;
    };
    std::deque<WaitingFrame> m_waiting; // for their places, in the order they came
    CFramePlacer::Token m_nextToken = 0;
    bool m_framePlaced = false; // since the start
    uint64_t m_lastSlot = 0;    // of the last frame placed
    // Sound that came after the last frame placed, held until the next one
    // says whether it came within a period of it.
    struct HeldSound {
        CAviWriterThread::AudioBuffer buffer;
        uint64_t slot = 0;  // of the last frame placed when it came
        bool dated = false; // a frame was placed before it, none waits
    };
    std::vector<HeldSound> m_heldSound;
    bool m_stopSent = false;
    bool m_outOfMemory = false;
    DWORD m_lastReportTick = 0;
    std::string m_directory; // of the capture file, for its free space
    CCaptureFigures m_figures;
};
