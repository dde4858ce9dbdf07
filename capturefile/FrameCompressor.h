#pragma once
// Compresses the frames of one capture, in order, with the compressor the
// user chose (a COMPVARS filled by ICCompressorChoose): the platform's
// sequence compression, which keeps the key-frame rate, data rate and
// quality of the choice. It works on a compressor of its own, opened with
// the choice's settings, so that the choice may change or go (its window
// closed mid-capture) while the writer thread still compresses.

#include <windows.h>

#include <vfw.h>

#include <vector>

class CFrameCompressor {
public:
    // Opens a compressor like the chosen one; nothing starts yet.
    explicit CFrameCompressor(const COMPVARS& choice);
    // Ends the sequence and closes the compressor.
    ~CFrameCompressor();
    CFrameCompressor(const CFrameCompressor&) = delete;
    CFrameCompressor& operator=(const CFrameCompressor&) = delete;

    // Begins a sequence for frames of the given format (a BITMAPINFOHEADER
    // with its colour table); false when the compressor refuses it.
    bool Start(const std::vector<BYTE>& inputFormat);
    // The format of the compressed frames, with whatever follows its header.
    const std::vector<BYTE>& OutputFormat() const { return m_outputFormat; }

    struct Frame {
        const BYTE* data = nullptr; // the compressor's own buffer, valid until the next call
        DWORD size = 0;
        bool keyFrame = false;
    };
    // Compresses one frame; its data is null when the compressor failed.
    Frame Compress(BYTE* frame);

private:
    COMPVARS m_vars{};
    std::vector<BYTE> m_inputFormat;
    std::vector<BYTE> m_outputFormat;
    bool m_started = false;
};
