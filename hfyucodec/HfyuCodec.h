#pragma once
// One opened instance of the codec: its settings (predictors, any fitted
// tables) and the compression or decompression under way. Each member
// answers one ICM message with the message's own return convention.

#include <windows.h>

#include <vfw.h>

#include <optional>

#include "hfyucodec/HfyuDecoder.h"
#include "hfyucodec/HfyuEncoder.h"
#include "hfyucodec/hfyucodec.h"

class CHfyuCodec {
public:
    CHfyuCodec();
    CHfyuCodec(const CHfyuCodec&) = delete;
    CHfyuCodec& operator=(const CHfyuCodec&) = delete;

    static LRESULT GetInfo(ICINFO* info, DWORD size);
    static LRESULT About(HWND parent);

    // The state's size when `state` is null, else ICERR_OK.
    LRESULT GetState(void* state, DWORD size) const;
    // The bytes taken, 0 for a state refused (or none: the defaults).
    LRESULT SetState(const void* state, DWORD size);
    LRESULT FitTables(const BITMAPINFOHEADER* format, const void* frame);

    LRESULT CompressQuery(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) const;
    LRESULT CompressGetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) const;
    LRESULT CompressGetSize(const BITMAPINFOHEADER* in) const;
    LRESULT CompressBegin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out);
    LRESULT Compress(ICCOMPRESS* frame, DWORD size);
    LRESULT CompressEnd();

    LRESULT DecompressQuery(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out) const;
    LRESULT DecompressGetFormat(const BITMAPINFOHEADER* in, BITMAPINFOHEADER* out) const;
    LRESULT DecompressBegin(const BITMAPINFOHEADER* in, const BITMAPINFOHEADER* out);
    LRESULT Decompress(const ICDECOMPRESS* frame, DWORD size);
    LRESULT DecompressEnd();

private:
    // The stream a raw format becomes with the current settings.
    hfyu::StreamParams StreamFor(const hfyu::RawShape& shape) const;
    bool Matches(const hfyu::RawShape& shape, const BITMAPINFOHEADER* out) const;

    HFYU_STATE m_state{};
    struct Compression {
        hfyu::RawShape shape;
        hfyu::CEncoder encoder;
    };
    std::optional<Compression> m_compression;
    struct Decompression {
        hfyu::StreamParams params;
        hfyu::RawShape output;
        hfyu::CDecoder decoder;
    };
    std::optional<Decompression> m_decompression;
};
