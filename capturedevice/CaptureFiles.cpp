// The capture file, its copy, the INFO entries of the next capture, and the
// current frame as a bitmap file or on the clipboard.

#include <cstring>
#include <string>

#include "CaptureWindowHandlers.h"
#include "DibImage.h"

namespace {

// A path argument: non-null and shorter than MAX_PATH, or an error.
bool AcceptPath(CaptureWindowState& s, LPARAM lParam, std::string& path) {
    const char* text = reinterpret_cast<const char*>(lParam);
    if (text == nullptr) {
        return false;
    }
    const size_t length = strnlen(text, MAX_PATH);
    if (length == 0) {
        return false;
    }
    if (length >= MAX_PATH) {
        s.ReportError(IDS_CAP_CANTOPEN, "The file name is too long.");
        return false;
    }
    path.assign(text, length);
    return true;
}

bool EnsureFrame(CaptureWindowState& s) {
    if (s.CurrentFrame().size() != s.VideoFormat().biSizeImage) {
        s.GenerateNextFrame();
    }
    return !s.CurrentFrame().empty();
}

} // namespace

LRESULT OnSaveDib(CaptureWindowState& s, LPARAM pathArg) {
    s.ClearShownError();
    std::string path;
    if (!s.IsConnected() || !AcceptPath(s, pathArg, path) || !EnsureFrame(s)) {
        return FALSE;
    }
    const DibImage image(s.VideoFormat(), s.CurrentFrame());
    if (!image.SaveBmp(path)) {
        s.ReportErrorf(IDS_CAP_ERRORDIBSAVE, "Could not save the frame to %s.", path.c_str());
        return FALSE;
    }
    return TRUE;
}

LRESULT OnEditCopy(CaptureWindowState& s) {
    if (!s.IsConnected() || !EnsureFrame(s)) {
        return FALSE;
    }
    const DibImage image(s.VideoFormat(), s.CurrentFrame());
    UniqueGlobal dib(image.ToGlobalDib());
    CClipboardOpen clipboard(s.Window());
    if (!dib || !clipboard.IsOpen() || !EmptyClipboard()) {
        return FALSE;
    }
    if (SetClipboardData(CF_DIB, dib.Get()) == nullptr) {
        return FALSE;
    }
    (void)dib.Release(); // the clipboard owns it now
    return TRUE;
}

LRESULT OnSetCaptureFile(CaptureWindowState& s, LPARAM pathArg) {
    s.ClearShownError();
    std::string path;
    if (IsCapturing(s) || !AcceptPath(s, pathArg, path)) {
        return FALSE;
    }
    s.setup.file = path;
    return TRUE;
}

LRESULT OnGetCaptureFile(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (out == nullptr || size <= s.setup.file.size()) {
        return FALSE;
    }
    std::memcpy(out, s.setup.file.c_str(), s.setup.file.size() + 1);
    return TRUE;
}

LRESULT OnSaveAs(CaptureWindowState& s, LPARAM pathArg) {
    s.ClearShownError();
    std::string path;
    if (IsCapturing(s) || !AcceptPath(s, pathArg, path)) {
        return FALSE;
    }
    const std::string& source = s.setup.file;
    char fullSource[MAX_PATH], fullTarget[MAX_PATH];
    if (GetFullPathNameA(source.c_str(), MAX_PATH, fullSource, nullptr) - 1 >= MAX_PATH - 1 ||
        GetFullPathNameA(path.c_str(), MAX_PATH, fullTarget, nullptr) - 1 >= MAX_PATH - 1) {
        s.ReportError(IDS_CAP_CANTOPEN, "The file name is too long.");
        return FALSE;
    }
    if (lstrcmpiA(fullSource, fullTarget) == 0) {
        return TRUE; // the file is already there, unchanged
    }
    if (GetFileAttributesA(fullSource) == INVALID_FILE_ATTRIBUTES) {
        s.ReportErrorf(IDS_CAP_CANTOPEN, "The capture file %s cannot be opened.", fullSource);
        return FALSE;
    }
    if (!CopyFileA(fullSource, fullTarget, FALSE)) {
        s.ReportErrorf(IDS_CAP_FILE_WRITE_ERROR, "The captured video could not be saved as %s.",
                       fullTarget);
        return FALSE;
    }
    return TRUE;
}

LRESULT OnSetInfoChunk(CaptureWindowState& s, LPARAM buffer) {
    const auto* chunk = reinterpret_cast<const CAPINFOCHUNK*>(buffer);
    // INFO entries are short texts; a length past any of them is a bad record.
    constexpr LONG kMaxInfoChunk = 1 << 20;
    if (chunk == nullptr || chunk->cbData < 0 || chunk->cbData > kMaxInfoChunk || IsCapturing(s)) {
        return FALSE;
    }
    s.setup.info.Set(chunk->fccInfoID, static_cast<const BYTE*>(chunk->lpData),
                     chunk->lpData != nullptr ? static_cast<size_t>(chunk->cbData) : 0);
    return TRUE;
}
