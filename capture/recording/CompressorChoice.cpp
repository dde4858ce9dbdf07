#include "recording/CompressorChoice.h"

CCompressorChoice::CCompressorChoice() {
    m_vars.cbSize = sizeof m_vars;
}

CCompressorChoice::~CCompressorChoice() {
    if (m_vars.dwFlags & ICMF_COMPVARS_VALID)
        ICCompressorFree(&m_vars);
}

bool CCompressorChoice::Choose(HWND hWndOwner, const BITMAPINFOHEADER* pFormat) {
    char title[] = "Video Compression";
    // Only compressors that take the driver's frames are offered.
    return ICCompressorChoose(hWndOwner, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE,
                              const_cast<BITMAPINFOHEADER*>(pFormat), nullptr, &m_vars,
                              title) != FALSE;
}
