#pragma once
// The palette driver's 8-bit format: 256 colours (three bits of red, three
// of green, two of blue), and a video format handed out and taken whole:
// the header and the colour table its counts claim. Inline, as the frame
// generator and the bitmaps are also built into programs of their own.

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

// 8 bits a pixel, each an index into the colour table.
inline bool IsPalettised(const BITMAPINFOHEADER& format) {
    return format.biCompression == BI_RGB && format.biBitCount == 8;
}

inline BYTE PaletteIndex(const RGBTRIPLE& colour) {
    return static_cast<BYTE>((colour.rgbtRed & 0xE0) | ((colour.rgbtGreen >> 3) & 0x1C) |
                             (colour.rgbtBlue >> 6));
}

// Each field spread over 0 to 255.
inline RGBQUAD PaletteColour(BYTE index) {
    const int red = index >> 5, green = (index >> 2) & 7, blue = index & 3;
    return {static_cast<BYTE>(blue * 85), static_cast<BYTE>(green * 255 / 7),
            static_cast<BYTE>(red * 255 / 7), 0};
}

// The header followed by its colour table: the palette for the palettised
// format, nothing for the others.
inline std::vector<BYTE> WholeFormat(const BITMAPINFOHEADER& format) {
    const DWORD colours = IsPalettised(format) ? 256 : 0;
    std::vector<BYTE> whole(sizeof format + colours * sizeof(RGBQUAD));
    std::memcpy(whole.data(), &format, sizeof format);
    for (DWORD i = 0; i < colours; ++i) {
        const RGBQUAD entry = PaletteColour(static_cast<BYTE>(i));
        std::memcpy(whole.data() + sizeof format + i * sizeof entry, &entry, sizeof entry);
    }
    return whole;
}
