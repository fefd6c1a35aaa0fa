// The check pages. The operating mode is chosen on its list; the status and
// the runtimes are live values. The solar pump's speed is set by hand in the
// test mode, the zone valve too, the switching valve in the test and the
// manual mode; the outputs are switched on their on/off lists and live in
// memory only. Without a supplementary function the switching valve is
// left out of the walk.
#include "panel/app/pages/Checks.h"
#include "panel/StaticState.h"

#include <iterator>

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Editors.h"
#include "panel/app/Lists.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/Plant.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"

namespace {

constexpr u8 kModeTest = 2;
constexpr u8 kModeManual = 3;

// The solar pump's raw speeds: at a standstill, the lowest running speed
// (10 %), the highest speed reached in steps (80 %), and full speed.
constexpr u16 kPumpStandstill = 10;
constexpr u16 kPumpLowest = 71;
constexpr u16 kPumpHighestStep = 870;
constexpr u16 kPumpFull = 1000;
constexpr u8 kPumpStep = 10;

constexpr u8 kRuntimeRows = 2;

struct CheckState {
    u8 statusShown;
    u32 runtimeShown[kRuntimeRows];
    u16 pumpSpeedShown;
};

CheckState checks;

constexpr PageLabel kOperatingModeLabels[] = {{Txt::kOperatingMode, 10, 70}};
constexpr PageLabel kStatusLabels[] = {{Txt::kControllerStatus, 10, 70}};
constexpr PageLabel kRuntimeLabels[] = {
    {Txt::kPumpRuntime, 10, 70}, {Txt::kTotalStagnation, 10, 104}, {Txt::kSinceCommissioning, 10, 148}};
constexpr PageLabel kSolarPumpLabels[] = {{Txt::kSolarPump, 10, 70}};
constexpr PageLabel kZoneValveLabels[] = {{Txt::kZoneValve, 10, 70}};
constexpr PageLabel kSwitchingValveLabels[] = {{Txt::kSwitchingValve, 10, 70}};
constexpr PageLabel kTransducerLabels[] = {{Txt::kAlarmTransducerLine1, 10, 70}, {Txt::kAlarmTransducerLine2, 10, 104}};
constexpr PageLabel kVersionLabels[] = {{Txt::kVersion, 10, 70},
                                        {Txt::kSoftware, 10, 104},
                                        {Txt::kHardware, 10, 138},
                                        {Txt::kBasicSystem, 10, 172},
                                        {Txt::kSerialNumber, 10, 204}};

constexpr NumberField kRuntimeFields[kRuntimeRows] = {{&Format::kEightDigits, " h", 240, 46, kValueRight, 70},
                                                      {&Format::kFiveDigits, " h", 240, 70, kValueRight, 104}};

bool WithoutSupplementary() { return Settings.supplementaryFunction == 0; }

void RightAlignedValue(const char* text) { PrintRightAligned(text, kValueRight, kValueLine, FontSlot::kBody); }

Outcome EditOpens(ButtonId id, PageId list) { return id == Button::kEdit ? GoTo(list) : Default(); }

// An on/off list's confirm sets its output and returns to the output's page.
Outcome OnOffListButton(ButtonId id, u8& output, PageId valuePage) {
    if (id != Button::kConfirm) return Default();
    output = OnOffRow(AppState.selectedRow);
    return GoTo(valuePage);
}

// An output's page shows "on" or "off", drawn when the output changes.
void OnOffField(u8 on) {
    if (on == AppState.shownValue) return;
    AppState.shownValue = on;
    BeginValueDrawing();
    ClearField(kUnitX, kValueTop, kValueRight, kValueLine);
    DlSetForeground(Colour::kBlack);
    TextAt(OnOffText(on), kUnitX, kValueLine);
}

void BuildOperatingModePage() { RightAlignedValue(OperatingModeText(Settings.operatingMode)); }

void EnterOperatingModeList() { PreselectRow(Settings.operatingMode, std::size(ModeTexts)); }

Outcome OperatingModeListButton(ButtonId id) {
    if (id != Button::kConfirm) return Default();
    Settings.operatingMode = AppState.selectedRow;
    StoreSettingsField(SETTINGS_FIELD(operatingMode));
    return GoTo(Page::kOperatingMode);
}

void ResetStatus() { checks.statusShown = 255; }

// The German "system warming tank" is wider than the status field; nothing
// else stands on that line, so the whole line is erased.
Outcome RefreshStatus() {
    const u8 status = Plant.controllerStatus;
    if (status == checks.statusShown) return Stay();
    checks.statusShown = status;
    BeginValueDrawing();
    ClearField(10, kValueTop, kValueRight, 134);
    DlSetForeground(Colour::kBlack);
    if (status < kControllerStatusCount)
        PrintRightAligned(Text(StatusTexts[status]), kValueRight, 134, FontSlot::kBody);
    return Stay();
}

void BuildRuntimePage() {
    char date[11];
    FormatCommissioningDate(date);
    PrintRightAligned(date, kValueRight, 182, FontSlot::kBody);
    for (u32& shown : checks.runtimeShown) shown = 0xFFFFFFFF;
}

Outcome RefreshRuntime() {
    NumberRow(checks.runtimeShown[0], Settings.pumpRuntime / 3600u, kRuntimeFields[0]);
    NumberRow(checks.runtimeShown[1], Settings.stagnationMinutes / 60u, kRuntimeFields[1]);
    return Stay();
}

void ResetPumpSpeed() { checks.pumpSpeedShown = 0xFFFF; }

Outcome RefreshPumpSpeed() {
    if (!AppState.justBuilt && Plant.pumpSpeed == checks.pumpSpeedShown) return Stay();
    checks.pumpSpeedShown = Plant.pumpSpeed;
    BeginValueDrawing();
    ClearField(100, kValueTop, kValueRight, kValueLine);
    DlSetForeground(ValueColour());
    char text[kNumberTextMax + 2];
    FormatNumber(Format::kPercent, PumpPercent(Plant.pumpSpeed), text);
    u8 n = 0;
    while (text[n] != 0) ++n;
    Append(text, n, sizeof text, " %");
    RightAlignedValue(text);
    return Stay();
}

// Plus from a standstill starts at the lowest running speed and the top step
// goes to full speed; minus comes down the same way to a standstill.
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

// The pump is set by hand in the test mode only.
void SolarPumpBar(u8* slots) {
    if (!EditBar(slots) && Settings.operatingMode != kModeTest) slots[3] = Button::kNone;
}

// Plus and minus change the speed at once, so confirm and cancel only end
// the edit.
Outcome SolarPumpButton(ButtonId id) {
    switch (id) {
        case Button::kEdit: return StartEdit(0);
        case Button::kPlus:
        case Button::kMinus:
            if (AppState.editActive) StepPumpSpeed(id == Button::kPlus);
            return Stay();
        case Button::kConfirm: return EndEdit();
        default: return Default();
    }
}

void EnterZoneValve() { AppState.shownValue = static_cast<u8>(ControllerLink.zoneValveOn + 1); }

Outcome RefreshZoneValve() {
    OnOffField(ControllerLink.zoneValveOn);
    return Stay();
}

void ZoneValveBar(u8* slots) {
    if (Settings.operatingMode != kModeTest) slots[3] = Button::kNone;
}

Outcome ZoneValveButton(ButtonId id) {
    if (id == Button::kNext) return GoTo(WithoutSupplementary() ? Page::kAlarmTransducer : Page::kSwitchingValve);
    return EditOpens(id, Page::kZoneValveList);
}

void EnterZoneValveList() { PreselectRow(OnOffRow(ControllerLink.zoneValveOn), std::size(OnOffTexts)); }

Outcome ZoneValveListButton(ButtonId id) { return OnOffListButton(id, ControllerLink.zoneValveOn, Page::kZoneValve); }

void EnterSwitchingValve() { AppState.shownValue = static_cast<u8>(ControllerLink.switchingValveOn + 1); }

Outcome RefreshSwitchingValve() {
    OnOffField(ControllerLink.switchingValveOn);
    return Stay();
}

void SwitchingValveBar(u8* slots) {
    if (Settings.operatingMode != kModeTest && Settings.operatingMode != kModeManual) slots[3] = Button::kNone;
}

void EnterSwitchingValveList() { PreselectRow(OnOffRow(ControllerLink.switchingValveOn), std::size(OnOffTexts)); }

Outcome SwitchingValveListButton(ButtonId id) {
    return OnOffListButton(id, ControllerLink.switchingValveOn, Page::kSwitchingValve);
}

void BuildAlarmTransducerPage() { TextAt(OnOffText(ControllerLink.acousticAlarm), kUnitX, kValueLine); }

Outcome AlarmTransducerButton(ButtonId id) {
    if (id == Button::kPrevious) return GoTo(WithoutSupplementary() ? Page::kZoneValve : Page::kSwitchingValve);
    return EditOpens(id, Page::kAlarmTransducerList);
}

void EnterAlarmTransducerList() { PreselectRow(OnOffRow(ControllerLink.acousticAlarm), std::size(OnOffTexts)); }

Outcome AlarmTransducerListButton(ButtonId id) {
    return OnOffListButton(id, ControllerLink.acousticAlarm, Page::kAlarmTransducer);
}

void BuildVersionsPage() {
    const char* software = "V1.05 15.04.2011";
    TextAt(software, FitOnScreen(160, software, FontSlot::kBody), 104);
    TextAt(FormatVersion(), 160, 138);

    const u16 v = BasicSystemVersion();
    TextAt("V ", 160, 172);
    DlChar(static_cast<u8>('0' + (v / 100 / 100) % 10));
    DlChar('.');
    PrintTwoDigits(static_cast<u8>((v / 100) % 100));

    // The serial field may hold any bytes; it is printed only up to its end.
    char serial[sizeof Settings.serialNumber + 1] = {};
    for (unsigned i = 0; i < sizeof Settings.serialNumber; ++i) serial[i] = Settings.serialNumber[i];
    TextAt(serial, 160, 204);
}

}  // namespace

u8 PumpPercent(u16 raw) {
    if (raw < kPumpLowest) return 0;
    if (raw > kPumpHighestStep) return 100;
    return static_cast<u8>((raw - kPumpLowest) * 70 / (kPumpHighestStep - kPumpLowest) + 10);
}

void FormatCommissioningDate(char* out) {
    if (Settings.commissioningDay == 0) {
        const char blank[] = "--.--.----";
        for (unsigned i = 0; i < sizeof blank; ++i) out[i] = blank[i];
        return;
    }
    const u8 fields[3] = {Settings.commissioningDay, Settings.commissioningMonth, Settings.commissioningYear};
    u8 n = 0;
    for (u8 i = 0; i < 3; ++i) {
        if (i == 2) {
            out[n++] = '2';
            out[n++] = '0';
        }
        out[n++] = static_cast<char>('0' + fields[i] / 10 % 10);
        out[n++] = static_cast<char>('0' + fields[i] % 10);
        if (i < 2) out[n++] = '.';
    }
    out[n] = 0;
}

constexpr PageRecord OperatingModePage = {
    .names = Names("operating mode", "operating-mode"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kFaultsEntry,
            .nextPage = Page::kControllerStatus},
    .view = {.labels = kOperatingModeLabels, .flags = PageFlag::kValueLine, .build = BuildOperatingModePage},
    .does = {.onButton = [](ButtonId id) { return EditOpens(id, Page::kOperatingModeList); }},
};

constexpr PageRecord OperatingModeListPage = {
    .names = Names("operating mode list", "operating-mode-list"),
    .nav = {.titleText = Txt::kOperatingMode,
            .section = Section::kCheck,
            .bar = Bars::kListBar,
            .cancelPage = Page::kOperatingMode},
    .view = {.rows = ModeTexts, .flags = PageFlag::kList},
    .does = {.enter = EnterOperatingModeList, .onButton = OperatingModeListButton},
};

constexpr PageRecord ControllerStatusPage = {
    .names = Names("controller status", "controller-status"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kStepBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kOperatingMode,
            .nextPage = Page::kRuntime},
    .view = {.labels = kStatusLabels, .build = ResetStatus, .refresh = RefreshStatus},
};

constexpr PageRecord RuntimePage = {
    .names = Names("pump runtime and stagnation", "pump-runtime-and-stagnation"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kStepBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kControllerStatus,
            .nextPage = Page::kSolarPump},
    .view = {.labels = kRuntimeLabels, .build = BuildRuntimePage, .refresh = RefreshRuntime},
};

constexpr PageRecord SolarPumpPage = {
    .names = Names("solar pump", "solar-pump"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kRuntime,
            .nextPage = Page::kZoneValve,
            .cancelPage = Page::kSolarPump},
    .view = {.labels = kSolarPumpLabels,
             .flags = PageFlag::kValueLine,
             .build = ResetPumpSpeed,
             .refresh = RefreshPumpSpeed},
    .does = {.bar = SolarPumpBar, .onButton = SolarPumpButton},
};

constexpr PageRecord ZoneValvePage = {
    .names = Names("zone valve", "zone-valve"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kSolarPump},
    .view = {.labels = kZoneValveLabels, .flags = PageFlag::kValueLine, .refresh = RefreshZoneValve},
    .does = {.enter = EnterZoneValve, .bar = ZoneValveBar, .onButton = ZoneValveButton},
};

constexpr PageRecord ZoneValveListPage = {
    .names = Names("zone valve list", "zone-valve-list"),
    .nav = {.titleText = Txt::kZoneValve,
            .section = Section::kCheck,
            .bar = Bars::kListBar,
            .cancelPage = Page::kZoneValve},
    .view = {.rows = OnOffTexts, .flags = PageFlag::kList},
    .does = {.enter = EnterZoneValveList, .onButton = ZoneValveListButton},
};

constexpr PageRecord SwitchingValvePage = {
    .names = Names("switching valve", "switching-valve"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kZoneValve,
            .nextPage = Page::kAlarmTransducer},
    .view = {.labels = kSwitchingValveLabels, .flags = PageFlag::kValueLine, .refresh = RefreshSwitchingValve},
    .does = {.enter = EnterSwitchingValve,
             .bar = SwitchingValveBar,
             .onButton = [](ButtonId id) { return EditOpens(id, Page::kSwitchingValveList); }},
};

constexpr PageRecord SwitchingValveListPage = {
    .names = Names("switching valve list", "switching-valve-list"),
    .nav = {.titleText = Txt::kSwitchingValve,
            .section = Section::kCheck,
            .bar = Bars::kListBar,
            .cancelPage = Page::kSwitchingValve},
    .view = {.rows = OnOffTexts, .flags = PageFlag::kList},
    .does = {.enter = EnterSwitchingValveList, .onButton = SwitchingValveListButton},
};

constexpr PageRecord AlarmTransducerPage = {
    .names = Names("acoustic alarm transducer", "acoustic-alarm-transducer"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .nextPage = Page::kCommissioningEntry},
    .view = {.labels = kTransducerLabels, .flags = PageFlag::kValueLine, .build = BuildAlarmTransducerPage},
    .does = {.onButton = AlarmTransducerButton},
};

constexpr PageRecord AlarmTransducerListPage = {
    .names = Names("transducer list", "transducer-list"),
    .nav = {.titleText = Txt::kTransducer,
            .section = Section::kCheck,
            .bar = Bars::kListBar,
            .cancelPage = Page::kAlarmTransducer},
    .view = {.rows = OnOffTexts, .flags = PageFlag::kList},
    .does = {.enter = EnterAlarmTransducerList, .onButton = AlarmTransducerListButton},
};

constexpr PageRecord VersionsPage = {
    .names = Names("versions", "versions"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kBackPrevious,
            .backPage = Page::kMenu,
            .prevPage = Page::kCommissioningEntry},
    .view = {.labels = kVersionLabels, .build = BuildVersionsPage},
};

void ResetCheckPageStatics() { checks = CheckState{}; }
