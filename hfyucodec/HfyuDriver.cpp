// The installable driver's procedure: the driver messages open and close
// instances, the ICM messages go to the instance. Nothing thrown leaves it.
#include <memory>

#include "hfyucodec/HfyuCodec.h"
#include "hfyucodec/hfyucodec.h"

namespace {

template <typename T> T* Ptr(LPARAM value) {
    return reinterpret_cast<T*>(value);
}

// Opened for video only; an open without ICOPEN (a configuration) is allowed.
LRESULT Open(ICOPEN* open) {
    if (open != nullptr && open->fccType != ICTYPE_VIDEO) {
        return 0;
    }
    auto codec = std::make_unique<CHfyuCodec>();
    if (open != nullptr) {
        open->dwError = ICERR_OK;
    }
    return reinterpret_cast<LRESULT>(codec.release());
}

LRESULT Close(CHfyuCodec* codec) {
    std::unique_ptr<CHfyuCodec> owned(codec);
    return 1;
}

LRESULT About(LPARAM parent) {
    // (DWORD)-1 asks whether there is an About box at all.
    if (static_cast<DWORD>(parent) == static_cast<DWORD>(-1)) {
        return ICERR_OK;
    }
    return CHfyuCodec::About(reinterpret_cast<HWND>(parent));
}

// ICM messages that need an instance.
LRESULT InstanceMessage(CHfyuCodec& codec, UINT message, LPARAM lParam1, LPARAM lParam2) {
    using Header = BITMAPINFOHEADER;
    const auto size = static_cast<DWORD>(lParam2);
    switch (message) {
    case ICM_GETSTATE:
        return codec.GetState(Ptr<void>(lParam1), size);
    case ICM_SETSTATE:
        return codec.SetState(Ptr<const void>(lParam1), size);
    case ICM_HFYU_FIT_TABLES:
        return codec.FitTables(Ptr<const Header>(lParam1), Ptr<const void>(lParam2));
    case ICM_COMPRESS_QUERY:
        return codec.CompressQuery(Ptr<const Header>(lParam1), Ptr<const Header>(lParam2));
    case ICM_COMPRESS_GET_FORMAT:
        return codec.CompressGetFormat(Ptr<const Header>(lParam1), Ptr<Header>(lParam2));
    case ICM_COMPRESS_GET_SIZE:
        return codec.CompressGetSize(Ptr<const Header>(lParam1));
    case ICM_COMPRESS_BEGIN:
        return codec.CompressBegin(Ptr<const Header>(lParam1), Ptr<const Header>(lParam2));
    case ICM_COMPRESS:
        return codec.Compress(Ptr<ICCOMPRESS>(lParam1), size);
    case ICM_COMPRESS_END:
        return codec.CompressEnd();
    case ICM_DECOMPRESS_QUERY:
        return codec.DecompressQuery(Ptr<const Header>(lParam1), Ptr<const Header>(lParam2));
    case ICM_DECOMPRESS_GET_FORMAT:
        return codec.DecompressGetFormat(Ptr<const Header>(lParam1), Ptr<Header>(lParam2));
    case ICM_DECOMPRESS_BEGIN:
        return codec.DecompressBegin(Ptr<const Header>(lParam1), Ptr<const Header>(lParam2));
    case ICM_DECOMPRESS:
        return codec.Decompress(Ptr<const ICDECOMPRESS>(lParam1), size);
    case ICM_DECOMPRESS_END:
        return codec.DecompressEnd();
    default:
        return ICERR_UNSUPPORTED;
    }
}

LRESULT Dispatch(DWORD_PTR driverId, HDRVR driver, UINT message, LPARAM lParam1, LPARAM lParam2) {
    auto* codec = reinterpret_cast<CHfyuCodec*>(driverId);
    switch (message) {
    case DRV_LOAD:
    case DRV_FREE:
    case DRV_ENABLE:
    case DRV_DISABLE:
        return 1;
    case DRV_INSTALL:
    case DRV_REMOVE:
        return DRV_OK;
    case DRV_OPEN:
        return Open(Ptr<ICOPEN>(lParam2));
    case DRV_CLOSE:
        return Close(codec);
    case DRV_QUERYCONFIGURE:
        return 0; // nothing to configure
    case DRV_CONFIGURE:
        return DRV_CANCEL;
    case ICM_GETINFO:
        // Asked before any open, by the compressor choosers' enumeration.
        return CHfyuCodec::GetInfo(Ptr<ICINFO>(lParam1), static_cast<DWORD>(lParam2));
    case ICM_ABOUT:
        return About(lParam1);
    case ICM_CONFIGURE:
        return ICERR_UNSUPPORTED;
    case ICM_COMPRESS_FRAMES_INFO:
        return ICERR_OK; // rates and quality change nothing in a lossless code
    default:
        if (message < DRV_USER) {
            return DefDriverProc(driverId, driver, message, lParam1, lParam2);
        }
        return codec != nullptr ? InstanceMessage(*codec, message, lParam1, lParam2)
                                : ICERR_UNSUPPORTED;
    }
}

} // namespace

extern "C" LRESULT CALLBACK HfyuDriverProc(DWORD_PTR driverId, HDRVR driver, UINT message,
                                           LPARAM lParam1, LPARAM lParam2) {
    try {
        return Dispatch(driverId, driver, message, lParam1, lParam2);
    } catch (...) {
        // Only an allocation can fail here; the caller sees an error, not a fault.
        return message < DRV_USER ? 0 : ICERR_MEMORY;
    }
}

extern "C" BOOL HfyuInstallForProcess(void) {
    return ICInstall(ICTYPE_VIDEO, HFYU_FOURCC, reinterpret_cast<LPARAM>(&HfyuDriverProc), nullptr,
                     ICINSTALL_FUNCTION);
}
