#pragma once
// A frame as a device-independent bitmap: what the window paints, what a BMP
// file holds and what goes on the clipboard. RGB frames are taken as they are;
// 8-bit palettised and YUY2 frames are converted to bottom-up 24-bit RGB.

#include <windows.h>

#include <string>
#include <vector>

class DibImage {
public:
    // Builds the bitmap of `bits` laid out as `format` (the device's frame
    // formats). Empty when the format or the data are unusable.
    DibImage(const BITMAPINFOHEADER& format, const std::vector<BYTE>& bits);

    bool IsEmpty() const { return m_bits.empty(); }
    const BITMAPINFOHEADER& Header() const { return m_header; }
    const std::vector<BYTE>& Bits() const { return m_bits; }

    // Writes a BMP file; false when the file cannot be created or written.
    bool SaveBmp(const std::string& path) const;
    // Header and bits in one movable global block, as CF_DIB wants them.
    HGLOBAL ToGlobalDib() const;
    // Paints the picture into `target` (client coordinates), stretched.
    void Paint(HDC dc, const RECT& target) const;

private:
    void ConvertPalettised(LONG w, LONG h, const std::vector<BYTE>& bits);

    BITMAPINFOHEADER m_header{};
    std::vector<BYTE> m_bits;
};
