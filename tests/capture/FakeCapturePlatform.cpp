#include "FakeCapturePlatform.h"

#include <cstring>

namespace {
FakeCapturePlatform* g_pFake = nullptr;
constexpr const char* kClassName = "FakeCaptureWindow";
} // namespace

FakeCapturePlatform::FakeCapturePlatform(std::vector<FakeDriver> drivers)
    : m_drivers(std::move(drivers)), m_pPrevious(CCapturePlatform::Replace(this)) {
    g_pFake = this;
    WNDCLASSA wc{};
    wc.lpfnWndProc = &WindowProcedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // fails harmlessly when registered by an earlier test
}

FakeCapturePlatform::~FakeCapturePlatform() {
    CCapturePlatform::Replace(m_pPrevious);
    g_pFake = nullptr;
}

const FakeDriver* FakeCapturePlatform::FindDriver(int index) const {
    for (const FakeDriver& driver : m_drivers) {
        if (driver.index == index)
            return &driver;
    }
    return nullptr;
}

HWND FakeCapturePlatform::CreateCaptureWindow(const char* lpszWindowName, DWORD dwStyle, int x,
                                              int y, int nWidth, int nHeight, HWND hWndParent,
                                              int nID) {
    HWND hWnd =
        CreateWindowExA(0, kClassName, lpszWindowName, dwStyle, x, y, nWidth, nHeight, hWndParent,
                        reinterpret_cast<HMENU>(INT_PTR(nID)), GetModuleHandleA(nullptr), nullptr);
    m_creations.push_back({lpszWindowName ? lpszWindowName : "(null)", dwStyle, x, y, nWidth,
                           nHeight, hWndParent, nID, hWnd});
    m_windows[hWnd] = WindowState{};
    return hWnd;
}

bool FakeCapturePlatform::GetDriverDescription(UINT wDriverIndex, char* lpszName, int cbName,
                                               char* lpszVer, int cbVer) {
    m_descriptionQueries.push_back(wDriverIndex);
    // The buffers must be as large as the platform's names may be.
    EXPECT_EQ(cbName, 80);
    EXPECT_EQ(cbVer, 80);
    const FakeDriver* driver = FindDriver(int(wDriverIndex));
    if (driver == nullptr)
        return false;
    lstrcpynA(lpszName, driver->name.c_str(), cbName);
    lstrcpynA(lpszVer, "Version 1.0", cbVer);
    return true;
}

LRESULT CALLBACK FakeCapturePlatform::WindowProcedure(HWND hWnd, UINT message, WPARAM wParam,
                                                      LPARAM lParam) {
    const bool capture = message >= WM_CAP_START && message <= WM_CAP_END;
    if (g_pFake != nullptr && (capture || message == WM_QUERYNEWPALETTE)) {
        g_pFake->m_recorder.Record(hWnd, message, wParam, lParam);
        if (capture)
            return g_pFake->OnCaptureMessage(hWnd, message, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

LRESULT FakeCapturePlatform::OnCaptureMessage(HWND hWnd, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    WindowState& state = m_windows[hWnd];
    switch (message) {
    case WM_CAP_DRIVER_CONNECT:
        // A new connection replaces the previous one, failed or not.
        state.driver = FindDriver(int(wParam));
        state.preview = state.overlay = FALSE;
        return state.driver != nullptr;
    case WM_CAP_DRIVER_GET_CAPS: {
        if (state.driver == nullptr || wParam < sizeof(CAPDRIVERCAPS))
            return FALSE;
        auto* caps = reinterpret_cast<CAPDRIVERCAPS*>(lParam);
        std::memset(caps, 0, sizeof *caps);
        caps->wDeviceIndex = UINT(state.driver->index);
        caps->fHasOverlay = state.driver->hasOverlay;
        caps->fCaptureInitialized = TRUE;
        return TRUE;
    }
    case WM_CAP_GET_STATUS: {
        if (wParam < sizeof(CAPSTATUS))
            return FALSE;
        auto* status = reinterpret_cast<CAPSTATUS*>(lParam);
        std::memset(status, 0, sizeof *status);
        if (state.driver != nullptr) {
            status->uiImageWidth = state.driver->width;
            status->uiImageHeight = state.driver->height;
            status->fScale = state.driver->scale;
        }
        status->fLiveWindow = state.preview;
        status->fOverlayWindow = state.overlay;
        return TRUE;
    }
    case WM_CAP_GET_SEQUENCE_SETUP: {
        if (wParam < sizeof(CAPTUREPARMS))
            return FALSE;
        auto* parms = reinterpret_cast<CAPTUREPARMS*>(lParam);
        std::memset(parms, 0, sizeof *parms);
        parms->dwRequestMicroSecPerFrame = 66667;
        parms->wPercentDropForError = 10;
        parms->dwIndexSize = 34952;
        return TRUE;
    }
    case WM_CAP_SET_PREVIEW:
        state.preview = wParam != 0 && state.driver != nullptr;
        if (state.preview)
            state.overlay = FALSE;
        return state.driver != nullptr;
    case WM_CAP_SET_OVERLAY:
        state.overlay = wParam != 0 && state.driver != nullptr && state.driver->hasOverlay;
        if (state.overlay)
            state.preview = FALSE;
        return state.driver != nullptr && state.driver->hasOverlay;
    case WM_CAP_SET_CALLBACK_STATUSA:
        state.statusCallback = reinterpret_cast<CAPSTATUSCALLBACKA>(lParam);
        return TRUE;
    case WM_CAP_SET_CALLBACK_ERRORA:
        state.errorCallback = reinterpret_cast<CAPERRORCALLBACKA>(lParam);
        return TRUE;
    case WM_CAP_GET_AUDIOFORMAT:
    case WM_CAP_SET_AUDIOFORMAT:
    case WM_CAP_FILE_SET_INFOCHUNK:
    case WM_CAP_SET_SEQUENCE_SETUP:
    case WM_CAP_GET_VIDEOFORMAT:
        return OnCaptureCommandMessage(state, message, wParam, lParam);
    default:
        return TRUE;
    }
}

LRESULT FakeCapturePlatform::OnCaptureCommandMessage(WindowState& state, UINT message,
                                                     WPARAM wParam, LPARAM lParam) {
    auto* buffer = reinterpret_cast<BYTE*>(lParam);
    switch (message) {
    case WM_CAP_GET_AUDIOFORMAT:
        // A size query without a buffer; the format when the buffer holds it.
        if (buffer == nullptr)
            return LRESULT(state.audioFormat.size());
        if (wParam < state.audioFormat.size())
            return 0;
        std::memcpy(buffer, state.audioFormat.data(), state.audioFormat.size());
        return LRESULT(state.audioFormat.size());
    case WM_CAP_SET_AUDIOFORMAT:
        state.audioFormat.assign(buffer, buffer + wParam);
        return TRUE;
    case WM_CAP_FILE_SET_INFOCHUNK: {
        const auto* chunk = reinterpret_cast<const CAPINFOCHUNK*>(lParam);
        state.infoChunkId = chunk->fccInfoID;
        state.infoChunkSize = chunk->cbData;
        const auto* data = static_cast<const BYTE*>(chunk->lpData);
        state.infoChunkData.assign(data, data + chunk->cbData);
        return TRUE;
    }
    case WM_CAP_SET_SEQUENCE_SETUP:
        if (wParam != sizeof(CAPTUREPARMS))
            return FALSE;
        std::memcpy(&state.sequenceSetup, buffer, sizeof state.sequenceSetup);
        return TRUE;
    case WM_CAP_GET_VIDEOFORMAT: {
        if (state.driver == nullptr || wParam < sizeof(BITMAPINFOHEADER))
            return 0;
        auto* header = reinterpret_cast<BITMAPINFOHEADER*>(buffer);
        std::memset(buffer, 0, wParam);
        header->biSize = sizeof *header;
        header->biWidth = LONG(state.driver->width);
        header->biHeight = LONG(state.driver->height);
        header->biPlanes = 1;
        header->biBitCount = 24;
        return LRESULT(sizeof(BITMAPINFOHEADER));
    }
    default:
        return TRUE;
    }
}
