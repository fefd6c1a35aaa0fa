// Page changes: the current page, its redraw and what entering a page sets
// up. Navigation and the setting editors both change pages through here; this
// file calls neither of them.
#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"

namespace {

// The row a list page preselects for a setting; a value beyond the list
// selects the first row instead of a row that does not exist.
void PreselectRow(u8 page, u8 row) {
    AppState.selectedRow = row < ListRowCount(page) ? row : 0;
    AppState.shownRow = static_cast<u8>(AppState.selectedRow + 1);
}

u8 OnOffRow(u8 output) { return static_cast<u8>(1 - output); }

}  // namespace

bool IsListPage(u8 page) {
    switch (page) {
        case 12:
        case 16:
        case 18:
        case 22:
        case 28:
        case 33:
        case 35:
        case 37: return true;
        default: return false;
    }
}

u8 ListRowCount(u8 page) {
    switch (page) {
        case 12: return Settings.supplementaryFunction == 1 ? 4 : 2;
        case 16: return 7;
        case 18:
        case 22: return 3;
        case 28: return 4;
        case 33:
        case 35:
        case 37: return 2;
        default: return 0;
    }
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
        case 1: AppState.selectedRow = AppState.menuReturnRow < 5 ? AppState.menuReturnRow : 0; break;
        case 9:
            Settings.totalYield = 0;
            StoreSettingsField(SETTINGS_FIELD(totalYield));
            YieldHistoryBlock.index = 4711;
            YieldHistoryBlock.count = 0;
            StoreYieldHistory();
            AppState.messageTimer = 500;
            break;
        case 12: PreselectRow(page, Settings.loadStrategy); break;
        case 16:
            PreselectRow(page, Settings.language);
            if (AppState.selectedRow > 5) AppState.listScroll = 1;
            break;
        case 18: PreselectRow(page, Settings.shortcutFunction); break;
        case 20: AppState.messageTimer = 1000; break;
        case 22: PreselectRow(page, Settings.supplementaryFunction); break;
        case 28: PreselectRow(page, Settings.operatingMode); break;
        case 32: AppState.shownValue = static_cast<u8>(ControllerLink.zoneValveOn + 1); break;
        case 33: PreselectRow(page, OnOffRow(ControllerLink.zoneValveOn)); break;
        case 34: AppState.shownValue = static_cast<u8>(ControllerLink.switchingValveOn + 1); break;
        case 35: PreselectRow(page, OnOffRow(ControllerLink.switchingValveOn)); break;
        case 37: PreselectRow(page, OnOffRow(ControllerLink.acousticAlarm)); break;
        case 42: AppState.messageTimer = 1000; break;
        case 43:
            AppState.shownValue = static_cast<u8>(Settings.faultCode + 1);
            AppState.historyIndex = 0;
            break;
        default: break;
    }
}
