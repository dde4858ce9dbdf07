#include "hfyucodec/HfyuEncoder.h"

#include <algorithm>
#include <emmintrin.h>
#include <cstring>
#include <vector>

namespace hfyu {
namespace {

// Writes codes into a 32-bit word from its top, storing the word when it
// fills: 32-bit operations only (64-bit shifts are slow on i686) and one
// branch per code or pair of codes (at most kMaxFitBits each, 32 together).
class CBitSink {
public:
    CBitSink(const std::array<std::array<uint32_t, kSymbols>, 3>& entries, uint8_t* out)
        : m_entries(entries), m_out(out) {}

    void Raw32(uint32_t word) {
        Bits(word >> 16, 16);
        Bits(word & 0xFFFF, 16);
    }
    template <int Table> void Put(uint8_t symbol) {
        const uint32_t entry = m_entries[Table][symbol];
        Bits(entry >> 8, entry & 0xFF);
    }
    // Two codes of at most 16 bits each as one of at most 32: half the
    // writer's branches.
    template <int TableA, int TableB> void Put2(uint8_t a, uint8_t b) {
        const uint32_t first = m_entries[TableA][a];
        const uint32_t second = m_entries[TableB][b];
        const unsigned secondLength = second & 0xFF;
        Bits((first >> 8) << secondLength | second >> 8, (first & 0xFF) + secondLength);
    }
    size_t Finish() {
        if (m_free < 32) {
            Store(m_word << m_free);
        }
        return m_written;
    }

private:
    void Bits(uint32_t code, unsigned length) {
        if (length < m_free) {
            m_word = m_word << length | code;
            m_free -= length;
            return;
        }
        // m_free <= length <= 32: the code's top fills this word, its last
        // `rest` bits start the next (the bits above them leave its top as
        // it fills). m_free is 1 to 32, a shift of 32 done in two.
        const unsigned rest = length - m_free;
        Store((m_word << (m_free - 1)) << 1 | code >> rest);
        m_word = code;
        m_free = 32 - rest;
    }
    void Store(uint32_t word) {
        std::memcpy(m_out + m_written, &word, 4);
        m_written += 4;
    }

    const std::array<std::array<uint32_t, kSymbols>, 3>& m_entries;
    uint8_t* m_out;
    size_t m_written = 0;
    uint32_t m_word = 0;
    unsigned m_free = 32; // bits still free in m_word
};

// Counts the symbols instead, for fitted tables.
class CCountSink {
public:
    explicit CCountSink(std::array<SymbolCounts, 3>& counts) : m_counts(counts) {}
    void Raw32(uint32_t) {}
    template <int Table> void Put(uint8_t symbol) { ++m_counts[Table][symbol]; }
    template <int TableA, int TableB> void Put2(uint8_t a, uint8_t b) {
        ++m_counts[TableA][a];
        ++m_counts[TableB][b];
    }

private:
    std::array<SymbolCounts, 3>& m_counts;
};

inline uint8_t Median(uint8_t a, uint8_t b, uint8_t c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

uint32_t Load32(const uint8_t* p) {
    uint32_t word;
    std::memcpy(&word, p, 4);
    return word;
}

// One predictor's running values of a channel: the last value, and for the
// median the one above it.
struct Yuy2State {
    uint8_t y, u, v;
    uint8_t topY, topU, topV;
};

template <typename Sink> void LeftPairs(Sink& sink, const uint8_t* p, int pairs, Yuy2State& s) {
    for (int i = 0; i < pairs; ++i, p += 4) {
        sink.template Put<0>(static_cast<uint8_t>(p[0] - s.y));
        sink.template Put<1>(static_cast<uint8_t>(p[1] - s.u));
        sink.template Put<0>(static_cast<uint8_t>(p[2] - p[0]));
        sink.template Put<2>(static_cast<uint8_t>(p[3] - s.v));
        s.y = p[2];
        s.u = p[1];
        s.v = p[3];
    }
}

inline uint8_t MedianResidual(uint8_t value, uint8_t top, uint8_t& left, uint8_t& topLeft) {
    const uint8_t predicted = Median(left, top, static_cast<uint8_t>(left + top - topLeft));
    left = value;
    topLeft = top;
    return static_cast<uint8_t>(value - predicted);
}

template <typename Sink>
void MedianPairs(Sink& sink, const uint8_t* p, const uint8_t* top, int pairs, Yuy2State& s) {
    for (int i = 0; i < pairs; ++i, p += 4, top += 4) {
        sink.template Put<0>(MedianResidual(p[0], top[0], s.y, s.topY));
        sink.template Put<1>(MedianResidual(p[1], top[1], s.u, s.topU));
        sink.template Put<0>(MedianResidual(p[2], top[2], s.y, s.topY));
        sink.template Put<2>(MedianResidual(p[3], top[3], s.v, s.topV));
    }
}

// The residuals of pairs [from, pairs) of a row, in the row's own order
// (Y U Y V), from the row and the row above alone: the encoder knows every
// pixel, so only the first pairs of a row need the predictor's running
// values, and the rest is a loop without them.
void LeftResiduals(const uint8_t* cur, int from, int pairs, uint8_t* out) {
    for (int i = 4 * from; i < 4 * pairs; i += 4) {
        out[i] = static_cast<uint8_t>(cur[i] - cur[i - 2]);
        out[i + 1] = static_cast<uint8_t>(cur[i + 1] - cur[i - 3]);
        out[i + 2] = static_cast<uint8_t>(cur[i + 2] - cur[i]);
        out[i + 3] = static_cast<uint8_t>(cur[i + 3] - cur[i - 1]);
    }
}

inline uint8_t MedianOf(const uint8_t* cur, const uint8_t* top, int i, int left) {
    const uint8_t l = cur[i - left];
    const uint8_t t = top[i];
    return static_cast<uint8_t>(cur[i] - Median(l, t, static_cast<uint8_t>(l + t - top[i - left])));
}

void MedianResidualsPlain(const uint8_t* cur, const uint8_t* top, int from, int pairs,
                          uint8_t* out) {
    for (int i = 4 * from; i < 4 * pairs; i += 4) {
        out[i] = MedianOf(cur, top, i, 2);
        out[i + 1] = MedianOf(cur, top, i + 1, 4);
        out[i + 2] = MedianOf(cur, top, i + 2, 2);
        out[i + 3] = MedianOf(cur, top, i + 3, 4);
    }
}

// The same 16 bytes at a time: the left neighbour of a Y byte lies 2 bytes
// back, of a U or V byte 4, so the odd bytes take theirs from 4 back.
#define HFYU_SSE2 __attribute__((target("sse2"), always_inline)) inline
HFYU_SSE2 __m128i Load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
HFYU_SSE2 __m128i Left16(const uint8_t* p, __m128i chroma) {
    return _mm_or_si128(_mm_and_si128(chroma, Load16(p - 4)),
                        _mm_andnot_si128(chroma, Load16(p - 2)));
}
#undef HFYU_SSE2

__attribute__((target("sse2"))) void MedianResidualsSse2(const uint8_t* cur, const uint8_t* top,
                                                         int from, int pairs, uint8_t* out) {
    const __m128i chroma = _mm_set1_epi16(static_cast<short>(0xFF00));
    int i = 4 * from;
    for (; i + 16 <= 4 * pairs; i += 16) {
        const __m128i l = Left16(cur + i, chroma);
        const __m128i t = Load16(top + i);
        const __m128i gradient = _mm_sub_epi8(_mm_add_epi8(l, t), Left16(top + i, chroma));
        const __m128i median =
            _mm_max_epu8(_mm_min_epu8(l, t), _mm_min_epu8(_mm_max_epu8(l, t), gradient));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_sub_epi8(Load16(cur + i), median));
    }
    MedianResidualsPlain(cur, top, i / 4, pairs, out);
}

// Every x86-64 processor has SSE2; the i686 build asks the processor.
bool HasSse2() {
    static const bool sse2 = [] {
        // Asked here, not trusted to a constructor's order in a DLL.
        __builtin_cpu_init();
        return __builtin_cpu_supports("sse2") != 0;
    }();
    return sse2;
}

void MedianResiduals(const uint8_t* cur, const uint8_t* top, int from, int pairs, uint8_t* out) {
    if (HasSse2()) {
        MedianResidualsSse2(cur, top, from, pairs, out);
    } else {
        MedianResidualsPlain(cur, top, from, pairs, out);
    }
}

template <typename Sink> void EmitPairs(Sink& sink, const uint8_t* residuals, int pairs) {
    for (int i = 0; i < pairs; ++i, residuals += 4) {
        sink.template Put2<0, 1>(residuals[0], residuals[1]);
        sink.template Put2<0, 2>(residuals[2], residuals[3]);
    }
}

// The running values at a row's end, where the next row's first pair
// takes them up.
void EndRow(const uint8_t* cur, const uint8_t* top, int pairs, Yuy2State& s) {
    const int last = 4 * (pairs - 1);
    s.y = cur[last + 2];
    s.u = cur[last + 1];
    s.v = cur[last + 3];
    if (top != nullptr) {
        s.topY = top[last + 2];
        s.topU = top[last + 1];
        s.topV = top[last + 3];
    }
}

// YUY2 rows top first. The first pair goes raw; the second row's first two
// pairs are left-predicted before the median takes over, its rows above
// and to the left then all known.
template <typename Sink>
void EncodeYuy2(Sink& sink, const StreamParams& params, const RawShape& shape,
                const uint8_t* frame) {
    const int pairs = shape.width / 2;
    const auto row = [&](int y) {
        return frame + shape.stride * static_cast<size_t>(y);
    };
    std::vector<uint8_t> residuals(static_cast<size_t>(pairs) * 4);
    sink.Raw32(Load32(frame));
    Yuy2State s{frame[2], frame[1], frame[3], 0, 0, 0};
    LeftPairs(sink, frame + 4, pairs - 1, s);
    if (params.predictor == Predictor::Left) {
        for (int y = 1; y < shape.height; ++y) {
            LeftPairs(sink, row(y), 1, s);
            LeftResiduals(row(y), 1, pairs, residuals.data());
            EmitPairs(sink, residuals.data() + 4, pairs - 1);
            EndRow(row(y), nullptr, pairs, s);
        }
        return;
    }
    if (shape.height < 2) {
        return;
    }
    LeftPairs(sink, row(1), 2, s);
    MedianResiduals(row(1), frame, 2, pairs, residuals.data());
    EmitPairs(sink, residuals.data() + 8, pairs - 2);
    EndRow(row(1), frame, pairs, s);
    for (int y = 2; y < shape.height; ++y) {
        MedianPairs(sink, row(y), row(y - 1), 1, s);
        MedianResiduals(row(y), row(y - 1), 1, pairs, residuals.data());
        EmitPairs(sink, residuals.data() + 4, pairs - 1);
        EndRow(row(y), row(y - 1), pairs, s);
    }
}

struct RgbState {
    uint8_t b, g, r, a;
};

// One row of RGB residuals: each channel's difference from the row before
// (gradient) or none, left-predicted, G coded as is and B and R as their
// difference from G's residual.
template <int Bytes, bool Gradient, typename Sink>
void RgbRow(Sink& sink, const uint8_t* p, const uint8_t* above, int pixels, RgbState& s) {
    for (int i = 0; i < pixels; ++i, p += Bytes, above += Gradient ? Bytes : 0) {
        const uint8_t b = Gradient ? static_cast<uint8_t>(p[0] - above[0]) : p[0];
        const uint8_t g = Gradient ? static_cast<uint8_t>(p[1] - above[1]) : p[1];
        const uint8_t r = Gradient ? static_cast<uint8_t>(p[2] - above[2]) : p[2];
        const auto dg = static_cast<uint8_t>(g - s.g);
        sink.template Put<1>(dg);
        sink.template Put<0>(static_cast<uint8_t>(b - s.b - dg));
        sink.template Put<2>(static_cast<uint8_t>(r - s.r - dg));
        s.b = b;
        s.g = g;
        s.r = r;
        if constexpr (Bytes == 4) {
            const uint8_t a = Gradient ? static_cast<uint8_t>(p[3] - above[3]) : p[3];
            sink.template Put<2>(static_cast<uint8_t>(a - s.a));
            s.a = a;
        }
    }
}

// Each byte's difference from the same channel's byte `step` back (and,
// for the gradient, less the same difference in the row above).
void ChannelDifferencesPlain(const uint8_t* cur, const uint8_t* above, size_t begin, size_t end,
                             size_t step, uint8_t* out) {
    for (size_t j = begin; j < end; ++j) {
        const int up = above != nullptr ? above[j] - above[j - step] : 0;
        out[j] = static_cast<uint8_t>(cur[j] - cur[j - step] - up);
    }
}

__attribute__((target("sse2"))) void ChannelDifferencesSse2(const uint8_t* cur,
                                                            const uint8_t* above, size_t begin,
                                                            size_t end, size_t step, uint8_t* out) {
    size_t j = begin;
    for (; j + 16 <= end; j += 16) {
        __m128i d = _mm_sub_epi8(Load16(cur + j), Load16(cur + j - step));
        if (above != nullptr) {
            d = _mm_sub_epi8(d, _mm_sub_epi8(Load16(above + j), Load16(above + j - step)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), d);
    }
    ChannelDifferencesPlain(cur, above, j, end, step, out);
}

// Each channel's residual of pixels [from, width) of a row, in the row's
// own order (B, G, R, alpha), from the rows alone, as for YUY2.
template <int Bytes>
void RgbResiduals(const uint8_t* cur, const uint8_t* above, int from, int width, uint8_t* out) {
    const size_t begin = static_cast<size_t>(Bytes) * from;
    const size_t end = static_cast<size_t>(Bytes) * width;
    if (HasSse2()) {
        ChannelDifferencesSse2(cur, above, begin, end, Bytes, out);
    } else {
        ChannelDifferencesPlain(cur, above, begin, end, Bytes, out);
    }
}

// Coded as G, B less G, R less G, alpha.
template <int Bytes, typename Sink>
void EmitPixels(Sink& sink, const uint8_t* residuals, int pixels) {
    for (int i = 0; i < pixels; ++i, residuals += Bytes) {
        const uint8_t g = residuals[1];
        const auto b = static_cast<uint8_t>(residuals[0] - g);
        const auto r = static_cast<uint8_t>(residuals[2] - g);
        sink.template Put2<1, 0>(g, b);
        if constexpr (Bytes == 4) {
            sink.template Put2<2, 2>(r, residuals[3]);
        } else {
            sink.template Put<2>(r);
        }
    }
}

// One row after the first: its first pixel from the running values, the
// rest from the rows, and the running values left at its last pixel.
template <int Bytes, bool Gradient, typename Sink>
void RgbRowAfterFirst(Sink& sink, const uint8_t* cur, const uint8_t* above, int width,
                      uint8_t* residuals, RgbState& s) {
    RgbRow<Bytes, Gradient>(sink, cur, above, 1, s);
    RgbResiduals<Bytes>(cur, Gradient ? above : nullptr, 1, width, residuals);
    EmitPixels<Bytes>(sink, residuals + Bytes, width - 1);
    const uint8_t* p = cur + Bytes * (width - 1);
    const uint8_t* a = Gradient ? above + Bytes * (width - 1) : nullptr;
    s.b = static_cast<uint8_t>(p[0] - (Gradient ? a[0] : 0));
    s.g = static_cast<uint8_t>(p[1] - (Gradient ? a[1] : 0));
    s.r = static_cast<uint8_t>(p[2] - (Gradient ? a[2] : 0));
    if constexpr (Bytes == 4) {
        s.a = static_cast<uint8_t>(p[3] - (Gradient ? a[3] : 0));
    }
}

// RGB rows bottom first, as a bottom-up DIB holds them.
template <int Bytes, typename Sink>
void EncodeRgb(Sink& sink, const StreamParams& params, const RawShape& shape,
               const uint8_t* frame) {
    const auto row = [&](int i) {
        const int y = shape.topDown ? shape.height - 1 - i : i;
        return frame + shape.stride * static_cast<size_t>(y);
    };
    std::vector<uint8_t> residuals(static_cast<size_t>(shape.width) * Bytes);
    const uint8_t* first = row(0);
    RgbState s{first[0], first[1], first[2], Bytes == 4 ? first[3] : uint8_t{0}};
    if constexpr (Bytes == 4) {
        sink.Raw32(Load32(first));
    } else {
        sink.Raw32(static_cast<uint32_t>(s.r) << 24 | s.g << 16 | s.b << 8);
    }
    RgbRow<Bytes, false>(sink, first + Bytes, nullptr, shape.width - 1, s);
    for (int i = 1; i < shape.height; ++i) {
        if (params.predictor == Predictor::Gradient) {
            RgbRowAfterFirst<Bytes, true>(sink, row(i), row(i - 1), shape.width, residuals.data(),
                                          s);
        } else {
            RgbRowAfterFirst<Bytes, false>(sink, row(i), nullptr, shape.width, residuals.data(), s);
        }
    }
}

template <typename Sink>
void EncodeFrame(Sink& sink, const StreamParams& params, const RawShape& shape,
                 const uint8_t* frame) {
    switch (shape.layout) {
    case Layout::Yuy2:
        EncodeYuy2(sink, params, shape, frame);
        break;
    case Layout::Rgb24:
        EncodeRgb<3>(sink, params, shape, frame);
        break;
    case Layout::Rgb32:
        EncodeRgb<4>(sink, params, shape, frame);
        break;
    }
}

bool Writable(const StreamParams& params) {
    const bool predictorFits = params.layout == Layout::Yuy2
                                   ? params.predictor != Predictor::Gradient
                                   : params.predictor != Predictor::Median;
    return predictorFits && !params.interlaced &&
           params.decorrelate == (params.layout != Layout::Yuy2);
}

} // namespace

bool CEncoder::Start(const StreamParams& params) {
    if (!Writable(params)) {
        return false;
    }
    for (int t = 0; t < 3; ++t) {
        std::array<uint32_t, kSymbols> codes{};
        if (MaxLength(params.tables[t]) > kMaxFitBits || !MakeCodes(params.tables[t], codes)) {
            return false;
        }
        for (int i = 0; i < kSymbols; ++i) {
            m_entries[t][i] = codes[i] << 8 | params.tables[t][i];
        }
    }
    m_params = params;
    return true;
}

size_t CEncoder::Encode(const RawShape& shape, const uint8_t* frame, uint8_t* out) const {
    CBitSink sink(m_entries, out);
    EncodeFrame(sink, m_params, shape, frame);
    return sink.Finish();
}

void CEncoder::CountResiduals(const StreamParams& params, const RawShape& shape,
                              const uint8_t* frame, std::array<SymbolCounts, 3>& counts) {
    CCountSink sink(counts);
    EncodeFrame(sink, params, shape, frame);
}

Tables FitTables(const StreamParams& params, const RawShape& shape, const uint8_t* frame) {
    std::array<SymbolCounts, 3> counts{};
    CEncoder::CountResiduals(params, shape, frame, counts);
    Tables tables{};
    for (int t = 0; t < 3; ++t) {
        tables[t] = FitLengths(counts[t]);
    }
    return tables;
}

} // namespace hfyu
