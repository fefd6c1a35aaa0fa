// The solar-yield pages. The yields page shows the output and the daily and
// total yields as they change; delete asks before it clears the total yield
// and the yield history, and the message closes after six seconds.
#include "panel/app/pages/Yields.h"
#include "panel/StaticState.h"

#include "panel/app/AppState.h"
#include "panel/app/Charts.h"
#include "panel/app/Draw.h"
#include "panel/app/Plant.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Clock.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"

namespace {

constexpr u8 kYieldRows = 3;
constexpr u16 kDeletedMessageTicks = 500;

struct YieldState {
    u32 shown[kYieldRows];
};

YieldState yields;

constexpr PageLabel kYieldLabels[] = {
    {Txt::kSolarOutput, 10, 70}, {Txt::kDailyYield, 10, 104}, {Txt::kTotalYield, 10, 138}};
constexpr PageLabel kDeleteYieldLabels[] = {{Txt::kDeleteTotalYieldQuestion, 10, 70}};
constexpr PageLabel kYieldDeletedLabels[] = {{Txt::kTotalYieldDeleted, 50, 138}};

constexpr NumberField kYieldFields[kYieldRows] = {{&Format::kFiveDigits, "", 185, 46, kReadingRight, 70},
                                                  {&Format::kFourDigits, "", 185, 80, kReadingRight, 104},
                                                  {&Format::kEightDigits, "", 155, 114, kReadingRight, 138}};

void BuildYieldsPage() {
    TextAt("kW", kUnitX, 70);
    TextAt("kWh", kUnitX, 104);
    TextAt("kWh", kUnitX, 138);
    for (u32& shown : yields.shown) shown = 0xFFFFFFFF;
}

Outcome RefreshYields() {
    const u32 values[kYieldRows] = {Plant.solarOutput / 10u, Settings.dailyYield / 10u, Settings.totalYield / 10u};
    for (u8 row = 0; row < kYieldRows; ++row) NumberRow(yields.shown[row], values[row], kYieldFields[row]);
    return Stay();
}

Outcome YieldsButton(ButtonId id) {
    if (id == Button::kDelete) return GoTo(Page::kDeleteYieldQuestion);
    if (id == Button::kChart) return GoTo(Page::kDailyYieldChart);
    return Default();
}

Outcome DeleteYieldButton(ButtonId id) { return id == Button::kConfirm ? GoTo(Page::kYieldDeleted) : Default(); }

// Showing the message is what deletes the yields.
void EnterYieldDeleted() {
    Settings.totalYield = 0;
    StoreSettingsField(SETTINGS_FIELD(totalYield));
    YieldHistoryBlock.index = 4711;
    YieldHistoryBlock.count = 0;
    StoreYieldHistory();
    AppState.messageTimer = kDeletedMessageTicks;
}

Outcome CloseYieldDeleted() { return CountDownMessage(0) ? GoTo(Page::kSolarYields) : Stay(); }

constexpr u16 kYieldScales[] = {50, 100, 200, 500, 1000, 2000, 5000};
constexpr i32 kBarHeight = 100;
constexpr i32 kWeekdayPitch = 32;
// Two weekday labels keep at least this many columns between them, on top
// of their glyphs' own blank columns.
constexpr i32 kMinLabelGap = 2;

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

// Every second bar, counted back from today, gets its weekday.
void WeekdayLabels(u8 count) {
    const char* days = Text(Txt::kWeekdayAbbreviations);
    const u8 font = WeekdayFont(days);
    DlSetFont(font);
    i32 k = WeekdayOf(PanelClock.day, PanelClock.month, static_cast<i16>(PanelClock.year)) + 21;
    for (i32 x = count * 16 + 43; x > 50; x -= kWeekdayPitch, k -= 2) {
        char label[4];
        WeekdayCell(days, static_cast<u8>(k % 7), label);
        TextAt(label, CentredX(label, x, font), kAxisLabelBaseLine);
    }
    DlSetFont(FontSlot::kBody);
}

}  // namespace

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

    ScaleLabel(NumberLabel(top / 10).Get(), 86);
    ScaleLabel(NumberLabel(0).Get(), 180);
    ScaleLabel(top == 50 ? "2,5" : NumberLabel(top / 20).Get(), 133);
    TextAt("kWh", 5, 60);
    WeekdayLabels(count);

    DlSetForeground(Colour::kDarkGrey);
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

constexpr PageRecord YieldsPage = {
    .names = Names("yields", "yields"),
    .nav = {.titleText = Txt::kSolarYields,
            .section = Section::kYields,
            .bar = {Button::kBack, Button::kNone, Button::kDelete, Button::kChart},
            .backPage = Page::kMenu},
    .view = {.labels = kYieldLabels, .build = BuildYieldsPage, .refresh = RefreshYields},
    .does = {.onButton = YieldsButton},
};

constexpr PageRecord DailyYieldChartPage = {
    .names = Names("daily-yield chart", "daily-yield-chart"),
    .nav = {.titleText = Txt::kDailyYieldTitle,
            .section = Section::kYields,
            .bar = Bars::kBackOnly,
            .backPage = Page::kSolarYields},
    .view = {.build = DrawYieldChart},
};

constexpr PageRecord DeleteYieldQuestionPage = {
    .names = Names("delete total yield", "delete-total-yield"),
    .nav = {.titleText = Txt::kSolarYields,
            .section = Section::kYields,
            .bar = Bars::kQuestionBar,
            .cancelPage = Page::kSolarYields},
    .view = {.labels = kDeleteYieldLabels},
    .does = {.onButton = DeleteYieldButton},
};

constexpr PageRecord YieldDeletedPage = {
    .names = Names("total yield deleted", "total-yield-deleted"),
    .nav = {.titleText = Txt::kSolarYields, .section = Section::kYields},
    .view = {.labels = kYieldDeletedLabels, .refresh = CloseYieldDeleted},
    .does = {.enter = EnterYieldDeleted},
};

void ResetYieldStatics() { yields = YieldState{}; }
