// Stand-in for the sequence capture engine until it is built: every capture
// message fails and says so through the error callback.

#include "SequenceHook.h"
#include "CaptureWindowState.h"

LRESULT OnSequence(CaptureWindowState& state) {
    if (state.PendingCommand() == SequenceCommand::Sequence ||
        state.PendingCommand() == SequenceCommand::SequenceNoFile) {
        state.ReportError(IDS_CAP_RECORDING_ERROR, "Sequence capture is not available.");
    }
    return FALSE;
}
