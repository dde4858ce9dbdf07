#include "FrameGenerator.h"

FrameGenerator::FrameGenerator() {
    BITMAPINFOHEADER format{};
    format.biSize = sizeof format;
    format.biWidth = 320;
    format.biHeight = 240;
    format.biPlanes = 1;
    format.biBitCount = 24;
    format.biCompression = BI_RGB;
    SetFormat(format);
}

void FrameGenerator::SetFormat(const BITMAPINFOHEADER& format) {
    m_format = format;
    m_format.biSizeImage = ImageBytes(format);
}

DWORD FrameGenerator::ImageBytes(const BITMAPINFOHEADER& format) {
    const DWORD width = static_cast<DWORD>(format.biWidth);
    const DWORD height =
        static_cast<DWORD>(format.biHeight < 0 ? -format.biHeight : format.biHeight);
    const DWORD stride = ((width * format.biBitCount + 31) / 32) * 4;
    return stride * height;
}

bool FrameGenerator::IsRenderable(const BITMAPINFOHEADER&) {
    return true;
}

RGBTRIPLE FrameGenerator::BarColour(int, int) {
    return RGBTRIPLE{};
}

bool FrameGenerator::Render(DWORD, DWORD, std::span<BYTE> out) const {
    return out.size() >= FrameBytes();
}
