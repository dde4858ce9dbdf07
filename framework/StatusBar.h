#pragma once

#include "framework/ControlBar.h"
#include "framework/Dpi.h"
#include "base/Handle.h"

#include <string>
#include <vector>

// A status bar of the common controls. Pane 0 (ID_SEPARATOR) takes the
// width the other panes leave; indicator panes show their string while
// their key is toggled on (CAP, NUM, SCRL).
class CStatusBar : public CControlBar {
    DECLARE_DYNAMIC(CStatusBar)
public:
    bool Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                UINT nID = AFX_IDW_STATUS_BAR);
    bool SetIndicators(const UINT* lpIDArray, int nIDCount);
    int GetCount() const { return int(m_panes.size()); }
    UINT GetItemID(int nIndex) const { return m_panes.at(size_t(nIndex)).id; }
    void SetPaneText(int nIndex, const char* lpszText, bool bUpdate = true);
    std::string GetPaneText(int nIndex) const;

    int CalcHeight(int nWidth) override;
    void OnUpdateCmdUI(CWnd* pTarget) override;
    // Takes the status font of the new scale and measures the panes again.
    void OnDpiChanged(UINT nDpi) override;

protected:
    DECLARE_MESSAGE_MAP()
    void OnSize(UINT nType, int cx, int cy);

private:
    struct Pane {
        UINT id;
        int width;
        std::string text; // an indicator's text when its key is on
    };
    std::vector<Pane> m_panes;
    CFontHandle m_font;            // set when the scale changed; else the control's own
    UINT m_nDpi = AFX_DEFAULT_DPI; // the scale the panes are measured for
    void MeasurePanes();
    void LayoutPanes();
};
