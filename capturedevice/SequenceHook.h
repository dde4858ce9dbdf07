#pragma once
// The hook between the capture window and the sequence capture engine.
//
// The window routes WM_CAP_SEQUENCE, WM_CAP_SEQUENCE_NOFILE, WM_CAP_STOP and
// WM_CAP_ABORT here, after setting state.pendingCommand to say which one it
// is, and returns OnSequence's result as the message's result. A stop or
// abort arriving while a capture runs (sent from a callback, or dispatched
// by the engine or by the program's yield callback) comes here re-entrantly
// with state.pendingCommand Stop or Abort; the device also sets
// progress.stopRequested / abortRequested before calling.
//
// What the state (CaptureWindowState.h) offers the engine:
//   IsConnected(), DriverIndex()        the connected virtual driver (-1: none)
//   VideoFormat()                       BITMAPINFOHEADER of the frames
//                                       (biSizeImage = bytes of one frame)
//   Frames().Render(n, clockMs, span,   renders frame n in that format, with
//                   record)             the picture controls applied (only
//                                       the rows that differ from `record`)
//   ShowFrame(bits)                     shows a frame in the window
//   ClockMs()                           the window's clock
//   setup.parms                         CAPTUREPARMS (96 bytes on 32-bit)
//   setup.Audio(), setup.audioFormat    WAVEFORMATEX (+ cbSize extra bytes)
//   setup.info.Entries()                RIFF INFO entries {FOURCC, bytes}
//   setup.file                          path of the capture file
//   ReportStatus(id, text)              the status callback (IDS_CAP_* ids)
//   ReportError(id, text)               the error callback; sets dwReturn
//   CallYield()                         the yield callback (TRUE if none)
//   callbacks                           the other installed callbacks
//   progress                            CAPSTATUS capture fields: set
//                                       capturingNow, frame/drop/sample
//                                       counts and elapsed time while running
//   Window()                            the capture window
// While progress.capturingNow is set, the device's preview timer leaves the
// window to the engine.

#include <windows.h>

class CaptureWindowState;

LRESULT OnSequence(CaptureWindowState& state);
