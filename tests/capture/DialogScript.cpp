#include "DialogScript.h"

#include <commdlg.h>
#include <dlgs.h>

namespace {

struct Run {
    std::function<void(HWND)> script;
    bool ran = false;
    int ticksAfter = 0;
    bool stuck = false; // a dialog stayed up after the script
};
constexpr int kPatienceTicks = 30;
Run* g_pRun = nullptr;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam) {
    char name[16] = {};
    GetClassNameA(hWnd, name, sizeof name);
    if (std::string(name) == "#32770" && IsWindowVisible(hWnd) && IsWindowEnabled(hWnd)) {
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK OnScriptTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr || g_pRun == nullptr)
        return;
    if (g_pRun->ran) {
        // A dialog the script did not end (a prompt, say) is cancelled, so the test goes on.
        if (++g_pRun->ticksAfter >= kPatienceTicks) {
            g_pRun->stuck = true;
            EndDialogWith(dialog, IDCANCEL);
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        return;
    }
    g_pRun->ran = true;
    g_pRun->script(dialog);
}

// The file dialog's file-name box: a combo box in some versions, an edit in others.
int FileNameControl(HWND hDialog) {
    return GetDlgItem(hDialog, cmb13) != nullptr ? cmb13 : edt1;
}

} // namespace

bool RunWithDialog(const std::function<void()>& command, const std::function<void(HWND)>& script) {
    Run run{script};
    g_pRun = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &OnScriptTimer);
    command();
    KillTimer(nullptr, timer);
    g_pRun = nullptr;
    return run.ran && !run.stuck;
}

std::string FileDialogName(HWND hDialog) {
    char text[MAX_PATH] = {};
    GetDlgItemTextA(hDialog, FileNameControl(hDialog), text, sizeof text);
    return text;
}

void FileDialogChoose(HWND hDialog, const std::string& name) {
    SetDlgItemTextA(hDialog, FileNameControl(hDialog), name.c_str());
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
