#pragma once

#include "framework/Wnd.h"

// Control-bar ids: the toolbar and the status bar share the ids of the
// commands that show and hide them.
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;

// Control-bar styles (the low bits; the window style carries the rest).
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_BORDER_TOP = 0x0200;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_SIZE_DYNAMIC = 0x0040;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;

// A bar along a side of a frame (a toolbar, a status bar). The frame lays
// the bars out and gives the rest of its client area to its client window.
class CControlBar : public CWnd {
    DECLARE_DYNAMIC(CControlBar)
public:
    DWORD GetBarStyle() const { return m_dwStyle; }
    void SetBarStyle(DWORD dwStyle) { m_dwStyle = dwStyle; }
    // Sides the bar may be docked on (CBRS_ALIGN_...).
    void EnableDocking(DWORD dwDockStyle) { m_dwDockStyle = dwDockStyle; }
    DWORD GetDockStyle() const { return m_dwDockStyle; }
    // The height the bar needs at the given width.
    virtual int CalcHeight(int nWidth) = 0;
    // Updates the bar's command states (idle time).
    virtual void OnUpdateCmdUI(CWnd* pTarget) = 0;
    // The frame moved to a monitor of another scale: a bar that draws
    // something of its own at a fixed size redraws it at the new scale.
    virtual void OnDpiChanged(UINT) {}

protected:
    DECLARE_MESSAGE_MAP()
    LRESULT OnIdleUpdateCmdUI(WPARAM, LPARAM);
    DWORD m_dwStyle = 0;
    DWORD m_dwDockStyle = 0;
};
