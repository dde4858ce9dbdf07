#pragma once

#include <windows.h>

#include <vector>

// A capture window's video format held whole: the header and what follows
// it (a colour table, colour masks, a compressor's own bytes), as large as
// the driver says it is. A driver reads as much of a format as its header
// claims, so a format is only ever sent back with every byte it claims.
class CVideoFormat {
public:
    CVideoFormat() = default;
    CVideoFormat(CVideoFormat&&) = default;
    CVideoFormat& operator=(CVideoFormat&&) = default;
    CVideoFormat(const CVideoFormat&) = delete;
    CVideoFormat& operator=(const CVideoFormat&) = delete;

    // Reads the capture window's current format, asking for its size first.
    // False, and empty, when there is none.
    bool Read(HWND hWndCap);
    bool IsEmpty() const { return m_bytes.empty(); }
    DWORD Size() const { return DWORD(m_bytes.size()); }
    // The header; an all-zero one while empty, which Send does not send.
    BITMAPINFOHEADER& Header() { return IsEmpty() ? m_empty : *HeaderBytes(); }
    // Sends the whole format to the capture window; false when empty, when
    // the header claims more bytes than there are, or when refused.
    bool Send(HWND hWndCap);

private:
    BITMAPINFOHEADER* HeaderBytes() { return reinterpret_cast<BITMAPINFOHEADER*>(m_bytes.data()); }

    std::vector<BYTE> m_bytes;
    BITMAPINFOHEADER m_empty{};
};
