#include "framework/MDIChildWnd.h"

#include "framework/CreateContext.h"
#include "framework/DocTemplate.h"
#include "framework/Document.h"
#include "framework/MDIFrameWnd.h"
#include "framework/View.h"
#include "framework/WinApp.h"

IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CMDIChildWnd, CFrameWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_MESSAGE(WM_MDIACTIVATE, OnMDIActivate)
END_MESSAGE_MAP()

namespace {
const char* MDIChildClass() {
    static const char* const className =
        AfxRegisterFrameworkClass("FwMDIChild", ::DefMDIChildProcA);
    return className;
}
} // namespace

bool CMDIChildWnd::CreateChild(UINT nIDResource, DWORD dwStyle, CMDIFrameWnd* pParentWnd,
                               CCreateContext* pContext) {
    if (pParentWnd == nullptr || pParentWnd->m_hWndMDIClient == nullptr)
        return false;
    m_nIDResource = nIDResource;
    m_hWndMDIFrame = pParentWnd->m_hWnd;
    CREATESTRUCTA cs{};
    cs.lpszClass = MDIChildClass();
    cs.lpszName = "";
    cs.style = LONG(dwStyle | WS_CHILD);
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hwndParent = pParentWnd->m_hWndMDIClient;
    cs.hInstance = AfxGetInstanceHandle();
    if (!PreCreateWindow(cs))
        return false;

    MDICREATESTRUCTA mdi{};
    mdi.szClass = cs.lpszClass;
    mdi.szTitle = cs.lpszName;
    mdi.hOwner = cs.hInstance;
    mdi.x = cs.x;
    mdi.y = cs.y;
    mdi.cx = cs.cx;
    mdi.cy = cs.cy;
    mdi.style = DWORD(cs.style) & ~(WS_MAXIMIZE | WS_VISIBLE);
    m_pCreateContext = pContext;
    HWND hClient = pParentWnd->m_hWndMDIClient;
    HookWindowCreate(this);
    // A failed creation may free this object (PostNcDestroy): only locals
    // are used from here on.
    const LRESULT created =
        ::SendMessageA(hClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mdi));
    UnhookWindowCreate();
    if (created == 0)
        return false;
    m_pCreateContext = nullptr;
    if (HICON hIcon = LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource)))
        SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    return true;
}

bool CMDIChildWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd) {
    auto* frame = DynamicDowncast<CMDIFrameWnd>(pParentWnd ? pParentWnd : AfxGetMainWnd());
    return CreateChild(nIDResource, dwDefaultStyle, frame, nullptr);
}

int CMDIChildWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1)
        return -1;
    CCreateContext* context = m_pCreateContext;
    if (context == nullptr || context->m_pNewViewClass == nullptr)
        return 0;
    m_pView = CreateObjectAs<CView>(context->m_pNewViewClass);
    if (!m_pView || !m_pView->CreateView(this, AFX_IDW_PANE_FIRST, context))
        return -1;
    SetActiveView(m_pView.get());
    return 0;
}

void CMDIChildWnd::InitialUpdateFrame(bool bMakeVisible) {
    if (CDocument* document = GetActiveDocument())
        SetWindowText(document->GetTitle().c_str());
    if (CView* view = GetActiveView())
        view->OnInitialUpdate();
    if (bMakeVisible) {
        ShowWindow(SW_SHOW);
        MDIActivate();
        if (CView* view = GetActiveView())
            view->SetFocus();
    }
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->OnChildActivated(frame->MDIGetActive());
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
    return DynamicDowncast<CMDIFrameWnd>(FromHandlePermanent(m_hWndMDIFrame));
}

void CMDIChildWnd::MDIActivate() {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        ::SendMessageA(frame->m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIDestroy() {
    if (CMDIFrameWnd* frame = GetMDIFrame())
        ::SendMessageA(frame->m_hWndMDIClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

bool CMDIChildWnd::DestroyWindow() {
    CMDIFrameWnd* frame = GetMDIFrame();
    if (m_hWnd == nullptr || frame == nullptr || !::IsWindow(frame->m_hWndMDIClient))
        return CFrameWnd::DestroyWindow();
    const HWND hWnd = m_hWnd; // this may be freed with the window
    MDIDestroy();
    return !::IsWindow(hWnd);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcA(m_hWnd, message, wParam, lParam);
}

void CMDIChildWnd::OnSize(UINT, int cx, int cy) {
    Default();
    if (CView* view = GetActiveView(); view && view->m_hWnd)
        view->SetWindowPos(nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMDIChildWnd::OnSetFocus(CWnd*) {
    Default();
    if (CView* view = GetActiveView(); view && view->m_hWnd)
        view->SetFocus();
}

LRESULT CMDIChildWnd::OnMDIActivate(WPARAM, LPARAM lParam) {
    const LRESULT result = Default();
    const auto hActivated = reinterpret_cast<HWND>(lParam);
    CMDIFrameWnd* frame = GetMDIFrame();
    if (frame != nullptr && (hActivated == m_hWnd || hActivated == nullptr))
        frame->OnChildActivated(hActivated == m_hWnd ? this : nullptr);
    return result;
}

void CMDIChildWnd::PostNcDestroy() {
    CFrameWnd::PostNcDestroy();
    if (CMDIFrameWnd* frame = GetMDIFrame())
        frame->OnChildActivated(frame->MDIGetActive());
    // Last: the template frees the document and this frame.
    if (CDocTemplate* docTemplate = m_pDocTemplate)
        docTemplate->OnFrameDestroyed(this);
}
