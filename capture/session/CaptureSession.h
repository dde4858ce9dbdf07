#pragma once

// One view's capture window and what the program keeps of it: the connected
// driver and its capabilities, the status last read, the capture parameters,
// the playback window shown in its place, the choice of writer and
// compressor, and the mark of a dialog open over it. It answers what the
// view's commands may do and sends the capture window their messages; it
// shows no dialog of its own (the driver's excepted).

#include "recording/CompressorChoice.h"
#include "recording/WriterChoice.h"
#include "session/CaptureWindowServices.h"
#include "session/VideoFormat.h"

#include <windows.h>

#include <vfw.h>

class CCaptureSession {
public:
    static constexpr int kDriverCount = 10; // the platform's drivers 0 to 9

    // Creates the capture window as child nId of hWndParent, connects the
    // first driver that answers (0 to 9) and reads its capabilities and
    // capture parameters; the program asks for 20 frames per second.
    void Open(HWND hWndParent, int nId);
    // The live picture: overlay when the driver has one, else preview (also
    // when no driver answered).
    void StartLive();
    // The capture window's status and error callbacks.
    void InstallCallbacks(CAPSTATUSCALLBACKA onStatus, CAPERRORCALLBACKA onError);
    // Connects driver nIndex; false, with the records cleared, when it does
    // not answer.
    bool ConnectDriver(int nIndex);
    // Re-reads the status while the capture window exists.
    void RefreshStatus();
    // The status, re-read first.
    const CAPSTATUS& FreshStatus();
    void ToggleOverlay();
    void TogglePreview();
    // The focused view previews fast; the others slowly.
    void SetFocused(bool bFocused);
    // Places the shown window in a client area of cx by cy: the playback
    // window fills it; the capture window fills it when it scales, else
    // keeps the image size.
    void Resize(int cx, int cy);
    // Shows the capture file in a playback window made as a child of
    // hWndParent, the live picture hidden meanwhile, or closes the one shown.
    void TogglePlayback(HWND hWndParent, HINSTANCE hInstance);

    // The size the frame fits: the playback window's, else the image's after
    // a status refresh.
    SIZE PictureSize();
    // The image size as last read, without a refresh.
    SIZE ImageSize() const;
    // The capture window's video format; empty when it has none.
    CVideoFormat VideoFormat() const;

    // Captures into the capture file with the writer chosen until the
    // capture ends; the driver's errors go to onError. The view may be
    // closed meanwhile, and the session with it: nothing of the session is
    // touched once the capture runs.
    void CaptureVideo(CAPERRORCALLBACKA onError);
    // Asks a running capture to stop.
    void StopCapture() { capwnd::Stop(m_hWndCap); }
    // Freezes the window on one newly grabbed frame.
    void GrabSingleFrame();
    // The driver's own dialogs, and the capture window's compression dialog
    // (of the platform's writer); each returns when it closes.
    void ShowSourceDialog() { capwnd::DlgVideoSource(m_hWndCap); }
    void ShowDisplayDialog() { capwnd::DlgVideoDisplay(m_hWndCap); }
    void ShowCompressionDialog() { capwnd::DlgVideoCompression(m_hWndCap); }

    // The capture file's name, into path of size characters.
    void GetCaptureFile(char* path, WPARAM size) const {
        capwnd::FileGetCaptureFile(m_hWndCap, path, size);
    }
    void SetCaptureFile(const char* path) { capwnd::FileSetCaptureFile(m_hWndCap, path); }
    // Copies the captured video to path; the capture file stays.
    void SaveCapturedVideoAs(const char* path) { capwnd::FileSaveAs(m_hWndCap, path); }
    void SaveSingleFrame(const char* path) { capwnd::FileSaveDIB(m_hWndCap, path); }
    // Puts the frame on the screen on the clipboard.
    void CopyFrame() { capwnd::EditCopy(m_hWndCap); }

    // The driver reports itself ready and no playback window hides it.
    bool CanCapture() const { return m_CapDriverCaps.fCaptureInitialized && !HasPlayback(); }
    // Preview or overlay runs, the status re-read first.
    bool IsLive() {
        const CAPSTATUS& status = FreshStatus();
        return status.fLiveWindow || status.fOverlayWindow;
    }
    bool HasPlayback() const { return m_hWndPlayback != nullptr; }

    HWND Window() const { return m_hWndCap; }
    HWND PlaybackWindow() const { return m_hWndPlayback; }
    int DriverIndex() const { return m_nDriverIndex; }
    const CAPDRIVERCAPS& DriverCaps() const { return m_CapDriverCaps; }
    const CAPSTATUS& Status() const { return m_CapStatus; }
    CAPTUREPARMS& CaptureParms() { return m_CaptureParms; }

    // Set while one of the view's dialogs runs, so that the end of the
    // Windows session is refused meanwhile.
    bool IsDialogOpen() const { return m_bDialogOpen; }
    void MarkDialogOpen(bool bOpen) { m_bDialogOpen = bOpen; }
    // Set while Capture Video runs, so that the end of the Windows session
    // stops the capture first.
    bool IsCapturing() const { return m_bCapturing; }
    void MarkCapturing(bool bCapturing) { m_bCapturing = bCapturing; }

    CWriterChoice& WriterChoice() { return m_writer; }
    CCompressorChoice& CompressorChoice() { return m_compressor; }

private:
    void ClearDriverRecords();
    // Capture Video's two ways to the file.
    void CaptureWithPlatformWriter();
    void CaptureWithOwnWriter(CAPERRORCALLBACKA onError);

    HWND m_hWndCap = nullptr;
    HWND m_hWndPlayback = nullptr;
    CAPDRIVERCAPS m_CapDriverCaps{};
    CAPSTATUS m_CapStatus{};
    CAPTUREPARMS m_CaptureParms{};
    int m_nDriverIndex = -1;
    bool m_bDialogOpen = false;
    bool m_bCapturing = false;
    CWriterChoice m_writer;
    CCompressorChoice m_compressor;
};
