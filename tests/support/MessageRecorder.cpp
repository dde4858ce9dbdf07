#include "support/MessageRecorder.h"

#include <vfw.h>

#include <cstdio>
#include <sstream>

namespace {

struct NamedMessage {
    UINT message;
    const char* name;
};

#define NAMED(m)                                                                                   \
    { m, #m }
const NamedMessage kNames[] = {
    NAMED(WM_CREATE),
    NAMED(WM_DESTROY),
    NAMED(WM_MOVE),
    NAMED(WM_SIZE),
    NAMED(WM_ACTIVATE),
    NAMED(WM_SETFOCUS),
    NAMED(WM_KILLFOCUS),
    NAMED(WM_PAINT),
    NAMED(WM_CLOSE),
    NAMED(WM_QUERYENDSESSION),
    NAMED(WM_ERASEBKGND),
    NAMED(WM_SHOWWINDOW),
    NAMED(WM_WINDOWPOSCHANGING),
    NAMED(WM_WINDOWPOSCHANGED),
    NAMED(WM_NCCREATE),
    NAMED(WM_NCDESTROY),
    NAMED(WM_NCCALCSIZE),
    NAMED(WM_COMMAND),
    NAMED(WM_INITMENUPOPUP),
    NAMED(WM_MENUSELECT),
    NAMED(WM_QUERYNEWPALETTE),
    NAMED(WM_PALETTECHANGED),
    NAMED(WM_CAP_GET_CAPSTREAMPTR),
    NAMED(WM_CAP_SET_CALLBACK_ERRORA),
    NAMED(WM_CAP_SET_CALLBACK_STATUSA),
    NAMED(WM_CAP_SET_CALLBACK_YIELD),
    NAMED(WM_CAP_SET_CALLBACK_FRAME),
    NAMED(WM_CAP_SET_CALLBACK_VIDEOSTREAM),
    NAMED(WM_CAP_SET_CALLBACK_WAVESTREAM),
    NAMED(WM_CAP_GET_USER_DATA),
    NAMED(WM_CAP_SET_USER_DATA),
    NAMED(WM_CAP_DRIVER_CONNECT),
    NAMED(WM_CAP_DRIVER_DISCONNECT),
    NAMED(WM_CAP_DRIVER_GET_NAMEA),
    NAMED(WM_CAP_DRIVER_GET_VERSIONA),
    NAMED(WM_CAP_DRIVER_GET_CAPS),
    NAMED(WM_CAP_FILE_SET_CAPTURE_FILEA),
    NAMED(WM_CAP_FILE_GET_CAPTURE_FILEA),
    NAMED(WM_CAP_FILE_SAVEASA),
    NAMED(WM_CAP_FILE_SET_INFOCHUNK),
    NAMED(WM_CAP_FILE_SAVEDIBA),
    NAMED(WM_CAP_EDIT_COPY),
    NAMED(WM_CAP_SET_AUDIOFORMAT),
    NAMED(WM_CAP_GET_AUDIOFORMAT),
    NAMED(WM_CAP_DLG_VIDEOFORMAT),
    NAMED(WM_CAP_DLG_VIDEOSOURCE),
    NAMED(WM_CAP_DLG_VIDEODISPLAY),
    NAMED(WM_CAP_GET_VIDEOFORMAT),
    NAMED(WM_CAP_SET_VIDEOFORMAT),
    NAMED(WM_CAP_DLG_VIDEOCOMPRESSION),
    NAMED(WM_CAP_SET_PREVIEW),
    NAMED(WM_CAP_SET_OVERLAY),
    NAMED(WM_CAP_SET_PREVIEWRATE),
    NAMED(WM_CAP_SET_SCALE),
    NAMED(WM_CAP_GET_STATUS),
    NAMED(WM_CAP_SET_SCROLL),
    NAMED(WM_CAP_GRAB_FRAME),
    NAMED(WM_CAP_GRAB_FRAME_NOSTOP),
    NAMED(WM_CAP_SEQUENCE),
    NAMED(WM_CAP_SEQUENCE_NOFILE),
    NAMED(WM_CAP_SET_SEQUENCE_SETUP),
    NAMED(WM_CAP_GET_SEQUENCE_SETUP),
    NAMED(WM_CAP_STOP),
    NAMED(WM_CAP_ABORT),
};
#undef NAMED

std::string Describe(UINT message, WPARAM wParam, LPARAM lParam) {
    std::ostringstream text;
    text << MessageName(message) << " wParam=" << std::hex << "0x" << wParam << " lParam=0x"
         << lParam;
    return text.str();
}

bool Matches(const RecordedMessage& actual, const ExpectedMessage& expected) {
    return actual.message == expected.message &&
           (!(expected.match & kMatchWParam) || actual.wParam == expected.wParam) &&
           (!(expected.match & kMatchLParam) || actual.lParam == expected.lParam);
}

} // namespace

std::string MessageName(UINT message) {
    for (const NamedMessage& named : kNames) {
        if (named.message == message)
            return named.name;
    }
    char number[16];
    std::snprintf(number, sizeof number, "0x%04x", message);
    return number;
}

testing::AssertionResult MatchSequence(const std::vector<RecordedMessage>& actual,
                                       const std::vector<ExpectedMessage>& expected,
                                       const std::string& context) {
    size_t a = 0;
    size_t e = 0;
    bool failed = false;
    while (e < expected.size()) {
        if (a < actual.size() && Matches(actual[a], expected[e])) {
            ++a;
            ++e;
        } else if (expected[e].match & kOptional) {
            ++e;
        } else {
            failed = true;
            break;
        }
    }
    if (!failed && a == actual.size())
        return testing::AssertionSuccess();

    std::ostringstream report;
    report << context << ": the message sequence differs";
    if (e < expected.size())
        report << " at expected entry " << e << " (" << MessageName(expected[e].message) << ")";
    else
        report << ": " << (actual.size() - a) << " more message(s) than expected";
    report << "\n  expected:";
    for (const ExpectedMessage& m : expected) {
        report << "\n    " << Describe(m.message, m.wParam, m.lParam);
        if (m.match != kMatchBoth)
            report << " (compare " << m.match << ")";
    }
    report << "\n  actual:";
    for (const RecordedMessage& m : actual)
        report << "\n    " << Describe(m.message, m.wParam, m.lParam);
    return testing::AssertionFailure() << report.str();
}
