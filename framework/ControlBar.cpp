#include "framework/ControlBar.h"

#include "framework/FrameWnd.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

LRESULT CControlBar::OnIdleUpdateCmdUI(WPARAM, LPARAM) {
    if (IsWindowVisible()) {
        CWnd* target = GetParentFrame();
        OnUpdateCmdUI(target != nullptr ? target : GetParent());
    }
    return 0;
}
