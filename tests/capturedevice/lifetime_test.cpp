// Windows closed while the device still works for them: from inside a
// callback, during a capture, during live video. The call returns, nothing
// is called back afterwards, and the process goes on.

#include "DeviceFixture.h"

#include <utility>

namespace {

HWND g_victim = nullptr; // the top-level window the callbacks close
int g_callsAfterClose = 0;

void CloseVictim() {
    if (g_victim != nullptr) {
        DestroyWindow(std::exchange(g_victim, nullptr));
    } else {
        ++g_callsAfterClose;
    }
}

LRESULT CALLBACK CloseOnFrame(HWND, LPVIDEOHDR) {
    CloseVictim();
    return TRUE;
}
LRESULT CALLBACK CloseOnError(HWND, int id, LPCSTR) {
    if (id != 0) {
        CloseVictim();
    }
    return TRUE;
}
LRESULT CALLBACK CloseOnCaptureStart(HWND, int id, LPCSTR) {
    if (id == IDS_CAP_BEGIN) {
        CloseVictim();
    }
    return TRUE;
}
LRESULT CALLBACK CloseOnYield(HWND) {
    CloseVictim();
    return TRUE;
}

struct CloseCase {
    const char* context;
    UINT install; // the callback message
    LPARAM callback;
    UINT message; // what the callback is called from
    WPARAM wParam;
    LPARAM lParam;
};

const char kBadPath[] = "Z:\\no such folder\\frame.bmp";

const CloseCase kCloseCases[] = {
    {"frame callback of a grab", WM_CAP_SET_CALLBACK_FRAME, reinterpret_cast<LPARAM>(&CloseOnFrame),
     WM_CAP_GRAB_FRAME_NOSTOP, 0, 0},
    {"frame callback as preview starts", WM_CAP_SET_CALLBACK_FRAME,
     reinterpret_cast<LPARAM>(&CloseOnFrame), WM_CAP_SET_PREVIEW, TRUE, 0},
    {"error callback of a failed save", WM_CAP_SET_CALLBACK_ERRORA,
     reinterpret_cast<LPARAM>(&CloseOnError), WM_CAP_FILE_SAVEDIBA, 0,
     reinterpret_cast<LPARAM>(kBadPath)},
    {"status callback at capture start", WM_CAP_SET_CALLBACK_STATUSA,
     reinterpret_cast<LPARAM>(&CloseOnCaptureStart), WM_CAP_SEQUENCE_NOFILE, 0, 0},
    {"yield callback of a capture", WM_CAP_SET_CALLBACK_YIELD,
     reinterpret_cast<LPARAM>(&CloseOnYield), WM_CAP_SEQUENCE_NOFILE, 0, 0},
};

TEST_F(DeviceTest, ClosingTheTopLevelWindowFromACallbackEndsTheCallCleanly) {
    for (const CloseCase& c : kCloseCases) {
        SCOPED_TRACE(c.context);
        if (m_parent == nullptr) {
            SetUp();
        }
        ASSERT_TRUE(Connect(0));
        CAPTUREPARMS parms{};
        ASSERT_TRUE(Send(WM_CAP_GET_SEQUENCE_SETUP, sizeof parms, &parms));
        parms.fLimitEnabled = TRUE;
        parms.wTimeLimit = 2;
        parms.fAbortLeftMouse = parms.fAbortRightMouse = FALSE;
        ASSERT_TRUE(Send(WM_CAP_SET_SEQUENCE_SETUP, sizeof parms, &parms));
        ASSERT_TRUE(Send(c.install, 0, c.callback));
        g_victim = m_parent;
        g_callsAfterClose = 0;
        const DWORD start = GetTickCount();
        Send(c.message, c.wParam, c.lParam);
        EXPECT_EQ(g_victim, nullptr) << "the callback ran";
        EXPECT_FALSE(IsWindow(m_capture));
        EXPECT_EQ(g_callsAfterClose, 0) << "no callback after the close";
        EXPECT_LT(GetTickCount() - start, 1500u) << "a capture ends at the close";
        PumpWaitingMessages(); // timers of the closed window must not fire into it
        m_parent = nullptr;
    }
}

LRESULT g_installDuringCapture = -1;

LRESULT CALLBACK TryToReplaceYield(HWND window) {
    g_installDuringCapture = SendMessageA(window, WM_CAP_SET_CALLBACK_YIELD, 0, 0);
    SendMessageA(window, WM_CAP_STOP, 0, 0);
    return TRUE;
}

TEST_F(DeviceTest, CallbacksCannotBeChangedWhileACaptureRuns) {
    ASSERT_TRUE(Connect(0));
    ASSERT_TRUE(Send(WM_CAP_SET_CALLBACK_YIELD, 0, reinterpret_cast<LPARAM>(&TryToReplaceYield)));
    g_installDuringCapture = -1;
    EXPECT_TRUE(Send(WM_CAP_SEQUENCE_NOFILE));
    EXPECT_EQ(g_installDuringCapture, FALSE);
    EXPECT_TRUE(Send(WM_CAP_SET_CALLBACK_YIELD, 0, 0)) << "accepted again once it ended";
}

} // namespace
