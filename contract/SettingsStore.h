#pragma once

// What the capture program, the configuration library and the capture device
// agree on about the device settings: the key that holds them, the names of
// its values, the events that tell the driver they changed, and the meaning
// of the ImageSize and ImageFormat codes. Header only: each includes it
// without linking another's code.

#include <windows.h>

namespace settings_store {

// Under HKEY_CURRENT_USER, the sub-key below the root path; the library
// creates it, the others only open it.
inline constexpr char kRootPath[] = "Software\\Mirovanta";
inline constexpr char kSubKey[] = "Brindlecove";

// Created by the driver, set by whoever changed a setting. The driver's two
// other events travel in the library's settings record by name only.
inline constexpr char kSettingsChangedEventName[] = "?|!BRINDLECOVE!!???";
inline constexpr char kSetOkEventName[] = "?|!!BRINDLECOVESETOK!!???";
inline constexpr char kRestCompleteEventName[] = "?|!!BRINDLECOVERESTCOMPL!!???";

// The sixteen values under the key, each a REG_DWORD.
namespace value_name {
inline constexpr char Brightness[] = "Brightness";
inline constexpr char Contrast[] = "Contrast";
inline constexpr char Hue[] = "Hue";
inline constexpr char Saturation[] = "Saturation";
inline constexpr char ImageSize[] = "ImageSize";
inline constexpr char Channel[] = "Channel";
inline constexpr char FineTune[] = "FineTune";
inline constexpr char VideoStandard[] = "VideoStandard";
inline constexpr char Sound[] = "Sound";
inline constexpr char Tuner[] = "Tuner";
inline constexpr char Connector[] = "Connector";
inline constexpr char AudioSource[] = "AudioSource";
inline constexpr char ImageFormat[] = "ImageFormat";
inline constexpr char UseDirect[] = "UseDirect";
inline constexpr char FavorOverlays[] = "FavorOverlays";
inline constexpr char Mute[] = "Mute";
} // namespace value_name

// ImageSize: the image's width in percent of the full 640x480.
struct ImageSizeCode {
    DWORD imageSize;
    LONG width;
    LONG height;
};
inline constexpr ImageSizeCode kSmall{25, 160, 120};
inline constexpr ImageSizeCode kMedium{50, 320, 240};
inline constexpr ImageSizeCode kLarge{100, 640, 480};
inline constexpr ImageSizeCode kImageSizes[] = {kSmall, kMedium, kLarge};

// ImageFormat: the pixels of the driver's output.
struct ImageFormatCode {
    DWORD imageFormat;
    WORD bitCount;
    DWORD compression;
};
inline constexpr ImageFormatCode kRgb15{0, 16, BI_RGB}; // 5 bits a colour in a 16-bit pixel
inline constexpr ImageFormatCode kRgb24{1, 24, BI_RGB};
inline constexpr ImageFormatCode kRgb32{2, 32, BI_RGB};
inline constexpr ImageFormatCode kYuy2{3, 16, MAKEFOURCC('Y', 'U', 'Y', '2')};
inline constexpr ImageFormatCode kImageFormats[] = {kRgb15, kRgb24, kRgb32, kYuy2};

// The entry of a stored code; nullptr for a code that has no meaning.
constexpr const ImageSizeCode* FindImageSize(DWORD imageSize) {
    for (const ImageSizeCode& entry : kImageSizes) {
        if (entry.imageSize == imageSize)
            return &entry;
    }
    return nullptr;
}
constexpr const ImageFormatCode* FindImageFormat(DWORD imageFormat) {
    for (const ImageFormatCode& entry : kImageFormats) {
        if (entry.imageFormat == imageFormat)
            return &entry;
    }
    return nullptr;
}

} // namespace settings_store
