#pragma once

// What the capture program, this library and the capture device agree on
// about the device settings: the key that holds them, the event that tells
// the driver they changed, and the meaning of the ImageSize and ImageFormat
// codes. Header only: each includes it without linking another's code.

#include <windows.h>

namespace settings_store {

// Under HKEY_CURRENT_USER; the library creates it, the others only open it.
inline constexpr char kRootPath[] = "Software\\Mirovanta";
inline constexpr char kSubKey[] = "Brindlecove";
inline constexpr char kKeyPath[] = "Software\\Mirovanta\\Brindlecove";

// Created by the driver, set by whoever changed a setting.
inline constexpr char kSettingsChangedEventName[] = "?|!BRINDLECOVE!!???";

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
