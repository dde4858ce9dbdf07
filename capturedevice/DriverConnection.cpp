// Connecting a virtual driver, the records that describe it, and the
// settings the card's configuration library signals.

#include <algorithm>
#include <cstring>
#include <memory>

#include "CaptureWindowHandlers.h"
#include "CaptureWindowRegistry.h"
#include "DriverSettingsLink.h"

namespace {

void Disconnect(CaptureWindowState& s) {
    StopLiveVideo(s);
    s.link.driver = std::nullopt;
    s.link.settingsEvent.Reset();
    InvalidateRect(s.Window(), nullptr, TRUE);
}

// Applies what changed in `now` since the window last took the settings up.
// Format codes wait while a capture runs: they stay pending until the next
// signal.
void TakeUpSettings(CaptureWindowState& s, const DriverSettings& now) {
    DriverSettings& taken = s.link.settingsTaken;
    PictureAdjustments picture = s.Frames().Adjustments();
    auto takeChanged = [](auto& current, auto wanted, auto before) {
        if (wanted != before) {
            current = wanted;
        }
    };
    takeChanged(picture.brightness, now.picture.brightness, taken.picture.brightness);
    takeChanged(picture.contrastPct, now.picture.contrastPct, taken.picture.contrastPct);
    takeChanged(picture.saturationPct, now.picture.saturationPct, taken.picture.saturationPct);
    takeChanged(picture.hueDegrees, now.picture.hueDegrees, taken.picture.hueDegrees);
    s.Frames().SetAdjustments(picture);
    taken.picture = now.picture;
    if (IsCapturing(s)) {
        return;
    }
    const std::optional<DWORD> size =
        now.imageSize != taken.imageSize ? now.imageSize : std::nullopt;
    const std::optional<DWORD> format =
        now.imageFormat != taken.imageFormat ? now.imageFormat : std::nullopt;
    taken.imageSize = now.imageSize;
    taken.imageFormat = now.imageFormat;
    ApplyFormatCodes(s, size, format);
}

} // namespace

void PollSettingsEvent(CaptureWindowState& s) {
    if (!s.link.settingsEvent ||
        WaitForSingleObject(s.link.settingsEvent.Get(), 0) != WAIT_OBJECT_0) {
        return;
    }
    const std::optional<DriverSettings> settings = ReadDriverSettings();
    if (!settings) {
        return;
    }
    // One window takes the auto-reset signal up for every window of the
    // process. A frame callback may close windows meanwhile: the list keeps
    // their state alive, and the windows that are gone are skipped.
    for (const std::shared_ptr<CaptureWindowState>& window : CaptureWindowRegistry::All()) {
        if (window->WindowAlive() && window->IsConnected()) {
            TakeUpSettings(*window, *settings);
        }
    }
}

LRESULT OnDriverConnect(CaptureWindowState& s, WPARAM index) {
    if (IsCapturing(s)) {
        return FALSE;
    }
    const bool wasPreview = s.display.previewOn, wasOverlay = s.display.overlayOn;
    Disconnect(s);
    std::optional<VirtualDriver> driver =
        index <= 9 ? FindDriver(static_cast<int>(index)) : std::nullopt;
    if (!driver) {
        return FALSE;
    }
    s.link.driver = driver;
    s.Frames().SetFormat(driver->DefaultFormat());
    s.link.settingsEvent = CreateSettingsEvent();
    // The picture controls start from the key; the format at the driver's
    // default. Later signals apply what changed from these values.
    s.link.settingsTaken = ReadDriverSettings().value_or(DriverSettings{});
    s.Frames().SetAdjustments(s.link.settingsTaken.picture);
    // Live video goes on across a change of driver, overlay only where the
    // new driver has one.
    s.display.previewOn = wasPreview || (wasOverlay && !driver->HasOverlay());
    s.display.overlayOn = wasOverlay && driver->HasOverlay();
    GrabAndShow(s);
    RestartLiveTimer(s);
    return TRUE;
}

LRESULT OnDriverDisconnect(CaptureWindowState& s) {
    if (IsCapturing(s)) {
        return FALSE;
    }
    Disconnect(s);
    return TRUE;
}

LRESULT OnGetDriverText(const CaptureWindowState& s, WPARAM size, LPARAM buffer, bool name) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!s.IsConnected() || out == nullptr || size == 0) {
        return FALSE;
    }
    const char* text = name ? s.link.driver->Name() : s.link.driver->Version();
    lstrcpynA(out, text, static_cast<int>(std::min<WPARAM>(size, 0x7fffffff)));
    return TRUE;
}

LRESULT OnGetCaps(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (!s.IsConnected() || size != sizeof(CAPDRIVERCAPS) || buffer == 0) {
        return FALSE;
    }
    CAPDRIVERCAPS caps{};
    caps.wDeviceIndex = static_cast<UINT>(s.DriverIndex());
    caps.fHasOverlay = s.link.driver->HasOverlay();
    caps.fHasDlgVideoSource = s.link.driver->HasDialogs();
    caps.fHasDlgVideoFormat = s.link.driver->HasDialogs();
    caps.fHasDlgVideoDisplay = s.link.driver->HasDialogs();
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
        status.wNumVideoAllocated = s.setup.parms.wNumVideoRequested;
        status.wNumAudioAllocated =
            s.setup.parms.fCaptureAudio ? s.setup.parms.wNumAudioRequested : 0;
    }
    status.fLiveWindow = s.display.previewOn;
    status.fOverlayWindow = s.display.overlayOn;
    status.fScale = s.display.scaleOn;
    status.ptScroll = s.display.scroll;
    status.fUsingDefaultPalette = FALSE;
    status.fAudioHardware = TRUE;
    status.fCapFileExists = GetFileAttributesA(s.setup.file.c_str()) != INVALID_FILE_ATTRIBUTES;
    const SequenceProgress& p = s.progress;
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
