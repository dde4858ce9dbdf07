// The library's entry points, called by the capture card's driver on one
// thread in the order CreateConfigDialog, DoConfigDialog, DestroyConfigDialog.
// Calls out of that order do nothing; a second DoConfigDialog shows the same
// sheet again.
#include "framework/WinApp.h"
#include "contract/ConfigDialogExports.h"
#include "tunerprops/TunerApp.h"
#include "tunerprops/TunerConfigPropertySheet.h"

#include <memory>
#include <new>

namespace {
// The library's application object: the framework's start-up and shut-down
// of the module, nothing of its own.
CTunerApp theApp;

// The state kept between calls. A sheet is destroyed only by
// DestroyConfigDialog: the driver may hold the address of its record, so a
// sheet replaced by the next CreateConfigDialog, or still current when the
// library is unloaded, is let go without being destroyed.
class CurrentSheet {
public:
    ~CurrentSheet() { LetGo(); }
    CTunerConfigPropertySheet* Get() const { return m_pSheet.get(); }
    void Replace(std::unique_ptr<CTunerConfigPropertySheet> pSheet) {
        LetGo();
        m_pSheet = std::move(pSheet);
    }
    void Destroy() { m_pSheet.reset(); }

private:
    void LetGo() { [[maybe_unused]] CTunerConfigPropertySheet* abandoned = m_pSheet.release(); }
    std::unique_ptr<CTunerConfigPropertySheet> m_pSheet;
};

CurrentSheet g_currentSheet;
} // namespace

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID) {
    return AfxDllMain(hInstance, dwReason);
}

extern "C" CDeviceSettings* WINAPI CreateConfigDialog(int sheetMode, HWND hWndParent) {
    // Building the sheet reads the registry (or creates the key) and may set
    // the settings-changed event. A sheet that cannot be allocated leaves no
    // current sheet and a null result: the driver goes on without a dialog.
    g_currentSheet.Replace(
        std::unique_ptr<CTunerConfigPropertySheet>(new (std::nothrow) CTunerConfigPropertySheet(
            "Video Configuration", CWnd::FromHandle(hWndParent), 0, SheetModeFromInt(sheetMode))));
    CTunerConfigPropertySheet* sheet = g_currentSheet.Get();
    return sheet ? &sheet->Settings() : nullptr;
}

extern "C" int WINAPI DoConfigDialog() {
    CTunerConfigPropertySheet* sheet = g_currentSheet.Get();
    // Without a sheet nothing runs, as if the user had cancelled.
    return sheet ? int(sheet->DoModal()) : IDCANCEL;
}

extern "C" void WINAPI DestroyConfigDialog() {
    g_currentSheet.Destroy();
}
