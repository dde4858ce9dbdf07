#pragma once

#include "framework/FrameWnd.h"

#include <string>

class CMDIChildWnd;

// Frame style: the active document's title follows the frame's own title.
constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

// The main window of a multiple-document program: an MDI client area as the
// pane between its control bars, the menu of the active child (or its own
// when none is active), and command routing through the active child first.
class CMDIFrameWnd : public CFrameWnd {
    DECLARE_DYNAMIC(CMDIFrameWnd)
public:
    HWND m_hWndMDIClient = nullptr;

    bool LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                   CWnd* pParentWnd = nullptr) override;

    CMDIChildWnd* MDIGetActive() const;
    CFrameWnd* GetActiveFrame() override;

    // The active child frame (its view, document, frame), then this frame
    // and the application.
    bool OnCmdMsg(const CommandMessage& command) override;
    bool PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Shows the active child's menu, or the frame's own for null.
    void OnUpdateFrameMenu(HMENU hMenuAlt);
    // "Title - Document" while a child is active, else the title alone.
    void OnUpdateFrameTitle();
    // Called by a child frame that became active or went away.
    void OnChildActivated(CMDIChildWnd* pActive);
    HMENU GetDefaultMenu() const { return m_hMenuDefault; }
    const std::string& GetTitle() const { return m_strTitle; }

protected:
    DECLARE_MESSAGE_MAP()
    int OnCreate(LPCREATESTRUCTA lpCreateStruct);
    void OnDestroy();
    // The child frames go through the MDI client, one by one, as the user's
    // Close makes them go, before the client itself.
    void DestroyChildFrames();
    void OnAppExit();

    std::string m_strTitle;
    bool m_bAddToTitle = false;
    // Set from WM_DESTROY on: the MDI client is going and is no longer asked.
    bool m_bDestroying = false;
};
