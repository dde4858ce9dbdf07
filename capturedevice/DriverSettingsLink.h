#pragma once
// The driver's side of the card's configuration library: the settings-changed
// event it creates while connected, and the settings it reads from the
// device settings key when the event is set.

#include <windows.h>

#include <optional>

#include "base/Handle.h"
#include "FrameGenerator.h"

struct DriverSettings {
    PictureAdjustments picture;       // neutral for missing values
    std::optional<DWORD> imageSize;   // ImageSize code, when stored
    std::optional<DWORD> imageFormat; // ImageFormat code, when stored
};

// The values under the settings key; nullopt when the key does not exist.
std::optional<DriverSettings> ReadDriverSettings();

// Brightness, Contrast, Hue and Saturation (0..255, 128 = unchanged) as the
// picture controls of the frame generator.
PictureAdjustments AdjustmentsFromSettings(DWORD brightness, DWORD contrast, DWORD hue,
                                           DWORD saturation);

// Creates (or opens, when another window holds it) the auto-reset
// settings-changed event.
UniqueKernelHandle CreateSettingsEvent();
