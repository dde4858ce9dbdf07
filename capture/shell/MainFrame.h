#pragma once

#include "framework/MDIFrameWnd.h"
#include "framework/StatusBar.h"
#include "framework/ToolBar.h"

// The program's main window: the MDI frame with its toolbar and status bar.
class CMainFrame : public CMDIFrameWnd {
    DECLARE_DYNAMIC(CMainFrame)
public:
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CToolBar& GetToolBar() { return m_wndToolBar; }

protected:
    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    void OnMove(int x, int y);
    void OnPaletteChanged(CWnd*) {}
    BOOL OnQueryEndSession();

    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
};
