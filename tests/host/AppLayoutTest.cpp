#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
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
    Settings.shortcutFunction = 1;
    panel.Show(Page::kStart);
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kYieldsShortcut, Button::kGuidedSetup, Button::kNone, Button::kMenu}));
    EXPECT_TRUE(HasTouchButton(Button::kGuidedSetup));
    Settings.commissioningDay = 12;
    Settings.faultCode = 2;
    panel.Show(Page::kStart);
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kFaults, Button::kNone, Button::kNone, Button::kMenu}));
    EXPECT_FALSE(HasTouchButton(Button::kGuidedSetup));
    EXPECT_EQ(panel.Pixel(308, 16), Colour::kRed);
    EXPECT_EQ(panel.Pixel(298, 7), Colour::kGreen);
}

TEST(AppLayout, CheckMarksAndTheMenuHighlightFollowTheSelection) {
    PanelDriver panel;
    Settings.language = 6;
    panel.Show(Page::kLanguageList);
    EXPECT_EQ(AppState.listScroll, 1);
    EXPECT_EQ(AppState.selectedRow, 6);
    // Polish is checked on the sixth line on screen, the strip shows only its up arrow.
    EXPECT_EQ(panel.Pixel(27, 50 + 28 * 5), Colour::kBlack);
    EXPECT_EQ(panel.Pixel(27, 50), Colour::kPanelGrey);
    EXPECT_GT(panel.CountNot(Colour::kPanelGrey, 296, 42, 313, 60), 0);
    EXPECT_EQ(panel.CountNot(Colour::kPanelGrey, 296, 183, 313, 201), 0);

    panel.Show(Page::kOperatingModeList);
    EXPECT_EQ(panel.Pixel(27, 50), Colour::kBlack);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Pixel(27, 50), Colour::kPanelGrey);
    EXPECT_EQ(panel.Pixel(27, 78), Colour::kBlack);

    panel.Show(Page::kMenu);
    EXPECT_EQ(panel.Pixel(40, 40), Colour::kYellow);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Pixel(40, 40), Colour::kPanelGrey);
    EXPECT_EQ(panel.Pixel(40, 74), Colour::kYellow);
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

    for (const char* none : {LoadStrategyText(4), ShortcutText(3), SupplementaryText(3), OperatingModeText(4)})
        EXPECT_STREQ(none, "");
    Settings.language = 1;
    EXPECT_STREQ(LoadStrategyText(1), "Max. tank 1");
    EXPECT_STREQ(SupplementaryText(2), "Heating support");
    EXPECT_STREQ(OperatingModeText(3), "Manual");
}

}  // namespace
