#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Frame.h"
#include "panel/app/Navigation.h"
#include "panel/app/pages/Checks.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

bool HasTouchButton(u8 id) {
    for (u8 i = 0; i < kTouchRegionCount; ++i) {
        const TouchRegion* r = TouchRegionAt(i);
        if (r != nullptr && r->id == id) return true;
    }
    return false;
}

TEST(AppLayout, ValuesStayOnTheScreenInsteadOfWrapping) {
    // A text that runs past the right edge continues at the left edge of the
    // next line; the strip left of the labels must stay empty.
    for (u8 language = 0; language < 7; ++language) {
        PanelDriver panel;
        Settings.language = language;
        for (u8 page : {Page::kMeasurementFlow, Page::kTime, Page::kDate, Page::kVersions}) {
            panel.Show(page);
            EXPECT_EQ(panel.CountNot(Colour::kPanelGrey, 0, 36, 8, 206), 0)
                << "page " << int(page) << " language " << int(language);
        }
    }
}

TEST(AppLayout, PagesWithoutBarButtonsKeepTheHomeButton) {
    PanelDriver panel;
    for (u8 page :
         {Page::kYieldDeleted, Page::kWrongAccessCode, Page::kCommissioningRun, Page::kCommissioningNotPossible}) {
        panel.Show(page);
        EXPECT_EQ(panel.Buttons(), (Bar{Button::kNone, Button::kNone, Button::kNone, Button::kNone}));
        EXPECT_TRUE(HasTouchButton(Button::kHome));
        EXPECT_EQ(panel.Pixel(kBarSlotX[0] + 2, kBarY + 2), Colour::kDarkGrey);
        EXPECT_EQ(panel.Pixel(248, 10), Colour::kYellow);
    }
}

TEST(AppLayout, StartPageButtonsFollowTheShortcutTheFaultAndTheCommissioning) {
    PanelDriver panel;
    EXPECT_EQ(panel.Page(), Page::kStart);
    // The guided setup is offered until the first commissioning; a fault
    // takes the shortcut's place, an unknown shortcut leaves it empty.
    const struct {
        u8 shortcut, commissioningDay, fault;
        Bar bar;
    } cases[] = {
        {0, 0, 0, {Button::kMeasurementShortcut, Button::kGuidedSetup, Button::kNone, Button::kMenu}},
        {1, 0, 0, {Button::kYieldsShortcut, Button::kGuidedSetup, Button::kNone, Button::kMenu}},
        {5, 0, 0, {Button::kNone, Button::kGuidedSetup, Button::kNone, Button::kMenu}},
        {1, 12, 0, {Button::kYieldsShortcut, Button::kNone, Button::kNone, Button::kMenu}},
        {5, 12, 2, {Button::kFaults, Button::kNone, Button::kNone, Button::kMenu}},
    };
    for (const auto& c : cases) {
        Settings.shortcutFunction = c.shortcut;
        Settings.commissioningDay = c.commissioningDay;
        Settings.faultCode = c.fault;
        panel.Show(Page::kStart);
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        EXPECT_EQ(panel.Buttons(), c.bar);
        EXPECT_EQ(HasTouchButton(Button::kGuidedSetup), c.bar[1] == Button::kGuidedSetup);
        EXPECT_EQ(panel.Pixel(308, 16), c.fault ? Colour::kRed : Colour::kGreen);
        EXPECT_EQ(panel.Pixel(298, 7), Colour::kGreen);  // the lamp's frame
    }
}

TEST(AppLayout, CommissioningDateAndValueTexts) {
    char date[11];
    FormatCommissioningDate(date);
    EXPECT_STREQ(date, "--.--.----");
    Settings.commissioningDay = 5;
    Settings.commissioningMonth = 12;
    Settings.commissioningYear = 9;
    FormatCommissioningDate(date);
    EXPECT_STREQ(date, "05.12.2009");
    // A value beyond its list has no text.
    for (const char* none : {LoadStrategyText(4), ShortcutText(3), SupplementaryText(3), OperatingModeText(4)})
        EXPECT_STREQ(none, "");
}

TEST(AppLayout, YieldChartAndTheDialogOverIt) {
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
