#include "framework/MDIFrameWnd.h"

#include "framework/CmdUI.h"
#include "framework/ControlBar.h"
#include "framework/Document.h"
#include "framework/Dpi.h"
#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "framework/StatusBar.h"
#include "framework/WinApp.h"

#include <commctrl.h>

#include <vector>

IMPLEMENT_DYNAMIC(CMDIFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_DESTROY()
ON_WM_MENUSELECT()
ON_COMMAND(ID_APP_EXIT, OnAppExit)
ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
END_MESSAGE_MAP()

namespace {
// Ids of the MDI client's own child-window commands.
constexpr UINT kFirstMDIChildId = 0xFF00;
} // namespace

bool CMDIFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd) {
    m_bAddToTitle = (dwDefaultStyle & FWS_ADDTOTITLE) != 0;
    m_strTitle = AfxLoadString(nIDResource);
    m_strTitle = m_strTitle.substr(0, m_strTitle.find('\n'));
    return CFrameWnd::LoadFrame(nIDResource, dwDefaultStyle & ~FWS_ADDTOTITLE, pParentWnd);
}

int CMDIFrameWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1)
        return -1;
    CLIENTCREATESTRUCT client{nullptr, kFirstMDIChildId};
    m_hWndMDIClient = CreateWindowExA(
        WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | MDIS_ALLCHILDSTYLES, 0, 0, 0, 0,
        m_hWnd, reinterpret_cast<HMENU>(UINT_PTR(0xE900)), AfxGetInstanceHandle(), &client);
    return m_hWndMDIClient != nullptr ? 0 : -1;
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefFrameProcA(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive() const {
    if (m_bDestroying || m_hWndMDIClient == nullptr || !::IsWindow(m_hWndMDIClient))
        return nullptr;
    auto hActive = reinterpret_cast<HWND>(::SendMessageA(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0));
    return DynamicDowncast<CMDIChildWnd>(FromHandlePermanent(hActive));
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
    CMDIChildWnd* child = MDIGetActive();
    return child != nullptr ? static_cast<CFrameWnd*>(child) : this;
}

bool CMDIFrameWnd::OnCmdMsg(const CommandMessage& command) {
    if (CMDIChildWnd* child = MDIGetActive(); child && child->RouteWithinFrame(command))
        return true;
    return CFrameWnd::OnCmdMsg(command);
}

bool CMDIFrameWnd::PreTranslateMessage(MSG* pMsg) {
    if (MDIGetActive() != nullptr && TranslateMDISysAccel(m_hWndMDIClient, pMsg))
        return true;
    return CFrameWnd::PreTranslateMessage(pMsg);
}

CControlBar* CMDIFrameWnd::GetControlBar(UINT nID) const {
    return DynamicDowncast<CControlBar>(FromHandlePermanent(::GetDlgItem(m_hWnd, int(nID))));
}

void CMDIFrameWnd::DockControlBar(CControlBar* pBar) {
    // Bars go on top when both allow it; a bar allowing other sides only
    // stays where it was created.
    if (pBar != nullptr && (pBar->GetDockStyle() & m_dwDockStyle & CBRS_ALIGN_TOP))
        pBar->SetBarStyle((pBar->GetBarStyle() & ~CBRS_ALIGN_ANY) | CBRS_ALIGN_TOP);
    RecalcLayout();
}

void CMDIFrameWnd::ShowControlBar(CControlBar* pBar, bool bShow) {
    if (pBar == nullptr)
        return;
    pBar->ShowWindow(bShow ? SW_SHOWNOACTIVATE : SW_HIDE);
    RecalcLayout();
}

void CMDIFrameWnd::RecalcLayout() {
    if (m_hWnd == nullptr || m_hWndMDIClient == nullptr)
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
    // client's top, and those pixels would land just below the bar.
    ::SetWindowPos(m_hWndMDIClient, nullptr, area.left, area.top, area.right - area.left,
                   area.bottom > area.top ? area.bottom - area.top : 0,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
}

void CMDIFrameWnd::OnSize(UINT nType, int, int) {
    // The MDI client gets what the bars leave, not the whole client area.
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CMDIFrameWnd::OnDestroy() {
    m_bDestroying = true;
    DestroyChildFrames();
    // The frame's own menu goes with the window; a child's shared menu
    // stays with its document template.
    if (m_hMenuDefault != nullptr && ::GetMenu(m_hWnd) != m_hMenuDefault)
        ::SetMenu(m_hWnd, m_hMenuDefault);
    Default();
}

void CMDIFrameWnd::SetMessageText(const char* lpszText) {
    if (auto* bar = DynamicDowncast<CStatusBar>(GetControlBar(AFX_IDW_STATUS_BAR)))
        bar->SetPaneText(0, lpszText);
}

void CMDIFrameWnd::SetMessageText(UINT nID) {
    std::string text = AfxLoadString(nID);
    SetMessageText(text.substr(0, text.find('\n')).c_str());
}

void CMDIFrameWnd::OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu) {
    if (nFlags == 0xFFFF && hSysMenu == nullptr)
        SetMessageText(UINT(AFX_IDS_IDLEMESSAGE)); // the menu closed
    else if (nFlags & (MF_POPUP | MF_SEPARATOR))
        SetMessageText("");
    else
        SetMessageText(nItemID);
    Default();
}

bool CMDIFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header != nullptr &&
        (header->code == TTN_GETDISPINFOA || header->code == TTN_GETDISPINFOW)) {
        // A toolbar button's tooltip: its command string after the line break.
        const std::string text = AfxLoadString(UINT(header->idFrom));
        const size_t lineBreak = text.find('\n');
        const std::string tip = lineBreak == std::string::npos ? "" : text.substr(lineBreak + 1);
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            lstrcpynA(info->szText, tip.c_str(), int(sizeof info->szText));
            info->lpszText = info->szText;
            info->hinst = nullptr;
        } else {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            MultiByteToWideChar(CP_ACP, 0, tip.c_str(), -1, info->szText,
                                int(sizeof info->szText / sizeof info->szText[0]));
            info->lpszText = info->szText;
            info->hinst = nullptr;
        }
        *pResult = 0;
        return true;
    }
    if (header != nullptr && header->code == UINT(TBN_HOTITEMCHANGE)) {
        // Fly-by prompts of the toolbar buttons.
        auto* hot = reinterpret_cast<NMTBHOTITEM*>(lParam);
        if (hot->dwFlags & HICF_LEAVING)
            SetMessageText(UINT(AFX_IDS_IDLEMESSAGE));
        else
            SetMessageText(UINT(hot->idNew));
        *pResult = 0;
        return true;
    }
    return CFrameWnd::OnNotify(wParam, lParam, pResult);
}

void CMDIFrameWnd::OnAppExit() {
    PostMessage(WM_CLOSE);
}

void CMDIFrameWnd::OnBarCheck(UINT nID) {
    if (CControlBar* bar = GetControlBar(nID))
        ShowControlBar(bar, !(bar->GetStyle() & WS_VISIBLE));
}

void CMDIFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI) {
    CControlBar* bar = GetControlBar(pCmdUI->m_nID);
    pCmdUI->Enable(bar != nullptr);
    pCmdUI->SetCheck(bar != nullptr && (bar->GetStyle() & WS_VISIBLE) ? 1 : 0);
}

void CMDIFrameWnd::OnUpdateFrameMenu(HMENU hMenuAlt) {
    if (m_bDestroying || m_hWndMDIClient == nullptr || !::IsWindow(m_hWndMDIClient))
        return;
    HMENU menu = hMenuAlt != nullptr ? hMenuAlt : m_hMenuDefault;
    if (menu != nullptr && ::GetMenu(m_hWnd) != menu) {
        ::SendMessageA(m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu), 0);
        ::DrawMenuBar(m_hWnd);
    }
}

void CMDIFrameWnd::OnUpdateFrameTitle() {
    std::string title = m_strTitle;
    if (m_bAddToTitle) {
        if (CMDIChildWnd* child = MDIGetActive()) {
            if (CDocument* document = child->GetActiveDocument())
                title += " - " + document->GetTitle();
        }
    }
    if (GetWindowText() != title)
        SetWindowText(title.c_str());
}

void CMDIFrameWnd::OnChildActivated(CMDIChildWnd* pActive) {
    if (m_bDestroying)
        return;
    OnUpdateFrameMenu(pActive != nullptr ? pActive->m_hMenuShared : nullptr);
    OnUpdateFrameTitle();
}

LRESULT CMDIFrameWnd::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
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
    return 0;
}

void CMDIFrameWnd::DestroyChildFrames() {
    if (m_hWndMDIClient == nullptr)
        return;
    std::vector<HWND> children;
    for (HWND hChild = ::GetWindow(m_hWndMDIClient, GW_CHILD); hChild != nullptr;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        if (DynamicDowncast<CMDIChildWnd>(FromHandlePermanent(hChild)) != nullptr)
            children.push_back(hChild);
    }
    for (HWND hChild : children)
        ::SendMessageA(m_hWndMDIClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hChild), 0);
}
