#include "capturefile/FrameCompressor.h"

#include "capturefile/AviWriter.h"
#include "contract/DibFormat.h"
#include "hfyucodec/hfyucodec.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <exception>

namespace {

// The largest buffer one compressed frame may need, whatever a compressor
// claims: well past any 4096 x 4096 frame.
constexpr ULONGLONG kLargestOutputBytes = 256ULL * 1024 * 1024;

bool IsUncompressed(const BITMAPINFOHEADER& header) {
    return header.biCompression == BI_RGB || header.biCompression == BI_BITFIELDS;
}

} // namespace

CFrameCompressor::CFrameCompressor(const COMPVARS& choice) {
    m_vars.cbSize = sizeof m_vars;
    m_vars.dwFlags = ICMF_COMPVARS_VALID;
    m_vars.fccType = choice.fccType != 0 ? choice.fccType : ICTYPE_VIDEO;
    m_vars.fccHandler = choice.fccHandler;
    m_vars.lKey = choice.lKey;
    m_vars.lDataRate = choice.lDataRate;
    m_vars.lQ = choice.lQ;
    if (choice.hic == nullptr) {
        return;
    }
    m_vars.hic = ICOpen(m_vars.fccType, m_vars.fccHandler, ICMODE_COMPRESS);
    if (m_vars.hic == nullptr) {
        return;
    }
    m_info.dwSize = sizeof m_info;
    ICGetInfo(m_vars.hic, &m_info, sizeof m_info);
    // The settings the user made in the compressor's own dialog.
    const LRESULT stateSize = ICGetStateSize(choice.hic);
    if (stateSize > 0 && stateSize < static_cast<LRESULT>(kLargestOutputBytes)) {
        std::vector<BYTE> state(static_cast<size_t>(stateSize));
        if (ICGetState(choice.hic, state.data(), static_cast<DWORD>(stateSize)) == ICERR_OK) {
            ICSetState(m_vars.hic, state.data(), static_cast<DWORD>(stateSize));
        }
    }
}

CFrameCompressor::~CFrameCompressor() {
    if (m_started) {
        ICCompressEnd(m_vars.hic);
    }
    if (m_vars.hic != nullptr) {
        ICClose(m_vars.hic);
    }
}

bool CFrameCompressor::Takes(const std::vector<BYTE>& inputFormat) const {
    if (m_vars.hic == nullptr || inputFormat.size() < sizeof(BITMAPINFOHEADER)) {
        return false;
    }
    auto* input = reinterpret_cast<BITMAPINFO*>(const_cast<BYTE*>(inputFormat.data()));
    return ICCompressQuery(m_vars.hic, input, nullptr) == ICERR_OK;
}

bool CFrameCompressor::Start(const std::vector<BYTE>& inputFormat, DWORD microSecPerFrame,
                             std::span<const BYTE> sample) {
    if (m_started || !Takes(inputFormat)) {
        return false;
    }
    m_inputFormat = inputFormat;
    auto* input = reinterpret_cast<BITMAPINFO*>(m_inputFormat.data());
    const BITMAPINFOHEADER& header = input->bmiHeader;
    m_inputBytes = header.biSizeImage != 0
                       ? header.biSizeImage
                       : dib::ImageBytes(header.biWidth, header.biHeight, header.biBitCount);
    FitToSample(header, sample);
    // The output format as long as the compressor makes it (a palette, its own bytes).
    const LRESULT formatSize = ICCompressGetFormatSize(m_vars.hic, input);
    if (formatSize < static_cast<LRESULT>(sizeof(BITMAPINFOHEADER)) || formatSize > 64 * 1024) {
        return false;
    }
    m_outputFormat.assign(static_cast<size_t>(formatSize), 0);
    auto* output = reinterpret_cast<BITMAPINFO*>(m_outputFormat.data());
    if (ICCompressGetFormat(m_vars.hic, input, output) != ICERR_OK || !AllocateBuffers()) {
        return false;
    }
    if (ICCompressBegin(m_vars.hic, input, output) != ICERR_OK) {
        return false;
    }
    m_frameSize = FrameSizeLimit(microSecPerFrame);
    m_quality = m_vars.lQ == ICQUALITY_DEFAULT ? static_cast<DWORD>(ICGetDefaultQuality(m_vars.hic))
                                               : static_cast<DWORD>(m_vars.lQ);
    m_frameNumber = 0;
    m_started = true;
    return true;
}

// Our HuffYUV codec fits its Huffman tables to a whole frame of the picture
// before it fixes its output format, which carries them for the whole file.
// The message is its own: no other compressor, another HFYU codec included,
// is sent it. A refusal leaves the codec's built-in tables.
void CFrameCompressor::FitToSample(const BITMAPINFOHEADER& header, std::span<const BYTE> sample) {
    if (sample.size() < m_inputBytes || m_inputBytes == 0 || m_vars.fccHandler != HFYU_FOURCC ||
        std::wcscmp(m_info.szDescription, HFYU_DESCRIPTION) != 0) {
        return;
    }
    HfyuFitTables(m_vars.hic, &header, sample.data());
}

// Every output buffer holds the compressor's worst case, which can exceed
// the raw frame; a compressor that names none gets twice the raw frame.
bool CFrameCompressor::AllocateBuffers() {
    auto* input = reinterpret_cast<BITMAPINFO*>(m_inputFormat.data());
    auto* output = reinterpret_cast<BITMAPINFO*>(m_outputFormat.data());
    const DWORD worst = static_cast<DWORD>(ICCompressGetSize(m_vars.hic, input, output));
    const ULONGLONG bytes =
        (worst != 0 ? ULONGLONG(worst) : 2 * ULONGLONG(m_inputBytes)) + CAviWriter::kChunkRoom;
    const bool temporal =
        (m_info.dwFlags & VIDCF_TEMPORAL) != 0 && (m_info.dwFlags & VIDCF_FASTTEMPORALC) == 0;
    if (bytes > kLargestOutputBytes || m_inputBytes == 0) {
        return false;
    }
    try {
        m_output.assign(static_cast<size_t>(bytes), 0);
        m_previous.assign(temporal ? m_inputBytes : 0, 0);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

// The choice's data rate (kilobytes a second) as a limit on each frame, for
// a compressor that can keep one.
DWORD CFrameCompressor::FrameSizeLimit(DWORD microSecPerFrame) const {
    if (m_vars.lDataRate <= 0 || (m_info.dwFlags & VIDCF_CRUNCH) == 0) {
        return 0;
    }
    return static_cast<DWORD>(std::min<ULONGLONG>(
        ULONGLONG(m_vars.lDataRate) * 1024 * microSecPerFrame / 1000000, 0xFFFFFFFFu));
}

CFrameCompressor::Frame CFrameCompressor::Compress(BYTE* frame, DWORD bytes) {
    if (!m_started) {
        return {};
    }
    auto* input = reinterpret_cast<BITMAPINFO*>(m_inputFormat.data());
    const DWORD given = bytes == 0 ? m_inputBytes : std::min(bytes, m_inputBytes);
    // Rows cannot be read from a short frame; a compressed one says its size.
    if (given < m_inputBytes && IsUncompressed(input->bmiHeader)) {
        return {Result::NotTaken};
    }
    input->bmiHeader.biSizeImage = given;
    const bool key = m_frameNumber == 0 || (m_vars.lKey > 0 && m_frameNumber % m_vars.lKey == 0);
    auto* output = reinterpret_cast<BITMAPINFOHEADER*>(m_outputFormat.data());
    const DWORD room = static_cast<DWORD>(m_output.size() - CAviWriter::kChunkRoom);
    output->biSizeImage = room;
    BYTE* data = m_output.data() + CAviWriter::kChunkHeaderRoom;
    const bool previous = !m_previous.empty() && m_frameNumber != 0 && !key;
    DWORD chunkId = 0;
    DWORD flags = 0;
    const DWORD result =
        ICCompress(m_vars.hic, key ? ICCOMPRESS_KEYFRAME : 0, output, data, &input->bmiHeader,
                   frame, &chunkId, &flags, m_frameNumber, m_frameSize, m_quality,
                   previous ? &input->bmiHeader : nullptr, previous ? m_previous.data() : nullptr);
    input->bmiHeader.biSizeImage = m_inputBytes;
    const DWORD size = output->biSizeImage;
    output->biSizeImage = room;
    if (result != ICERR_OK || size > room) {
        return {};
    }
    if (!m_previous.empty()) {
        std::memcpy(m_previous.data(), frame, m_inputBytes);
    }
    ++m_frameNumber;
    return {Result::Compressed, data, size, (flags & AVIIF_KEYFRAME) != 0};
}
