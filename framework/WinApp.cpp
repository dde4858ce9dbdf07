#include "framework/WinApp.h"

#include "framework/RecentFileList.h"

#include "framework/FrameworkResource.h"

#include <cstring>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
CWinApp* g_pApp = nullptr;
HINSTANCE g_hResource = nullptr;
// The application's colours reach message boxes through this subclass.
thread_local WNDPROC t_messageBoxProc = nullptr;
thread_local HHOOK t_messageBoxHook = nullptr;

LRESULT CALLBACK MessageBoxProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        if (CWinApp* app = AfxGetApp()) {
            if (HBRUSH brush =
                    app->DialogCtlColor(reinterpret_cast<HDC>(wParam), message - WM_CTLCOLORMSGBOX))
                return reinterpret_cast<LRESULT>(brush);
        }
    }
    return CallWindowProcA(t_messageBoxProc, hWnd, message, wParam, lParam);
}

// Subclasses the message box window when it is created.
LRESULT CALLBACK MessageBoxHook(int nCode, WPARAM wParam, LPARAM lParam) {
    if (nCode == HCBT_CREATEWND && t_messageBoxProc == nullptr) {
        auto hWnd = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        GetClassNameA(hWnd, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0) {
            t_messageBoxProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MessageBoxProcedure)));
        }
    }
    return CallNextHookEx(t_messageBoxHook, nCode, wParam, lParam);
}
} // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* lpszAppName) : m_strAppName(lpszAppName ? lpszAppName : "") {
    g_pApp = this;
    m_hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
}

CWinApp::~CWinApp() {
    m_temporaryWindows.clear();
    if (g_pApp == this)
        g_pApp = nullptr;
}

bool CWinApp::InitModule(HINSTANCE hInstance, const char* lpCmdLine, int nCmdShow, bool bLibrary) {
    m_hInstance = hInstance;
    m_lpCmdLine = lpCmdLine ? lpCmdLine : "";
    m_nCmdShow = nCmdShow;
    m_bLibrary = bLibrary;
    if (g_hResource == nullptr)
        g_hResource = hInstance;
    if (m_strAppName.empty())
        m_strAppName = AfxLoadString(AFX_IDS_APP_TITLE);
    if (m_strAppName.empty()) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(hInstance, path, MAX_PATH);
        const char* name = std::strrchr(path, '\\');
        m_strAppName = name ? name + 1 : path;
        if (auto dot = m_strAppName.rfind('.'); dot != std::string::npos)
            m_strAppName.erase(dot);
    }
    return true;
}

bool CWinApp::InitInstance() {
    return true;
}

int CWinApp::ExitInstance() {
    DeleteTemporaryWindows();
    return 0;
}

namespace {
// Messages after which the idle-time work is done again.
bool IsIdleMessage(const MSG& msg, POINT& lastMousePos, UINT& lastMouseMessage) {
    if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
        const bool same = msg.message == lastMouseMessage && msg.pt.x == lastMousePos.x &&
                          msg.pt.y == lastMousePos.y;
        lastMousePos = msg.pt;
        lastMouseMessage = msg.message;
        return !same;
    }
    return msg.message != WM_PAINT && msg.message != 0x0118; // WM_SYSTIMER (caret blink)
}
} // namespace

int CWinApp::Run() {
    POINT lastMousePos{-1, -1};
    UINT lastMouseMessage = 0;
    bool idle = true;
    LONG idleCount = 0;
    MSG msg{};
    for (;;) {
        while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            idle = OnIdle(idleCount++);
        do {
            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0 || got == -1)
                return ExitInstance();
            if (!PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (IsIdleMessage(msg, lastMousePos, lastMouseMessage)) {
                idle = true;
                idleCount = 0;
            }
        } while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    }
}

bool CWinApp::OnIdle(LONG lCount) {
    if (lCount == 0) {
        if (m_pMainWnd != nullptr && m_pMainWnd->m_hWnd != nullptr) {
            m_pMainWnd->SendMessage(WM_IDLEUPDATECMDUI, TRUE);
            m_pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE);
        }
        return true;
    }
    DeleteTemporaryWindows();
    return false;
}

bool CWinApp::PreTranslateMessage(MSG* pMsg) {
    HWND hMain = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        if (CWnd* pWnd = CWnd::FromHandlePermanent(hWnd); pWnd && pWnd->PreTranslateMessage(pMsg))
            return true;
        if (hWnd == hMain)
            return false;
    }
    // Messages of windows outside the main window (or of none) still get the
    // main window's accelerators.
    return m_pMainWnd != nullptr && m_pMainWnd->PreTranslateMessage(pMsg);
}

int CWinApp::DoMessageBox(const char* lpszPrompt, UINT nType, UINT) {
    if ((nType & MB_ICONMASK) == 0 && (nType & MB_TYPEMASK) == MB_OK)
        nType |= MB_ICONEXCLAMATION;

    // The owner: the main window when it can take one, else the active window.
    HWND hOwner = GetActiveWindow();
    if (m_pMainWnd != nullptr && ::IsWindowEnabled(m_pMainWnd->m_hWnd))
        hOwner = GetLastActivePopup(m_pMainWnd->m_hWnd);

    const bool colour = m_dialogBrush && t_messageBoxHook == nullptr;
    if (colour) {
        t_messageBoxProc = nullptr;
        t_messageBoxHook =
            SetWindowsHookExA(WH_CBT, &MessageBoxHook, nullptr, GetCurrentThreadId());
    }
    const int result = MessageBoxA(hOwner, lpszPrompt, m_strAppName.c_str(), nType);
    if (colour) {
        UnhookWindowsHookEx(t_messageBoxHook);
        t_messageBoxHook = nullptr;
        t_messageBoxProc = nullptr;
    }
    return result;
}

void CWinApp::SetDialogBkColor(COLORREF clrCtlBk, COLORREF clrCtlText) {
    m_dialogBrush.Reset(CreateSolidBrush(clrCtlBk));
    m_clrDialogBk = clrCtlBk;
    m_clrDialogText = clrCtlText;
}

HBRUSH CWinApp::DialogCtlColor(HDC hdc, UINT nCtlColor) const {
    if (!m_dialogBrush)
        return nullptr;
    switch (nCtlColor) {
    case CTLCOLOR_DLG:
    case CTLCOLOR_MSGBOX:
    case CTLCOLOR_STATIC:
    case CTLCOLOR_BTN:
        SetBkColor(hdc, m_clrDialogBk);
        SetTextColor(hdc, m_clrDialogText);
        return m_dialogBrush.Get();
    default:
        return nullptr; // edits and lists keep the system's colours
    }
}

CWnd* CWinApp::LookupWindow(HWND hWnd) const {
    auto it = m_windows.find(hWnd);
    return it == m_windows.end() ? nullptr : it->second;
}

void CWinApp::BindWindow(HWND hWnd, CWnd* pWnd) {
    m_windows[hWnd] = pWnd;
}

void CWinApp::UnbindWindow(HWND hWnd, CWnd* pWnd) {
    auto it = m_windows.find(hWnd);
    if (it != m_windows.end() && it->second == pWnd)
        m_windows.erase(it);
}

CWnd* CWinApp::TemporaryWindow(HWND hWnd) {
    auto& slot = m_temporaryWindows[hWnd];
    if (!slot) {
        slot = std::make_unique<CWnd>();
        slot->m_hWnd = hWnd;
        slot->m_bTemporary = true;
    }
    return slot.get();
}

void CWinApp::DeleteTemporaryWindows() {
    m_temporaryWindows.clear();
}

CWinApp* AfxGetApp() {
    return g_pApp;
}

CWnd* AfxGetMainWnd() {
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
    return g_pApp && g_pApp->m_hInstance ? g_pApp->m_hInstance
                                         : reinterpret_cast<HINSTANCE>(&__ImageBase);
}

HINSTANCE AfxGetResourceHandle() {
    return g_hResource ? g_hResource : reinterpret_cast<HINSTANCE>(&__ImageBase);
}

void AfxSetResourceHandle(HINSTANCE hResource) {
    g_hResource = hResource;
}

std::string AfxLoadString(UINT nID) {
    // A string table entry is at most 4096 characters.
    char buffer[4097] = {};
    const int length = LoadStringA(AfxGetResourceHandle(), nID, buffer, sizeof buffer);
    return std::string(buffer, size_t(length > 0 ? length : 0));
}

std::string AfxFormatString2(UINT nID, const char* lpsz1, const char* lpsz2) {
    const std::string format = AfxLoadString(nID);
    std::string text;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == '1' || format[i + 1] == '2')) {
            const char* arg = format[i + 1] == '1' ? lpsz1 : lpsz2;
            text += arg ? arg : "";
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

int AfxMessageBox(const char* lpszText, UINT nType, UINT nIDHelp) {
    CWinApp* app = AfxGetApp();
    if (app != nullptr)
        return app->DoMessageBox(lpszText, nType, nIDHelp);
    return MessageBoxA(GetActiveWindow(), lpszText, "", nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType) {
    return AfxMessageBox(AfxLoadString(nIDPrompt).c_str(), nType, nIDPrompt);
}

int AfxWinMain(HINSTANCE hInstance, const char* lpCmdLine, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr || !app->InitModule(hInstance, lpCmdLine, nCmdShow, false))
        return -1;
    if (!app->InitInstance()) {
        if (app->m_pMainWnd != nullptr)
            app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

BOOL AfxDllMain(HINSTANCE hInstance, DWORD dwReason) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return TRUE;
    if (dwReason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(hInstance);
        return app->InitModule(hInstance, "", SW_SHOWNORMAL, true) && app->InitInstance();
    }
    if (dwReason == DLL_PROCESS_DETACH)
        app->ExitInstance();
    return TRUE;
}

UINT CWinApp::GetProfileInt(const char* lpszSection, const char* lpszEntry, int nDefault) const {
    return GetPrivateProfileIntA(lpszSection, lpszEntry, nDefault,
                                 CRecentFileList::DefaultProfileName().c_str());
}

bool CWinApp::WriteProfileInt(const char* lpszSection, const char* lpszEntry, int nValue) const {
    char value[16];
    wsprintfA(value, "%d", nValue);
    return WritePrivateProfileStringA(lpszSection, lpszEntry, value,
                                      CRecentFileList::DefaultProfileName().c_str()) != FALSE;
}
