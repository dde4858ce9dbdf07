#pragma once

#include "framework/Wnd.h"

class CView;
class CDocument;
class CControlBar;
class CCmdUI;

// The id of the window that fills what a frame's bars leave: a frame's view,
// or an MDI frame's client.
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;

// A frame window: menu, accelerators, the active view, and the command
// routing that starts at the active view. It hosts the control bars: lays
// them out along its sides around the pane, shows the message text and the
// menus' fly-by prompts in status pane 0, and follows a change of scale.
class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    HACCEL m_hAccelTable = nullptr;
    // Menu items without an update or command handler are shown disabled.
    bool m_bAutoMenuEnable = true;

    // Creates the frame with the menu, accelerators, icon and title of the
    // resource nIDResource (the title is the string nIDResource up to its
    // first line break).
    virtual bool LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW,
                           CWnd* pParentWnd = nullptr);
    bool LoadAccelTable(UINT nIDResource);

    virtual CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pView) { m_pViewActive = pView; }
    virtual CDocument* GetActiveDocument();
    // The frame whose view is active: this frame, or an MDI frame's active child.
    virtual CFrameWnd* GetActiveFrame() { return this; }

    // The active view, this frame, then the application.
    bool OnCmdMsg(const CommandMessage& command) override;
    bool PreTranslateMessage(MSG* pMsg) override;

    // Routes a command within this frame: the active view (and its
    // document), then the frame itself.
    bool RouteWithinFrame(const CommandMessage& command);

    // Control bars: found among the frame's children by their ids.
    CControlBar* GetControlBar(UINT nID) const;
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }
    // Docks the bar on the first side both allow, the top first.
    void DockControlBar(CControlBar* pBar);
    void ShowControlBar(CControlBar* pBar, bool bShow);
    // Places the bars and gives the rest of the client area to the pane.
    void RecalcLayout();

    // Status pane 0, repainted at once: a text, or the prompt of a command
    // (its string up to the line break); AFX_IDS_IDLEMESSAGE shows the idle text.
    void SetMessageText(const char* lpszText);
    void SetMessageText(UINT nID);

protected:
    DECLARE_MESSAGE_MAP()
    // Asks each item's update handler for its state as the popup opens.
    void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu);
    void PostNcDestroy() override;
    // The pane gets what the bars leave, not the whole client area.
    void OnSize(UINT nType, int cx, int cy);
    void OnMenuSelect(UINT nItemID, UINT nFlags, HMENU hSysMenu);
    // View > Toolbar and Status Bar. A frame without the bar (an MDI child)
    // answers for the frame around it.
    void OnBarCheck(UINT nID);
    void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
    // Moved to a monitor of another scale, or the scale changed: the bars
    // redraw themselves at the new scale, the frame takes the rectangle the
    // system suggests, and the active view is told last.
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);

    UINT m_nIDResource = 0;
    HMENU m_hMenuDefault = nullptr;

private:
    CView* m_pViewActive = nullptr;
    DWORD m_dwDockStyle = 0;
};
