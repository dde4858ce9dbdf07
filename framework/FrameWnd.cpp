#include "framework/FrameWnd.h"

#include "framework/CmdUI.h"
#include "framework/ControlBar.h"
#include "framework/Document.h"
#include "framework/Dpi.h"
#include "framework/FrameworkResource.h"
#include "framework/StatusBar.h"
#include "framework/View.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_INITMENUPOPUP()
ON_WM_SIZE()
ON_WM_MENUSELECT()
ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
END_MESSAGE_MAP()

bool CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd) {
    m_nIDResource = nIDResource;
    HINSTANCE hResource = AfxGetResourceHandle();
    std::string title = AfxLoadString(nIDResource);
    title = title.substr(0, title.find('\n'));

    HMENU hMenu = LoadMenuA(hResource, MAKEINTRESOURCEA(nIDResource));
    m_hMenuDefault = hMenu;
    CREATESTRUCTA cs{}; // the framework's own window class
    cs.lpszName = title.c_str();
    cs.style = LONG(dwDefaultStyle);
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    cs.hMenu = hMenu;
    cs.hInstance = AfxGetInstanceHandle();
    if (!CreateFromStruct(cs)) {
        if (hMenu != nullptr)
            DestroyMenu(hMenu);
        m_hMenuDefault = nullptr;
        return false;
    }
    if (HICON hIcon = LoadIconA(hResource, MAKEINTRESOURCEA(nIDResource))) {
        SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    }
    LoadAccelTable(nIDResource);
    return true;
}

bool CFrameWnd::LoadAccelTable(UINT nIDResource) {
    m_hAccelTable = LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
    return m_hAccelTable != nullptr;
}

CDocument* CFrameWnd::GetActiveDocument() {
    CView* pView = GetActiveView();
    return pView ? pView->GetDocument() : nullptr;
}

bool CFrameWnd::RouteWithinFrame(const CommandMessage& command) {
    if (CView* pView = GetActiveView(); pView && pView->OnCmdMsg(command))
        return true;
    return CWnd::OnCmdMsg(command);
}

bool CFrameWnd::OnCmdMsg(const CommandMessage& command) {
    if (RouteWithinFrame(command))
        return true;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(command);
}

bool CFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST || m_hAccelTable == nullptr)
        return false;
    return TranslateAcceleratorA(m_hWnd, m_hAccelTable, pMsg) != 0;
}

void CFrameWnd::OnInitMenuPopup(HMENU hPopup, UINT, BOOL bSysMenu) {
    if (bSysMenu)
        return;
    const int count = GetMenuItemCount(hPopup);
    for (int index = 0; index < count; ++index) {
        const UINT id = GetMenuItemID(hPopup, index);
        // Separators (0) and submenus (-1) have no command.
        if (id == 0 || id == UINT(-1))
            continue;
        CCmdUI state;
        state.m_nID = id;
        state.m_nIndex = UINT(index);
        state.m_hMenu = hPopup;
        state.DoUpdate(this, m_bAutoMenuEnable);
    }
}

void CFrameWnd::PostNcDestroy() {
    // The menu given at creation was destroyed with the window.
    m_hMenuDefault = nullptr;
}

CControlBar* CFrameWnd::GetControlBar(UINT nID) const {
    return DynamicDowncast<CControlBar>(FromHandlePermanent(::GetDlgItem(m_hWnd, int(nID))));
}

void CFrameWnd::DockControlBar(CControlBar* pBar) {
    // Bars go on top when both allow it; a bar allowing other sides only
    // stays where it was created.
    if (pBar != nullptr && (pBar->GetDockStyle() & m_dwDockStyle & CBRS_ALIGN_TOP))
        pBar->SetBarStyle((pBar->GetBarStyle() & ~CBRS_ALIGN_ANY) | CBRS_ALIGN_TOP);
    RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* pBar, bool bShow) {
    if (pBar == nullptr)
        return;
    pBar->ShowWindow(bShow ? SW_SHOWNOACTIVATE : SW_HIDE);
    RecalcLayout();
}

void CFrameWnd::RecalcLayout() {
    HWND hPane = m_hWnd != nullptr ? ::GetDlgItem(m_hWnd, int(AFX_IDW_PANE_FIRST)) : nullptr;
    if (hPane == nullptr)
        return;
    RECT area = GetClientRect();
    const int width = area.right - area.left;
    for (UINT id : {AFX_IDW_TOOLBAR, AFX_IDW_STATUS_BAR}) {
        CControlBar* bar = GetControlBar(id);
        if (bar == nullptr || !(bar->GetStyle() & WS_VISIBLE))
            continue;
        const int height = bar->CalcHeight(width);
        if (bar->GetBarStyle() & CBRS_ALIGN_BOTTOM) {
            bar->SetWindowPos(nullptr, area.left, area.bottom - height, width, height,
                              SWP_NOZORDER | SWP_NOACTIVATE);
            area.bottom -= height;
        } else {
            bar->SetWindowPos(nullptr, area.left, area.top, width, height,
                              SWP_NOZORDER | SWP_NOACTIVATE);
            area.top += height;
        }
    }
    // Not the old picture moved along: a bar shown again has drawn over the
    // pane's top, and those pixels would land just below the bar.
    ::SetWindowPos(hPane, nullptr, area.left, area.top, area.right - area.left,
                   area.bottom > area.top ? area.bottom - area.top : 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void CFrameWnd::OnSize(UINT nType, int, int) {
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::SetMessageText(const char* lpszText) {
    if (auto* bar = DynamicDowncast<CStatusBar>(GetControlBar(AFX_IDW_STATUS_BAR)))
        bar->SetPaneText(0, lpszText);
}

void CFrameWnd::SetMessageText(UINT nID) {
    std::string text = AfxLoadString(nID);
    SetMessageText(text.substr(0, text.find('\n')).c_str());
}

void CFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu) {
    if (nFlags == 0xFFFF && hSysMenu == nullptr)
        SetMessageText(UINT(AFX_IDS_IDLEMESSAGE)); // the menu closed
    else if (nFlags & (MF_POPUP | MF_SEPARATOR))
        SetMessageText("");
    else
        SetMessageText(nItemID);
    Default();
}

void CFrameWnd::OnBarCheck(UINT nID) {
    if (CControlBar* bar = GetControlBar(nID))
        ShowControlBar(bar, !(bar->GetStyle() & WS_VISIBLE));
    else if (CFrameWnd* outer = GetParentFrame())
        outer->OnBarCheck(nID);
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
    CControlBar* bar = GetControlBar(pCmdUI->m_nID);
    if (CFrameWnd* outer = GetParentFrame(); bar == nullptr && outer != nullptr) {
        outer->OnUpdateControlBarMenu(pCmdUI);
        return;
    }
    pCmdUI->Enable(bar != nullptr);
    pCmdUI->SetCheck(bar != nullptr && (bar->GetStyle() & WS_VISIBLE) ? 1 : 0);
}

LRESULT CFrameWnd::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    const UINT dpi = LOWORD(wParam);
    for (UINT id : {AFX_IDW_TOOLBAR, AFX_IDW_STATUS_BAR}) {
        if (CControlBar* bar = GetControlBar(id))
            bar->OnDpiChanged(dpi);
    }
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        SetWindowPos(nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The bars' heights changed even where the frame's size did not.
    RecalcLayout();
    if (CFrameWnd* frame = GetActiveFrame(); frame != nullptr && frame->GetActiveView() != nullptr)
        frame->GetActiveView()->OnParentDpiChanged(dpi);
    return 0;
}
