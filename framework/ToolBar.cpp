#include "framework/ToolBar.h"

#include "framework/CmdUI.h"
#include "framework/WinApp.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
END_MESSAGE_MAP()

namespace {
// A button's state, set through the toolbar's messages.
class CToolCmdUI : public CCmdUI {
public:
    void Enable(bool bOn) override {
        m_pOther->SendMessage(TB_ENABLEBUTTON, m_nID, MAKELPARAM(bOn ? TRUE : FALSE, 0));
        m_bEnableChanged = true;
    }
    void SetCheck(int nCheck) override {
        m_pOther->SendMessage(TB_CHECKBUTTON, m_nID, MAKELPARAM(nCheck ? TRUE : FALSE, 0));
    }
    void SetText(const char*) override {}
};
} // namespace

bool CToolBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    m_dwStyle = dwStyle & 0xFFFF;
    DWORD style = (dwStyle & 0xFFFF0000) | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP;
    const RECT empty{0, 0, 0, 0};
    if (!CreateEx(0, TOOLBARCLASSNAMEA, nullptr, style, empty, pParentWnd, nID))
        return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    return true;
}

bool CToolBar::LoadBitmap(UINT nIDResource, int cx, int cy) {
    HINSTANCE hResource = AfxGetResourceHandle();
    HRSRC hInfo = FindResourceA(hResource, MAKEINTRESOURCEA(nIDResource), MAKEINTRESOURCEA(2));
    if (hInfo == nullptr)
        return false;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    // The bitmap's width says how many images it holds.
    BITMAP info{};
    if (HBITMAP probe = static_cast<HBITMAP>(
            LoadImageA(hResource, MAKEINTRESOURCEA(nIDResource), IMAGE_BITMAP, 0, 0, 0))) {
        GetObjectA(probe, sizeof info, &info);
        DeleteObject(probe);
    }
    m_nImages = cx > 0 ? info.bmWidth / cx : 0;
    TBADDBITMAP add{hResource, nIDResource};
    return SendMessage(TB_ADDBITMAP, WPARAM(m_nImages), reinterpret_cast<LPARAM>(&add)) != -1;
}

bool CToolBar::SetButtons(const UINT* lpIDArray, int nIDCount) {
    while (SendMessage(TB_DELETEBUTTON, 0) != 0) {
    }
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (int i = 0; i < nIDCount; ++i) {
        TBBUTTON button{};
        button.idCommand = int(lpIDArray[i]);
        if (lpIDArray[i] == 0) {
            button.fsStyle = TBSTYLE_SEP;
        } else {
            button.iBitmap = image++;
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = TBSTYLE_BUTTON;
        }
        buttons.push_back(button);
    }
    const bool added = SendMessage(TB_ADDBUTTONSA, WPARAM(buttons.size()),
                                   reinterpret_cast<LPARAM>(buttons.data())) != 0;
    SendMessage(TB_AUTOSIZE);
    return added;
}

int CToolBar::GetCount() const {
    return int(SendMessage(TB_BUTTONCOUNT));
}

UINT CToolBar::GetItemID(int nIndex) const {
    TBBUTTON button{};
    SendMessage(TB_GETBUTTON, WPARAM(nIndex), reinterpret_cast<LPARAM>(&button));
    return UINT(button.idCommand);
}

int CToolBar::CalcHeight(int) {
    SendMessage(TB_AUTOSIZE);
    const RECT rect = GetWindowRect();
    return rect.bottom - rect.top;
}

void CToolBar::OnUpdateCmdUI(CWnd* pTarget) {
    const int count = GetCount();
    for (int i = 0; i < count; ++i) {
        const UINT id = GetItemID(i);
        if (id == 0)
            continue;
        CToolCmdUI state;
        state.m_nID = id;
        state.m_nIndex = UINT(i);
        state.m_pOther = this;
        state.DoUpdate(pTarget, true);
    }
}
