#include "session/VideoFormat.h"

#include "session/CaptureWindow.h"

#include <cstring>

namespace {
// Far beyond a header with 256 colours; a larger answer is not a format.
constexpr DWORD kLargestFormat = 64 * 1024;
} // namespace

DWORD CVideoFormat::ClaimedSize(const BITMAPINFOHEADER& header) {
    DWORD colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount != 0 && header.biBitCount <= 8)
        colours = 1u << header.biBitCount;
    // Colour masks follow a header of the first version only.
    const DWORD masks =
        header.biCompression == BI_BITFIELDS && header.biSize == sizeof(BITMAPINFOHEADER) ? 3 : 0;
    if (header.biSize > kLargestFormat || colours > kLargestFormat / sizeof(RGBQUAD))
        return kLargestFormat + 1;
    return header.biSize + (masks + colours) * DWORD(sizeof(RGBQUAD));
}

bool CVideoFormat::Read(HWND hWndCap) {
    m_bytes.clear();
    const DWORD size = capwnd::GetVideoFormatSize(hWndCap);
    if (size < sizeof(BITMAPINFOHEADER) || size > kLargestFormat)
        return false;
    std::vector<BYTE> bytes(size);
    if (capwnd::GetVideoFormat(hWndCap, bytes.data(), size) == 0)
        return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (header.biSize < sizeof header || header.biSize > size)
        return false;
    m_bytes = std::move(bytes);
    return true;
}

bool CVideoFormat::Send(HWND hWndCap) {
    // A header that claims more than there is (as the driver gave it, or as
    // changed since) would have the driver read past the end.
    if (IsEmpty() || ClaimedSize(Header()) > Size())
        return false;
    return capwnd::SetVideoFormat(hWndCap, m_bytes.data(), Size());
}
