// WM_DPICHANGED, as Windows sends it when the main window is dragged to a
// monitor of another scale: the bars are redrawn at the new scale and the
// capture window keeps the pixel size of its image.

#include "CaptureFixture.h"

#include "framework/Dpi.h"
#include "framework/MDIChildWnd.h"

#include <commctrl.h>

#include <string>
#include <utility>

namespace {

class ScaleTest : public CaptureFixture {};

TEST_F(ScaleTest, TheBarsAndTheCaptureWindowFollowAChangeOfScale) {
    Start({{0, "Card", true, 320, 240}});
    CToolBar& toolbar = MainFrame().GetToolBar();
    auto imageSize = [&toolbar] {
        std::pair<int, int> size;
        ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(toolbar.SendMessage(TB_GETIMAGELIST)),
                              &size.first, &size.second);
        return size;
    };
    auto numPaneWidth = [this] {
        int edges[4] = {};
        MainFrame().GetStatusBar().SendMessage(SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges));
        return edges[2] - edges[1];
    };
    ASSERT_EQ(imageSize(), std::pair(16, 15));
    const int numPane = numPaneWidth();

    // 120 dpi takes the next larger set; 288 dpi the largest.
    const struct {
        UINT dpi;
        std::pair<int, int> image;
    } cases[] = {
        {192, {32, 30}}, {144, {24, 23}}, {120, {24, 23}}, {288, {40, 38}}, {96, {16, 15}}};
    for (const auto& c : cases) {
        SCOPED_TRACE("WM_DPICHANGED to " + std::to_string(c.dpi) + " dpi");
        const RECT suggested{40, 30, 40 + 700 + int(c.dpi), 30 + 500 + int(c.dpi)};
        MainFrame().SendMessage(WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                                reinterpret_cast<LPARAM>(&suggested));
        PumpMessages();
        EXPECT_EQ(imageSize(), c.image);
        // Buttons keep the control's padding of 7 by 6 at 100%, scaled.
        const auto button = DWORD(toolbar.SendMessage(TB_GETBUTTONSIZE));
        EXPECT_EQ(LOWORD(button), c.image.first + AfxScaleToDpi(7, c.dpi));
        EXPECT_EQ(HIWORD(button), c.image.second + AfxScaleToDpi(6, c.dpi));
        EXPECT_EQ(toolbar.GetClientRect().bottom, HIWORD(button) + 4);
        // NUM measured again in the status font of the scale.
        EXPECT_NEAR(double(numPaneWidth()) / numPane, c.dpi / 96.0, 0.15 * c.dpi / 96);

        // The frame takes the suggested rectangle; the capture window keeps its pixels.
        const RECT frame = MainFrame().GetWindowRect();
        EXPECT_TRUE(EqualRect(&frame, &suggested));
        EXPECT_EQ(ActiveChild()->GetClientRect().right, 320);
        EXPECT_EQ(ActiveChild()->GetClientRect().bottom, 240);
    }
}

} // namespace
