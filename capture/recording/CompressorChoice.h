#pragma once
// The compressor the user chose for captured video, in the platform's
// standard chooser (what the capture window's own compression dialog
// shows), kept for the life of the view. The capture compresses each frame
// with it; "Full Frames (Uncompressed)" keeps the frames as they come.

#include <windows.h>

#include <vfw.h>

class CCompressorChoice {
public:
    CCompressorChoice();
    // Closes the compressor and frees what the chooser allocated.
    ~CCompressorChoice();
    CCompressorChoice(const CCompressorChoice&) = delete;
    CCompressorChoice& operator=(const CCompressorChoice&) = delete;

    // Shows the chooser for frames of the given format (a BITMAPINFOHEADER
    // with its colour table), owned by hWndOwner; false on Cancel.
    bool Choose(HWND hWndOwner, const BITMAPINFOHEADER* pFormat);
    // The choice for the capture: null when frames stay uncompressed.
    COMPVARS* Compressor() { return m_vars.hic != nullptr ? &m_vars : nullptr; }

private:
    COMPVARS m_vars{};
};
