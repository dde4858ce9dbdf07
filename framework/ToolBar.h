#pragma once

#include "framework/ControlBar.h"
#include "base/Handle.h"

#include <commctrl.h>

#include <vector>

// One bitmap resource of the button images, each cx by cy pixels, drawn for
// a display scale (dots per inch; 96 is 100%).
struct CToolBarImages {
    UINT nDpi;
    UINT nIDResource;
    int cx;
    int cy;
};

using CImageListHandle = UniqueHandle<handle_traits::NullIsInvalid<HIMAGELIST, ImageList_Destroy>>;

// A toolbar of the common controls: buttons from one bitmap of equally
// sized images, separators for id 0. It answers its tooltips itself and
// shows its fly-by prompts through its frame, both from the command strings;
// button states come from the update handlers. Given the images at several
// scales, it shows those of its monitor's scale.
class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    bool Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CBRS_TOP,
                UINT nID = AFX_IDW_TOOLBAR);
    // The same images at several scales, by rising scale: the toolbar takes
    // those of the smallest scale not below its own (the largest beyond all).
    bool LoadBitmaps(const CToolBarImages* pSets, int nCount);
    // One button per id, images in order; 0 gives a separator.
    bool SetButtons(const UINT* lpIDArray, int nIDCount);
    int GetCount() const;
    UINT GetItemID(int nIndex) const;

    int CalcHeight(int nWidth) override;
    void OnUpdateCmdUI(CWnd* pTarget) override;
    // Takes the images of the new scale; buttons and height follow them.
    void OnDpiChanged(UINT nDpi) override;

protected:
    DECLARE_MESSAGE_MAP()
    // A button's tooltip, asked by the control's tooltip window: the
    // command string after its line break.
    void OnToolTipText(NMHDR* pNMHDR, LRESULT* pResult);
    // The hot button changed: its prompt in the frame's status pane 0, the
    // idle text once the mouse left the buttons.
    void OnHotItemChange(NMHDR* pNMHDR, LRESULT* pResult);

private:
    bool UseImagesFor(UINT nDpi);

    std::vector<CToolBarImages> m_sets;
    CImageListHandle m_images; // the toolbar shows them but does not own them
    SIZE m_padding{0, 0};      // of a button around its image, at 100%
};
