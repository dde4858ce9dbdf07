#pragma once
// The hook between the capture window and the sequence capture engine
// (SequenceCapture.*).
//
// OnSequenceCommand (SequenceCommands.cpp) takes WM_CAP_SEQUENCE,
// WM_CAP_SEQUENCE_NOFILE, WM_CAP_STOP and WM_CAP_ABORT: it refuses a start
// without a driver or during a capture, sets progress.stopRequested or
// abortRequested for a stop or an abort, sets state.pendingCommand to say
// which message it is, and returns OnSequence's result as the message's. A
// stop or abort sent while a capture runs (from a callback, or dispatched by
// the engine or by the program's yield callback) comes here re-entrantly; the
// running capture sees it at its next frame slot.
//
// The engine works on the window's state (CaptureWindowState.h): the video
// format and the frames (Frames().Render, ShowFrame, ClockMs), the setup
// (parameters, sound format, file, INFO entries), the callbacks (ReportStatus,
// ReportError, CallYield and the stream callbacks), the display's preview and
// WindowAlive(): a capture ends when its window goes. It keeps `progress`
// current while it runs; while progress.capturingNow is set, the live-video
// tick leaves the window to the engine.

#include <windows.h>

class CaptureWindowState;

LRESULT OnSequence(CaptureWindowState& state);
