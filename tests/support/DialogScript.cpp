#include "DialogScript.h"

#include <commdlg.h>
#include <dlgs.h>

namespace {

struct Run {
    const std::vector<DialogStep>& steps;
    HWND dialog = nullptr; // the one the steps run on
    size_t next = 0;
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
    if (g_pRun == nullptr)
        return;
    Run& run = *g_pRun;
    if (run.next > 0 && run.next < run.steps.size() && IsWindow(run.dialog)) {
        run.steps[run.next++](run.dialog);
        return;
    }
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr)
        return;
    if (run.next == 0) {
        run.dialog = dialog;
        run.steps[run.next++](dialog);
        return;
    }
    // A dialog the script did not end (a prompt, say) is cancelled, so the test goes on.
    if (++run.ticksAfter >= kPatienceTicks) {
        run.stuck = true;
        EndDialogWith(dialog, IDCANCEL);
        PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
}

// The file dialog's file-name box: a combo box in some versions, an edit in others.
int FileNameControl(HWND hDialog) {
    return GetDlgItem(hDialog, cmb13) != nullptr ? cmb13 : edt1;
}

} // namespace

bool RunWithDialog(const std::function<void()>& command, const DialogStep& script) {
    return RunWithDialog(command, std::vector<DialogStep>{script});
}

bool RunWithDialog(const std::function<void()>& command, const std::vector<DialogStep>& steps) {
    if (steps.empty())
        return false;
    Run run{steps};
    Run* outer = g_pRun;
    g_pRun = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &OnScriptTimer);
    command();
    KillTimer(nullptr, timer);
    g_pRun = outer;
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
