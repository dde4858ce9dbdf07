#pragma once

#include "base/Handle.h"
#include "framework/Wnd.h"

#include <memory>
#include <string>
#include <unordered_map>

// The application object: one per module (program or shared library). It
// holds the module's handle map, runs the message loop and shows the
// framework's message boxes.
class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // A null name takes the application title from the string table
    // (AFX_IDS_APP_TITLE), or else the module's file name.
    explicit CWinApp(const char* lpszAppName = nullptr);
    ~CWinApp() override;

    std::string m_strAppName;
    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

    // The framework's start-up of the module, before InitInstance.
    bool InitModule(HINSTANCE hInstance, const char* lpCmdLine, int nCmdShow, bool bLibrary);
    bool IsLibrary() const { return m_bLibrary; }

    virtual bool InitInstance();
    virtual int ExitInstance();
    // The message loop, with idle-time processing, until WM_QUIT.
    virtual int Run();
    // Idle-time work; true asks for more idle calls. Pass 0 updates the
    // command states of control bars, pass 1 frees temporary window objects.
    virtual bool OnIdle(LONG lCount);
    // Offers a message to the windows from its target up to the main window.
    virtual bool PreTranslateMessage(MSG* pMsg);
    // Shows a message box for AfxMessageBox; tests override it to observe.
    virtual int DoMessageBox(const char* lpszPrompt, UINT nType, UINT nIDPrompt);

    // A number of the program's profile file (its recent-file list's file),
    // and the default when the entry is missing.
    UINT GetProfileInt(const char* lpszSection, const char* lpszEntry, int nDefault) const;
    bool WriteProfileInt(const char* lpszSection, const char* lpszEntry, int nValue) const;

    // Background and text colour of dialogs and message boxes.
    void SetDialogBkColor(COLORREF clrCtlBk = RGB(192, 192, 192),
                          COLORREF clrCtlText = RGB(0, 0, 0));
    // The brush and colours set for a WM_CTLCOLORxxx of a dialog or message
    // box, or null when none were set or the control keeps its own colours.
    HBRUSH DialogCtlColor(HDC hdc, UINT nCtlColor) const;

    // The handle map.
    CWnd* LookupWindow(HWND hWnd) const;
    void BindWindow(HWND hWnd, CWnd* pWnd);
    void UnbindWindow(HWND hWnd, CWnd* pWnd);
    CWnd* TemporaryWindow(HWND hWnd);
    void DeleteTemporaryWindows();
    size_t TemporaryWindowCount() const { return m_temporaryWindows.size(); }

protected:
    DECLARE_MESSAGE_MAP()

private:
    bool m_bLibrary = false;
    std::unordered_map<HWND, CWnd*> m_windows;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> m_temporaryWindows;
    CBrush m_dialogBrush;
    COLORREF m_clrDialogText = 0;
    COLORREF m_clrDialogBk = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The module (program or library) that holds the framework's code.
HINSTANCE AfxGetInstanceHandle();
// The module whose resources dialogs, menus and strings come from.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);

// A string of the resource module's string table; empty when missing.
std::string AfxLoadString(UINT nID);
// The string nID with %1 and %2 replaced.
std::string AfxFormatString2(UINT nID, const char* lpsz1, const char* lpsz2);

// A message box titled with the application's title; plain OK boxes carry
// the exclamation icon.
int AfxMessageBox(const char* lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK);

// Entry points: the program's WinMain and a library's DllMain call these.
// (WinMain itself stays in the program: the runtime that calls it is linked
// after the framework's library, which is not searched again.)
int AfxWinMain(HINSTANCE hInstance, const char* lpCmdLine, int nCmdShow);
BOOL AfxDllMain(HINSTANCE hInstance, DWORD dwReason);
