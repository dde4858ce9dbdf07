#include "framework/ToolBar.h"

#include "framework/CmdUI.h"
#include "framework/Dpi.h"
#include "framework/FrameWnd.h"
#include "framework/FrameworkResource.h"
#include "framework/WinApp.h"

#include <string>

IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

// The tooltip window sends its requests to the toolbar, whatever the button.
BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
ON_NOTIFY_RANGE(TTN_GETDISPINFOA, 0, 0xFFFF, OnToolTipText)
ON_NOTIFY_RANGE(TTN_GETDISPINFOW, 0, 0xFFFF, OnToolTipText)
ON_NOTIFY_REFLECT(TBN_HOTITEMCHANGE, OnHotItemChange)
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

bool CToolBar::LoadBitmaps(const CToolBarImages* pSets, int nCount) {
    if (pSets == nullptr || nCount <= 0)
        return false;
    m_sets.assign(pSets, pSets + nCount);
    if (!m_images) {
        // The control's own padding around a button's image, at 100%.
        const auto padding = DWORD(SendMessage(TB_GETPADDING));
        m_padding = {LOWORD(padding), HIWORD(padding)};
    }
    return UseImagesFor(AfxGetWindowDpi(m_hWnd));
}

bool CToolBar::UseImagesFor(UINT nDpi) {
    if (m_sets.empty())
        return false;
    const CToolBarImages* chosen = &m_sets.back();
    for (const CToolBarImages& set : m_sets) {
        if (set.nDpi >= nDpi) {
            chosen = &set;
            break;
        }
    }
    // The bitmap's greys, black and white become the system's button colours,
    // as for the control's own bitmaps.
    CBitmapHandle bitmap(
        CreateMappedBitmap(AfxGetResourceHandle(), INT_PTR(chosen->nIDResource), 0, nullptr, 0));
    if (!bitmap || chosen->cx <= 0 || chosen->cy <= 0)
        return false;
    BITMAP info{};
    GetObjectA(bitmap.Get(), sizeof info, &info);
    // The bitmap's width says how many images it holds.
    const int count = info.bmWidth / chosen->cx;
    CImageListHandle images(
        ImageList_Create(chosen->cx, chosen->cy, ILC_COLORDDB | ILC_MASK, count, 0));
    if (!images || ImageList_AddMasked(images.Get(), bitmap.Get(), GetSysColor(COLOR_BTNFACE)) < 0)
        return false;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(chosen->cx, chosen->cy));
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
    SendMessage(TB_SETBUTTONSIZE, 0,
                MAKELPARAM(chosen->cx + AfxScaleToDpi(m_padding.cx, nDpi),
                           chosen->cy + AfxScaleToDpi(m_padding.cy, nDpi)));
    // The old list goes only once the control has let go of it.
    m_images = std::move(images);
    SendMessage(TB_AUTOSIZE);
    return true;
}

void CToolBar::OnDpiChanged(UINT nDpi) {
    UseImagesFor(nDpi);
    Invalidate();
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

void CToolBar::OnToolTipText(NMHDR* pNMHDR, LRESULT* pResult) {
    const std::string text = AfxLoadString(UINT(pNMHDR->idFrom));
    const size_t lineBreak = text.find('\n');
    const std::string tip = lineBreak == std::string::npos ? "" : text.substr(lineBreak + 1);
    if (pNMHDR->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(pNMHDR);
        lstrcpynA(info->szText, tip.c_str(), int(sizeof info->szText));
        info->lpszText = info->szText;
        info->hinst = nullptr;
    } else {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(pNMHDR);
        MultiByteToWideChar(CP_ACP, 0, tip.c_str(), -1, info->szText,
                            int(sizeof info->szText / sizeof info->szText[0]));
        info->lpszText = info->szText;
        info->hinst = nullptr;
    }
    *pResult = 0;
}

void CToolBar::OnHotItemChange(NMHDR* pNMHDR, LRESULT* pResult) {
    CFrameWnd* frame = GetParentFrame();
    if (frame != nullptr) {
        const auto* hot = reinterpret_cast<const NMTBHOTITEM*>(pNMHDR);
        frame->SetMessageText((hot->dwFlags & HICF_LEAVING) ? UINT(AFX_IDS_IDLEMESSAGE)
                                                            : UINT(hot->idNew));
    }
    *pResult = 0;
}
