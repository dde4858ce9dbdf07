#pragma once
// The HuffYUV codec (FourCC 'HFYU'), lossless: what a program needs to use
// it from the static library, or to talk to it in hfyucodec.dll.
//
// Installing it for the process alone (nothing is loaded or registered):
//     HfyuInstallForProcess();
// after which the platform's compressor chooser, ICOpen and ICLocate find it
// as ICTYPE_VIDEO 'HFYU'.
//
// Tables fitted to the source: before asking for the output format
// (ICCompressGetFormat), hand the compressor one frame of the input format:
//     HfyuFitTables(hic, &inputFormat, frameBits);
// The output format's extra data then carries tables fitted to that frame,
// and every frame of the stream is coded with them. ICM_GETSTATE and
// ICM_SETSTATE carry the same choice (the predictors and any fitted tables)
// as an HFYU_STATE.

#include <windows.h>

#include <vfw.h>

#define HFYU_FOURCC mmioFOURCC('H', 'F', 'Y', 'U')
// ICINFO::szDescription: what compressor choosers list, and how a caller
// tells this codec from another HFYU codec before it sends the private
// message below.
#define HFYU_DESCRIPTION L"HuffYUV lossless"

// lParam1: const BITMAPINFOHEADER* of a raw frame the codec takes;
// lParam2: const void*, that frame's bits. ICERR_OK, or ICERR_BADFORMAT.
#define ICM_HFYU_FIT_TABLES (ICM_USER + 0x0800)

// Which predictors new streams use (the format's method numbers).
#define HFYU_PREDICT_LEFT 0
#define HFYU_PREDICT_GRADIENT 1 // RGB only
#define HFYU_PREDICT_MEDIAN 2   // YUY2 only

#define HFYU_STATE_MAGIC mmioFOURCC('H', 'f', 's', '1')

#include <pshpack1.h>
typedef struct {
    DWORD magic;         // HFYU_STATE_MAGIC
    BYTE yuy2Predictor;  // HFYU_PREDICT_LEFT or _MEDIAN
    BYTE rgbPredictor;   // HFYU_PREDICT_LEFT or _GRADIENT
    BYTE fittedBitCount; // 0: the built-in tables; 16, 24 or 32: fitted to that layout
    BYTE reserved;
    BYTE codeLengths[3][256]; // the fitted tables' code lengths (with fittedBitCount)
} HFYU_STATE;
#include <poppack.h>

#ifdef __cplusplus
static_assert(sizeof(HFYU_STATE) == 8 + 3 * 256, "HFYU_STATE crosses the driver boundary");
extern "C" {
#endif

// The installable driver's procedure, exported by hfyucodec.dll as DriverProc.
LRESULT CALLBACK HfyuDriverProc(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1,
                                LPARAM lParam2);

// Installs HfyuDriverProc for this process (ICInstall, ICINSTALL_FUNCTION).
BOOL HfyuInstallForProcess(void);

#ifdef __cplusplus
}

inline LRESULT HfyuFitTables(HIC compressor, const BITMAPINFOHEADER* format, const void* frame) {
    return ICSendMessage(compressor, ICM_HFYU_FIT_TABLES, reinterpret_cast<DWORD_PTR>(format),
                         reinterpret_cast<DWORD_PTR>(frame));
}
#endif
