#include "panel/app/Refresh.h"
#include "panel/StaticState.h"

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/PageTable.h"
#include "panel/app/Plant.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Clock.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

constexpr u8 kMeasurementRows = 5;
constexpr u8 kYieldRows = 3;
constexpr u8 kRuntimeRows = 2;
constexpr u8 kCommissioningLines = 5;

// The commissioning run's lines: it waits for the plant's first step, tests
// the flow rate, has it adjusted, tests with the valve open (only with a fifth
// measurement row) and the zone valve; when it has ended, confirm leaves.
namespace RunPhase {
constexpr u8 kWaitForStart = 0;
constexpr u8 kTestFlow = 1;
constexpr u8 kAdjustFlow = 2;
constexpr u8 kFlowWithValve = 3;
constexpr u8 kZoneValve = 4;
constexpr u8 kEnded = 9;
constexpr u8 kConfirmShown = 10;
}  // namespace RunPhase

struct RefreshCaches {
    u16 measurement[kMeasurementRows];  // the reading drawn, kNoValue or kNeverDrawn
    u8 placeholderShown[kMeasurementRows];
    u32 yields[kYieldRows];
    u8 status;
    u32 runtime[kRuntimeRows];
    u16 pumpSpeed;
    u8 minuteShown;
    u8 dayShown;
    u8 commissioningPhase;
    u16 commissioningLine;  // base line of the current text line
    u16 commissioningLineEnd[kCommissioningLines];
    u8 frameStatePending;
};

RefreshCaches caches;

// The font, draw mode and colour that every value starts from are queued only
// on ticks that draw something, so a quiet page leaves the display list empty.
void BeginDrawing() {
    if (!caches.frameStatePending) return;
    caches.frameStatePending = 0;
    DlSetFont(FontSlot::kBody);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
}

void CountDownMessage(u8 nextPage) {
    if (AppState.messageTimer > 0) AppState.messageTimer -= 1;
    if (AppState.messageTimer == 0) GoToPage(nextPage);
}

Rgb565 ValueColour() { return AppState.editActive ? Colour::kRed : Colour::kBlack; }

// Pages 10 and 23 to 25 show a temperature setting in whole degrees.
void TemperatureField(u16 setting, const char* unit) {
    if (!AppState.justBuilt) return;
    BeginDrawing();
    const u16 value = AppState.editActive ? AppState.editValue : setting;
    ClearField(250, 114, 319, 138);
    DlSetForeground(ValueColour());
    char text[kNumberTextMax];
    FormatNumber(Format::kWholeDegrees, value / 10, text);
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
    BeginDrawing();
    const u16 x = FitOnScreen(x0, text, FontSlot::kBody);
    ClearField(x, 114, 319, 138);
    DlSetForeground(ValueColour());
    DlText(text);
}

}  // namespace

void RefreshTime() {
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

void RefreshDate() {
    if (!AppState.justBuilt && PanelClock.day == caches.dayShown) return;
    const PanelClockRecord& clock = AppState.editActive ? ClockEdit : PanelClock;
    char text[24];
    u8 n = 0;
    PutTwoDigits(text, n, clock.day);
    PutText(text, n, ". ");
    PutTwoDigits(text, n, clock.month);
    PutText(text, n, ". ");
    FormatNumber(Format::kFourDigits, clock.year, text + n);
    PrintClockField(220, text);
    caches.dayShown = PanelClock.day;
}

void RefreshPumpSpeed() {
    if (!AppState.justBuilt && Plant.pumpSpeed == caches.pumpSpeed) return;
    caches.pumpSpeed = Plant.pumpSpeed;
    BeginDrawing();
    ClearField(100, 114, 309, 138);
    DlSetForeground(ValueColour());
    char text[kNumberTextMax + 2];
    FormatNumber(Format::kPercent, PumpPercent(Plant.pumpSpeed), text);
    u8 n = 0;
    while (text[n] != 0) ++n;
    text[n] = ' ';
    text[n + 1] = '%';
    text[n + 2] = 0;
    PrintRightAligned(text, 309, 138, FontSlot::kBody);
}

namespace {

void OnOffField(u8 on) {
    if (on == AppState.shownValue) return;
    AppState.shownValue = on;
    BeginDrawing();
    ClearField(270, 114, 309, 138);
    DlSetForeground(Colour::kBlack);
    DlTextPos(270, 138);
    DlText(OnOffText(on));
}

void RowFont(u8 row) { DlSetFont(row == AppState.selectedRow ? FontSlot::kTitle : FontSlot::kBody); }

// The rows of a list page, six at a time from the scroll position.
void ListRows(u8 page) {
    if (AppState.shownRow == AppState.selectedRow) return;
    BeginDrawing();
    DrawListSelection();
    DlSetForeground(Colour::kBlack);
    const PageView& view = PageViewAt(page);
    const u8 count = ListRowCount(page);
    const bool ownLanguage = (view.flags & PageFlag::kRowsInOwnLanguage) != 0;
    for (u8 i = AppState.listScroll; i <= AppState.listScroll + 5 && i < count; ++i) {
        RowFont(i);
        const u16 baseLine = static_cast<u16>(61 + 28 * (i - AppState.listScroll));
        DlTextPos(55, baseLine);
        DlText(ownLanguage ? GetText(view.rows[i], i) : Text(view.rows[i]));
        if (page == Page::kSupplementaryList && i == 2) {
            DlTextPos(55, 141);
            DlText(Text(Txt::kSupplementaryHeatingSupportLine2));
        }
    }
}

void AppendText(char* out, u8 size, const char* text) {
    u8 n = 0;
    while (n < size && out[n] != 0) ++n;
    while (*text != 0 && n + 1 < size) out[n++] = *text++;
    if (n < size) out[n] = 0;
}

u16 WidestDigit(u8 font) {
    u16 widest = 0;
    for (u8 d = 0; d < 10; ++d) {
        const char digit[2] = {static_cast<char>('0' + d), 0};
        const u16 w = TextWidth(digit, font);
        if (w > widest) widest = w;
    }
    return widest;
}

// The width of the widest text a format can produce, with its suffix.
u16 WidestValue(const NumberFormat& format, const char* suffix) {
    const u8 digits = format.firstDigit < kPackedDigits ? format.firstDigit : kPackedDigits;
    u16 widest = static_cast<u16>(digits * WidestDigit(FontSlot::kBody) + TextWidth(suffix, FontSlot::kBody));
    if (format.flags & NumberFlag::kSigned) widest += TextWidth("-", FontSlot::kBody);
    if (format.separatorPos != 0) widest += TextWidth(",", FontSlot::kBody);
    return widest;
}

// The left end of a right-aligned value field: the given left end, or
// further left when the widest text of the format would reach past it.
u16 FieldLeft(u16 left, u16 right, const NumberFormat& format, const char* suffix) {
    const u16 widest = WidestValue(format, suffix);
    return widest < right && right - widest < left ? static_cast<u16>(right - widest) : left;
}

// Long labels reach into the measurement fields, so a row erases only as far
// left as its widest reading can reach, never its label.
u16 ReadingLeft() {
    const u16 widest = WidestValue(Format::kTemperature, "");
    return widest < 265 - 185 ? static_cast<u16>(265 - widest) : 185;
}

struct Reading {
    i16 value;
    u8 absent;
    u8 once;  // an absent sensor shows "---,-", drawn once
    u8 top;
    u8 baseLine;
};

void ReadingRow(u8 row, const Reading& r) {
    u16& cache = caches.measurement[row];
    if (r.once) {
        if (r.absent) {
            if (caches.placeholderShown[row]) return;
            caches.placeholderShown[row] = 1;
            cache = kNoValue;
            BeginDrawing();
            ClearField(ReadingLeft(), r.top, 265, r.baseLine);
            DlSetForeground(Colour::kBlack);
            PrintRightAligned("---,-", 265, r.baseLine, FontSlot::kBody);
            return;
        }
        if (caches.placeholderShown[row]) {
            caches.placeholderShown[row] = 0;
            cache = kNeverDrawn;
        }
    }
    const u16 result = r.absent ? kNoValue : static_cast<u16>(r.value);
    if (result == cache) return;
    cache = result;
    BeginDrawing();
    ClearField(ReadingLeft(), r.top, 265, r.baseLine);
    DlSetForeground(Colour::kBlack);
    char text[kNumberTextMax];
    if (result == kNoValue) {
        PrintRightAligned("--,-", 265, r.baseLine, FontSlot::kBody);
        return;
    }
    FormatNumber(Format::kTemperature, r.value, text);
    PrintRightAligned(text, 265, r.baseLine, FontSlot::kBody);
}

// A counter or yield of the yields and runtime pages: its format and unit,
// and its field, into which the value is right-aligned.
struct NumberField {
    const NumberFormat* format;
    const char* suffix;
    u16 x0;
    u16 y0;
    u16 right;
    u16 baseLine;
};

constexpr NumberField kYieldFields[kYieldRows] = {{&Format::kFiveDigits, "", 185, 46, 265, 70},
                                                  {&Format::kFourDigits, "", 185, 80, 265, 104},
                                                  {&Format::kEightDigits, "", 155, 114, 265, 138}};
constexpr NumberField kRuntimeFields[kRuntimeRows] = {{&Format::kEightDigits, " h", 240, 46, 309, 70},
                                                      {&Format::kFiveDigits, " h", 240, 70, 309, 104}};

u16 FieldLeft(const NumberField& f) { return FieldLeft(f.x0, f.right, *f.format, f.suffix); }

void NumberRow(u32& cache, u32 value, const NumberField& field) {
    if (value == cache) return;
    cache = value;
    BeginDrawing();
    ClearField(FieldLeft(field), field.y0, field.right, field.baseLine);
    DlSetForeground(Colour::kBlack);
    char text[kNumberTextMax + 4];
    FormatNumber(*field.format, static_cast<i32>(value), text);
    AppendText(text, sizeof text, field.suffix);
    PrintRightAligned(text, field.right, field.baseLine, FontSlot::kBody);
}

// A fault text wider than the page is broken at its last blank that lets the
// first line fit; the rest goes on the line below.
void PrintWrapped(const char* text, u16 x, u16 right, u16 baseLine, u16 lineHeight) {
    if (x + TextWidth(text, FontSlot::kBody) <= right) {
        DlTextAt(x, baseLine, text);
        return;
    }
    char first[64];
    u8 n = 0;
    u8 cut = 0;
    while (text[n] != 0 && n + 1u < sizeof first) {
        first[n] = text[n];
        if (text[n] == ' ') {
            first[n] = 0;
            if (x + TextWidth(first, FontSlot::kBody) <= right) cut = n;
            first[n] = ' ';
        }
        ++n;
    }
    if (cut == 0) {
        DlTextAt(x, baseLine, text);
        return;
    }
    first[cut] = 0;
    DlTextAt(x, baseLine, first);
    DlTextAt(x, static_cast<u16>(baseLine + lineHeight), text + cut + 1);
}

}  // namespace

void RefreshCurrentFault() {
    const u8 code = Settings.faultCode;
    if (code == AppState.shownValue) return;
    AppState.shownValue = code;
    BeginDrawing();
    ClearField(10, 80, 309, 172);
    DlSetForeground(Colour::kBlack);
    if (code != 0) DlTextAt(10, 114, FaultLineText());
    PrintWrapped(FaultDescription(code), 10, 309, 148, 24);
}

namespace {

// The commissioning run writes one line every 34 pixels from base line 70 on;
// a check mark behind a line confirms its step.
u16& LineEnd(u16 baseLine) {
    static u16 spare;
    const u16 index = static_cast<u16>((baseLine - 70) / 34);
    if (baseLine < 70 || index >= kCommissioningLines) return spare;
    return caches.commissioningLineEnd[index];
}

void CommissioningText(const char* text, u16 baseLine) {
    DlTextAt(10, baseLine, text);
    LineEnd(baseLine) = static_cast<u16>(10 + TextWidth(text, FontSlot::kBody));
}

// The mark stands at x = 270 unless its line is longer; then it follows the
// text.
void CheckMark(u16 baseLine) {
    constexpr u16 kMarkWidth = 18;
    u16 x = LineEnd(baseLine) + 4;
    if (x < 270) x = 270;
    if (x > kScreenWidth - kMarkWidth) x = kScreenWidth - kMarkWidth;
    DlSetBackground(Colour::kPanelGrey);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    DlImage(x, baseLine, Button::kConfirm, ImageSlot::kButtons);
}

// A failed step replaces its line by the fault line; the whole width is
// erased because the line may be longer than its check mark's place.
void ReplaceByFaultLine(u16 baseLine) {
    ClearField(10, static_cast<u16>(baseLine - 33), 319, baseLine);
    DlSetForeground(Colour::kBlack);
    CommissioningText(FaultLineText(), baseLine);
}

void NextLine(TextId textId) {
    caches.commissioningLine = static_cast<u16>(caches.commissioningLine + 34);
    CommissioningText(Text(textId), caches.commissioningLine);
}

}  // namespace

const char* FaultLineText() {
    static char line[48];
    line[0] = 0;
    AppendText(line, sizeof line, Text(Txt::kFaultCodeLabel));
    const u8 code = Settings.faultCode;
    const char digits[] = {' ', static_cast<char>('0' + code / 10 % 10), static_cast<char>('0' + code % 10), 0};
    AppendText(line, sizeof line, digits);
    return line;
}

const char* FaultDescription(u8 code) {
    const TextId id = FaultTextId(code);
    if (id != kUnlistedFault && id != kNoText) return Text(id);
    static char line[48];
    line[0] = 0;
    AppendText(line, sizeof line, Text(Txt::kSolarFaultLabel));
    char number[5] = {' ', 0, 0, 0, 0};
    u8 n = 1;
    if (code >= 100) number[n++] = static_cast<char>('0' + code / 100);
    if (code >= 10) number[n++] = static_cast<char>('0' + code / 10 % 10);
    number[n] = static_cast<char>('0' + code % 10);
    AppendText(line, sizeof line, number);
    return line;
}

void RefreshMeasurements(u8 page) {
    const u8 fault = Plant.sensorFault;
    const u8 absent = Plant.extraSensorAbsent;
    if (page == Page::kMeasurement) {
        ReadingRow(0, {Plant.collectorTemp, static_cast<u8>(fault & SensorFault::kCollector), 0, 41, 65});
        ReadingRow(1, {Plant.solarReturnTemp, static_cast<u8>(fault & SensorFault::kSolarReturn), 0, 75, 99});
        ReadingRow(2, {Plant.solarSupplyTemp, static_cast<u8>(fault & SensorFault::kSolarSupply), 0, 109, 133});
        ReadingRow(3, {Plant.tankTopTemp, static_cast<u8>(!Plant.tankTopPresent), 1, 143, 165});
        if (Plant.fifthRowShown) {
            ReadingRow(4, {Plant.fifthRowTemp, static_cast<u8>(!Plant.fifthSensorPresent), 1, 177, 201});
        }
    } else if (page == Page::kMeasurementFlow) {
        ReadingRow(0, {Plant.outsideTemp, static_cast<u8>(fault & SensorFault::kOutside), 0, 46, 70});
        ReadingRow(1, {static_cast<i16>(Plant.flowRate & 0xFFFF), static_cast<u8>(fault & SensorFault::kFlowRate), 0,
                       104, 128});
        ReadingRow(2, {Plant.maxCollectorTemp, 0, 0, 134, 162});
    } else if (page == Page::kMeasurementExtra) {
        ReadingRow(0, {Plant.extraCollector1Temp, static_cast<u8>(absent & 0x02), 0, 46, 70});
        ReadingRow(1, {Plant.extraOutside1Temp, static_cast<u8>(absent & 0x01), 0, 80, 104});
        ReadingRow(2, {Plant.extraCollector2Temp, static_cast<u8>(absent & 0x08), 0, 114, 138});
        ReadingRow(3, {Plant.extraOutside2Temp, static_cast<u8>(absent & 0x04), 0, 148, 172});
    }
}

void RefreshYields() {
    const u32 values[kYieldRows] = {Plant.solarOutput / 10u, Settings.dailyYield / 10u, Settings.totalYield / 10u};
    for (u8 row = 0; row < kYieldRows; ++row) NumberRow(caches.yields[row], values[row], kYieldFields[row]);
}

// The German "system warming tank" is wider than the status field; nothing
// else stands on that line, so the whole line is erased.
void RefreshStatus() {
    const u8 status = Plant.controllerStatus;
    if (status == caches.status) return;
    caches.status = status;
    BeginDrawing();
    ClearField(10, 114, 309, 134);
    DlSetForeground(Colour::kBlack);
    if (status < kControllerStatusCount) PrintRightAligned(Text(StatusTexts[status]), 309, 134, FontSlot::kBody);
}

void RefreshRuntime() {
    NumberRow(caches.runtime[0], Settings.pumpRuntime / 3600u, kRuntimeFields[0]);
    NumberRow(caches.runtime[1], Settings.stagnationMinutes / 60u, kRuntimeFields[1]);
}

u16 ValueFieldLeft(u8 page, u8 row) {
    if (page >= Page::kMeasurement && page <= Page::kMeasurementExtra) return ReadingLeft();
    if (page == Page::kSolarYields && row < kYieldRows) return FieldLeft(kYieldFields[row]);
    if (page == Page::kRuntime && row < kRuntimeRows) return FieldLeft(kRuntimeFields[row]);
    return 0;
}

void RunCommissioning() {
    const u8 step = Plant.commissioningStep;
    const u8 fault = Settings.faultCode;
    u16& line = caches.commissioningLine;
    switch (caches.commissioningPhase) {
        case RunPhase::kWaitForStart:
            if (step != 1) return;
            BeginDrawing();
            CommissioningText(Text(Txt::kCommissioningTestFlowRate), 70);
            line = 104;
            caches.commissioningPhase = RunPhase::kTestFlow;
            return;
        case RunPhase::kTestFlow:
            if (step == 0) {
                BeginDrawing();
                CommissioningText(FaultLineText(), line);
                caches.commissioningPhase = RunPhase::kEnded;
            } else if (step == 2) {
                BeginDrawing();
                CheckMark(70);
                DlSetForeground(Colour::kBlack);
                CommissioningText(Text(Txt::kCommissioningAdjustFlowRate), line);
                caches.commissioningPhase = RunPhase::kAdjustFlow;
            }
            return;
        case RunPhase::kAdjustFlow:
            if (step == 3) {
                BeginDrawing();
                CheckMark(104);
                DlSetForeground(Colour::kBlack);
                const bool fifthRow = Plant.fifthRowShown != 0;
                NextLine(fifthRow ? Txt::kCommissioningFlowRateValveOn : Txt::kCommissioningTestZoneValve);
                caches.commissioningPhase = fifthRow ? RunPhase::kFlowWithValve : RunPhase::kZoneValve;
            } else if (step == 0 && Plant.ventRequest == 0 && Plant.holdFlag == 0 && Plant.runCounter > 3 &&
                       fault != 0) {
                BeginDrawing();
                line = static_cast<u16>(line + 34);
                CommissioningText(FaultLineText(), line);
                caches.commissioningPhase = RunPhase::kEnded;
            } else if (Plant.ventRequest == 1 && line != 138) {
                // Drawn once: the request stays set while the plant vents.
                BeginDrawing();
                line = 138;
                CommissioningText(Text(Txt::kCommissioningVent), line);
            }
            return;
        case RunPhase::kFlowWithValve:
            if (step != 4) return;
            BeginDrawing();
            if (fault == 0) {
                CheckMark(line);
            } else {
                ReplaceByFaultLine(line);
            }
            DlSetForeground(Colour::kBlack);
            NextLine(Txt::kCommissioningTestZoneValve);
            caches.commissioningPhase = RunPhase::kZoneValve;
            return;
        case RunPhase::kZoneValve:
            if (step != 0) return;
            BeginDrawing();
            if (fault != 5) {
                CheckMark(line);
            } else {
                ReplaceByFaultLine(line);
            }
            caches.commissioningPhase = RunPhase::kEnded;
            return;
        case RunPhase::kEnded:
            AppState.barButtons[3] = Button::kConfirm;
            DrawBarButton(kBarSlotX[3], kBarY, Button::kConfirm);
            caches.commissioningPhase = RunPhase::kConfirmShown;
            return;
        default: return;
    }
}

u8 PumpPercent(u16 raw) {
    if (raw < 71) return 0;
    if (raw > 870) return 100;
    return static_cast<u8>((raw - 71) * 70 / 799 + 10);
}

void ResetMeasurementCaches() {
    for (u16& c : caches.measurement) c = kNeverDrawn;
    for (u8& shown : caches.placeholderShown) shown = 0;
}
void ResetYieldCaches() {
    for (u32& c : caches.yields) c = 0xFFFFFFFF;
}
void ResetStatusCache() { caches.status = 255; }
void ResetRuntimeCaches() {
    for (u32& c : caches.runtime) c = 0xFFFFFFFF;
}
void ResetPumpCache() { caches.pumpSpeed = 0xFFFF; }
void ResetCommissioningRun() {
    caches.commissioningPhase = RunPhase::kWaitForStart;
    caches.commissioningLine = 70;
    for (u16& end : caches.commissioningLineEnd) end = 0;
}

void UpdateFaultLamp() {
    if (Settings.faultCode == AppState.faultLampShown) return;
    AppState.faultLampShown = Settings.faultCode;
    DlSetBackground(Settings.faultCode != 0 ? Colour::kRed : Colour::kGreen);
    DlSetForeground(Colour::kGreen);
    DlSetFlags(DrawMode::kFilled);
    DlRect(298, 7, 317, 26);
}

void RefreshMenu() {
    if (AppState.selectedRow == AppState.menuShownRow) return;
    BeginDrawing();
    DrawMenu(0);
}

void RefreshMeasurementPage() { RefreshMeasurements(AppState.currentPage); }
void RefreshWarmWater() { TemperatureField(Settings.warmWaterSetValue, kDegrees); }
void RefreshMaxTank() { TemperatureField(Settings.maxTankTemp, kSpacedDegrees); }
void RefreshMaxTank2() { TemperatureField(Settings.maxTank2Temp, kSpacedDegrees); }
void RefreshZoneValve() { OnOffField(ControllerLink.zoneValveOn); }
void RefreshSwitchingValve() { OnOffField(ControllerLink.switchingValveOn); }
void CloseYieldDeletedMessage() { CountDownMessage(Page::kSolarYields); }
void CloseWrongCodeMessage() { CountDownMessage(Page::kAccessCode); }

// The number being entered is drawn in red, as an edit is.
void RefreshAccessCode() {
    if (!AppState.justBuilt) return;
    BeginDrawing();
    ClearField(280, 114, 319, 138);
    DlSetForeground(Colour::kRed);
    PrintTwoDigits(AppState.selectedRow);
}

// The message closes a little before its timer runs out.
void CloseNotPossibleMessage() {
    if (AppState.messageTimer > 0) AppState.messageTimer -= 1;
    if (AppState.messageTimer <= 10) {
        GoToPage(AppState.wizardMode == 2 ? Page::kStart : Page::kCommissioningEntry);
        AppState.wizardMode = 0;
    }
}

void RefreshConfirmDialog() {
    if (AppState.dialogTimer > 0) AppState.dialogTimer -= 1;
    if (AppState.dialogTimer == 0) GoToPage(AppState.dialogReturnPage);
}

void RefreshPage() {
    if (AppState.schematicDelay != 0) AppState.schematicDelay -= 1;
    UpdateFaultLamp();
    caches.frameStatePending = 1;

    const u8 page = AppState.currentPage;
    if (IsListPage(page)) ListRows(page);
    const PageView& view = PageViewAt(page);
    if (view.refresh != nullptr) view.refresh();
    AppState.justBuilt = 0;
}

void ResetRefreshStatics() { caches = RefreshCaches{}; }
