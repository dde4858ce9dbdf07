#pragma once

#include "framework/CmdTarget.h"

#include <string>

// A window. A CWnd is bound to its HWND in the application's handle map from
// the first message of the window's life to WM_NCDESTROY; handles created
// elsewhere get temporary objects (see FromHandle).
class CWnd : public CCmdTarget {
    DECLARE_DYNCREATE(CWnd)
public:
    HWND m_hWnd = nullptr;

    CWnd() = default;
    ~CWnd() override; // destroys a window still bound to this object

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to the handle, or else a temporary object that lives
    // until the application's next idle time. Null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    // The object bound to the handle, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Binds this object to an existing window without taking over its messages.
    bool Attach(HWND hWnd);
    HWND Detach();
    // Binds this object to an existing window (a control of a dialog template,
    // say) and routes the window's messages through this object's map.
    bool SubclassWindow(HWND hWnd);
    bool SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

    // Creates the window bound to this object. A null class name gives the
    // framework's own window class.
    virtual bool CreateEx(DWORD dwExStyle, const char* lpszClassName, const char* lpszWindowName,
                          DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID,
                          void* lpParam = nullptr);
    bool Create(const char* lpszClassName, const char* lpszWindowName, DWORD dwStyle,
                const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Adjusts the creation arguments just before the window is created.
    virtual bool PreCreateWindow(CREATESTRUCTA& cs);
    virtual bool DestroyWindow();

    // Messages: WindowProc gives each message to OnWndMsg, which looks it up
    // in the message map chain; unhandled messages get DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled.
    LRESULT Default();
    // Translates a message before it is dispatched (accelerators, dialog keys).
    virtual bool PreTranslateMessage(MSG* pMsg);
    // A notification from a child control to its parent, first offered to
    // the control's own object (reflection).
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Window operations.
    CWnd* GetParent() const;
    CWnd* GetDlgItem(int nID) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    std::string GetWindowText() const;
    static std::string GetWindowText(HWND hWnd);
    void SetWindowText(const char* lpszText);
    void SetDlgItemText(int nID, const char* lpszText);
    std::string GetDlgItemText(int nID) const;
    bool ShowWindow(int nCmdShow);
    bool EnableWindow(bool bEnable = true);
    bool IsWindowEnabled() const;
    bool IsWindowVisible() const;
    CWnd* SetFocus();
    void MoveWindow(int x, int y, int nWidth, int nHeight, bool bRepaint = true);
    bool SetWindowPos(HWND hWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void Invalidate(bool bErase = true);
    void UpdateWindow();
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // Centres the window in its parent's client area (a child) or over its
    // owner or the screen's work area (a top-level window).
    void CenterWindow();
    bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd); }
    int GetDlgCtrlID() const;
    CWnd* GetTopLevelParent() const;
    class CFrameWnd* GetParentFrame() const;
    // Sends the message to every descendant of this window.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

protected:
    DECLARE_MESSAGE_MAP()

    // Creates the window from a complete set of creation arguments, after
    // PreCreateWindow has seen them.
    bool CreateFromStruct(CREATESTRUCTA& cs);
    // Called after the window's last message; this object is unbound by then.
    virtual void PostNcDestroy();
    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // Default processing for the messages that derived classes handle.
    int OnCreate(LPCREATESTRUCTA) { return int(Default()); }
    void OnDestroy() { Default(); }
    void OnClose() { Default(); }
    void OnPaint() { Default(); }
    void OnSize(UINT, int, int) { Default(); }
    void OnMove(int, int) { Default(); }
    void OnSetFocus(CWnd*) { Default(); }
    void OnKillFocus(CWnd*) { Default(); }
    void OnPaletteChanged(CWnd*) { Default(); }
    BOOL OnQueryEndSession() { return BOOL(Default()); }
    void OnWindowPosChanging(WINDOWPOS*) { Default(); }
    void OnInitMenuPopup(HMENU, UINT, BOOL) { Default(); }
    void OnMenuSelect(UINT, UINT, HMENU) { Default(); }
    void OnHScroll(UINT, UINT, CWnd*) { Default(); }
    void OnVScroll(UINT, UINT, CWnd*) { Default(); }
    void OnTimer(UINT_PTR) { Default(); }
    HBRUSH OnCtlColor(HDC, CWnd*, UINT) { return reinterpret_cast<HBRUSH>(Default()); }

    // The window procedure of the framework's windows and of subclassed ones.
    static LRESULT CALLBACK WindowProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Binds the object to the next window this thread creates: the window
    // is subclassed from its first message on, whatever its class.
    static void HookWindowCreate(CWnd* pWnd);
    static bool UnhookWindowCreate();

    WNDPROC m_pfnSuper = nullptr; // the window's own procedure, when subclassed

private:
    friend class CWinApp;
    friend class CDialog;
    bool m_bTemporary = false;
    void OnNcDestroyed();
    static LRESULT CALLBACK CreationHook(int nCode, WPARAM wParam, LPARAM lParam);
};

// The framework's own window class, registered on first use in the module.
const char* AfxDefaultWindowClass();
// Registers a window class of the module with the framework's usual
// attributes (arrow cursor, window background, double clicks); its name.
const char* AfxRegisterFrameworkClass(const char* lpszClassName, WNDPROC pfnWndProc);
