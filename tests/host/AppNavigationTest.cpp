#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

TEST(AppNavigation, HomeLeavesEveryPageAndEndsTheWizard) {
    PanelDriver panel;
    for (u8 page = Page::kMenu; page < Page::kConfirmDialog; ++page) {
        panel.Show(page);
        AppState.wizardMode = 1;
        panel.TapHome();
        EXPECT_EQ(panel.Page(), Page::kStart) << "from page " << int(page);
        EXPECT_EQ(AppState.wizardMode, 0);
    }
    panel.Show(Page::kCommissioningRun);
    ControllerLink.commissioningRunning = 1;
    panel.TapHome();
    EXPECT_EQ(ControllerLink.commissioningRunning, 0);
    EXPECT_EQ(ControllerLink.commissioningAborted, 1);
}

TEST(AppNavigation, PreviousAndNextFollowTheChainsAndTheirConditions) {
    PanelDriver panel;
    panel.Show(Page::kMeasurementFlow);
    EXPECT_EQ(AppState.barButtons[2], Button::kNone);  // no extra sensors: no next
    // Slot 1 is previous, slot 2 next.
    const struct {
        u8 extraSensors, supplementary, from;
        std::vector<Step> steps;
    } walks[] = {
        {0, 0, Page::kMeasurement, {{2, Page::kMeasurementFlow}}},
        {1,
         0,
         Page::kMeasurementFlow,
         {{2, Page::kMeasurementExtra}, {1, Page::kMeasurementFlow}, {1, Page::kMeasurement}}},
        {0, 0, Page::kWarmWater, {{2, Page::kTime}, {1, Page::kWarmWater}}},
        {0, 1, Page::kWarmWater, {{2, Page::kLoadStrategy}, {2, Page::kTime}, {1, Page::kLoadStrategy}}},
        {0, 1, Page::kMaxTank, {{2, Page::kMaxTank2}, {1, Page::kMaxTank}}},
        {0, 2, Page::kMaxTank, {{2, Page::kMaxSupply}, {1, Page::kMaxTank}, {1, Page::kSupplementary}}},
        {0, 2, Page::kZoneValve, {{2, Page::kSwitchingValve}, {2, Page::kAlarmTransducer}, {1, Page::kSwitchingValve}}},
        {0, 0, Page::kZoneValve, {{2, Page::kAlarmTransducer}, {1, Page::kZoneValve}}},
        {1,
         0,
         Page::kFaultsEntry,
         {{2, Page::kOperatingMode},
          {2, Page::kControllerStatus},
          {2, Page::kRuntime},
          {2, Page::kSolarPump},
          {2, Page::kZoneValve},
          {2, Page::kAlarmTransducer},
          {2, Page::kCommissioningEntry},
          {2, Page::kVersions}}},
    };
    for (const auto& w : walks) {
        Settings.extraSensorSetting = w.extraSensors;
        Settings.supplementaryFunction = w.supplementary;
        panel.Show(w.from);
        panel.Walk(w.steps);
    }
}

TEST(AppNavigation, AHeldButtonActsOnceAndAgainAfterTheHold) {
    PanelDriver panel;
    panel.Show(Page::kMenu);
    std::vector<bool> clicked;  // at each action
    const std::vector<int> changes = panel.ChangesWhileHeld(2, 3010, [&, row = -1]() mutable {
        if (AppState.selectedRow != row && row >= 0) clicked.push_back(GetSignalCountdown() > 0);
        row = AppState.selectedRow;
        return row;
    });
    EXPECT_EQ(changes, (std::vector<int>{2, 2 + 1501, 2 + 2 * 1501}));
    EXPECT_EQ(clicked, (std::vector<bool>{true, false, false}));  // only the first action of a press clicks
}

TEST(AppNavigation, ATouchBelowAListsRowsSelectsNothing) {
    PanelDriver panel;
    panel.Show(Page::kLoadStrategyList);  // two rows without a second tank
    panel.Tap(150, 150);
    EXPECT_EQ(AppState.selectedRow, 0);
}

TEST(AppNavigation, TheLanguageListScrollsFromItsStrip) {
    PanelDriver panel;
    panel.Walk({{0, Page::kMeasurement}});  // the start page's shortcut is the measurement one
    Settings.shortcutFunction = 2;
    panel.TapHome();
    EXPECT_EQ(AppState.barButtons[0], Button::kLanguageShortcut);
    panel.Walk({{0, Page::kLanguageList}});
    EXPECT_EQ(AppState.listScroll, 0);
    EXPECT_EQ(AppState.maxRow, 6);
    panel.Tap(290, 100);  // the strip starts at x 290
    EXPECT_EQ(AppState.listScroll, 1);
    panel.TapRow(5);
    EXPECT_EQ(AppState.selectedRow, 6);
    panel.Tap(300, 100);
    EXPECT_EQ(AppState.listScroll, 0);
    panel.TapSlot(1, 7);
    EXPECT_EQ(AppState.selectedRow, 0);
    panel.TapSlot(2, 6);
    EXPECT_EQ(AppState.selectedRow, 6);
    EXPECT_EQ(AppState.listScroll, 1);
}

TEST(AppNavigation, TheScrollStripOfAShortListSelectsInstead) {
    PanelDriver panel;
    panel.Show(Page::kZoneValveList);
    panel.Tap(300, ListRowY(1));
    EXPECT_EQ(AppState.listScroll, 0);
    EXPECT_EQ(AppState.selectedRow, 1);
    panel.TapSlot(3);
    EXPECT_EQ(ControllerLink.zoneValveOn, 0);
}

TEST(AppNavigation, TheMenuNeverScrollsAfterAScrolledList) {
    PanelDriver panel;
    Settings.language = 6;
    panel.Show(Page::kLanguageList);
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
