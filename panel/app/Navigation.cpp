// The touch dispatcher and navigation: acts on the touched button or point of
// the current page. It calls the setting editors (which never call back here)
// and changes pages through Pages.cpp.
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"

namespace {

// Pages whose value line acts like the edit button when touched.
bool IsValuePage(u8 page) {
    switch (page) {
        case 10:
        case 11:
        case 13:
        case 14:
        case 15:
        case 17:
        case 21:
        case 23:
        case 24:
        case 25:
        case 27:
        case 31:
        case 32:
        case 34:
        case 36: return true;
        default: return false;
    }
}

bool ExtraSensorsOffered() { return ControllerLink.extraSensorWord != 0 || Settings.extraSensorSetting != 0; }

void RedrawScrolledList() {
    ClearContent();
    AppState.shownRow = static_cast<u8>(AppState.selectedRow + 1);
    DrawListFrame(static_cast<u8>(AppState.maxRow + 1));
}

void DeleteOnPage(u8 page) {
    if (page == 6) {
        GoToPage(8);
    } else if (page == 43) {
        Settings.faultCode = 0;
        StoreSettingsField(SETTINGS_FIELD(faultCode));
    } else if (page == 44) {
        if (AppState.historyIndex < kFaultHistoryEntries) {
            FaultHistory[AppState.historyIndex].type = kFaultEntryEmpty;
            StoreFaultHistory();
        }
        if (AppState.historyIndex > 0) {
            AppState.historyIndex -= 1;
            GoToPage(44);
        } else {
            GoToPage(43);
        }
    }
}

void ActOnButton(u8 id) {
    const u8 page = AppState.currentPage;
    const PageDescriptor& d = PageAt(page);
    switch (id) {
        case Button::kHome:
            AppState.wizardMode = 0;
            if (page == 41) {
                ControllerLink.commissioningRunning = 0;
                ControllerLink.commissioningAborted = 1;
            }
            if (page != 0) GoToPage(0);
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
        case Button::kFaults: GoToPage(43); break;
        case Button::kChart:
            if (page == 6) GoToPage(7);
            if (page == 2) GoToPage(5);
            break;
        case Button::kEdit: OnEdit(); break;
        case Button::kLanguageShortcut:
            AppState.menuReturnRow = 2;
            GoToPage(16);
            break;
        case Button::kMenu:
            AppState.menuReturnRow = 0;
            GoToPage(1);
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
            GoToPage(2);
            break;
        case Button::kYieldsShortcut:
            AppState.menuReturnRow = 1;
            GoToPage(6);
            break;
        case Button::kGuidedSetup:
            AppState.wizardMode = 2;
            GoToPage(AppState.accessLevel != 0 ? 22 : 19);
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

    if (298 < x && x < 318 && 7 < y && y < 27 && AppState.faultLampShown != 0 && page != 43) {
        GoToPage(43);
        KeyClick();
        return;
    }
    if (page > 38) return;

    if (page == 1) {
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
    } else if (page == 26 || page == 38) {
        if (35 < y && y < 63) {
            KeyClick();
            OnSelect();
            AppState.holdTicks = kHoldTicks;
        }
    } else if (IsValuePage(page)) {
        if (110 < y && y < 138 && AppState.barButtons[3] == Button::kEdit) {
            KeyClick();
            AppState.holdTicks = kHoldTicks;
            OnEdit();
        }
    }
}

void OnBack() {
    switch (AppState.currentPage) {
        case 1: GoToPage(0); break;
        case 19:
            if (AppState.wizardMode == 1) {
                AppState.wizardMode = 0;
                GoToPage(38);
            } else if (AppState.wizardMode == 2) {
                AppState.wizardMode = 0;
                GoToPage(0);
            } else {
                GoToPage(1);
            }
            break;
        default: break;
    }
}

void OnCancel() {
    const u8 page = AppState.currentPage;
    const bool wizard = AppState.wizardMode != 0;
    switch (page) {
        case 22:
            if (wizard) {
                GoToPage(23);
                OnEdit();
            } else {
                GoToPage(21);
            }
            break;
        case 23:
            if (!wizard) {
                GoToPage(23);
            } else if (Settings.supplementaryFunction == 1) {
                GoToPage(24);
                OnEdit();
            } else if (Settings.supplementaryFunction == 2) {
                GoToPage(25);
                OnEdit();
            } else if (Settings.supplementaryFunction == 0) {
                GoToPage(2);
            }
            break;
        case 24:
        case 25: GoToPage(wizard ? 2 : page); break;
        case 40:
            GoToPage(AppState.wizardMode == 2 ? 0 : 38);
            AppState.wizardMode = 0;
            break;
        default: break;
    }
}

void OnPrevNext(u8 up) {
    const u8 page = AppState.currentPage;
    if (page == 1 || IsListPage(page)) {
        if (up) {
            if (AppState.selectedRow > 0) AppState.selectedRow -= 1;
            // The menu shares the row fields but never scrolls; a scroll
            // left over from the language list must not redraw it as a list.
            if (page != 1 && AppState.selectedRow < AppState.listScroll) {
                AppState.listScroll -= 1;
                RedrawScrolledList();
            }
        } else {
            if (AppState.selectedRow < AppState.maxRow) AppState.selectedRow += 1;
            if (page != 1 && AppState.selectedRow > AppState.listScroll + 5) {
                AppState.listScroll += 1;
                RedrawScrolledList();
            }
        }
        return;
    }
    const u8 supplementary = Settings.supplementaryFunction;
    switch (page) {
        case 3:
            if (!up) GoToPage(ExtraSensorsOffered() ? 4 : 40);
            break;
        case 4:
            if (!up) GoToPage(40);
            break;
        case 10:
            if (!up) GoToPage(supplementary == 0 ? 13 : 11);
            break;
        case 13:
            if (up) GoToPage(supplementary == 0 ? 10 : 11);
            break;
        case 21:
            if (!up) GoToPage(23);
            break;
        case 23:
            if (up) {
                GoToPage(21);
            } else if (supplementary == 1) {
                GoToPage(24);
            } else if (supplementary == 2) {
                GoToPage(25);
            }
            break;
        case 32:
            if (!up) GoToPage(supplementary == 0 ? 36 : 34);
            break;
        case 36:
            if (up) GoToPage(supplementary == 0 ? 32 : 34);
            break;
        case 43:
            if (!up) {
                if (AppState.accessLevel != 0) {
                    GoToPage(44);
                } else {
                    AppState.historyAfterCode = 1;
                    GoToPage(19);
                }
            }
            break;
        case 44:
            if (!up) {
                if (AppState.historyIndex < 255) AppState.historyIndex += 1;
                GoToPage(44);
            } else if (AppState.historyIndex > 0) {
                AppState.historyIndex -= 1;
                GoToPage(44);
            } else {
                GoToPage(43);
            }
            break;
        default: break;
    }
}

void OnSelect() {
    switch (AppState.currentPage) {
        case 1:
            AppState.menuReturnRow = AppState.selectedRow;
            switch (AppState.selectedRow) {
                case 0: GoToPage(2); break;
                case 1: GoToPage(6); break;
                case 2: GoToPage(10); break;
                case 3:
                    if (AppState.accessLevel != 0) {
                        GoToPage(21);
                    } else {
                        AppState.historyAfterCode = 0;
                        GoToPage(19);
                    }
                    break;
                case 4: GoToPage(26); break;
                default: break;
            }
            break;
        case 26: GoToPage(43); break;
        case 38:
            AppState.wizardMode = 1;
            GoToPage(AppState.accessLevel != 0 ? 22 : 19);
            break;
        default: break;
    }
}
