#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

// Centre of menu row i and of list row i on screen.
int MenuRowY(int i) { return 37 + 34 * i + 17; }
int ListRowY(int i) { return 37 + 28 * i + 14; }

void EnterCode(PanelDriver& panel, u8 code) {
    for (u8 i = 0; i < code; ++i) panel.TapSlot(2);  // plus
    ASSERT_EQ(AppState.selectedRow, code);
    panel.TapSlot(3);  // confirm
}

TEST(AppNavigation, StartsOnTheStartPageWithItsButtons) {
    PanelDriver panel;
    EXPECT_EQ(panel.Page(), 0);
    EXPECT_EQ(AppState.barButtons[0], Button::kMeasurementShortcut);
    EXPECT_EQ(AppState.barButtons[1], Button::kGuidedSetup);
    EXPECT_EQ(AppState.barButtons[2], Button::kNone);
    EXPECT_EQ(AppState.barButtons[3], Button::kMenu);
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
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 1);
    const u8 targets[5] = {2, 6, 10, 19, 26};
    for (int row = 4; row >= 0; --row) {
        panel.Show(0);
        panel.TapSlot(3);
        if (row != 0) {
            panel.Tap(120, MenuRowY(row));
            EXPECT_EQ(panel.Page(), 1);
            EXPECT_EQ(AppState.selectedRow, row);
        }
        panel.Tap(120, MenuRowY(row));
        panel.Ticks(50);
        EXPECT_EQ(panel.Page(), targets[row]) << "row " << row;
        EXPECT_EQ(AppState.menuReturnRow, row);
    }
    // Back returns to the menu with the row of the page left preselected.
    panel.Show(26);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 1);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 0);
}

TEST(AppNavigation, MenuArrowsMoveTheSelectionWithoutWrapping) {
    PanelDriver panel;
    panel.TapSlot(3);
    panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 0);
    for (int i = 0; i < 6; ++i) panel.TapSlot(2);
    EXPECT_EQ(AppState.selectedRow, 4);
    panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 3);
    panel.TapSlot(3);
    EXPECT_EQ(panel.Page(), 19);
}

TEST(AppNavigation, PreviousAndNextFollowTheChainsAndTheirConditions) {
    PanelDriver panel;
    panel.Show(2);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 3);
    EXPECT_EQ(AppState.barButtons[2], Button::kNone);  // no extra sensors: no next
    Settings.extraSensorSetting = 1;
    panel.Show(3);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 4);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 3);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 2);

    panel.Show(10);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 13);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 10);
    Settings.supplementaryFunction = 1;
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 11);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 13);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 11);

    panel.Show(23);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 24);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 23);
    Settings.supplementaryFunction = 2;
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 25);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 23);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 21);

    panel.Show(32);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 34);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 36);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 34);
    Settings.supplementaryFunction = 0;
    panel.Show(32);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 36);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 32);

    // The check chain from the faults entry to the versions page.
    panel.Show(26);
    const u8 chain[] = {27, 29, 30, 31, 32, 36, 38, 39};
    for (u8 page : chain) {
        panel.TapSlot(2);
        EXPECT_EQ(panel.Page(), page);
    }
}

TEST(AppNavigation, FaultPagesAndTheLamp) {
    PanelDriver panel;
    EXPECT_EQ(AppState.faultLampShown, 0);
    panel.Tap(308, 16);  // the lamp answers only while a fault is shown
    EXPECT_EQ(panel.Page(), 0);

    Settings.faultCode = 3;
    panel.Show(10);
    panel.Tap(308, 16);
    EXPECT_EQ(panel.Page(), 43);
    panel.Ticks(100);
    EXPECT_EQ(AppState.barButtons[3], Button::kDelete);
    EXPECT_EQ(AppState.barButtons[2], Button::kNext);  // history entry 0 exists
    panel.TapSlot(3);
    EXPECT_EQ(Settings.faultCode, 0);

    // Without a code the history needs one first.
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 19);
    EnterCode(panel, AccessCodeB);
    EXPECT_EQ(panel.Page(), 44);
    EXPECT_EQ(AppState.barButtons[3], Button::kDelete);
    panel.TapSlot(2);
    EXPECT_EQ(AppState.historyIndex, 1);
    EXPECT_EQ(AppState.barButtons[2], Button::kNone);  // entry 2 is never shown
    panel.TapSlot(1);
    EXPECT_EQ(AppState.historyIndex, 0);
    panel.TapSlot(1);
    EXPECT_EQ(panel.Page(), 43);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 44);
    panel.TapSlot(3);  // delete with index 0 returns to the current fault
    EXPECT_EQ(FaultHistory[0].type, kFaultEntryEmpty);
    EXPECT_EQ(panel.Page(), 43);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 26);
}

TEST(AppNavigation, AccessCodeRightAndWrong) {
    PanelDriver panel;
    panel.TapSlot(3);
    for (int i = 0; i < 3; ++i) panel.TapSlot(2);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 19);

    EnterCode(panel, 0);  // 0 is never a code
    EXPECT_EQ(panel.Page(), 20);
    EXPECT_EQ(AppState.accessLevel, 0);
    // The page came with the second tick of the press and has counted down
    // 105 of its 1000 ticks since.
    EXPECT_EQ(AppState.messageTimer, 1000 - 105);
    panel.Ticks(894);
    EXPECT_EQ(panel.Page(), 20);
    panel.Ticks(1);
    EXPECT_EQ(panel.Page(), 19);
    EXPECT_EQ(AppState.selectedRow, 0);

    EnterCode(panel, 5);
    EXPECT_EQ(panel.Page(), 20);
    panel.Ticks(1000);
    ASSERT_EQ(panel.Page(), 19);
    EnterCode(panel, AccessCodeA);
    EXPECT_EQ(panel.Page(), 21);
    EXPECT_EQ(AppState.accessLevel, AccessCodeA);

    // Held from now on: the menu's system-data row goes straight on.
    panel.TapHome();
    panel.TapSlot(3);
    panel.Tap(120, MenuRowY(3));
    panel.Tap(120, MenuRowY(3));
    panel.Ticks(50);
    EXPECT_EQ(panel.Page(), 21);
}

TEST(AppNavigation, AccessCodeStopsAtZeroAndNinetyNine) {
    PanelDriver panel;
    panel.Show(19);
    panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 0);
    AppState.selectedRow = 98;
    panel.TapSlot(2);
    panel.TapSlot(2);
    EXPECT_EQ(AppState.selectedRow, 99);
}

TEST(AppNavigation, BackFromTheAccessCodeReturnsWhereItCameFrom) {
    PanelDriver panel;
    panel.Show(1);
    AppState.selectedRow = 3;
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 19);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 1);

    panel.Show(38);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 19);
    EXPECT_EQ(AppState.wizardMode, 1);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 38);
    EXPECT_EQ(AppState.wizardMode, 0);

    panel.TapHome();
    panel.TapSlot(1);  // guided setup
    ASSERT_EQ(panel.Page(), 19);
    EXPECT_EQ(AppState.wizardMode, 2);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 0);
    EXPECT_EQ(AppState.wizardMode, 0);
}

TEST(AppNavigation, GuidedSetupFromTheStartPage) {
    PanelDriver panel;
    panel.TapSlot(1);
    ASSERT_EQ(panel.Page(), 19);
    EnterCode(panel, AccessCodeA);
    ASSERT_EQ(panel.Page(), 22);
    panel.Tap(120, ListRowY(1));  // two-tank system
    panel.TapSlot(3);
    EXPECT_EQ(Settings.supplementaryFunction, 1);
    ASSERT_EQ(panel.Page(), 23);
    EXPECT_EQ(AppState.editActive, 1);
    panel.TapSlot(1);  // minus
    panel.TapSlot(3);
    EXPECT_EQ(+Settings.maxTankTemp, 790);
    ASSERT_EQ(panel.Page(), 24);
    EXPECT_EQ(AppState.editActive, 1);
    panel.TapSlot(0);  // cancel advances without storing
    EXPECT_EQ(+Settings.maxTank2Temp, 800);
    ASSERT_EQ(panel.Page(), 2);
    const u8 nextOnly[4] = {255, 255, 255, Button::kNext};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AppState.barButtons[i], nextOnly[i]);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 3);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AppState.barButtons[i], nextOnly[i]);
    panel.TapSlot(3);
    EXPECT_EQ(panel.Page(), 40);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 0);
    EXPECT_EQ(AppState.wizardMode, 0);
}

TEST(AppNavigation, GuidedSetupFromTheCommissioningPage) {
    PanelDriver panel;
    ControllerLink.extraSensorWord = 1;
    AppState.accessLevel = AccessCodeA;
    panel.Show(38);
    panel.Tap(100, 50);  // the label line acts like select
    panel.Ticks(100);
    ASSERT_EQ(panel.Page(), 22);
    EXPECT_EQ(AppState.wizardMode, 1);
    panel.Tap(120, ListRowY(2));  // heating support
    panel.TapSlot(0);             // cancel advances too, without storing
    EXPECT_EQ(Settings.supplementaryFunction, 0);
    ASSERT_EQ(panel.Page(), 23);
    Settings.supplementaryFunction = 2;
    panel.TapSlot(0);
    ASSERT_EQ(panel.Page(), 25);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 2);
    panel.TapSlot(3);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 4);  // offered by the extra sensors
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 40);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 38);
    EXPECT_EQ(AppState.wizardMode, 0);
}

TEST(AppNavigation, CommissioningQuestion) {
    PanelDriver panel;
    panel.Show(40);
    panel.TapSlot(3);
    EXPECT_EQ(panel.Page(), 42);
    EXPECT_EQ(AppState.barButtons[0], Button::kNone);
    panel.Ticks(1000);
    EXPECT_EQ(panel.Page(), 38);

    AppState.wizardMode = 2;
    panel.Show(40);
    panel.TapSlot(3);
    EXPECT_EQ(panel.Page(), 42);
    panel.Ticks(1000);
    EXPECT_EQ(panel.Page(), 0);
    EXPECT_EQ(AppState.wizardMode, 0);

    ControllerLink.commissioningPossible = 1;
    panel.Show(40);
    panel.TapSlot(3);
    EXPECT_EQ(panel.Page(), 41);
    EXPECT_EQ(ControllerLink.commissioningRunning, 1);
}

TEST(AppNavigation, AHeldButtonActsOnceAndAgainAfterTheHold) {
    PanelDriver panel;
    panel.Show(1);
    panel.Press(kBarSlotX[2] + 21, kBarY + 14);
    int ticks = 0;
    int changes[3] = {};
    u8 click[3] = {};
    int n = 0;
    u8 row = AppState.selectedRow;
    while (n < 3 && ticks < 4000) {
        panel.Ticks(1);
        ++ticks;
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
    EXPECT_EQ(click[1], 0);
    EXPECT_EQ(click[2], 0);
}

TEST(AppNavigation, ATouchBesideTheButtonsGoesToTheFreeTouchHandler) {
    PanelDriver panel;
    panel.Show(10);
    panel.Tap(150, 125);  // the value line opens the edit
    EXPECT_EQ(AppState.editActive, 1);
    panel.Show(12);
    panel.Tap(150, 150);  // below the two rows of this list: nothing
    EXPECT_EQ(AppState.selectedRow, 0);
    panel.Tap(150, ListRowY(1));
    EXPECT_EQ(AppState.selectedRow, 1);
}

TEST(AppNavigation, TheLanguageListScrollsFromItsStrip) {
    PanelDriver panel;
    panel.TapSlot(0);  // the shortcut button of the start page is the measurement shortcut
    EXPECT_EQ(panel.Page(), 2);
    Settings.shortcutFunction = 2;
    panel.TapHome();
    EXPECT_EQ(AppState.barButtons[0], Button::kLanguageShortcut);
    panel.TapSlot(0);
    ASSERT_EQ(panel.Page(), 16);
    EXPECT_EQ(AppState.listScroll, 0);
    EXPECT_EQ(AppState.maxRow, 6);
    panel.Tap(300, 100);
    EXPECT_EQ(AppState.listScroll, 1);
    panel.Tap(120, ListRowY(5));
    EXPECT_EQ(AppState.selectedRow, 6);
    panel.Tap(300, 100);
    EXPECT_EQ(AppState.listScroll, 0);
    for (int i = 0; i < 5; ++i) panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 1);
    panel.TapSlot(1);
    panel.TapSlot(1);
    EXPECT_EQ(AppState.selectedRow, 0);
    for (int i = 0; i < 6; ++i) panel.TapSlot(2);
    EXPECT_EQ(AppState.selectedRow, 6);
    EXPECT_EQ(AppState.listScroll, 1);
}

TEST(AppNavigation, TheScrollStripOfAShortListSelectsInstead) {
    PanelDriver panel;
    panel.Show(33);
    panel.Tap(300, ListRowY(1));
    EXPECT_EQ(AppState.listScroll, 0);
    EXPECT_EQ(AppState.selectedRow, 1);
    panel.TapSlot(3);
    EXPECT_EQ(ControllerLink.zoneValveOn, 0);
}

}  // namespace

namespace {

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
    // The menu's rows are intact: no list check boxes were drawn over them.
    EXPECT_EQ(panel.Pixel(34, 78), Colour::kPanelGrey);
    EXPECT_GT(panel.CountNot(Colour::kPanelGrey, 10, 80, 30, 96), 0);  // the section icon of row 1
    EXPECT_EQ(panel.Pixel(40, 40), Colour::kYellow);
}

}  // namespace
