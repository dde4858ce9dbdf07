// WM_DPICHANGED, as Windows sends it when the main window is dragged to a
// monitor of another scale: the bars are redrawn at the new scale and the
// capture window keeps the pixel size of its image.

#include "CaptureFixture.h"

#include "framework/Dpi.h"
#include "framework/MDIChildWnd.h"

#include <commctrl.h>

#include <string>

namespace {

class ScaleTest : public CaptureFixture {};

TEST_F(ScaleTest, TheBarsAndTheCaptureWindowFollowAChangeOfScale) {
    Start({{0, "Card", true, 320, 240}});
    CToolBar& toolbar = MainFrame().GetToolBar();
    CStatusBar& status = MainFrame().GetStatusBar();
    auto imageSize = [&toolbar] {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(toolbar.SendMessage(TB_GETIMAGELIST)),
                              &cx, &cy);
        return SIZE{cx, cy};
    };
    auto numPaneWidth = [&status] {
        int edges[4] = {};
        status.SendMessage(SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges));
        return edges[2] - edges[1];
    };
    ASSERT_EQ(imageSize().cx, 16);
    const int numPane = numPaneWidth();

    const struct {
        UINT dpi;
        SIZE image;
    } cases[] = {{192, {32, 30}},
                 {144, {24, 23}},
                 {120, {24, 23}}, // the next larger set
                 {288, {40, 38}}, // the largest
                 {96, {16, 15}}};
    for (const auto& c : cases) {
        SCOPED_TRACE("WM_DPICHANGED to " + std::to_string(c.dpi) + " dpi");
        const RECT suggested{40, 30, 40 + 700 + int(c.dpi), 30 + 500 + int(c.dpi)};
        MainFrame().SendMessage(WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                                reinterpret_cast<LPARAM>(&suggested));
        PumpMessages();
        EXPECT_EQ(imageSize().cx, c.image.cx);
        EXPECT_EQ(imageSize().cy, c.image.cy);
        // Buttons keep the control's padding of 7 by 6 at 100%, scaled.
        const auto button = DWORD(toolbar.SendMessage(TB_GETBUTTONSIZE));
        EXPECT_EQ(LOWORD(button), c.image.cx + AfxScaleToDpi(7, c.dpi));
        EXPECT_EQ(HIWORD(button), c.image.cy + AfxScaleToDpi(6, c.dpi));
        EXPECT_EQ(toolbar.GetClientRect().bottom, HIWORD(button) + 4);
        // NUM measured again in the status font of the scale.
        EXPECT_NEAR(double(numPaneWidth()) / numPane, c.dpi / 96.0, 0.15 * c.dpi / 96);

        // The frame takes the suggested rectangle; the capture window keeps its pixels.
        const RECT frame = MainFrame().GetWindowRect();
        EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
        EXPECT_EQ(frame.bottom - frame.top, suggested.bottom - suggested.top);
        EXPECT_EQ(ActiveChild()->GetClientRect().right, 320);
        EXPECT_EQ(ActiveChild()->GetClientRect().bottom, 240);
    }
}

} // namespace
