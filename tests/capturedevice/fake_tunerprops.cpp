// Stand-in for the card's configuration library in the device's tests: it
// records each call and runs the test's action in place of a modal sheet.

#include "FakeSheetLog.h"
#include "contract/ConfigDialogExports.h"

#include <cstring>

namespace {

FakeSheetLog g_log;
int g_settingsRecord[32]; // what CreateConfigDialog hands out
HWND g_lastParent = nullptr;

void Record(const char* name, int mode, HWND parent) {
    if (g_log.count >= 16) {
        return;
    }
    if (parent != nullptr) {
        g_lastParent = parent;
    }
    const HWND topLevel = g_lastParent != nullptr ? GetAncestor(g_lastParent, GA_ROOT) : nullptr;
    FakeSheetCall& call = g_log.calls[g_log.count++];
    std::strncpy(call.name, name, sizeof call.name - 1);
    call.sheetMode = mode;
    call.parent = parent;
    call.parentEnabled = parent != nullptr && IsWindowEnabled(parent);
    call.topLevelEnabled = topLevel != nullptr && IsWindowEnabled(topLevel);
}

} // namespace

CDeviceSettings* WINAPI CreateConfigDialog(int sheetMode, HWND parent) {
    Record("CreateConfigDialog", sheetMode, parent);
    return reinterpret_cast<CDeviceSettings*>(g_settingsRecord);
}

int WINAPI DoConfigDialog() {
    Record("DoConfigDialog", 0, nullptr);
    if (g_log.onDoConfigDialog != nullptr) {
        g_log.onDoConfigDialog();
    }
    return IDOK;
}

void WINAPI DestroyConfigDialog() {
    Record("DestroyConfigDialog", 0, nullptr);
}

extern "C" FakeSheetLog* WINAPI FakeSheetLogOf() {
    return &g_log;
}
