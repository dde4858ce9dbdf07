#include "session/VidrakeView.h"

#include "framework/CmdUI.h"
#include "framework/Dpi.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkResource.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "session/DriverMenu.h"

HWND g_hWndLastCapture = nullptr;
int g_nNextCaptureId = 0;
int g_nViewsCreated = 0;

void ResetCaptureViews() {
    g_hWndLastCapture = nullptr;
    g_nNextCaptureId = 0;
    g_nViewsCreated = 0;
}

LRESULT CALLBACK CapStatusCallback(HWND, int nID, LPCSTR lpsz) {
    char formatted[80];
    if (lpsz == nullptr) {
        if (nID == 0) {
            formatted[0] = '\0';
        } else {
            wsprintfA(formatted, "StatusValue = %d", nID);
        }
        lpsz = formatted;
    } else if (nID == IDS_CAP_END) {
        return 0; // the end of a capture is not worth a status text
    }
    if (auto* frame = DynamicDowncast<CFrameWnd>(AfxGetMainWnd()))
        frame->SetMessageText(lpsz);
    return 0;
}

LRESULT CALLBACK CapErrorCallback(HWND, int nID, LPCSTR lpsz) {
    // Id 0 clears a pending error: nothing to show.
    if (nID != 0)
        AfxMessageBox(lpsz != nullptr ? lpsz : "", MB_OK);
    return 0;
}

IMPLEMENT_DYNCREATE(CVidrakeView, CView)

BEGIN_MESSAGE_MAP(CVidrakeView, CView)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_MOVE()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_QUERYENDSESSION()
ON_COMMAND(ID_OPTIONS_OVERLAY, OnOverlay)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_OVERLAY, OnUpdateOverlay)
ON_COMMAND(ID_OPTIONS_PREVIEW, OnPreview)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_PREVIEW, OnUpdatePreview)
ON_COMMAND_RANGE(ID_DRIVER_FIRST, ID_DRIVER_LAST, OnDriver)
ON_UPDATE_COMMAND_UI_RANGE(ID_DRIVER_FIRST, ID_DRIVER_LAST, OnUpdateDriver)
ON_UPDATE_COMMAND_UI(ID_FILE_NEW, OnUpdateFileNew)
// Capture commands (VidrakeViewCapture.cpp).
ON_COMMAND(ID_CAPTURE_SETUP, OnCaptureSetup)
ON_UPDATE_COMMAND_UI(ID_CAPTURE_SETUP, OnUpdateCaptureSetup)
ON_COMMAND(ID_CAPTURE_VIDEO, OnCaptureVideo)
ON_UPDATE_COMMAND_UI(ID_CAPTURE_VIDEO, OnUpdateCaptureVideo)
ON_COMMAND(ID_CAPTURE_SINGLEFRAME, OnSingleFrame)
ON_UPDATE_COMMAND_UI(ID_CAPTURE_SINGLEFRAME, OnUpdateSingleFrame)
ON_COMMAND(ID_OPTIONS_VIDEOCOMPRESSION, OnVideoCompression)
ON_COMMAND(ID_OPTIONS_VIDEOFORMAT, OnVideoFormat)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_VIDEOFORMAT, OnUpdateVideoFormat)
ON_COMMAND(ID_OPTIONS_VIDEOSOURCE, OnVideoSource)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_VIDEOSOURCE, OnUpdateVideoSource)
ON_COMMAND(ID_OPTIONS_VIDEODISPLAY, OnVideoDisplay)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_VIDEODISPLAY, OnUpdateVideoDisplay)
ON_COMMAND(ID_FILE_OPEN, OnSetCaptureFile)
ON_COMMAND(ID_FILE_SAVE_AS, OnSaveCapturedVideoAs)
ON_COMMAND(ID_FILE_SAVESINGLEFRAME, OnSaveSingleFrame)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_UPDATE_COMMAND_UI(ID_EDIT_COPY, OnUpdateEditCopy)
ON_COMMAND(ID_VIEW_PLAYBACK, OnPlaybackWindow)
ON_UPDATE_COMMAND_UI(ID_VIEW_PLAYBACK, OnUpdatePlaybackWindow)
END_MESSAGE_MAP()

CVidrakeView::CVidrakeView() = default;

bool CVidrakeView::PreCreateWindow(CREATESTRUCTA& cs) {
    // The capture window is not painted over.
    cs.style |= WS_CLIPCHILDREN;
    return CView::PreCreateWindow(cs);
}

int CVidrakeView::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (CView::OnCreate(lpCreateStruct) == -1)
        return -1;

    m_session.Open(m_hWnd, g_nNextCaptureId++);
    g_hWndLastCapture = m_session.Window();
    m_session.WriterChoice().Load();

    FitFrameToVideo();

    if (g_nViewsCreated == 0)
        CDriverMenu::Build(m_pDocument);
    ++g_nViewsCreated;

    m_session.StartLive();
    m_session.InstallCallbacks(&CapStatusCallback, &CapErrorCallback);
    return 0;
}

CFrameWnd* CVidrakeView::SizeFrameTo(SIZE client) {
    CFrameWnd* frame = GetParentFrame();
    if (frame == nullptr)
        return nullptr;
    // The frame's own client edge is not counted; its borders are at the
    // scale of its monitor, while the image keeps its pixel size.
    RECT rect{0, 0, client.cx, client.cy};
    AfxAdjustWindowRectExForDpi(rect, frame->GetStyle(), false,
                                frame->GetExStyle() & ~DWORD(WS_EX_CLIENTEDGE),
                                AfxGetWindowDpi(frame->m_hWnd));
    frame->SetWindowPos(nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return frame;
}

void CVidrakeView::FitFrameToVideo() {
    if (CFrameWnd* frame = SizeFrameTo(m_session.PictureSize())) {
        frame->CenterWindow();
        frame->Invalidate(false);
    }
}

void CVidrakeView::OnDraw(HDC) {
    // Nothing is painted; a repaint puts the frame back to the image size.
    // After a failed driver switch the cached size is zero: the frame keeps its size.
    if (!m_session.HasPlayback() && m_session.DriverIndex() >= 0)
        SizeFrameTo(m_session.ImageSize());
}

void CVidrakeView::OnSize(UINT, int cx, int cy) {
    Default();
    m_session.Resize(cx, cy);
}

void CVidrakeView::OnSetFocus(CWnd*) {
    Default();
    m_session.SetFocused(true);
}

void CVidrakeView::OnKillFocus(CWnd*) {
    Default();
    m_session.SetFocused(false);
}

BOOL CVidrakeView::OnQueryEndSession() {
    // The capture ends in order, its file completed, before the session may.
    if (m_session.IsCapturing()) {
        m_session.StopCapture();
        return FALSE;
    }
    if (!m_session.IsDialogOpen())
        return TRUE;
    MessageBeep(MB_ICONHAND);
    RunModal(
        ModalMark::None, [] { AfxMessageBox("Close dialogs before exiting Windows.", MB_OK); },
        [&] { ::BringWindowToTop(m_hWnd); });
    return FALSE;
}

// The view may be destroyed by a message handled in one of the commands' own
// modal loops; its handle may then name no window, or another's.
bool CVidrakeView::IsViewAlive(HWND hWndView, const CVidrakeView* pView) {
    return ::IsWindow(hWndView) && CWnd::FromHandlePermanent(hWndView) == pView;
}

void CVidrakeView::SelectDriver(int nIndex) {
    // A driver that does not answer leaves the frame at its size.
    if (m_session.ConnectDriver(nIndex))
        FitFrameToVideo();
}

void CVidrakeView::OnOverlay() {
    m_session.ToggleOverlay();
}

void CVidrakeView::OnUpdateOverlay(CCmdUI* pCmdUI) {
    const CAPSTATUS& status = m_session.FreshStatus();
    pCmdUI->Enable(m_session.CanCapture() && m_session.DriverCaps().fHasOverlay);
    pCmdUI->SetCheck(status.fOverlayWindow ? 1 : 0);
}

void CVidrakeView::OnPreview() {
    m_session.TogglePreview();
}

void CVidrakeView::OnUpdatePreview(CCmdUI* pCmdUI) {
    const CAPSTATUS& status = m_session.FreshStatus();
    pCmdUI->Enable(m_session.CanCapture());
    pCmdUI->SetCheck(status.fLiveWindow ? 1 : 0);
}

void CVidrakeView::OnDriver(UINT nID) {
    SelectDriver(int(nID - ID_DRIVER_FIRST));
}

void CVidrakeView::OnUpdateDriver(CCmdUI* pCmdUI) {
    pCmdUI->Enable(!m_session.HasPlayback());
    pCmdUI->SetCheck(int(pCmdUI->m_nID) == m_session.DriverIndex() + int(ID_DRIVER_FIRST) ? 1 : 0);
}

void CVidrakeView::OnUpdateFileNew(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_session.Window() == nullptr);
}
