#pragma once

#include "framework/ControlBar.h"

#include <vector>

// A toolbar of the common controls: buttons from one bitmap of equally
// sized images, separators for id 0. Tooltips and fly-by prompts come from
// the frame (the command strings); button states from the update handlers.
class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    bool Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                UINT nID = AFX_IDW_TOOLBAR);
    // The bitmap resource of the button images, each cx by cy pixels.
    bool LoadBitmap(UINT nIDResource, int cx = 16, int cy = 15);
    // One button per id, images in order; 0 gives a separator.
    bool SetButtons(const UINT* lpIDArray, int nIDCount);
    int GetCount() const;
    UINT GetItemID(int nIndex) const;

    int CalcHeight(int nWidth) override;
    void OnUpdateCmdUI(CWnd* pTarget) override;

protected:
    DECLARE_MESSAGE_MAP()

private:
    int m_nImages = 0;
};
