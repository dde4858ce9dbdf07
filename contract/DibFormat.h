#pragma once

// The arithmetic of device-independent bitmap formats, as the program and the
// device both read a header.

#include <windows.h>

#include <cstdint>

namespace dib {

// The bytes a header claims: itself, its colour masks and its colour table.
// The table has biClrUsed entries, or for 1 to 8 bits one for each pixel
// value when biClrUsed is 0. The three masks of BI_BITFIELDS follow a
// header of the first version (40 bytes) with 16 or 32 bits; later versions
// carry them inside. 64 bits wide, so that no header's counts overflow it.
constexpr std::uint64_t ClaimedBytes(const BITMAPINFOHEADER& header) {
    std::uint64_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount >= 1 && header.biBitCount <= 8)
        colours = std::uint64_t{1} << header.biBitCount;
    const bool masks = header.biCompression == BI_BITFIELDS &&
                       header.biSize == sizeof(BITMAPINFOHEADER) &&
                       (header.biBitCount == 16 || header.biBitCount == 32);
    return header.biSize + ((masks ? 3 : 0) + colours) * sizeof(RGBQUAD);
}

// The bytes of one row: its pixels' bits rounded up to whole DWORDs, in 64
// bits (a driver's width times its bit count passes 32 bits).
constexpr std::uint64_t RowBytes(LONG width, WORD bitCount) {
    return (std::uint64_t(DWORD(width)) * bitCount + 31) / 32 * 4;
}

// The rows of either direction (a negative height runs top-down), in 64 bits.
constexpr std::uint64_t FrameBytes(LONG width, LONG height, WORD bitCount) {
    const std::uint64_t rows = std::uint64_t(height < 0 ? -std::int64_t{height} : height);
    return RowBytes(width, bitCount) * rows;
}

// The same, at most 0xFFFFFFFF bytes.
constexpr DWORD Stride(LONG width, WORD bitCount) {
    const std::uint64_t bytes = RowBytes(width, bitCount);
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : DWORD(bytes);
}
constexpr DWORD ImageBytes(LONG width, LONG height, WORD bitCount) {
    const std::uint64_t bytes = FrameBytes(width, height, bitCount);
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : DWORD(bytes);
}

} // namespace dib
