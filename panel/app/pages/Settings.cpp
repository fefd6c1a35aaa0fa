// The settings pages. The warm water set value is edited with plus and minus;
// the time and date are edited on a copy of the clock; the load strategy, the
// language and the shortcut key are chosen on their lists, whose confirm
// stores the choice and returns to the value page. Without a second tank the
// load strategy is left out of the walk and its list offers two rows.
#include "panel/app/pages/Settings.h"
#include "panel/StaticState.h"

#include <iterator>

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Editors.h"
#include "panel/app/Lists.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Clock.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"

namespace {

struct ClockFieldState {
    u8 minuteShown;
    u8 dayShown;
};

ClockFieldState clockFields;

constexpr PageLabel kWarmWaterLabels[] = {{Txt::kWarmWaterSetValue, 10, 70}};
constexpr PageLabel kLoadStrategyLabels[] = {{Txt::kLoadStrategy, 10, 70}};
constexpr PageLabel kTimeLabels[] = {{Txt::kTime, 10, 70}};
constexpr PageLabel kDateLabels[] = {{Txt::kDate, 10, 70}};
constexpr PageLabel kLanguageLabels[] = {{Txt::kLanguage, 10, 70}};
constexpr PageLabel kShortcutLabels[] = {{Txt::kShortcutFunctionLine1, 10, 70}, {Txt::kShortcutFunctionLine2, 10, 100}};

// Each row of the language list is the language's own name.
constexpr TextId kLanguageRows[kLanguageCount] = {Txt::kLanguageName, Txt::kLanguageName, Txt::kLanguageName,
                                                  Txt::kLanguageName, Txt::kLanguageName, Txt::kLanguageName,
                                                  Txt::kLanguageName};

bool WithoutSecondTank() { return Settings.supplementaryFunction == 0; }

void RightAlignedValue(const char* text) { PrintRightAligned(text, kValueRight, kValueLine, FontSlot::kBody); }

// A list's confirm returns to its value page, which now shows the choice.
Outcome ListConfirmed(ButtonId id, void (*store)(u8 row), PageId valuePage) {
    if (id != Button::kConfirm) return Default();
    store(AppState.selectedRow);
    return GoTo(valuePage);
}

constexpr TemperatureSetting kWarmWater = {[] { return static_cast<u16>(Settings.warmWaterSetValue); },
                                           [](u16 value) {
                                               Settings.warmWaterSetValue = value;
                                               StoreSettingsField(SETTINGS_FIELD(warmWaterSetValue));
                                           },
                                           Limit::kWarmWater, kDegrees};

Outcome RefreshWarmWater() {
    DrawTemperatureSetting(kWarmWater);
    return Stay();
}

Outcome WarmWaterButton(ButtonId id) {
    if (id == Button::kNext) return GoTo(WithoutSecondTank() ? Page::kTime : Page::kLoadStrategy);
    return TemperatureButton(kWarmWater, id);
}

void BuildLoadStrategyPage() { RightAlignedValue(LoadStrategyText(Settings.loadStrategy)); }

Outcome LoadStrategyButton(ButtonId id) { return id == Button::kEdit ? GoTo(Page::kLoadStrategyList) : Default(); }

// Without a second tank only the first two strategies apply.
u8 LoadStrategyRowCount() { return Settings.supplementaryFunction == 1 ? 4 : 2; }

void EnterLoadStrategyList() { PreselectRow(Settings.loadStrategy, LoadStrategyRowCount()); }

Outcome LoadStrategyListButton(ButtonId id) {
    return ListConfirmed(
        id,
        [](u8 row) {
            Settings.loadStrategy = row;
            StoreSettingsField(SETTINGS_FIELD(loadStrategy));
        },
        Page::kLoadStrategy);
}

void PutTwoDigits(char* out, u8& n, u8 value) {
    out[n++] = static_cast<char>('0' + value / 10 % 10);
    out[n++] = static_cast<char>('0' + value % 10);
}

// The time and date are composed first so that a field too narrow for the
// font moves left instead of wrapping at the screen's edge. While editing,
// the fields show the edit copy.
void PrintClockField(u16 x0, const char* text) {
    BeginValueDrawing();
    const u16 x = FitOnScreen(x0, text, FontSlot::kBody);
    ClearField(x, kValueTop, kLastColumn, kValueLine);
    DlSetForeground(ValueColour());
    DlText(text);
}

Outcome RefreshTime() {
    if (!AppState.justBuilt && PanelClock.minute == clockFields.minuteShown) return Stay();
    const PanelClockRecord& clock = AppState.editActive ? ClockEdit : PanelClock;
    char text[8];
    u8 n = 0;
    PutTwoDigits(text, n, clock.hour);
    Append(text, n, sizeof text, " : ");
    PutTwoDigits(text, n, clock.minute);
    text[n] = 0;
    PrintClockField(250, text);
    clockFields.minuteShown = PanelClock.minute;
    return Stay();
}

Outcome RefreshDate() {
    if (!AppState.justBuilt && PanelClock.day == clockFields.dayShown) return Stay();
    const PanelClockRecord& clock = AppState.editActive ? ClockEdit : PanelClock;
    char text[24];
    u8 n = 0;
    PutTwoDigits(text, n, clock.day);
    Append(text, n, sizeof text, ". ");
    PutTwoDigits(text, n, clock.month);
    Append(text, n, sizeof text, ". ");
    FormatNumber(Format::kFourDigits, clock.year, text + n);
    PrintClockField(220, text);
    clockFields.dayShown = PanelClock.day;
    return Stay();
}

// Plus and minus go to the clock's adjust hooks; confirm takes the edited
// fields into the running clock (the time restarts its minute).
Outcome ClockButton(ButtonId id, void (*adjust)(u8, PanelClockRecord*), void (*confirm)()) {
    switch (id) {
        case Button::kEdit: {
            const Outcome started = StartEdit(0);
            ClockEdit = PanelClock;
            return started;
        }
        case Button::kPlus:
        case Button::kMinus:
            if (AppState.editActive) adjust(id == Button::kPlus, &ClockEdit);
            return Stay();
        case Button::kConfirm:
            if (!AppState.editActive) return Stay();
            confirm();
            ClockWriteHook();
            return EndEdit();
        default: return Default();
    }
}

Outcome TimeButton(ButtonId id) {
    if (id == Button::kPrevious) return GoTo(WithoutSecondTank() ? Page::kWarmWater : Page::kLoadStrategy);
    return ClockButton(id, TimeAdjustHook, [] {
        PanelClock.second = 0;
        PanelClock.minute = ClockEdit.minute;
        PanelClock.hour = ClockEdit.hour;
    });
}

Outcome DateButton(ButtonId id) {
    return ClockButton(id, DateAdjustHook, [] {
        PanelClock.day = ClockEdit.day;
        PanelClock.month = ClockEdit.month;
        PanelClock.year = ClockEdit.year;
    });
}

void BuildLanguagePage() { RightAlignedValue(Text(Txt::kLanguageName)); }

Outcome LanguageButton(ButtonId id) { return id == Button::kEdit ? GoTo(Page::kLanguageList) : Default(); }

void EnterLanguageList() { PreselectRow(Settings.language, kLanguageCount); }

Outcome LanguageListButton(ButtonId id) {
    return ListConfirmed(
        id,
        [](u8 row) {
            Settings.language = row;
            StoreSettingsField(SETTINGS_FIELD(language));
        },
        Page::kLanguage);
}

void BuildShortcutPage() { RightAlignedValue(ShortcutText(Settings.shortcutFunction)); }

Outcome ShortcutButton(ButtonId id) { return id == Button::kEdit ? GoTo(Page::kShortcutList) : Default(); }

void EnterShortcutList() { PreselectRow(Settings.shortcutFunction, std::size(ShortcutTexts)); }

Outcome ShortcutListButton(ButtonId id) {
    return ListConfirmed(
        id,
        [](u8 row) {
            Settings.shortcutFunction = row;
            StoreSettingsField(SETTINGS_FIELD(shortcutFunction));
        },
        Page::kShortcut);
}

}  // namespace

constexpr PageRecord WarmWaterPage = {
    .names = Names("warm water set value", "warm-water-set-value"),
    .nav = {.titleText = Txt::kSettings,
            .section = Section::kSettings,
            .bar = Bars::kFirstSettingBar,
            .backPage = Page::kMenu,
            .cancelPage = Page::kWarmWater},
    .view = {.labels = kWarmWaterLabels, .flags = PageFlag::kValueLine, .refresh = RefreshWarmWater},
    .does = {.bar = BarWhileEditing, .onButton = WarmWaterButton},
};

constexpr PageRecord LoadStrategyPage = {
    .names = Names("load strategy", "load-strategy"),
    .nav = {.titleText = Txt::kSettings,
            .section = Section::kSettings,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kWarmWater,
            .nextPage = Page::kTime},
    .view = {.labels = kLoadStrategyLabels, .flags = PageFlag::kValueLine, .build = BuildLoadStrategyPage},
    .does = {.onButton = LoadStrategyButton},
};

constexpr PageRecord LoadStrategyListPage = {
    .names = Names("load strategy list", "load-strategy-list"),
    .nav = {.titleText = Txt::kLoadStrategy,
            .section = Section::kSettings,
            .bar = Bars::kListBar,
            .cancelPage = Page::kLoadStrategy},
    .view = {.rows = LoadStrategyTexts, .flags = PageFlag::kList, .rowCount = LoadStrategyRowCount},
    .does = {.enter = EnterLoadStrategyList, .onButton = LoadStrategyListButton},
};

constexpr PageRecord TimePage = {
    .names = Names("time", "time"),
    .nav = {.titleText = Txt::kSettings,
            .section = Section::kSettings,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .nextPage = Page::kDate,
            .cancelPage = Page::kTime},
    .view = {.labels = kTimeLabels, .flags = PageFlag::kValueLine, .refresh = RefreshTime},
    .does = {.bar = BarWhileEditing, .onButton = TimeButton},
};

constexpr PageRecord DatePage = {
    .names = Names("date", "date"),
    .nav = {.titleText = Txt::kSettings,
            .section = Section::kSettings,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kTime,
            .nextPage = Page::kLanguage,
            .cancelPage = Page::kDate},
    .view = {.labels = kDateLabels, .flags = PageFlag::kValueLine, .refresh = RefreshDate},
    .does = {.bar = BarWhileEditing, .onButton = DateButton},
};

constexpr PageRecord LanguagePage = {
    .names = Names("language", "language"),
    .nav = {.titleText = Txt::kSettings,
            .section = Section::kSettings,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kDate,
            .nextPage = Page::kShortcut},
    .view = {.labels = kLanguageLabels, .flags = PageFlag::kValueLine, .build = BuildLanguagePage},
    .does = {.onButton = LanguageButton},
};

constexpr PageRecord LanguageListPage = {
    .names = Names("language list", "language-list"),
    .nav = {.titleText = Txt::kLanguage,
            .section = Section::kSettings,
            .bar = Bars::kListBar,
            .cancelPage = Page::kLanguage},
    .view = {.rows = kLanguageRows, .flags = PageFlag::kList | PageFlag::kRowsInOwnLanguage},
    .does = {.enter = EnterLanguageList, .onButton = LanguageListButton},
};

constexpr PageRecord ShortcutPage = {
    .names = Names("shortcut key function", "shortcut-key-function"),
    .nav = {.titleText = Txt::kSettings,
            .section = Section::kSettings,
            .bar = Bars::kLastSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kLanguage},
    .view = {.labels = kShortcutLabels, .flags = PageFlag::kValueLine, .build = BuildShortcutPage},
    .does = {.onButton = ShortcutButton},
};

constexpr PageRecord ShortcutListPage = {
    .names = Names("shortcut function list", "shortcut-function-list"),
    .nav = {.titleText = Txt::kShortcutKey,
            .section = Section::kSettings,
            .bar = Bars::kListBar,
            .cancelPage = Page::kShortcut},
    .view = {.rows = ShortcutTexts, .flags = PageFlag::kList},
    .does = {.enter = EnterShortcutList, .onButton = ShortcutListButton},
};

void ResetSettingsPageStatics() { clockFields = ClockFieldState{}; }
