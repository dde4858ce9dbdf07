#include "framework/StatusBar.h"

#include "framework/FrameworkResource.h"
#include "framework/Handle.h"
#include "framework/WinApp.h"

#include <commctrl.h>

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

BEGIN_MESSAGE_MAP(CStatusBar, CControlBar)
ON_WM_SIZE()
END_MESSAGE_MAP()

bool CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    m_dwStyle = dwStyle & 0xFFFF;
    const DWORD style = (dwStyle & 0xFFFF0000) | CCS_BOTTOM | SBARS_SIZEGRIP;
    const RECT empty{0, 0, 0, 0};
    return CreateEx(0, STATUSCLASSNAMEA, nullptr, style, empty, pParentWnd, nID);
}

bool CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    m_panes.clear();
    HDC hdc = GetDC(m_hWnd);
    auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ old = font ? SelectObject(hdc, font) : nullptr;
    for (int i = 0; i < nIDCount; ++i) {
        Pane pane{lpIDArray[i], 0, {}};
        if (pane.id != ID_SEPARATOR) {
            pane.text = AfxLoadString(pane.id);
            SIZE extent{};
            GetTextExtentPoint32A(hdc, pane.text.c_str(), int(pane.text.size()), &extent);
            pane.width = extent.cx + 12;
        }
        m_panes.push_back(std::move(pane));
    }
    if (old != nullptr)
        SelectObject(hdc, old);
    ReleaseDC(m_hWnd, hdc);
    LayoutPanes();
    return true;
}

void CStatusBar::LayoutPanes() {
    if (m_panes.empty())
        return;
    const RECT client = GetClientRect();
    std::vector<int> edges(m_panes.size());
    int right = client.right - GetSystemMetrics(SM_CXVSCROLL);
    // The last pane reaches the end; each other pane ends where the next begins.
    for (size_t i = m_panes.size(); i-- > 1;) {
        edges[i - 1] = right - m_panes[i].width;
        right = edges[i - 1];
    }
    edges.back() = -1;
    SendMessage(SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::OnSize(UINT, int, int) {
    Default();
    LayoutPanes();
}

void CStatusBar::SetPaneText(int nIndex, const char* lpszText, bool bUpdate) {
    SendMessage(SB_SETTEXTA, WPARAM(nIndex), reinterpret_cast<LPARAM>(lpszText ? lpszText : ""));
    if (bUpdate)
        UpdateWindow();
}

std::string CStatusBar::GetPaneText(int nIndex) const {
    const auto length = LOWORD(SendMessage(SB_GETTEXTLENGTHA, WPARAM(nIndex)));
    std::string text(size_t(length) + 1, '\0');
    SendMessage(SB_GETTEXTA, WPARAM(nIndex), reinterpret_cast<LPARAM>(text.data()));
    text.resize(length);
    return text;
}

int CStatusBar::CalcHeight(int) {
    SendMessage(WM_SIZE);
    const RECT rect = GetWindowRect();
    return rect.bottom - rect.top;
}

void CStatusBar::OnUpdateCmdUI(CWnd*) {
    // The lock indicators follow their keys' toggle state.
    for (size_t i = 0; i < m_panes.size(); ++i) {
        int key = 0;
        switch (m_panes[i].id) {
        case ID_INDICATOR_CAPS:
            key = VK_CAPITAL;
            break;
        case ID_INDICATOR_NUM:
            key = VK_NUMLOCK;
            break;
        case ID_INDICATOR_SCRL:
            key = VK_SCROLL;
            break;
        default:
            continue;
        }
        const char* shown = (GetKeyState(key) & 1) ? m_panes[i].text.c_str() : "";
        if (GetPaneText(int(i)) != shown)
            SetPaneText(int(i), shown, false);
    }
}
