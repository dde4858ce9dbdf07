#include "DialogScript.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <prsht.h>

namespace {

struct Run {
    const std::vector<DialogStep>& steps;
    const char* caption = nullptr; // the dialog's; null for the first dialog shown
    bool cancelLeftOpen = false;   // a sheet: cancelled as soon as the script leaves it
    HWND dialog = nullptr;         // the one the steps run on
    size_t next = 0;
    int ticksAfter = 0;
    bool stuck = false; // a dialog stayed up after the script
    // The script pressed OK or Cancel or closed the sheet. The control ends a
    // modal sheet only when its loop next looks, so the window cannot tell yet.
    bool endRequested = false;
};
constexpr int kPatienceTicks = 30;
Run* g_pRun = nullptr;

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<Search*>(lParam);
    if (ClassName(hWnd) == "#32770" && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd) &&
        (search.caption == nullptr || WindowText(hWnd) == search.caption)) {
        search.found = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND ShownDialog(const char* caption) {
    Search search{caption, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void RunStep(Run& run) {
    run.steps[run.next++](run.dialog);
    if (run.next == run.steps.size() && run.cancelLeftOpen && !run.endRequested)
        PressButton(run.dialog, PSBTN_CANCEL);
}

void CALLBACK OnScriptTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_pRun == nullptr)
        return;
    Run& run = *g_pRun;
    if (run.next > 0 && run.next < run.steps.size() && IsWindow(run.dialog)) {
        RunStep(run);
        return;
    }
    if (run.next == run.steps.size() && run.cancelLeftOpen)
        return;
    HWND dialog = ShownDialog(run.caption);
    if (dialog == nullptr)
        return;
    if (run.next == 0) {
        run.dialog = dialog;
        RunStep(run);
        return;
    }
    // A dialog the script did not end (a prompt, say) is cancelled, so the test goes on.
    if (++run.ticksAfter >= kPatienceTicks) {
        run.stuck = true;
        EndDialogWith(dialog, IDCANCEL);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
}

// Runs command() with the run's timer going; an outer run (a dialog opened
// from a dialog's script) is put back after it.
void RunScripted(Run& run, const std::function<void()>& command) {
    Run* outer = g_pRun;
    g_pRun = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &OnScriptTimer);
    command();
    KillTimer(nullptr, timer);
    g_pRun = outer;
}

// The file dialog's file-name box: a combo box in some versions, an edit in others.
int FileNameControl(HWND hDialog) {
    return GetDlgItem(hDialog, cmb13) != nullptr ? cmb13 : edt1;
}

// A message box's text: its static controls' texts.
std::string MessageText(HWND hBox) {
    std::string text;
    for (HWND hChild = GetWindow(hBox, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        if (ClassName(hChild) == "Static")
            text += WindowText(hChild);
    }
    return text;
}

MessageBoxWatch* g_pWatch = nullptr;

void RequestEnd() {
    if (g_pRun != nullptr)
        g_pRun->endRequested = true;
}

} // namespace

bool RunWithDialog(const std::function<void()>& command, const DialogStep& script) {
    return RunWithDialog(command, std::vector<DialogStep>{script});
}

bool RunWithDialog(const std::function<void()>& command, const std::vector<DialogStep>& steps) {
    if (steps.empty())
        return false;
    Run run{steps};
    RunScripted(run, command);
    return run.next == steps.size() && !run.stuck;
}

std::string FileDialogName(HWND hDialog) {
    char text[MAX_PATH] = {};
    GetDlgItemTextA(hDialog, FileNameControl(hDialog), text, sizeof text);
    return text;
}

void FileDialogType(HWND hDialog, const std::string& name) {
    SetDlgItemTextA(hDialog, FileNameControl(hDialog), name.c_str());
}

void FileDialogChoose(HWND hDialog, const std::string& name) {
    FileDialogType(hDialog, name);
    EndDialogWith(hDialog, IDOK);
}

void EndDialogWith(HWND hDialog, int nButton) {
    PostMessageA(hDialog, WM_COMMAND, MAKEWPARAM(nButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDialog, nButton)));
}

std::string SelectedText(HWND hDialog, int nID) {
    const auto index = SendDlgItemMessageA(hDialog, nID, CB_GETCURSEL, 0, 0);
    char text[64] = {};
    if (index >= 0)
        SendDlgItemMessageA(hDialog, nID, CB_GETLBTEXT, WPARAM(index),
                            reinterpret_cast<LPARAM>(text));
    return text;
}

std::string ListEntries(HWND hDialog, int nID) {
    std::string entries;
    const auto count = SendDlgItemMessageA(hDialog, nID, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        char text[64] = {};
        SendDlgItemMessageA(hDialog, nID, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
        entries += (i ? "|" : "") + std::string(text);
    }
    return entries;
}

void PumpWaitingMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

SheetRun RunModalSheet(const char* caption, const std::function<INT_PTR()>& runSheet,
                       const DialogStep& script) {
    const std::vector<DialogStep> steps{script};
    Run run{steps, caption, true};
    SheetRun sheetRun;
    RunScripted(run, [&] { sheetRun.result = runSheet(); });
    sheetRun.scriptRan = run.next == steps.size();
    return sheetRun;
}

void PressButton(HWND hSheet, int button) {
    if (button == PSBTN_OK || button == PSBTN_CANCEL)
        RequestEnd();
    SendMessageA(hSheet, PSM_PRESSBUTTON, WPARAM(button), 0);
    PumpWaitingMessages();
}

void CloseSheet(HWND hSheet) {
    RequestEnd();
    SendMessageA(hSheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpWaitingMessages();
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

MessageBoxWatch::MessageBoxWatch(MessageBoxLog& log, const char* keepCaption)
    : m_log(log), m_keepCaption(keepCaption), m_outer(g_pWatch) {
    g_pWatch = this;
    m_timer = SetTimer(nullptr, 0, 20, &OnTimer);
}

MessageBoxWatch::~MessageBoxWatch() {
    KillTimer(nullptr, m_timer);
    g_pWatch = m_outer;
}

void CALLBACK MessageBoxWatch::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_pWatch != nullptr)
        EnumThreadWindows(GetCurrentThreadId(), &AnswerBox, 0);
}

BOOL CALLBACK MessageBoxWatch::AnswerBox(HWND hWnd, LPARAM) {
    if (ClassName(hWnd) == "#32770" && IsWindowVisible(hWnd) &&
        WindowText(hWnd) != g_pWatch->m_keepCaption) {
        g_pWatch->m_log.Show(MessageText(hWnd).c_str(), 0);
        SendMessageA(hWnd, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
}
