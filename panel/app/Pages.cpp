// Page changes: the current page, its redraw and what entering a page sets
// up. Navigation and the setting editors both change pages through here; this
// file calls neither of them.
#include "panel/app/AppState.h"
#include "panel/app/PageTable.h"
#include "panel/settings/Settings.h"

namespace {

// The row a list page preselects for a setting; a value beyond the list
// selects the first row instead of a row that does not exist.
void PreselectRow(u8 page, u8 row) {
    AppState.selectedRow = row < ListRowCount(page) ? row : 0;
    AppState.shownRow = static_cast<u8>(AppState.selectedRow + 1);
}

}  // namespace

bool IsListPage(u8 page) { return (PageViewAt(page).flags & PageFlag::kList) != 0; }

// Without a second tank the load-strategy list offers only its first two rows.
u8 ListRowCount(u8 page) {
    if (page == Page::kLoadStrategyList && Settings.supplementaryFunction != 1) return 2;
    return static_cast<u8>(PageViewAt(page).rows.size());
}

void GoToPage(u8 page) {
    // A target beyond the table (say a dialog's unset return page) shows the
    // start page rather than an empty frame.
    AppState.currentPage = page < kPageCount ? page : 0;
    AppState.redrawPending = 1;
    AppState.faultLampShown = 255;
    AppState.selectedRow = 0;
    AppState.editActive = 0;
    EnterPage();
}

void EnterPage() {
    const u8 page = AppState.currentPage;
    switch (page) {
        case Page::kMenu: AppState.selectedRow = AppState.menuReturnRow < 5 ? AppState.menuReturnRow : 0; break;
        case Page::kYieldDeleted:
            Settings.totalYield = 0;
            StoreSettingsField(SETTINGS_FIELD(totalYield));
            YieldHistoryBlock.index = 4711;
            YieldHistoryBlock.count = 0;
            StoreYieldHistory();
            AppState.messageTimer = 500;
            break;
        case Page::kLoadStrategyList: PreselectRow(page, Settings.loadStrategy); break;
        case Page::kLanguageList:
            PreselectRow(page, Settings.language);
            if (AppState.selectedRow > 5) AppState.listScroll = 1;
            break;
        case Page::kShortcutList: PreselectRow(page, Settings.shortcutFunction); break;
        case Page::kWrongAccessCode: AppState.messageTimer = 1000; break;
        case Page::kSupplementaryList: PreselectRow(page, Settings.supplementaryFunction); break;
        case Page::kOperatingModeList: PreselectRow(page, Settings.operatingMode); break;
        case Page::kZoneValve: AppState.shownValue = static_cast<u8>(ControllerLink.zoneValveOn + 1); break;
        case Page::kZoneValveList: PreselectRow(page, OnOffRow(ControllerLink.zoneValveOn)); break;
        case Page::kSwitchingValve: AppState.shownValue = static_cast<u8>(ControllerLink.switchingValveOn + 1); break;
        case Page::kSwitchingValveList: PreselectRow(page, OnOffRow(ControllerLink.switchingValveOn)); break;
        case Page::kAlarmTransducerList: PreselectRow(page, OnOffRow(ControllerLink.acousticAlarm)); break;
        case Page::kCommissioningNotPossible: AppState.messageTimer = 1000; break;
        case Page::kCurrentFault:
            AppState.shownValue = static_cast<u8>(Settings.faultCode + 1);
            AppState.historyIndex = 0;
            break;
        default: break;
    }
}
