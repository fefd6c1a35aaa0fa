// Settings and plant values far outside their ranges must never make a page
// read or draw outside a table; the sanitizer build runs these walks too.
#include <gtest/gtest.h>

#include "panel/app/AppState.h"
#include "panel/app/PageTable.h"
#include "panel/app/Plant.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

namespace {

void WalkAllPages(PanelDriver& panel) {
    for (u8 page = 0; page < kPageCount; ++page) {
        panel.Show(page);
        EXPECT_EQ(panel.Page(), page);
        // Every bar button is a real button or empty.
        for (u8 slot : AppState.barButtons) EXPECT_TRUE(slot < kButtonCount || slot == Button::kNone);
        // Touch the value line, the rows and the scroll strip of every page.
        for (int y = 50; y < 200; y += 28) {
            panel.Tap(150, y);
            panel.Tap(300, y);
            panel.Ticks(20);
        }
    }
}

TEST(AppOutOfRange, EverySettingBeyondItsTable) {
    PanelDriver panel;
    Settings.language = 200;
    Settings.operatingMode = 9;
    Settings.supplementaryFunction = 7;
    Settings.loadStrategy = 250;
    Settings.shortcutFunction = 3;
    Settings.faultCode = 255;
    Settings.commissioningDay = 255;
    Settings.commissioningMonth = 255;
    Settings.commissioningYear = 255;
    Settings.warmWaterSetValue = 65535;
    Settings.maxTankTemp = 0;
    for (char& c : Settings.serialNumber) c = 'X';  // no terminator in the field
    VersionNumber = 65535;
    ControllerLink.zoneValveOn = 7;
    ControllerLink.switchingValveOn = 200;
    ControllerLink.acousticAlarm = 3;
    Plant.pumpSpeed = 65535;
    Plant.controllerStatus = 200;
    AppState.historyIndex = 255;
    AppState.menuReturnRow = 9;
    WalkAllPages(panel);
}

TEST(AppOutOfRange, ListsAndTheFaultHistoryStayInsideTheirRows) {
    PanelDriver panel;
    Settings.language = 9;
    panel.Show(Page::kLanguageList);
    EXPECT_EQ(AppState.selectedRow, 0);
    EXPECT_EQ(AppState.listScroll, 0);
    ControllerLink.zoneValveOn = 5;
    panel.Show(Page::kZoneValveList);
    EXPECT_EQ(AppState.selectedRow, 0);
    // A touch under the last row selects nothing beyond it.
    panel.Tap(100, ListRowY(3) - 14);
    EXPECT_LE(AppState.selectedRow, AppState.maxRow);

    AppState.accessLevel = AccessCodeB;
    panel.Show(Page::kFaultHistory);
    AppState.historyIndex = 200;
    panel.TapSlot(3);  // delete touches no entry beyond the history
    EXPECT_EQ(AppState.historyIndex, 199);
    EXPECT_EQ(FaultHistory[0].type, 0);
    EXPECT_EQ(FaultHistory[1].type, 0);
}

TEST(AppOutOfRange, UnknownPagesFallBack) {
    PanelDriver panel;
    AppState.dialogReturnPage = 99;
    panel.Show(Page::kConfirmDialog);
    GoToPage(AppState.dialogReturnPage);
    EXPECT_EQ(panel.Page(), Page::kStart);
    EXPECT_EQ(PageAt(kPageCount).titleText, 65535);
    EXPECT_EQ(PageAt(255).bar[0], Button::kNone);
}

}  // namespace
