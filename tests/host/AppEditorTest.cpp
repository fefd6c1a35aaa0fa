#include <gtest/gtest.h>

#include <utility>

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/app/Refresh.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

using Writes = std::vector<std::pair<u32, u32>>;

// The queued store writes as (image offset, length), in order.
Writes QueuedWrites() {
    Writes writes;
    for (const StoreWrite& w : StoreWriteQueue) {
        if (w.length != 0) writes.push_back({w.offset, w.length});
    }
    return writes;
}

TEST(AppEditors, WarmWaterSetValueStopsAtItsLimitsAndStoresOnlyOnConfirm) {
    PanelDriver panel;
    panel.Show(Page::kWarmWater);
    panel.TapSlot(3);  // edit
    ASSERT_EQ(AppState.editActive, 1);
    EXPECT_EQ(AppState.editValue, 500);
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kCancel, Button::kMinus, Button::kPlus, Button::kConfirm}));
    panel.Hold(2, 400);
    EXPECT_EQ(AppState.editValue, 750);
    panel.Hold(1, 800);
    EXPECT_EQ(AppState.editValue, 100);
    panel.TapSlot(0);  // cancel re-enters the page
    EXPECT_EQ(panel.Page(), Page::kWarmWater);
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(+Settings.warmWaterSetValue, 500);
    EXPECT_TRUE(QueuedWrites().empty());

    panel.TapSlot(3);
    panel.TapSlot(2);
    panel.TapSlot(2);
    panel.TapSlot(3);
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(+Settings.warmWaterSetValue, 520);
    EXPECT_EQ(panel.Buttons(), (Bar{Button::kBack, Button::kNone, Button::kNext, Button::kEdit}));
    EXPECT_EQ(QueuedWrites(), (Writes{{kSettingsBlockOffset + 7, 2}}));
    for (const StoreWrite& w : StoreWriteQueue) {
        if (w.length != 0) {
            EXPECT_EQ(w.source, reinterpret_cast<const u8*>(&Settings) + 7);
        }
    }
}

TEST(AppEditors, PlusAndMinusRepeatFasterWhileHeld) {
    PanelDriver panel;
    panel.Show(Page::kWarmWater);
    panel.TapSlot(3);
    AppState.editValue = 100;
    for (int round = 0; round < 2; ++round) {
        panel.Press(kBarSlotX[2] + 21, kBarY + 14);
        std::vector<int> steps;
        for (int t = 1, value = AppState.editValue; t <= 120; ++t) {
            panel.Ticks(1);
            if (AppState.editValue != value) steps.push_back(t);
            value = AppState.editValue;
        }
        panel.Release();
        panel.Ticks(1);
        ASSERT_GE(steps.size(), 8u);
        EXPECT_EQ(steps[0], 2);  // on the tick after the touch stage saw it
        const int expected[] = {26, 21, 16, 11, 6, 6, 6};
        for (int i = 0; i < 7; ++i) EXPECT_EQ(steps[i + 1] - steps[i], expected[i]) << "step " << i;
    }
}

TEST(AppEditors, TankTemperaturesKeepTheirOwnLimits) {
    PanelDriver panel;
    panel.Show(Page::kMaxTank);
    panel.TapSlot(3);
    panel.TapSlot(1);
    panel.Walk({{0, Page::kMaxTank}});  // cancel
    EXPECT_EQ(+Settings.maxTankTemp, 800);

    Settings.supplementaryFunction = 1;
    panel.Show(Page::kMaxTank2);
    panel.Tap(150, 125);  // the value line opens the edit
    ASSERT_EQ(AppState.editActive, 1);
    panel.Hold(2, 300);
    EXPECT_EQ(AppState.editValue, 900);
    panel.TapSlot(3);
    EXPECT_EQ(+Settings.maxTank2Temp, 900);
    EXPECT_EQ(QueuedWrites(), (Writes{{kSettingsBlockOffset + 11, 2}}));
}

TEST(AppEditors, LanguageListSwitchesEveryText) {
    PanelDriver panel;
    panel.Show(Page::kLanguage);
    const std::vector<std::uint32_t> german = panel.Rgb();
    panel.Walk({{3, Page::kLanguageList}});  // edit opens the list
    EXPECT_EQ(AppState.selectedRow, 0);
    panel.TapRow(1);
    panel.Walk({{3, Page::kLanguage}});
    EXPECT_EQ(Settings.language, 1);
    EXPECT_EQ(QueuedWrites(), (Writes{{kSettingsBlockOffset + 3, 1}}));
    // The same page built in English directly looks exactly alike.
    const std::vector<std::uint32_t> chosen = panel.Rgb();
    EXPECT_NE(chosen, german);
    panel.Show(Page::kLanguage);
    EXPECT_EQ(panel.Rgb(), chosen);
}

TEST(AppEditors, ListsCommitWithConfirmAndLeaveWithCancel) {
    PanelDriver panel;
    Settings.supplementaryFunction = 1;
    panel.Show(Page::kLoadStrategy);
    panel.Walk({{3, Page::kLoadStrategyList},
                {2, Page::kLoadStrategyList},
                {0, Page::kLoadStrategy}});  // cancel: nothing stored
    EXPECT_EQ(Settings.loadStrategy, 0);
    panel.Walk({{3, Page::kLoadStrategyList},
                {2, Page::kLoadStrategyList},
                {2, Page::kLoadStrategyList},
                {2, Page::kLoadStrategyList},
                {3, Page::kLoadStrategy}});
    EXPECT_EQ(AppState.maxRow, 3);
    EXPECT_EQ(Settings.loadStrategy, 3);

    panel.Show(Page::kOperatingMode);
    panel.Walk({{3, Page::kOperatingModeList}});
    panel.TapRow(2);
    panel.Walk({{3, Page::kOperatingMode}});
    EXPECT_EQ(Settings.operatingMode, 2);

    panel.Show(Page::kShortcut);
    panel.TapSlot(3);
    panel.TapRow(1);
    panel.TapSlot(3);
    EXPECT_EQ(Settings.shortcutFunction, 1);
    panel.TapHome();
    EXPECT_EQ(AppState.barButtons[0], Button::kYieldsShortcut);
    EXPECT_EQ(QueuedWrites(),
              (Writes{{kSettingsBlockOffset + 6, 1}, {kSettingsBlockOffset + 4, 1}, {kSettingsBlockOffset + 14, 1}}));
}

TEST(AppEditors, OnOffListsSetTheOutputs) {
    PanelDriver panel;
    Settings.operatingMode = 2;  // test mode offers the manual outputs
    Settings.supplementaryFunction = 1;
    const struct {
        u8 page, list;
        u8& output;
    } outputs[] = {{Page::kZoneValve, Page::kZoneValveList, ControllerLink.zoneValveOn},
                   {Page::kSwitchingValve, Page::kSwitchingValveList, ControllerLink.switchingValveOn},
                   {Page::kAlarmTransducer, Page::kAlarmTransducerList, ControllerLink.acousticAlarm}};
    panel.Show(Page::kZoneValve);
    EXPECT_EQ(AppState.shownValue, 0);  // "off" drawn
    for (const auto& o : outputs) {
        panel.Show(o.page);
        panel.Walk({{3, o.list}});
        EXPECT_EQ(AppState.selectedRow, 1);
        panel.TapRow(0);
        panel.Walk({{3, o.page}});
        EXPECT_EQ(o.output, 1) << "page " << int(o.page);
        panel.TapSlot(3);
        EXPECT_EQ(AppState.selectedRow, 0);
    }
    panel.Show(Page::kZoneValve);
    EXPECT_EQ(AppState.shownValue, 1);    // "on" drawn
    EXPECT_TRUE(QueuedWrites().empty());  // outputs live in memory only
    Settings.operatingMode = 0;
    panel.Show(Page::kZoneValve);
    EXPECT_EQ(AppState.barButtons[3], Button::kNone);
}

TEST(AppEditors, PumpSpeedSteps) {
    PanelDriver panel;
    Settings.operatingMode = 2;
    Plant.pumpSpeed = 0;
    panel.Show(Page::kSolarPump);
    panel.TapSlot(3);
    ASSERT_EQ(AppState.editActive, 1);
    std::vector<u16> seen;
    for (int i = 0; i < 82; ++i) {
        panel.TapSlot(2);
        seen.push_back(Plant.pumpSpeed);
    }
    EXPECT_EQ((std::vector<u16>{seen[0], seen[1], seen[79], seen[80], seen[81]}),
              (std::vector<u16>{71, 81, 861, 871, 1000}));
    const u16 down[][2] = {{1000, 870}, {870, 860}, {75, 65}, {65, 10}};
    for (const auto& d : down) {
        Plant.pumpSpeed = d[0];
        panel.TapSlot(1);
        EXPECT_EQ(Plant.pumpSpeed, d[1]) << "from " << d[0];
    }
    Plant.pumpSpeedLock = 1;
    panel.TapSlot(2);
    panel.TapSlot(0);  // cancel ends the edit, the speed stays
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(Plant.pumpSpeed, 10);
    const u16 percent[][2] = {{0, 0}, {70, 0}, {71, 10}, {870, 80}, {871, 100}, {1000, 100}};
    for (const auto& p : percent) EXPECT_EQ(PumpPercent(p[0]), p[1]) << p[0];
}

TEST(AppEditors, DeletingTheTotalYieldStoresTheYieldAndTheHistory) {
    PanelDriver panel;
    panel.Show(Page::kSolarYields);
    panel.Walk({{2, Page::kDeleteYieldQuestion}, {0, Page::kSolarYields}});  // cancel keeps it
    EXPECT_EQ(+Settings.totalYield, 57280u);
    panel.Walk({{2, Page::kDeleteYieldQuestion}, {3, Page::kYieldDeleted}});
    EXPECT_EQ(+Settings.totalYield, 0u);
    EXPECT_EQ(+YieldHistoryBlock.index, 4711);
    EXPECT_EQ(YieldHistoryBlock.count, 0);
    EXPECT_EQ(QueuedWrites(), (Writes{{kSettingsBlockOffset + 50, 4}, {kYieldHistoryOffset, 31}}));
    panel.Ticks(500);
    EXPECT_EQ(panel.Page(), Page::kSolarYields);
}

TEST(AppEditors, TimeAndDateEditsShowTheEditCopy) {
    PanelDriver panel;
    panel.Show(Page::kTime);
    panel.TapSlot(3);
    EXPECT_EQ(AppState.editActive, 1);
    EXPECT_EQ(ClockEdit.hour, 10);
    panel.TapSlot(2);  // the adjust hook leaves the copy alone
    EXPECT_EQ(ClockEdit.minute, 30);
    panel.TapSlot(3);
    EXPECT_EQ(AppState.barButtons[3], Button::kEdit);
    panel.Walk({{2, Page::kDate}});
    panel.TapSlot(3);
    EXPECT_EQ((std::vector<int>{ClockEdit.day, ClockEdit.month, ClockEdit.year}), (std::vector<int>{14, 3, 2026}));
    panel.TapSlot(0);
    EXPECT_EQ(AppState.editActive, 0);
}

}  // namespace
