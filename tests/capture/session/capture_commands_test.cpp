// The capture commands of the view (Capture Setup, Capture Video, Single
// Frame, Video Compression) against the recording capture window double,
// with the audio compression calls replaced.

#include "CaptureFixture.h"
#include "support/DialogScript.h"

#include "framework/MDIChildWnd.h"
#include "framework/RecentFileList.h"
#include "resources/resource.h"
#include "platform/AudioCompression.h"
#include "session/VidrakeView.h"

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

const auto kParms = WPARAM(sizeof(CAPTUREPARMS));

std::string Text(HWND dialog, int nID) {
    char text[256] = {};
    GetDlgItemTextA(dialog, nID, text, sizeof text);
    return text;
}
void Type(HWND dialog, int nID, const char* text) {
    SetDlgItemTextA(dialog, nID, text);
}
void Press(HWND dialog, int nID) {
    SendMessageA(GetDlgItem(dialog, nID), BM_CLICK, 0, 0);
}
bool Enabled(HWND dialog, int nID) {
    return IsWindowEnabled(GetDlgItem(dialog, nID)) != FALSE;
}

// The audio compression calls, recorded and answered as a test sets them.
class FakeAudioCompression : public CAudioCompression {
public:
    FakeAudioCompression() : m_pPrevious(Replace(this)) {}
    ~FakeAudioCompression() override { Replace(m_pPrevious); }

    DWORD m_maxFormatSize = 50;
    MMRESULT m_detailsResult = MMSYSERR_NOERROR;
    std::vector<BYTE> m_chosen; // written by the chooser; empty: cancelled

    struct Details {
        ACMFORMATDETAILSA record;
        DWORD fdwDetails;
        std::vector<BYTE> format; // the cbwfx bytes the call read
    };
    std::vector<Details> m_details;
    struct Choice {
        ACMFORMATCHOOSEA record;
        std::vector<BYTE> initial; // the buffer as the chooser got it
    };
    std::vector<Choice> m_choices;

    MMRESULT MaxFormatSize(DWORD& cbSize) override {
        cbSize = m_maxFormatSize;
        return MMSYSERR_NOERROR;
    }
    MMRESULT FormatDetails(ACMFORMATDETAILSA& details, DWORD fdwDetails) override {
        const auto* bytes = reinterpret_cast<const BYTE*>(details.pwfx);
        m_details.push_back({details, fdwDetails, {bytes, bytes + details.cbwfx}});
        if (m_detailsResult == MMSYSERR_NOERROR)
            wsprintfA(details.szFormat, "format %u, %u bytes", details.dwFormatTag, details.cbwfx);
        return m_detailsResult;
    }
    MMRESULT FormatChoose(ACMFORMATCHOOSEA& choose) override {
        auto* bytes = reinterpret_cast<BYTE*>(choose.pwfx);
        m_choices.push_back({choose, {bytes, bytes + choose.cbwfx}});
        if (m_chosen.empty())
            return ACMERR_CANCELED;
        std::memcpy(bytes, m_chosen.data(), std::min<size_t>(m_chosen.size(), choose.cbwfx));
        return MMSYSERR_NOERROR;
    }

private:
    CAudioCompression* m_pPrevious;
};

std::vector<BYTE> AudioFormat(WORD tag, WORD cbSize, size_t bytes) {
    WAVEFORMATEX format{tag, 1, 11025, 11025, 1, 8, cbSize};
    std::vector<BYTE> data(bytes, 0);
    std::memcpy(data.data(), &format, std::min(bytes, sizeof format));
    return data;
}

class CaptureCommandsTest : public CaptureFixture {
protected:
    CVidrakeView& View() { return *ActiveView(); }
    FakeCapturePlatform::WindowState& CaptureWindow() {
        return m_platform->m_windows[View().Session().Window()];
    }
    void Command(UINT nID) { MainFrame().SendMessage(WM_COMMAND, nID); }
    // What the commands sent: without the status refreshes of the update
    // handlers and the preview rates and palette of focus changes.
    std::vector<RecordedMessage> Sent() {
        std::vector<RecordedMessage> sent;
        for (const RecordedMessage& m : Recorded()) {
            if (m.message != WM_CAP_GET_STATUS && m.message != WM_CAP_SET_PREVIEWRATE &&
                m.message != WM_QUERYNEWPALETTE)
                sent.push_back(m);
        }
        return sent;
    }
    std::function<void()> CaptureVideo() {
        return [this] {
            Command(ID_CAPTURE_VIDEO);
        };
    }
    // Opens Capture Setup and runs the script on it; the script ends the dialog.
    void RunCaptureSetup(const std::function<void(HWND)>& script) {
        EXPECT_TRUE(RunWithDialog([this] { Command(ID_CAPTURE_SETUP); }, script))
            << "the dialog did not come up, or stayed up";
    }

    FakeAudioCompression m_compression;
};

// --- the dialog ----------------------------------------------------------------

TEST_F(CaptureCommandsTest, SetupDialogHasEveryControlAtItsPlaceInTabOrder) {
    Start({{0, "Card"}});
    struct Control {
        int id;
        const char* className;
        const char* text;
        RECT units; // left, top, width, height in dialog units
    } const expected[] = {
        {IDOK, "Button", "OK", {149, 12, 40, 14}},
        {IDCANCEL, "Button", "Cancel", {149, 31, 40, 14}},
        {-1, "Static", "Frame Rate:", {8, 24, 83, 11}},
        {IDC_CAPTUREAUDIO, "Button", "&Capture Audio", {12, 134, 86, 10}},
        {IDC_USEDOSBUFFERS, "Button", "Use &DOS Buffers", {12, 87, 117, 10}},
        {IDC_FRAMERATE, "Edit", "20", {97, 20, 32, 12}},
        {IDC_VIDEOBUFFERS_LABEL, "Static", "Video Buffers:", {8, 71, 82, 10}},
        {IDC_VIDEOBUFFERS, "Edit", "0", {97, 67, 32, 12}},
        {IDC_SETAUDIOFORMAT, "Button", "Set Format...", {24, 177, 87, 14}},
        {-1, "Button", "Audio", {4, 121, 136, 76}},
        {-1, "Button", "Video Controls", {3, 7, 137, 112}},
        {IDC_AUDIOFORMAT, "Static", "", {12, 147, 119, 25}}, // no audio format
        {IDC_DISABLEWRITECACHE, "Button", "Disable Write Cache", {12, 99, 124, 14}},
        {IDC_ENABLETIMELIMIT, "Button", "Enable Capture Time Limit", {7, 36, 128, 10}},
        {IDC_SECONDS_LABEL, "Static", "Seconds :", {12, 49, 70, 9}},
        {IDC_TIMELIMIT, "Edit", "0", {90, 48, 39, 12}},
        {IDC_PLATFORMWRITER,
         "Button",
         "Use the &system's AVI writer (AVI 1.0, at most 2 GB)",
         {7, 205, 182, 12}},
        {IDC_SOUNDINSTEP, "Button", "&Keep sound in step with picture", {7, 219, 182, 12}},
    };
    RunCaptureSetup([&](HWND dialog) {
        char caption[64] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        EXPECT_STREQ(caption, "Capture Setup");
        RECT client{0, 0, 196, 240};
        MapDialogRect(dialog, &client);
        RECT actual{};
        GetClientRect(dialog, &actual);
        EXPECT_EQ(actual.right, client.right);
        EXPECT_EQ(actual.bottom, client.bottom);

        HWND control = GetWindow(dialog, GW_CHILD);
        for (const Control& c : expected) {
            SCOPED_TRACE(c.text);
            ASSERT_NE(control, nullptr);
            char name[32] = {};
            GetClassNameA(control, name, sizeof name);
            EXPECT_STRCASEEQ(name, c.className);
            EXPECT_EQ(short(GetDlgCtrlID(control)), c.id);
            char text[64] = {};
            GetWindowTextA(control, text, sizeof text);
            EXPECT_STREQ(text, c.text);
            RECT want = c.units; // origin and size, each mapped on its own
            MapDialogRect(dialog, &want);
            RECT got{};
            GetWindowRect(control, &got);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&got), 2);
            EXPECT_EQ(got.left, want.left);
            EXPECT_EQ(got.top, want.top);
            EXPECT_EQ(got.right - got.left, want.right);
            EXPECT_EQ(got.bottom - got.top, want.bottom);
            control = GetWindow(control, GW_HWNDNEXT);
        }
        EXPECT_EQ(control, nullptr);
        Press(dialog, IDCANCEL);
    });
}

constexpr const char* kNumber = "Please enter a number.";
constexpr const char* kFrameRateRange = "Please enter a number between 0.017 and 100.";
constexpr const char* kInteger = "Please enter an integer.";
constexpr const char* kBufferRange = "Please enter an integer between 1 and 1000.";
constexpr const char* kPositive = "Please enter a positive integer.";

TEST_F(CaptureCommandsTest, SetupRefusesFieldsWithTheFrameworkMessageAndTheFocusBack) {
    Start({{0, "Card"}});
    struct Case {
        const char* context;
        int control;
        const char* typed;
        const char* message; // null when accepted
        UINT type;
        BOOL limit = FALSE;
        int focus = 0; // 0: the refused control
    } const cases[] = {
        {"frame rate below the range", IDC_FRAMERATE, "0.016", kFrameRateRange, MB_ICONEXCLAMATION},
        {"frame rate above the range", IDC_FRAMERATE, "101", kFrameRateRange, MB_ICONEXCLAMATION},
        {"frame rate not a number", IDC_FRAMERATE, "abc", kNumber, MB_OK},
        {"frame rate with blanks around it", IDC_FRAMERATE, " 25 ", nullptr, 0},
        {"no video buffers", IDC_VIDEOBUFFERS, "0", kBufferRange, MB_ICONEXCLAMATION},
        {"too many video buffers", IDC_VIDEOBUFFERS, "1001", kBufferRange, MB_ICONEXCLAMATION},
        {"video buffers not a number", IDC_VIDEOBUFFERS, "x", kInteger, MB_OK},
        {"negative seconds", IDC_TIMELIMIT, "-1", kPositive, MB_OK, TRUE},
        // A disabled edit cannot take the focus: it stays on OK.
        {"negative seconds, though the limit is off", IDC_TIMELIMIT, "-1", kPositive, MB_OK, FALSE,
         IDOK},
        {"no seconds", IDC_TIMELIMIT, "0", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        View().Session().CaptureParms().wNumVideoRequested = 5;
        View().Session().CaptureParms().wTimeLimit = 30;
        View().Session().CaptureParms().fLimitEnabled = c.limit;
        const CAPTUREPARMS before = View().Session().CaptureParms();
        theTestApp.m_messages.clear();
        int focus = 0;
        RunCaptureSetup([&](HWND dialog) {
            Type(dialog, c.control, c.typed);
            Press(dialog, IDOK);
            if (theTestApp.m_messages.empty())
                return; // accepted: the dialog is closing
            focus = GetDlgCtrlID(GetFocus());
            Press(dialog, IDCANCEL);
        });
        if (c.message == nullptr) {
            EXPECT_TRUE(theTestApp.m_messages.empty());
            continue;
        }
        ASSERT_EQ(theTestApp.m_messages.size(), 1u);
        EXPECT_EQ(theTestApp.m_messages[0].text, c.message);
        EXPECT_EQ(theTestApp.m_messages[0].type, c.type);
        EXPECT_EQ(focus, c.focus != 0 ? c.focus : c.control);
        EXPECT_EQ(std::memcmp(&View().Session().CaptureParms(), &before, sizeof before), 0)
            << "a refused dialog writes nothing back";
    }
}

TEST_F(CaptureCommandsTest, FrameRatesGoToMicrosecondsAndBackWithTheirDrift) {
    Start({{0, "Card"}});
    struct Case {
        const char* typed;
        DWORD stored;
        const char* shownAgain;
    } const cases[] = {
        {"20", 50000, "20"},         {"15", 66666, "15.0001"}, {"30", 33333, "30.0003"},
        {"29.97", 33366, "29.9706"}, {"100", 10000, "100"},    {"0.017", 58823526, "0.017"},
    };
    View().Session().CaptureParms().wNumVideoRequested = 5; // the driver's zero would be refused
    std::string shown;
    RunCaptureSetup([&](HWND dialog) {
        shown = Text(dialog, IDC_FRAMERATE);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(shown, "20") << "a new view asks for 20 frames per second";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        RunCaptureSetup([&](HWND dialog) {
            Type(dialog, IDC_FRAMERATE, c.typed);
            Press(dialog, IDOK);
        });
        EXPECT_EQ(View().Session().CaptureParms().dwRequestMicroSecPerFrame, c.stored);
        RunCaptureSetup([&](HWND dialog) {
            shown = Text(dialog, IDC_FRAMERATE);
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(shown, c.shownAgain);
    }
}

TEST_F(CaptureCommandsTest, SetupEditsOnlyTheViewsRecordAndOnlyOnOK) {
    Start({{0, "Card"}});
    CAPTUREPARMS& parms = View().Session().CaptureParms();
    parms.wNumVideoRequested = 5;
    parms.wTimeLimit = 30;
    const CAPTUREPARMS before = parms;
    m_platform->m_recorder.Clear();
    struct Case {
        const char* context;
        int button;
    } const cases[] = {{"Cancel keeps the record", IDCANCEL}, {"OK writes it", IDOK}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        BOOL openWhileUp = FALSE;
        LRESULT endSession = TRUE;
        RunCaptureSetup([&](HWND dialog) {
            openWhileUp = View().Session().IsDialogOpen();
            endSession = MainFrame().SendMessage(WM_QUERYENDSESSION);
            for (int box :
                 {IDC_CAPTUREAUDIO, IDC_USEDOSBUFFERS, IDC_DISABLEWRITECACHE, IDC_ENABLETIMELIMIT})
                Press(dialog, box);
            Type(dialog, IDC_FRAMERATE, "10");
            Type(dialog, IDC_VIDEOBUFFERS, "12");
            Type(dialog, IDC_TIMELIMIT, "3");
            Press(dialog, c.button);
        });
        EXPECT_TRUE(openWhileUp);
        EXPECT_FALSE(endSession) << "the end of the session is refused while it is up";
        EXPECT_FALSE(View().Session().IsDialogOpen());
    }
    CAPTUREPARMS expected = before;
    expected.dwRequestMicroSecPerFrame = 100000;
    expected.fCaptureAudio = TRUE;
    expected.fUsingDOSMemory = TRUE;
    expected.wNumVideoRequested = 12;
    expected.fDisableWriteCache = TRUE;
    expected.fLimitEnabled = TRUE;
    expected.wTimeLimit = 3;
    EXPECT_EQ(std::memcmp(&parms, &expected, sizeof parms), 0);
    // Both runs only asked for the audio format (there is none).
    EXPECT_TRUE(MatchSequence(Sent(),
                              {{WM_CAP_GET_AUDIOFORMAT, 0, 0}, {WM_CAP_GET_AUDIOFORMAT, 0, 0}},
                              "nothing else reaches the capture window"));
}

TEST_F(CaptureCommandsTest, SecondsFollowTheTimeLimitCheckBox) {
    Start({{0, "Card"}});
    for (BOOL limit : {FALSE, TRUE}) {
        SCOPED_TRACE(limit ? "limit on at opening" : "limit off at opening");
        View().Session().CaptureParms().fLimitEnabled = limit;
        std::vector<bool> states;
        RunCaptureSetup([&](HWND dialog) {
            for (int click = 0; click < 3; ++click) {
                states.push_back(Enabled(dialog, IDC_SECONDS_LABEL));
                EXPECT_EQ(Enabled(dialog, IDC_TIMELIMIT), states.back());
                Press(dialog, IDC_ENABLETIMELIMIT);
            }
            Press(dialog, IDCANCEL);
        });
        const bool on = limit != FALSE;
        EXPECT_EQ(states, (std::vector<bool>{on, !on, on}));
    }
}

// --- the audio format ------------------------------------------------------------

TEST_F(CaptureCommandsTest, AudioFormatLabelNamesOnlyAFormatThatFitsWhatWasReported) {
    Start({{0, "Card"}});
    struct Case {
        const char* context;
        std::vector<BYTE> format; // as the capture window reports it
        MMRESULT detailsResult;
        DWORD cbwfx; // 0: no details call
        const char* label;
    } const cases[] = {
        {"no audio format", {}, MMSYSERR_NOERROR, 0, ""},
        {"PCM as a 16-byte record", AudioFormat(WAVE_FORMAT_PCM, 0, 16), MMSYSERR_NOERROR, 16,
         "format 1, 16 bytes"},
        {"PCM with a cbSize of junk", AudioFormat(WAVE_FORMAT_PCM, 99, 18), MMSYSERR_NOERROR, 16,
         "format 1, 16 bytes"},
        {"a compressed format with its extra bytes", AudioFormat(0x11, 2, 20), MMSYSERR_NOERROR, 20,
         "format 17, 20 bytes"},
        {"a cbSize past what was reported", AudioFormat(0x11, 40, 20), MMSYSERR_NOERROR, 0, ""},
        {"a compressed format shorter than its header", AudioFormat(0x11, 0, 16), MMSYSERR_NOERROR,
         0, ""},
        {"a format the codecs cannot name", AudioFormat(0x11, 2, 20), ACMERR_NOTPOSSIBLE, 20, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        CaptureWindow().audioFormat = c.format;
        m_compression.m_detailsResult = c.detailsResult;
        m_compression.m_details.clear();
        std::string label = "unchanged";
        RunCaptureSetup([&](HWND dialog) {
            label = Text(dialog, IDC_AUDIOFORMAT);
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(label, c.label);
        if (c.cbwfx == 0) {
            EXPECT_TRUE(m_compression.m_details.empty());
            continue;
        }
        ASSERT_EQ(m_compression.m_details.size(), 1u);
        const auto& details = m_compression.m_details[0];
        EXPECT_EQ(details.record.cbStruct, sizeof(ACMFORMATDETAILSA));
        EXPECT_EQ(details.record.dwFormatTag, c.format[0]);
        EXPECT_EQ(details.record.cbwfx, c.cbwfx);
        EXPECT_EQ(details.fdwDetails, DWORD(ACM_FORMATDETAILSF_FORMAT));
        EXPECT_EQ(details.format, std::vector<BYTE>(c.format.begin(), c.format.begin() + c.cbwfx));
    }
}

TEST_F(CaptureCommandsTest, AChosenAudioFormatIsSetAtOnceAndStaysAfterCancel) {
    Start({{0, "Card"}});
    const std::vector<BYTE> pcm = AudioFormat(WAVE_FORMAT_PCM, 0, 18);
    const std::vector<BYTE> chosen = AudioFormat(0x31, 2, 20);
    struct Case {
        const char* context;
        std::vector<BYTE> chosen; // empty: the user cancels the chooser
        std::vector<BYTE> after;
        const char* label;
    } const cases[] = {
        {"chooser cancelled", {}, pcm, "format 1, 16 bytes"},
        {"a format chosen", chosen, chosen, "format 49, 20 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        CaptureWindow().audioFormat = pcm;
        m_compression.m_chosen = c.chosen;
        m_compression.m_choices.clear();
        const CAPTUREPARMS before = View().Session().CaptureParms();
        std::string label;
        std::vector<RecordedMessage> sent;
        RunCaptureSetup([&](HWND dialog) {
            m_platform->m_recorder.Clear();
            Press(dialog, IDC_SETAUDIOFORMAT);
            sent = Sent();
            label = Text(dialog, IDC_AUDIOFORMAT);
            Press(dialog, IDCANCEL);
        });
        // The buffer is as large as the largest codec format (50 bytes).
        std::vector<ExpectedMessage> expected = {{WM_CAP_GET_AUDIOFORMAT, 0, 0},
                                                 {WM_CAP_GET_AUDIOFORMAT, 50, 0, kMatchWParam}};
        if (!c.chosen.empty())
            expected.insert(expected.end(), {{WM_CAP_SET_AUDIOFORMAT, 50, 0, kMatchWParam},
                                             {WM_CAP_GET_AUDIOFORMAT, 0, 0},
                                             {WM_CAP_GET_AUDIOFORMAT, 50, 0, kMatchWParam}});
        EXPECT_TRUE(MatchSequence(sent, expected, c.context));
        ASSERT_EQ(m_compression.m_choices.size(), 1u);
        const auto& choice = m_compression.m_choices[0];
        EXPECT_EQ(choice.record.cbStruct, sizeof(ACMFORMATCHOOSEA));
        EXPECT_EQ(choice.record.fdwStyle, DWORD(ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT));
        EXPECT_EQ(choice.record.fdwEnum, DWORD(ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT));
        EXPECT_EQ(choice.record.hwndOwner, MainFrame().m_hWnd) << "the dialog's owner";
        EXPECT_EQ(choice.record.cbwfx, 50u);
        std::vector<BYTE> initial = pcm;
        initial.resize(50, 0);
        EXPECT_EQ(choice.initial, initial) << "the chooser starts on the current format";

        std::vector<BYTE> after = c.after;
        after.resize(c.chosen.empty() ? after.size() : 50, 0);
        EXPECT_EQ(CaptureWindow().audioFormat, after);
        EXPECT_EQ(label, c.label);
        EXPECT_EQ(std::memcmp(&View().Session().CaptureParms(), &before, sizeof before), 0);
    }
}

// --- Capture Video ---------------------------------------------------------------

struct PromptSeen {
    std::string caption, text;
    bool exclamation = false;
    bool okAndCancel = false;
};

// A script that answers the capture prompt with the button, after looking
// at it; extra runs inside the prompt's loop just before the answer.
std::function<void(HWND)> AnswerPrompt(PromptSeen& seen, int button,
                                       std::function<void()> extra = nullptr) {
    return [&seen, button, extra](HWND box) {
        char text[256] = {};
        GetWindowTextA(box, text, sizeof text);
        seen.caption = text;
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen.text = text;
        const auto icon = HICON(SendDlgItemMessageA(box, 0x0440, STM_GETICON, 0, 0));
        seen.exclamation = icon != nullptr && icon == LoadIconA(nullptr, IDI_EXCLAMATION);
        const auto shown = [box](int nID) {
            return IsWindowVisible(GetDlgItem(box, nID)) != 0;
        };
        seen.okAndCancel = shown(IDOK) && shown(IDCANCEL) && !shown(IDYES) && !shown(IDRETRY);
        if (extra)
            extra();
        PostMessageA(box, WM_COMMAND, button, 0);
    };
}

const char kNotice[] = "Copyright (C) Brindlecove Video Systems, 2026.";

// The choices of writer and of the sound's pacing live in the program's
// profile; each test starts with the program's own writer keeping the sound
// in step, and leaves it so.
struct ProfileWriterChoice {
    static std::string Profile() { return CRecentFileList::DefaultProfileName(); }
    static UINT Read(const char* entry = "PlatformWriter") {
        return GetPrivateProfileIntA("Capture", entry, 7, Profile().c_str());
    }
    ProfileWriterChoice() { Forget(); }
    ~ProfileWriterChoice() { Forget(); }
    static void Forget() {
        for (const char* entry : {"PlatformWriter", "SoundInStep"})
            WritePrivateProfileStringA("Capture", entry, nullptr, Profile().c_str());
    }
};

TEST_F(CaptureCommandsTest, KeepSoundInStepIsOnByDefaultKeptInTheProfileAndOnlyForOwnFiles) {
    ProfileWriterChoice choice;
    Start({{0, "Card"}});
    EXPECT_TRUE(View().Session().WriterChoice().m_bSoundInStep)
        << "on when the profile says nothing";
    std::vector<bool> enabled;
    RunCaptureSetup([&](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SOUNDINSTEP, BM_GETCHECK, 0, 0), BST_CHECKED);
        // The system's writer keeps time its own way.
        for (int click = 0; click < 2; ++click) {
            enabled.push_back(Enabled(dialog, IDC_SOUNDINSTEP));
            Press(dialog, IDC_PLATFORMWRITER);
        }
        enabled.push_back(Enabled(dialog, IDC_SOUNDINSTEP));
        Press(dialog, IDC_SOUNDINSTEP);
        Type(dialog, IDC_VIDEOBUFFERS, "5"); // the driver's zero would be refused
        Press(dialog, IDOK);
    });
    EXPECT_EQ(enabled, (std::vector<bool>{true, false, true}));
    EXPECT_FALSE(View().Session().WriterChoice().m_bSoundInStep);
    EXPECT_EQ(ProfileWriterChoice::Read("SoundInStep"), 0u) << "the choice is kept";
    EXPECT_EQ(ProfileWriterChoice::Read("PlatformWriter"), 0u);
    {
        SCOPED_TRACE("Cancel keeps it");
        RunCaptureSetup([&](HWND dialog) {
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_SOUNDINSTEP, BM_GETCHECK, 0, 0),
                      BST_UNCHECKED);
            Press(dialog, IDC_SOUNDINSTEP);
            Press(dialog, IDCANCEL);
        });
        EXPECT_FALSE(View().Session().WriterChoice().m_bSoundInStep);
        EXPECT_EQ(ProfileWriterChoice::Read("SoundInStep"), 0u);
    }
}

TEST_F(CaptureCommandsTest, ANewViewReadsKeepSoundInStepFromTheProfile) {
    ProfileWriterChoice choice;
    WritePrivateProfileStringA("Capture", "SoundInStep", "0",
                               ProfileWriterChoice::Profile().c_str());
    Start({{0, "Card"}});
    EXPECT_FALSE(View().Session().WriterChoice().m_bSoundInStep);
}

TEST_F(CaptureCommandsTest, CaptureVideoAsksThenSendsTheChunkTheParametersAndTheSequence) {
    ProfileWriterChoice choice;
    Start({{0, "Card"}});
    // The check box of Capture Setup hands the file to the capture window.
    RunCaptureSetup([](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_PLATFORMWRITER, BM_GETCHECK, 0, 0), BST_UNCHECKED)
            << "the program's own writer by default";
        Press(dialog, IDC_PLATFORMWRITER);
        EXPECT_FALSE(Enabled(dialog, IDC_SOUNDINSTEP)) << "the system's writer keeps its own time";
        Type(dialog, IDC_VIDEOBUFFERS, "5");
        Press(dialog, IDOK);
    });
    EXPECT_EQ(ProfileWriterChoice::Read(), 1u) << "the choice is kept in the profile";
    EXPECT_EQ(ProfileWriterChoice::Read("SoundInStep"), 1u) << "kept beside it, unchanged";
    struct Case {
        const char* context;
        int answer;
        bool captures;
    } const cases[] = {{"Cancel at the prompt", IDCANCEL, false}, {"OK", IDOK, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        m_platform->m_recorder.Clear();
        PromptSeen seen;
        EXPECT_TRUE(RunWithDialog(CaptureVideo(), AnswerPrompt(seen, c.answer)));
        EXPECT_EQ(seen.caption, "");
        EXPECT_EQ(seen.text,
                  "Select OK to start capture of video sequence,\npress ESC to stop capture.");
        EXPECT_TRUE(seen.exclamation);
        EXPECT_TRUE(seen.okAndCancel);
        if (!c.captures) {
            EXPECT_TRUE(Sent().empty()) << "Cancel sends nothing";
            continue;
        }
        // The yield callback keeps the program's commands out of the capture.
        EXPECT_TRUE(MatchSequence(Sent(),
                                  {{WM_CAP_SET_CALLBACK_YIELD, 0, 0, kMatchWParam},
                                   {WM_CAP_FILE_SET_INFOCHUNK, 0, 0, kMatchWParam},
                                   {WM_CAP_SET_SEQUENCE_SETUP, kParms,
                                    reinterpret_cast<LPARAM>(&View().Session().CaptureParms())},
                                   {WM_CAP_SEQUENCE, 0, 0},
                                   {WM_CAP_SET_CALLBACK_YIELD, 0, 0}},
                                  c.context));
        EXPECT_NE(Sent().front().lParam, 0) << "a yield callback installed";
        const auto& window = CaptureWindow();
        EXPECT_EQ(window.infoChunkId, 0x504F4349u) << "ICOP";
        EXPECT_EQ(window.infoChunkSize, 47);
        EXPECT_EQ(window.infoChunkData, std::vector<BYTE>(kNotice, kNotice + sizeof kNotice));
        EXPECT_EQ(std::memcmp(&window.sequenceSetup, &View().Session().CaptureParms(),
                              sizeof(CAPTUREPARMS)),
                  0);
    }
}

TEST_F(CaptureCommandsTest, TheDrainBeforeACaptureKeepsAQuitAndSurvivesTheViewsEnd) {
    Start({{0, "Card"}});
    {
        SCOPED_TRACE("a quit message in the queue");
        m_platform->m_recorder.Clear();
        PromptSeen seen;
        RunWithDialog(CaptureVideo(), AnswerPrompt(seen, IDOK, [] { PostQuitMessage(7); }));
        EXPECT_TRUE(Sent().empty()) << "no capture while the program ends";
        MSG msg{};
        EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(msg.message, UINT(WM_QUIT));
        EXPECT_EQ(msg.wParam, 7u);
    }
    {
        SCOPED_TRACE("the window closed by a waiting message");
        m_platform->m_recorder.Clear();
        CMDIChildWnd* child = ActiveChild();
        const HWND hWndView = View().m_hWnd;
        PromptSeen seen;
        RunWithDialog(CaptureVideo(),
                      AnswerPrompt(seen, IDOK, [child] { child->PostMessage(WM_CLOSE); }));
        EXPECT_FALSE(IsWindow(hWndView));
        for (const RecordedMessage& m : Sent())
            EXPECT_NE(m.message, UINT(WM_CAP_SEQUENCE)) << "nothing captured for a closed window";
    }
}

// --- Single Frame, Video Compression and the command states -------------------------

TEST_F(CaptureCommandsTest, SingleFrameStopsLiveVideoSetsTheFormatAgainAndGrabs) {
    const auto kFormat = WPARAM(sizeof(BITMAPINFOHEADER));
    const ExpectedMessage kSizeQuery{WM_CAP_GET_VIDEOFORMAT, 0, 0};
    const ExpectedMessage kWithTable{WM_CAP_GET_VIDEOFORMAT, kFormat + 1024, 0, kMatchWParam};
    struct Case {
        const char* context;
        std::vector<FakeDriver> drivers;
        bool driverGone; // behind the view's back, which still takes it as there
        std::vector<ExpectedMessage> expected;
    } const cases[] = {
        {"a connected driver",
         {{0, "Card"}},
         false,
         {{WM_CAP_SET_OVERLAY, 0, 0},
          {WM_CAP_SET_PREVIEW, 0, 0},
          kSizeQuery,
          {WM_CAP_GET_VIDEOFORMAT, kFormat, 0, kMatchWParam},
          {WM_CAP_SET_VIDEOFORMAT, kFormat, 0, kMatchWParam},
          {WM_CAP_GRAB_FRAME_NOSTOP, 0, 0}}},
        {"256 colours: the colour table goes back with the header",
         {{0, "Card", true, 320, 240, FALSE, TRUE, 8, BI_RGB, 256}},
         false,
         {{WM_CAP_SET_OVERLAY, 0, 0},
          {WM_CAP_SET_PREVIEW, 0, 0},
          kSizeQuery,
          kWithTable,
          {WM_CAP_SET_VIDEOFORMAT, kFormat + 1024, 0, kMatchWParam},
          {WM_CAP_GRAB_FRAME_NOSTOP, 0, 0}}},
        {"the driver gone: a format that cannot be read is not set",
         {{0, "Card"}},
         true,
         {{WM_CAP_SET_OVERLAY, 0, 0},
          {WM_CAP_SET_PREVIEW, 0, 0},
          kSizeQuery,
          {WM_CAP_GRAB_FRAME_NOSTOP, 0, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        Start(c.drivers);
        if (c.driverGone)
            CaptureWindow().driver = nullptr;
        const std::vector<DWORD> colours = CaptureWindow().colours;
        m_platform->m_recorder.Clear();
        Command(ID_CAPTURE_SINGLEFRAME);
        EXPECT_TRUE(MatchSequence(Sent(), c.expected, c.context));
        EXPECT_EQ(CaptureWindow().colours, colours) << "the table the driver got back";
        TearDown();
    }
}

TEST_F(CaptureCommandsTest, VideoCompressionChoosesForTheWriterThatWritesTheFile) {
    ProfileWriterChoice choice;
    Start({{0, "Card"}});
    {
        SCOPED_TRACE("the program's writer: the platform's compressor chooser");
        m_platform->m_recorder.Clear();
        std::string title;
        EXPECT_TRUE(RunWithDialog([this] { Command(ID_OPTIONS_VIDEOCOMPRESSION); },
                                  [&](HWND dialog) {
                                      char caption[64] = {};
                                      GetWindowTextA(dialog, caption, sizeof caption);
                                      title = caption;
                                      Press(dialog, IDCANCEL);
                                  }));
        EXPECT_EQ(title, "Video Compression");
        for (const RecordedMessage& m : Sent())
            EXPECT_EQ(m.message, UINT(WM_CAP_GET_VIDEOFORMAT)) << "only the format is asked";
        EXPECT_EQ(View().Session().CompressorChoice().Compressor(), nullptr)
            << "Cancel chooses nothing";
    }
    {
        SCOPED_TRACE("the system's writer: the capture window's compression dialog");
        View().Session().WriterChoice().m_bPlatformWriter = true;
        m_platform->m_recorder.Clear();
        Command(ID_OPTIONS_VIDEOCOMPRESSION);
        EXPECT_TRUE(MatchSequence(Sent(), {{WM_CAP_DLG_VIDEOCOMPRESSION, 0, 0}}, "compression"));
    }
    EXPECT_FALSE(View().Session().IsDialogOpen());
}

TEST_F(CaptureCommandsTest, CommandStatesFollowLiveVideoAndThePlaybackWindow) {
    struct State {
        bool enabled;
        int check;
    };
    struct Case {
        const char* context;
        std::vector<FakeDriver> drivers;
        UINT command; // run first, 0 for none
        bool playback;
        State singleFrame, setup, video, compression;
    } const cases[] = {
        {"overlay running",
         {{0, "Card", true}},
         0,
         false,
         {true, 0},
         {true, 0},
         {true, 0},
         {true, 0}},
        {"preview running",
         {{0, "Card", false}},
         0,
         false,
         {true, 0},
         {true, 0},
         {true, 0},
         {true, 0}},
        {"neither, after a single frame",
         {{0, "Card", true}},
         ID_CAPTURE_SINGLEFRAME,
         false,
         {true, 1},
         {true, 0},
         {false, 0},
         {true, 0}},
        {"a playback window open",
         {{0, "Card", true}},
         0,
         true,
         {false, 0},
         {false, 0},
         {false, 0},
         {true, 0}},
        {"no driver", {}, 0, false, {false, 1}, {false, 0}, {false, 0}, {true, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        Start(c.drivers);
        if (c.command != 0)
            Command(c.command);
        if (c.playback)
            Command(ID_VIEW_PLAYBACK);
        ASSERT_EQ(View().Session().HasPlayback(), c.playback);
        const std::pair<UINT, State> expected[] = {{ID_CAPTURE_SINGLEFRAME, c.singleFrame},
                                                   {ID_CAPTURE_SETUP, c.setup},
                                                   {ID_CAPTURE_VIDEO, c.video},
                                                   {ID_OPTIONS_VIDEOCOMPRESSION, c.compression}};
        CToolBar& toolbar = MainFrame().GetToolBar();
        toolbar.SendMessage(WM_IDLEUPDATECMDUI, TRUE);
        for (const auto& [id, state] : expected) {
            const CommandState got = QueryCommand(id);
            EXPECT_EQ(got.enabled, state.enabled) << id;
            EXPECT_EQ(got.check, state.check) << id;
        }
        // The toolbar's two buttons follow the same handlers.
        EXPECT_EQ(toolbar.SendMessage(TB_ISBUTTONENABLED, ID_CAPTURE_SINGLEFRAME) != 0,
                  c.singleFrame.enabled);
        EXPECT_EQ(toolbar.SendMessage(TB_ISBUTTONCHECKED, ID_CAPTURE_SINGLEFRAME) != 0,
                  c.singleFrame.check == 1);
        EXPECT_EQ(toolbar.SendMessage(TB_ISBUTTONENABLED, ID_CAPTURE_VIDEO) != 0, c.video.enabled);
        if (c.playback)
            Command(ID_VIEW_PLAYBACK); // closes it
        TearDown();
    }
}

} // namespace
