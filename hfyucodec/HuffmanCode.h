#pragma once
// The codes of one HuffYUV table: a length for each of the 256 residual
// values, from which the codes follow by the format's rule (longest codes
// first, each length's symbols in ascending order), so that a table travels
// as its lengths alone, run-length coded in the stream format's extra data.

#include <array>
#include <cstddef>
#include <cstdint>

namespace hfyu {

constexpr int kSymbols = 256;
// Codes a reader must take: the format stores lengths in 5 bits.
constexpr int kMaxReadBits = 31;
// Codes the tables we build keep to, so that a frame's worst case stays
// within twice its raw size and the writer never meets a code over 32 bits.
constexpr int kMaxFitBits = 16;

using CodeLengths = std::array<uint8_t, kSymbols>;
using SymbolCounts = std::array<uint32_t, kSymbols>;

// Lengths of a complete prefix code for the counts, none longer than
// maxBits; every value gets a code, counted or not.
CodeLengths FitLengths(const SymbolCounts& counts, int maxBits = kMaxFitBits);

// The table we use without a sample: residuals falling off geometrically
// from zero, a steeper fall (`scale`, the values' spread) for chroma.
CodeLengths ModelLengths(double scale);

// The codes by the format's rule; false when the lengths do not make a
// complete prefix code (a reader would refuse the table).
bool MakeCodes(const CodeLengths& lengths, std::array<uint32_t, kSymbols>& codes);

// The run-length form of the extra data: a byte of length | run << 5 for
// runs of 1 to 7, or the length then the run for longer runs.
size_t StoreLengths(const CodeLengths& lengths, uint8_t* out);
// Reads one table; the bytes used, 0 when the data is short or wrong.
size_t ReadLengths(const uint8_t* in, size_t size, CodeLengths& lengths);

// The longest code of a table.
int MaxLength(const CodeLengths& lengths);

} // namespace hfyu
