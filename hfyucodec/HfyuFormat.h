#pragma once
// The formats the codec takes and gives: raw frames (YUY2, RGB 24, RGB 32 as
// DIBs) and the compressed stream's format, a BITMAPINFOHEADER with
// biCompression 'HFYU' followed by the extra data that carries the method
// and the three Huffman tables, fixed for the whole stream.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "hfyucodec/HuffmanCode.h"

namespace hfyu {

enum class Layout : uint8_t { Yuy2, Rgb24, Rgb32 };
// The format's method numbers.
enum class Predictor : uint8_t { Left = 0, Gradient = 1, Median = 2 };

constexpr DWORD kHfyu = mmioFOURCC('H', 'F', 'Y', 'U');
constexpr DWORD kYuy2 = mmioFOURCC('Y', 'U', 'Y', '2');
// Frames far past any capture card, and small enough that every size below
// stays exact in 32 bits.
constexpr int kMaxDimension = 8192;

// The extra data's first four bytes; the tables follow.
struct ExtraHeader {
    uint8_t method;       // the predictor, | kDecorrelate
    uint8_t bitsPerPixel; // 16, 24 or 32; 0: biBitCount's
    uint8_t flags;        // kInterlaced or kProgressive; kPerFrameTables
    uint8_t reserved;     // 0 in this version of the format
};
static_assert(sizeof(ExtraHeader) == 4);
constexpr uint8_t kDecorrelate = 0x40;
constexpr uint8_t kInterlaced = 0x10;
constexpr uint8_t kProgressive = 0x20;
constexpr uint8_t kPerFrameTables = 0x40;

// The tables in the format's order: YUY2's Y, U, V; RGB's B (less G), G,
// R (less G), alpha coded with R's.
using Tables = std::array<CodeLengths, 3>;

int BitsPerPixel(Layout layout);
// The symbols each pixel codes: 2 for YUY2, 3 or 4 for RGB.
int SymbolsPerPixel(Layout layout);

// A raw frame as a DIB.
struct RawShape {
    Layout layout = Layout::Yuy2;
    int width = 0;
    int height = 0;
    bool topDown = false; // RGB with a negative height; YUY2 always is
    size_t stride = 0;    // bytes per row, rounded up to 4
    size_t FrameBytes() const { return stride * static_cast<size_t>(height); }
};
// False for anything the codec does not take: other compressions and bit
// counts (RGB 15 and 16, palettes), odd or zero widths, YUY2 narrower than 4.
bool ParseRawFormat(const BITMAPINFOHEADER& format, RawShape& shape);

struct StreamParams {
    Layout layout = Layout::Yuy2;
    Predictor predictor = Predictor::Left;
    bool decorrelate = false;
    bool interlaced = false;
    int width = 0;
    int height = 0;
    Tables tables{};
};
// The stream's format from a compressed BITMAPINFOHEADER and the biSize -
// 40 bytes that follow it (read as bytes: the header is only their start);
// false for versions and options we do not read.
bool ParseStreamFormat(const BYTE* format, StreamParams& params);
// The BITMAPINFOHEADER with its extra data.
std::vector<BYTE> MakeStreamFormat(const StreamParams& params);

// The largest frame the encoder can write for the shape: every symbol at the
// longest code we build, and the first pixel raw, in whole 32-bit words.
DWORD WorstFrameBytes(Layout layout, int width, int height);

} // namespace hfyu
