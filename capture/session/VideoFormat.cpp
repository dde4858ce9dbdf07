#include "session/VideoFormat.h"

#include "contract/DibFormat.h"
#include "session/CaptureWindowServices.h"

#include <cstring>

namespace {
// Far beyond a header with 256 colours; a larger answer is not a format.
constexpr DWORD kLargestFormat = 64 * 1024;
} // namespace

bool CVideoFormat::Read(HWND hWndCap) {
    m_bytes.clear();
    const DWORD size = capwnd::GetVideoFormatSize(hWndCap);
    if (size < sizeof(BITMAPINFOHEADER) || size > kLargestFormat)
        return false;
    std::vector<BYTE> bytes(size + capwnd::kRecordSlack);
    // An answer larger than the buffer is a format that changed since the
    // size was asked, or a driver that miscounts: what the buffer holds is
    // not the whole of it.
    const DWORD answer = capwnd::GetVideoFormat(hWndCap, bytes.data(), size);
    if (answer == 0 || answer > size)
        return false;
    bytes.resize(size);
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
    if (IsEmpty() || dib::ClaimedBytes(Header()) > Size())
        return false;
    return capwnd::SetVideoFormat(hWndCap, m_bytes.data(), Size());
}
