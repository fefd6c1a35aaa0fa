#include "panel/app/Refresh.h"

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/Plant.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Clock.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

constexpr u8 kMeasurementRows = 5;
constexpr u8 kYieldRows = 3;
constexpr u8 kRuntimeRows = 2;

struct RefreshCaches {
    u16 measurement[kMeasurementRows];
    u32 yields[kYieldRows];
    u8 status;
    u32 runtime[kRuntimeRows];
    u16 pumpSpeed;
    u8 minuteShown;
    u8 dayShown;
    u8 schematicFault;
    u8 commissioningPhase;
};

RefreshCaches caches;

void CountDownMessage(u8 nextPage) {
    if (AppState.messageTimer > 0) AppState.messageTimer -= 1;
    if (AppState.messageTimer == 0) GoToPage(nextPage);
}

Rgb565 ValueColour() { return AppState.editActive ? Colour::kRed : Colour::kBlack; }

// Pages 10 and 23 to 25 show a temperature setting in whole degrees.
void TemperatureField(u16 setting, const char* unit) {
    if (!AppState.justBuilt) return;
    const u16 value = AppState.editActive ? AppState.editValue : setting;
    ClearField(250, 114, 319, 138);
    DlSetForeground(ValueColour());
    char text[kNumberTextMax];
    FormatNumber(NumberFormats[1], value / 10, text);
    DlText(text);
    DlText(unit);
}

void PutTwoDigits(char* out, u8& n, u8 value) {
    out[n++] = static_cast<char>('0' + value / 10 % 10);
    out[n++] = static_cast<char>('0' + value % 10);
}

void PutText(char* out, u8& n, const char* text) {
    while (*text != 0) out[n++] = *text++;
}

// The time and date are composed first so that a field too narrow for the
// font moves left instead of wrapping at the screen's edge.
void PrintClockField(u16 x0, const char* text) {
    const u16 x = FitOnScreen(x0, text, FontSlot::kBody);
    ClearField(x, 114, 319, 138);
    DlSetForeground(ValueColour());
    DlText(text);
}

void TimeField() {
    if (!AppState.justBuilt && PanelClock.minute == caches.minuteShown) return;
    const PanelClockRecord& clock = AppState.editActive ? ClockEdit : PanelClock;
    char text[8];
    u8 n = 0;
    PutTwoDigits(text, n, clock.hour);
    PutText(text, n, " : ");
    PutTwoDigits(text, n, clock.minute);
    text[n] = 0;
    PrintClockField(250, text);
    caches.minuteShown = PanelClock.minute;
}

void DateField() {
    if (!AppState.justBuilt && PanelClock.day == caches.dayShown) return;
    const PanelClockRecord& clock = AppState.editActive ? ClockEdit : PanelClock;
    char text[24];
    u8 n = 0;
    PutTwoDigits(text, n, clock.day);
    PutText(text, n, ". ");
    PutTwoDigits(text, n, clock.month);
    PutText(text, n, ". ");
    FormatNumber(NumberFormats[3], clock.year, text + n);
    PrintClockField(220, text);
    caches.dayShown = PanelClock.day;
}

void PumpField() {
    if (!AppState.justBuilt && Plant.pumpSpeed == caches.pumpSpeed) return;
    caches.pumpSpeed = Plant.pumpSpeed;
    ClearField(100, 114, 309, 138);
    DlSetForeground(ValueColour());
    char text[kNumberTextMax + 2];
    FormatNumber(NumberFormats[2], PumpPercent(Plant.pumpSpeed), text);
    u8 n = 0;
    while (text[n] != 0) ++n;
    text[n] = ' ';
    text[n + 1] = '%';
    text[n + 2] = 0;
    PrintRightAligned(text, 309, 138, FontSlot::kBody);
}

void OnOffField(u8 on) {
    if (on == AppState.shownValue) return;
    AppState.shownValue = on;
    ClearField(270, 114, 309, 138);
    DlSetForeground(Colour::kBlack);
    DlTextPos(270, 138);
    DlText(OnOffText(on));
}

constexpr u16 kLoadStrategyRows[] = {29, 31, 30, 32};
constexpr u16 kShortcutRows[] = {8, 4, 36};
constexpr u16 kSupplementaryRows[] = {46, 47, 48};
constexpr u16 kOperatingModeRows[] = {60, 61, 62, 63};
constexpr u16 kOnOffRows[] = {83, 84};

struct ListTexts {
    const u16* ids;
    u8 count;
};

ListTexts RowTexts(u8 page) {
    switch (page) {
        case 12: return {kLoadStrategyRows, static_cast<u8>(Settings.supplementaryFunction == 1 ? 4 : 2)};
        case 18: return {kShortcutRows, 3};
        case 22: return {kSupplementaryRows, 3};
        case 28: return {kOperatingModeRows, 4};
        case 33:
        case 35:
        case 37: return {kOnOffRows, 2};
        default: return {nullptr, 0};
    }
}

void RowFont(u8 row) { DlSetFont(row == AppState.selectedRow ? FontSlot::kTitle : FontSlot::kBody); }

void ListRows(u8 page) {
    if (AppState.shownRow == AppState.selectedRow) return;
    DrawListSelection();
    DlSetForeground(Colour::kBlack);
    if (page == 16) {
        // Each row names its language in that language.
        for (u8 i = AppState.listScroll; i <= AppState.listScroll + 5 && i < kLanguageCount; ++i) {
            RowFont(i);
            DlTextPos(55, static_cast<u16>(61 + 28 * (i - AppState.listScroll)));
            DlText(GetText(37, i));
        }
        return;
    }
    const ListTexts rows = RowTexts(page);
    for (u8 i = 0; i < rows.count; ++i) {
        RowFont(i);
        DlTextPos(55, static_cast<u16>(61 + 28 * i));
        DlText(Text(rows.ids[i]));
        if (page == 22 && i == 2) {
            DlTextPos(55, 141);
            DlText(Text(49));
        }
    }
}

}  // namespace

u8 PumpPercent(u16 raw) {
    if (raw < 71) return 0;
    if (raw > 870) return 100;
    return static_cast<u8>((raw - 71) * 70 / 799 + 10);
}

void ResetMeasurementCaches() {
    for (u16& c : caches.measurement) c = kNeverDrawn;
}
void ResetYieldCaches() {
    for (u32& c : caches.yields) c = 0xFFFFFFFF;
}
void ResetStatusCache() { caches.status = 255; }
void ResetRuntimeCaches() {
    for (u32& c : caches.runtime) c = 0xFFFFFFFF;
}
void ResetPumpCache() { caches.pumpSpeed = 0xFFFF; }
void ResetSchematic() { caches.schematicFault = 0; }
void ResetCommissioningRun() { caches.commissioningPhase = 0; }

void UpdateFaultLamp() {
    if (Settings.faultCode == AppState.faultLampShown) return;
    AppState.faultLampShown = Settings.faultCode;
    DlSetBackground(Settings.faultCode != 0 ? Colour::kRed : Colour::kGreen);
    DlSetForeground(Colour::kGreen);
    DlSetFlags(DrawMode::kFilled);
    DlRect(298, 7, 317, 26);
}

void RefreshPage() {
    if (AppState.schematicDelay != 0) AppState.schematicDelay -= 1;
    UpdateFaultLamp();
    DlSetFont(FontSlot::kBody);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);

    const u8 page = AppState.currentPage;
    switch (page) {
        case 1: DrawMenu(0); break;
        case 9: CountDownMessage(6); break;
        case 10:
            TemperatureField(Settings.warmWaterSetValue,
                             "\xB0"
                             "C");
            break;
        case 12:
        case 16:
        case 18:
        case 22:
        case 28:
        case 33:
        case 35:
        case 37: ListRows(page); break;
        case 13: TimeField(); break;
        case 14: DateField(); break;
        case 19:
            if (AppState.justBuilt) {
                ClearField(280, 114, 319, 138);
                DlSetForeground(Colour::kRed);
                PrintTwoDigits(AppState.selectedRow);
            }
            break;
        case 20: CountDownMessage(19); break;
        case 23:
            TemperatureField(Settings.maxTankTemp,
                             " \xB0"
                             "C");
            break;
        case 24:
        case 25:
            TemperatureField(Settings.maxTank2Temp,
                             " \xB0"
                             "C");
            break;
        case 31: PumpField(); break;
        case 32: OnOffField(ControllerLink.zoneValveOn); break;
        case 34: OnOffField(ControllerLink.switchingValveOn); break;
        case 42:
            if (AppState.messageTimer > 0) AppState.messageTimer -= 1;
            if (AppState.messageTimer <= 10) {
                GoToPage(AppState.wizardMode == 2 ? 0 : 38);
                AppState.wizardMode = 0;
            }
            break;
        case 45:
            if (AppState.dialogTimer > 0) AppState.dialogTimer -= 1;
            if (AppState.dialogTimer == 0) GoToPage(AppState.dialogReturnPage);
            break;
        default: break;
    }
    AppState.justBuilt = 0;
}
