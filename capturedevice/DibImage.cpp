#include "DibImage.h"

#include "PaletteFormat.h"
#include "contract/DibFormat.h"
#include "base/Handle.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr DWORD kFourccYuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');

BYTE Clamp255(int v) {
    return static_cast<BYTE>(std::clamp(v, 0, 255));
}

void YuvToBgr(int y, int u, int v, BYTE* out) {
    const int c = y - 16, d = u - 128, e = v - 128;
    out[0] = Clamp255((298 * c + 516 * d + 128) >> 8);
    out[1] = Clamp255((298 * c - 100 * d - 208 * e + 128) >> 8);
    out[2] = Clamp255((298 * c + 409 * e + 128) >> 8);
}

using dib::Stride;

} // namespace

DibImage::DibImage(const BITMAPINFOHEADER& format, const std::vector<BYTE>& bits) {
    const LONG w = format.biWidth, h = format.biHeight;
    if (w <= 0 || h <= 0 || w > 4096 || h > 4096) {
        return;
    }
    m_header = format;
    m_header.biSize = sizeof(BITMAPINFOHEADER);
    m_header.biClrUsed = 0;
    m_header.biClrImportant = 0;
    if (format.biCompression == BI_RGB && (format.biBitCount == 16 || format.biBitCount == 24)) {
        const DWORD size = Stride(w, format.biBitCount) * static_cast<DWORD>(h);
        if (bits.size() < size) {
            return;
        }
        m_header.biSizeImage = size;
        m_bits.assign(bits.begin(), bits.begin() + size);
        return;
    }
    if (IsPalettised(format)) {
        ConvertPalettised(w, h, bits);
        return;
    }
    if (format.biCompression != kFourccYuy2 || format.biBitCount != 16 || (w % 2) != 0) {
        return;
    }
    const DWORD inStride = static_cast<DWORD>(w) * 2;
    if (bits.size() < inStride * static_cast<DWORD>(h)) {
        return;
    }
    const DWORD outStride = Stride(w, 24);
    m_header.biBitCount = 24;
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = outStride * static_cast<DWORD>(h);
    m_bits.assign(m_header.biSizeImage, 0);
    for (LONG y = 0; y < h; ++y) {
        // YUY2 is top-down; the RGB bitmap bottom-up.
        const BYTE* in = bits.data() + static_cast<size_t>(y) * inStride;
        BYTE* out = m_bits.data() + static_cast<size_t>(h - 1 - y) * outStride;
        for (LONG x = 0; x < w; x += 2, in += 4, out += 6) {
            YuvToBgr(in[0], in[1], in[3], out);
            YuvToBgr(in[2], in[1], in[3], out + 3);
        }
    }
}

// 8-bit frames become 24-bit RGB, each index looked up in the palette.
void DibImage::ConvertPalettised(LONG w, LONG h, const std::vector<BYTE>& bits) {
    const DWORD inStride = Stride(w, 8);
    if (bits.size() < inStride * static_cast<DWORD>(h)) {
        return;
    }
    const DWORD outStride = Stride(w, 24);
    m_header.biBitCount = 24;
    m_header.biSizeImage = outStride * static_cast<DWORD>(h);
    m_bits.assign(m_header.biSizeImage, 0);
    for (LONG y = 0; y < h; ++y) {
        const BYTE* in = bits.data() + static_cast<size_t>(y) * inStride;
        BYTE* out = m_bits.data() + static_cast<size_t>(y) * outStride;
        for (LONG x = 0; x < w; ++x, out += 3) {
            const RGBQUAD c = PaletteColour(in[x]);
            out[0] = c.rgbBlue, out[1] = c.rgbGreen, out[2] = c.rgbRed;
        }
    }
}

bool DibImage::SaveBmp(const std::string& path) const {
    if (IsEmpty()) {
        return false;
    }
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + static_cast<DWORD>(m_bits.size());
    UniqueFile handle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) {
        return false;
    }
    auto write = [&handle](const void* data, DWORD size) {
        DWORD written = 0;
        return WriteFile(handle.Get(), data, size, &written, nullptr) && written == size;
    };
    const bool ok = write(&file, sizeof file) && write(&m_header, sizeof m_header) &&
                    write(m_bits.data(), static_cast<DWORD>(m_bits.size()));
    handle.Reset();
    if (!ok) {
        DeleteFileA(path.c_str());
    }
    return ok;
}

HGLOBAL DibImage::ToGlobalDib() const {
    if (IsEmpty()) {
        return nullptr;
    }
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, sizeof m_header + m_bits.size()));
    {
        CGlobalLock<BYTE> lock(memory.Get());
        BYTE* data = lock.Get();
        if (data == nullptr) {
            return nullptr;
        }
        std::memcpy(data, &m_header, sizeof m_header);
        std::memcpy(data + sizeof m_header, m_bits.data(), m_bits.size());
    }
    return memory.Release();
}

void DibImage::Paint(HDC dc, const RECT& target) const {
    if (IsEmpty()) {
        return;
    }
    BITMAPINFO info{};
    info.bmiHeader = m_header;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, target.left, target.top, target.right - target.left,
                  target.bottom - target.top, 0, 0, m_header.biWidth, m_header.biHeight,
                  m_bits.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}
