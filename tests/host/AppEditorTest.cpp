#include <gtest/gtest.h>

#include <utility>

#include "panel/app/AppState.h"
#include "panel/app/Editors.h"
#include "panel/app/Plant.h"
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

TEST(AppEditors, SetValuesStopAtTheirLimitsAndStoreOnlyOnConfirm) {
    const struct {
        u8 page;
        u16 (*stored)();  // a packed field: read, never bound
        u32 offset;
        u16 start, lower, upper;
    } editors[] = {{Page::kWarmWater, []() -> u16 { return Settings.warmWaterSetValue; }, 7, 500, 100, 750},
                   {Page::kMaxTank, []() -> u16 { return Settings.maxTankTemp; }, 9, 800, 300, 900},
                   {Page::kMaxTank2, []() -> u16 { return Settings.maxTank2Temp; }, 11, 800, 300, 900}};
    for (const auto& e : editors) {
        SCOPED_TRACE(::testing::Message() << "page " << int(e.page));
        PanelDriver panel;
        Settings.supplementaryFunction = 1;  // a second tank
        panel.Show(e.page);
        panel.TapSlot(3);  // edit
        ASSERT_EQ(AppState.editActive, 1);
        EXPECT_EQ(AppState.editValue, e.start);
        EXPECT_EQ(panel.Buttons(), (Bar{Button::kCancel, Button::kMinus, Button::kPlus, Button::kConfirm}));
        panel.Hold(2, 800);
        EXPECT_EQ(AppState.editValue, e.upper);
        panel.Hold(1, 800);
        EXPECT_EQ(AppState.editValue, e.lower);
        panel.Walk({{0, e.page}});  // cancel re-enters the page
        EXPECT_EQ(AppState.editActive, 0);
        EXPECT_EQ(e.stored(), e.start);
        EXPECT_TRUE(QueuedWrites().empty());

        panel.Tap(150, 125);  // the value line opens the edit too
        panel.TapSlot(2, 2);
        panel.TapSlot(3);
        EXPECT_EQ(AppState.editActive, 0);
        EXPECT_EQ(panel.Buttons()[3], Button::kEdit);
        EXPECT_EQ(e.stored(), e.start + 20);
        EXPECT_EQ(QueuedWrites(), (Writes{{kSettingsBlockOffset + e.offset, 2}}));
        for (const StoreWrite& w : StoreWriteQueue) {
            if (w.length != 0) {
                EXPECT_EQ(w.source, reinterpret_cast<const u8*>(&Settings) + e.offset);
            }
        }
    }
}

TEST(AppEditors, PlusAndMinusRepeatFasterWhileHeld) {
    PanelDriver panel;
    panel.Show(Page::kWarmWater);
    panel.TapSlot(3);
    AppState.editValue = 100;
    // The first step comes on the tick after the touch stage saw the press;
    // the gaps shrink from 26 ticks to 6. A second hold starts slow again.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(panel.ChangesWhileHeld(2, 94, [] { return AppState.editValue; }),
                  (std::vector<int>{2, 28, 49, 65, 76, 82, 88, 94}))
            << "hold " << round;
    }
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
    panel.Walk({{3, Page::kLoadStrategyList}, {2, Page::kLoadStrategyList}, {0, Page::kLoadStrategy}});
    EXPECT_EQ(Settings.loadStrategy, 0);  // cancel: nothing stored
    panel.TapSlot(3);
    panel.TapSlot(2, 4);  // stops on the last row
    EXPECT_EQ(AppState.maxRow, 3);
    panel.Walk({{3, Page::kLoadStrategy}});
    EXPECT_EQ(Settings.loadStrategy, 3);

    const struct {
        u8 page, list, row;
        u8& setting;
    } lists[] = {{Page::kOperatingMode, Page::kOperatingModeList, 2, Settings.operatingMode},
                 {Page::kShortcut, Page::kShortcutList, 1, Settings.shortcutFunction}};
    for (const auto& l : lists) {
        panel.Show(l.page);
        panel.Walk({{3, l.list}});
        panel.TapRow(l.row);
        panel.Walk({{3, l.page}});
        EXPECT_EQ(l.setting, l.row) << "page " << int(l.page);
    }
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
