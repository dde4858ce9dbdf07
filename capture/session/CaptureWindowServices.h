#pragma once

// The messages of a capture window, each sent only while the window exists;
// to a missing window a message is not sent and its result counts as 0.

#include "contract/CaptureRecords.h"

#include <windows.h>

#include <vfw.h>

namespace capwnd {

// Sends the message if the window exists; 0 otherwise.
inline LRESULT Send(HWND hWndCap, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    if (hWndCap == nullptr || !::IsWindow(hWndCap))
        return 0;
    return ::SendMessageA(hWndCap, message, wParam, lParam);
}

template <class Record> LRESULT SendRecord(HWND hWndCap, UINT message, Record& record) {
    return Send(hWndCap, message, sizeof record, reinterpret_cast<LPARAM>(&record));
}

// Room behind every record or format a driver is asked to fill: a driver
// built for a later, longer version of a record may write its own size
// whatever it was asked, and what lies behind the buffer (the rest of the
// session, the heap) must not take it.
constexpr DWORD kRecordSlack = 1024;

// A record the driver fills, asked into a buffer with room behind it.
template <class Record> LRESULT ReceiveRecord(HWND hWndCap, UINT message, Record& record) {
    struct Padded {
        Record record;
        BYTE slack[kRecordSlack];
    } padded{};
    padded.record = record;
    const LRESULT result =
        Send(hWndCap, message, sizeof record, reinterpret_cast<LPARAM>(&padded.record));
    record = padded.record;
    return result;
}

inline bool DriverConnect(HWND h, int index) {
    return Send(h, WM_CAP_DRIVER_CONNECT, WPARAM(index)) != 0;
}
inline bool DriverGetCaps(HWND h, CAPDRIVERCAPS& caps) {
    return ReceiveRecord(h, WM_CAP_DRIVER_GET_CAPS, caps) != 0;
}
inline bool GetStatus(HWND h, CAPSTATUS& status) {
    return ReceiveRecord(h, WM_CAP_GET_STATUS, status) != 0;
}
inline bool GetSequenceSetup(HWND h, CAPTUREPARMS& parms) {
    return ReceiveRecord(h, WM_CAP_GET_SEQUENCE_SETUP, parms) != 0;
}
inline bool SetSequenceSetup(HWND h, CAPTUREPARMS& parms) {
    return SendRecord(h, WM_CAP_SET_SEQUENCE_SETUP, parms) != 0;
}
inline bool SetPreviewRate(HWND h, UINT milliseconds) {
    return Send(h, WM_CAP_SET_PREVIEWRATE, milliseconds) != 0;
}
inline bool SetPreview(HWND h, BOOL on) {
    return Send(h, WM_CAP_SET_PREVIEW, WPARAM(on)) != 0;
}
inline bool SetOverlay(HWND h, BOOL on) {
    return Send(h, WM_CAP_SET_OVERLAY, WPARAM(on)) != 0;
}
inline bool SetCallbackOnStatus(HWND h, CAPSTATUSCALLBACKA callback) {
    return Send(h, WM_CAP_SET_CALLBACK_STATUSA, 0, reinterpret_cast<LPARAM>(callback)) != 0;
}
inline bool SetCallbackOnError(HWND h, CAPERRORCALLBACKA callback) {
    return Send(h, WM_CAP_SET_CALLBACK_ERRORA, 0, reinterpret_cast<LPARAM>(callback)) != 0;
}
inline DWORD GetAudioFormatSize(HWND h) {
    return DWORD(Send(h, WM_CAP_GET_AUDIOFORMAT));
}
// `format` holds size + kRecordSlack bytes.
inline DWORD GetAudioFormat(HWND h, WAVEFORMATEX* format, DWORD size) {
    return DWORD(Send(h, WM_CAP_GET_AUDIOFORMAT, size, reinterpret_cast<LPARAM>(format)));
}
inline bool SetAudioFormat(HWND h, const WAVEFORMATEX* format, DWORD size) {
    return Send(h, WM_CAP_SET_AUDIOFORMAT, size, reinterpret_cast<LPARAM>(format)) != 0;
}
// A video format is as long as the driver says (a colour table may follow
// the header): CVideoFormat holds one whole.
inline DWORD GetVideoFormatSize(HWND h) {
    return DWORD(Send(h, WM_CAP_GET_VIDEOFORMAT));
}
// `format` holds size + kRecordSlack bytes.
inline DWORD GetVideoFormat(HWND h, void* format, DWORD size) {
    return DWORD(Send(h, WM_CAP_GET_VIDEOFORMAT, size, reinterpret_cast<LPARAM>(format)));
}
inline bool SetVideoFormat(HWND h, const void* format, DWORD size) {
    return Send(h, WM_CAP_SET_VIDEOFORMAT, size, reinterpret_cast<LPARAM>(format)) != 0;
}
inline bool DlgVideoSource(HWND h) {
    return Send(h, WM_CAP_DLG_VIDEOSOURCE) != 0;
}
inline bool DlgVideoDisplay(HWND h) {
    return Send(h, WM_CAP_DLG_VIDEODISPLAY) != 0;
}
inline bool DlgVideoCompression(HWND h) {
    return Send(h, WM_CAP_DLG_VIDEOCOMPRESSION) != 0;
}
inline bool GrabFrameNoStop(HWND h) {
    return Send(h, WM_CAP_GRAB_FRAME_NOSTOP) != 0;
}
inline bool FileSetInfoChunk(HWND h, CAPINFOCHUNK& chunk) {
    return Send(h, WM_CAP_FILE_SET_INFOCHUNK, 0, reinterpret_cast<LPARAM>(&chunk)) != 0;
}
inline bool Sequence(HWND h) {
    return Send(h, WM_CAP_SEQUENCE) != 0;
}
// The program's own capture files: the capture window hands every frame
// and sound buffer to the stream callbacks and writes no file.
inline bool SequenceNoFile(HWND h) {
    return Send(h, WM_CAP_SEQUENCE_NOFILE) != 0;
}
inline bool Stop(HWND h) {
    return Send(h, WM_CAP_STOP) != 0;
}
inline bool SetCallbackOnVideoStream(HWND h, CAPVIDEOCALLBACK callback) {
    return Send(h, WM_CAP_SET_CALLBACK_VIDEOSTREAM, 0, reinterpret_cast<LPARAM>(callback)) != 0;
}
inline bool SetCallbackOnWaveStream(HWND h, CAPWAVECALLBACK callback) {
    return Send(h, WM_CAP_SET_CALLBACK_WAVESTREAM, 0, reinterpret_cast<LPARAM>(callback)) != 0;
}
inline bool SetUserData(HWND h, LPARAM data) {
    return Send(h, WM_CAP_SET_USER_DATA, 0, data) != 0;
}
inline LPARAM GetUserData(HWND h) {
    return LPARAM(Send(h, WM_CAP_GET_USER_DATA));
}
inline bool FileGetCaptureFile(HWND h, char* path, WPARAM size) {
    return Send(h, WM_CAP_FILE_GET_CAPTURE_FILEA, size, reinterpret_cast<LPARAM>(path)) != 0;
}
inline bool FileSetCaptureFile(HWND h, const char* path) {
    return Send(h, WM_CAP_FILE_SET_CAPTURE_FILEA, 0, reinterpret_cast<LPARAM>(path)) != 0;
}
inline bool FileSaveAs(HWND h, const char* path) {
    return Send(h, WM_CAP_FILE_SAVEASA, 0, reinterpret_cast<LPARAM>(path)) != 0;
}
inline bool FileSaveDIB(HWND h, const char* path) {
    return Send(h, WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<LPARAM>(path)) != 0;
}
inline bool EditCopy(HWND h) {
    return Send(h, WM_CAP_EDIT_COPY) != 0;
}

} // namespace capwnd
