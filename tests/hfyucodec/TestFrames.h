#pragma once
// Known raw frames for the codec's tests and benchmark: black, pure noise,
// or a picture like captured analog video (smooth shapes that move from
// frame to frame, with a little noise on every sample); and the installed
// codec set up for them.

#include <windows.h>

#include <vfw.h>

#include <cstdint>
#include <vector>

#include "hfyucodec/hfyucodec.h"

enum class FramePattern { Black, Noise, Picture };

// The DIB header of a raw frame: 'YUY2' for 16 bits, BI_RGB otherwise; a
// negative height for top-down.
inline BITMAPINFOHEADER RawFormat(int bits, int width, int height) {
    BITMAPINFOHEADER format{};
    format.biSize = sizeof(format);
    format.biWidth = width;
    format.biHeight = height;
    format.biPlanes = 1;
    format.biBitCount = static_cast<WORD>(bits);
    format.biCompression = bits == 16 ? mmioFOURCC('Y', 'U', 'Y', '2') : BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * bits + 31) / 32 * 4;
    format.biSizeImage = stride * static_cast<DWORD>(height < 0 ? -height : height);
    return format;
}

inline std::vector<BYTE> MakeFrame(const BITMAPINFOHEADER& format, FramePattern pattern,
                                   int index) {
    std::vector<BYTE> frame(format.biSizeImage);
    uint32_t seed = 0x9E3779B9u * static_cast<uint32_t>(index + 1);
    const auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        return seed;
    };
    const int height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    const size_t stride = format.biSizeImage / static_cast<size_t>(height);
    const int bytes = format.biWidth * format.biBitCount / 8;
    for (int y = 0; y < height; ++y) {
        BYTE* row = frame.data() + stride * static_cast<size_t>(y);
        for (int x = 0; x < bytes; ++x) {
            switch (pattern) {
            case FramePattern::Black:
                // YUY2's black has its chroma at the middle.
                row[x] = format.biBitCount == 16 && x % 2 == 1 ? 128 : 16;
                break;
            case FramePattern::Noise:
                row[x] = static_cast<BYTE>(next() >> 24);
                break;
            case FramePattern::Picture: {
                const int px = x * 8 / format.biBitCount;
                const int shape = ((px + 3 * index) / 40 + (y + index) / 30) % 2 * 96;
                const int ramp = (px + y + x % 4 * 30) / 6;
                row[x] = static_cast<BYTE>(40 + shape + ramp % 80 + static_cast<int>(next() >> 30));
                break;
            }
            }
        }
    }
    return frame;
}

// Sets the compressor's predictor for frames of the format, and fits its
// tables to `sample` when one is given; false when the codec refuses either.
inline bool SetUpCompressor(HIC hic, const BITMAPINFOHEADER& format, int predictor,
                            const BYTE* sample) {
    HFYU_STATE state{};
    if (ICGetState(hic, &state, sizeof(state)) != ICERR_OK) {
        return false;
    }
    (format.biBitCount == 16 ? state.yuy2Predictor : state.rgbPredictor) =
        static_cast<BYTE>(predictor);
    if (ICSetState(hic, &state, sizeof(state)) != static_cast<LRESULT>(sizeof(state))) {
        return false;
    }
    return sample == nullptr || HfyuFitTables(hic, &format, sample) == ICERR_OK;
}
