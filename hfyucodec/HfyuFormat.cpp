#include "hfyucodec/HfyuFormat.h"

#include <cstring>

namespace hfyu {

int BitsPerPixel(Layout layout) {
    switch (layout) {
    case Layout::Yuy2:
        return 16;
    case Layout::Rgb24:
        return 24;
    case Layout::Rgb32:
        return 32;
    }
    return 0;
}

int SymbolsPerPixel(Layout layout) {
    return layout == Layout::Yuy2 ? 2 : BitsPerPixel(layout) / 8;
}

namespace {

bool LayoutFromRaw(const BITMAPINFOHEADER& format, Layout& layout) {
    if (format.biCompression == kYuy2 && format.biBitCount == 16) {
        layout = Layout::Yuy2;
        return true;
    }
    if (format.biCompression != BI_RGB || format.biPlanes != 1) {
        return false;
    }
    if (format.biBitCount == 24) {
        layout = Layout::Rgb24;
        return true;
    }
    if (format.biBitCount == 32) {
        layout = Layout::Rgb32;
        return true;
    }
    return false;
}

bool LayoutFromBits(int bits, Layout& layout) {
    switch (bits) {
    case 16:
        layout = Layout::Yuy2;
        return true;
    case 24:
        layout = Layout::Rgb24;
        return true;
    case 32:
        layout = Layout::Rgb32;
        return true;
    default:
        return false;
    }
}

// Even widths only (YUY2 pairs its pixels, and the format's RGB readers
// expect it too); YUY2's median predictor starts its second row 4 pixels in.
bool SizeAllowed(Layout layout, LONG width, LONG height) {
    const LONG minWidth = layout == Layout::Yuy2 ? 4 : 2;
    return width >= minWidth && width <= kMaxDimension && width % 2 == 0 && height != 0 &&
           height >= -kMaxDimension && height <= kMaxDimension;
}

bool ReadTables(const uint8_t* data, size_t size, Tables& tables) {
    for (auto& table : tables) {
        const size_t used = ReadLengths(data, size, table);
        std::array<uint32_t, kSymbols> codes{};
        if (used == 0 || MaxLength(table) > kMaxReadBits || !MakeCodes(table, codes)) {
            return false;
        }
        data += used;
        size -= used;
    }
    return true;
}

bool ReadMethod(const ExtraHeader& header, StreamParams& params) {
    const int predictor = header.method & 63;
    if (predictor > static_cast<int>(Predictor::Median) || header.reserved != 0 ||
        (header.flags & kPerFrameTables) != 0) {
        return false;
    }
    params.predictor = static_cast<Predictor>(predictor);
    params.decorrelate = (header.method & kDecorrelate) != 0;
    // Without a word either way, tall frames are taken as interlaced, as the
    // format's first encoder did.
    const int interlace = (header.flags & 0x30) >> 4;
    params.interlaced = interlace == 1 || (interlace != 2 && params.height > 288);
    return params.layout == Layout::Yuy2 || params.predictor != Predictor::Median;
}

} // namespace

bool ParseRawFormat(const BITMAPINFOHEADER& format, RawShape& shape) {
    if (format.biSize < sizeof(BITMAPINFOHEADER) || !LayoutFromRaw(format, shape.layout) ||
        !SizeAllowed(shape.layout, format.biWidth, format.biHeight)) {
        return false;
    }
    shape.width = format.biWidth;
    shape.height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    shape.topDown = shape.layout == Layout::Yuy2 || format.biHeight < 0;
    shape.stride = (static_cast<size_t>(shape.width) * BitsPerPixel(shape.layout) + 31) / 32 * 4;
    return true;
}

bool ParseStreamFormat(const BYTE* bytes, StreamParams& params) {
    BITMAPINFOHEADER format{};
    std::memcpy(&format, bytes, sizeof(format));
    const size_t extraBytes =
        format.biSize > sizeof(BITMAPINFOHEADER) ? format.biSize - sizeof(BITMAPINFOHEADER) : 0;
    if (format.biCompression != kHfyu && format.biCompression != mmioFOURCC('h', 'f', 'y', 'u')) {
        return false;
    }
    // Formats without extra data, or with a method in biBitCount's low bits,
    // are the format's first version, coded with its built-in tables.
    if (extraBytes < sizeof(ExtraHeader) || format.biBitCount % 8 != 0 ||
        format.biSize > (1u << 16)) {
        return false;
    }
    const BYTE* extra = bytes + sizeof(BITMAPINFOHEADER);
    ExtraHeader header{};
    std::memcpy(&header, extra, sizeof(header));
    const int bits = header.bitsPerPixel != 0 ? header.bitsPerPixel : format.biBitCount;
    if (!LayoutFromBits(bits, params.layout) ||
        !SizeAllowed(params.layout, format.biWidth, format.biHeight)) {
        return false;
    }
    params.width = format.biWidth;
    params.height = format.biHeight < 0 ? -format.biHeight : format.biHeight;
    return ReadMethod(header, params) &&
           ReadTables(extra + sizeof(header), extraBytes - sizeof(header), params.tables);
}

std::vector<BYTE> MakeStreamFormat(const StreamParams& params) {
    // Each table takes at most 2 bytes a symbol.
    std::vector<BYTE> extra(sizeof(ExtraHeader) + 3 * 2 * kSymbols);
    ExtraHeader header{};
    header.method = static_cast<uint8_t>(static_cast<uint8_t>(params.predictor) |
                                         (params.decorrelate ? kDecorrelate : 0));
    header.bitsPerPixel = static_cast<uint8_t>(BitsPerPixel(params.layout));
    header.flags = params.interlaced ? kInterlaced : kProgressive;
    std::memcpy(extra.data(), &header, sizeof(header));
    size_t used = sizeof(header);
    for (const auto& table : params.tables) {
        used += StoreLengths(table, extra.data() + used);
    }
    // Whole 32-bit words, as the format's own encoder writes.
    extra.resize((used + 3) / 4 * 4);

    BITMAPINFOHEADER format{};
    format.biSize = static_cast<DWORD>(sizeof(format) + extra.size());
    format.biWidth = params.width;
    format.biHeight = params.height;
    format.biPlanes = 1;
    format.biBitCount = static_cast<WORD>(BitsPerPixel(params.layout));
    format.biCompression = kHfyu;
    format.biSizeImage = WorstFrameBytes(params.layout, params.width, params.height);
    std::vector<BYTE> bytes(format.biSize);
    std::memcpy(bytes.data(), &format, sizeof(format));
    std::memcpy(bytes.data() + sizeof(format), extra.data(), extra.size());
    return bytes;
}

DWORD WorstFrameBytes(Layout layout, int width, int height) {
    const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) *
                          static_cast<uint64_t>(SymbolsPerPixel(layout)) * kMaxFitBits;
    return static_cast<DWORD>(4 + (bits + 31) / 32 * 4);
}

} // namespace hfyu
