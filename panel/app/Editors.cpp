#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/Plant.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"

constexpr EditLimit EditLimits[kEditLimitCount] = {
    {10, 100, 750, 500},  // warm water set value
    {10, 300, 900, 800},  // maximum tank temperature
    {10, 300, 900, 800},  // maximum temperature of tank 2 / maximum supply temperature
};

PanelClockRecord ClockEdit;

namespace {

constexpr u16 kPumpStandstill = 10;
constexpr u16 kPumpLowest = 71;
constexpr u16 kPumpHighestStep = 870;
constexpr u16 kPumpFull = 1000;
constexpr u8 kPumpStep = 10;

// The edit bar is drawn by the page build when the page was just entered.
void RedrawBar() {
    if (!AppState.redrawPending) DrawBottomBar();
}

void StartEdit(u16 value) {
    AppState.editActive = 1;
    RedrawBar();
    AppState.editValue = value;
}

void EndEdit() {
    AppState.editActive = 0;
    RedrawBar();
}

void StepValue(u8 limit, u8 up) {
    const EditLimit& l = EditLimits[limit < kEditLimitCount ? limit : 0];
    const i32 value = AppState.editValue;
    if (up) {
        if (value < l.maximum) AppState.editValue = static_cast<u16>(value + l.step);
    } else {
        if (value > l.minimum) AppState.editValue = static_cast<u16>(value - l.step);
    }
}

void StepPumpSpeed(u8 up) {
    u16& s = Plant.pumpSpeed;
    if (up) {
        if (Plant.pumpSpeedLock != 0) return;
        if (s < kPumpLowest) {
            s = kPumpLowest;
        } else if (s < kPumpHighestStep) {
            s = static_cast<u16>(s + kPumpStep);
        } else {
            s = kPumpFull;
        }
    } else {
        if (s > kPumpHighestStep) {
            s = kPumpHighestStep;
        } else if (s > kPumpLowest) {
            s = static_cast<u16>(s - kPumpStep);
        } else {
            s = kPumpStandstill;
        }
    }
}

void CheckAccessCode() {
    const u8 code = AppState.selectedRow;
    if (code == AccessCodeA || code == AccessCodeB) {
        AppState.accessLevel = code;
        if (AppState.historyAfterCode == 1) {
            GoToPage(44);
        } else {
            GoToPage(AppState.wizardMode != 0 ? 22 : 21);
        }
    } else {
        AppState.accessLevel = 0;
        GoToPage(20);
    }
}

void ConfirmMaxTank() {
    EndEdit();
    Settings.maxTankTemp = AppState.editValue;
    StoreSettingsField(SETTINGS_FIELD(maxTankTemp));
    if (AppState.wizardMode == 0) return;
    switch (Settings.supplementaryFunction) {
        case 0: GoToPage(2); break;
        case 1:
            GoToPage(24);
            OnEdit();
            break;
        case 2:
            GoToPage(25);
            OnEdit();
            break;
        default: break;
    }
}

}  // namespace

void OnEdit() {
    switch (AppState.currentPage) {
        case 10: StartEdit(Settings.warmWaterSetValue); break;
        case 11: GoToPage(12); break;
        case 13:
        case 14:
            StartEdit(0);
            ClockEdit = PanelClock;
            break;
        case 15: GoToPage(16); break;
        case 17: GoToPage(18); break;
        case 21: GoToPage(22); break;
        case 23: StartEdit(Settings.maxTankTemp); break;
        case 24:
        case 25: StartEdit(Settings.maxTank2Temp); break;
        case 27: GoToPage(28); break;
        case 31: StartEdit(0); break;
        case 32: GoToPage(33); break;
        case 34: GoToPage(35); break;
        case 36: GoToPage(37); break;
        default: break;
    }
    AppState.justBuilt = 1;
}

void OnPlusMinus(u8 up) {
    const u8 page = AppState.currentPage;
    // The access code is entered without an edit; the other values change
    // only while their edit is open.
    if (page == 19) {
        if (up) {
            if (AppState.selectedRow < 99) AppState.selectedRow += 1;
        } else {
            if (AppState.selectedRow > 0) AppState.selectedRow -= 1;
        }
    } else if (AppState.editActive) {
        switch (page) {
            case 10: StepValue(Limit::kWarmWater, up); break;
            case 23: StepValue(Limit::kMaxTank, up); break;
            case 24:
            case 25: StepValue(Limit::kMaxTank2, up); break;
            case 13: TimeAdjustHook(up, &ClockEdit); break;
            case 14: DateAdjustHook(up, &ClockEdit); break;
            case 31: StepPumpSpeed(up); break;
            default: break;
        }
    }
    AppState.justBuilt = 1;
}

void OnConfirm() {
    const u8 page = AppState.currentPage;
    const bool wizard = AppState.wizardMode != 0;
    switch (page) {
        case 8: GoToPage(9); break;
        case 10:
            if (!AppState.editActive) break;
            EndEdit();
            Settings.warmWaterSetValue = AppState.editValue;
            StoreSettingsField(SETTINGS_FIELD(warmWaterSetValue));
            break;
        case 12:
            Settings.loadStrategy = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(loadStrategy));
            GoToPage(11);
            break;
        case 13:
            if (!AppState.editActive) break;
            EndEdit();
            PanelClock.second = 0;
            PanelClock.minute = ClockEdit.minute;
            PanelClock.hour = ClockEdit.hour;
            ClockWriteHook();
            break;
        case 14:
            if (!AppState.editActive) break;
            EndEdit();
            PanelClock.day = ClockEdit.day;
            PanelClock.month = ClockEdit.month;
            PanelClock.year = ClockEdit.year;
            ClockWriteHook();
            break;
        case 16:
            Settings.language = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(language));
            GoToPage(15);
            break;
        case 18:
            Settings.shortcutFunction = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(shortcutFunction));
            GoToPage(17);
            break;
        case 19: CheckAccessCode(); break;
        case 22:
            Settings.supplementaryFunction = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(supplementaryFunction));
            if (wizard) {
                GoToPage(23);
                OnEdit();
            } else {
                GoToPage(21);
            }
            break;
        case 23:
            if (AppState.editActive) ConfirmMaxTank();
            break;
        case 24:
        case 25:
            if (!AppState.editActive) break;
            EndEdit();
            Settings.maxTank2Temp = AppState.editValue;
            StoreSettingsField(SETTINGS_FIELD(maxTank2Temp));
            if (wizard) GoToPage(2);
            break;
        case 28:
            Settings.operatingMode = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(operatingMode));
            GoToPage(27);
            break;
        case 31: EndEdit(); break;
        case 33:
            ControllerLink.zoneValveOn = static_cast<u8>(1 - AppState.selectedRow);
            GoToPage(32);
            break;
        case 35:
            ControllerLink.switchingValveOn = static_cast<u8>(1 - AppState.selectedRow);
            GoToPage(34);
            break;
        case 37:
            ControllerLink.acousticAlarm = static_cast<u8>(1 - AppState.selectedRow);
            GoToPage(36);
            break;
        case 40:
            if (ControllerLink.commissioningPossible != 0) {
                ControllerLink.commissioningRunning = 1;
                GoToPage(41);
            } else {
                GoToPage(42);
            }
            break;
        case 41:
            GoToPage(AppState.wizardMode == 1 ? 38 : 0);
            AppState.wizardMode = 0;
            break;
        default: break;
    }
    AppState.justBuilt = 1;
}
