#include "framework/FrameWnd.h"

#include "framework/CmdUI.h"
#include "framework/Document.h"
#include "framework/View.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_INITMENUPOPUP()
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
