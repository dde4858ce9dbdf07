#pragma once
// The state of one capture window of the software capture device, attached to
// the window at WM_NCCREATE and let go at WM_NCDESTROY. A call still running on
// it then (a capture, a driver dialog, a callback that closed the window)
// keeps it alive until it returns, and sees WindowAlive() false. The device's
// message handlers and the sequence capture engine (SequenceHook.h) both work
// on it.

#include <windows.h>
#include <vfw.h>

#include <string>
#include <vector>

#include "DriverSettingsLink.h"
#include "FrameGenerator.h"
#include "VirtualDrivers.h"
#include "framework/Handle.h"

#include <optional>

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
    bool IsConnected() const { return m_driver.has_value(); }
    int DriverIndex() const { return m_driver ? m_driver->index : -1; }
    const std::optional<VirtualDriver>& Driver() const { return m_driver; }
    void SetDriver(std::optional<VirtualDriver> driver) { m_driver = driver; }

    // The picture source in the current video format, with the picture
    // controls applied. VideoFormat() is the header WM_CAP_GET_VIDEOFORMAT
    // reports (biSizeImage is the size of one frame).
    FrameGenerator& Frames() { return m_frames; }
    const FrameGenerator& Frames() const { return m_frames; }
    const BITMAPINFOHEADER& VideoFormat() const { return m_frames.Format(); }

    // The frame last grabbed or previewed (VideoFormat() layout; empty before
    // the first one) and its number. The sequence engine may show its frames
    // here with ShowFrame.
    const std::vector<BYTE>& CurrentFrame() const { return m_currentFrame; }
    DWORD FramesGenerated() const { return m_framesGenerated; }
    // Renders the next frame of the pattern into CurrentFrame().
    void GenerateNextFrame();
    // Drops the frame buffer after a format change.
    void SetCurrentFrameInvalid() { m_currentFrame.clear(); }
    // Makes `bits` (VideoFormat() layout, FrameBytes() long) the current frame
    // and repaints the window with it.
    void ShowFrame(const BYTE* bits);
    // Milliseconds since the window was created: the clock of the pattern.
    DWORD ClockMs() const;

    // Capture parameters (WM_CAP_GET/SET_SEQUENCE_SETUP).
    const CAPTUREPARMS& CaptureParms() const { return m_captureParms; }
    void SetCaptureParms(const CAPTUREPARMS& parms) { m_captureParms = parms; }

    // The audio format: a WAVEFORMATEX followed by cbSize extra bytes.
    const std::vector<BYTE>& AudioFormatBytes() const { return m_audioFormat; }
    const WAVEFORMATEX& AudioFormat() const {
        return *reinterpret_cast<const WAVEFORMATEX*>(m_audioFormat.data());
    }
    void SetAudioFormat(std::vector<BYTE> format) { m_audioFormat = std::move(format); }
    // An 8- or 16-bit PCM format with consistent block and byte rates: what
    // the capture can record (its tone is generated in that format).
    static bool IsRecordablePcm(const WAVEFORMATEX& format);

    // RIFF INFO entries for the next capture file, in the order set.
    const std::vector<InfoChunk>& InfoChunks() const { return m_infoChunks; }
    // WM_CAP_FILE_SET_INFOCHUNK: id 0 clears all, empty data removes the id,
    // otherwise the id's entry is added or replaced.
    void SetInfoChunk(FOURCC id, const BYTE* data, size_t size);

    // The capture file (WM_CAP_FILE_SET/GET_CAPTURE_FILE).
    const std::string& CaptureFileName() const { return m_captureFile; }
    void SetCaptureFileName(std::string path) { m_captureFile = std::move(path); }

    // Installed callbacks (null when none).
    CAPSTATUSCALLBACKA StatusCallback() const { return m_statusCallback; }
    CAPERRORCALLBACKA ErrorCallback() const { return m_errorCallback; }
    CAPYIELDCALLBACK YieldCallback() const { return m_yieldCallback; }
    CAPVIDEOCALLBACK FrameCallback() const { return m_frameCallback; }
    CAPVIDEOCALLBACK VideoStreamCallback() const { return m_videoStreamCallback; }
    CAPWAVECALLBACK WaveStreamCallback() const { return m_waveStreamCallback; }
    CAPCONTROLCALLBACK CapControlCallback() const { return m_capControlCallback; }
    void SetStatusCallback(CAPSTATUSCALLBACKA cb) { m_statusCallback = cb; }
    void SetErrorCallback(CAPERRORCALLBACKA cb) { m_errorCallback = cb; }
    void SetYieldCallback(CAPYIELDCALLBACK cb) { m_yieldCallback = cb; }
    void SetFrameCallback(CAPVIDEOCALLBACK cb) { m_frameCallback = cb; }
    void SetVideoStreamCallback(CAPVIDEOCALLBACK cb) { m_videoStreamCallback = cb; }
    void SetWaveStreamCallback(CAPWAVECALLBACK cb) { m_waveStreamCallback = cb; }
    void SetCapControlCallback(CAPCONTROLCALLBACK cb) { m_capControlCallback = cb; }

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

    // The capture message being handled by OnSequence, and the progress it
    // reports through WM_CAP_GET_STATUS.
    SequenceCommand PendingCommand() const { return m_pendingCommand; }
    void SetPendingCommand(SequenceCommand command) { m_pendingCommand = command; }
    SequenceProgress& Progress() { return m_progress; }
    const SequenceProgress& Progress() const { return m_progress; }

    // Display state, as CAPSTATUS reports it.
    bool previewOn = false;
    bool overlayOn = false;
    bool scaleOn = false;
    UINT previewRateMs = 66; // WM_CAP_SET_PREVIEWRATE
    POINT scroll{};
    LONG_PTR userData = 0; // WM_CAP_SET_USER_DATA
    // The settings-changed event, held while a driver is connected.
    UniqueKernelHandle settingsEvent;
    // The device settings as the device last took them from the key (at
    // connect, or when the event was set): only values that differ from
    // these are applied, so a signal without a change changes nothing.
    DriverSettings settingsTaken;
    // The compressor chosen with WM_CAP_DLG_VIDEOCOMPRESSION (0: none).
    DWORD compressorHandler = 0;

private:
    HWND m_window;
    bool m_windowAlive = true;
    std::optional<VirtualDriver> m_driver;
    FrameGenerator m_frames;
    std::vector<BYTE> m_currentFrame;
    DWORD m_framesGenerated = 0;
    DWORD m_createdTick;
    CAPTUREPARMS m_captureParms{};
    std::vector<BYTE> m_audioFormat;
    std::vector<InfoChunk> m_infoChunks;
    std::string m_captureFile;
    CAPSTATUSCALLBACKA m_statusCallback = nullptr;
    CAPERRORCALLBACKA m_errorCallback = nullptr;
    CAPYIELDCALLBACK m_yieldCallback = nullptr;
    CAPVIDEOCALLBACK m_frameCallback = nullptr;
    CAPVIDEOCALLBACK m_videoStreamCallback = nullptr;
    CAPWAVECALLBACK m_waveStreamCallback = nullptr;
    CAPCONTROLCALLBACK m_capControlCallback = nullptr;
    SequenceCommand m_pendingCommand = SequenceCommand::Sequence;
    SequenceProgress m_progress;
};
