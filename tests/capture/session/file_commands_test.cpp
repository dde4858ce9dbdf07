// The file, clipboard and playback commands of the capture view, with the
// common file dialogs driven by window messages.

#include "CaptureFixture.h"
#include "support/DialogScript.h"

#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "resources/resource.h"
#include "session/VidrakeView.h"

namespace {

std::string TempFolder() {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return folder;
}

std::string Lower(std::string text) {
    CharLowerA(text.data());
    return text;
}

class FileCommandsTest : public CaptureFixture {
protected:
    FakeCapturePlatform::WindowState& CaptureState() {
        return m_platform->m_windows[ActiveView()->Session().Window()];
    }
    SIZE FrameClient() {
        const RECT client = ActiveChild()->GetClientRect();
        return {client.right, client.bottom};
    }
};

TEST_F(FileCommandsTest, FileDialogsOpenOnTheirNamesAndSendTheChosenPath) {
    Start({{0, "Card"}});
    const std::string folder = TempFolder();
    const std::string existing = folder + "still.bmp";
    CloseHandle(
        CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    struct Case {
        const char* context;
        UINT command;
        const char* title;
        const char* shown;
        std::string typed;
        UINT message;
        std::string path; // compared without regard to case
    } const cases[] = {
        {"a new capture file without extension", ID_FILE_OPEN, "Open", "CAPTURE.AVI",
         folder + "newclip", WM_CAP_FILE_SET_CAPTURE_FILEA, folder + "newclip.avi"},
        {"the capture file's dialog opens on the current name", ID_FILE_OPEN, "Open", "newclip.AVI",
         folder + "other.avi", WM_CAP_FILE_SET_CAPTURE_FILEA, folder + "other.avi"},
        {"the video copied to a name without extension", ID_FILE_SAVE_AS, "Save As", "*.avi",
         folder + "copy", WM_CAP_FILE_SAVEASA, folder + "copy.avi"},
        {"a frame to a name without extension", ID_FILE_SAVESINGLEFRAME, "Save As", "*.BMP",
         folder + "frame", WM_CAP_FILE_SAVEDIBA, folder + "frame.bmp"},
        {"the capture file may name an existing file without a question", ID_FILE_OPEN, "Open",
         "other.AVI", existing, WM_CAP_FILE_SET_CAPTURE_FILEA, existing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        m_platform->m_pathMessages.clear();
        std::string title, shown;
        EXPECT_TRUE(RunWithDialog([&] { MainFrame().SendMessage(WM_COMMAND, c.command); },
                                  [&](HWND dialog) {
                                      title = CWnd::FromHandle(dialog)->GetWindowText();
                                      shown = FileDialogName(dialog);
                                      FileDialogChoose(dialog, c.typed);
                                  }));
        EXPECT_EQ(title, c.title);
        EXPECT_EQ(Lower(shown), Lower(c.shown));
        ASSERT_EQ(m_platform->m_pathMessages.size(), 1u);
        EXPECT_EQ(MessageName(m_platform->m_pathMessages[0].message), MessageName(c.message));
        EXPECT_EQ(Lower(m_platform->m_pathMessages[0].path), Lower(c.path));
    }
    EXPECT_EQ(m_platform->m_creations.size(), 1u) << "Set Capture File opens no capture window";
    EXPECT_EQ(GetWindow(ActiveChild()->m_hWnd, GW_HWNDNEXT), nullptr);
    DeleteFileA(existing.c_str());
}

// An existing file, the capture file among them, is replaced only when the
// user says so; answered No, the dialog stays for another name.
TEST_F(FileCommandsTest, SaveDialogsAskBeforeReplacingAFile) {
    Start({{0, "Card"}});
    CaptureState().captureFile = TempFolder() + "kept.avi";
    CloseHandle(CreateFileA(CaptureState().captureFile.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, 0, nullptr));
    for (UINT command : {UINT(ID_FILE_SAVESINGLEFRAME), UINT(ID_FILE_SAVE_AS)}) {
        for (int answer : {IDNO, IDYES}) {
            m_platform->m_pathMessages.clear();
            bool asked = false, stayed = false;
            const auto nameAnExistingFile = [&](HWND dialog) {
                FileDialogType(dialog, CaptureState().captureFile);
                asked = RunWithDialog([&] { SendMessageA(dialog, WM_COMMAND, IDOK, 0); },
                                      [&](HWND box) { EndDialogWith(box, answer); });
                stayed = IsWindowVisible(dialog) != FALSE;
                if (stayed)
                    EndDialogWith(dialog, IDCANCEL);
            };
            RunWithDialog([&] { MainFrame().SendMessage(WM_COMMAND, command); },
                          nameAnExistingFile);
            EXPECT_TRUE(asked) << command;
            EXPECT_EQ(stayed, answer == IDNO) << command;
            EXPECT_EQ(m_platform->m_pathMessages.size(), answer == IDYES ? 1u : 0u) << command;
        }
    }
    DeleteFileA(CaptureState().captureFile.c_str());
}

TEST_F(FileCommandsTest, CancelledFileDialogsSendNothing) {
    Start({{0, "Card"}});
    struct Case {
        const char* context;
        UINT command;
        std::vector<ExpectedMessage> sent;
    } const cases[] = {
        {"set capture file",
         ID_FILE_OPEN,
         {{WM_CAP_FILE_GET_CAPTURE_FILEA, MAX_PATH, 0, kMatchWParam}}},
        {"save captured video as", ID_FILE_SAVE_AS, {}},
        {"save single frame", ID_FILE_SAVESINGLEFRAME, {}},
    };
    for (const Case& c : cases) {
        m_platform->m_recorder.Clear();
        EXPECT_TRUE(RunWithDialog([&] { MainFrame().SendMessage(WM_COMMAND, c.command); },
                                  [](HWND dialog) { EndDialogWith(dialog, IDCANCEL); }))
            << c.context;
        std::vector<RecordedMessage> sent;
        for (const RecordedMessage& m : Recorded()) {
            if (m.message != WM_CAP_SET_PREVIEWRATE && m.message != WM_QUERYNEWPALETTE)
                sent.push_back(m);
        }
        EXPECT_TRUE(MatchSequence(sent, c.sent, c.context));
    }
    EXPECT_TRUE(m_platform->m_pathMessages.empty());
}

TEST_F(FileCommandsTest, CopyPutsTheFrameOnTheClipboard) {
    Start({{0, "Card"}});
    m_platform->m_recorder.Clear();
    MainFrame().SendMessage(WM_COMMAND, ID_EDIT_COPY);
    EXPECT_TRUE(MatchSequence(Recorded(), {{WM_CAP_EDIT_COPY}}, "copy"));
}

TEST_F(FileCommandsTest, PlaybackWindowReplacesTheLiveWindowAndBack) {
    Start({{0, "Card", true, 320, 240}});
    CVidrakeView* view = ActiveView();
    CaptureState().captureFile = "C:\\clip.avi";

    MainFrame().SendMessage(WM_COMMAND, ID_VIEW_PLAYBACK);
    ASSERT_EQ(m_platform->m_playbacks.size(), 1u);
    const auto& playback = m_platform->m_playbacks[0];
    EXPECT_EQ(playback.parent, view->m_hWnd);
    EXPECT_EQ(playback.instance, GetModuleHandleA(nullptr));
    EXPECT_EQ(playback.style, 0x50800000u);
    EXPECT_EQ(playback.file, "C:\\clip.avi");
    EXPECT_EQ(view->Session().PlaybackWindow(), playback.created);
    EXPECT_FALSE(IsWindowVisible(view->Session().Window()));
    EXPECT_EQ(FrameClient().cx, FakeCapturePlatform::kPlaybackWidth);
    EXPECT_EQ(FrameClient().cy, FakeCapturePlatform::kPlaybackHeight);
    EXPECT_EQ(QueryCommand(ID_VIEW_PLAYBACK).check, 1);
    // A repaint leaves the frame to the playback window.
    RedrawWindow(view->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(FrameClient().cx, FakeCapturePlatform::kPlaybackWidth);

    m_platform->m_recorder.Clear();
    MainFrame().SendMessage(WM_COMMAND, ID_VIEW_PLAYBACK);
    EXPECT_TRUE(MatchSequence(Recorded(),
                              {{WM_CLOSE},
                               {WM_CAP_GET_STATUS, sizeof(CAPSTATUS), 0, kMatchWParam},
                               {WM_CAP_GET_STATUS, sizeof(CAPSTATUS), 0, kMatchWParam | kOptional}},
                              "closing"));
    EXPECT_FALSE(IsWindow(playback.created));
    EXPECT_EQ(view->Session().PlaybackWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(view->Session().Window()));
    EXPECT_EQ(FrameClient().cx, 320);
    EXPECT_EQ(FrameClient().cy, 240);
    EXPECT_EQ(QueryCommand(ID_VIEW_PLAYBACK).check, 0);

    // Without a playback window the live picture stays; the next try tries again.
    m_platform->m_bFailPlayback = true;
    MainFrame().SendMessage(WM_COMMAND, ID_VIEW_PLAYBACK);
    EXPECT_EQ(m_platform->m_playbacks.size(), 2u);
    EXPECT_EQ(view->Session().PlaybackWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(view->Session().Window()));
    EXPECT_EQ(QueryCommand(ID_VIEW_PLAYBACK).check, 0);
}

TEST_F(FileCommandsTest, CommandStatesFollowTheDriverAndThePlaybackWindow) {
    Start({{0, "With dialogs", true}, {1, "Without dialogs", true, 320, 240, FALSE, FALSE}});
    const UINT commands[] = {
        ID_OPTIONS_VIDEOFORMAT, ID_OPTIONS_VIDEOSOURCE, ID_OPTIONS_VIDEODISPLAY, ID_EDIT_COPY,
        ID_FILE_OPEN,           ID_FILE_SAVE_AS,        ID_FILE_SAVESINGLEFRAME, ID_VIEW_PLAYBACK};
    struct Case {
        const char* context;
        int driver;
        bool playback;
        const char* enabled; // one letter per command: y enabled, n disabled
    } const cases[] = {
        {"live, driver with dialogs", 0, false, "yyyyyyyy"},
        {"live, driver without dialogs", 1, false, "nnnyyyyy"},
        {"no driver", 5, false, "nnnnyyyy"},
        {"playback window open", 0, true, "nnnnyyyy"},
    };
    for (const Case& c : cases) {
        CVidrakeView* view = ActiveView();
        view->SelectDriver(c.driver);
        if (c.playback)
            MainFrame().SendMessage(WM_COMMAND, ID_VIEW_PLAYBACK);
        std::string enabled;
        for (UINT command : commands)
            enabled += QueryCommand(command).enabled ? 'y' : 'n';
        EXPECT_EQ(enabled, c.enabled) << c.context;
        if (c.playback)
            MainFrame().SendMessage(WM_COMMAND, ID_VIEW_PLAYBACK);
    }
}

} // namespace
