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
            GoToPage(Page::kFaultHistory);
        } else {
            GoToPage(AppState.wizardMode != 0 ? Page::kSupplementaryList : Page::kSupplementary);
        }
    } else {
        AppState.accessLevel = 0;
        GoToPage(Page::kWrongAccessCode);
    }
}

void ConfirmMaxTank() {
    EndEdit();
    Settings.maxTankTemp = AppState.editValue;
    StoreSettingsField(SETTINGS_FIELD(maxTankTemp));
    if (AppState.wizardMode != 0) GoToNextSetupStep(Page::kMaxTank);
}

void ConfirmMaxTank2() {
    EndEdit();
    Settings.maxTank2Temp = AppState.editValue;
    StoreSettingsField(SETTINGS_FIELD(maxTank2Temp));
    if (AppState.wizardMode != 0) GoToNextSetupStep(Page::kMaxTank2);
}

void ConfirmWarmWater() {
    EndEdit();
    Settings.warmWaterSetValue = AppState.editValue;
    StoreSettingsField(SETTINGS_FIELD(warmWaterSetValue));
}

// The clock keeps counting while its edit copy changes; confirming takes the
// edited fields and restarts the minute.
void ConfirmTime() {
    EndEdit();
    PanelClock.second = 0;
    PanelClock.minute = ClockEdit.minute;
    PanelClock.hour = ClockEdit.hour;
    ClockWriteHook();
}

void ConfirmDate() {
    EndEdit();
    PanelClock.day = ClockEdit.day;
    PanelClock.month = ClockEdit.month;
    PanelClock.year = ClockEdit.year;
    ClockWriteHook();
}

void ConfirmSupplementary() {
    Settings.supplementaryFunction = AppState.selectedRow;
    StoreSettingsField(SETTINGS_FIELD(supplementaryFunction));
    if (AppState.wizardMode != 0) {
        GoToNextSetupStep(Page::kSupplementaryList);
    } else {
        GoToPage(Page::kSupplementary);
    }
}

void StartCommissioning() {
    if (ControllerLink.commissioningPossible != 0) {
        ControllerLink.commissioningRunning = 1;
        GoToPage(Page::kCommissioningRun);
    } else {
        GoToPage(Page::kCommissioningNotPossible);
    }
}

}  // namespace

void OnEdit() {
    switch (AppState.currentPage) {
        case Page::kWarmWater: StartEdit(Settings.warmWaterSetValue); break;
        case Page::kLoadStrategy: GoToPage(Page::kLoadStrategyList); break;
        case Page::kTime:
        case Page::kDate:
            StartEdit(0);
            ClockEdit = PanelClock;
            break;
        case Page::kLanguage: GoToPage(Page::kLanguageList); break;
        case Page::kShortcut: GoToPage(Page::kShortcutList); break;
        case Page::kSupplementary: GoToPage(Page::kSupplementaryList); break;
        case Page::kMaxTank: StartEdit(Settings.maxTankTemp); break;
        case Page::kMaxTank2:
        case Page::kMaxSupply: StartEdit(Settings.maxTank2Temp); break;
        case Page::kOperatingMode: GoToPage(Page::kOperatingModeList); break;
        case Page::kSolarPump: StartEdit(0); break;
        case Page::kZoneValve: GoToPage(Page::kZoneValveList); break;
        case Page::kSwitchingValve: GoToPage(Page::kSwitchingValveList); break;
        case Page::kAlarmTransducer: GoToPage(Page::kAlarmTransducerList); break;
        default: break;
    }
    AppState.justBuilt = 1;
}

void OnPlusMinus(u8 up) {
    const u8 page = AppState.currentPage;
    // The access code is entered without an edit; the other values change
    // only while their edit is open.
    if (page == Page::kAccessCode) {
        if (up) {
            if (AppState.selectedRow < 99) AppState.selectedRow += 1;
        } else {
            if (AppState.selectedRow > 0) AppState.selectedRow -= 1;
        }
    } else if (AppState.editActive) {
        switch (page) {
            case Page::kWarmWater: StepValue(Limit::kWarmWater, up); break;
            case Page::kMaxTank: StepValue(Limit::kMaxTank, up); break;
            case Page::kMaxTank2:
            case Page::kMaxSupply: StepValue(Limit::kMaxTank2, up); break;
            case Page::kTime: TimeAdjustHook(up, &ClockEdit); break;
            case Page::kDate: DateAdjustHook(up, &ClockEdit); break;
            case Page::kSolarPump: StepPumpSpeed(up); break;
            default: break;
        }
    }
    AppState.justBuilt = 1;
}

void GoToNextSetupStep(u8 page) {
    switch (page) {
        case Page::kSupplementaryList:
            GoToPage(Page::kMaxTank);
            OnEdit();
            break;
        case Page::kMaxTank:
            if (Settings.supplementaryFunction == 0) {
                GoToPage(Page::kMeasurement);
            } else if (Settings.supplementaryFunction == 1) {
                GoToPage(Page::kMaxTank2);
                OnEdit();
            } else if (Settings.supplementaryFunction == 2) {
                GoToPage(Page::kMaxSupply);
                OnEdit();
            }
            break;
        case Page::kMaxTank2:
        case Page::kMaxSupply: GoToPage(Page::kMeasurement); break;
        default: break;
    }
}

void OnConfirm() {
    const u8 page = AppState.currentPage;
    const bool editing = AppState.editActive != 0;
    switch (page) {
        case Page::kDeleteYieldQuestion: GoToPage(Page::kYieldDeleted); break;
        case Page::kWarmWater:
            if (editing) ConfirmWarmWater();
            break;
        case Page::kLoadStrategyList:
            Settings.loadStrategy = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(loadStrategy));
            GoToPage(Page::kLoadStrategy);
            break;
        case Page::kTime:
            if (editing) ConfirmTime();
            break;
        case Page::kDate:
            if (editing) ConfirmDate();
            break;
        case Page::kLanguageList:
            Settings.language = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(language));
            GoToPage(Page::kLanguage);
            break;
        case Page::kShortcutList:
            Settings.shortcutFunction = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(shortcutFunction));
            GoToPage(Page::kShortcut);
            break;
        case Page::kAccessCode: CheckAccessCode(); break;
        case Page::kSupplementaryList: ConfirmSupplementary(); break;
        case Page::kMaxTank:
            if (editing) ConfirmMaxTank();
            break;
        case Page::kMaxTank2:
        case Page::kMaxSupply:
            if (editing) ConfirmMaxTank2();
            break;
        case Page::kOperatingModeList:
            Settings.operatingMode = AppState.selectedRow;
            StoreSettingsField(SETTINGS_FIELD(operatingMode));
            GoToPage(Page::kOperatingMode);
            break;
        case Page::kSolarPump: EndEdit(); break;
        case Page::kZoneValveList:
            ControllerLink.zoneValveOn = OnOffRow(AppState.selectedRow);
            GoToPage(Page::kZoneValve);
            break;
        case Page::kSwitchingValveList:
            ControllerLink.switchingValveOn = OnOffRow(AppState.selectedRow);
            GoToPage(Page::kSwitchingValve);
            break;
        case Page::kAlarmTransducerList:
            ControllerLink.acousticAlarm = OnOffRow(AppState.selectedRow);
            GoToPage(Page::kAlarmTransducer);
            break;
        case Page::kCommissioningQuestion: StartCommissioning(); break;
        case Page::kCommissioningRun:
            GoToPage(AppState.wizardMode == 1 ? Page::kCommissioningEntry : Page::kStart);
            AppState.wizardMode = 0;
            break;
        default: break;
    }
    AppState.justBuilt = 1;
}
