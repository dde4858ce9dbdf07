// The capture parameters and the capture messages, handed to the sequence
// capture engine (SequenceHook.h).

#include <cstring>

#include "CaptureWindowHandlers.h"
#include "SequenceHook.h"

LRESULT OnSetSequenceSetup(CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (IsCapturing(s) || size != sizeof(CAPTUREPARMS) || buffer == 0) {
        return FALSE;
    }
    CAPTUREPARMS parms;
    std::memcpy(&parms, reinterpret_cast<const void*>(buffer), sizeof parms);
    if (parms.dwRequestMicroSecPerFrame == 0 || parms.wNumVideoRequested == 0) {
        return FALSE;
    }
    s.setup.parms = parms;
    return TRUE;
}

LRESULT OnGetSequenceSetup(const CaptureWindowState& s, WPARAM size, LPARAM buffer) {
    if (size != sizeof(CAPTUREPARMS) || buffer == 0) {
        return FALSE;
    }
    std::memcpy(reinterpret_cast<void*>(buffer), &s.setup.parms, sizeof(CAPTUREPARMS));
    return TRUE;
}

LRESULT OnSequenceCommand(CaptureWindowState& s, SequenceCommand command) {
    if ((command == SequenceCommand::Sequence || command == SequenceCommand::SequenceNoFile) &&
        (!s.IsConnected() || IsCapturing(s))) {
        return FALSE;
    }
    if (command == SequenceCommand::Stop) {
        s.progress.stopRequested = true;
    } else if (command == SequenceCommand::Abort) {
        s.progress.abortRequested = true;
    }
    s.pendingCommand = command;
    return OnSequence(s);
}
