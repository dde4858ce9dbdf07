#pragma once
// Codes raw frames into one stream's frames: prediction (YUY2: left or
// median; RGB: left or gradient, with G taken from B and R), then each
// residual through its table, in the format's bit order: bits from the top
// of 32-bit little-endian words.

#include <cstdint>

#include "hfyucodec/HfyuFormat.h"

namespace hfyu {

class CEncoder {
public:
    // False when the tables are not complete codes within kMaxFitBits, or
    // the parameters are not ones this encoder writes.
    bool Start(const StreamParams& params);

    // Codes one frame of the stream's size; `out` holds WorstFrameBytes.
    // Returns the bytes written, a multiple of 4.
    size_t Encode(const RawShape& shape, const uint8_t* frame, uint8_t* out) const;

    // Residual counts of one frame with the given predictor, per table.
    static void CountResiduals(const StreamParams& params, const RawShape& shape,
                               const uint8_t* frame, std::array<SymbolCounts, 3>& counts);

private:
    StreamParams m_params;
    // Each entry: the code above 8 bits, its length in the low 8.
    std::array<std::array<uint32_t, kSymbols>, 3> m_entries{};
};

// Tables fitted to one frame with the stream's predictor.
Tables FitTables(const StreamParams& params, const RawShape& shape, const uint8_t* frame);

} // namespace hfyu
