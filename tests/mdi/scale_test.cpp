// The main window at another display scale: WM_DPICHANGED, as Windows sends
// it when the window is dragged to a monitor of another scale or the scale
// is changed, redraws the bars at the new scale and keeps the capture window
// at the pixel size of its image.

#include "CaptureFixture.h"

#include "framework/Dpi.h"
#include "framework/MDIChildWnd.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

class ScaleTest : public CaptureFixture {};

SIZE ButtonSize(CToolBar& toolbar) {
    const auto size = DWORD(toolbar.SendMessage(TB_GETBUTTONSIZE));
    return {LOWORD(size), HIWORD(size)};
}

// The size of the images the control draws its buttons from.
SIZE ImageSize(CToolBar& toolbar) {
    auto images = reinterpret_cast<HIMAGELIST>(toolbar.SendMessage(TB_GETIMAGELIST));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    return {cx, cy};
}

int Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

// The width of each status pane, from the right edges the control keeps.
std::vector<int> PaneWidths(CStatusBar& bar) {
    int edges[8] = {};
    const int count = int(bar.SendMessage(SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)));
    std::vector<int> widths;
    for (int i = 1; i < count - 1; ++i)
        widths.push_back(edges[i] - edges[i - 1]);
    return widths;
}

TEST_F(ScaleTest, TheBarsAndTheCaptureWindowFollowAChangeOfScale) {
    Start({{0, "Card", true, 320, 240}});
    CToolBar& toolbar = MainFrame().GetToolBar();
    CStatusBar& status = MainFrame().GetStatusBar();
    // At 100% the images are those of the 16 by 15 bitmap.
    ASSERT_EQ(ImageSize(toolbar).cx, 16);
    ASSERT_EQ(ImageSize(toolbar).cy, 15);
    const SIZE button = ButtonSize(toolbar);
    const int barAroundButton = Height(toolbar.GetWindowRect()) - button.cy;
    const std::vector<int> panes = PaneWidths(status);
    ASSERT_EQ(panes.size(), 2u) << "CAP and NUM before SCRL";

    struct Case {
        UINT dpi;
        SIZE image;
    } const cases[] = {
        {192, {32, 30}}, {144, {24, 23}}, {120, {24, 23}}, // 125% takes the next larger set
        {288, {40, 38}},                                   // beyond 250%, the largest set
        {96, {16, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("WM_DPICHANGED to " + std::to_string(c.dpi) + " dpi");
        const RECT suggested{40, 30, 40 + 700 + int(c.dpi), 30 + 500 + int(c.dpi)};
        MainFrame().SendMessage(WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi),
                                reinterpret_cast<LPARAM>(&suggested));
        PumpMessages();

        EXPECT_EQ(ImageSize(toolbar).cx, c.image.cx);
        EXPECT_EQ(ImageSize(toolbar).cy, c.image.cy);
        const SIZE scaled = ButtonSize(toolbar);
        EXPECT_EQ(scaled.cx, c.image.cx + AfxScaleToDpi(button.cx - 16, c.dpi));
        EXPECT_EQ(scaled.cy, c.image.cy + AfxScaleToDpi(button.cy - 15, c.dpi));
        EXPECT_EQ(Height(toolbar.GetWindowRect()), scaled.cy + barAroundButton);
        EXPECT_EQ(toolbar.GetCount(), 12);

        // The indicators are measured again in the status font of the scale.
        const std::vector<int> widths = PaneWidths(status);
        ASSERT_EQ(widths.size(), panes.size());
        for (size_t i = 0; i < widths.size(); ++i) {
            const double ratio = double(widths[i]) / panes[i];
            EXPECT_GT(ratio, 0.85 * c.dpi / 96) << "pane " << i + 1;
            EXPECT_LT(ratio, 1.15 * c.dpi / 96) << "pane " << i + 1;
        }

        // The frame takes the suggested rectangle; the bars lie at its edges
        // and the MDI client between them.
        const RECT frame = MainFrame().GetWindowRect();
        EXPECT_EQ(frame.left, suggested.left);
        EXPECT_EQ(frame.right, suggested.right);
        EXPECT_EQ(Height(frame), Height(suggested));
        RECT client{};
        GetWindowRect(MainFrame().m_hWndMDIClient, &client);
        EXPECT_EQ(client.top, toolbar.GetWindowRect().bottom);
        EXPECT_EQ(client.bottom, status.GetWindowRect().top);

        // The capture window keeps the image's pixel size, centred.
        CMDIChildWnd* child = ActiveChild();
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->GetClientRect().right, 320);
        EXPECT_EQ(child->GetClientRect().bottom, 240);
        RECT area{};
        GetClientRect(MainFrame().m_hWndMDIClient, &area);
        RECT placed = child->GetWindowRect();
        MapWindowPoints(nullptr, MainFrame().m_hWndMDIClient, reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, (area.right - 320) / 2);
        EXPECT_EQ(placed.top, (area.bottom - 240) / 2);
    }
}

} // namespace
