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

// The commissioning date is the runtime page's, in the scripts chains.txt
// and zeros.txt.
TEST(AppLayout, ValuesBeyondTheirListsHaveNoText) {
    for (const char* none : {LoadStrategyText(4), ShortcutText(3), SupplementaryText(3), OperatingModeText(4)})
        EXPECT_STREQ(none, "");
}

}  // namespace
