// The yield callback of a capture: what it lets through while the capture
// runs (paints, timers, the abort key), what it takes away (the user's input
// and posted commands), and a close from outside, held until the capture has
// ended in order.

#include "FileCaptureFixture.h"

#include "framework/MDIChildWnd.h"
#include "resources/resource.h"

namespace {

MessageRecorder* g_pWindowLog = nullptr;

// A window of the program's thread that records what reaches it.
LRESULT CALLBACK RecordingProcedure(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool watched = message == WM_PAINT || message == WM_TIMER || message == WM_COMMAND ||
                         message == WM_SYSCOMMAND || message >= WM_APP ||
                         (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
                         (message >= WM_LBUTTONDOWN && message <= WM_MOUSELAST) ||
                         message == WM_NCLBUTTONDOWN;
    if (watched && g_pWindowLog != nullptr)
        g_pWindowLog->Record(hWnd, message, wParam, lParam);
    if (message == WM_TIMER)
        KillTimer(hWnd, wParam);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

class CaptureYieldTest : public FileCaptureTest {
protected:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &RecordingProcedure;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "YieldRecordingWindow";
        RegisterClassA(&wc);
        m_hWndWatched = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                        0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
        g_pWindowLog = &m_windowLog;
    }
    void TearDown() override {
        g_pWindowLog = nullptr;
        DestroyWindow(m_hWndWatched);
        FileCaptureTest::TearDown();
    }
    HWND m_hWndWatched = nullptr;
    MessageRecorder m_windowLog;
};

TEST_F(CaptureYieldTest, PaintsTimersAndTheAbortKeyGoThroughAndInputIsTakenAway) {
    const std::string file = TempFile("capture_yield.avi");
    StartWithSound(file);
    View().Session().CaptureParms().vKeyAbort = VK_ESCAPE;
    const HWND hWnd = m_hWndWatched;
    LRESULT answer = -1;
    bool previewBefore = false;
    m_platform->m_onSequenceNoFile = [&](HWND hWndCap, FakeCapturePlatform::WindowState& state) {
        Deliver(hWndCap, state, {0});
        PumpMessages(); // what the capture's start left
        m_windowLog.Clear();
        previewBefore = state.preview != FALSE;
        // A command as the menu or another program would post it.
        PostMessageA(AfxGetMainWnd()->m_hWnd, WM_COMMAND, ID_OPTIONS_PREVIEW, 0);
        const std::pair<UINT, WPARAM> posted[] = {
            {WM_KEYDOWN, VK_ESCAPE}, {WM_KEYDOWN, 'A'},
            {WM_CHAR, 'a'},          {WM_LBUTTONDOWN, 0},
            {WM_RBUTTONUP, 0},       {WM_NCLBUTTONDOWN, HTMENU},
            {WM_COMMAND, 1},         {WM_SYSCOMMAND, SC_MINIMIZE},
            {WM_APP + 1, 7},         {WM_KEYUP, VK_ESCAPE},
        };
        for (const auto& [message, wParam] : posted)
            PostMessageA(hWnd, message, wParam, 0);
        InvalidateRect(hWnd, nullptr, TRUE);
        SetTimer(hWnd, 1, 1, nullptr);
        Sleep(20);
        ASSERT_NE(state.yield, nullptr) << "no yield callback";
        answer = state.yield(hWndCap);
        Deliver(hWndCap, state, {50});
    };
    CaptureVideo();
    EXPECT_EQ(answer, TRUE) << "the capture goes on";
    EXPECT_TRUE(MatchSequence(m_windowLog.Messages(),
                              {{WM_KEYDOWN, VK_ESCAPE, 0},
                               {WM_APP + 1, 7, 0},
                               {WM_KEYUP, VK_ESCAPE, 0},
                               {WM_PAINT, 0, 0},
                               {WM_TIMER, 1, 0, kMatchWParam}},
                              "what reached a window of the program during the capture"));
    EXPECT_EQ(Window().preview != FALSE, previewBefore) << "the posted command ran";
    for (const RecordedMessage& m : Sent())
        EXPECT_NE(m.message, UINT(WM_CAP_SET_PREVIEW)) << "the posted command ran";
    EXPECT_EQ(ChunkSizes(RiffFile(file), Fcc("00db")).size(), 2u);
    DeleteFileA(file.c_str());
}

TEST_F(CaptureYieldTest, ACloseFromOutsideEndsTheCaptureInOrderFirst) {
    const std::string file = TempFile("capture_yield_close.avi");
    StartWithSound(file);
    struct Case {
        const char* context;
        UINT message;
        WPARAM wParam;
    } const cases[] = {
        {"WM_CLOSE posted to the child window", WM_CLOSE, 0},
        {"Close from the child's system menu", WM_SYSCOMMAND, SC_CLOSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        theTestApp.GetDocManager()->OnFileNew();
        PumpMessages();
        Window().captureFile = file;
        View().Session().CaptureParms().fCaptureAudio = FALSE;
        const HWND hWndChild = ActiveChild()->m_hWnd;
        LRESULT answer = -1;
        m_platform->m_onSequenceNoFile = [&](HWND hWndCap,
                                             FakeCapturePlatform::WindowState& state) {
            Deliver(hWndCap, state, {0, 50});
            PostMessageA(hWndChild, c.message, c.wParam, 0);
            answer = state.yield(hWndCap);
            EXPECT_TRUE(IsWindow(hWndChild)) << "closed during the capture";
            Deliver(hWndCap, state, {100, 150});
        };
        m_platform->m_recorder.Clear();
        CaptureVideo();
        EXPECT_EQ(answer, FALSE) << "the capture is told to end";
        std::vector<UINT> during;
        for (const RecordedMessage& m : Sent()) {
            if (m.message == WM_CAP_SEQUENCE_NOFILE || m.message == WM_CAP_STOP)
                during.push_back(m.message);
        }
        EXPECT_EQ(during, (std::vector<UINT>{WM_CAP_SEQUENCE_NOFILE, WM_CAP_STOP}));
        EXPECT_EQ(ChunkSizes(RiffFile(file), Fcc("00db")), std::vector<DWORD>(2, kFrameBytes))
            << "the file ends with the frames before the stop";
        ASSERT_TRUE(IsWindow(hWndChild)) << "the close waits for the capture's end";
        PumpMessages();
        EXPECT_FALSE(IsWindow(hWndChild)) << "the close, posted again, closes the window";
    }
    DeleteFileA(file.c_str());
}

TEST_F(CaptureYieldTest, TheEndOfTheSessionStopsTheCaptureAndWaitsForIt) {
    const std::string file = TempFile("capture_yield_session.avi");
    StartWithSound(file);
    LRESULT answer = -1;
    m_platform->m_onSequenceNoFile = [&](HWND hWndCap, FakeCapturePlatform::WindowState& state) {
        Deliver(hWndCap, state, {0});
        answer = AfxGetMainWnd()->SendMessage(WM_QUERYENDSESSION, 0, 0);
        Deliver(hWndCap, state, {50});
    };
    m_platform->m_recorder.Clear();
    CaptureVideo();
    EXPECT_EQ(answer, FALSE);
    EXPECT_TRUE(theTestApp.m_messages.empty()) << theTestApp.m_messages.front().text;
    EXPECT_EQ(ChunkSizes(RiffFile(file), Fcc("00db")).size(), 1u);
    EXPECT_EQ(AfxGetMainWnd()->SendMessage(WM_QUERYENDSESSION, 0, 0), TRUE)
        << "after the capture the session may end";
    DeleteFileA(file.c_str());
}

} // namespace
