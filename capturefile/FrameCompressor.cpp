#include "capturefile/FrameCompressor.h"

#include <algorithm>

CFrameCompressor::CFrameCompressor(const COMPVARS& choice) {
    m_vars.cbSize = sizeof m_vars;
    m_vars.dwFlags = ICMF_COMPVARS_VALID;
    m_vars.fccType = choice.fccType != 0 ? choice.fccType : ICTYPE_VIDEO;
    m_vars.fccHandler = choice.fccHandler;
    m_vars.lKey = choice.lKey;
    m_vars.lDataRate = choice.lDataRate;
    m_vars.lQ = choice.lQ;
    if (choice.hic == nullptr)
        return;
    m_vars.hic = ICOpen(m_vars.fccType, m_vars.fccHandler, ICMODE_COMPRESS);
    // The settings the user made in the compressor's own dialog.
    const LRESULT stateSize = ICGetStateSize(choice.hic);
    if (m_vars.hic != nullptr && stateSize > 0) {
        std::vector<BYTE> state(static_cast<size_t>(stateSize));
        if (ICGetState(choice.hic, state.data(), DWORD(stateSize)) == ICERR_OK)
            ICSetState(m_vars.hic, state.data(), DWORD(stateSize));
    }
}

CFrameCompressor::~CFrameCompressor() {
    if (m_started)
        ICSeqCompressFrameEnd(&m_vars);
    ICCompressorFree(&m_vars);
}

bool CFrameCompressor::Start(const std::vector<BYTE>& inputFormat) {
    if (m_started || inputFormat.size() < sizeof(BITMAPINFOHEADER) || m_vars.hic == nullptr)
        return false;
    m_inputFormat = inputFormat; // the platform keeps a pointer to it
    auto* input = reinterpret_cast<BITMAPINFO*>(m_inputFormat.data());
    if (!ICSeqCompressFrameStart(&m_vars, input) || m_vars.lpbiOut == nullptr)
        return false;
    m_started = true;
    // The output format as long as the compressor made it (a palette, its own bytes).
    const LRESULT size = ICCompressGetFormatSize(m_vars.hic, input);
    const auto* output = reinterpret_cast<const BYTE*>(m_vars.lpbiOut);
    m_outputFormat.assign(output, output + std::max<LRESULT>(size, sizeof(BITMAPINFOHEADER)));
    return true;
}

CFrameCompressor::Frame CFrameCompressor::Compress(BYTE* frame) {
    if (!m_started)
        return {};
    BOOL key = FALSE;
    LONG size = 0; // 0: the size the data rate of the choice allows
    const void* data = ICSeqCompressFrame(&m_vars, 0, frame, &key, &size);
    if (data == nullptr || size < 0)
        return {};
    return {static_cast<const BYTE*>(data), DWORD(size), key != FALSE};
}
