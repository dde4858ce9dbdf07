#pragma once
// Compresses the frames of one capture, in order, with the compressor the
// user chose (a COMPVARS filled by ICCompressorChoose), keeping the
// key-frame rate, data rate and quality of the choice. It calls ICCompress
// itself rather than the platform's sequence compression, so that the key
// frames in the file's index are those the compressor reports (Wine's
// ICSeqCompressFrame reports none). It works on a compressor of its own,
// opened with the choice's settings, so that the choice may change or go
// (its window closed mid-capture) while the writer thread still compresses.

#include <windows.h>

#include <vfw.h>

#include <span>
#include <vector>

class CFrameCompressor {
public:
    // Opens a compressor like the chosen one; nothing starts yet.
    explicit CFrameCompressor(const COMPVARS& choice);
    // Ends the compression and closes the compressor.
    ~CFrameCompressor();
    CFrameCompressor(const CFrameCompressor&) = delete;
    CFrameCompressor& operator=(const CFrameCompressor&) = delete;

    // Whether the compressor takes frames of the given format (a
    // BITMAPINFOHEADER with its colour table).
    bool Takes(const std::vector<BYTE>& inputFormat) const;
    // Begins compressing frames of the given format at the given period;
    // `sample`, when given, is the first frame (for a compressor that fits
    // its output format to the picture). False when the compressor refuses.
    bool Start(const std::vector<BYTE>& inputFormat, DWORD microSecPerFrame,
               std::span<const BYTE> sample = {});
    // The format of the compressed frames, with whatever follows its header.
    const std::vector<BYTE>& OutputFormat() const { return m_outputFormat; }

    enum class Result {
        Compressed,
        NotTaken, // a frame shorter than the format's, which the compressor cannot read
        Refused,  // the compressor failed
    };
    struct Frame {
        Result result = Result::Refused;
        // In the compressor's own buffer, valid until the next call, with
        // CAviWriter::kChunkHeaderRoom bytes free before it and one after it.
        BYTE* data = nullptr;
        DWORD size = 0;
        bool keyFrame = false; // as the compressor said
    };
    // Compresses one frame of `bytes` (a whole frame when 0).
    Frame Compress(BYTE* frame, DWORD bytes = 0);

private:
    void FitToSample(const BITMAPINFOHEADER& header, std::span<const BYTE> sample);
    bool AllocateBuffers();
    DWORD FrameSizeLimit(DWORD microSecPerFrame) const;

    COMPVARS m_vars{};
    ICINFO m_info{};
    std::vector<BYTE> m_inputFormat;
    std::vector<BYTE> m_outputFormat;
    std::vector<BYTE> m_output;   // the worst case of one frame, with chunk room
    std::vector<BYTE> m_previous; // the last frame, for a compressor that needs it
    DWORD m_inputBytes = 0;       // a whole input frame
    DWORD m_frameSize = 0;        // the data rate's share of one frame; 0: no limit
    DWORD m_quality = 0;
    LONG m_frameNumber = 0;
    bool m_started = false;
};
