#pragma once

#include "framework/Dialog.h"

#include <windows.h>

#include <vfw.h>

// The Capture Setup dialog: edits a copy of the view's capture parameters
// and sets the capture window's audio format.
class CCaptureSetupDlg : public CDialog {
public:
    CCaptureSetupDlg();

    HWND m_hWndCap = nullptr; // filled in by the caller
    CWnd m_wndAudioFormat;
    float m_fFrameRate = 0.0f;
    BOOL m_bCaptureAudio = FALSE;
    BOOL m_bUseDosBuffers = FALSE;
    int m_nVideoBuffers = 0;
    BOOL m_bDisableWriteCache = FALSE;
    BOOL m_bEnableTimeLimit = FALSE;
    UINT m_nTimeLimit = 1;
    // Capture Video lets the capture window write the file (AVI 1.0, at most
    // 2 GB) instead of the program's own writer.
    BOOL m_bPlatformWriter = FALSE;
    // The program's writer resamples the sound so that it keeps the
    // picture's time; off, it writes the samples as they come. (The system's
    // writer keeps time its own way: the box is off-limits with it.)
    BOOL m_bSoundInStep = TRUE;

    // The members from the record and back; the record's other fields stay.
    void FromCaptureParms(const CAPTUREPARMS& parms);
    void ToCaptureParms(CAPTUREPARMS& parms) const;

    // The dialog shows frames per second, the record holds microseconds
    // per frame; the way back truncates.
    static float FrameRateFor(DWORD dwMicroSecPerFrame);
    static DWORD MicroSecPerFrameFor(float fFrameRate);

    // Shows the name of the capture window's audio format in the label
    // (empty when there is none or it cannot be named).
    static void ShowAudioFormat(HWND hWndCap, CWnd& label);

protected:
    DECLARE_MESSAGE_MAP()
    void DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;

    void OnEnableTimeLimit();
    void OnSetAudioFormat();
    void OnPlatformWriter();

private:
    void EnableTimeLimitControls();
    void EnableSoundInStep();
};
