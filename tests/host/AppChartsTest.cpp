#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

TEST(AppCharts, ChartPagesDrawTheirBodies) {
    PanelDriver panel;
    // The start-up history peaks at 180 (scale 200); today's 8 kWh is the
    // 14th bar, 40 rows high, yellow at columns 261..273 inside a two-pixel
    // grey border whose left column it shares with the 13th bar.
    panel.Show(7);
    for (int x = 259; x <= 276; ++x) {
        const Rgb565 expected = x > 275 ? Colour::kPanelGrey : x < 261 || x > 273 ? Colour::kDarkGrey : Colour::kYellow;
        EXPECT_EQ(panel.Pixel(x, 150), expected) << x;
    }
    EXPECT_EQ(panel.Pixel(267, 129), Colour::kDarkGrey);
    EXPECT_EQ(panel.Pixel(267, 128), Colour::kPanelGrey);

    panel.Show(5);
    EXPECT_EQ(panel.Pixel(60, 176), Colour::kYellow);
    EXPECT_EQ(panel.Pixel(266, 176), Colour::kYellow);

    // The fault history shows the host's first entry; an emptied entry leaves
    // the content area blank.
    panel.Show(44);
    EXPECT_GT(panel.CountNot(Colour::kPanelGrey, 10, 50, 309, 195), 500);
    FaultHistory[0].type = kFaultEntryEmpty;
    panel.Show(44);
    EXPECT_EQ(panel.CountNot(Colour::kPanelGrey, 0, 35, 319, 207), 0);
}

TEST(AppCharts, ConfirmDialogAnswersAndTimesOut) {
    PanelDriver panel;
    panel.Show(7);
    AppState.dialogReturnPage = 7;
    panel.Show(45);
    // No frame: the unit label of the chart below stays beside the box.
    EXPECT_GT(panel.CountNot(Colour::kPanelGrey, 0, 40, 19, 62), 0);
    EXPECT_EQ(panel.Pixel(30, 60), 0xFFFF);
    EXPECT_EQ(panel.Pixel(75, 75), 0x07E0);
    EXPECT_EQ(panel.Pixel(185, 75), Colour::kRed);

    panel.Tap(105, 100);
    EXPECT_EQ(panel.Page(), 7);
    panel.Show(45);
    panel.Tap(215, 100);
    EXPECT_EQ(panel.Page(), 7);

    GoToPage(45);
    panel.Ticks(999);
    EXPECT_EQ(panel.Page(), 45);
    panel.Ticks(1);
    EXPECT_EQ(panel.Page(), 7);
}

}  // namespace
