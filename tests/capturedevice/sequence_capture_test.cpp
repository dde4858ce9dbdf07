// Sequence capture through the capture window's message protocol: what the
// callbacks see, what CAPSTATUS reports, and what the file holds.

#include <gtest/gtest.h>

#include <windows.h>
#include <vfw.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/RiffReader.h"

namespace {

struct Call {
    int id;
    std::string text;
};

std::vector<Call> g_status;
std::vector<Call> g_errors;
std::vector<CAPSTATUS> g_statusDuringCapture;
HWND g_window = nullptr;
// What the yield callback does at frame `g_actAt` (counted in yield calls).
enum class YieldAction { None, SendStop, SendAbort, StartAnother, Stall, Press };
YieldAction g_action = YieldAction::None;
UINT g_pressKey = 0; // for YieldAction::Press: VK_ESCAPE, VK_LBUTTON or VK_RBUTTON
DWORD g_actAt = 0;
DWORD g_yields = 0;
LRESULT g_nestedResult = -1;
DWORD g_streamedFrames = 0;
std::vector<DWORD> g_frameTimes; // dwTimeCaptured of each streamed frame
DWORD g_waveBytes = 0;

LRESULT CALLBACK OnStatus(HWND window, int id, LPCSTR text) {
    if (id != 0) {
        g_status.push_back({id, text ? text : ""});
        CAPSTATUS status{};
        SendMessageA(window, WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status));
        g_statusDuringCapture.push_back(status);
    }
    return TRUE;
}

LRESULT CALLBACK OnError(HWND, int id, LPCSTR text) {
    if (id != 0) {
        g_errors.push_back({id, text ? text : ""});
    }
    return TRUE;
}

// Presses or releases a key or mouse button as the user would.
void SendInputFor(UINT key, bool down) {
    INPUT input{};
    if (key == VK_LBUTTON || key == VK_RBUTTON) {
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = key == VK_LBUTTON ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                                             : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    } else {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(key);
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(1, &input, sizeof input);
}

LRESULT CALLBACK OnYield(HWND window) {
    if (++g_yields != g_actAt) {
        return TRUE;
    }
    switch (g_action) {
    case YieldAction::SendStop:
        SendMessageA(window, WM_CAP_STOP, 0, 0);
        break;
    case YieldAction::SendAbort:
        SendMessageA(window, WM_CAP_ABORT, 0, 0);
        break;
    case YieldAction::StartAnother:
        g_nestedResult = SendMessageA(window, WM_CAP_SEQUENCE, 0, 0);
        break;
    case YieldAction::Press:
        SendInputFor(g_pressKey, true);
        break;
    case YieldAction::Stall:
        // Longer than the 8 buffers' 400 ms: the frames due early in the
        // stall cannot be delivered any more.
        Sleep(1000);
        break;
    case YieldAction::None:
        break;
    }
    return TRUE;
}

LRESULT CALLBACK OnVideoStream(HWND, LPVIDEOHDR header) {
    if (header != nullptr && header->dwBytesUsed == 160 * 120 * 3) {
        ++g_streamedFrames;
    }
    return TRUE;
}

LRESULT CALLBACK RecordFrameTime(HWND, LPVIDEOHDR header) {
    g_frameTimes.push_back(header->dwTimeCaptured);
    return TRUE;
}

LRESULT CALLBACK CountWaveBytes(HWND, LPWAVEHDR header) {
    g_waveBytes += header->dwBytesRecorded;
    return TRUE;
}

std::string TempFile(const char* name) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

const char kNotice[] = "Sequence capture test notice";

class SequenceCaptureTest : public testing::Test {
protected:
    void SetUp() override {
        g_status.clear();
        g_errors.clear();
        g_statusDuringCapture.clear();
        g_action = YieldAction::None;
        g_actAt = 0;
        g_yields = 0;
        g_nestedResult = -1;
        g_streamedFrames = 0;
        g_frameTimes.clear();
        g_waveBytes = 0;
        m_window =
            capCreateCaptureWindowA("test", WS_POPUP | WS_VISIBLE, 0, 0, 160, 120, nullptr, 0);
        ASSERT_NE(m_window, nullptr);
        g_window = m_window;
        ASSERT_TRUE(capDriverConnect(m_window, 0));
        capSetCallbackOnStatus(m_window, OnStatus);
        capSetCallbackOnError(m_window, OnError);
        capSetCallbackOnYield(m_window, OnYield);

        BITMAPINFO format{};
        capGetVideoFormat(m_window, &format, sizeof format);
        format.bmiHeader.biWidth = 160;
        format.bmiHeader.biHeight = 120;
        format.bmiHeader.biBitCount = 24;
        format.bmiHeader.biCompression = BI_RGB;
        format.bmiHeader.biSizeImage = 160 * 120 * 3;
        ASSERT_TRUE(capSetVideoFormat(m_window, &format, sizeof format));

        m_path = TempFile("sequence_capture_test.avi");
        DeleteFileA(m_path.c_str());
        ASSERT_TRUE(capFileSetCaptureFile(m_window, m_path.c_str()));
        capCaptureGetSetup(m_window, &m_parms, sizeof m_parms);
        m_parms.dwRequestMicroSecPerFrame = 50000;
        m_parms.fLimitEnabled = TRUE;
        m_parms.wTimeLimit = 1;
        m_parms.fAbortLeftMouse = FALSE;
        m_parms.fAbortRightMouse = FALSE;
        m_parms.fCaptureAudio = FALSE;
        m_parms.wNumVideoRequested = 8;
    }
    void TearDown() override {
        if (g_action == YieldAction::Press) {
            SendInputFor(g_pressKey, false);
        }
        if (m_window != nullptr) {
            DestroyWindow(m_window);
        }
        DeleteFileA(m_path.c_str());
        SetEnvironmentVariableA("SOFTCAP_FAULTS", nullptr);
        SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", nullptr);
        SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", "0");
    }

    LRESULT Capture() {
        capCaptureSetSetup(m_window, &m_parms, sizeof m_parms);
        return capCaptureSequence(m_window);
    }
    CAPSTATUS Status() const {
        CAPSTATUS status{};
        capGetStatus(m_window, &status, sizeof status);
        return status;
    }
    void SetNotice() {
        char text[sizeof kNotice];
        memcpy(text, kNotice, sizeof kNotice);
        CAPINFOCHUNK chunk{mmioFOURCC('I', 'C', 'O', 'P'), text, sizeof text};
        capFileSetInfoChunk(m_window, &chunk);
    }
    std::vector<int> StatusIds() const {
        std::vector<int> ids;
        for (const Call& call : g_status) {
            ids.push_back(call.id);
        }
        return ids;
    }

    HWND m_window = nullptr;
    std::string m_path;
    CAPTUREPARMS m_parms{};
};

TEST_F(SequenceCaptureTest, TimeLimitCapturesItsFramesAndAudio) {
    m_parms.fCaptureAudio = TRUE;
    WAVEFORMATEX audio{WAVE_FORMAT_PCM, 1, 11025, 22050, 2, 16, 0};
    ASSERT_TRUE(capSetAudioFormat(m_window, &audio, sizeof audio));
    SetNotice();

    ASSERT_TRUE(Capture());
    EXPECT_TRUE(g_errors.empty()) << g_errors[0].text;

    const CAPSTATUS status = Status();
    EXPECT_EQ(status.dwCurrentVideoFrame, 20u) << "1 s at 20 frames per second";
    EXPECT_EQ(status.dwCurrentWaveSamples, 11025u);
    EXPECT_FALSE(status.fCapturingNow);
    EXPECT_GE(status.dwCurrentTimeElapsedMS, 900u);

    // Begins with initialisation and start, ends with the summary and the end.
    const std::vector<int> ids = StatusIds();
    ASSERT_GE(ids.size(), 5u);
    EXPECT_EQ(ids[0], IDS_CAP_STAT_CAP_INIT);
    EXPECT_EQ(ids[1], IDS_CAP_BEGIN);
    EXPECT_EQ(ids[ids.size() - 3], IDS_CAP_STAT_CAP_FINI);
    EXPECT_EQ(ids[ids.size() - 2], IDS_CAP_STAT_VIDEOAUDIO);
    EXPECT_EQ(ids.back(), IDS_CAP_END);
    EXPECT_TRUE(g_statusDuringCapture[1].fCapturingNow) << "running from the start";
    EXPECT_FALSE(g_statusDuringCapture.back().fCapturingNow) << "ended before the end status";

    // AVI 1.0, as the platform writes: one RIFF, no OpenDML, the idx1.
    RiffFile file(m_path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    ASSERT_EQ(file.Blocks().size(), 1u);
    EXPECT_NE(file.Blocks()[0].Find(Fcc("idx1")), nullptr);
    const RiffChunk* hdrl = file.Blocks()[0].Find(Fcc("LIST"), Fcc("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    EXPECT_EQ(hdrl->Find(Fcc("LIST"), Fcc("odml")), nullptr);
    const auto strls = hdrl->FindAll(Fcc("LIST"), Fcc("strl"));
    ASSERT_EQ(strls.size(), 2u);
    EXPECT_EQ(strls[0]->Find(Fcc("indx")), nullptr);
    EXPECT_EQ(strls[1]->Find(Fcc("indx")), nullptr);
    EXPECT_EQ(file.At<DWORD>(strls[0]->Find(Fcc("strh"))->dataPos + 32), 20u);
    EXPECT_EQ(file.At<DWORD>(strls[1]->Find(Fcc("strh"))->dataPos + 32), 11025u);
    const RiffChunk* icop = file.Blocks()[0].Find(Fcc("LIST"), Fcc("INFO"))->Find(Fcc("ICOP"));
    ASSERT_NE(icop, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.Bytes()[icop->dataPos])), kNotice);

    // Interleaved: each sound buffer (half a second, 5,512 samples) right
    // after the frame whose end filled it; the last one, partly filled, at
    // the end.
    const RiffChunk* movi = file.Blocks()[0].Find(Fcc("LIST"), Fcc("movi"));
    ASSERT_NE(movi, nullptr);
    DWORD frames = 0, blocks = 0;
    std::vector<DWORD> chunkBlocks;
    for (const RiffChunk& chunk : movi->children) {
        if (chunk.id == Fcc("00db")) {
            ++frames;
        } else if (chunk.id == Fcc("01wb")) {
            blocks += chunk.size / 2;
            chunkBlocks.push_back(chunk.size / 2);
            if (frames < 20) {
                EXPECT_LE(blocks, frames * 11025 / 20) << "filled by frame " << frames;
                EXPECT_GT(blocks, (frames - 1) * 11025 / 20) << "delivered when filled";
            }
        }
    }
    EXPECT_EQ(frames, 20u);
    EXPECT_EQ(chunkBlocks, (std::vector<DWORD>{5512, 5512, 1}));
}

struct EndCase {
    const char* context;
    YieldAction action;
    DWORD actAt;
    UINT pressKey;
    BOOL abortWithMouse; // fAbortLeftMouse and fAbortRightMouse
    UINT timeLimit;
    DWORD expectedFrames;
};

class SequenceCaptureEnds : public SequenceCaptureTest,
                            public testing::WithParamInterface<EndCase> {};

TEST_P(SequenceCaptureEnds, KeepEveryFrameTakenBeforeTheEnd) {
    const EndCase& c = GetParam();
    SCOPED_TRACE(c.context);
    m_parms.wTimeLimit = c.timeLimit;
    m_parms.fAbortLeftMouse = c.abortWithMouse;
    m_parms.fAbortRightMouse = c.abortWithMouse;
    g_action = c.action;
    g_actAt = c.actAt;
    g_pressKey = c.pressKey;
    ASSERT_TRUE(Capture());
    EXPECT_TRUE(g_errors.empty());
    const CAPSTATUS status = Status();
    EXPECT_EQ(status.dwCurrentVideoFrame, c.expectedFrames);
    EXPECT_FALSE(status.fCapturingNow);
    RiffFile file(m_path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const RiffChunk* movi = file.Blocks()[0].Find(Fcc("LIST"), Fcc("movi"));
    ASSERT_NE(movi, nullptr);
    EXPECT_EQ(movi->FindAll(Fcc("00db")).size(), c.expectedFrames);
    EXPECT_EQ(StatusIds().back(), IDS_CAP_END);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SequenceCaptureEnds,
    testing::Values(
        EndCase{"WM_CAP_STOP after frame 5", YieldAction::SendStop, 5, 0, FALSE, 30, 5},
        EndCase{"WM_CAP_ABORT after frame 7", YieldAction::SendAbort, 7, 0, FALSE, 30, 7},
        EndCase{"abort key Esc after frame 6", YieldAction::Press, 6, VK_ESCAPE, FALSE, 30, 6},
        EndCase{"left button after frame 4", YieldAction::Press, 4, VK_LBUTTON, TRUE, 30, 4},
        EndCase{"right button after frame 8", YieldAction::Press, 8, VK_RBUTTON, TRUE, 30, 8},
        EndCase{"left button, mouse abort off: time limit", YieldAction::Press, 4, VK_LBUTTON,
                FALSE, 1, 20}));

TEST_F(SequenceCaptureTest, SecondSequenceDuringACaptureIsRefused) {
    g_action = YieldAction::StartAnother;
    g_actAt = 3;
    ASSERT_TRUE(Capture());
    EXPECT_EQ(g_nestedResult, FALSE);
    EXPECT_EQ(Status().dwCurrentVideoFrame, 20u);
}

TEST_F(SequenceCaptureTest, LateFramesAreDroppedAndCountedNotRepeated) {
    g_action = YieldAction::Stall;
    g_actAt = 5;
    m_parms.wPercentDropForError = 100; // no error for the drops
    ASSERT_TRUE(Capture());
    const CAPSTATUS status = Status();
    EXPECT_EQ(status.dwCurrentVideoFrame, 20u) << "drops keep their place in time";
    EXPECT_GE(status.dwCurrentVideoFramesDropped, 1u);

    RiffFile file(m_path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const RiffChunk* movi = file.Blocks()[0].Find(Fcc("LIST"), Fcc("movi"));
    ASSERT_NE(movi, nullptr);
    const auto frames = movi->FindAll(Fcc("00db"));
    ASSERT_EQ(frames.size(), 20u);
    DWORD empty = 0;
    const RiffChunk* previous = nullptr;
    for (const RiffChunk* frame : frames) {
        if (frame->size == 0) {
            ++empty;
            continue;
        }
        if (previous != nullptr) {
            EXPECT_NE(memcmp(&file.Bytes()[previous->dataPos], &file.Bytes()[frame->dataPos],
                             frame->size),
                      0)
                << "a frame written twice at " << frame->headerPos;
        }
        previous = frame;
    }
    EXPECT_EQ(empty, status.dwCurrentVideoFramesDropped);
}

TEST_F(SequenceCaptureTest, TooManyDropsAreReportedAsAnError) {
    g_action = YieldAction::Stall;
    g_actAt = 5;
    m_parms.wPercentDropForError = 1;
    ASSERT_TRUE(Capture());
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, IDS_CAP_STAT_FRAMESDROPPED);
}

TEST_F(SequenceCaptureTest, EmptyInfoChunkClearsTheInfoList) {
    SetNotice();
    CAPINFOCHUNK clear{0, nullptr, 0};
    capFileSetInfoChunk(m_window, &clear);
    ASSERT_TRUE(Capture());
    RiffFile file(m_path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    EXPECT_EQ(file.Blocks()[0].Find(Fcc("LIST"), Fcc("INFO")), nullptr);
}

TEST_F(SequenceCaptureTest, WithoutFileTheFramesGoToTheStreamCallback) {
    capSetCallbackOnVideoStream(m_window, OnVideoStream);
    capCaptureSetSetup(m_window, &m_parms, sizeof m_parms);
    ASSERT_TRUE(capCaptureSequenceNoFile(m_window));
    const CAPSTATUS status = Status();
    EXPECT_EQ(status.dwCurrentVideoFrame, 20u);
    EXPECT_EQ(g_streamedFrames, status.dwCurrentVideoFrame - status.dwCurrentVideoFramesDropped);
    EXPECT_EQ(GetFileAttributesA(m_path.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Without a file, the callbacks get every frame delivered, stamped with its
// frame time, and every sound buffer: a frame never delivered is a gap in the
// times, and the sound goes on through it.
struct TimingCase {
    const char* context;
    const char* faults; // SOFTCAP_FAULTS
    YieldAction action; // at the fifth frame
    DWORD firstMissing;
    int missingCount; // -1: at least one
};

class SequenceCaptureTiming : public SequenceCaptureTest,
                              public testing::WithParamInterface<TimingCase> {};

TEST_P(SequenceCaptureTiming, FrameTimesLeaveGapsForFramesNeverDelivered) {
    const TimingCase& c = GetParam();
    SCOPED_TRACE(c.context);
    g_action = c.action;
    g_actAt = 5;
    m_parms.fCaptureAudio = TRUE;
    m_parms.wPercentDropForError = 100;
    WAVEFORMATEX audio{WAVE_FORMAT_PCM, 1, 11025, 22050, 2, 16, 0};
    ASSERT_TRUE(capSetAudioFormat(m_window, &audio, sizeof audio));
    capSetCallbackOnVideoStream(m_window, RecordFrameTime);
    capSetCallbackOnWaveStream(m_window, CountWaveBytes);
    capCaptureSetSetup(m_window, &m_parms, sizeof m_parms);
    SetEnvironmentVariableA("SOFTCAP_FAULTS", c.faults);
    ASSERT_TRUE(capCaptureSequenceNoFile(m_window));

    // Frame n at n * 50 ms; the frames missing from the times, in order.
    std::vector<DWORD> missing;
    DWORD next = 0;
    for (DWORD ms : g_frameTimes) {
        ASSERT_EQ(ms % 50, 0u) << ms;
        for (; next < ms / 50; ++next) {
            missing.push_back(next);
        }
        ASSERT_EQ(ms / 50, next) << "a time given twice or out of order";
        ++next;
    }
    for (; next < 20; ++next) {
        missing.push_back(next);
    }
    const CAPSTATUS status = Status();
    EXPECT_EQ(status.dwCurrentVideoFrame, 20u);
    EXPECT_EQ(status.dwCurrentVideoFramesDropped, missing.size());
    if (c.missingCount >= 0) {
        EXPECT_EQ(missing.size(), static_cast<size_t>(c.missingCount));
    } else {
        EXPECT_FALSE(missing.empty());
    }
    for (size_t n = 0; n < missing.size(); ++n) {
        EXPECT_EQ(missing[n], c.firstMissing + n) << "one gap, from frame " << c.firstMissing;
    }
    EXPECT_EQ(g_waveBytes, 22050u) << "1 s of sound, gaps or not";
}

INSTANTIATE_TEST_SUITE_P(Gaps, SequenceCaptureTiming,
                         testing::Values(TimingCase{"every frame delivered", nullptr,
                                                    YieldAction::None, 0, 0},
                                         TimingCase{"drop fault: frames 5 to 7 never come", "drop",
                                                    YieldAction::None, 5, 3},
                                         TimingCase{"frames late after a 1 s stall", nullptr,
                                                    YieldAction::Stall, 5, -1}));

TEST_F(SequenceCaptureTest, DropFaultLeavesEmptyChunksInTheFile) {
    m_parms.wPercentDropForError = 100;
    SetEnvironmentVariableA("SOFTCAP_FAULTS", "drop");
    ASSERT_TRUE(Capture());
    RiffFile file(m_path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const auto frames = file.Blocks()[0].Find(Fcc("LIST"), Fcc("movi"))->FindAll(Fcc("00db"));
    ASSERT_EQ(frames.size(), 20u);
    for (size_t n = 0; n < frames.size(); ++n) {
        EXPECT_EQ(frames[n]->size == 0, n >= 5 && n <= 7) << "frame " << n;
    }
}

struct FailureCase {
    const char* context;
    const char* file; // null: the fixture's file
    WORD formatTag;   // of the audio format, captured with audio
    int expectedError;
};

class SequenceCaptureFailures : public SequenceCaptureTest,
                                public testing::WithParamInterface<FailureCase> {};

TEST_P(SequenceCaptureFailures, FailBeforeStartingWithAnError) {
    const FailureCase& c = GetParam();
    SCOPED_TRACE(c.context);
    if (c.file != nullptr) {
        ASSERT_TRUE(capFileSetCaptureFile(m_window, TempFile(c.file).c_str()));
    }
    m_parms.fCaptureAudio = TRUE;
    WAVEFORMATEX audio{c.formatTag, 1, 11025, 11025, 1, 8, 0};
    ASSERT_TRUE(capSetAudioFormat(m_window, &audio, sizeof audio));
    EXPECT_FALSE(Capture());
    ASSERT_EQ(g_errors.size(), 1u);
    EXPECT_EQ(g_errors[0].id, c.expectedError);
    for (const Call& call : g_status) {
        EXPECT_NE(call.id, IDS_CAP_BEGIN) << "no capture started";
    }
    EXPECT_FALSE(Status().fCapturingNow);
}

INSTANTIATE_TEST_SUITE_P(Refusals, SequenceCaptureFailures,
                         testing::Values(FailureCase{"folder that does not exist",
                                                     "no such folder\\x.avi", WAVE_FORMAT_PCM,
                                                     IDS_CAP_FILE_OPEN_ERROR},
                                         FailureCase{"audio format that is not PCM", nullptr,
                                                     0x0055, IDS_CAP_WAVE_OPEN_ERROR}));

// With the sound as the master stream, the file's frame rate is fitted to
// the sound's length: 40 frames and a sound clock 5000 ppm fast (22,160
// samples at 11,025 Hz) make 50,249 microseconds a frame; without a master,
// the rate asked.
struct MasterCase {
    const char* context;
    UINT master;
    DWORD microSecPerFrame;
    DWORD scale, rate; // the video stream's
};

class SequenceCaptureMaster : public SequenceCaptureTest,
                              public testing::WithParamInterface<MasterCase> {};

TEST_P(SequenceCaptureMaster, FileFollowsTheMasterStream) {
    const MasterCase& c = GetParam();
    SetEnvironmentVariableA("SOFTCAP_CAPTURE_UNPACED", "1");
    SetEnvironmentVariableA("SOFTCAP_SOUND_CLOCK_PPM", "5000");
    m_parms.fCaptureAudio = TRUE;
    m_parms.wTimeLimit = 2;
    m_parms.AVStreamMaster = c.master;
    WAVEFORMATEX audio{WAVE_FORMAT_PCM, 1, 11025, 22050, 2, 16, 0};
    ASSERT_TRUE(capSetAudioFormat(m_window, &audio, sizeof audio));
    ASSERT_TRUE(Capture());

    RiffFile file(m_path);
    ASSERT_TRUE(file.Ok()) << file.Problem();
    const RiffChunk* hdrl = file.Blocks()[0].Find(Fcc("LIST"), Fcc("hdrl"));
    ASSERT_NE(hdrl, nullptr);
    EXPECT_EQ(file.At<DWORD>(hdrl->Find(Fcc("avih"))->dataPos), c.microSecPerFrame);
    const auto strls = hdrl->FindAll(Fcc("LIST"), Fcc("strl"));
    ASSERT_EQ(strls.size(), 2u);
    const size_t video = strls[0]->Find(Fcc("strh"))->dataPos;
    EXPECT_EQ(file.At<DWORD>(video + 20), c.scale);
    EXPECT_EQ(file.At<DWORD>(video + 24), c.rate);
    EXPECT_EQ(file.At<DWORD>(video + 32), 40u);
    EXPECT_EQ(file.At<DWORD>(strls[1]->Find(Fcc("strh"))->dataPos + 32), 22160u)
        << "the sound clock's samples";
}

INSTANTIATE_TEST_SUITE_P(Masters, SequenceCaptureMaster,
                         testing::Values(MasterCase{"sound", AVSTREAMMASTER_AUDIO, 50249, 50249,
                                                    1000000},
                                         MasterCase{"none", AVSTREAMMASTER_NONE, 50000, 1, 20}));

// The platform's MCI playback window opens the capture and knows its length.
TEST_F(SequenceCaptureTest, CapturePlaysInTheMciWindow) {
    m_parms.fCaptureAudio = TRUE;
    ASSERT_TRUE(Capture());
    HWND player = MCIWndCreateA(nullptr, GetModuleHandleA(nullptr),
                                WS_POPUP | WS_VISIBLE | MCIWNDF_NOERRORDLG, m_path.c_str());
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(MCIWndGetError(player, nullptr, 0), 0);
    EXPECT_EQ(MCIWndGetLength(player), 20);
    EXPECT_EQ(MCIWndSeek(player, 19), 0);
    EXPECT_EQ(MCIWndGetPosition(player), 19);

    // Played from the start, it runs to its last frame and stops there.
    MCIWndHome(player);
    EXPECT_EQ(MCIWndPlay(player), 0);
    for (int wait = 0; wait < 200 && MCIWndGetMode(player, nullptr, 0) == MCI_MODE_PLAY; ++wait) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&msg);
        }
        Sleep(50);
    }
    EXPECT_EQ(MCIWndGetMode(player, nullptr, 0), MCI_MODE_STOP);
    EXPECT_EQ(MCIWndGetPosition(player), 19) << "the last frame shown";
    MCIWndDestroy(player);
}

} // namespace
