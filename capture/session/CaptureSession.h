#pragma once

// One view's capture window and what the program keeps of it: the connected
// driver and its capabilities, the status last read, the capture parameters,
// the playback window shown in its place, the choice of writer and
// compressor, and the mark of a dialog open over it. It answers what the
// view's commands may do; it shows no dialog of its own.

#include "session/CompressorChoice.h"

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
    // Connects driver nIndex; false, with the records cleared, when it does
    // not answer.
    bool ConnectDriver(int nIndex);
    // Re-reads the status while the capture window exists.
    void RefreshStatus();
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

    // The driver reports itself ready and no playback window hides it.
    bool CanCapture() const { return m_CapDriverCaps.fCaptureInitialized && !HasPlayback(); }
    // Preview or overlay runs, as of the last status refresh.
    bool IsLive() const { return m_CapStatus.fLiveWindow || m_CapStatus.fOverlayWindow; }
    bool HasPlayback() const { return m_hWndPlayback != nullptr; }

    HWND Window() const { return m_hWndCap; }
    HWND PlaybackWindow() const { return m_hWndPlayback; }
    int DriverIndex() const { return m_nDriverIndex; }
    const CAPDRIVERCAPS& DriverCaps() const { return m_CapDriverCaps; }
    const CAPSTATUS& Status() const { return m_CapStatus; }
    CAPTUREPARMS& CaptureParms() { return m_CaptureParms; }

    // Set while one of the view's dialogs runs, so that the end of the
    // Windows session is refused meanwhile.
    bool IsDialogOpen() const { return m_bDialogOpen != FALSE; }
    void MarkDialogOpen(bool bOpen) { m_bDialogOpen = bOpen ? TRUE : FALSE; }
    // Set while Capture Video runs, so that the end of the Windows session
    // stops the capture first.
    bool IsCapturing() const { return m_bCapturing; }
    void MarkCapturing(bool bCapturing) { m_bCapturing = bCapturing; }

    // Capture Video lets the capture window write the file (the check box
    // of Capture Setup, kept in the program's profile); else the program
    // writes it, compressed with the compressor chosen.
    bool UsesPlatformWriter() const { return m_bPlatformWriter; }
    void UsePlatformWriter(bool bPlatform) { m_bPlatformWriter = bPlatform; }
    // The program's writer resamples the sound to the picture's time (the
    // other check box of Capture Setup, kept beside it).
    bool KeepsSoundInStep() const { return m_bSoundInStep; }
    void KeepSoundInStep(bool bInStep) { m_bSoundInStep = bInStep; }
    CCompressorChoice& CompressorChoice() { return m_compressor; }

private:
    void ClearDriverRecords();

    HWND m_hWndCap = nullptr;
    HWND m_hWndPlayback = nullptr;
    CAPDRIVERCAPS m_CapDriverCaps{};
    CAPSTATUS m_CapStatus{};
    CAPTUREPARMS m_CaptureParms{};
    int m_nDriverIndex = -1;
    BOOL m_bDialogOpen = FALSE;
    bool m_bPlatformWriter = false;
    bool m_bSoundInStep = true;
    bool m_bCapturing = false;
    CCompressorChoice m_compressor;
};
