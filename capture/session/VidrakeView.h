#pragma once

#include "framework/View.h"
#include "session/CaptureSession.h"

#include <windows.h>

class CCmdUI;

// Values shared by all capture views of the program.
extern HWND g_hWndLastCapture; // the capture window created last, by any view
extern int g_nNextCaptureId;   // child-window id of the next capture window
extern int g_nViewsCreated;    // views created since start; never decreases
// Puts them back as at the program's start, for a program started again
// within one process (the tests).
void ResetCaptureViews();

// The status and error callbacks of every capture window.
LRESULT CALLBACK CapStatusCallback(HWND hWnd, int nID, LPCSTR lpsz);
LRESULT CALLBACK CapErrorCallback(HWND hWnd, int nID, LPCSTR lpsz);

// The view of a capture child window: its session owns one capture window
// connected to one of the installed capture drivers (0 to 9); the view turns
// the commands into the session's steps, enables them by its answers and
// fits its frame to the image.
class CVidrakeView : public CView {
    DECLARE_DYNCREATE(CVidrakeView)
public:
    CVidrakeView();

    // The capture window and its records; the view's commands ask it.
    CCaptureSession& Session() { return m_session; }

    // Sizes the child frame to the image (or to the playback window) and
    // centres it in the MDI client area.
    void FitFrameToVideo();
    // Connects the capture window to driver nIndex (0 to 9).
    void SelectDriver(int nIndex);

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
    // and capture commands mark the session's dialog open, so that the end
    // of the Windows session is refused while they run; prompts and file
    // dialogs do not.
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
            m_session.MarkDialogOpen(true);
        loop();
        if (!IsViewAlive(hWndView, this))
            return false;
        afterwards();
        if (mark == ModalMark::DialogOpen)
            m_session.MarkDialogOpen(false);
        return true;
    }
    template <class ModalLoop> bool RunModal(ModalMark mark, ModalLoop&& loop) {
        return RunModal(mark, loop, [] {});
    }
    // Whether the view of hWndView is still pView; pView is compared, never used.
    static bool IsViewAlive(HWND hWndView, const CVidrakeView* pView);
    // Gives the frame the window size for a client area of the given size,
    // in place; the frame, or null when there is none.
    CFrameWnd* SizeFrameTo(SIZE client);
    // Runs the file dialog on the path buffer (CCaptureFileDialog); true on
    // OK, false too when the view went meanwhile.
    bool PromptFileName(bool bOpen, const char* lpszDefExt, const char* lpszFilter, char* path);

    CCaptureSession m_session;
};
