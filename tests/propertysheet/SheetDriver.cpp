#include "SheetDriver.h"

#include <prsht.h>

namespace {
struct PendingScript {
    const char* caption = nullptr;
    const std::function<void(HWND)>* script = nullptr;
    bool ran = false;
};
PendingScript* g_pending = nullptr;
// Whether the script pressed OK or Cancel or closed the sheet. The control
// ends a modal sheet only when its loop next looks, so the window itself
// cannot tell yet.
bool g_endRequested = false;

HWND FindSheet(const char* caption) {
    struct Search {
        const char* caption;
        HWND found;
    } search{caption, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (WindowText(hWnd) == s->caption && ClassName(hWnd) == "#32770") {
                s->found = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CALLBACK OnScriptTimer(HWND, UINT, UINT_PTR idEvent, DWORD) {
    if (g_pending == nullptr || g_pending->ran) {
        KillTimer(nullptr, idEvent);
        return;
    }
    HWND hSheet = FindSheet(g_pending->caption);
    if (hSheet == nullptr || !IsWindowVisible(hSheet))
        return; // not up yet
    KillTimer(nullptr, idEvent);
    g_pending->ran = true;
    g_endRequested = false;
    (*g_pending->script)(hSheet);
    if (!g_endRequested)
        PressButton(hSheet, PSBTN_CANCEL);
}
} // namespace

SheetRun RunModalSheet(const char* caption, const std::function<INT_PTR()>& runSheet,
                       const std::function<void(HWND)>& script) {
    PendingScript pending{caption, &script, false};
    g_pending = &pending;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, &OnScriptTimer);
    SheetRun run;
    run.result = runSheet();
    KillTimer(nullptr, timer);
    g_pending = nullptr;
    run.scriptRan = pending.ran;
    return run;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PressButton(HWND hSheet, int button) {
    if (button == PSBTN_OK || button == PSBTN_CANCEL)
        g_endRequested = true;
    SendMessageA(hSheet, PSM_PRESSBUTTON, WPARAM(button), 0);
    PumpMessages();
}

void CloseSheet(HWND hSheet) {
    g_endRequested = true;
    SendMessageA(hSheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
}

bool IsApplyEnabled(HWND hSheet) {
    constexpr int kApplyButton = 0x3021;
    return IsWindowEnabled(GetDlgItem(hSheet, kApplyButton));
}

std::vector<std::string> TabCaptions(HWND hSheet) {
    HWND hTab = PropSheet_GetTabControl(hSheet);
    std::vector<std::string> captions;
    const int count = int(SendMessageA(hTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[128] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(hTab, TCM_GETITEMA, WPARAM(i), reinterpret_cast<LPARAM>(&item));
        captions.emplace_back(text);
    }
    return captions;
}

int CurrentPageIndex(HWND hSheet) {
    HWND hPage = PropSheet_GetCurrentPageHwnd(hSheet);
    return hPage ? int(PropSheet_HwndToIndex(hSheet, hPage)) : -1;
}

void SelectPage(HWND hSheet, int nIndex) {
    SendMessageA(hSheet, PSM_SETCURSEL, WPARAM(nIndex), 0);
}
