#include "session/VidrakeView.h"

#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "framework/Dpi.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkResource.h"
#include "framework/MultiDocTemplate.h"
#include "framework/WinApp.h"
#include "resources/resource.h"
#include "session/CapturePlatform.h"
#include "session/CaptureWindow.h"

#include <cstring>

int g_nNextCaptureId = 0;
int g_nViewsCreated = 0;

namespace {
constexpr int kDriverCount = 10;
constexpr UINT kFocusedPreviewRate = 66;       // milliseconds per frame
constexpr UINT kBackgroundPreviewRate = 500;   // milliseconds per frame
constexpr DWORD kViewMicroSecPerFrame = 50000; // 20 frames per second
constexpr int kOptionsMenuPosition = 3;
} // namespace

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

    m_hWndCap = CCapturePlatform::Current().CreateCaptureWindow(
        "", WS_CHILD | WS_VISIBLE, 0, 0, 160, 120, m_hWnd, g_nNextCaptureId++);

    m_nDriverIndex = -1;
    for (int index = 0; index < kDriverCount; ++index) {
        if (capwnd::DriverConnect(m_hWndCap, index)) {
            m_nDriverIndex = index;
            break;
        }
    }

    if (!capwnd::DriverGetCaps(m_hWndCap, m_CapDriverCaps))
        ClearDriverRecords();

    capwnd::GetSequenceSetup(m_hWndCap, m_CaptureParms);
    m_CaptureParms.dwRequestMicroSecPerFrame = kViewMicroSecPerFrame;
    LoadWriterChoice();

    FitFrameToVideo();

    if (g_nViewsCreated == 0)
        BuildDriverMenu();
    ++g_nViewsCreated;

    capwnd::SetPreviewRate(m_hWndCap, kFocusedPreviewRate);
    if (m_CapDriverCaps.fHasOverlay)
        capwnd::SetOverlay(m_hWndCap, TRUE);
    else
        capwnd::SetPreview(m_hWndCap, TRUE);

    capwnd::SetCallbackOnStatus(m_hWndCap, &CapStatusCallback);
    capwnd::SetCallbackOnError(m_hWndCap, &CapErrorCallback);
    return 0;
}

void CVidrakeView::ClearDriverRecords() {
    std::memset(&m_CapDriverCaps, 0, sizeof m_CapDriverCaps);
    std::memset(&m_CapStatus, 0, sizeof m_CapStatus);
}

void CVidrakeView::RefreshStatus() {
    if (m_hWndCap != nullptr && ::IsWindow(m_hWndCap))
        capwnd::GetStatus(m_hWndCap, m_CapStatus);
}

SIZE CVidrakeView::FrameSizeFor(int cx, int cy) const {
    RECT rect{0, 0, cx, cy};
    if (CFrameWnd* frame = GetParentFrame()) {
        // The frame's own client edge is not counted; its borders are at
        // the scale of its monitor, while the image keeps its pixel size.
        AfxAdjustWindowRectExForDpi(rect, frame->GetStyle(), false,
                                    frame->GetExStyle() & ~DWORD(WS_EX_CLIENTEDGE),
                                    AfxGetWindowDpi(frame->m_hWnd));
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void CVidrakeView::FitFrameToVideo() {
    int cx = 0;
    int cy = 0;
    if (m_hWndPlayback != nullptr) {
        RECT playback{};
        ::GetWindowRect(m_hWndPlayback, &playback);
        cx = playback.right - playback.left;
        cy = playback.bottom - playback.top;
    } else {
        RefreshStatus();
        cx = int(m_CapStatus.uiImageWidth);
        cy = int(m_CapStatus.uiImageHeight);
    }
    CFrameWnd* frame = GetParentFrame();
    if (frame == nullptr)
        return;
    const SIZE size = FrameSizeFor(cx, cy);
    frame->SetWindowPos(nullptr, 0, 0, size.cx, size.cy,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    frame->CenterWindow();
    frame->Invalidate(false);
}

void CVidrakeView::OnDraw(HDC) {
    // Nothing is painted; a repaint puts the frame back to the image size.
    // After a failed driver switch the cached size is zero: the frame keeps its size.
    if (m_hWndPlayback != nullptr || m_nDriverIndex < 0)
        return;
    CFrameWnd* frame = GetParentFrame();
    if (frame == nullptr)
        return;
    const SIZE size = FrameSizeFor(int(m_CapStatus.uiImageWidth), int(m_CapStatus.uiImageHeight));
    frame->SetWindowPos(nullptr, 0, 0, size.cx, size.cy,
                        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVidrakeView::OnSize(UINT, int cx, int cy) {
    Default();
    RefreshStatus();
    constexpr UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (m_hWndPlayback != nullptr) {
        ::SetWindowPos(m_hWndPlayback, nullptr, 0, 0, cx, cy, flags);
    } else if (m_CapStatus.fScale) {
        ::SetWindowPos(m_hWndCap, nullptr, 0, 0, cx, cy, flags);
    } else {
        ::SetWindowPos(m_hWndCap, nullptr, 0, 0, int(m_CapStatus.uiImageWidth),
                       int(m_CapStatus.uiImageHeight), flags);
    }
}

void CVidrakeView::OnSetFocus(CWnd*) {
    Default();
    capwnd::Send(m_hWndCap, WM_QUERYNEWPALETTE);
    capwnd::SetPreviewRate(m_hWndCap, kFocusedPreviewRate);
}

void CVidrakeView::OnKillFocus(CWnd*) {
    Default();
    capwnd::SetPreviewRate(m_hWndCap, kBackgroundPreviewRate);
}

BOOL CVidrakeView::OnQueryEndSession() {
    if (!m_bDialogOpen)
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

void CVidrakeView::BuildDriverMenu() {
    auto* docTemplate =
        DynamicDowncast<CMultiDocTemplate>(m_pDocument ? m_pDocument->GetDocTemplate() : nullptr);
    HMENU options =
        docTemplate ? ::GetSubMenu(docTemplate->GetSharedMenu(), kOptionsMenuPosition) : nullptr;
    if (options == nullptr)
        return;
    CCapturePlatform& platform = CCapturePlatform::Current();
    for (int index = 0; index < kDriverCount; ++index) {
        const UINT id = ID_DRIVER_FIRST + UINT(index);
        ::DeleteMenu(options, id, MF_BYCOMMAND);
        char name[80] = {};
        char version[80] = {};
        if (platform.GetDriverDescription(UINT(index), name, sizeof name, version, sizeof version))
            ::AppendMenuA(options, MF_STRING, id, name);
    }
}

void CVidrakeView::SelectDriver(int nIndex) {
    if (capwnd::DriverConnect(m_hWndCap, nIndex)) {
        m_nDriverIndex = nIndex;
        capwnd::DriverGetCaps(m_hWndCap, m_CapDriverCaps);
        FitFrameToVideo();
    } else {
        m_nDriverIndex = -1;
        ClearDriverRecords();
    }
}

void CVidrakeView::OnOverlay() {
    RefreshStatus();
    m_CapStatus.fOverlayWindow = m_CapStatus.fOverlayWindow ? FALSE : TRUE;
    capwnd::SetOverlay(m_hWndCap, m_CapStatus.fOverlayWindow);
}

void CVidrakeView::OnUpdateOverlay(CCmdUI* pCmdUI) {
    RefreshStatus();
    pCmdUI->Enable(m_hWndPlayback == nullptr && m_CapDriverCaps.fHasOverlay &&
                   m_CapDriverCaps.fCaptureInitialized);
    pCmdUI->SetCheck(m_CapStatus.fOverlayWindow ? 1 : 0);
}

void CVidrakeView::OnPreview() {
    RefreshStatus();
    m_CapStatus.fLiveWindow = m_CapStatus.fLiveWindow ? FALSE : TRUE;
    capwnd::SetPreview(m_hWndCap, m_CapStatus.fLiveWindow);
}

void CVidrakeView::OnUpdatePreview(CCmdUI* pCmdUI) {
    RefreshStatus();
    pCmdUI->Enable(m_hWndPlayback == nullptr && m_CapDriverCaps.fCaptureInitialized);
    pCmdUI->SetCheck(m_CapStatus.fLiveWindow ? 1 : 0);
}

void CVidrakeView::OnDriver(UINT nID) {
    SelectDriver(int(nID - ID_DRIVER_FIRST));
}

void CVidrakeView::OnUpdateDriver(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_hWndPlayback == nullptr);
    pCmdUI->SetCheck(int(pCmdUI->m_nID) == m_nDriverIndex + int(ID_DRIVER_FIRST) ? 1 : 0);
}

void CVidrakeView::OnUpdateFileNew(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_hWndCap == nullptr);
}
