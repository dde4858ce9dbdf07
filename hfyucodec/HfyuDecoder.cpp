#include "hfyucodec/HfyuDecoder.h"

#include <algorithm>
#include <cstring>

namespace hfyu {
namespace {

// Reads the bits from the top of 32-bit little-endian words through a
// 32-bit window at any bit position: two loads and three shifts, 32-bit
// operations only (64-bit shifts are slow on i686), no refill to test.
// The data is followed by zero padding enough for one row of the longest
// codes, and the decoder looks at Overrun() between rows.
class CBitReader {
public:
    CBitReader(const uint8_t* padded, size_t size) : m_data(padded), m_bits(size * 8) {}

    uint32_t Peek() const {
        const uint8_t* word = m_data + (m_position >> 5) * 4;
        const unsigned shift = m_position & 31;
        uint32_t first;
        uint32_t second;
        std::memcpy(&first, word, 4);
        std::memcpy(&second, word + 4, 4);
        return first << shift | (second >> 1) >> (31 - shift);
    }
    void Skip(unsigned count) { m_position += count; }
    uint32_t Raw32() {
        const uint32_t word = Peek();
        Skip(32);
        return word;
    }
    // True when the frame ended before the bits taken from it.
    bool Overrun() const { return m_position > m_bits; }

private:
    const uint8_t* m_data;
    size_t m_bits;
    size_t m_position = 0;
};

inline uint8_t Median(uint8_t a, uint8_t b, uint8_t c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

struct Yuy2State {
    uint8_t y, u, v;
    uint8_t topY, topU, topV;
};

struct Yuy2Tables {
    const CDecodeTable& y;
    const CDecodeTable& u;
    const CDecodeTable& v;
};

template <typename Reader>
void LeftPairs(Reader& reader, const Yuy2Tables& t, uint8_t* p, int pairs, Yuy2State& s) {
    for (int i = 0; i < pairs; ++i, p += 4) {
        p[0] = s.y = static_cast<uint8_t>(s.y + t.y.Decode(reader));
        p[1] = s.u = static_cast<uint8_t>(s.u + t.u.Decode(reader));
        p[2] = s.y = static_cast<uint8_t>(s.y + t.y.Decode(reader));
        p[3] = s.v = static_cast<uint8_t>(s.v + t.v.Decode(reader));
    }
}

inline uint8_t FromMedian(uint8_t residual, uint8_t top, uint8_t& left, uint8_t& topLeft) {
    left = static_cast<uint8_t>(Median(left, top, static_cast<uint8_t>(left + top - topLeft)) +
                                residual);
    topLeft = top;
    return left;
}

template <typename Reader>
void MedianPairs(Reader& reader, const Yuy2Tables& t, uint8_t* p, const uint8_t* top, int pairs,
                 Yuy2State& s) {
    for (int i = 0; i < pairs; ++i, p += 4, top += 4) {
        p[0] = FromMedian(t.y.Decode(reader), top[0], s.y, s.topY);
        p[1] = FromMedian(t.u.Decode(reader), top[1], s.u, s.topU);
        p[2] = FromMedian(t.y.Decode(reader), top[2], s.y, s.topY);
        p[3] = FromMedian(t.v.Decode(reader), top[3], s.v, s.topV);
    }
}

void AddRow(uint8_t* row, const uint8_t* above, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
        row[i] = static_cast<uint8_t>(row[i] + above[i]);
    }
}

uint8_t Clamp(int value) {
    return static_cast<uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

} // namespace

bool CDecodeTable::Build(const CodeLengths& lengths) {
    std::array<uint32_t, kSymbols> codes{};
    if (!MakeCodes(lengths, codes)) {
        return false;
    }
    m_fast.fill(0);
    m_count.fill(0);
    for (int i = 0; i < kSymbols; ++i) {
        ++m_count[lengths[i]];
    }
    uint16_t offset = 0;
    for (int length = 1; length <= 32; ++length) {
        m_offset[length] = offset;
        offset = static_cast<uint16_t>(offset + m_count[length]);
        m_first[length] = 0xFFFFFFFF;
    }
    std::array<uint16_t, 33> placed{};
    for (int i = 0; i < kSymbols; ++i) {
        const int length = lengths[i];
        // The format gives each length's codes in ascending symbol order.
        m_first[length] = std::min(m_first[length], codes[i]);
        m_sorted[m_offset[length] + placed[length]++] = static_cast<uint8_t>(i);
        if (length <= kFastBits) {
            const uint32_t first = codes[i] << (kFastBits - length);
            const uint32_t span = 1u << (kFastBits - length);
            std::fill_n(m_fast.begin() + first, span, static_cast<uint16_t>(i | length << 8));
        }
    }
    return true;
}

int CDecodeTable::DecodeLong(uint32_t top, uint8_t& symbol) const {
    for (int length = kFastBits + 1; length <= 32; ++length) {
        const uint32_t value = top >> (32 - length);
        if (value - m_first[length] < m_count[length]) {
            symbol = m_sorted[m_offset[length] + (value - m_first[length])];
            return length;
        }
    }
    // A complete code always matches; a table that is not was refused.
    symbol = 0;
    return 32;
}

template <typename Reader> uint8_t CDecodeTable::Decode(Reader& reader) const {
    const uint32_t top = reader.Peek();
    const uint16_t entry = m_fast[top >> (32 - kFastBits)];
    if (entry != 0) {
        reader.Skip(entry >> 8);
        return static_cast<uint8_t>(entry);
    }
    uint8_t symbol = 0;
    reader.Skip(DecodeLong(top, symbol));
    return symbol;
}

// YUY2 streams also decode to RGB, for readers that draw what they decode
// (AVIFile's frames, players).
bool CDecoder::CanOutput(const StreamParams& params, const RawShape& output) {
    const bool layoutFits = params.layout == Layout::Yuy2 || output.layout != Layout::Yuy2;
    return layoutFits && output.width == params.width && output.height == params.height;
}

bool CDecoder::Start(const StreamParams& params, const RawShape& output) {
    if (!CanOutput(params, output)) {
        return false;
    }
    for (int t = 0; t < 3; ++t) {
        if (!m_tables[t].Build(params.tables[t])) {
            return false;
        }
    }
    m_params = params;
    m_output = output;
    if (params.layout != Layout::Yuy2) {
        m_rows.assign(static_cast<size_t>(params.width) * 4 * 3, 0);
    } else if (output.layout != Layout::Yuy2) {
        m_rows.assign(static_cast<size_t>(params.width) * 2 * params.height, 0);
    }
    return true;
}

bool CDecoder::Decode(const uint8_t* data, size_t size, uint8_t* out) {
    if (size < 4) {
        return false;
    }
    // Room past the end for what is decoded between two looks at Overrun()
    // (three YUY2 rows or one RGB row, at 4 codes a pixel at most) of 32-bit
    // codes, and the window's second word.
    const size_t padding = static_cast<size_t>(m_params.width) * 2 * 3 * 4 + 8;
    if (m_padded.size() < size + padding) {
        m_padded.resize(size + padding);
    }
    std::memcpy(m_padded.data(), data, size);
    std::memset(m_padded.data() + size, 0, padding);
    CBitReader reader(m_padded.data(), size);
    if (m_params.layout == Layout::Yuy2 && m_output.layout == Layout::Yuy2) {
        DecodeYuy2(reader, out, m_output.stride);
    } else if (m_params.layout == Layout::Yuy2) {
        const size_t stride = static_cast<size_t>(m_params.width) * 2;
        DecodeYuy2(reader, m_rows.data(), stride);
        Yuy2ToRgb(m_rows.data(), stride, out);
    } else {
        DecodeRgb(reader, out);
    }
    return !reader.Overrun();
}

template <typename Reader>
void CDecoder::DecodeYuy2(Reader& reader, uint8_t* out, size_t stride) const {
    const int pairs = m_params.width / 2;
    const int height = m_params.height;
    const int step = m_params.interlaced ? 2 : 1; // the row a row is predicted from
    const auto row = [&](int y) {
        return out + stride * static_cast<size_t>(y);
    };
    const Yuy2Tables t{m_tables[0], m_tables[1], m_tables[2]};
    const uint32_t first = reader.Raw32();
    std::memcpy(out, &first, 4);
    Yuy2State s{out[2], out[1], out[3], 0, 0, 0};
    LeftPairs(reader, t, out + 4, pairs - 1, s);
    if (m_params.predictor != Predictor::Median) {
        for (int y = 1; y < height && !reader.Overrun(); ++y) {
            LeftPairs(reader, t, row(y), pairs, s);
            if (m_params.predictor == Predictor::Gradient && y >= step) {
                AddRow(row(y), row(y - step), static_cast<size_t>(pairs) * 4);
            }
        }
        return;
    }
    // The first `step` rows are left-predicted, then the next row's first
    // two pairs; the median starts above them.
    int y = 1;
    for (; y < step && y < height; ++y) {
        LeftPairs(reader, t, row(y), pairs, s);
    }
    if (y >= height) {
        return;
    }
    LeftPairs(reader, t, row(y), 2, s);
    s.topY = out[6];
    s.topU = out[5];
    s.topV = out[7];
    MedianPairs(reader, t, row(y) + 8, out + 8, pairs - 2, s);
    for (++y; y < height && !reader.Overrun(); ++y) {
        MedianPairs(reader, t, row(y), row(y - step), pairs, s);
    }
}

template <typename Reader> void CDecoder::DecodeRgb(Reader& reader, uint8_t* out) {
    const int width = m_params.width;
    const int height = m_params.height;
    const bool alpha = m_params.layout == Layout::Rgb32;
    const int step = m_params.interlaced ? 2 : 1;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const int outBytes = m_output.layout == Layout::Rgb32 ? 4 : 3;
    const CDecodeTable& tb = m_tables[0];
    const CDecodeTable& tg = m_tables[1];
    const CDecodeTable& tr = m_tables[2];

    uint8_t state[4] = {};
    const uint32_t first = reader.Raw32();
    if (alpha) {
        std::memcpy(state, &first, 4);
    } else {
        state[0] = static_cast<uint8_t>(first >> 8);
        state[1] = static_cast<uint8_t>(first >> 16);
        state[2] = static_cast<uint8_t>(first >> 24);
    }
    for (int i = 0; i < height && !reader.Overrun(); ++i) {
        // The stream's rows, bottom first, into a ring of three 4-byte rows.
        uint8_t* cur = m_rows.data() + rowBytes * static_cast<size_t>(i % 3);
        int x = 0;
        if (i == 0) {
            std::memcpy(cur, state, 4);
            x = 1;
        }
        for (uint8_t* p = cur + 4 * x; x < width; ++x, p += 4) {
            uint8_t b;
            uint8_t g;
            uint8_t r;
            if (m_params.decorrelate) {
                g = tg.Decode(reader);
                b = static_cast<uint8_t>(tb.Decode(reader) + g);
                r = static_cast<uint8_t>(tr.Decode(reader) + g);
            } else {
                b = tb.Decode(reader);
                g = tg.Decode(reader);
                r = tr.Decode(reader);
            }
            p[0] = state[0] = static_cast<uint8_t>(state[0] + b);
            p[1] = state[1] = static_cast<uint8_t>(state[1] + g);
            p[2] = state[2] = static_cast<uint8_t>(state[2] + r);
            p[3] = state[3] = alpha ? static_cast<uint8_t>(state[3] + tr.Decode(reader)) : 0;
        }
        if (m_params.predictor == Predictor::Gradient && i >= step) {
            AddRow(cur, m_rows.data() + rowBytes * static_cast<size_t>((i - step) % 3), rowBytes);
        }
        const int y = m_output.topDown ? height - 1 - i : i;
        uint8_t* dst = out + m_output.stride * static_cast<size_t>(y);
        if (outBytes == 4) {
            std::memcpy(dst, cur, rowBytes);
        } else {
            for (int px = 0; px < width; ++px) {
                std::memcpy(dst + 3 * px, cur + 4 * px, 3);
            }
        }
    }
}

// ITU-R BT.601 with video levels (Y 16 to 235), in 8-bit fixed point, as
// the platform's own YUY2 decoders convert.
void CDecoder::Yuy2ToRgb(const uint8_t* yuy2, size_t yuy2Stride, uint8_t* out) const {
    const int bytes = m_output.layout == Layout::Rgb32 ? 4 : 3;
    for (int y = 0; y < m_params.height; ++y) {
        const uint8_t* src = yuy2 + yuy2Stride * static_cast<size_t>(y);
        const int row = m_output.topDown ? y : m_params.height - 1 - y;
        uint8_t* dst = out + m_output.stride * static_cast<size_t>(row);
        for (int x = 0; x < m_params.width; ++x, dst += bytes) {
            const int c = 298 * (src[2 * x] - 16) + 128;
            const int d = src[(x & ~1) * 2 + 1] - 128;
            const int e = src[(x & ~1) * 2 + 3] - 128;
            dst[0] = Clamp((c + 516 * d) >> 8);
            dst[1] = Clamp((c - 100 * d - 208 * e) >> 8);
            dst[2] = Clamp((c + 409 * e) >> 8);
            if (bytes == 4) {
                dst[3] = 0;
            }
        }
    }
}

} // namespace hfyu
