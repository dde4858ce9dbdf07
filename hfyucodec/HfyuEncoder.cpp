#include "hfyucodec/HfyuEncoder.h"

#include <algorithm>
#include <cstring>

namespace hfyu {
namespace {

// Writes codes from the top of a 64-bit accumulator, a 32-bit word at a
// time: one shift, one or, one compare per code.
class CBitSink {
public:
    CBitSink(const std::array<std::array<uint32_t, kSymbols>, 3>& entries, uint8_t* out)
        : m_entries(entries), m_out(out) {}

    void Raw32(uint32_t word) { Bits(word, 32); }
    template <int Table> void Put(uint8_t symbol) {
        const uint32_t entry = m_entries[Table][symbol];
        Bits(entry >> 8, entry & 0xFF);
    }
    size_t Finish() {
        if (m_count > 0) {
            Store(static_cast<uint32_t>(m_bits << (32 - m_count)));
        }
        return m_written;
    }

private:
    void Bits(uint32_t code, unsigned length) {
        m_bits = m_bits << length | code;
        m_count += length;
        if (m_count >= 32) {
            m_count -= 32;
            Store(static_cast<uint32_t>(m_bits >> m_count));
        }
    }
    void Store(uint32_t word) {
        std::memcpy(m_out + m_written, &word, 4);
        m_written += 4;
    }

    const std::array<std::array<uint32_t, kSymbols>, 3>& m_entries;
    uint8_t* m_out;
    size_t m_written = 0;
    uint64_t m_bits = 0;
    unsigned m_count = 0;
};

// Counts the symbols instead, for fitted tables.
class CCountSink {
public:
    explicit CCountSink(std::array<SymbolCounts, 3>& counts) : m_counts(counts) {}
    void Raw32(uint32_t) {}
    template <int Table> void Put(uint8_t symbol) { ++m_counts[Table][symbol]; }

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
    sink.Raw32(Load32(frame));
    Yuy2State s{frame[2], frame[1], frame[3], 0, 0, 0};
    LeftPairs(sink, frame + 4, pairs - 1, s);
    if (params.predictor == Predictor::Left) {
        for (int y = 1; y < shape.height; ++y) {
            LeftPairs(sink, row(y), pairs, s);
        }
        return;
    }
    if (shape.height < 2) {
        return;
    }
    LeftPairs(sink, row(1), 2, s);
    s.topY = frame[6];
    s.topU = frame[5];
    s.topV = frame[7];
    MedianPairs(sink, row(1) + 8, frame + 8, pairs - 2, s);
    for (int y = 2; y < shape.height; ++y) {
        MedianPairs(sink, row(y), row(y - 1), pairs, s);
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

// RGB rows bottom first, as a bottom-up DIB holds them.
template <int Bytes, typename Sink>
void EncodeRgb(Sink& sink, const StreamParams& params, const RawShape& shape,
               const uint8_t* frame) {
    const auto row = [&](int i) {
        const int y = shape.topDown ? shape.height - 1 - i : i;
        return frame + shape.stride * static_cast<size_t>(y);
    };
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
            RgbRow<Bytes, true>(sink, row(i), row(i - 1), shape.width, s);
        } else {
            RgbRow<Bytes, false>(sink, row(i), nullptr, shape.width, s);
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
