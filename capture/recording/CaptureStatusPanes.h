#pragma once
// Shows a running capture in the main window's status bar: panes of their
// own for the frames captured, dropped and skipped, the picture's time, the
// data rate, the free space on the capture file's disk and the time it
// leaves at this rate, and the clocks (the sound's rate against the picture's,
// the steps of the driver's clock);
// pane 0 keeps the capture window's status texts. When the capture ends the
// bar gets its own panes back and pane 0 a one-line summary. Errors go the
// program's error path, a message box.

#include "recording/FileCapture.h"

#include <string>
#include <vector>

class CStatusBar;

class CCaptureStatusPanes final : public CCaptureListener {
public:
    // microSecPerFrame: the frames' period, for the length of the clip;
    // onError: the capture window's error callback.
    CCaptureStatusPanes(DWORD microSecPerFrame, CAPERRORCALLBACKA onError);
    // Puts the bar's own panes back.
    ~CCaptureStatusPanes() override;
    CCaptureStatusPanes(const CCaptureStatusPanes&) = delete;
    CCaptureStatusPanes& operator=(const CCaptureStatusPanes&) = delete;

    void OnCaptureProgress(const CCaptureFigures& figures) override;
    void OnCaptureError(int nID, const char* lpszText) override;
    // The summary of a capture that ended, in pane 0.
    void ShowSummary(const CCaptureFigures& figures, const char* lpszFile);
    // In pane 0, in place of a summary, when the capture made no file.
    void ShowNothingCaptured(const char* lpszFile);

    // The texts of the panes (frames, dropped, skipped, time, rate, free,
    // left, clocks).
    static std::vector<std::string> PaneTexts(const CCaptureFigures& figures);
    static std::string Summary(const CCaptureFigures& figures, DWORD microSecPerFrame,
                               const char* lpszFile);

private:
    CStatusBar* m_pStatusBar;
    std::vector<UINT> m_savedIndicators;
    DWORD m_microSecPerFrame;
    CAPERRORCALLBACKA m_onError;
};
