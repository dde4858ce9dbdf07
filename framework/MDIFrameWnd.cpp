#include "framework/MDIFrameWnd.h"

#include "framework/Document.h"
#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "framework/WinApp.h"

#include <vector>

IMPLEMENT_DYNAMIC(CMDIFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIFrameWnd, CFrameWnd)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_COMMAND(ID_APP_EXIT, OnAppExit)
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
        m_hWnd, reinterpret_cast<HMENU>(UINT_PTR(AFX_IDW_PANE_FIRST)), AfxGetInstanceHandle(),
        &client);
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

void CMDIFrameWnd::OnDestroy() {
    m_bDestroying = true;
    DestroyChildFrames();
    // The frame's own menu goes with the window; a child's shared menu
    // stays with its document template.
    if (m_hMenuDefault != nullptr && ::GetMenu(m_hWnd) != m_hMenuDefault)
        ::SetMenu(m_hWnd, m_hMenuDefault);
    Default();
}

void CMDIFrameWnd::OnAppExit() {
    PostMessage(WM_CLOSE);
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
