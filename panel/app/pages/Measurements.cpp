// The measurement pages. Each reading is drawn when it changes, right-aligned
// in its field, "--,-" while its sensor is faulty; a missing tank-top or fifth
// sensor shows "---,-" once. In the guided setup the pages show only the next
// button, which leads on to the commissioning question.
#include "panel/app/pages/Measurements.h"
#include "panel/StaticState.h"

#include "panel/app/AppState.h"
#include "panel/app/Charts.h"
#include "panel/app/Draw.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/Plant.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Clock.h"
#include "panel/settings/Settings.h"

namespace {

constexpr u8 kReadingRows = 5;

struct MeasurementState {
    u16 shown[kReadingRows];  // the reading drawn, kNoValue or kNeverDrawn
    u8 placeholderShown[kReadingRows];
};

MeasurementState measurements;

constexpr PageLabel kTemperatureLabels[] = {
    {Txt::kCollector, 10, 65}, {Txt::kSolarReturn, 10, 99}, {Txt::kSolarSupply, 10, 133}, {Txt::kTankTop, 10, 167}};
constexpr PageLabel kFlowLabels[] = {{Txt::kCollectorOutsideTemperatureLine1, 10, 70},
                                     {Txt::kCollectorOutsideTemperatureLine2, 10, 94},
                                     {Txt::kFlowRate, 10, 128},
                                     {Txt::kMaxCollectorTemperatureLine1, 10, 162},
                                     {Txt::kMaxCollectorTemperatureLine2, 10, 186}};
constexpr PageLabel kExtraSensorLabels[] = {{Txt::kCollector1, 10, 70},
                                            {Txt::kOutsideTemperature1, 10, 104},
                                            {Txt::kCollector2, 10, 138},
                                            {Txt::kOutsideTemperature2, 10, 172}};

void ResetReadings() {
    for (u16& shown : measurements.shown) shown = kNeverDrawn;
    for (u8& placeholder : measurements.placeholderShown) placeholder = 0;
}

void Degrees(u16 baseLine) { TextAt(kDegrees, kUnitX, baseLine); }

// Long labels reach into the measurement fields, so a row erases only as far
// left as its widest reading can reach, never its label.
u16 ReadingLeft() {
    const u16 widest = WidestValue(Format::kTemperature, "");
    return widest < kReadingRight - 185 ? static_cast<u16>(kReadingRight - widest) : 185;
}

struct Reading {
    i16 value;
    u8 absent;
    u8 once;  // an absent sensor shows "---,-", drawn once
    u8 top;
    u8 baseLine;
};

void PrintReading(u16 top, u16 baseLine, const char* text) {
    BeginValueDrawing();
    ClearField(ReadingLeft(), top, kReadingRight, baseLine);
    DlSetForeground(Colour::kBlack);
    PrintRightAligned(text, kReadingRight, baseLine, FontSlot::kBody);
}

void ReadingRow(u8 row, const Reading& r) {
    u16& shown = measurements.shown[row];
    u8& placeholder = measurements.placeholderShown[row];
    if (r.once) {
        if (r.absent) {
            if (placeholder) return;
            placeholder = 1;
            shown = kNoValue;
            PrintReading(r.top, r.baseLine, "---,-");
            return;
        }
        if (placeholder) {
            placeholder = 0;
            shown = kNeverDrawn;
        }
    }
    const u16 result = r.absent ? kNoValue : static_cast<u16>(r.value);
    if (result == shown) return;
    shown = result;
    if (result == kNoValue) {
        PrintReading(r.top, r.baseLine, "--,-");
        return;
    }
    char text[kNumberTextMax];
    FormatNumber(Format::kTemperature, r.value, text);
    PrintReading(r.top, r.baseLine, text);
}

// The fifth row shows the second tank's top or the heating return, as the
// supplementary function decides.
void BuildTemperaturesPage() {
    for (u16 y : {65, 99, 133, 167}) Degrees(y);
    if (Plant.fifthRowShown) {
        Label(Settings.supplementaryFunction == 1 ? Txt::kTank2Top : Txt::kHeatingReturn, 10, 201);
        Degrees(201);
    }
    ResetReadings();
}

void BuildFlowPage() {
    Degrees(70);
    TextAt("l/min", FitOnScreen(272, "l/min", FontSlot::kBody), 128);
    Degrees(162);
    ResetReadings();
}

void BuildExtraSensorsPage() {
    for (u16 y : {70, 104, 138, 172}) Degrees(y);
    ResetReadings();
}

Outcome RefreshTemperatures() {
    const u8 fault = Plant.sensorFault;
    ReadingRow(0, {Plant.collectorTemp, static_cast<u8>(fault & SensorFault::kCollector), 0, 41, 65});
    ReadingRow(1, {Plant.solarReturnTemp, static_cast<u8>(fault & SensorFault::kSolarReturn), 0, 75, 99});
    ReadingRow(2, {Plant.solarSupplyTemp, static_cast<u8>(fault & SensorFault::kSolarSupply), 0, 109, 133});
    ReadingRow(3, {Plant.tankTopTemp, static_cast<u8>(!Plant.tankTopPresent), 1, 143, 165});
    if (Plant.fifthRowShown) {
        ReadingRow(4, {Plant.fifthRowTemp, static_cast<u8>(!Plant.fifthSensorPresent), 1, 177, 201});
    }
    return Stay();
}

Outcome RefreshFlow() {
    const u8 fault = Plant.sensorFault;
    ReadingRow(0, {Plant.outsideTemp, static_cast<u8>(fault & SensorFault::kOutside), 0, 46, 70});
    ReadingRow(
        1, {static_cast<i16>(Plant.flowRate & 0xFFFF), static_cast<u8>(fault & SensorFault::kFlowRate), 0, 104, 128});
    ReadingRow(2, {Plant.maxCollectorTemp, 0, 0, 134, 162});
    return Stay();
}

Outcome RefreshExtraSensors() {
    const u8 absent = Plant.extraSensorAbsent;
    ReadingRow(0, {Plant.extraCollector1Temp, static_cast<u8>(absent & 0x02), 0, 46, 70});
    ReadingRow(1, {Plant.extraOutside1Temp, static_cast<u8>(absent & 0x01), 0, 80, 104});
    ReadingRow(2, {Plant.extraCollector2Temp, static_cast<u8>(absent & 0x08), 0, 114, 138});
    ReadingRow(3, {Plant.extraOutside2Temp, static_cast<u8>(absent & 0x04), 0, 148, 172});
    return Stay();
}

// In the guided setup the measurement pages offer only the way on.
void SetupBar(u8* slots) {
    if (AppState.wizardMode == 0) return;
    for (u8 i = 0; i < 3; ++i) slots[i] = Button::kNone;
    slots[3] = Button::kNext;
}

// The extra sensors are offered only when the controller has them.
void FlowBar(u8* slots) {
    if (AppState.wizardMode != 0) {
        SetupBar(slots);
    } else if (ExtraSensorsOffered()) {
        slots[2] = Button::kNext;
    }
}

Outcome TemperaturesButton(ButtonId id) { return id == Button::kChart ? GoTo(Page::kCollectorChart) : Default(); }

Outcome FlowButton(ButtonId id) {
    if (id != Button::kNext) return Default();
    return GoTo(ExtraSensorsOffered() ? Page::kMeasurementExtra : Page::kCommissioningQuestion);
}

Outcome ExtraSensorsButton(ButtonId id) { return id == Button::kNext ? GoTo(Page::kCommissioningQuestion) : Default(); }

// Values beyond the scale stay inside the plot instead of crossing the title
// bar or the axis.
constexpr i32 kPlotBottom = 177;
constexpr i32 kPlotHeight = 110;
constexpr u16 kPlotLeft = 51;

u16 CurveRow(i32 value, i32 bottom, i32 top, i32 shift) {
    i32 h = (value - bottom) * kPlotHeight / (top - bottom);
    if (h < 0) h = 0;
    if (h > kPlotHeight) h = kPlotHeight;
    return static_cast<u16>(kPlotBottom + shift - h);
}

void Curve(u8 n, i32 bottom, i32 top, i32 shift) {
    DlMoveTo(kPlotLeft, CurveRow(static_cast<i16>(CollectorCurve[0]), bottom, top, shift));
    for (u8 i = 1; i < n; ++i) {
        DlLineTo(static_cast<u16>(kPlotLeft + i), CurveRow(static_cast<i16>(CollectorCurve[i]), bottom, top, shift));
    }
}

// Now in 10-minute steps; a label stands under every value that falls on a
// full 6-hour mark. A label is shown only when its whole box, sign column
// included, starts right of the axis; its digits are centred on the mark.
void HourLabels(u8 n) {
    i32 t = PanelClock.minute / 10 + PanelClock.hour * 6 + 288;
    const i32 o = t % 36;
    for (i32 x = n + kPlotLeft - o; x > 50; x -= 36, t -= 36) {
        const NumberLabel label(((t - o) / 6) % 24);
        if (x - TextWidth(label.Full(), FontSlot::kBody) / 2 <= 50) continue;
        DlTextPos(static_cast<u16>(x - TextWidth(label.Get(), FontSlot::kBody) / 2), kAxisLabelBaseLine);
        DlText(label.Get());
    }
}

}  // namespace

// The plot spans rows 67..177 for the scale, one column per value.
void DrawCollectorChart() {
    Axes(50, 266);

    const u8 n = CollectorCurveCount < kCollectorCurveLength ? CollectorCurveCount : kCollectorCurveLength;
    i32 max = 1000;
    i32 min = 0;
    for (u8 i = 0; i < n; ++i) {
        const i32 v = static_cast<i16>(CollectorCurve[i]);
        if (v > max) max = v;
        if (v < min) min = v;
    }
    const i32 top = max <= 1000 ? 1000 : max <= 1500 ? 1500 : max <= 2000 ? 2000 : max <= 2500 ? 2500 : 3000;
    const i32 bottom = min < 0 ? -500 : 0;

    ScaleLabel(NumberLabel(top / 10).Get(), 82);
    ScaleLabel(NumberLabel(bottom / 10).Get(), 190);
    ScaleLabel(NumberLabel((bottom + top) / 20).Get(), 136);
    HourLabels(n);

    TextAt(kDegrees, 20, 59);
    TextAt(Text(Txt::kHoursUnit), 285, kAxisLabelBaseLine);

    DlSetForeground(Colour::kYellow);
    for (u8 i = 0; i < n; ++i) {
        const u16 x = static_cast<u16>(kPlotLeft + i);
        DlMoveTo(x, kPlotBottom);
        DlLineTo(x, CurveRow(static_cast<i16>(CollectorCurve[i]), bottom, top, 0));
    }
    if (n == 0) return;
    DlSetForeground(Colour::kDarkGrey);
    Curve(n, bottom, top, 0);
    Curve(n, bottom, top, 1);
}

constexpr PageRecord TemperaturesPage = {
    .names = Names("temperatures", "temperatures"),
    .nav = {.titleText = Txt::kMeasurementTitle,
            .section = Section::kMeasurement,
            .bar = Bars::kChartBar,
            .backPage = Page::kMenu,
            .nextPage = Page::kMeasurementFlow},
    .view = {.labels = kTemperatureLabels, .build = BuildTemperaturesPage, .refresh = RefreshTemperatures},
    .does = {.bar = SetupBar, .onButton = TemperaturesButton},
};

constexpr PageRecord FlowPage = {
    .names = Names("outside temperature and flow rate", "outside-temperature-and-flow-rate"),
    .nav = {.titleText = Txt::kMeasurementTitle,
            .section = Section::kMeasurement,
            .bar = Bars::kBackPrevious,
            .backPage = Page::kMenu,
            .prevPage = Page::kMeasurement},
    .view = {.labels = kFlowLabels, .build = BuildFlowPage, .refresh = RefreshFlow},
    .does = {.bar = FlowBar, .onButton = FlowButton},
};

constexpr PageRecord ExtraSensorsPage = {
    .names = Names("extra sensors", "extra-sensors"),
    .nav = {.titleText = Txt::kMeasurementTitle,
            .section = Section::kMeasurement,
            .bar = Bars::kBackPrevious,
            .backPage = Page::kMenu,
            .prevPage = Page::kMeasurementFlow},
    .view = {.labels = kExtraSensorLabels, .build = BuildExtraSensorsPage, .refresh = RefreshExtraSensors},
    .does = {.bar = SetupBar, .onButton = ExtraSensorsButton},
    .gallery =
        "set extra.offered on; set collector1 64.5; set outside1 11.2; set collector2 58.0; "
        "set outside2 9.8; go extra-sensors",
};

constexpr PageRecord CollectorChartPage = {
    .names = Names("collector chart", "collector-chart"),
    .nav = {.titleText = Txt::kCollector,
            .section = Section::kMeasurement,
            .bar = Bars::kBackOnly,
            .backPage = Page::kMeasurement},
    .view = {.build = DrawCollectorChart},
};

void ResetMeasurementStatics() { measurements = MeasurementState{}; }
