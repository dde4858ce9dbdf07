#include "CaptureWindow.h"

#include <vfw.h>

#include <cstddef>
#include <memory>
#include <optional>

#include "CaptureWindowHandlers.h"
#include "CaptureWindowRegistry.h"
#include "DeviceFaults.h"
#include "contract/CaptureRecords.h"

namespace {

HMODULE g_deviceModule = nullptr;
constexpr const char* kClassName = "ClsCapWin";

LRESULT OnGetUserData(const CaptureWindowState& s) {
    return s.userData;
}

LRESULT OnSetUserData(CaptureWindowState& s, LPARAM data) {
    s.userData = data;
    return TRUE;
}

// The capture messages by feature: each dispatch answers its own messages
// and leaves the rest (nullopt) to the next.
using FeatureDispatch = std::optional<LRESULT> (*)(CaptureWindowState&, UINT, WPARAM, LPARAM);

// Callbacks, user data, the capture file and what the next capture uses.
std::optional<LRESULT> DispatchSetupMessage(CaptureWindowState& s, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    CaptureCallbacks& installed = s.callbacks;
    switch (message) {
    case WM_CAP_SET_CALLBACK_ERRORA:
        return OnSetCallback(s, installed.error, lParam);
    case WM_CAP_SET_CALLBACK_STATUSA:
        return OnSetCallback(s, installed.status, lParam);
    case WM_CAP_SET_CALLBACK_YIELD:
        return OnSetCallback(s, installed.yield, lParam);
    case WM_CAP_SET_CALLBACK_FRAME:
        return OnSetCallback(s, installed.frame, lParam);
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
        return OnSetCallback(s, installed.videoStream, lParam);
    case WM_CAP_SET_CALLBACK_WAVESTREAM:
        return OnSetCallback(s, installed.waveStream, lParam);
    case WM_CAP_SET_CALLBACK_CAPCONTROL:
        return OnSetCallback(s, installed.capControl, lParam);
    case WM_CAP_GET_USER_DATA:
        return OnGetUserData(s);
    case WM_CAP_SET_USER_DATA:
        return OnSetUserData(s, lParam);
    case WM_CAP_FILE_SET_CAPTURE_FILEA:
        return OnSetCaptureFile(s, lParam);
    case WM_CAP_FILE_GET_CAPTURE_FILEA:
        return OnGetCaptureFile(s, wParam, lParam);
    case WM_CAP_FILE_SET_INFOCHUNK:
        return OnSetInfoChunk(s, lParam);
    case WM_CAP_SET_AUDIOFORMAT:
        return OnSetAudioFormat(s, wParam, lParam);
    case WM_CAP_GET_AUDIOFORMAT:
        return OnGetAudioFormat(s, wParam, lParam);
    case WM_CAP_SET_SEQUENCE_SETUP:
        return OnSetSequenceSetup(s, wParam, lParam);
    case WM_CAP_GET_SEQUENCE_SETUP:
        return OnGetSequenceSetup(s, wParam, lParam);
    default:
        return std::nullopt;
    }
}

// The driver: connection, caps, video format and dialogs.
std::optional<LRESULT> DispatchDriverMessage(CaptureWindowState& s, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    switch (message) {
    case WM_CAP_DRIVER_CONNECT:
        return OnDriverConnect(s, wParam);
    case WM_CAP_DRIVER_DISCONNECT:
        return OnDriverDisconnect(s);
    case WM_CAP_DRIVER_GET_NAMEA:
        return OnGetDriverText(s, wParam, lParam, true);
    case WM_CAP_DRIVER_GET_VERSIONA:
        return OnGetDriverText(s, wParam, lParam, false);
    case WM_CAP_DRIVER_GET_CAPS:
        return OnGetCaps(s, wParam, lParam);
    case WM_CAP_GET_VIDEOFORMAT:
        return OnGetVideoFormat(s, wParam, lParam);
    case WM_CAP_SET_VIDEOFORMAT:
        return OnSetVideoFormat(s, wParam, lParam);
    case WM_CAP_DLG_VIDEOFORMAT:
        return OnDriverDialog(s, TunerSheetMode::VideoFormat);
    case WM_CAP_DLG_VIDEOSOURCE:
        return OnDriverDialog(s, TunerSheetMode::VideoSource);
    case WM_CAP_DLG_VIDEODISPLAY:
        return OnDriverDialog(s, TunerSheetMode::VideoDisplay);
    case WM_CAP_DLG_VIDEOCOMPRESSION:
        return OnVideoCompressionDialog(s);
    default:
        return std::nullopt;
    }
}

// Live video, status, single frames and what is made of them.
std::optional<LRESULT> DispatchPictureMessage(CaptureWindowState& s, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    switch (message) {
    case WM_CAP_SET_PREVIEW:
        return OnSetPreview(s, wParam != 0);
    case WM_CAP_SET_OVERLAY:
        return OnSetOverlay(s, wParam != 0);
    case WM_CAP_SET_PREVIEWRATE:
        return OnSetPreviewRate(s, wParam);
    case WM_CAP_SET_SCALE:
        return OnSetScale(s, wParam != 0);
    case WM_CAP_SET_SCROLL:
        return OnSetScroll(s, lParam);
    case WM_CAP_GET_STATUS:
        return OnGetStatus(s, wParam, lParam);
    case WM_CAP_GRAB_FRAME:
        return OnGrabFrame(s, true);
    case WM_CAP_GRAB_FRAME_NOSTOP:
        return OnGrabFrame(s, false);
    case WM_CAP_FILE_SAVEASA:
        return OnSaveAs(s, lParam);
    case WM_CAP_FILE_SAVEDIBA:
        return OnSaveDib(s, lParam);
    case WM_CAP_EDIT_COPY:
        return OnEditCopy(s);
    default:
        return std::nullopt;
    }
}

// Sequence capture and its end.
std::optional<LRESULT> DispatchSequenceMessage(CaptureWindowState& s, UINT message, WPARAM,
                                               LPARAM) {
    switch (message) {
    case WM_CAP_SEQUENCE:
        return OnSequenceCommand(s, SequenceCommand::Sequence);
    case WM_CAP_SEQUENCE_NOFILE:
        return OnSequenceCommand(s, SequenceCommand::SequenceNoFile);
    case WM_CAP_STOP:
        return OnSequenceCommand(s, SequenceCommand::Stop);
    case WM_CAP_ABORT:
        return OnSequenceCommand(s, SequenceCommand::Abort);
    default:
        return std::nullopt;
    }
}

constexpr FeatureDispatch kFeatureDispatches[] = {&DispatchSetupMessage, &DispatchDriverMessage,
                                                  &DispatchPictureMessage,
                                                  &DispatchSequenceMessage};

// The one dispatch of the capture messages.
LRESULT DispatchCaptureMessage(CaptureWindowState& s, UINT message, WPARAM wParam, LPARAM lParam) {
    for (FeatureDispatch dispatch : kFeatureDispatches) {
        if (const std::optional<LRESULT> result = dispatch(s, message, wParam, lParam)) {
            return *result;
        }
    }
    // WM_CAP_GET_CAPSTREAMPTR, WM_CAP_FILE_ALLOCATE and the rest of the
    // range: capture messages this device does not offer.
    return FALSE;
}

// The window as the faults see it: its state, and the one dispatch above as
// its own answer to a message.
class FaultedWindow final : public FaultTarget {
public:
    explicit FaultedWindow(CaptureWindowState& s) : m_s(s) {}
    bool IsConnected() const override { return m_s.IsConnected(); }
    int DriverIndex() const override { return m_s.DriverIndex(); }
    const BITMAPINFOHEADER& VideoFormat() const override { return m_s.VideoFormat(); }
    void ReportStatus(int id, const char* text) const override { m_s.ReportStatus(id, text); }
    void ReportError(int id, const char* text) override { m_s.ReportError(id, text); }
    FaultMemory& Memory() override { return m_s.faultMemory; }
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam) override {
        return DispatchCaptureMessage(m_s, message, wParam, lParam);
    }

private:
    CaptureWindowState& m_s;
};

void OnNcDestroy(HWND window) {
    KillTimer(window, kLiveVideoTimer);
    CaptureWindowRegistry::Detach(window);
}

LRESULT CALLBACK CaptureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        CaptureWindowRegistry::Attach(window);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // Held for the whole message: a callback or a nested message loop may
    // destroy the window meanwhile.
    const std::shared_ptr<CaptureWindowState> state = CaptureWindowRegistry::Find(window);
    if (state == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message >= WM_CAP_START && message <= WM_CAP_END) {
        PollSettingsEvent(*state);
        FaultedWindow faulted(*state);
        return DispatchWithFaults(faulted, message, wParam, lParam);
    }
    switch (message) {
    case WM_NCDESTROY:
        OnNcDestroy(window);
        break;
    case WM_TIMER:
        if (wParam == kLiveVideoTimer) {
            OnLiveTick(*state);
            return 0;
        }
        break;
    case WM_PAINT:
        Paint(*state);
        return 0;
    case WM_PRINTCLIENT: // what PrintWindow and WM_PRINT ask for
        DrawFrame(*state, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1; // painting covers the whole window
    case WM_QUERYNEWPALETTE:
        return FALSE; // no palette: the frames are true colour
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterCaptureClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(DeviceModule(), kClassName, &wc)) {
        return true;
    }
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = CaptureWindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = DeviceModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

} // namespace

void SetDeviceModule(HMODULE module) {
    g_deviceModule = module;
}

void UnregisterCaptureWindowClass() {
    UnregisterClassA(kClassName, DeviceModule());
}

HMODULE DeviceModule() {
    if (g_deviceModule == nullptr) {
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&SetDeviceModule), &g_deviceModule);
    }
    return g_deviceModule;
}

HWND CreateCaptureWindow(const char* name, DWORD style, int x, int y, int width, int height,
                         HWND parent, int id) {
    if (!RegisterCaptureClass()) {
        return nullptr;
    }
    // A child needs its identifier in the menu argument; a top-level window
    // has no menu.
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
    return CreateWindowExA(0, kClassName, name != nullptr ? name : "", style, x, y, width, height,
                           parent, menu, DeviceModule(), nullptr);
}
