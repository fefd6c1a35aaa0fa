// The touch dispatcher and navigation: acts on the touched button or point of
// the current page. It calls the setting editors (which never call back here)
// and changes pages through Pages.cpp.
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/PageTable.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"

namespace {

void RedrawScrolledList() {
    ClearContent();
    AppState.shownRow = static_cast<u8>(AppState.selectedRow + 1);
    DrawListFrame(static_cast<u8>(AppState.maxRow + 1));
}

void DeleteOnPage(u8 page) {
    if (page == Page::kSolarYields) {
        GoToPage(Page::kDeleteYieldQuestion);
    } else if (page == Page::kCurrentFault) {
        Settings.faultCode = 0;
        StoreSettingsField(SETTINGS_FIELD(faultCode));
    } else if (page == Page::kFaultHistory) {
        if (AppState.historyIndex < kFaultHistoryEntries) {
            FaultHistory[AppState.historyIndex].type = kFaultEntryEmpty;
            StoreFaultHistory();
        }
        if (AppState.historyIndex > 0) {
            AppState.historyIndex -= 1;
            GoToPage(Page::kFaultHistory);
        } else {
            GoToPage(Page::kCurrentFault);
        }
    }
}

void ActOnButton(u8 id) {
    const u8 page = AppState.currentPage;
    const PageDescriptor& d = PageAt(page);
    switch (id) {
        case Button::kHome:
            AppState.wizardMode = 0;
            if (page == Page::kCommissioningRun) {
                ControllerLink.commissioningRunning = 0;
                ControllerLink.commissioningAborted = 1;
            }
            if (page != Page::kStart) GoToPage(Page::kStart);
            break;
        case Button::kPrevious:
            if (d.prevPage != 0) {
                GoToPage(d.prevPage);
            } else {
                OnPrevNext(1);
            }
            break;
        case Button::kNext:
            if (d.nextPage != 0) {
                GoToPage(d.nextPage);
            } else {
                OnPrevNext(0);
            }
            break;
        case Button::kBack:
            if (d.backPage != 0) {
                GoToPage(d.backPage);
            } else {
                OnBack();
            }
            break;
        case Button::kSelect: OnSelect(); break;
        case Button::kDelete: DeleteOnPage(page); break;
        case Button::kFaults: GoToPage(Page::kCurrentFault); break;
        case Button::kChart:
            if (page == Page::kSolarYields) GoToPage(Page::kDailyYieldChart);
            if (page == Page::kMeasurement) GoToPage(Page::kCollectorChart);
            break;
        case Button::kEdit: OnEdit(); break;
        case Button::kLanguageShortcut:
            AppState.menuReturnRow = 2;
            GoToPage(Page::kLanguageList);
            break;
        case Button::kMenu:
            AppState.menuReturnRow = 0;
            GoToPage(Page::kMenu);
            break;
        case Button::kConfirm: OnConfirm(); break;
        case Button::kCancel:
            if (d.cancelPage != 0) {
                GoToPage(d.cancelPage);
            } else {
                OnCancel();
            }
            break;
        case Button::kPlus: OnPlusMinus(1); break;
        case Button::kMinus: OnPlusMinus(0); break;
        case Button::kMeasurementShortcut:
            AppState.menuReturnRow = 0;
            GoToPage(Page::kMeasurement);
            break;
        case Button::kYieldsShortcut:
            AppState.menuReturnRow = 1;
            GoToPage(Page::kSolarYields);
            break;
        case Button::kGuidedSetup:
            AppState.wizardMode = 2;
            GoToPage(AppState.accessLevel != 0 ? Page::kSupplementaryList : Page::kAccessCode);
            break;
        case Button::kYes:
        case Button::kNo: GoToPage(AppState.dialogReturnPage); break;
        default: break;
    }
}

void FreeTouchOnList(i16 x, i16 y) {
    if (!(35 < y && y < AppState.maxRow * 28 + 63 && y < 197)) return;
    // Only a list with more rows than the screen holds has a scroll strip; on
    // the others the strip's columns select a row like the rest of the line.
    if (x >= 290 && AppState.maxRow > 5) {
        AppState.listScroll = AppState.listScroll == 0 ? 1 : 0;
        KeyClick();
        AppState.holdTicks = kHoldTicks;
        RedrawScrolledList();
        return;
    }
    KeyClick();
    const u8 row = static_cast<u8>(((y - 35) % 256) / 28 + AppState.listScroll);
    if (row <= AppState.maxRow) AppState.selectedRow = row;
    AppState.holdTicks = kHoldTicks;
}

}  // namespace

void KeyClick() { SetSignalCountdown(kKeyClickTicks); }

void DispatchTouch() {
    u16 x = 0;
    u16 y = 0;
    GetTouchPoint(&x, &y);
    AppState.touchX = static_cast<i16>(x);
    AppState.touchY = static_cast<i16>(y);
    AppState.hitButton = GetHitButton();

    if (AppState.touchX == -1) {
        AppState.clickArmed = 1;
        AppState.lastButton = Button::kNone;
        AppState.holdTicks = 0;
        AppState.repeatInterval = kRepeatStart;
        return;
    }
    if (AppState.holdTicks != 0) {
        AppState.holdTicks -= 1;
        AppState.lastButton = Button::kNone;
        return;
    }
    if (AppState.hitButton == Button::kNone) {
        HandleFreeTouch();
        return;
    }
    if (AppState.hitButton == AppState.lastButton) return;

    AppState.lastButton = AppState.hitButton;
    if (AppState.clickArmed) {
        AppState.clickArmed = 0;
        KeyClick();
    }
    const u8 id = AppState.hitButton;
    ActOnButton(id);
    if (id == Button::kPlus || id == Button::kMinus) {
        if (AppState.repeatInterval > kRepeatStep) AppState.repeatInterval -= kRepeatStep;
        AppState.holdTicks = AppState.repeatInterval;
    } else {
        AppState.holdTicks = kHoldTicks;
    }
}

void HandleFreeTouch() {
    const i16 x = AppState.touchX;
    const i16 y = AppState.touchY;
    const u8 page = AppState.currentPage;

    if (298 < x && x < 318 && 7 < y && y < 27 && AppState.faultLampShown != 0 && page != Page::kCurrentFault) {
        GoToPage(Page::kCurrentFault);
        KeyClick();
        return;
    }
    if (page > Page::kCommissioningEntry) return;

    if (page == Page::kMenu) {
        if (35 < y && y < 197) {
            KeyClick();
            const u8 row = static_cast<u8>(((y - 35) % 256) * 5 / 172);
            if (row == AppState.selectedRow) {
                OnSelect();
            } else {
                AppState.selectedRow = row;
            }
            AppState.holdTicks = kHoldTicks;
        }
    } else if (IsListPage(page)) {
        FreeTouchOnList(x, y);
    } else if (PageViewAt(page).flags & PageFlag::kSelectLine) {
        if (35 < y && y < 63) {
            KeyClick();
            OnSelect();
            AppState.holdTicks = kHoldTicks;
        }
    } else if (PageViewAt(page).flags & PageFlag::kValueLine) {
        if (110 < y && y < 138 && AppState.barButtons[3] == Button::kEdit) {
            KeyClick();
            AppState.holdTicks = kHoldTicks;
            OnEdit();
        }
    }
}

void OnBack() {
    switch (AppState.currentPage) {
        case Page::kMenu: GoToPage(Page::kStart); break;
        case Page::kAccessCode:
            if (AppState.wizardMode == 1) {
                AppState.wizardMode = 0;
                GoToPage(Page::kCommissioningEntry);
            } else if (AppState.wizardMode == 2) {
                AppState.wizardMode = 0;
                GoToPage(Page::kStart);
            } else {
                GoToPage(Page::kMenu);
            }
            break;
        default: break;
    }
}

void OnCancel() {
    const u8 page = AppState.currentPage;
    const bool wizard = AppState.wizardMode != 0;
    switch (page) {
        case Page::kSupplementaryList:
            if (wizard) {
                GoToNextSetupStep(page);
            } else {
                GoToPage(Page::kSupplementary);
            }
            break;
        case Page::kMaxTank:
        case Page::kMaxTank2:
        case Page::kMaxSupply:
            // Outside the guided setup, cancel ends the edit by entering the page anew.
            if (wizard) {
                GoToNextSetupStep(page);
            } else {
                GoToPage(page);
            }
            break;
        case Page::kCommissioningQuestion:
            GoToPage(AppState.wizardMode == 2 ? Page::kStart : Page::kCommissioningEntry);
            AppState.wizardMode = 0;
            break;
        default: break;
    }
}

void OnPrevNext(u8 up) {
    const u8 page = AppState.currentPage;
    if (page == Page::kMenu || IsListPage(page)) {
        if (up) {
            if (AppState.selectedRow > 0) AppState.selectedRow -= 1;
            // The menu shares the row fields but never scrolls; a scroll
            // left over from the language list must not redraw it as a list.
            if (page != Page::kMenu && AppState.selectedRow < AppState.listScroll) {
                AppState.listScroll -= 1;
                RedrawScrolledList();
            }
        } else {
            if (AppState.selectedRow < AppState.maxRow) AppState.selectedRow += 1;
            if (page != Page::kMenu && AppState.selectedRow > AppState.listScroll + 5) {
                AppState.listScroll += 1;
                RedrawScrolledList();
            }
        }
        return;
    }
    const u8 supplementary = Settings.supplementaryFunction;
    switch (page) {
        case Page::kMeasurementFlow:
            if (!up) GoToPage(ExtraSensorsOffered() ? Page::kMeasurementExtra : Page::kCommissioningQuestion);
            break;
        case Page::kMeasurementExtra:
            if (!up) GoToPage(Page::kCommissioningQuestion);
            break;
        case Page::kWarmWater:
            if (!up) GoToPage(supplementary == 0 ? Page::kTime : Page::kLoadStrategy);
            break;
        case Page::kTime:
            if (up) GoToPage(supplementary == 0 ? Page::kWarmWater : Page::kLoadStrategy);
            break;
        case Page::kSupplementary:
            if (!up) GoToPage(Page::kMaxTank);
            break;
        case Page::kMaxTank:
            if (up) {
                GoToPage(Page::kSupplementary);
            } else if (supplementary == 1) {
                GoToPage(Page::kMaxTank2);
            } else if (supplementary == 2) {
                GoToPage(Page::kMaxSupply);
            }
            break;
        case Page::kZoneValve:
            if (!up) GoToPage(supplementary == 0 ? Page::kAlarmTransducer : Page::kSwitchingValve);
            break;
        case Page::kAlarmTransducer:
            if (up) GoToPage(supplementary == 0 ? Page::kZoneValve : Page::kSwitchingValve);
            break;
        case Page::kCurrentFault:
            if (!up) {
                if (AppState.accessLevel != 0) {
                    GoToPage(Page::kFaultHistory);
                } else {
                    AppState.historyAfterCode = 1;
                    GoToPage(Page::kAccessCode);
                }
            }
            break;
        case Page::kFaultHistory:
            if (!up) {
                if (AppState.historyIndex < 255) AppState.historyIndex += 1;
                GoToPage(Page::kFaultHistory);
            } else if (AppState.historyIndex > 0) {
                AppState.historyIndex -= 1;
                GoToPage(Page::kFaultHistory);
            } else {
                GoToPage(Page::kCurrentFault);
            }
            break;
        default: break;
    }
}

void OnSelect() {
    switch (AppState.currentPage) {
        case Page::kMenu:
            AppState.menuReturnRow = AppState.selectedRow;
            switch (AppState.selectedRow) {
                case 0: GoToPage(Page::kMeasurement); break;
                case 1: GoToPage(Page::kSolarYields); break;
                case 2: GoToPage(Page::kWarmWater); break;
                case 3:
                    if (AppState.accessLevel != 0) {
                        GoToPage(Page::kSupplementary);
                    } else {
                        AppState.historyAfterCode = 0;
                        GoToPage(Page::kAccessCode);
                    }
                    break;
                case 4: GoToPage(Page::kFaultsEntry); break;
                default: break;
            }
            break;
        case Page::kFaultsEntry: GoToPage(Page::kCurrentFault); break;
        case Page::kCommissioningEntry:
            AppState.wizardMode = 1;
            GoToPage(AppState.accessLevel != 0 ? Page::kSupplementaryList : Page::kAccessCode);
            break;
        default: break;
    }
}
