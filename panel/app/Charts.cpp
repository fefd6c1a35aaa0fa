#include "panel/app/Charts.h"

#include "panel/app/AppState.h"
#include "panel/app/Layout.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/Plant.h"
#include "panel/app/Refresh.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Clock.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"

namespace {

constexpr Rgb565 kWhite = 0xFFFF;
constexpr Rgb565 kCurveGrey = 0x7BEF;
constexpr Rgb565 kYesGreen = 0x07E0;

// Axis labels end at this column.
constexpr u16 kLabelRight = 40;
constexpr u16 kAxisLabelBaseLine = 203;

// The collector plot: rows 67..177 for the scale, one column per value.
constexpr i32 kPlotBottom = 177;
constexpr i32 kPlotHeight = 110;
constexpr u16 kPlotLeft = 51;

constexpr u16 kYieldScales[] = {50, 100, 200, 500, 1000, 2000, 5000};
constexpr i32 kBarHeight = 100;
constexpr i32 kWeekdayPitch = 32;
// Two weekday labels keep at least this many columns between them, on top
// of their glyphs' own blank columns.
constexpr i32 kMinLabelGap = 2;

// Nothing stands right of the entry view's lines: they may use the screen's
// full width.
constexpr u16 kEntryEnd = kScreenWidth;

// A number label with descriptor 9. Its sign column is a blank for the
// non-negative values, which is dropped so that a centred label sits under
// its column.
struct NumberLabel {
    char text[kNumberTextMax];
    explicit NumberLabel(i32 value) { FormatNumber(Format::kSignedDegrees, value, text); }
    const char* Get() const { return text[0] == ' ' ? text + 1 : text; }
    // With its sign column: the label's full box.
    const char* Full() const { return text; }
};

u16 StartOfCentred(const char* text, i32 centre, u8 font) {
    const i32 x = centre - TextWidth(text, font) / 2;
    return x > 0 ? static_cast<u16>(x) : 0;
}

void Axes(u16 top, u16 right) {
    DlSetForeground(Colour::kBlack);
    DlMoveTo(50, top);
    DlLineTo(50, 178);
    DlLineTo(right, 178);
    DlMoveTo(49, top);
    DlLineTo(49, 179);
    DlLineTo(right, 179);
}

// Values beyond the scale stay inside the plot instead of crossing the title
// bar or the axis.
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

// Cell `cell` of the weekday text: three characters, cut to two when the
// third is a blank; a text shorter than the cell gives what it has.
void WeekdayCell(const char* days, u8 cell, char (&out)[4]) {
    u16 start = 0;
    while (start < 3u * cell && days[start] != 0) ++start;
    u8 n = 0;
    while (n < 3 && days[start + n] != 0) {
        out[n] = days[start + n];
        ++n;
    }
    if (n == 3 && out[2] == ' ') n = 2;
    out[n] = 0;
}

void Append(char* out, u8& n, u8 capacity, const char* text) {
    while (*text != 0 && n + 1 < capacity) out[n++] = *text++;
    out[n] = 0;
}

// A value of the entry view: the number and its unit as one text after the
// label.
void Reading(const char* label, i16 value, const char* unit, u16 x, u16 y) {
    DlTextPos(x, y);
    DlText(label);
    char text[kNumberTextMax + 8];
    FormatNumber(Format::kTemperature, value, text);
    u8 n = 0;
    while (text[n] != 0) ++n;
    Append(text, n, sizeof text, unit);
    DlText(text);
}

bool Fits(const char* text, u16 x, u8 font) { return x + TextWidth(text, font) <= kEntryEnd; }

// A line in the body font, or in the small font when the body font would run
// past the right margin (some translations of the fault texts do).
void FittedLine(const char* text, u16 x, u16 y) {
    const bool small = !Fits(text, x, FontSlot::kBody);
    if (small) DlSetFont(FontSlot::kSmall);
    DlTextPos(x, y);
    DlText(text);
    if (small) DlSetFont(FontSlot::kBody);
}

// Neighbouring weekday labels stand 32 pixels apart; where a language's
// abbreviations are too wide for that in the body font, all of its labels
// take the small font.
u8 WeekdayFont(const char* days) {
    for (u8 cell = 0; cell < 7; ++cell) {
        char a[4];
        char b[4];
        WeekdayCell(days, cell, a);
        WeekdayCell(days, static_cast<u8>((cell + 2) % 7), b);
        const i32 gap = kWeekdayPitch - (TextWidth(a, FontSlot::kBody) + TextWidth(b, FontSlot::kBody)) / 2;
        if (gap < kMinLabelGap) return FontSlot::kSmall;
    }
    return FontSlot::kBody;
}

}  // namespace

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

    PrintRightAligned(NumberLabel(top / 10).Get(), kLabelRight, 82, FontSlot::kBody);
    PrintRightAligned(NumberLabel(bottom / 10).Get(), kLabelRight, 190, FontSlot::kBody);
    PrintRightAligned(NumberLabel((bottom + top) / 20).Get(), kLabelRight, 136, FontSlot::kBody);

    // Now in 10-minute steps; a label stands under every value that falls on
    // a full 6-hour mark. A label is shown only when its whole box, sign
    // column included, starts right of the axis; its digits are centred on
    // the mark.
    i32 t = PanelClock.minute / 10 + PanelClock.hour * 6 + 288;
    const i32 o = t % 36;
    for (i32 x = n + kPlotLeft - o; x > 50; x -= 36, t -= 36) {
        const NumberLabel label(((t - o) / 6) % 24);
        if (x - TextWidth(label.Full(), FontSlot::kBody) / 2 <= 50) continue;
        DlTextPos(static_cast<u16>(x - TextWidth(label.Get(), FontSlot::kBody) / 2), kAxisLabelBaseLine);
        DlText(label.Get());
    }

    DlTextPos(20, 59);
    DlText(kDegrees);
    DlTextPos(285, kAxisLabelBaseLine);
    DlText(Text(Txt::kHoursUnit));

    DlSetForeground(Colour::kYellow);
    for (u8 i = 0; i < n; ++i) {
        const u16 x = static_cast<u16>(kPlotLeft + i);
        DlMoveTo(x, kPlotBottom);
        DlLineTo(x, CurveRow(static_cast<i16>(CollectorCurve[i]), bottom, top, 0));
    }
    if (n == 0) return;
    DlSetForeground(kCurveGrey);
    Curve(n, bottom, top, 0);
    Curve(n, bottom, top, 1);
}

void DrawYieldChart() {
    Axes(60, 275);

    const u8 count = YieldHistoryBlock.count < kYieldHistoryDays ? YieldHistoryBlock.count : kYieldHistoryDays;
    u16 max = 50;
    for (u8 i = 0; i < count; ++i) {
        if (YieldHistoryBlock.days[i] > max) max = YieldHistoryBlock.days[i];
    }
    u16 top = 5000;
    for (u16 scale : kYieldScales) {
        if (scale >= max) {
            top = scale;
            break;
        }
    }

    PrintRightAligned(NumberLabel(top / 10).Get(), kLabelRight, 86, FontSlot::kBody);
    PrintRightAligned(NumberLabel(0).Get(), kLabelRight, 180, FontSlot::kBody);
    PrintRightAligned(top == 50 ? "2,5" : NumberLabel(top / 20).Get(), kLabelRight, 133, FontSlot::kBody);
    DlTextPos(5, 60);
    DlText("kWh");

    // Every second bar, counted back from today, gets its weekday.
    const char* days = Text(Txt::kWeekdayAbbreviations);
    const u8 font = WeekdayFont(days);
    DlSetFont(font);
    i32 k = WeekdayOf(PanelClock.day, PanelClock.month, static_cast<i16>(PanelClock.year)) + 21;
    for (i32 x = count * 16 + 43; x > 50; x -= kWeekdayPitch, k -= 2) {
        char label[4];
        WeekdayCell(days, static_cast<u8>(k % 7), label);
        DlTextPos(StartOfCentred(label, x, font), kAxisLabelBaseLine);
        DlText(label);
    }
    DlSetFont(FontSlot::kBody);

    DlSetForeground(kCurveGrey);
    DlSetBackground(Colour::kYellow);
    for (u8 i = 0; i < count; ++i) {
        const u32 v = YieldHistoryBlock.days[i] < top ? YieldHistoryBlock.days[i] : top;
        const u16 h = static_cast<u16>(v * kBarHeight / top);
        const u16 x = static_cast<u16>(52 + 16 * i);
        DlSetFlags(DrawMode::kFilled);
        DlRect(x, 170 - h, x + 14, 170);
        DlSetFlags(DrawMode::kOutline);
        DlRect(x - 1, 169 - h, x + 15, 171);
    }
}

void DrawFaultEntry(u8 index) {
    const FaultHistoryEntry* entry = GetFaultHistoryEntry(index);
    if (entry == nullptr) return;
    const FaultHistoryEntry e = *entry;

    DlSetFont(FontSlot::kBody);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);

    DlTextPos(10, 70);
    PrintTwoDigits(e.day);
    DlChar('.');
    PrintTwoDigits(e.month);
    DlChar('.');
    PrintTwoDigits(20);
    PrintTwoDigits(static_cast<u8>(e.year % 100));
    DlChar(' ');
    DlChar(' ');
    PrintTwoDigits(e.hour);
    DlChar(':');
    PrintTwoDigits(e.minute);

    DlTextPos(10, 94);
    DlText(Text(Txt::kFaultCodeLabel));
    DlChar(' ');
    PrintTwoDigits(e.faultCode);

    FittedLine(FaultDescription(e.faultCode), 10, 118);

    Reading("TSA: ", e.collectorTemp, kSpacedDegrees, 10, 142);
    Reading("TSE: ", e.tankTemp, kSpacedDegrees, 160, 142);
    Reading("V: ", e.flow, " l/min", 10, 166);
    Reading("TAM: ", e.outsideTemp, kSpacedDegrees, 160, 166);

    // Mode and status share the last line above the bottom bar; when they do
    // not fit on it even in the small font, they take a small line each.
    const char* mode = OperatingModeText(e.operatingModeIndex);
    const char* status = Text(StatusTextId(e.controllerStateIndex));
    const bool both = mode[0] != 0 && status[0] != 0;
    char line[96];
    u8 n = 0;
    Append(line, n, sizeof line, mode);
    if (both) Append(line, n, sizeof line, ", ");
    Append(line, n, sizeof line, status);
    if (!both || Fits(line, 10, FontSlot::kSmall)) {
        FittedLine(line, 10, 190);
        return;
    }
    n = 0;
    Append(line, n, sizeof line, mode);
    Append(line, n, sizeof line, ",");
    DlSetFont(FontSlot::kSmall);
    DlTextPos(10, 186);
    DlText(line);
    DlTextPos(10, 203);
    DlText(status);
    DlSetFont(FontSlot::kBody);
}

void DrawConfirmDialog() {
    DlSetForeground(Colour::kBlack);
    DlSetBackground(kWhite);
    DlSetFlags(DrawMode::kFilled);
    DlRect(20, 50, 300, 190);

    RemoveTouchButton(Button::kNone);
    AppState.dialogTimer = 1000;

    DlSetBackground(kYesGreen);
    DlRect(70, 70, 140, 130);
    AddTouchButton(Button::kYes, 70, 70, 140, 130);
    DlSetBackground(Colour::kRed);
    DlRect(180, 70, 250, 130);
    AddTouchButton(Button::kNo, 180, 70, 250, 130);

    DlSetFont(FontSlot::kTitle);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    const u16 baseLine = static_cast<u16>(100 + FontHeight(FontSlot::kTitle) / 2);
    const char* yes = Text(Txt::kYes);
    const char* no = Text(Txt::kNo);
    DlTextPos(StartOfCentred(yes, 105, FontSlot::kTitle), baseLine);
    DlText(yes);
    DlTextPos(StartOfCentred(no, 215, FontSlot::kTitle), baseLine);
    DlText(no);

    const u32 update = UpdateInformation();
    const u32 version = update >> 8;
    char build[6];
    FormatUnsigned(build, static_cast<u16>(update & 255));
    const char number[] = {' ',
                           'V',
                           static_cast<char>('0' + version / 100 % 10),
                           '.',
                           static_cast<char>('0' + version / 10 % 10),
                           static_cast<char>('0' + version % 10),
                           '.',
                           0};
    char question[64];
    u8 n = 0;
    Append(question, n, sizeof question, Text(Txt::kUpdateTo));
    Append(question, n, sizeof question, number);
    Append(question, n, sizeof question, build);
    Append(question, n, sizeof question, " ?");
    DlSetFont(FontSlot::kSmall);
    DlTextPos(StartOfCentred(question, 160, FontSlot::kSmall), 170);
    DlText(question);
}

u8 FormatUnsigned(char* out, u16 value) {
    char digits[5];
    for (u8 i = 5; i-- > 0;) {
        digits[i] = static_cast<char>('0' + value % 10);
        value = static_cast<u16>(value / 10);
    }
    u8 first = 0;
    while (first < 4 && digits[first] == '0') ++first;
    u8 n = 0;
    for (u8 i = first; i < 5; ++i) out[n++] = digits[i];
    out[n] = 0;
    return n;
}

const char* FormatVersion() {
    static char buffer[] = "V 0.10";
    const u16 v = VersionNumber;
    buffer[2] = static_cast<char>('0' + v / 100 % 10);
    buffer[4] = static_cast<char>('0' + v % 100 / 10);
    buffer[5] = static_cast<char>('0' + v % 10);
    return buffer;
}
