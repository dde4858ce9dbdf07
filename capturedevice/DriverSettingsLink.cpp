#include "DriverSettingsLink.h"

#include <algorithm>

#include "contract/SettingsKey.h"

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
    using namespace settings_store::value_name;
    const CSettingsKey key = CSettingsKey::Open(KEY_READ);
    if (!key) {
        return std::nullopt;
    }
    auto level = [&key](const char* name) {
        return key.ReadDword(name).value_or(128);
    };
    DriverSettings settings;
    settings.picture =
        AdjustmentsFromSettings(level(Brightness), level(Contrast), level(Hue), level(Saturation));
    settings.imageSize = key.ReadDword(ImageSize);
    settings.imageFormat = key.ReadDword(ImageFormat);
    return settings;
}

UniqueKernelHandle CreateSettingsEvent() {
    return UniqueKernelHandle(
        CreateEventA(nullptr, FALSE, FALSE, settings_store::kSettingsChangedEventName));
}
