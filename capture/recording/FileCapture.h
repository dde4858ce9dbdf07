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
// The driver is third-party code: its formats, byte counts and answers are
// checked where they enter, and nothing thrown leaves a callback. The file
// is made when the first frame arrives, so that a capture that never starts
// leaves the earlier clip alone, and the compressor sees that frame before
// the file's format is fixed.
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
    // and its text), the capture window's own included.
    virtual void OnCaptureError(int nID, const char* lpszText) = 0;
};

// The size of one frame of a driver's video format, when the program's
// writer can take it: at most 4096 x 4096 pixels, of a known bit depth, or
// compressed with a size of its own; 0 otherwise.
DWORD CapturableFrameBytes(const BITMAPINFOHEADER& header);

class CFileCapture {
public:
    struct Settings {
        CAPTUREPARMS parms{};
        std::vector<AviInfoEntry> info;          // the INFO list of the file
        COMPVARS* compressor = nullptr;          // null: frames as the driver gives them
        ULONGLONG riffBlockBytes = 1ULL << 30;   // where an OpenDML block ends
        ULONGLONG freeSpaceReserve = 1ULL << 20; // kept free beyond what closing needs
        // The capture window's error callback, put back after the capture;
        // meanwhile the driver's errors go to the listener.
        CAPERRORCALLBACKA errorCallback = nullptr;
        bool soundInStep = true; // resample the sound to the picture's time
    };

    CFileCapture(HWND hWndCap, CCaptureListener& listener);
    CFileCapture(const CFileCapture&) = delete;
    CFileCapture& operator=(const CFileCapture&) = delete;

    // Captures into the capture window's capture file until the capture
    // ends (the abort key, the time limit, a stop, or the writer's end);
    // false, with the reason told to the listener, when the capture did not
    // start, or the file could not be made or is not complete.
    bool Run(const Settings& settings);

    const std::string& FileName() const { return m_fileName; }
    const CCaptureFigures& Figures() const { return m_figures; }
    // The capture file was made (and the earlier clip replaced).
    bool FileWritten() const { return m_thread != nullptr; }

private:
    bool Prepare(const Settings& settings);
    bool ReadVideoFormat();
    bool ReadAudioFormat();
    bool CheckCompressor(COMPVARS* compressor);
    bool Capture(CAPTUREPARMS parms);
    void InstallCallbacks(bool install);
    bool Finish();
    void ReportWriterError(DWORD error);
    void ReportRefusal(const char* lpszWhat);
    void ReportOutOfMemory();

    static LRESULT CALLBACK OnVideoStream(HWND hWnd, LPVIDEOHDR lpVHdr);
    static LRESULT CALLBACK OnWaveStream(HWND hWnd, LPWAVEHDR lpWHdr);
    static LRESULT CALLBACK OnError(HWND hWnd, int nID, LPCSTR lpsz);
    static CFileCapture* FromWindow(HWND hWnd);
    void TakeFrame(const VIDEOHDR& header);
    void TakeSound(const WAVEHDR& header);
    // Makes the file and starts its writer thread, the compressor shown the
    // first frame (or nothing, when sound comes alone); false when it failed.
    bool OpenFile(const BYTE* sample, DWORD sampleBytes);
    bool OpenWriter(const BYTE* sample, DWORD sampleBytes);
    void HoldSound(const BYTE* samples, DWORD bytes);
    bool QueueSound(const BYTE* samples, DWORD bytes);
    bool QueueHeldSound();
    void StartPacing();
    // Applies the placer's decisions to the frames waiting for them.
    void ApplyPlacements();
    void WriteWaitingFrame(uint64_t slot);
    void WriteEmptySlots(uint64_t count);
    void SkipWaitingFrame();
    // Sound that came after the last frame placed waits for the next one to
    // date it; the frame at `slot` does (0: none can).
    void HoldSoundToDate(const BYTE* samples, DWORD bytes);
    void QueueDatedSound(uint64_t slot);
    void StopWhenTheWriterCannotGoOn();
    void StopCapture();
    void ReportProgress(bool force);

    HWND m_hWndCap;
    CCaptureListener& m_listener;
    std::string m_fileName;
    AviWriterSettings m_file;
    DWORD m_writerBuffers = 0;
    // Declared in this order so that the thread goes first, then the
    // compressor it uses, then the writer.
    CAviWriter m_writer;
    std::unique_ptr<CFrameCompressor> m_compressor;
    std::unique_ptr<CSoundPacer> m_pacer;
    std::unique_ptr<CAviWriterThread> m_thread;
    bool m_soundInStep = true;
    CNominalRate m_rate;
    DWORD m_frameBytes = 0;
    DWORD m_microSecPerFrame = 0;
    WORD m_soundBlockAlign = 0;
    DWORD m_soundBytesPerSec = 0;
    // Sound that came before the first frame, until the file is made.
    std::vector<std::vector<BYTE>> m_heldSound;
    ULONGLONG m_heldSoundBytes = 0;
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
    struct SoundToDate {
        CAviWriterThread::AudioBuffer buffer;
        uint64_t slot = 0;  // of the last frame placed when it came
        bool dated = false; // a frame was placed before it, none waits
    };
    std::vector<SoundToDate> m_soundToDate;
    bool m_stopSent = false;
    bool m_outOfMemory = false;
    bool m_openFailed = false;
    bool m_compressorRefused = false;
    bool m_driverSpoke = false; // the capture window reported an error of its own
    DWORD m_lastReportTick = 0;
    std::string m_directory; // of the capture file, for its free space
    CCaptureFigures m_figures;
};
