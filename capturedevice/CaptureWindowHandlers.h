#pragma once
// The capture window's message handlers, by feature. The window's one
// dispatch (CaptureWindow.cpp) calls exactly one of them per capture message
// and returns its result.

#include <windows.h>
#include <vfw.h>

#include "CaptureWindowState.h"
#include "contract/SheetMode.h"

inline bool IsCapturing(const CaptureWindowState& s) {
    return s.progress.capturingNow;
}

// --- connection and settings (DriverConnection.cpp) ---------------------------
LRESULT OnDriverConnect(CaptureWindowState& s, WPARAM index);
LRESULT OnDriverDisconnect(CaptureWindowState& s);
LRESULT OnGetDriverText(const CaptureWindowState& s, WPARAM size, LPARAM buffer, bool name);
LRESULT OnGetCaps(const CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnGetStatus(const CaptureWindowState& s, WPARAM size, LPARAM buffer);
// Takes up a pending settings-changed signal. Called before each capture
// message and on each live-video tick, so a change is in force for the next
// request.
void PollSettingsEvent(CaptureWindowState& s);

// --- live video (LiveVideo.cpp) -----------------------------------------------
LRESULT OnSetPreview(CaptureWindowState& s, bool on);
LRESULT OnSetOverlay(CaptureWindowState& s, bool on);
LRESULT OnSetPreviewRate(CaptureWindowState& s, WPARAM milliseconds);
LRESULT OnSetScale(CaptureWindowState& s, bool on);
LRESULT OnSetScroll(CaptureWindowState& s, LPARAM point);
LRESULT OnGrabFrame(CaptureWindowState& s, bool stopLiveVideo);
void OnLiveTick(CaptureWindowState& s);
void StopLiveVideo(CaptureWindowState& s);
void RestartLiveTimer(CaptureWindowState& s);
// Grabs the next frame into the frame buffer, calls the frame callback and
// shows it.
void GrabAndShow(CaptureWindowState& s);
void Paint(const CaptureWindowState& s);
void DrawFrame(const CaptureWindowState& s, HDC dc);
constexpr UINT_PTR kLiveVideoTimer = 1;

// --- formats (VideoFormats.cpp) ---------------------------------------------------
LRESULT OnGetVideoFormat(const CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnSetVideoFormat(CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnGetAudioFormat(const CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnSetAudioFormat(CaptureWindowState& s, WPARAM size, LPARAM buffer);
// Applies the ImageSize and ImageFormat codes given, where the driver can
// deliver them; a code it cannot deliver is left out and the current value
// kept.
void ApplyFormatCodes(CaptureWindowState& s, std::optional<DWORD> imageSize,
                      std::optional<DWORD> imageFormat);

// --- files and clipboard (CaptureFiles.cpp) ---------------------------------------
LRESULT OnSetCaptureFile(CaptureWindowState& s, LPARAM path);
LRESULT OnGetCaptureFile(const CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnSaveAs(CaptureWindowState& s, LPARAM path);
LRESULT OnSetInfoChunk(CaptureWindowState& s, LPARAM chunk);
LRESULT OnSaveDib(CaptureWindowState& s, LPARAM path);
LRESULT OnEditCopy(CaptureWindowState& s);

// --- driver dialogs (DriverDialogs.cpp) ---------------------------------------------
LRESULT OnDriverDialog(CaptureWindowState& s, TunerSheetMode sheetMode);
LRESULT OnVideoCompressionDialog(CaptureWindowState& s);

// --- sequence (SequenceCommands.cpp) --------------------------------------------------
LRESULT OnSetSequenceSetup(CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnGetSequenceSetup(const CaptureWindowState& s, WPARAM size, LPARAM buffer);
LRESULT OnSequenceCommand(CaptureWindowState& s, SequenceCommand command);

// Installs (or with 0 removes) a callback; refused while a capture runs, as
// on the platform, so that the capture calls what it started with.
template <typename Callback>
LRESULT OnSetCallback(const CaptureWindowState& s, Callback& installed, LPARAM callback) {
    if (IsCapturing(s)) {
        return FALSE;
    }
    installed = reinterpret_cast<Callback>(callback);
    return TRUE;
}
