#pragma once

// Drives the modal dialogs that a command opens on this thread: a script
// runs inside the dialog's modal loop (a timer's), through window messages
// only.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

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
