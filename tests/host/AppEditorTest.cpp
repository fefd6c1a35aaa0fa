#include <gtest/gtest.h>

#include <cstring>

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/app/Refresh.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

int ListRowY(int i) { return 37 + 28 * i + 14; }

// The queued writes as (image offset, length) pairs, in order.
struct Write {
    u32 offset;
    u32 length;
    const void* source;
};
std::vector<Write> QueuedWrites() {
    std::vector<Write> writes;
    for (const StoreWrite& w : StoreWriteQueue) {
        if (w.length != 0) writes.push_back({w.offset, w.length, w.source});
    }
    return writes;
}

TEST(AppEditors, WarmWaterSetValueStopsAtItsLimits) {
    PanelDriver panel;
    panel.Show(10);
    panel.TapSlot(3);  // edit
    ASSERT_EQ(AppState.editActive, 1);
    EXPECT_EQ(AppState.editValue, 500);
    const u8 editBar[4] = {Button::kCancel, Button::kMinus, Button::kPlus, Button::kConfirm};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AppState.barButtons[i], editBar[i]);

    panel.Press(kBarSlotX[2] + 21, kBarY + 14);  // hold plus
    panel.Ticks(400);
    EXPECT_EQ(AppState.editValue, 750);
    panel.Release();
    panel.Ticks(2);
    panel.Press(kBarSlotX[1] + 21, kBarY + 14);  // hold minus
    panel.Ticks(800);
    panel.Release();
    EXPECT_EQ(AppState.editValue, 100);
    EXPECT_EQ(+Settings.warmWaterSetValue, 500);
}

TEST(AppEditors, PlusAndMinusRepeatFasterWhileHeld) {
    PanelDriver panel;
    panel.Show(10);
    panel.TapSlot(3);
    AppState.editValue = 100;
    for (int round = 0; round < 2; ++round) {
        panel.Press(kBarSlotX[2] + 21, kBarY + 14);
        std::vector<int> steps;
        u16 value = AppState.editValue;
        for (int t = 1; t <= 120; ++t) {
            panel.Ticks(1);
            if (AppState.editValue != value) {
                value = AppState.editValue;
                steps.push_back(t);
            }
        }
        panel.Release();
        panel.Ticks(1);
        ASSERT_GE(steps.size(), 8u);
        EXPECT_EQ(steps[0], 2);  // at once, on the tick after the touch stage saw it
        const int expected[] = {26, 21, 16, 11, 6, 6, 6};
        for (int i = 0; i < 7; ++i) EXPECT_EQ(steps[i + 1] - steps[i], expected[i]) << "step " << i;
    }
}

TEST(AppEditors, ConfirmStoresTheValueAndRestoresTheBar) {
    PanelDriver panel;
    panel.Show(10);
    panel.TapSlot(3);
    panel.TapSlot(2);
    panel.TapSlot(2);
    EXPECT_EQ(AppState.editValue, 520);
    panel.TapSlot(3);
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(+Settings.warmWaterSetValue, 520);
    const u8 normalBar[4] = {Button::kBack, Button::kNone, Button::kNext, Button::kEdit};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(AppState.barButtons[i], normalBar[i]);
    const std::vector<Write> writes = QueuedWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].offset, kSettingsBlockOffset + 7);
    EXPECT_EQ(writes[0].length, 2u);
    EXPECT_EQ(writes[0].source, reinterpret_cast<const u8*>(&Settings) + 7);
}

TEST(AppEditors, CancelDropsTheChange) {
    PanelDriver panel;
    panel.Show(10);
    panel.TapSlot(3);
    panel.TapSlot(2);
    panel.TapSlot(0);  // cancel re-enters the page
    EXPECT_EQ(panel.Page(), 10);
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(+Settings.warmWaterSetValue, 500);
    EXPECT_TRUE(QueuedWrites().empty());
    EXPECT_EQ(AppState.barButtons[0], Button::kBack);

    panel.Show(23);
    panel.TapSlot(3);
    panel.TapSlot(1);
    panel.TapSlot(0);
    EXPECT_EQ(panel.Page(), 23);
    EXPECT_EQ(+Settings.maxTankTemp, 800);
}

TEST(AppEditors, TankTemperaturesKeepTheirOwnLimits) {
    PanelDriver panel;
    Settings.supplementaryFunction = 1;
    panel.Show(24);
    panel.Tap(150, 125);  // the value line opens the edit
    ASSERT_EQ(AppState.editActive, 1);
    panel.Press(kBarSlotX[2] + 21, kBarY + 14);
    panel.Ticks(300);
    panel.Release();
    panel.Ticks(2);
    EXPECT_EQ(AppState.editValue, 900);
    panel.TapSlot(3);
    EXPECT_EQ(+Settings.maxTank2Temp, 900);
    const std::vector<Write> writes = QueuedWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].offset, kSettingsBlockOffset + 11);
    EXPECT_EQ(writes[0].length, 2u);
}

TEST(AppEditors, LanguageListSwitchesEveryText) {
    PanelDriver panel;
    panel.Show(15);
    const std::vector<std::uint32_t> german = panel.Rgb();
    panel.TapSlot(3);  // edit opens the list
    ASSERT_EQ(panel.Page(), 16);
    EXPECT_EQ(AppState.selectedRow, 0);
    panel.Tap(120, ListRowY(1));
    panel.TapSlot(3);
    EXPECT_EQ(Settings.language, 1);
    EXPECT_EQ(panel.Page(), 15);
    const std::vector<Write> writes = QueuedWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].offset, kSettingsBlockOffset + 3);
    EXPECT_EQ(writes[0].length, 1u);

    // The same page built in English directly looks exactly alike.
    const std::vector<std::uint32_t> chosen = panel.Rgb();
    EXPECT_NE(chosen, german);
    panel.Show(15);
    EXPECT_EQ(panel.Rgb(), chosen);
}

TEST(AppEditors, ListsCommitWithConfirmAndLeaveWithCancel) {
    PanelDriver panel;
    Settings.supplementaryFunction = 1;
    panel.Show(11);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 12);
    EXPECT_EQ(AppState.maxRow, 3);
    panel.TapSlot(2);
    panel.TapSlot(2);
    panel.TapSlot(0);  // cancel: nothing stored
    EXPECT_EQ(panel.Page(), 11);
    EXPECT_EQ(Settings.loadStrategy, 0);
    panel.TapSlot(3);
    panel.TapSlot(2);
    panel.TapSlot(2);
    panel.TapSlot(2);
    panel.TapSlot(3);
    EXPECT_EQ(Settings.loadStrategy, 3);
    EXPECT_EQ(panel.Page(), 11);

    panel.Show(27);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 28);
    panel.Tap(120, ListRowY(2));
    panel.TapSlot(3);
    EXPECT_EQ(Settings.operatingMode, 2);
    EXPECT_EQ(panel.Page(), 27);

    panel.Show(17);
    panel.TapSlot(3);
    panel.Tap(120, ListRowY(1));
    panel.TapSlot(3);
    EXPECT_EQ(Settings.shortcutFunction, 1);
    panel.TapHome();
    EXPECT_EQ(AppState.barButtons[0], Button::kYieldsShortcut);

    const std::vector<Write> writes = QueuedWrites();
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].offset, kSettingsBlockOffset + 6);
    EXPECT_EQ(writes[1].offset, kSettingsBlockOffset + 4);
    EXPECT_EQ(writes[2].offset, kSettingsBlockOffset + 14);
    for (const Write& w : writes) EXPECT_EQ(w.length, 1u);
}

TEST(AppEditors, OnOffListsSetTheOutputs) {
    PanelDriver panel;
    Settings.operatingMode = 2;  // test mode offers the manual outputs
    panel.Show(32);
    EXPECT_EQ(AppState.shownValue, 0);  // "off" drawn
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 33);
    EXPECT_EQ(AppState.selectedRow, 1);
    panel.Tap(120, ListRowY(0));
    panel.TapSlot(3);
    EXPECT_EQ(ControllerLink.zoneValveOn, 1);
    EXPECT_EQ(panel.Page(), 32);
    EXPECT_EQ(AppState.shownValue, 1);  // "on" drawn
    panel.TapSlot(3);
    EXPECT_EQ(AppState.selectedRow, 0);

    Settings.supplementaryFunction = 1;
    panel.Show(34);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 35);
    panel.Tap(120, ListRowY(0));
    panel.TapSlot(3);
    EXPECT_EQ(ControllerLink.switchingValveOn, 1);

    panel.Show(36);
    panel.TapSlot(3);
    ASSERT_EQ(panel.Page(), 37);
    panel.Tap(120, ListRowY(0));
    panel.TapSlot(3);
    EXPECT_EQ(ControllerLink.acousticAlarm, 1);
    EXPECT_EQ(panel.Page(), 36);
    EXPECT_TRUE(QueuedWrites().empty());  // outputs live in memory only

    Settings.operatingMode = 0;
    panel.Show(32);
    EXPECT_EQ(AppState.barButtons[3], Button::kNone);
}

TEST(AppEditors, PumpSpeedSteps) {
    PanelDriver panel;
    Settings.operatingMode = 2;
    Plant.pumpSpeed = 0;
    panel.Show(31);
    panel.TapSlot(3);
    ASSERT_EQ(AppState.editActive, 1);
    std::vector<u16> seen;
    for (int i = 0; i < 82; ++i) {
        panel.TapSlot(2);
        seen.push_back(Plant.pumpSpeed);
    }
    EXPECT_EQ(seen[0], 71);
    EXPECT_EQ(seen[1], 81);
    EXPECT_EQ(seen[79], 861);
    EXPECT_EQ(seen[80], 871);
    EXPECT_EQ(seen[81], 1000);
    panel.TapSlot(1);
    EXPECT_EQ(Plant.pumpSpeed, 870);
    panel.TapSlot(1);
    EXPECT_EQ(Plant.pumpSpeed, 860);
    Plant.pumpSpeed = 75;
    panel.TapSlot(1);
    EXPECT_EQ(Plant.pumpSpeed, 65);
    panel.TapSlot(1);
    EXPECT_EQ(Plant.pumpSpeed, 10);
    Plant.pumpSpeedLock = 1;
    panel.TapSlot(2);
    EXPECT_EQ(Plant.pumpSpeed, 10);
    panel.TapSlot(0);  // cancel ends the edit, the speed stays
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(Plant.pumpSpeed, 10);
}

TEST(AppEditors, PumpPercent) {
    EXPECT_EQ(PumpPercent(0), 0);
    EXPECT_EQ(PumpPercent(70), 0);
    EXPECT_EQ(PumpPercent(71), 10);
    EXPECT_EQ(PumpPercent(870), 80);
    EXPECT_EQ(PumpPercent(871), 100);
    EXPECT_EQ(PumpPercent(1000), 100);
}

TEST(AppEditors, DeletingTheTotalYieldStoresTheYieldAndTheHistory) {
    PanelDriver panel;
    panel.Show(6);
    panel.TapSlot(2);
    ASSERT_EQ(panel.Page(), 8);
    panel.TapSlot(0);  // cancel keeps it
    EXPECT_EQ(panel.Page(), 6);
    EXPECT_EQ(+Settings.totalYield, 57280u);
    panel.TapSlot(2);
    panel.TapSlot(3);
    EXPECT_EQ(panel.Page(), 9);
    EXPECT_EQ(+Settings.totalYield, 0u);
    EXPECT_EQ(+YieldHistoryBlock.index, 4711);
    EXPECT_EQ(YieldHistoryBlock.count, 0);
    const std::vector<Write> writes = QueuedWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].offset, kSettingsBlockOffset + 50);
    EXPECT_EQ(writes[0].length, 4u);
    EXPECT_EQ(writes[1].offset, kYieldHistoryOffset);
    EXPECT_EQ(writes[1].length, 31u);
    panel.Ticks(500);
    EXPECT_EQ(panel.Page(), 6);
}

TEST(AppEditors, TimeAndDateEditsShowTheEditCopy) {
    PanelDriver panel;
    panel.Show(13);
    panel.TapSlot(3);
    EXPECT_EQ(AppState.editActive, 1);
    EXPECT_EQ(ClockEdit.hour, 10);
    EXPECT_EQ(ClockEdit.minute, 30);
    panel.TapSlot(2);  // the adjust hook leaves the copy alone
    EXPECT_EQ(ClockEdit.minute, 30);
    panel.TapSlot(3);
    EXPECT_EQ(AppState.editActive, 0);
    EXPECT_EQ(AppState.barButtons[3], Button::kEdit);
    panel.TapSlot(2);
    EXPECT_EQ(panel.Page(), 14);
    panel.TapSlot(3);
    EXPECT_EQ(ClockEdit.day, 14);
    EXPECT_EQ(ClockEdit.month, 3);
    EXPECT_EQ(+ClockEdit.year, 2026);
    panel.TapSlot(0);
    EXPECT_EQ(AppState.editActive, 0);
}

}  // namespace
