#include "CaptureWindow.h"

#include <vfw.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "CaptureWindowState.h"
#include "DibImage.h"
#include "DriverSettingsLink.h"
#include "SequenceHook.h"
#include "tunerprops/SheetMode.h"

// The published 32-bit layouts that callers compile against.
#ifndef _WIN64
static_assert(sizeof(CAPDRIVERCAPS) == 44);
static_assert(sizeof(CAPSTATUS) == 76);
static_assert(sizeof(CAPTUREPARMS) == 96);
static_assert(sizeof(CAPINFOCHUNK) == 12);
#else
static_assert(sizeof(CAPDRIVERCAPS) == 64);
static_assert(sizeof(CAPSTATUS) == 80);
static_assert(sizeof(CAPTUREPARMS) == 96);
static_assert(sizeof(CAPINFOCHUNK) == 24);
#endif
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPINFO) == 44);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(CAPSTATUS, fCapturingNow) == (sizeof(void*) == 4 ? 60 : 64));

namespace {

HMODULE g_deviceModule = nullptr;
constexpr const char* kClassName = "ClsCapWin";
constexpr UINT_PTR kLiveVideoTimer = 1;
constexpr UINT kOverlayIntervalMs = 33; // the simulated overlay runs at full rate

// Every capture window of the process, for the settings-changed event that
// one of them consumes on behalf of all.
std::vector<CaptureWindowState*> g_windows;

CaptureWindowState* StateOf(HWND window) {
    return reinterpret_cast<CaptureWindowState*>(GetWindowLongPtrA(window, 0));
}

bool IsCapturing(const CaptureWindowState& s) {
    return s.Progress().capturingNow;
}

void ReportErrorf(CaptureWindowState& s, int id, const char* format, const char* arg) {
    char text[MAX_PATH + 160];
    // The argument is cut so that the text always fits.
    char shortArg[MAX_PATH];
    lstrcpynA(shortArg, arg != nullptr ? arg : "", sizeof shortArg);
    wsprintfA(text, format, shortArg);
    s.ReportError(id, text);
}

// Clears an error still shown from an earlier operation, as the platform does
// before an operation that can fail.
void ClearPendingError(CaptureWindowState& s) {
    if (s.Progress().returnCode != 0) {
        s.Progress().returnCode = 0;
        if (s.ErrorCallback() != nullptr) {
            s.ErrorCallback()(s.Window(), 0, nullptr);
        }
    }
}

// A path argument: non-null and shorter than MAX_PATH, or an error.
bool AcceptPath(CaptureWindowState& s, LPARAM lParam, std::string& path) {
    const char* text = reinterpret_cast<const char*>(lParam);
    if (text == nullptr) {
        return false;
    }
    const size_t length = strnlen(text, MAX_PATH);
    if (length == 0) {
        return false;
    }
    if (length >= MAX_PATH) {
        s.ReportError(IDS_CAP_CANTOPEN, "The file name is too long.");
        return false;
    }
    path.assign(text, length);
    return true;
}

// --- live video -----------------------------------------------------------

void RestartLiveTimer(CaptureWindowState& s) {
    KillTimer(s.Window(), kLiveVideoTimer);
    if (s.overlayOn) {
        SetTimer(s.Window(), kLiveVideoTimer, kOverlayIntervalMs, nullptr);
    } else if (s.previewOn) {
        SetTimer(s.Window(), kLiveVideoTimer, std::max<UINT>(s.previewRateMs, 1), nullptr);
    }
}

void CallFrameCallback(CaptureWindowState& s) {
    if (s.FrameCallback() == nullptr || s.CurrentFrame().empty()) {
        return;
    }
    VIDEOHDR header{};
    header.lpData = const_cast<BYTE*>(s.CurrentFrame().data());
    header.dwBufferLength = static_cast<DWORD>(s.CurrentFrame().size());
    header.dwBytesUsed = header.dwBufferLength;
    header.dwTimeCaptured = s.ClockMs();
    header.dwFlags = VHDR_DONE | VHDR_KEYFRAME;
    s.FrameCallback()(s.Window(), &header);
}

// Grabs the next frame into the frame buffer, calls the frame callback and
// shows it.
void GrabAndShow(CaptureWindowState& s) {
    s.GenerateNextFrame();
    CallFrameCallback(s);
    InvalidateRect(s.Window(), nullptr, FALSE);
}

void StopLiveVideo(CaptureWindowState& s) {
    s.previewOn = false;
    s.overlayOn = false;
    KillTimer(s.Window(), kLiveVideoTimer);
}

// Draws the frame buffer: 1:1 from the scroll position, or stretched to the
// window when scaling is on; grey where there is no picture.
void DrawFrame(const CaptureWindowState& s, HDC dc) {
    RECT client;
    GetClientRect(s.Window(), &client);
    const DibImage image(s.VideoFormat(), s.CurrentFrame());
    if (image.IsEmpty() || !s.IsConnected()) {
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        return;
    }
    RECT picture = client;
    if (!s.scaleOn) {
        picture = {-s.scroll.x, -s.scroll.y, s.VideoFormat().biWidth - s.scroll.x,
                   s.VideoFormat().biHeight - s.scroll.y};
    }
    image.Paint(dc, picture);
    // The rest of the window, right of and below the picture.
    RECT right{picture.right, client.top, client.right, client.bottom};
    RECT below{client.left, picture.bottom, picture.right, client.bottom};
    for (const RECT* r : {&right, &below}) {
        if (r->right > r->left && r->bottom > r->top) {
            FillRect(dc, r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        }
    }
}

void Paint(const CaptureWindowState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(s.Window(), &ps);
    DrawFrame(s, dc);
    EndPaint(s.Window(), &ps);
}

// --- driver settings --------------------------------------------------------

// Applies ImageSize and ImageFormat codes when the driver can deliver them;
// a code it cannot deliver is left out and the current value kept.
void ApplyFormatCodes(CaptureWindowState& s, const DriverSettings& settings) {
    if (!s.IsConnected() || IsCapturing(s)) {
        return;
    }
    BITMAPINFOHEADER wanted = s.VideoFormat();
    if (settings.imageSize) {
        LONG width = 0, height = 0;
        if (SizeFromCode(*settings.imageSize, width, height)) {
            BITMAPINFOHEADER sized = wanted;
            sized.biWidth = width;
            sized.biHeight = height;
            sized.biSizeImage = FrameGenerator::ImageBytes(sized);
            if (s.Driver()->Delivers(sized)) {
                wanted = sized;
            }
        }
    }
    if (settings.imageFormat) {
        WORD bits = 0;
        DWORD compression = 0;
        if (FormatFromCode(*settings.imageFormat, bits, compression)) {
            BITMAPINFOHEADER formatted = wanted;
            formatted.biBitCount = bits;
            formatted.biCompression = compression;
            formatted.biSizeImage = FrameGenerator::ImageBytes(formatted);
            if (s.Driver()->Delivers(formatted)) {
                wanted = formatted;
            }
        }
    }
    if (std::memcmp(&wanted, &s.VideoFormat(), sizeof wanted) != 0) {
        s.Frames().SetFormat(wanted);
        GrabAndShow(s);
    }
}

void ApplyDriverSettingsToAll() {
    const std::optional<DriverSettings> settings = ReadDriverSettings();
    if (!settings) {
        return;
    }
    // A frame callback may close windows meanwhile: walk a copy and skip
    // the windows that are gone.
    const std::vector<CaptureWindowState*> windows = g_windows;
    for (CaptureWindowState* s : windows) {
        if (std::find(g_windows.begin(), g_windows.end(), s) != g_windows.end() &&
            s->IsConnected()) {
            s->Frames().SetAdjustments(settings->picture);
            ApplyFormatCodes(*s, *settings);
        }
    }
}

// Takes up a pending settings-changed signal. Called before each capture
// message and on each live-video tick, so a change is in force for the next
// request.
void PollSettingsEvent(CaptureWindowState& s) {
    if (s.settingsEvent && WaitForSingleObject(s.settingsEvent.Get(), 0) == WAIT_OBJECT_0) {
        ApplyDriverSettingsToAll();
    }
}

// --- connection ----------------------------------------------------------------

void Disconnect(CaptureWindowState& s) {
    StopLiveVideo(s);
    s.SetDriver(std::nullopt);
    s.settingsEvent.Reset();
    InvalidateRect(s.Window(), nullptr, TRUE);
}

LRESULT OnDriverConnect(CaptureWindowState& s, WPARAM index) {
    if (IsCapturing(s)) {
        return FALSE;
    }
    const bool wasPreview = s.previewOn, wasOverlay = s.overlayOn;
    Disconnect(s);
    std::optional<VirtualDriver> driver =
        index <= 9 ? FindDriver(static_cast<int>(index)) : std::nullopt;
    if (!driver) {
        return FALSE;
    }
    s.SetDriver(driver);
    s.Frames().SetFormat(driver->DefaultFormat());
    s.settingsEvent = CreateSettingsEvent();
    if (const std::optional<DriverSettings> settings = ReadDriverSettings()) {
        s.Frames().SetAdjustments(settings->picture);
    } else {
        s.Frames().SetAdjustments({});
    }
    // Live video goes on across a change of driver, overlay only where the
    // new driver has one.
    s.previewOn = wasPreview || (wasOverlay && !driver->HasOverlay());
    s.overlayOn = wasOverlay && driver->HasOverlay();
    GrabAndShow(s);
    RestartLiveTimer(s);
    return TRUE;
}

LRESULT OnGetDriverText(const CaptureWindowState& s, WPARAM size, LPARAM buffer, bool name) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!s.IsConnected() || out == nullptr || size == 0) {
        return FALSE;
    }
    const char* text = name ? s.Driver()->Name() : s.Driver()->Version();
    lstrcpynA(out, text, static_cast<int>(std::min<WPARAM>(size, 0x7fffffff)));
    return TRUE;
}

LRESULT OnGetCaps(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (!s.IsConnected() || size != sizeof(CAPDRIVERCAPS) || buffer == 0) {
        return FALSE;
    }
    CAPDRIVERCAPS caps{};
    caps.wDeviceIndex = static_cast<UINT>(s.DriverIndex());
    caps.fHasOverlay = s.Driver()->HasOverlay();
    caps.fHasDlgVideoSource = s.Driver()->HasDialogs();
    caps.fHasDlgVideoFormat = s.Driver()->HasDialogs();
    caps.fHasDlgVideoDisplay = s.Driver()->HasDialogs();
    caps.fCaptureInitialized = TRUE;
    caps.fDriverSuppliesPalettes = FALSE;
    std::memcpy(reinterpret_cast<void*>(buffer), &caps, sizeof caps);
    return TRUE;
}

LRESULT OnGetStatus(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (size != sizeof(CAPSTATUS) || buffer == 0) {
        return FALSE;
    }
    CAPSTATUS status{};
    if (s.IsConnected()) {
        status.uiImageWidth = static_cast<UINT>(s.VideoFormat().biWidth);
        status.uiImageHeight = static_cast<UINT>(s.VideoFormat().biHeight);
        status.wNumVideoAllocated = s.CaptureParms().wNumVideoRequested;
        status.wNumAudioAllocated =
            s.CaptureParms().fCaptureAudio ? s.CaptureParms().wNumAudioRequested : 0;
    }
    status.fLiveWindow = s.previewOn;
    status.fOverlayWindow = s.overlayOn;
    status.fScale = s.scaleOn;
    status.ptScroll = s.scroll;
    status.fUsingDefaultPalette = FALSE;
    status.fAudioHardware = TRUE;
    status.fCapFileExists =
        GetFileAttributesA(s.CaptureFileName().c_str()) != INVALID_FILE_ATTRIBUTES;
    const SequenceProgress& p = s.Progress();
    status.dwCurrentVideoFrame = p.currentVideoFrame;
    status.dwCurrentVideoFramesDropped = p.currentVideoFramesDropped;
    status.dwCurrentWaveSamples = p.currentWaveSamples;
    status.dwCurrentTimeElapsedMS = p.currentTimeElapsedMS;
    status.hPalCurrent = nullptr;
    status.fCapturingNow = p.capturingNow;
    status.dwReturn = p.returnCode;
    std::memcpy(reinterpret_cast<void*>(buffer), &status, sizeof status);
    return TRUE;
}

// --- formats ---------------------------------------------------------------------

LRESULT OnGetVideoFormat(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (!s.IsConnected()) {
        return 0;
    }
    constexpr WPARAM formatSize = sizeof(BITMAPINFOHEADER);
    if (buffer == 0) {
        return size == 0 ? static_cast<LRESULT>(formatSize) : 0; // a size query
    }
    if (size < formatSize) {
        return 0;
    }
    // The header, and zeroes for the colour entries the caller made room for.
    auto* out = reinterpret_cast<BYTE*>(buffer);
    std::memcpy(out, &s.VideoFormat(), formatSize);
    std::memset(out + formatSize, 0, std::min<WPARAM>(size, sizeof(BITMAPINFO)) - formatSize);
    return static_cast<LRESULT>(formatSize);
}

LRESULT OnSetVideoFormat(CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (!s.IsConnected() || IsCapturing(s) || buffer == 0 || size < sizeof(BITMAPINFOHEADER)) {
        return FALSE;
    }
    BITMAPINFOHEADER format;
    std::memcpy(&format, reinterpret_cast<const void*>(buffer), sizeof format);
    if (format.biSize < sizeof format || format.biSize > size || !s.Driver()->Delivers(format)) {
        return FALSE;
    }
    s.Frames().SetFormat(format);
    s.SetCurrentFrameInvalid();
    InvalidateRect(s.Window(), nullptr, TRUE);
    return TRUE;
}

bool IsAcceptableAudioFormat(const WAVEFORMATEX& f, size_t available) {
    if (f.nChannels == 0 || f.nChannels > 8 || f.nSamplesPerSec == 0 || f.nSamplesPerSec > 384000 ||
        f.nBlockAlign == 0 || f.nAvgBytesPerSec == 0) {
        return false;
    }
    if (f.wFormatTag == WAVE_FORMAT_PCM) {
        return (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
               f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 &&
               f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
    }
    return available >= sizeof(WAVEFORMATEX) && available >= sizeof(WAVEFORMATEX) + f.cbSize;
}

LRESULT OnSetAudioFormat(CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    // A PCM format may come as the 16-byte PCMWAVEFORMAT.
    if (IsCapturing(s) || buffer == 0 || size < sizeof(PCMWAVEFORMAT) || size > 0xFFFF) {
        return FALSE;
    }
    WAVEFORMATEX format{};
    std::memcpy(&format, reinterpret_cast<const void*>(buffer),
                std::min<WPARAM>(size, sizeof format));
    if (!IsAcceptableAudioFormat(format, size)) {
        return FALSE;
    }
    std::vector<BYTE> bytes;
    if (format.wFormatTag == WAVE_FORMAT_PCM) {
        format.cbSize = 0;
        bytes.resize(sizeof format);
        std::memcpy(bytes.data(), &format, sizeof format);
    } else {
        const auto* in = reinterpret_cast<const BYTE*>(buffer);
        bytes.assign(in, in + sizeof(WAVEFORMATEX) + format.cbSize);
    }
    s.SetAudioFormat(std::move(bytes));
    return TRUE;
}

LRESULT OnGetAudioFormat(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    const WPARAM formatSize = s.AudioFormatBytes().size();
    if (buffer == 0) {
        return static_cast<LRESULT>(formatSize); // a size query
    }
    if (size < formatSize) {
        return 0;
    }
    std::memcpy(reinterpret_cast<void*>(buffer), s.AudioFormatBytes().data(), formatSize);
    return static_cast<LRESULT>(formatSize);
}

LRESULT OnSetSequenceSetup(CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (IsCapturing(s) || size != sizeof(CAPTUREPARMS) || buffer == 0) {
        return FALSE;
    }
    CAPTUREPARMS parms;
    std::memcpy(&parms, reinterpret_cast<const void*>(buffer), sizeof parms);
    if (parms.dwRequestMicroSecPerFrame == 0 || parms.wNumVideoRequested == 0) {
        return FALSE;
    }
    s.SetCaptureParms(parms);
    return TRUE;
}

LRESULT OnGetSequenceSetup(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (size != sizeof(CAPTUREPARMS) || buffer == 0) {
        return FALSE;
    }
    std::memcpy(reinterpret_cast<void*>(buffer), &s.CaptureParms(), sizeof(CAPTUREPARMS));
    return TRUE;
}

// --- display modes ---------------------------------------------------------------

LRESULT OnSetPreview(CaptureWindowState& s, bool on) {
    if (!on) {
        s.previewOn = false;
        RestartLiveTimer(s);
        return TRUE;
    }
    if (!s.IsConnected()) {
        return FALSE;
    }
    s.overlayOn = false; // preview and overlay exclude each other
    s.previewOn = true;
    GrabAndShow(s);
    RestartLiveTimer(s);
    return TRUE;
}

LRESULT OnSetOverlay(CaptureWindowState& s, bool on) {
    if (!on) {
        s.overlayOn = false;
        RestartLiveTimer(s);
        return TRUE;
    }
    if (!s.IsConnected() || !s.Driver()->HasOverlay()) {
        return FALSE;
    }
    s.previewOn = false;
    s.overlayOn = true;
    GrabAndShow(s);
    RestartLiveTimer(s);
    return TRUE;
}

void OnLiveTick(CaptureWindowState& s) {
    PollSettingsEvent(s);
    if (!s.IsConnected() || IsCapturing(s) || (!s.previewOn && !s.overlayOn)) {
        return;
    }
    GrabAndShow(s);
}

// --- still frames and files --------------------------------------------------------

bool EnsureFrame(CaptureWindowState& s) {
    if (s.CurrentFrame().size() != s.VideoFormat().biSizeImage) {
        s.GenerateNextFrame();
    }
    return !s.CurrentFrame().empty();
}

LRESULT OnSaveDib(CaptureWindowState& s, LPARAM pathArg) {
    ClearPendingError(s);
    std::string path;
    if (!s.IsConnected() || !AcceptPath(s, pathArg, path) || !EnsureFrame(s)) {
        return FALSE;
    }
    const DibImage image(s.VideoFormat(), s.CurrentFrame());
    if (!image.SaveBmp(path)) {
        ReportErrorf(s, IDS_CAP_ERRORDIBSAVE, "Could not save the frame to %s.", path.c_str());
        return FALSE;
    }
    return TRUE;
}

LRESULT OnEditCopy(CaptureWindowState& s) {
    if (!s.IsConnected() || !EnsureFrame(s)) {
        return FALSE;
    }
    const DibImage image(s.VideoFormat(), s.CurrentFrame());
    UniqueGlobal dib(image.ToGlobalDib());
    ClipboardGuard clipboard(s.Window());
    if (!dib || !clipboard.IsOpen() || !EmptyClipboard()) {
        return FALSE;
    }
    if (SetClipboardData(CF_DIB, dib.Get()) == nullptr) {
        return FALSE;
    }
    (void)dib.Release(); // the clipboard owns it now
    return TRUE;
}

LRESULT OnSetCaptureFile(CaptureWindowState& s, LPARAM pathArg) {
    ClearPendingError(s);
    std::string path;
    if (IsCapturing(s) || !AcceptPath(s, pathArg, path)) {
        return FALSE;
    }
    s.SetCaptureFileName(path);
    return TRUE;
}

LRESULT OnGetCaptureFile(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (out == nullptr || size <= s.CaptureFileName().size()) {
        return FALSE;
    }
    std::memcpy(out, s.CaptureFileName().c_str(), s.CaptureFileName().size() + 1);
    return TRUE;
}

LRESULT OnSaveAs(CaptureWindowState& s, LPARAM pathArg) {
    ClearPendingError(s);
    std::string path;
    if (IsCapturing(s) || !AcceptPath(s, pathArg, path)) {
        return FALSE;
    }
    const std::string& source = s.CaptureFileName();
    char fullSource[MAX_PATH], fullTarget[MAX_PATH];
    if (GetFullPathNameA(source.c_str(), MAX_PATH, fullSource, nullptr) - 1 >= MAX_PATH - 1 ||
        GetFullPathNameA(path.c_str(), MAX_PATH, fullTarget, nullptr) - 1 >= MAX_PATH - 1) {
        s.ReportError(IDS_CAP_CANTOPEN, "The file name is too long.");
        return FALSE;
    }
    if (lstrcmpiA(fullSource, fullTarget) == 0) {
        return TRUE; // the file is already there, unchanged
    }
    if (GetFileAttributesA(fullSource) == INVALID_FILE_ATTRIBUTES) {
        ReportErrorf(s, IDS_CAP_CANTOPEN, "The capture file %s cannot be opened.", fullSource);
        return FALSE;
    }
    if (!CopyFileA(fullSource, fullTarget, FALSE)) {
        ReportErrorf(s, IDS_CAP_FILE_WRITE_ERROR, "The captured video could not be saved as %s.",
                     fullTarget);
        return FALSE;
    }
    return TRUE;
}

LRESULT OnSetInfoChunk(CaptureWindowState& s, LPARAM buffer) {
    const auto* chunk = reinterpret_cast<const CAPINFOCHUNK*>(buffer);
    // INFO entries are short texts; a length past any of them is a bad record.
    constexpr LONG kMaxInfoChunk = 1 << 20;
    if (chunk == nullptr || chunk->cbData < 0 || chunk->cbData > kMaxInfoChunk || IsCapturing(s)) {
        return FALSE;
    }
    s.SetInfoChunk(chunk->fccInfoID, static_cast<const BYTE*>(chunk->lpData),
                   chunk->lpData != nullptr ? static_cast<size_t>(chunk->cbData) : 0);
    return TRUE;
}

// --- dialogs ---------------------------------------------------------------------

// The driver's dialogs are the card's configuration library, loaded from the
// device's own folder and driven as the card's driver drives it.
LRESULT RunDriverDialog(CaptureWindowState& s, TunerSheetMode sheetMode) {
    if (!s.IsConnected() || !s.Driver()->HasDialogs() || IsCapturing(s)) {
        return FALSE;
    }
    ClearPendingError(s);
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(DeviceModule(), path, MAX_PATH);
    char* slash = length > 0 && length < MAX_PATH ? std::strrchr(path, '\\') : nullptr;
    constexpr char kLibrary[] = "tunerprops.dll";
    if (slash == nullptr || (slash + 1 - path) + sizeof kLibrary > MAX_PATH) {
        s.ReportError(IDS_CAP_DRIVER_ERROR, "The driver's dialog library cannot be found.");
        return FALSE;
    }
    std::memcpy(slash + 1, kLibrary, sizeof kLibrary);
    UniqueModule library(LoadLibraryA(path));
    if (!library) {
        ReportErrorf(s, IDS_CAP_DRIVER_ERROR,
                     "The driver's dialogs are not available: %s could not be loaded.", path);
        return FALSE;
    }
    using CreateConfigDialogFn = void*(WINAPI*)(int, HWND);
    using DoConfigDialogFn = int(WINAPI*)();
    using DestroyConfigDialogFn = void(WINAPI*)();
    auto create = reinterpret_cast<CreateConfigDialogFn>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "CreateConfigDialog")));
    auto run = reinterpret_cast<DoConfigDialogFn>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "DoConfigDialog")));
    auto destroy = reinterpret_cast<DestroyConfigDialogFn>(
        reinterpret_cast<void*>(GetProcAddress(library.Get(), "DestroyConfigDialog")));
    if (create == nullptr || run == nullptr || destroy == nullptr) {
        ReportErrorf(s, IDS_CAP_DRIVER_ERROR,
                     "The driver's dialogs are not available: %s lacks its entry points.", path);
        return FALSE;
    }
    const HWND window = s.Window();
    create(int(sheetMode), window);
    run();
    destroy();
    if (!IsWindow(window) || StateOf(window) != &s) {
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
    choice.fccHandler = s.compressorHandler;
    BITMAPINFO input{};
    input.bmiHeader = s.VideoFormat();
    const HWND window = s.Window();
    const BOOL chosen = ICCompressorChoose(window, ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_KEYFRAME,
                                           &input, nullptr, &choice, nullptr);
    if (!chosen) {
        return FALSE; // cancelled
    }
    if (IsWindow(window) && StateOf(window) == &s) {
        s.compressorHandler = choice.fccHandler;
    }
    ICCompressorFree(&choice);
    return TRUE;
}

// --- capture --------------------------------------------------------------------

LRESULT RouteSequence(CaptureWindowState& s, SequenceCommand command) {
    if ((command == SequenceCommand::Sequence || command == SequenceCommand::SequenceNoFile) &&
        (!s.IsConnected() || IsCapturing(s))) {
        return FALSE;
    }
    if (command == SequenceCommand::Stop) {
        s.Progress().stopRequested = true;
    } else if (command == SequenceCommand::Abort) {
        s.Progress().abortRequested = true;
    }
    s.SetPendingCommand(command);
    return OnSequence(s);
}

// --- dispatch -------------------------------------------------------------------

LRESULT HandleCaptureMessage(CaptureWindowState& s, UINT message, WPARAM wParam, LPARAM lParam,
                             bool& handled) {
    handled = true;
    switch (message) {
    case WM_CAP_GET_CAPSTREAMPTR:
        return 0;
    case WM_CAP_SET_CALLBACK_ERRORA:
        s.SetErrorCallback(reinterpret_cast<CAPERRORCALLBACKA>(lParam));
        return TRUE;
    case WM_CAP_SET_CALLBACK_STATUSA:
        s.SetStatusCallback(reinterpret_cast<CAPSTATUSCALLBACKA>(lParam));
        return TRUE;
    case WM_CAP_SET_CALLBACK_YIELD:
        s.SetYieldCallback(reinterpret_cast<CAPYIELDCALLBACK>(lParam));
        return TRUE;
    case WM_CAP_SET_CALLBACK_FRAME:
        s.SetFrameCallback(reinterpret_cast<CAPVIDEOCALLBACK>(lParam));
        return TRUE;
    case WM_CAP_SET_CALLBACK_VIDEOSTREAM:
        s.SetVideoStreamCallback(reinterpret_cast<CAPVIDEOCALLBACK>(lParam));
        return TRUE;
    case WM_CAP_SET_CALLBACK_WAVESTREAM:
        s.SetWaveStreamCallback(reinterpret_cast<CAPWAVECALLBACK>(lParam));
        return TRUE;
    case WM_CAP_SET_CALLBACK_CAPCONTROL:
        s.SetCapControlCallback(reinterpret_cast<CAPCONTROLCALLBACK>(lParam));
        return TRUE;
    case WM_CAP_GET_USER_DATA:
        return s.userData;
    case WM_CAP_SET_USER_DATA:
        s.userData = lParam;
        return TRUE;
    case WM_CAP_DRIVER_CONNECT:
        return OnDriverConnect(s, wParam);
    case WM_CAP_DRIVER_DISCONNECT:
        if (IsCapturing(s)) {
            return FALSE;
        }
        Disconnect(s);
        return TRUE;
    case WM_CAP_DRIVER_GET_NAMEA:
        return OnGetDriverText(s, wParam, lParam, true);
    case WM_CAP_DRIVER_GET_VERSIONA:
        return OnGetDriverText(s, wParam, lParam, false);
    case WM_CAP_DRIVER_GET_CAPS:
        return OnGetCaps(s, wParam, lParam);
    case WM_CAP_FILE_SET_CAPTURE_FILEA:
        return OnSetCaptureFile(s, lParam);
    case WM_CAP_FILE_GET_CAPTURE_FILEA:
        return OnGetCaptureFile(s, wParam, lParam);
    case WM_CAP_FILE_ALLOCATE:
        return FALSE;
    case WM_CAP_FILE_SAVEASA:
        return OnSaveAs(s, lParam);
    case WM_CAP_FILE_SET_INFOCHUNK:
        return OnSetInfoChunk(s, lParam);
    case WM_CAP_FILE_SAVEDIBA:
        return OnSaveDib(s, lParam);
    case WM_CAP_EDIT_COPY:
        return OnEditCopy(s);
    case WM_CAP_SET_AUDIOFORMAT:
        return OnSetAudioFormat(s, wParam, lParam);
    case WM_CAP_GET_AUDIOFORMAT:
        return OnGetAudioFormat(s, wParam, lParam);
    case WM_CAP_DLG_VIDEOFORMAT:
        return RunDriverDialog(s, TunerSheetMode::VideoFormat);
    case WM_CAP_DLG_VIDEOSOURCE:
        return RunDriverDialog(s, TunerSheetMode::VideoSource);
    case WM_CAP_DLG_VIDEODISPLAY:
        return RunDriverDialog(s, TunerSheetMode::VideoDisplay);
    case WM_CAP_DLG_VIDEOCOMPRESSION:
        return OnVideoCompressionDialog(s);
    case WM_CAP_GET_VIDEOFORMAT:
        return OnGetVideoFormat(s, wParam, lParam);
    case WM_CAP_SET_VIDEOFORMAT:
        return OnSetVideoFormat(s, wParam, lParam);
    case WM_CAP_SET_PREVIEW:
        return OnSetPreview(s, wParam != 0);
    case WM_CAP_SET_OVERLAY:
        return OnSetOverlay(s, wParam != 0);
    case WM_CAP_SET_PREVIEWRATE:
        s.previewRateMs = static_cast<UINT>(std::min<WPARAM>(wParam, 0x7fffffff));
        RestartLiveTimer(s);
        return TRUE;
    case WM_CAP_SET_SCALE:
        s.scaleOn = wParam != 0;
        InvalidateRect(s.Window(), nullptr, TRUE);
        return TRUE;
    case WM_CAP_GET_STATUS:
        return OnGetStatus(s, wParam, lParam);
    case WM_CAP_SET_SCROLL: {
        const auto* point = reinterpret_cast<const POINT*>(lParam);
        if (point == nullptr || !s.IsConnected()) {
            return FALSE;
        }
        s.scroll = *point;
        InvalidateRect(s.Window(), nullptr, TRUE);
        return TRUE;
    }
    case WM_CAP_GRAB_FRAME:
        if (!s.IsConnected() || IsCapturing(s)) {
            return FALSE;
        }
        StopLiveVideo(s);
        GrabAndShow(s);
        return TRUE;
    case WM_CAP_GRAB_FRAME_NOSTOP:
        if (!s.IsConnected() || IsCapturing(s)) {
            return FALSE;
        }
        GrabAndShow(s);
        UpdateWindow(s.Window());
        return TRUE;
    case WM_CAP_SEQUENCE:
        return RouteSequence(s, SequenceCommand::Sequence);
    case WM_CAP_SEQUENCE_NOFILE:
        return RouteSequence(s, SequenceCommand::SequenceNoFile);
    case WM_CAP_SET_SEQUENCE_SETUP:
        return OnSetSequenceSetup(s, wParam, lParam);
    case WM_CAP_GET_SEQUENCE_SETUP:
        return OnGetSequenceSetup(s, wParam, lParam);
    case WM_CAP_STOP:
        return RouteSequence(s, SequenceCommand::Stop);
    case WM_CAP_ABORT:
        return RouteSequence(s, SequenceCommand::Abort);
    default:
        if (message >= WM_CAP_START && message <= WM_CAP_END) {
            return FALSE; // a capture message this device does not offer
        }
        handled = false;
        return 0;
    }
}

LRESULT CALLBACK CaptureWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto state = std::make_unique<CaptureWindowState>(window);
        g_windows.push_back(state.get());
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(state.release()));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    CaptureWindowState* state = StateOf(window);
    if (state == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        KillTimer(window, kLiveVideoTimer);
        SetWindowLongPtrA(window, 0, 0);
        std::erase(g_windows, state);
        std::unique_ptr<CaptureWindowState> owned(state);
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message >= WM_CAP_START && message <= WM_CAP_END) {
        PollSettingsEvent(*state);
        bool handled = false;
        const LRESULT result = HandleCaptureMessage(*state, message, wParam, lParam, handled);
        if (handled) {
            return result;
        }
    }
    switch (message) {
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
        return FALSE;
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
