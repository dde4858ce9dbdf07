// The capture view against the recording test double of the capture window.

#include "CaptureFixture.h"

#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "framework/MultiDocTemplate.h"
#include "resources/resource.h"
#include "session/VidrakeView.h"

#include <cstring>
#include <string>

namespace {

const auto kCaps = WPARAM(sizeof(CAPDRIVERCAPS));
const auto kStatus = WPARAM(sizeof(CAPSTATUS));
const auto kParms = WPARAM(sizeof(CAPTUREPARMS));

ExpectedMessage Sized(UINT message, WPARAM size) {
    return {message, size, 0, kMatchWParam};
}
ExpectedMessage Value(UINT message, WPARAM value) {
    return {message, value, 0, kMatchBoth};
}
ExpectedMessage Callbacks(UINT message, auto* callback) {
    return {message, 0, reinterpret_cast<LPARAM>(callback), kMatchBoth};
}

// The messages of a creation up to the installed callbacks.
std::vector<RecordedMessage> CreationMessages(const std::vector<RecordedMessage>& all) {
    std::vector<RecordedMessage> creation;
    for (const RecordedMessage& m : all) {
        creation.push_back(m);
        if (m.message == WM_CAP_SET_CALLBACK_ERRORA)
            break;
    }
    return creation;
}

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, UINT(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

class ViewTest : public CaptureFixture {};

TEST_F(ViewTest, CreationConnectsTheFirstInstalledDriverAndListsTheDrivers) {
    Start({{1, "Card at one", true, 320, 240}, {3, "Card at three", false, 160, 120}});
    CVidrakeView* view = ActiveView();
    ASSERT_NE(view, nullptr);

    ASSERT_EQ(m_platform->m_creations.size(), 1u);
    const auto& creation = m_platform->m_creations[0];
    EXPECT_EQ(creation.windowName, "");
    EXPECT_EQ(creation.style, DWORD(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(creation.x, 0);
    EXPECT_EQ(creation.y, 0);
    EXPECT_EQ(creation.width, 160);
    EXPECT_EQ(creation.height, 120);
    EXPECT_EQ(creation.parent, view->m_hWnd);
    EXPECT_EQ(creation.id, 0);
    EXPECT_EQ(view->Session().Window(), creation.created);
    EXPECT_EQ(g_hWndLastCapture, creation.created);
    EXPECT_EQ(g_nNextCaptureId, 1);
    EXPECT_EQ(g_nViewsCreated, 1);

    EXPECT_TRUE(MatchSequence(CreationMessages(Recorded()),
                              {
                                  Value(WM_CAP_DRIVER_CONNECT, 0),
                                  Value(WM_CAP_DRIVER_CONNECT, 1),
                                  Sized(WM_CAP_DRIVER_GET_CAPS, kCaps),
                                  Sized(WM_CAP_GET_SEQUENCE_SETUP, kParms),
                                  Sized(WM_CAP_GET_STATUS, kStatus), // fitting the frame
                                  Value(WM_CAP_SET_PREVIEWRATE, 66),
                                  Value(WM_CAP_SET_OVERLAY, 1),
                                  Callbacks(WM_CAP_SET_CALLBACK_STATUSA, &CapStatusCallback),
                                  Callbacks(WM_CAP_SET_CALLBACK_ERRORA, &CapErrorCallback),
                              },
                              "drivers at 1 and 3"));
    EXPECT_EQ(view->Session().DriverIndex(), 1);
    EXPECT_EQ(view->Session().DriverCaps().wDeviceIndex, 1u);
    EXPECT_TRUE(view->Session().DriverCaps().fHasOverlay);
    // The view's copy asks for 20 frames per second; the rest is the driver's.
    EXPECT_EQ(view->Session().CaptureParms().dwRequestMicroSecPerFrame, 50000u);
    EXPECT_EQ(view->Session().CaptureParms().dwIndexSize, 34952u);

    // Every index is asked once; the installed ones follow the separator.
    EXPECT_EQ(m_platform->m_descriptionQueries, (std::vector<UINT>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    HMENU options = OptionsMenu();
    const int count = GetMenuItemCount(options);
    ASSERT_GE(count, 3);
    EXPECT_EQ(GetMenuItemID(options, count - 2), 201u);
    EXPECT_EQ(GetMenuItemID(options, count - 1), 203u);
    EXPECT_EQ(MenuText(options, count - 2), "Card at one");
    EXPECT_EQ(MenuText(options, count - 1), "Card at three");
    EXPECT_EQ(GetMenuState(options, count - 3, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));

    EXPECT_TRUE(MenuItemStateAfterOpening(options, 201) & MF_CHECKED);
    EXPECT_FALSE(MenuItemStateAfterOpening(options, 203) & MF_CHECKED);
    EXPECT_EQ(GetMenu(MainFrame().m_hWnd), Template().GetSharedMenu());
    EXPECT_EQ(MainFrame().GetWindowText(), "Video Capture - VideoCapture1");
}

TEST_F(ViewTest, WithoutAnyDriverTheViewIsCreatedUnconnected) {
    Start({});
    CVidrakeView* view = ActiveView();
    ASSERT_NE(view, nullptr);
    std::vector<ExpectedMessage> expected;
    for (WPARAM index = 0; index < 10; ++index)
        expected.push_back(Value(WM_CAP_DRIVER_CONNECT, index));
    expected.insert(expected.end(), {
                                        Sized(WM_CAP_DRIVER_GET_CAPS, kCaps),
                                        Sized(WM_CAP_GET_SEQUENCE_SETUP, kParms),
                                        Sized(WM_CAP_GET_STATUS, kStatus),
                                        Value(WM_CAP_SET_PREVIEWRATE, 66),
                                        Value(WM_CAP_SET_PREVIEW, 1), // no overlay without a driver
                                        Callbacks(WM_CAP_SET_CALLBACK_STATUSA, &CapStatusCallback),
                                        Callbacks(WM_CAP_SET_CALLBACK_ERRORA, &CapErrorCallback),
                                    });
    EXPECT_TRUE(MatchSequence(CreationMessages(Recorded()), expected, "no driver"));
    EXPECT_EQ(view->Session().DriverIndex(), -1);
    const CAPDRIVERCAPS zeroCaps{};
    EXPECT_EQ(std::memcmp(&view->Session().DriverCaps(), &zeroCaps, sizeof zeroCaps), 0);

    HMENU options = OptionsMenu();
    const int count = GetMenuItemCount(options);
    EXPECT_EQ(GetMenuState(options, count - 1, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR))
        << "the Options menu ends with its separator";
    EXPECT_FALSE(QueryCommand(ID_OPTIONS_OVERLAY).enabled);
    EXPECT_FALSE(QueryCommand(ID_OPTIONS_PREVIEW).enabled);

    // The frame's client area is empty.
    const RECT client = ActiveChild()->GetClientRect();
    EXPECT_EQ(client.right, 0);
    EXPECT_EQ(client.bottom, 0);
}

// The program's own lossless codec, installed at start for the process: the
// compression manager opens it by its code and names it as Video
// Compression lists it, with no file of ours loaded for it.
TEST_F(ViewTest, TheStartInstallsTheLosslessCodec) {
    Start({{0, "Card"}});
    HIC codec = ICOpen(ICTYPE_VIDEO, mmioFOURCC('H', 'F', 'Y', 'U'), ICMODE_COMPRESS);
    ASSERT_NE(codec, nullptr);
    ICINFO info{};
    ICGetInfo(codec, &info, sizeof info);
    EXPECT_STREQ(info.szDescription, L"HuffYUV lossless");
    ICClose(codec);
    EXPECT_EQ(GetModuleHandleA("hfyucodec.dll"), nullptr);
}

TEST_F(ViewTest, ADriverWithoutOverlayStartsPreview) {
    Start({{0, "Preview only", false, 160, 120}});
    const auto creation = CreationMessages(Recorded());
    ASSERT_GE(creation.size(), 3u);
    EXPECT_TRUE(MatchSequence({creation.end() - 3, creation.end() - 2},
                              {Value(WM_CAP_SET_PREVIEW, 1)}, "no overlay"));
    EXPECT_FALSE(QueryCommand(ID_OPTIONS_OVERLAY).enabled);
    const CommandState preview = QueryCommand(ID_OPTIONS_PREVIEW);
    EXPECT_TRUE(preview.enabled);
    EXPECT_EQ(preview.check, 1);
}

TEST_F(ViewTest, ASecondViewKeepsTheMenuAndTakesTheNextIdentifier) {
    Start({{0, "First card"}, {2, "Second card"}});
    HMENU options = OptionsMenu();
    // A mark that a rebuild would remove.
    ModifyMenuA(options, 202, MF_BYCOMMAND | MF_STRING, 202, "marked");
    m_platform->m_descriptionQueries.clear();

    theTestApp.GetDocManager()->OnFileNew();
    PumpMessages();

    ASSERT_EQ(m_platform->m_creations.size(), 2u);
    EXPECT_EQ(m_platform->m_creations[1].id, 1);
    EXPECT_EQ(ActiveView()->Session().Window(), m_platform->m_creations[1].created);
    EXPECT_EQ(g_hWndLastCapture, m_platform->m_creations[1].created);
    EXPECT_EQ(g_nViewsCreated, 2);
    EXPECT_TRUE(m_platform->m_descriptionQueries.empty());
    char text[32] = {};
    GetMenuStringA(options, 202, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "marked");
    EXPECT_EQ(MainFrame().GetWindowText(), "Video Capture - VideoCapture2");
}

TEST_F(ViewTest, StatusCallbackShowsTextsInTheFirstPane) {
    Start({{0, "Card"}});
    struct Case {
        const char* context;
        int id;
        const char* text;
        const char* shown;
    } const cases[] = {
        {"null text, id 0 clears the pane", 0, nullptr, ""},
        {"null text, id 1234 is formatted", 1234, nullptr, "StatusValue = 1234"},
        {"end of capture with a text shows nothing", IDS_CAP_END, "Capture End", "previous"},
        {"end of capture without a text is formatted", IDS_CAP_END, nullptr, "StatusValue = 301"},
        {"any other text is shown", 510, "Capture frame rate 15 fps", "Capture frame rate 15 fps"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        MainFrame().GetStatusBar().SetPaneText(0, "previous");
        EXPECT_EQ(CapStatusCallback(nullptr, c.id, c.text), 0);
        EXPECT_EQ(MainFrame().GetStatusBar().GetPaneText(0), c.shown);
    }
    // The capture window calls the installed callback itself.
    auto& state = m_platform->m_windows[ActiveView()->Session().Window()];
    ASSERT_EQ(state.statusCallback, &CapStatusCallback);
    state.statusCallback(ActiveView()->Session().Window(), 502, "Capturing");
    EXPECT_EQ(MainFrame().GetStatusBar().GetPaneText(0), "Capturing");
}

TEST_F(ViewTest, ErrorCallbackShowsNonzeroErrorsOnly) {
    Start({{0, "Card"}});
    EXPECT_EQ(CapErrorCallback(nullptr, 0, nullptr), 0);
    EXPECT_EQ(CapErrorCallback(nullptr, 0, "stale"), 0);
    EXPECT_TRUE(theTestApp.m_messages.empty());
    EXPECT_EQ(CapErrorCallback(nullptr, 434, "The capture file is full."), 0);
    ASSERT_EQ(theTestApp.m_messages.size(), 1u);
    EXPECT_EQ(theTestApp.m_messages[0].text, "The capture file is full.");
    EXPECT_EQ(theTestApp.m_messages[0].type, UINT(MB_OK));
}

TEST_F(ViewTest, OverlayAndPreviewTogglesInvertTheRefreshedStatus) {
    Start({{0, "Overlay card", true}});
    struct Case {
        const char* context;
        UINT command;
        UINT message;
        WPARAM sent;
    } const cases[] = {
        {"overlay on turns it off", ID_OPTIONS_OVERLAY, WM_CAP_SET_OVERLAY, 0},
        {"overlay off turns it on", ID_OPTIONS_OVERLAY, WM_CAP_SET_OVERLAY, 1},
        {"preview off (overlay running) turns it on", ID_OPTIONS_PREVIEW, WM_CAP_SET_PREVIEW, 1},
        {"preview on turns it off", ID_OPTIONS_PREVIEW, WM_CAP_SET_PREVIEW, 0},
    };
    for (const Case& c : cases) {
        m_platform->m_recorder.Clear();
        MainFrame().SendMessage(WM_COMMAND, c.command);
        // The update check before the command refreshes too.
        EXPECT_TRUE(MatchSequence(Recorded(),
                                  {Sized(WM_CAP_GET_STATUS, kStatus),
                                   Sized(WM_CAP_GET_STATUS, kStatus), Value(c.message, c.sent)},
                                  c.context));
    }
    EXPECT_EQ(QueryCommand(ID_OPTIONS_OVERLAY).check, 0);
    EXPECT_EQ(QueryCommand(ID_OPTIONS_PREVIEW).check, 0);
}

TEST_F(ViewTest, PreviewRateFollowsTheFocus) {
    Start({{0, "Card"}});
    CVidrakeView* view = ActiveView();
    m_platform->m_recorder.Clear();
    view->SendMessage(WM_KILLFOCUS);
    EXPECT_TRUE(MatchSequence(Recorded(), {Value(WM_CAP_SET_PREVIEWRATE, 500)}, "focus lost"));
    m_platform->m_recorder.Clear();
    view->SendMessage(WM_SETFOCUS);
    EXPECT_TRUE(MatchSequence(Recorded(),
                              {Value(WM_QUERYNEWPALETTE, 0), Value(WM_CAP_SET_PREVIEWRATE, 66)},
                              "focus gained"));
}

TEST_F(ViewTest, EndOfSessionIsRefusedWhileADialogIsOpen) {
    Start({{0, "Card"}});
    ActiveView()->Session().MarkDialogOpen(false);
    EXPECT_EQ(MainFrame().SendMessage(WM_QUERYENDSESSION), TRUE);
    EXPECT_TRUE(theTestApp.m_messages.empty());

    ActiveView()->Session().MarkDialogOpen(true);
    EXPECT_EQ(MainFrame().SendMessage(WM_QUERYENDSESSION), FALSE);
    ASSERT_EQ(theTestApp.m_messages.size(), 1u);
    EXPECT_EQ(theTestApp.m_messages[0].text, "Close dialogs before exiting Windows.");
    EXPECT_EQ(theTestApp.m_messages[0].type, UINT(MB_OK));
}

TEST_F(ViewTest, FrameFitsTheImageAndARepaintRestoresIt) {
    Start({{0, "Card", true, 320, 240}});
    CMDIChildWnd* child = ActiveChild();
    CVidrakeView* view = ActiveView();
    const RECT client = child->GetClientRect();
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);

    // Centred in the MDI client area.
    RECT area{};
    GetClientRect(MainFrame().m_hWndMDIClient, &area);
    RECT frame = child->GetWindowRect();
    MapWindowPoints(nullptr, MainFrame().m_hWndMDIClient, reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(frame.left, (area.right - 320) / 2);
    EXPECT_EQ(frame.top, (area.bottom - 240) / 2);

    // The capture window fills the image at the view's origin.
    RECT capture{};
    GetWindowRect(view->Session().Window(), &capture);
    MapWindowPoints(nullptr, view->m_hWnd, reinterpret_cast<POINT*>(&capture), 2);
    EXPECT_EQ(capture.left, 0);
    EXPECT_EQ(capture.top, 0);
    EXPECT_EQ(capture.right, 320);
    EXPECT_EQ(capture.bottom, 240);

    child->SetWindowPos(nullptr, 0, 0, 100, 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(child->GetClientRect().right, 100);
    RedrawWindow(view->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(child->GetClientRect().right, 320);
    EXPECT_EQ(child->GetClientRect().bottom, 240);
}

TEST_F(ViewTest, DriverSelectionConnectsOrClearsTheRecords) {
    Start({{0, "Small card", true, 160, 120}, {2, "Large card", false, 320, 240}});
    CVidrakeView* view = ActiveView();
    m_platform->m_recorder.Clear();
    view->SelectDriver(2);
    EXPECT_TRUE(MatchSequence(Recorded(),
                              {Value(WM_CAP_DRIVER_CONNECT, 2),
                               Sized(WM_CAP_DRIVER_GET_CAPS, kCaps),
                               Sized(WM_CAP_GET_STATUS, kStatus),
                               // the frame's new size reaches the view
                               {WM_CAP_GET_STATUS, kStatus, 0, kMatchWParam | kOptional}},
                              "switch to driver 2"));
    EXPECT_EQ(view->Session().DriverIndex(), 2);
    EXPECT_EQ(ActiveChild()->GetClientRect().right, 320);

    m_platform->m_recorder.Clear();
    view->SelectDriver(5);
    EXPECT_TRUE(MatchSequence(Recorded(), {Value(WM_CAP_DRIVER_CONNECT, 5)}, "missing driver"));
    EXPECT_EQ(view->Session().DriverIndex(), -1);
    EXPECT_EQ(view->Session().DriverCaps().fCaptureInitialized, 0);
    EXPECT_EQ(view->Session().Status().uiImageWidth, 0u);
    EXPECT_EQ(ActiveChild()->GetClientRect().right, 320) << "the frame keeps its size";
}

} // namespace
