#include "DriverSettingsLink.h"

#include <algorithm>

namespace {

std::optional<DWORD> ReadDword(HKEY key, const char* name) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value) {
        return std::nullopt;
    }
    return value;
}

} // namespace

PictureAdjustments AdjustmentsFromSettings(DWORD brightness, DWORD contrast, DWORD hue,
                                           DWORD saturation) {
    auto level = [](DWORD v) {
        return static_cast<int>(std::min<DWORD>(v, 255));
    };
    PictureAdjustments a;
    a.brightness = level(brightness) - 128;
    a.contrastPct = level(contrast) * 100 / 128;
    a.saturationPct = level(saturation) * 100 / 128;
    a.hueDegrees = (level(hue) - 128) * 180 / 128;
    return a;
}

std::optional<DriverSettings> ReadDriverSettings() {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settings_store::kKeyPath, 0, KEY_READ, &raw) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    UniqueRegKey key(raw);
    auto level = [&key](const char* name) {
        return ReadDword(key.Get(), name).value_or(128);
    };
    DriverSettings settings;
    settings.picture = AdjustmentsFromSettings(level("Brightness"), level("Contrast"), level("Hue"),
                                               level("Saturation"));
    settings.imageSize = ReadDword(key.Get(), "ImageSize");
    settings.imageFormat = ReadDword(key.Get(), "ImageFormat");
    return settings;
}

UniqueKernelHandle CreateSettingsEvent() {
    return UniqueKernelHandle(
        CreateEventA(nullptr, FALSE, FALSE, settings_store::kSettingsChangedEventName));
}
