#include "shell/MainFrame.h"

#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "framework/View.h"
#include "resources/resource.h"

IMPLEMENT_DYNAMIC(CMainFrame, CMDIFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_MOVE()
ON_WM_PALETTECHANGED()
ON_WM_QUERYENDSESSION()
END_MESSAGE_MAP()

namespace {
const UINT kToolbarButtons[] = {
    ID_FILE_NEW,
    ID_FILE_OPEN,
    0,
    ID_EDIT_COPY,
    0,
    ID_OPTIONS_PREVIEW,
    ID_OPTIONS_OVERLAY,
    0,
    ID_CAPTURE_SINGLEFRAME,
    ID_CAPTURE_VIDEO,
    0,
    ID_APP_ABOUT,
};
// The button images at each scale the program draws them for (make_images.py).
const CToolBarImages kToolbarImages[] = {
    {96, IDR_MAINFRAME, 16, 15},
    {144, IDB_TOOLBAR_150, 24, 23},
    {192, IDB_TOOLBAR_200, 32, 30},
    {240, IDB_TOOLBAR_250, 40, 38},
};
const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
} // namespace

int CMainFrame::OnCreate(LPCREATESTRUCTA lpCreateStruct) {
    if (CMDIFrameWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!m_wndToolBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR) ||
        !m_wndToolBar.LoadBitmaps(kToolbarImages, int(std::size(kToolbarImages))) ||
        !m_wndToolBar.SetButtons(kToolbarButtons, int(std::size(kToolbarButtons))))
        return -1;
    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, int(std::size(kIndicators))))
        return -1;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | CBRS_TOOLTIPS | CBRS_FLYBY |
                             CBRS_SIZE_DYNAMIC);
    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    SetMessageText(UINT(AFX_IDS_IDLEMESSAGE));
    return 0;
}

void CMainFrame::OnSize(UINT nType, int cx, int cy) {
    CMDIFrameWnd::OnSize(nType, cx, cy);
    if (CMDIChildWnd* child = MDIGetActive())
        child->CenterWindow();
}

void CMainFrame::OnMove(int x, int) {
    // The client area starts at a screen x that is a multiple of 4; the
    // move below brings a further WM_MOVE with a remainder of 0.
    const int remainder = x % 4;
    if (remainder != 0) {
        const RECT window = GetWindowRect();
        MoveWindow(window.left - remainder, window.top, window.right - window.left,
                   window.bottom - window.top, true);
    }
}

BOOL CMainFrame::OnQueryEndSession() {
    // No document is ever modified, so the framework's own check (save
    // every modified document) always agrees.
    CMDIChildWnd* child = MDIGetActive();
    if (child == nullptr)
        return TRUE;
    CView* view = child->GetActiveView();
    if (view == nullptr)
        return TRUE;
    return BOOL(view->SendMessage(WM_QUERYENDSESSION));
}
