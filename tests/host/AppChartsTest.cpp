#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "tests/host/PanelDriver.h"

namespace {

TEST(AppCharts, YieldPageAndTheDialogOverIt) {
    PanelDriver panel;
    // The start-up history peaks at 180 (scale 200); today's 8 kWh is the
    // 14th bar, 40 rows high at columns 260..274 in a two-pixel grey border
    // that shares its left column with the 13th bar.
    panel.Show(Page::kDailyYieldChart);
    for (int x = 259; x <= 276; ++x) {
        const Rgb565 expected = x > 275 ? Colour::kPanelGrey : x < 261 || x > 273 ? Colour::kDarkGrey : Colour::kYellow;
        EXPECT_EQ(panel.Pixel(x, 150), expected) << x;
    }
    EXPECT_EQ(panel.Pixel(267, 129), Colour::kDarkGrey);
    EXPECT_EQ(panel.Pixel(267, 128), Colour::kPanelGrey);

    // The dialog draws no frame: the unit label of the chart stays beside it.
    AppState.dialogReturnPage = Page::kDailyYieldChart;
    panel.Show(Page::kConfirmDialog);
    EXPECT_GT(panel.CountNot(Colour::kPanelGrey, 0, 40, 19, 62), 0);
    EXPECT_EQ(panel.Pixel(75, 75), 0x07E0);
    EXPECT_EQ(panel.Pixel(185, 75), Colour::kRed);
    panel.Tap(105, 100);
    EXPECT_EQ(panel.Page(), Page::kDailyYieldChart);
    panel.Show(Page::kConfirmDialog);
    panel.Tap(215, 100);
    EXPECT_EQ(panel.Page(), Page::kDailyYieldChart);
    GoToPage(Page::kConfirmDialog);
    panel.Ticks(999);
    EXPECT_EQ(panel.Page(), Page::kConfirmDialog);
    panel.Ticks(1);
    EXPECT_EQ(panel.Page(), Page::kDailyYieldChart);
}

}  // namespace
