#pragma once

#include "framework/Wnd.h"

class CView;
class CDocument;

// A frame window: menu, accelerators, the active view, and the command
// routing that starts at the active view.
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

protected:
    DECLARE_MESSAGE_MAP()
    // Asks each item's update handler for its state as the popup opens.
    void OnInitMenuPopup(HMENU hPopup, UINT nIndex, BOOL bSysMenu);
    void PostNcDestroy() override;

    UINT m_nIDResource = 0;
    HMENU m_hMenuDefault = nullptr;

private:
    CView* m_pViewActive = nullptr;
};
