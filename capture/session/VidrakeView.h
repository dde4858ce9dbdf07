#pragma once

#include "framework/View.h"
#include "session/CompressorChoice.h"

#include <windows.h>

#include <vfw.h>

class CCmdUI;

// Values shared by all capture views of the program.
extern int g_nNextCaptureId; // child-window id of the next capture window
extern int g_nViewsCreated;  // views created since start; never decreases

// The status and error callbacks of every capture window.
LRESULT CALLBACK CapStatusCallback(HWND hWnd, int nID, LPCSTR lpsz);
LRESULT CALLBACK CapErrorCallback(HWND hWnd, int nID, LPCSTR lpsz);

// The view of a capture child window: it owns one capture window connected
// to one of the installed capture drivers (0 to 9), shows its live image as
// overlay or preview and fits its frame to the image.
class CVidrakeView : public CView {
    DECLARE_DYNCREATE(CVidrakeView)
public:
    CVidrakeView();

    HWND m_hWndCap = nullptr;
    HWND m_hWndPlayback = nullptr;
    CAPDRIVERCAPS m_CapDriverCaps{};
    CAPSTATUS m_CapStatus{};
    CAPTUREPARMS m_CaptureParms{};
    int m_nDriverIndex = -1;
    BOOL m_bDialogOpen = FALSE;
    // Capture Video lets the capture window write the file (the check box
    // of Capture Setup, kept in the program's profile); else the program
    // writes it, compressed with m_compressor's choice.
    BOOL m_bPlatformWriter = FALSE;
    CCompressorChoice m_compressor;

    // Re-reads the capture window's status into m_CapStatus.
    void RefreshStatus();
    // Sizes the child frame to the image (or to the playback window) and
    // centres it in the MDI client area.
    void FitFrameToVideo();
    // Connects the capture window to driver nIndex (0 to 9).
    void SelectDriver(int nIndex);
    // Lists the installed drivers in the Options menu of the capture-window menu.
    void BuildDriverMenu();

protected:
    DECLARE_MESSAGE_MAP()
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnDraw(HDC hdc) override;

    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int, int) {}
    void OnSetFocus(CWnd* pOldWnd);
    void OnKillFocus(CWnd* pNewWnd);
    BOOL OnQueryEndSession();
    // The image keeps its pixel size; the frame around it follows the scale.
    void OnParentDpiChanged(UINT) override { FitFrameToVideo(); }

    void OnOverlay();
    void OnUpdateOverlay(CCmdUI* pCmdUI);
    void OnPreview();
    void OnUpdatePreview(CCmdUI* pCmdUI);
    void OnDriver(UINT nID);
    void OnUpdateDriver(CCmdUI* pCmdUI);
    void OnUpdateFileNew(CCmdUI* pCmdUI);

    // Capture commands (VidrakeViewCapture.cpp).
    void OnCaptureSetup();
    void OnUpdateCaptureSetup(CCmdUI* pCmdUI);
    void OnCaptureVideo();
    void OnUpdateCaptureVideo(CCmdUI* pCmdUI);
    void OnSingleFrame();
    void OnUpdateSingleFrame(CCmdUI* pCmdUI);
    void OnVideoCompression();
    // Video format and the driver's dialogs (VidrakeViewFormat.cpp).
    void OnVideoFormat();
    void OnUpdateVideoFormat(CCmdUI* pCmdUI);
    void OnVideoSource();
    void OnUpdateVideoSource(CCmdUI* pCmdUI);
    void OnVideoDisplay();
    void OnUpdateVideoDisplay(CCmdUI* pCmdUI);

    // Capture files, still frames, clipboard and playback (VidrakeViewFiles.cpp).
    void OnSetCaptureFile();
    void OnSaveCapturedVideoAs();
    void OnSaveSingleFrame();
    void OnEditCopy();
    void OnUpdateEditCopy(CCmdUI* pCmdUI);
    void OnPlaybackWindow();
    void OnUpdatePlaybackWindow(CCmdUI* pCmdUI);

private:
    // How a modal loop run for the view marks it: the dialogs of the video
    // and capture commands set m_bDialogOpen, so that the end of the session
    // is refused while they run; prompts and file dialogs do not.
    enum class ModalMark { None, DialogOpen };
    // Runs a modal loop (a dialog, a message box, a driver's dialog) for the
    // view, then afterwards, both inside the mark. The view may be destroyed
    // while the loop runs (its child window closed by the system or by
    // another program): then nothing of it is touched again and the result
    // is false.
    template <class ModalLoop, class AfterLoop>
    bool RunModal(ModalMark mark, ModalLoop&& loop, AfterLoop&& afterwards) {
        const HWND hWndView = m_hWnd;
        if (mark == ModalMark::DialogOpen)
            m_bDialogOpen = TRUE;
        loop();
        if (!IsViewAlive(hWndView, this))
            return false;
        afterwards();
        if (mark == ModalMark::DialogOpen)
            m_bDialogOpen = FALSE;
        return true;
    }
    template <class ModalLoop> bool RunModal(ModalMark mark, ModalLoop&& loop) {
        return RunModal(mark, loop, [] {});
    }
    // Whether the view of hWndView is still pView; pView is compared, never used.
    static bool IsViewAlive(HWND hWndView, const CVidrakeView* pView);
    // The frame's window size for a client area of the given size.
    SIZE FrameSizeFor(int cx, int cy) const;
    void ClearDriverRecords();
    // Capture Video's two ways to the file (VidrakeViewCapture.cpp).
    void CaptureWithPlatformWriter();
    void CaptureWithOwnWriter();
    // Reads the choice of writer from the program's profile.
    void LoadWriterChoice();
    // A video dialog needs a driver that reports it and the live display.
    bool CanOpenVideoDialog(BOOL fHasDialog) const;
    // Runs the file dialog on the path buffer (260 characters); true on OK,
    // false too when the view went meanwhile.
    bool PromptFileName(bool bOpen, const char* lpszDefExt, const char* lpszFilter, char* path);
};
