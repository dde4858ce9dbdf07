// The driver's dialogs (the card's configuration library, driven as the
// card's driver drives it) and the compressor chooser.

#include <cstring>

#include "CaptureWindow.h"
#include "CaptureWindowHandlers.h"
#include "contract/ConfigDialogExports.h"

namespace {

// Keeps the program's top-level window disabled while a driver dialog runs,
// so that the dialog is modal for the whole program whatever the library
// does with the child window it is given; restored as it was found.
class TopLevelDisabled {
public:
    explicit TopLevelDisabled(HWND window)
        : m_topLevel(GetAncestor(window, GA_ROOT)),
          m_wasEnabled(m_topLevel != nullptr && IsWindowEnabled(m_topLevel)) {
        if (m_wasEnabled) {
            EnableWindow(m_topLevel, FALSE);
        }
    }
    ~TopLevelDisabled() {
        if (m_wasEnabled && IsWindow(m_topLevel)) {
            EnableWindow(m_topLevel, TRUE);
        }
    }
    TopLevelDisabled(const TopLevelDisabled&) = delete;
    TopLevelDisabled& operator=(const TopLevelDisabled&) = delete;

private:
    HWND m_topLevel;
    bool m_wasEnabled;
};

// The configuration library from the device's own folder.
UniqueModule LoadDialogLibrary(CaptureWindowState& s) {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(DeviceModule(), path, MAX_PATH);
    char* slash = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
    constexpr char kLibrary[] = "tunerprops.dll";
    if (slash == nullptr || (slash + 1 - path) + sizeof kLibrary > MAX_PATH) {
        s.ReportError(IDS_CAP_DRIVER_ERROR, "The driver's dialog library cannot be found.");
        return UniqueModule();
    }
    std::memcpy(slash + 1, kLibrary, sizeof kLibrary);
    UniqueModule library(LoadLibraryA(path));
    if (!library) {
        s.ReportErrorf(IDS_CAP_DRIVER_ERROR,
                       "The driver's dialogs are not available: %s could not be loaded.", path);
    }
    return library;
}

} // namespace

LRESULT OnDriverDialog(CaptureWindowState& s, TunerSheetMode sheetMode) {
    if (!s.IsConnected() || !s.link.driver->HasDialogs() || IsCapturing(s)) {
        return FALSE;
    }
    s.ClearShownError();
    const UniqueModule library = LoadDialogLibrary(s);
    if (!library) {
        return FALSE;
    }
    auto create = ProcAddress<CreateConfigDialogFn>(library.Get(), "CreateConfigDialog");
    auto run = ProcAddress<DoConfigDialogFn>(library.Get(), "DoConfigDialog");
    auto destroy = ProcAddress<DestroyConfigDialogFn>(library.Get(), "DestroyConfigDialog");
    if (create == nullptr || run == nullptr || destroy == nullptr) {
        char path[MAX_PATH] = "";
        GetModuleFileNameA(library.Get(), path, MAX_PATH);
        s.ReportErrorf(IDS_CAP_DRIVER_ERROR,
                       "The driver's dialogs are not available: %s lacks its entry points.", path);
        return FALSE;
    }
    {
        const TopLevelDisabled modal(s.Window());
        create(static_cast<int>(sheetMode), s.Window());
        run();
        destroy();
    }
    if (!s.WindowAlive()) {
        return FALSE; // closed while the sheet ran
    }
    // The sheet signals its last changes as it closes; take them up now so
    // that the caller sees the new image size.
    PollSettingsEvent(s);
    return TRUE;
}

LRESULT OnVideoCompressionDialog(CaptureWindowState& s) {
    if (!s.IsConnected() || IsCapturing(s)) {
        return FALSE;
    }
    COMPVARS choice{};
    choice.cbSize = sizeof choice;
    choice.dwFlags = ICMF_COMPVARS_VALID;
    choice.fccHandler = s.setup.compressorHandler;
    BITMAPINFO input{};
    input.bmiHeader = s.VideoFormat();
    const BOOL chosen = ICCompressorChoose(s.Window(), ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_KEYFRAME,
                                           &input, nullptr, &choice, nullptr);
    if (!chosen) {
        return FALSE; // cancelled
    }
    if (s.WindowAlive()) {
        s.setup.compressorHandler = choice.fccHandler;
    }
    ICCompressorFree(&choice);
    return TRUE;
}
