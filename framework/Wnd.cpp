#include "framework/Wnd.h"

#include "framework/CmdUI.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

#include <algorithm>
#include <vector>

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

namespace {

// The message being handled on this thread, for Default().
thread_local MSG t_currentMessage{};
// The object to bind to the next window this thread creates.
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hCreationHook = nullptr;

} // namespace

CWnd* msgmap::WindowFromWParam(WPARAM wParam) {
    return CWnd::FromHandle(reinterpret_cast<HWND>(wParam));
}

const char* AfxRegisterFrameworkClass(const char* lpszClassName, WNDPROC pfnWndProc) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = pfnWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = lpszClassName;
    RegisterClassA(&wc);
    return lpszClassName;
}

const char* AfxDefaultWindowClass() {
    static const char* const className = AfxRegisterFrameworkClass("FwWnd", ::DefWindowProcA);
    return className;
}

CWnd::~CWnd() {
    if (m_hWnd != nullptr && !m_bTemporary && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    // A window that outlived the object (on another thread, say) is unbound.
    if (m_hWnd != nullptr && !m_bTemporary)
        Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    CWinApp* app = AfxGetApp();
    return (hWnd == nullptr || app == nullptr) ? nullptr : app->LookupWindow(hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (hWnd == nullptr)
        return nullptr;
    if (CWnd* permanent = FromHandlePermanent(hWnd))
        return permanent;
    CWinApp* app = AfxGetApp();
    return app ? app->TemporaryWindow(hWnd) : nullptr;
}

bool CWnd::Attach(HWND hWnd) {
    CWinApp* app = AfxGetApp();
    if (hWnd == nullptr || m_hWnd != nullptr || app == nullptr || app->LookupWindow(hWnd))
        return false;
    m_hWnd = hWnd;
    app->BindWindow(hWnd, this);
    return true;
}

HWND CWnd::Detach() {
    HWND hWnd = m_hWnd;
    if (hWnd != nullptr) {
        if (CWinApp* app = AfxGetApp())
            app->UnbindWindow(hWnd, this);
    }
    m_hWnd = nullptr;
    return hWnd;
}

bool CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd))
        return false;
    auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProcedure)));
    if (old != &WindowProcedure)
        m_pfnSuper = old;
    return true;
}

bool CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent != nullptr && SubclassWindow(::GetDlgItem(pParent->m_hWnd, int(nID)));
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd != nullptr && m_pfnSuper != nullptr)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

LRESULT CALLBACK CWnd::CreationHook(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_CREATEWND && t_pWndInit != nullptr) {
        auto hWnd = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        GetClassNameA(hWnd, className, sizeof className);
        // The system's input-method windows are not ours.
        if (lstrcmpiA(className, "IME") != 0) {
            CWnd* pWnd = std::exchange(t_pWndInit, nullptr);
            pWnd->SubclassWindow(hWnd);
        }
    }
    return CallNextHookEx(t_hCreationHook, nCode, wParam, lParam);
}

void CWnd::HookWindowCreate(CWnd* pWnd) {
    if (t_hCreationHook == nullptr)
        t_hCreationHook = SetWindowsHookExA(WH_CBT, &CreationHook, nullptr, GetCurrentThreadId());
    t_pWndInit = pWnd;
}

bool CWnd::UnhookWindowCreate() {
    if (t_hCreationHook != nullptr) {
        UnhookWindowsHookEx(t_hCreationHook);
        t_hCreationHook = nullptr;
    }
    return std::exchange(t_pWndInit, nullptr) == nullptr;
}

bool CWnd::PreCreateWindow(CREATESTRUCTA&) {
    return true;
}

bool CWnd::CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                    DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID, void* lpParam) {
    CREATESTRUCTA cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = LONG(dwStyle);
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    cs.hwndParent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    cs.hMenu = reinterpret_cast<HMENU>(UINT_PTR(nID));
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    return CreateFromStruct(cs);
}

bool CWnd::CreateFromStruct(CREATESTRUCTA& cs) {
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return false;
    }
    if (cs.lpszClass == nullptr)
        cs.lpszClass = AfxDefaultWindowClass();

    HookWindowCreate(this);
    HWND hWnd =
        CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, DWORD(cs.style), cs.x, cs.y, cs.cx,
                        cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    UnhookWindowCreate();
    return hWnd != nullptr;
}

bool CWnd::Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle,
                  const RECT& rect, CWnd* pParentWnd, UINT nID) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

bool CWnd::DestroyWindow() {
    return m_hWnd != nullptr && ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::WindowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (pWnd == nullptr)
        return ::DefWindowProcA(hWnd, message, wParam, lParam);

    const MSG saved = t_currentMessage;
    t_currentMessage = MSG{hWnd, message, wParam, lParam, 0, {}};
    const LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    t_currentMessage = saved;
    if (message == WM_NCDESTROY)
        pWnd->OnNcDestroyed(); // may delete the object
    return result;
}

void CWnd::OnNcDestroyed() {
    if (m_pfnSuper != nullptr &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC)) == &WindowProcedure) {
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    m_pfnSuper = nullptr;
    Detach();
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        if (!app->IsLibrary())
            PostQuitMessage(0);
    }
    PostNcDestroy();
}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam))
            return false;
        *pResult = 0;
        return true;
    }
    if (message == WM_NOTIFY)
        return OnNotify(wParam, lParam, pResult);

    const MessageMapEntry* entry = FindEntry(EntryKind::Message, 0, message);
    if (entry == nullptr)
        return false;
    MessageInvocation invocation;
    invocation.message = message;
    invocation.wParam = wParam;
    invocation.lParam = lParam;
    *pResult = entry->thunk(*this, invocation);
    return true;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default() {
    return DefWindowProc(t_currentMessage.message, t_currentMessage.wParam,
                         t_currentMessage.lParam);
}

bool CWnd::PreTranslateMessage(MSG*) {
    return false;
}

bool CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const auto hControl = reinterpret_cast<HWND>(lParam);
    int code = HIWORD(wParam);
    if (hControl == nullptr) {
        // A menu item or an accelerator. An accelerator can reach a command
        // whose menu item is disabled: run only what is enabled.
        code = CN_COMMAND;
        CTestCmdUI state;
        state.m_nID = id;
        OnCmdMsg(CommandMessage{id, CN_UPDATE_COMMAND_UI, &state});
        if (!state.m_bEnabled)
            return true;
    } else if (CWnd* control = FromHandlePermanent(hControl)) {
        LRESULT ignored = 0;
        if (control->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored))
            return true;
    }
    return OnCmdMsg(CommandMessage{id, code});
}

bool CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
    auto* nmhdr = reinterpret_cast<NMHDR*>(lParam);
    if (nmhdr == nullptr)
        return false;
    if (CWnd* control = FromHandlePermanent(nmhdr->hwndFrom)) {
        if (control->OnChildNotify(WM_NOTIFY, WPARAM(nmhdr->idFrom), lParam, pResult))
            return true;
    }
    const MessageMapEntry* entry =
        FindEntry(EntryKind::Notify, int(nmhdr->code), UINT(nmhdr->idFrom));
    if (entry == nullptr)
        return false;
    MessageInvocation invocation;
    invocation.message = WM_NOTIFY;
    invocation.id = UINT(nmhdr->idFrom);
    invocation.nmhdr = nmhdr;
    invocation.result = pResult;
    *pResult = 0;
    entry->thunk(*this, invocation);
    return true;
}

bool CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    MessageInvocation invocation;
    invocation.message = message;
    invocation.wParam = wParam;
    invocation.lParam = lParam;
    invocation.result = pResult;
    const MessageMapEntry* entry = nullptr;
    if (message == WM_COMMAND) {
        entry = FindEntry(EntryKind::ReflectCommand, HIWORD(wParam), 0);
    } else if (message == WM_NOTIFY) {
        invocation.nmhdr = reinterpret_cast<NMHDR*>(lParam);
        entry = FindEntry(EntryKind::ReflectNotify, int(invocation.nmhdr->code), 0);
    }
    if (entry == nullptr)
        return false;
    entry->thunk(*this, invocation);
    return true;
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

bool CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

std::string CWnd::GetWindowText() const {
    return GetWindowText(m_hWnd);
}

std::string CWnd::GetWindowText(HWND hWnd) {
    std::string text(size_t(::GetWindowTextLengthA(hWnd)) + 1, '\0');
    text.resize(size_t(::GetWindowTextA(hWnd, text.data(), int(text.size()))));
    return text;
}

void CWnd::SetWindowText(const char* lpszText) {
    ::SetWindowTextA(m_hWnd, lpszText);
}

void CWnd::SetDlgItemText(int nID, const char* lpszText) {
    ::SetDlgItemTextA(m_hWnd, nID, lpszText);
}

std::string CWnd::GetDlgItemText(int nID) const {
    return GetWindowText(::GetDlgItem(m_hWnd, nID));
}

bool CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

bool CWnd::EnableWindow(bool bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

bool CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

bool CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, bool bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

bool CWnd::SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, hWndInsertAfter, x, y, cx, cy, nFlags);
}

RECT CWnd::GetClientRect() const {
    RECT rect{};
    ::GetClientRect(m_hWnd, &rect);
    return rect;
}

RECT CWnd::GetWindowRect() const {
    RECT rect{};
    ::GetWindowRect(m_hWnd, &rect);
    return rect;
}

void CWnd::Invalidate(bool bErase) {
    InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}

DWORD CWnd::GetStyle() const {
    return DWORD(GetWindowLongPtrA(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
    return DWORD(GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
}

int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}

void CWnd::CenterWindow() {
    const RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    RECT area{};
    if (GetStyle() & WS_CHILD) {
        HWND hParent = ::GetParent(m_hWnd);
        ::GetClientRect(hParent, &area);
    } else {
        HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
        if (hOwner != nullptr && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
            ::GetWindowRect(hOwner, &area);
        else
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    // A window larger than the area keeps its top left inside it, in reach.
    const int x = std::max(area.left, area.left + ((area.right - area.left) - width) / 2);
    const int y = std::max(area.top, area.top + ((area.bottom - area.top) - height) / 2);
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWnd* CWnd::GetTopLevelParent() const {
    HWND hWnd = m_hWnd;
    while (hWnd != nullptr && (GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_CHILD))
        hWnd = ::GetParent(hWnd);
    return FromHandle(hWnd);
}

CFrameWnd* CWnd::GetParentFrame() const {
    for (HWND hWnd = ::GetParent(m_hWnd); hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        if (auto* frame = DynamicDowncast<CFrameWnd>(FromHandlePermanent(hWnd)))
            return frame;
    }
    return nullptr;
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam) {
    std::vector<HWND> pending{m_hWnd};
    while (!pending.empty()) {
        HWND hParent = pending.back();
        pending.pop_back();
        for (HWND hChild = ::GetWindow(hParent, GW_CHILD); hChild != nullptr;
             hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
            ::SendMessageA(hChild, message, wParam, lParam);
            pending.push_back(hChild);
        }
    }
}
