#pragma once
// Decodes one stream's frames (ours and other encoders' of the same version
// of the format: every predictor, progressive or interlaced) into YUY2 or
// RGB for a YUY2 stream, RGB 24 or RGB 32 for an RGB stream, either way up.

#include <cstdint>
#include <vector>

#include "hfyucodec/HfyuFormat.h"

namespace hfyu {

// Symbols by a lookup of the next kFastBits bits; longer codes by their
// length's range.
class CDecodeTable {
public:
    static constexpr int kFastBits = 11;
    bool Build(const CodeLengths& lengths);
    template <typename Reader> uint8_t Decode(Reader& reader) const;

private:
    // The length of the code at the top of `top`, and its symbol.
    int DecodeLong(uint32_t top, uint8_t& symbol) const;

    std::array<uint16_t, 1 << kFastBits> m_fast{}; // symbol | length << 8; 0: a longer code
    std::array<uint32_t, 33> m_first{};            // each length's first code
    std::array<uint16_t, 33> m_count{};
    std::array<uint16_t, 33> m_offset{}; // into m_sorted
    std::array<uint8_t, kSymbols> m_sorted{};
};

class CDecoder {
public:
    // False when the output cannot be made from the stream.
    bool Start(const StreamParams& params, const RawShape& output);
    // False for a frame that ends before its last pixel.
    bool Decode(const uint8_t* data, size_t size, uint8_t* out);

    static bool CanOutput(const StreamParams& params, const RawShape& output);

private:
    template <typename Reader> void DecodeYuy2(Reader& reader, uint8_t* out, size_t stride) const;
    void Yuy2ToRgb(const uint8_t* yuy2, size_t yuy2Stride, uint8_t* out) const;
    template <typename Reader> void DecodeRgb(Reader& reader, uint8_t* out);

    StreamParams m_params;
    RawShape m_output;
    std::array<CDecodeTable, 3> m_tables;
    // RGB: the rows the gradient reads, 4 bytes a pixel; YUY2 to RGB: the
    // YUY2 frame.
    std::vector<uint8_t> m_rows;
    std::vector<uint8_t> m_padded; // the frame, and zeros after it
};

} // namespace hfyu
