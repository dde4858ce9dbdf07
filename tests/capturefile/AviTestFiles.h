#pragma once
// Formats and sample bytes shared by the writer's tests.

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

inline std::vector<BYTE> VideoFormat(LONG width, LONG height, WORD bits,
                                     DWORD compression = BI_RGB) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    header.biSizeImage = static_cast<DWORD>(((static_cast<ULONGLONG>(width) * bits + 31) / 32) * 4 *
                                            (height < 0 ? -height : height));
    std::vector<BYTE> bytes(sizeof header);
    memcpy(bytes.data(), &header, sizeof header);
    return bytes;
}

inline std::vector<BYTE> AudioFormat(DWORD rate, WORD channels, WORD bits) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    std::vector<BYTE> bytes(sizeof format);
    memcpy(bytes.data(), &format, sizeof format);
    return bytes;
}

// Frame n's bytes: a pattern that differs between frames and along the frame.
inline std::vector<BYTE> FrameBytes(DWORD n, DWORD size) {
    std::vector<BYTE> bytes(size);
    for (DWORD i = 0; i < size; ++i) {
        bytes[i] = static_cast<BYTE>(n * 7 + i / 3);
    }
    return bytes;
}

inline std::string TempPath(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}
