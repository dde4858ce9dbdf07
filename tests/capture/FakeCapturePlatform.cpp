#include "FakeCapturePlatform.h"

#include <algorithm>
#include <cstring>

namespace {
FakeCapturePlatform* g_pFake = nullptr;
constexpr const char* kClassName = "FakeCaptureWindow";
constexpr const char* kPlaybackClassName = "FakePlaybackWindow";
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
    wc.lpfnWndProc = &PlaybackProcedure;
    wc.lpszClassName = kPlaybackClassName;
    RegisterClassA(&wc);
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
    const LRESULT result = AnswerCaptureMessage(hWnd, message, wParam, lParam);
    const bool record = message == WM_CAP_GET_STATUS || message == WM_CAP_DRIVER_GET_CAPS ||
                        message == WM_CAP_GET_SEQUENCE_SETUP || message == WM_CAP_GET_VIDEOFORMAT ||
                        message == WM_CAP_GET_AUDIOFORMAT;
    if (record && lParam != 0 && m_nRecordOverrun != 0)
        std::memset(reinterpret_cast<BYTE*>(lParam) + wParam, 0xDD, m_nRecordOverrun);
    return result;
}

LRESULT FakeCapturePlatform::AnswerCaptureMessage(HWND hWnd, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    WindowState& state = m_windows[hWnd];
    switch (message) {
    case WM_CAP_DRIVER_CONNECT:
        // A new connection replaces the previous one, failed or not.
        state.driver = FindDriver(int(wParam));
        state.preview = state.overlay = FALSE;
        state.format = {};
        if (state.driver != nullptr) {
            state.format.biSize = sizeof state.format;
            state.format.biWidth = LONG(state.driver->width);
            state.format.biHeight = LONG(state.driver->height);
            state.format.biPlanes = 1;
            state.format.biBitCount = state.driver->bitCount;
            state.format.biCompression = state.driver->compression;
            state.format.biSizeImage =
                DWORD(state.format.biWidth * state.format.biHeight) * state.driver->bitCount / 8;
            state.format.biClrUsed = state.driver->colours;
            for (DWORD i = 0; i < state.driver->colours; ++i)
                state.colours.push_back(i * 0x010307); // each entry its own
        }
        return state.driver != nullptr;
    case WM_CAP_DRIVER_GET_CAPS: {
        if (state.driver == nullptr || wParam < sizeof(CAPDRIVERCAPS))
            return FALSE;
        auto* caps = reinterpret_cast<CAPDRIVERCAPS*>(lParam);
        std::memset(caps, 0, sizeof *caps);
        caps->wDeviceIndex = UINT(state.driver->index);
        caps->fHasOverlay = state.driver->hasOverlay;
        caps->fCaptureInitialized = TRUE;
        caps->fHasDlgVideoSource = caps->fHasDlgVideoFormat = caps->fHasDlgVideoDisplay =
            state.driver->hasDialogs;
        return TRUE;
    }
    case WM_CAP_GET_STATUS: {
        if (wParam < sizeof(CAPSTATUS))
            return FALSE;
        auto* status = reinterpret_cast<CAPSTATUS*>(lParam);
        std::memset(status, 0, sizeof *status);
        if (state.driver != nullptr) {
            status->fScale = state.driver->scale;
            status->uiImageWidth = UINT(state.format.biWidth);
            status->uiImageHeight = UINT(state.format.biHeight);
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
    case WM_CAP_SET_CALLBACK_YIELD:
        state.yield = reinterpret_cast<CAPYIELDCALLBACK>(lParam);
        return TRUE;
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
    case WM_CAP_SET_CALLBACK_WAVESTREAM:
    case WM_CAP_SET_USER_DATA:
    case WM_CAP_GET_USER_DATA:
    case WM_CAP_SEQUENCE_NOFILE:
    case WM_CAP_STOP:
        return OnStreamMessage(hWnd, state, message, lParam);
    default:
        return OnCaptureCommandMessage(state, message, wParam, lParam);
    }
}

LRESULT FakeCapturePlatform::OnStreamMessage(HWND hWnd, WindowState& state, UINT message,
                                             LPARAM lParam) {
    switch (message) {
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
        state.videoStream = reinterpret_cast<CAPVIDEOCALLBACK>(lParam);
        return TRUE;
    case WM_CAP_SET_CALLBACK_WAVESTREAM:
        state.waveStream = reinterpret_cast<CAPWAVECALLBACK>(lParam);
        return TRUE;
    case WM_CAP_SET_USER_DATA:
        state.userData = lParam;
        return TRUE;
    case WM_CAP_GET_USER_DATA:
        return state.userData;
    case WM_CAP_SEQUENCE_NOFILE:
        state.stopRequested = false;
        if (m_bRefuseSequence) {
            if (!m_refusalText.empty() && state.errorCallback != nullptr)
                state.errorCallback(hWnd, IDS_CAP_WAVE_OPEN_ERROR, m_refusalText.c_str());
            return FALSE;
        }
        if (m_onSequenceNoFile)
            m_onSequenceNoFile(hWnd, state);
        return TRUE;
    default: // WM_CAP_STOP
        state.stopRequested = true;
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
        return LRESULT(state.audioFormat.size() + (m_bOversizeRecords ? 8 : 0));
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
        if (wParam != sizeof(CAPTUREPARMS) || m_bRefuseSetup)
            return FALSE;
        std::memcpy(&state.sequenceSetup, buffer, sizeof state.sequenceSetup);
        return TRUE;
    default:
        return OnFormatOrFileMessage(state, message, wParam, lParam);
    }
}

LRESULT FakeCapturePlatform::OnFormatOrFileMessage(WindowState& state, UINT message, WPARAM wParam,
                                                   LPARAM lParam) {
    const auto* path = reinterpret_cast<const char*>(lParam);
    switch (message) {
    case WM_CAP_GET_VIDEOFORMAT: {
        // The platform's answer: the format's whole size, and as much of it
        // as the buffer holds.
        if (state.driver == nullptr)
            return 0;
        std::vector<DWORD> whole(sizeof state.format / 4);
        std::memcpy(whole.data(), &state.format, sizeof state.format);
        whole.insert(whole.end(), state.colours.begin(), state.colours.end());
        if (lParam != 0)
            std::memcpy(reinterpret_cast<void*>(lParam), whole.data(),
                        std::min<size_t>(wParam, whole.size() * 4));
        return LRESULT(whole.size() * 4 + (lParam != 0 && m_bOversizeRecords ? 8 : 0));
    }
    case WM_CAP_SET_VIDEOFORMAT: {
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(lParam);
        m_formatsSet.push_back(*header);
        // A careful driver: the colour table must be all there.
        if (state.driver == nullptr || wParam < sizeof *header + header->biClrUsed * 4)
            return FALSE;
        state.format = *header;
        const auto* table = reinterpret_cast<const DWORD*>(header + 1);
        state.colours.assign(table, table + header->biClrUsed);
        return TRUE;
    }
    case WM_CAP_DLG_VIDEOSOURCE:
    case WM_CAP_DLG_VIDEODISPLAY:
        if (m_onDriverDialog)
            m_onDriverDialog(message);
        return TRUE;
    case WM_CAP_FILE_GET_CAPTURE_FILEA:
        lstrcpynA(reinterpret_cast<char*>(lParam), state.captureFile.c_str(), int(wParam));
        return TRUE;
    case WM_CAP_FILE_SET_CAPTURE_FILEA:
        m_pathMessages.push_back({message, path});
        state.captureFile = path;
        return TRUE;
    case WM_CAP_FILE_SAVEASA:
    case WM_CAP_FILE_SAVEDIBA:
        m_pathMessages.push_back({message, path});
        return TRUE;
    default:
        return TRUE;
    }
}

HWND FakeCapturePlatform::CreatePlaybackWindow(HWND hWndParent, HINSTANCE hInstance, DWORD dwStyle,
                                               const char* lpszFile) {
    HWND hWnd = m_bFailPlayback ? nullptr
                                : CreateWindowExA(0, kPlaybackClassName, "", dwStyle, 0, 0,
                                                  kPlaybackWidth, kPlaybackHeight, hWndParent,
                                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    m_playbacks.push_back({hWndParent, hInstance, dwStyle, lpszFile ? lpszFile : "(null)", hWnd});
    return hWnd;
}

LRESULT CALLBACK FakeCapturePlatform::PlaybackProcedure(HWND hWnd, UINT message, WPARAM wParam,
                                                        LPARAM lParam) {
    if (message == WM_CLOSE) {
        // Recorded with the capture messages, so that their order shows.
        if (g_pFake != nullptr)
            g_pFake->m_recorder.Record(hWnd, message, wParam, lParam);
        DestroyWindow(hWnd);
        return 0;
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}
