#pragma once
// The state of one capture window of the software capture device, attached to
// the window at WM_NCCREATE and let go at WM_NCDESTROY. A call still running on
// it then (a capture, a driver dialog, a callback that closed the window)
// keeps it alive until it returns, and sees WindowAlive() false. The device's
// message handlers and the sequence capture engine (SequenceHook.h) both work
// on it.

#include <windows.h>
#include <vfw.h>

#include <optional>
#include <string>
#include <vector>

#include "DeviceFaults.h"
#include "DriverSettingsLink.h"
#include "FrameGenerator.h"
#include "VirtualDrivers.h"
#include "base/Handle.h"

// One RIFF INFO entry set with WM_CAP_FILE_SET_INFOCHUNK, written into the next
// capture file.
struct InfoChunk {
    FOURCC id = 0;
    std::vector<BYTE> data;
};

// Which capture message is being handled by OnSequence.
enum class SequenceCommand { Sequence, SequenceNoFile, Stop, Abort };

// The capture-progress fields of CAPSTATUS; the sequence engine keeps them
// current, WM_CAP_GET_STATUS reports them.
struct SequenceProgress {
    bool capturingNow = false;
    bool stopRequested = false;  // WM_CAP_STOP: end, keep what was captured
    bool abortRequested = false; // WM_CAP_ABORT: end at once
    DWORD currentVideoFrame = 0;
    DWORD currentVideoFramesDropped = 0;
    DWORD currentWaveSamples = 0;
    DWORD currentTimeElapsedMS = 0;
    DWORD returnCode = 0; // CAPSTATUS.dwReturn: the last error id
};

// The callbacks the program installed (null: none).
struct CaptureCallbacks {
    CAPSTATUSCALLBACKA status = nullptr;
    CAPERRORCALLBACKA error = nullptr;
    CAPYIELDCALLBACK yield = nullptr;
    CAPVIDEOCALLBACK frame = nullptr;
    CAPVIDEOCALLBACK videoStream = nullptr;
    CAPWAVECALLBACK waveStream = nullptr;
    CAPCONTROLCALLBACK capControl = nullptr;
};

// Live video in the window, as CAPSTATUS reports it.
struct DisplayState {
    bool previewOn = false;
    bool overlayOn = false;
    bool scaleOn = false;
    UINT previewRateMs = 66; // WM_CAP_SET_PREVIEWRATE
    POINT scroll{};
};

// The connected driver and what ties it to the settings key.
struct DriverLink {
    std::optional<VirtualDriver> driver; // none: no driver connected
    // The settings-changed event, held while a driver is connected.
    UniqueKernelHandle settingsEvent;
    // The device settings as the device last took them from the key (at
    // connect, or when the event was set): only values that differ from
    // these are applied, so a signal without a change changes nothing.
    DriverSettings settingsTaken;
};

// RIFF INFO entries for the next capture file, in the order set.
class InfoList {
public:
    const std::vector<InfoChunk>& Entries() const { return m_entries; }
    // WM_CAP_FILE_SET_INFOCHUNK: id 0 clears all, empty data removes the id,
    // otherwise the id's entry is added or replaced.
    void Set(FOURCC id, const BYTE* data, size_t size);

private:
    std::vector<InfoChunk> m_entries;
};

// What the next capture uses.
struct CaptureSetup {
    CAPTUREPARMS parms{}; // WM_CAP_GET/SET_SEQUENCE_SETUP
    // The audio format: a WAVEFORMATEX followed by cbSize extra bytes.
    std::vector<BYTE> audioFormat;
    std::string file; // WM_CAP_FILE_SET/GET_CAPTURE_FILE
    InfoList info;
    // The compressor chosen with WM_CAP_DLG_VIDEOCOMPRESSION (0: none).
    DWORD compressorHandler = 0;

    const WAVEFORMATEX& Audio() const {
        return *reinterpret_cast<const WAVEFORMATEX*>(audioFormat.data());
    }
};

class CaptureWindowState {
public:
    explicit CaptureWindowState(HWND window);
    CaptureWindowState(const CaptureWindowState&) = delete;
    CaptureWindowState& operator=(const CaptureWindowState&) = delete;

    HWND Window() const { return m_window; }
    // False once the window is destroyed: nothing may be shown or called back
    // any more, and a running capture ends.
    bool WindowAlive() const { return m_windowAlive; }
    void SetWindowGone() { m_windowAlive = false; }

    // Driver connection: index 0..9, or -1 when none is connected.
    bool IsConnected() const { return link.driver.has_value(); }
    int DriverIndex() const { return link.driver ? link.driver->index : -1; }

    // The picture source in the current video format, with the picture
    // controls applied. VideoFormat() is the header WM_CAP_GET_VIDEOFORMAT
    // reports (biSizeImage is the size of one frame).
    FrameGenerator& Frames() { return m_frames; }
    const FrameGenerator& Frames() const { return m_frames; }
    const BITMAPINFOHEADER& VideoFormat() const { return m_frames.Format(); }

    // The frame last grabbed or previewed (VideoFormat() layout; empty before
    // the first one). The sequence engine may show its frames here with
    // ShowFrame.
    const std::vector<BYTE>& CurrentFrame() const { return m_currentFrame; }
    // Renders the next frame of the pattern into CurrentFrame().
    void GenerateNextFrame();
    // Drops the frame buffer after a format change.
    void SetCurrentFrameInvalid() { m_currentFrame.clear(); }
    // Makes `bits` (VideoFormat() layout, FrameBytes() long) the current frame
    // and repaints the window with it.
    void ShowFrame(const BYTE* bits);
    // Milliseconds since the window was created: the clock of the pattern.
    DWORD ClockMs() const;

    // An 8- or 16-bit PCM format with consistent block and byte rates: what
    // the capture can record (its tone is generated in that format).
    static bool IsRecordablePcm(const WAVEFORMATEX& format);

    // Calls the status callback, if any, with the id and text (a null text is
    // passed through). The error callback likewise; ReportError also records
    // the id as CAPSTATUS.dwReturn. CallYield calls the yield callback, if any,
    // and returns its result (TRUE when none is installed). Once the window is
    // gone no callback is called.
    void ReportStatus(int id, const char* text) const;
    void ReportError(int id, const char* text);
    LRESULT CallYield() const;
    // ReportError with a text made of `format` and one string argument, cut
    // so that the text always fits.
    void ReportErrorf(int id, const char* format, const char* arg);
    // Clears an error still shown from an earlier operation, as the platform
    // does before an operation that can fail.
    void ClearShownError();

    DriverLink link;
    CaptureSetup setup;
    CaptureCallbacks callbacks;
    DisplayState display;
    // The capture message being handled by OnSequence, and the progress it
    // reports through WM_CAP_GET_STATUS.
    SequenceCommand pendingCommand = SequenceCommand::Sequence;
    SequenceProgress progress;
    LONG_PTR userData = 0; // WM_CAP_SET_USER_DATA
    // What the fault modes (SOFTCAP_FAULTS) remember between calls.
    FaultMemory faultMemory;

private:
    HWND m_window;
    bool m_windowAlive = true;
    FrameGenerator m_frames;
    std::vector<BYTE> m_currentFrame;
    DWORD m_framesGenerated = 0;
    DWORD m_createdTick;
};
