#include "capturefile/FrameCompressor.h"

#include <algorithm>

CFrameCompressor::~CFrameCompressor() {
    if (m_started)
        ICSeqCompressFrameEnd(&m_choice);
}

bool CFrameCompressor::Start(const std::vector<BYTE>& inputFormat) {
    if (m_started || inputFormat.size() < sizeof(BITMAPINFOHEADER) || m_choice.hic == nullptr)
        return false;
    m_inputFormat = inputFormat; // the platform keeps a pointer to it
    auto* input = reinterpret_cast<BITMAPINFO*>(m_inputFormat.data());
    if (!ICSeqCompressFrameStart(&m_choice, input) || m_choice.lpbiOut == nullptr)
        return false;
    m_started = true;
    // The output format as long as the compressor made it (a palette, its own bytes).
    const LRESULT size = ICCompressGetFormatSize(m_choice.hic, input);
    const auto* output = reinterpret_cast<const BYTE*>(m_choice.lpbiOut);
    m_outputFormat.assign(output, output + std::max<LRESULT>(size, sizeof(BITMAPINFOHEADER)));
    return true;
}

CFrameCompressor::Frame CFrameCompressor::Compress(BYTE* frame) {
    if (!m_started)
        return {};
    BOOL key = FALSE;
    LONG size = 0; // 0: the size the data rate of the choice allows
    const void* data = ICSeqCompressFrame(&m_choice, 0, frame, &key, &size);
    if (data == nullptr || size < 0)
        return {};
    return {static_cast<const BYTE*>(data), DWORD(size), key != FALSE};
}
