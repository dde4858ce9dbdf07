#include "hfyucodec/HfyuCodec.h"

#include <cstring>
#include <cwchar>

using namespace hfyu;

namespace {

const wchar_t kName[] = L"HuffYUV";
const wchar_t kDescription[] = HFYU_DESCRIPTION;
constexpr DWORD kVersion = 0x00010000;

// The built-in tables, for residuals that fall off from zero the way
// captured video's do: luma spreads wider than chroma.
const Tables& DefaultTables(Layout layout) {
    static const CodeLengths luma = ModelLengths(6.0);
    static const CodeLengths chroma = ModelLengths(3.0);
    static const Tables yuv{luma, chroma, chroma};
    // RGB: B and R less G are narrow, G carries the picture.
    static const Tables rgb{chroma, luma, chroma};
    return layout == Layout::Yuy2 ? yuv : rgb;
}

bool RawShapeOf(const BITMAPINFOHEADER* format, RawShape& shape) {
    return format != nullptr && ParseRawFormat(*format, shape);
}

bool StreamOf(const BITMAPINFOHEADER* format, StreamParams& params) {
    return format != nullptr && format->biSize >= sizeof(BITMAPINFOHEADER) &&
           ParseStreamFormat(reinterpret_cast<const BYTE*>(format), params);
}

Layout LayoutOfBits(int bits) {
    return bits == 16 ? Layout::Yuy2 : bits == 24 ? Layout::Rgb24 : Layout::Rgb32;
}

// The better-compressing predictors: both still code a frame many times
// faster than frames arrive.
HFYU_STATE DefaultState() {
    HFYU_STATE state{};
    state.magic = HFYU_STATE_MAGIC;
    state.yuy2Predictor = HFYU_PREDICT_MEDIAN;
    state.rgbPredictor = HFYU_PREDICT_GRADIENT;
    return state;
}

} // namespace

CHfyuCodec::CHfyuCodec() : m_state(DefaultState()) {}

LRESULT CHfyuCodec::GetInfo(ICINFO* info, DWORD size) {
    if (info == nullptr) {
        return sizeof(ICINFO);
    }
    if (size < sizeof(ICINFO)) {
        return 0;
    }
    *info = ICINFO{};
    info->dwSize = sizeof(ICINFO);
    info->fccType = ICTYPE_VIDEO;
    info->fccHandler = HFYU_FOURCC;
    // No temporal compression: every frame is a key frame.
    info->dwFlags = 0;
    info->dwVersion = kVersion;
    info->dwVersionICM = ICVERSION;
    std::wcsncpy(info->szName, kName, std::size(info->szName) - 1);
    std::wcsncpy(info->szDescription, kDescription, std::size(info->szDescription) - 1);
    return sizeof(ICINFO);
}

LRESULT CHfyuCodec::About(HWND parent) {
    MessageBoxW(parent, L"HuffYUV lossless video codec, version 1.0", kDescription,
                MB_OK | MB_ICONINFORMATION);
    return ICERR_OK;
}

LRESULT CHfyuCodec::GetState(void* state, DWORD size) const {
    if (state == nullptr) {
        return sizeof(m_state);
    }
    if (size < sizeof(m_state)) {
        return ICERR_BADSIZE;
    }
    std::memcpy(state, &m_state, sizeof(m_state));
    return ICERR_OK;
}

LRESULT CHfyuCodec::SetState(const void* state, DWORD size) {
    if (state == nullptr) {
        m_state = DefaultState();
        return 0;
    }
    HFYU_STATE next{};
    if (size < sizeof(next)) {
        return 0;
    }
    std::memcpy(&next, state, sizeof(next));
    const bool fittedValid = next.fittedBitCount == 0 || next.fittedBitCount == 16 ||
                             next.fittedBitCount == 24 || next.fittedBitCount == 32;
    if (next.magic != HFYU_STATE_MAGIC || !fittedValid ||
        (next.yuy2Predictor != HFYU_PREDICT_LEFT && next.yuy2Predictor != HFYU_PREDICT_MEDIAN) ||
        (next.rgbPredictor != HFYU_PREDICT_LEFT && next.rgbPredictor != HFYU_PREDICT_GRADIENT)) {
        return 0;
    }
    for (const auto& lengths : next.codeLengths) {
        CodeLengths table{};
        std::memcpy(table.data(), lengths, table.size());
        std::array<uint32_t, kSymbols> codes{};
        if (next.fittedBitCount != 0 &&
            (MaxLength(table) > kMaxFitBits || !MakeCodes(table, codes))) {
            return 0;
        }
    }
    m_state = next;
    return sizeof(m_state);
}

LRESULT CHfyuCodec::FitTables(const BITMAPINFOHEADER* format, const void* frame) {
    RawShape shape;
    if (!RawShapeOf(format, shape) || frame == nullptr) {
        return ICERR_BADFORMAT;
    }
    const Tables tables =
        hfyu::FitTables(StreamFor(shape), shape, static_cast<const uint8_t*>(frame));
    for (int t = 0; t < 3; ++t) {
        std::memcpy(m_state.codeLengths[t], tables[t].data(), kSymbols);
    }
    m_state.fittedBitCount = static_cast<BYTE>(BitsPerPixel(shape.layout));
    return ICERR_OK;
}

StreamParams CHfyuCodec::StreamFor(const RawShape& shape) const {
    StreamParams params;
    params.layout = shape.layout;
    params.width = shape.width;
    params.height = shape.height;
    if (shape.layout == Layout::Yuy2) {
        params.predictor = static_cast<Predictor>(m_state.yuy2Predictor);
    } else {
        params.predictor = static_cast<Predictor>(m_state.rgbPredictor);
        params.decorrelate = true;
    }
    if (m_state.fittedBitCount != 0 && LayoutOfBits(m_state.fittedBitCount) == shape.layout) {
        for (int t = 0; t < 3; ++t) {
            std::memcpy(params.tables[t].data(), m_state.codeLengths[t], kSymbols);
        }
    } else {
        params.tables = DefaultTables(shape.layout);
    }
    return params;
}

// An output format offered by the caller: ours, for the same frame size.
bool CHfyuCodec::Matches(const RawShape& shape, const BITMAPINFOHEADER* out) const {
    StreamParams params;
    CEncoder encoder;
    return StreamOf(out, params) && params.layout == shape.layout && params.width == shape.width &&
           params.height == shape.height && encoder.Start(params);
}

LRESULT CHfyuCodec::CompressQuery(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) const {
    RawShape shape;
    if (!RawShapeOf(in, shape) || (out != nullptr && !Matches(shape, out))) {
        return ICERR_BADFORMAT;
    }
    return ICERR_OK;
}

LRESULT CHfyuCodec::CompressGetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) const {
    RawShape shape;
    if (!RawShapeOf(in, shape)) {
        return out == nullptr ? 0 : ICERR_BADFORMAT;
    }
    const std::vector<BYTE> format = MakeStreamFormat(StreamFor(shape));
    if (out == nullptr) {
        return static_cast<LRESULT>(format.size());
    }
    std::memcpy(out, format.data(), format.size());
    return ICERR_OK;
}

LRESULT CHfyuCodec::CompressGetSize(const BITMAPINFOHEADER* in) const {
    RawShape shape;
    if (!RawShapeOf(in, shape)) {
        return 0;
    }
    return WorstFrameBytes(shape.layout, shape.width, shape.height);
}

LRESULT CHfyuCodec::CompressBegin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
    RawShape shape;
    StreamParams params;
    if (!RawShapeOf(in, shape) || !StreamOf(out, params) || params.layout != shape.layout ||
        params.width != shape.width || params.height != shape.height) {
        return ICERR_BADFORMAT;
    }
    Compression compression{shape, {}};
    if (!compression.encoder.Start(params)) {
        return ICERR_BADFORMAT;
    }
    m_compression = compression;
    return ICERR_OK;
}

LRESULT CHfyuCodec::Compress(ICCOMPRESS* frame, DWORD size) {
    if (frame == nullptr || size < sizeof(ICCOMPRESS) || frame->lpInput == nullptr ||
        frame->lpOutput == nullptr || frame->lpbiOutput == nullptr) {
        return ICERR_BADPARAM;
    }
    // A caller that skipped ICM_COMPRESS_BEGIN gets the formats it passes.
    if (!m_compression && CompressBegin(frame->lpbiInput, frame->lpbiOutput) != ICERR_OK) {
        return ICERR_BADFORMAT;
    }
    const size_t bytes = m_compression->encoder.Encode(m_compression->shape,
                                                       static_cast<const uint8_t*>(frame->lpInput),
                                                       static_cast<uint8_t*>(frame->lpOutput));
    frame->lpbiOutput->biSizeImage = static_cast<DWORD>(bytes);
    if (frame->lpdwFlags != nullptr) {
        *frame->lpdwFlags = AVIIF_KEYFRAME;
    }
    // Wine's ICSeqCompressFrame reads the key-frame flag back from the
    // request's own dwFlags rather than through lpdwFlags: said there too,
    // a capture's index marks every frame a key frame under Wine as well.
    frame->dwFlags |= AVIIF_KEYFRAME;
    if (frame->lpckid != nullptr) {
        *frame->lpckid = cktypeDIBcompressed;
    }
    return ICERR_OK;
}

LRESULT CHfyuCodec::CompressEnd() {
    m_compression.reset();
    return ICERR_OK;
}

LRESULT CHfyuCodec::DecompressQuery(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) const {
    StreamParams params;
    if (!StreamOf(in, params)) {
        return ICERR_BADFORMAT;
    }
    RawShape shape;
    if (out != nullptr && (!RawShapeOf(out, shape) || !CDecoder::CanOutput(params, shape))) {
        return ICERR_BADFORMAT;
    }
    return ICERR_OK;
}

// The stream's own layout, bottom-up for RGB as DIBs usually are.
LRESULT CHfyuCodec::DecompressGetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) const {
    StreamParams params;
    if (!StreamOf(in, params)) {
        return out == nullptr ? 0 : ICERR_BADFORMAT;
    }
    if (out == nullptr) {
        return sizeof(BITMAPINFOHEADER);
    }
    *out = BITMAPINFOHEADER{};
    out->biSize = sizeof(BITMAPINFOHEADER);
    out->biWidth = params.width;
    out->biHeight = params.height;
    out->biPlanes = 1;
    out->biBitCount = static_cast<WORD>(BitsPerPixel(params.layout));
    out->biCompression = params.layout == Layout::Yuy2 ? kYuy2 : BI_RGB;
    RawShape shape;
    ParseRawFormat(*out, shape);
    out->biSizeImage = static_cast<DWORD>(shape.FrameBytes());
    return ICERR_OK;
}

LRESULT CHfyuCodec::DecompressBegin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) {
    Decompression decompression;
    if (!StreamOf(in, decompression.params) || !RawShapeOf(out, decompression.output) ||
        !decompression.decoder.Start(decompression.params, decompression.output)) {
        return ICERR_BADFORMAT;
    }
    m_decompression = std::move(decompression);
    return ICERR_OK;
}

LRESULT CHfyuCodec::Decompress(const ICDECOMPRESS* frame, DWORD size) {
    if (frame == nullptr || size < sizeof(ICDECOMPRESS) || frame->lpInput == nullptr ||
        frame->lpOutput == nullptr || frame->lpbiInput == nullptr) {
        return ICERR_BADPARAM;
    }
    if (!m_decompression && DecompressBegin(frame->lpbiInput, frame->lpbiOutput) != ICERR_OK) {
        return ICERR_BADFORMAT;
    }
    // An empty chunk holds a dropped frame's place: the picture stays.
    if (frame->lpbiInput->biSizeImage == 0 || (frame->dwFlags & ICDECOMPRESS_NULLFRAME) != 0) {
        return ICERR_OK;
    }
    const bool whole = m_decompression->decoder.Decode(static_cast<const uint8_t*>(frame->lpInput),
                                                       frame->lpbiInput->biSizeImage,
                                                       static_cast<uint8_t*>(frame->lpOutput));
    return whole ? ICERR_OK : ICERR_BADFORMAT;
}

LRESULT CHfyuCodec::DecompressEnd() {
    m_decompression.reset();
    return ICERR_OK;
}
