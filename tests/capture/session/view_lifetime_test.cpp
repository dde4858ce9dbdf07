// A capture child window closed (by the system or another program) while one of
// its view's modal loops runs: the command touches nothing of the freed view.

#include "CaptureFixture.h"
#include "support/DialogScript.h"

#include "framework/FrameworkResource.h"
#include "framework/MDIChildWnd.h"
#include "resources/resource.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
// The watched block, once freed, is filled and kept, so that a later write shows.
constexpr char kFreedFill = '\xDD';
void* g_pWatched = nullptr;
size_t g_nFreedSize = 0; // nonzero once the watched block was freed
} // namespace

void operator delete(void* p) noexcept {
    if (p != nullptr && p == g_pWatched)
        std::memset(p, kFreedFill, g_nFreedSize = _msize(p));
    else
        std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {
class ViewLifetimeTest : public CaptureFixture {};

TEST_F(ViewLifetimeTest, AWindowClosedDuringAModalLoopIsNotTouchedAfterIt) {
    Start({{0, "Card"}});
    struct Case {
        const char* context;
        UINT command;
        bool driverDialog; // else a dialog box of the program
    } const cases[] = {
        {"Video Format", ID_OPTIONS_VIDEOFORMAT, false},
        {"Video Source", ID_OPTIONS_VIDEOSOURCE, true},
        {"Video Display", ID_OPTIONS_VIDEODISPLAY, true},
        {"Capture Setup", ID_CAPTURE_SETUP, false},
        {"Capture Video's prompt", ID_CAPTURE_VIDEO, false},
        {"Set Capture File", ID_FILE_OPEN, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.context);
        theTestApp.GetDocManager()->OnFileNew();
        PumpMessages();
        const HWND hChild = ActiveChild()->m_hWnd;
        g_pWatched = ActiveView();
        // As the loop would handle it.
        m_platform->m_onDriverDialog = [hChild](UINT) {
            SendMessageA(hChild, WM_CLOSE, 0, 0);
        };
        if (c.driverDialog)
            MainFrame().SendMessage(WM_COMMAND, c.command);
        else
            EXPECT_TRUE(RunWithDialog([&] { MainFrame().SendMessage(WM_COMMAND, c.command); },
                                      [hChild](HWND dialog) {
                                          SendMessageA(hChild, WM_CLOSE, 0, 0);
                                          EndDialogWith(dialog, IDCANCEL);
                                      }));
        m_platform->m_onDriverDialog = nullptr;
        ASSERT_NE(g_nFreedSize, 0u) << "the view went during the loop";
        EXPECT_EQ(std::string(static_cast<const char*>(g_pWatched), g_nFreedSize),
                  std::string(g_nFreedSize, kFreedFill))
            << "the freed view was written";
        std::free(g_pWatched);
        g_pWatched = nullptr;
        g_nFreedSize = 0;
        EXPECT_TRUE(QueryCommand(ID_CAPTURE_SETUP).enabled) << "the other window answers";
    }
}
} // namespace
