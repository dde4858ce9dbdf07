#include "framework/StatusBar.h"

#include "framework/Dpi.h"
#include "framework/FrameworkResource.h"
#include "base/Handle.h"
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
    if (!CreateEx(0, STATUSCLASSNAMEA, nullptr, style, empty, pParentWnd, nID))
        return false;
    m_nDpi = AfxGetWindowDpi(m_hWnd);
    return true;
}

bool CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount) {
    m_panes.clear();
    for (int i = 0; i < nIDCount; ++i) {
        Pane pane{lpIDArray[i], 0, {}};
        if (pane.id != ID_SEPARATOR)
            pane.text = AfxLoadString(pane.id);
        m_panes.push_back(std::move(pane));
    }
    MeasurePanes();
    LayoutPanes();
    return true;
}

void CStatusBar::MeasurePanes() {
    HDC hdc = GetDC(m_hWnd);
    auto font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ old = font ? SelectObject(hdc, font) : nullptr;
    // The text and a margin on either side, at the bar's scale.
    const int margin = AfxScaleToDpi(12, m_nDpi);
    for (Pane& pane : m_panes) {
        if (pane.id == ID_SEPARATOR)
            continue;
        SIZE extent{};
        GetTextExtentPoint32A(hdc, pane.text.c_str(), int(pane.text.size()), &extent);
        pane.width = extent.cx + margin;
    }
    if (old != nullptr)
        SelectObject(hdc, old);
    ReleaseDC(m_hWnd, hdc);
}

void CStatusBar::LayoutPanes() {
    if (m_panes.empty())
        return;
    const RECT client = GetClientRect();
    std::vector<int> edges(m_panes.size());
    // The size grip takes the width of a scroll bar at the bar's scale.
    int right = client.right - AfxGetSystemMetricsForDpi(SM_CXVSCROLL, m_nDpi);
    // The last pane reaches the end; each other pane ends where the next begins.
    for (size_t i = m_panes.size(); i-- > 1;) {
        edges[i - 1] = right - m_panes[i].width;
        right = edges[i - 1];
    }
    edges.back() = -1;
    SendMessage(SB_SETPARTS, WPARAM(edges.size()), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::OnDpiChanged(UINT nDpi) {
    m_nDpi = nDpi;
    const LOGFONTW font = AfxGetStatusFontForDpi(nDpi);
    CFontHandle scaled(CreateFontIndirectW(&font));
    if (scaled) {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(scaled.Get()), FALSE);
        // The old font goes only once the control has let go of it.
        m_font = std::move(scaled);
    }
    MeasurePanes();
    LayoutPanes();
    Invalidate();
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
