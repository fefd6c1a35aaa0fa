#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

void EnterCode(PanelDriver& panel, u8 code) {
    for (u8 i = 0; i < code; ++i) panel.TapSlot(2);  // plus
    ASSERT_EQ(AppState.selectedRow, code);
    panel.TapSlot(3);
}

TEST(AppNavigation, StartsOnTheStartPageWithItsButtons) {
    PanelDriver panel;
    EXPECT_EQ(panel.Page(), 0);
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kMeasurementShortcut, Button::kGuidedSetup, Button::kNone, Button::kMenu}));
    EXPECT_EQ(AppState.schematicDelay, 500 - 300);
}

TEST(AppNavigation, HomeLeavesEveryPageAndEndsTheWizard) {
    PanelDriver panel;
    for (u8 page = 1; page < 45; ++page) {
        panel.Show(page);
        AppState.wizardMode = 1;
        panel.TapHome();
        EXPECT_EQ(panel.Page(), 0) << "from page " << int(page);
        EXPECT_EQ(AppState.wizardMode, 0);
    }
    panel.Show(41);
    ControllerLink.commissioningRunning = 1;
    panel.TapHome();
    EXPECT_EQ(ControllerLink.commissioningRunning, 0);
    EXPECT_EQ(ControllerLink.commissioningAborted, 1);
}

TEST(AppNavigation, MenuRowsSelectOnTheFirstTapAndOpenOnTheSecond) {
    PanelDriver panel;
    const u8 targets[5] = {2, 6, 10, 19, 26};
    for (int row = 4; row >= 0; --row) {
        panel.Show(0);
        panel.TapSlot(3);
        if (row != 0) {
            panel.TapMenuRow(row);
            EXPECT_EQ(panel.Page(), 1);
            EXPECT_EQ(AppState.selectedRow, row);
        }
        panel.TapMenuRow(row);
        EXPECT_EQ(panel.Page(), targets[row]) << "row " << row;
        EXPECT_EQ(AppState.menuReturnRow, row);
    }
    panel.Walk({{0, 1}, {0, 0}});  // back to the menu, then to the start page
}

TEST(AppNavigation, MenuArrowsMoveTheSelectionWithoutWrapping) {
    PanelDriver panel;
    panel.TapSlot(3);
    panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 0);
    for (int i = 0; i < 6; ++i) panel.TapSlot(2);
    EXPECT_EQ(AppState.selectedRow, 4);
    panel.TapSlot(1);
    panel.Walk({{3, 19}});
}

TEST(AppNavigation, PreviousAndNextFollowTheChainsAndTheirConditions) {
    PanelDriver panel;
    panel.Show(3);
    EXPECT_EQ(AppState.barButtons[2], Button::kNone);  // no extra sensors: no next
    // Slot 1 is previous, slot 2 next.
    const struct {
        u8 extraSensors, supplementary, from;
        std::vector<Step> steps;
    } walks[] = {
        {0, 0, 2, {{2, 3}}},
        {1, 0, 3, {{2, 4}, {1, 3}, {1, 2}}},
        {0, 0, 10, {{2, 13}, {1, 10}}},
        {0, 1, 10, {{2, 11}, {2, 13}, {1, 11}}},
        {0, 1, 23, {{2, 24}, {1, 23}}},
        {0, 2, 23, {{2, 25}, {1, 23}, {1, 21}}},
        {0, 2, 32, {{2, 34}, {2, 36}, {1, 34}}},
        {0, 0, 32, {{2, 36}, {1, 32}}},
        {1, 0, 26, {{2, 27}, {2, 29}, {2, 30}, {2, 31}, {2, 32}, {2, 36}, {2, 38}, {2, 39}}},
    };
    for (const auto& w : walks) {
        Settings.extraSensorSetting = w.extraSensors;
        Settings.supplementaryFunction = w.supplementary;
        panel.Show(w.from);
        panel.Walk(w.steps);
    }
}

TEST(AppNavigation, FaultPagesAndTheLamp) {
    PanelDriver panel;
    panel.Tap(308, 16);  // the lamp answers only while a fault is shown
    EXPECT_EQ(panel.Page(), 0);

    Settings.faultCode = 3;
    panel.Show(10);
    panel.Tap(308, 16);
    panel.Ticks(100);
    EXPECT_EQ(panel.Page(), 43);
    EXPECT_EQ(panel.Buttons()[2], Button::kNext);  // history entry 0 exists
    panel.TapSlot(3);
    EXPECT_EQ(Settings.faultCode, 0);

    panel.Walk({{2, 19}});  // without a code the history needs one first
    EnterCode(panel, AccessCodeB);
    EXPECT_EQ(panel.Page(), 44);
    EXPECT_EQ(AppState.barButtons[3], Button::kDelete);
    panel.TapSlot(2);
    EXPECT_EQ(AppState.historyIndex, 1);
    EXPECT_EQ(AppState.barButtons[2], Button::kNone);  // entry 2 is never shown
    panel.Walk({{1, 44}, {1, 43}, {2, 44}, {3, 43}});  // delete with index 0 returns to the current fault
    EXPECT_EQ(FaultHistory[0].type, kFaultEntryEmpty);
    panel.Walk({{0, 26}, {3, 43}});  // select on the faults entry shows the current fault
}

TEST(AppNavigation, AccessCodeRightAndWrong) {
    PanelDriver panel;
    panel.Show(1);
    AppState.selectedRow = 3;
    panel.Walk({{3, 19}, {1, 19}});
    EXPECT_EQ(AppState.selectedRow, 0);  // minus stops at 00
    AppState.selectedRow = 98;
    panel.TapSlot(2);
    panel.TapSlot(2);
    EXPECT_EQ(AppState.selectedRow, 99);
    AppState.selectedRow = 0;

    EnterCode(panel, 0);  // 00 is never a code
    EXPECT_EQ(panel.Page(), 20);
    EXPECT_EQ(AppState.accessLevel, 0);
    // The page came on the press's second tick and has counted 105 ticks since.
    EXPECT_EQ(AppState.messageTimer, 1000 - 105);
    panel.Ticks(894);
    EXPECT_EQ(panel.Page(), 20);
    panel.Ticks(1);
    EXPECT_EQ(panel.Page(), 19);
    EXPECT_EQ(AppState.selectedRow, 0);

    EnterCode(panel, 5);
    EXPECT_EQ(panel.Page(), 20);
    panel.Ticks(1000);
    EnterCode(panel, AccessCodeA);
    EXPECT_EQ(panel.Page(), 21);
    EXPECT_EQ(AppState.accessLevel, AccessCodeA);

    // Held from now on: the menu's system-data row goes straight on.
    panel.TapHome();
    panel.TapSlot(3);
    panel.TapMenuRow(3);
    panel.TapMenuRow(3);
    EXPECT_EQ(panel.Page(), 21);
}

TEST(AppNavigation, BackFromTheAccessCodeReturnsWhereItCameFrom) {
    PanelDriver panel;
    const struct {
        u8 from, slot, wizard;
    } origins[] = {{1, 3, 0}, {38, 3, 1}, {0, 1, 2}};  // menu row 3, commissioning, guided setup
    for (const auto& o : origins) {
        panel.Show(o.from);
        AppState.selectedRow = 3;
        panel.Walk({{o.slot, 19}});
        EXPECT_EQ(AppState.wizardMode, o.wizard);
        panel.Walk({{0, o.from}});
        EXPECT_EQ(AppState.wizardMode, 0);
    }
}

TEST(AppNavigation, GuidedSetupFromTheStartPage) {
    PanelDriver panel;
    panel.Walk({{1, 19}});
    EnterCode(panel, AccessCodeA);
    ASSERT_EQ(panel.Page(), 22);
    panel.TapRow(1);  // two-tank system
    panel.Walk({{3, 23}});
    EXPECT_EQ(Settings.supplementaryFunction, 1);
    EXPECT_EQ(AppState.editActive, 1);
    panel.TapSlot(1);  // minus
    panel.Walk({{3, 24}});
    EXPECT_EQ(+Settings.maxTankTemp, 790);
    EXPECT_EQ(AppState.editActive, 1);
    panel.Walk({{0, 2}});  // cancel advances without storing
    EXPECT_EQ(+Settings.maxTank2Temp, 800);
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kNone, Button::kNone, Button::kNone, Button::kNext}));
    panel.Walk({{3, 3}});
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kNone, Button::kNone, Button::kNone, Button::kNext}));
    panel.Walk({{3, 40}, {0, 0}});
    EXPECT_EQ(AppState.wizardMode, 0);
}

TEST(AppNavigation, GuidedSetupFromTheCommissioningPage) {
    PanelDriver panel;
    ControllerLink.extraSensorWord = 1;
    AppState.accessLevel = AccessCodeA;
    panel.Show(38);
    panel.Tap(100, 50);  // the label line acts like select
    EXPECT_EQ(panel.Page(), 22);
    EXPECT_EQ(AppState.wizardMode, 1);
    panel.TapRow(2);        // heating support
    panel.Walk({{0, 23}});  // cancel advances too, without storing
    EXPECT_EQ(Settings.supplementaryFunction, 0);
    Settings.supplementaryFunction = 2;
    panel.Walk({{0, 25}, {3, 2}, {3, 3}, {3, 4}, {3, 40}, {0, 38}});  // 4 is offered by the extra sensors
    EXPECT_EQ(AppState.wizardMode, 0);
}

TEST(AppNavigation, CommissioningQuestion) {
    PanelDriver panel;
    const struct { u8 wizard, possible, asked, after; } cases[] = {{0, 0, 42, 38}, {2, 0, 42, 0}, {0, 1, 41, 41}};
    for (const auto& c : cases) {
        AppState.wizardMode = c.wizard;
        ControllerLink.commissioningPossible = c.possible;
        panel.Show(40);
        panel.Walk({{3, c.asked}});
        EXPECT_EQ(ControllerLink.commissioningRunning, c.possible);
        panel.Ticks(1000);
        EXPECT_EQ(panel.Page(), c.after);
        EXPECT_EQ(AppState.wizardMode, 0);
    }
    EXPECT_EQ(AppState.barButtons[0], Button::kNone);
}

TEST(AppNavigation, AHeldButtonActsOnceAndAgainAfterTheHold) {
    PanelDriver panel;
    panel.Show(1);
    panel.Press(kBarSlotX[2] + 21, kBarY + 14);
    int changes[3] = {};
    u8 click[3] = {};
    u8 row = AppState.selectedRow;
    for (int ticks = 1, n = 0; n < 3 && ticks < 4000; ++ticks) {
        panel.Ticks(1);
        if (AppState.selectedRow != row) {
            row = AppState.selectedRow;
            click[n] = GetSignalCountdown();
            changes[n++] = ticks;
        }
    }
    EXPECT_EQ(changes[0], 2);
    EXPECT_EQ(changes[1] - changes[0], 1501);
    EXPECT_EQ(changes[2] - changes[1], 1501);
    // Only the first action of a press clicks.
    EXPECT_GT(click[0], 0);
    EXPECT_EQ(click[1] + click[2], 0);
}

TEST(AppNavigation, ATouchBesideTheButtonsGoesToTheFreeTouchHandler) {
    PanelDriver panel;
    panel.Show(10);
    panel.Tap(150, 125);  // the value line opens the edit
    EXPECT_EQ(AppState.editActive, 1);
    panel.Show(12);
    panel.Tap(150, 150);  // below the two rows of this list: nothing
    EXPECT_EQ(AppState.selectedRow, 0);
    panel.TapRow(1);
    EXPECT_EQ(AppState.selectedRow, 1);
}

TEST(AppNavigation, TheLanguageListScrollsFromItsStrip) {
    PanelDriver panel;
    panel.Walk({{0, 2}});  // the start page's shortcut is the measurement one
    Settings.shortcutFunction = 2;
    panel.TapHome();
    EXPECT_EQ(AppState.barButtons[0], Button::kLanguageShortcut);
    panel.Walk({{0, 16}});
    EXPECT_EQ(AppState.listScroll, 0);
    EXPECT_EQ(AppState.maxRow, 6);
    panel.Tap(290, 100);  // the strip starts at x 290
    EXPECT_EQ(AppState.listScroll, 1);
    panel.TapRow(5);
    EXPECT_EQ(AppState.selectedRow, 6);
    panel.Tap(300, 100);
    EXPECT_EQ(AppState.listScroll, 0);
    for (int i = 0; i < 7; ++i) panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 0);
    for (int i = 0; i < 6; ++i) panel.TapSlot(2);
    EXPECT_EQ(AppState.selectedRow, 6);
    EXPECT_EQ(AppState.listScroll, 1);
}

TEST(AppNavigation, TheScrollStripOfAShortListSelectsInstead) {
    PanelDriver panel;
    panel.Show(33);
    panel.Tap(300, 37 + 28 + 14);
    EXPECT_EQ(AppState.listScroll, 0);
    EXPECT_EQ(AppState.selectedRow, 1);
    panel.TapSlot(3);
    EXPECT_EQ(ControllerLink.zoneValveOn, 0);
}

TEST(AppNavigation, TheMenuNeverScrollsAfterAScrolledList) {
    PanelDriver panel;
    Settings.language = 6;
    panel.Show(16);
    ASSERT_EQ(AppState.listScroll, 1);
    panel.TapHome();
    panel.TapSlot(3);
    panel.TapSlot(2);
    panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 0);
    // No list check boxes were drawn over the menu's rows.
    EXPECT_EQ(panel.Pixel(34, 78), Colour::kPanelGrey);
    EXPECT_GT(panel.CountNot(Colour::kPanelGrey, 10, 80, 30, 96), 0);  // the section icon of row 1
    EXPECT_EQ(panel.Pixel(40, 40), Colour::kYellow);
}

}  // namespace
