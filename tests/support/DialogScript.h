#pragma once

// Drives the modal dialogs and property sheets that a command opens on this
// thread: a script runs inside the dialog's modal loop (a timer's), through
// window messages only.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "MessageBoxLog.h"
#include "WindowText.h"

using DialogStep = std::function<void(HWND hDialog)>;

// Runs command(), and script(dialog) on the first dialog box it shows; the
// script ends the dialog. False when no dialog came up, or when a dialog
// stayed up after the script (it is then cancelled).
bool RunWithDialog(const std::function<void()>& command, const DialogStep& script);
// The same with steps run one a timer tick on that dialog, for a dialog that
// works between them (a property sheet whose page tells the driver, say);
// the last step ends it.
bool RunWithDialog(const std::function<void()>& command, const std::vector<DialogStep>& steps);

// The common file dialog: the name in its file-name box, and ending it.
std::string FileDialogName(HWND hDialog);
void FileDialogType(HWND hDialog, const std::string& name);
void FileDialogChoose(HWND hDialog, const std::string& name); // types the name, then OK
void EndDialogWith(HWND hDialog, int nButton);                // clicks the button

// The selected entry of a drop-down list, and all its entries joined by '|'.
std::string SelectedText(HWND hDialog, int nID);
std::string ListEntries(HWND hDialog, int nID);

// Processes the messages waiting on this thread.
void PumpWaitingMessages();

// Property sheets, found by their caption (a message box of the sheet's own
// is never taken for it).
struct SheetRun {
    bool scriptRan = false; // false: no sheet with the caption appeared
    INT_PTR result = 0;     // what the call that ran the sheet returned
};

// Calls runSheet, which must run a modal sheet captioned `caption` on this
// thread, and script(sheet) once the sheet is visible. A sheet the script
// leaves open (no OK, Cancel or CloseSheet) is cancelled right after it.
// Without a sheet, runSheet must return by itself.
SheetRun RunModalSheet(const char* caption, const std::function<INT_PTR()>& runSheet,
                       const DialogStep& script);

// PSM_PRESSBUTTON (PSBTN_...), sent; then the messages it caused are processed.
void PressButton(HWND hSheet, int button);
// The system menu's Close.
void CloseSheet(HWND hSheet);
bool IsApplyEnabled(HWND hSheet);
std::vector<std::string> TabCaptions(HWND hSheet);
// The index of the page on top, -1 for none.
int CurrentPageIndex(HWND hSheet);
// Brings the page at nIndex to the top, as a click on its tab does.
void SelectPage(HWND hSheet, int nIndex);

// Message boxes that no application hook sees (a library's own application
// shows them): while it lives, every dialog box shown on this thread but the
// one captioned `keepCaption` is answered OK, its text recorded in the log
// (with type 0: a box on the screen does not tell its flags).
class MessageBoxWatch {
public:
    MessageBoxWatch(MessageBoxLog& log, const char* keepCaption);
    ~MessageBoxWatch();
    MessageBoxWatch(const MessageBoxWatch&) = delete;
    MessageBoxWatch& operator=(const MessageBoxWatch&) = delete;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    static BOOL CALLBACK AnswerBox(HWND hWnd, LPARAM);

    MessageBoxLog& m_log;
    std::string m_keepCaption;
    UINT_PTR m_timer = 0;
    MessageBoxWatch* m_outer = nullptr;
};
