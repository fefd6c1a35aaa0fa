// The system-data pages. The access code is entered with plus and minus; a
// correct code opens the system data (or the fault history, when that was
// asked for) until the program ends, a wrong one shows its message for twelve
// seconds. The guided setup walks these pages with their edits open: the
// supplementary function, the maximum tank temperature, the limit that the
// supplementary function needs, then the measurements; there confirm and
// cancel both lead on.
#include "panel/app/pages/SystemData.h"

#include <iterator>

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Editors.h"
#include "panel/app/Lists.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"

namespace {

constexpr u8 kHighestCode = 99;
constexpr u16 kWrongCodeMessageTicks = 1000;

constexpr PageLabel kAccessCodeLabels[] = {{Txt::kAccessCode, 10, 70}};
constexpr PageLabel kWrongCodeLabels[] = {{Txt::kWrongAccessCode, 50, 138}};
constexpr PageLabel kSupplementaryLabels[] = {{Txt::kSupplementaryFunction, 10, 70}};
constexpr PageLabel kMaxTankLabels[] = {{Txt::kMaxTankTemperature, 10, 70}};
constexpr PageLabel kMaxTank2Labels[] = {{Txt::kMaxTank2TemperatureLine1, 10, 70},
                                         {Txt::kMaxTank2TemperatureLine2, 10, 94}};
constexpr PageLabel kMaxSupplyLabels[] = {{Txt::kMaxSupplyTemperatureLine1, 10, 70},
                                          {Txt::kMaxSupplyTemperatureLine2, 10, 94}};

bool InSetup() { return AppState.wizardMode != 0; }

// The guided setup's next step after the supplementary function list or
// one of the limit pages.
Outcome NextSetupStep(PageId page) {
    switch (page) {
        case Page::kSupplementaryList: return GoToAndEdit(Page::kMaxTank);
        case Page::kMaxTank:
            if (Settings.supplementaryFunction == 0) return GoTo(Page::kMeasurement);
            if (Settings.supplementaryFunction == 1) return GoToAndEdit(Page::kMaxTank2);
            if (Settings.supplementaryFunction == 2) return GoToAndEdit(Page::kMaxSupply);
            return Stay();
        default: return GoTo(Page::kMeasurement);
    }
}

// The number being entered is drawn in red, as an edit is.
Outcome RefreshAccessCode() {
    if (!AppState.justBuilt) return Stay();
    BeginValueDrawing();
    ClearField(280, kValueTop, kLastColumn, kValueLine);
    DlSetForeground(Colour::kRed);
    PrintTwoDigits(AppState.selectedRow);
    return Stay();
}

Outcome CheckAccessCode() {
    const u8 code = AppState.selectedRow;
    if (code != AccessCodeA && code != AccessCodeB) {
        AppState.accessLevel = 0;
        return GoTo(Page::kWrongAccessCode);
    }
    AppState.accessLevel = code;
    if (AppState.historyAfterCode == 1) return GoTo(Page::kFaultHistory);
    return GoTo(InSetup() ? Page::kSupplementaryList : Page::kSupplementary);
}

// The number is held in the selected row. Back returns whence the guided
// setup came, or to the menu.
Outcome AccessCodeButton(ButtonId id) {
    switch (id) {
        case Button::kBack: {
            const u8 mode = AppState.wizardMode;
            if (mode != 1 && mode != 2) return GoTo(Page::kMenu);
            AppState.wizardMode = 0;
            return GoTo(mode == 1 ? Page::kCommissioningEntry : Page::kStart);
        }
        case Button::kPlus:
            if (AppState.selectedRow < kHighestCode) AppState.selectedRow += 1;
            return Stay();
        case Button::kMinus:
            if (AppState.selectedRow > 0) AppState.selectedRow -= 1;
            return Stay();
        case Button::kConfirm: return CheckAccessCode();
        default: return Default();
    }
}

void EnterWrongCode() { AppState.messageTimer = kWrongCodeMessageTicks; }

Outcome CloseWrongCode() { return CountDownMessage(0) ? GoTo(Page::kAccessCode) : Stay(); }

// The value and the second line of the "with tuning set" choice share one
// left edge, so that both end within the screen.
void BuildSupplementaryPage() {
    const char* value = SupplementaryText(Settings.supplementaryFunction);
    const char* second = Text(Txt::kSupplementaryHeatingSupportLine2);
    const i32 xValue = kValueRight - TextWidth(value, FontSlot::kBody);
    const i32 xSecond = kValueRight - TextWidth(second, FontSlot::kBody);
    i32 x = xValue < xSecond ? xValue : xSecond;
    if (x < 0) x = 0;
    TextAt(value, static_cast<u16>(x), kValueLine);
    if (Settings.supplementaryFunction == 2) TextAt(second, static_cast<u16>(x), kValueLine + 24);
}

Outcome SupplementaryButton(ButtonId id) {
    if (id == Button::kNext) return GoTo(Page::kMaxTank);
    if (id == Button::kEdit) return GoTo(Page::kSupplementaryList);
    return Default();
}

void EnterSupplementaryList() { PreselectRow(Settings.supplementaryFunction, std::size(SupplementaryTexts)); }

Outcome SupplementaryListButton(ButtonId id) {
    if (id == Button::kConfirm) {
        Settings.supplementaryFunction = AppState.selectedRow;
        StoreSettingsField(SETTINGS_FIELD(supplementaryFunction));
    } else if (id != Button::kCancel) {
        return Default();
    }
    return InSetup() ? NextSetupStep(Page::kSupplementaryList) : GoTo(Page::kSupplementary);
}

constexpr TemperatureSetting kMaxTank = {[] { return static_cast<u16>(Settings.maxTankTemp); },
                                         [](u16 value) {
                                             Settings.maxTankTemp = value;
                                             StoreSettingsField(SETTINGS_FIELD(maxTankTemp));
                                         },
                                         Limit::kMaxTank, kSpacedDegrees};

// Tank 2 and the heating circuits share one setting.
constexpr TemperatureSetting kMaxTank2 = {[] { return static_cast<u16>(Settings.maxTank2Temp); },
                                          [](u16 value) {
                                              Settings.maxTank2Temp = value;
                                              StoreSettingsField(SETTINGS_FIELD(maxTank2Temp));
                                          },
                                          Limit::kMaxTank2, kSpacedDegrees};

Outcome RefreshMaxTank() {
    DrawTemperatureSetting(kMaxTank);
    return Stay();
}

Outcome RefreshMaxTank2() {
    DrawTemperatureSetting(kMaxTank2);
    return Stay();
}

// Outside the guided setup, cancel ends the edit by entering the page anew;
// in it, confirm and cancel lead on.
Outcome LimitButton(const TemperatureSetting& setting, PageId page, ButtonId id) {
    if (id == Button::kCancel) return InSetup() ? NextSetupStep(page) : GoTo(page);
    const bool editing = AppState.editActive != 0;
    const Outcome outcome = TemperatureButton(setting, id);
    if (id == Button::kConfirm && editing && InSetup()) return BarChanged(NextSetupStep(page));
    return outcome;
}

// The way on to the second limit exists only with a supplementary function.
void MaxTankBar(u8* slots) {
    if (!EditBar(slots) && Settings.supplementaryFunction == 0) slots[2] = Button::kNone;
}

Outcome MaxTankButton(ButtonId id) {
    if (id == Button::kPrevious) return GoTo(Page::kSupplementary);
    if (id == Button::kNext) {
        if (Settings.supplementaryFunction == 1) return GoTo(Page::kMaxTank2);
        if (Settings.supplementaryFunction == 2) return GoTo(Page::kMaxSupply);
        return Stay();
    }
    return LimitButton(kMaxTank, Page::kMaxTank, id);
}

void MaxTank2Bar(u8* slots) {
    if (!EditBar(slots)) slots[2] = Button::kNone;
}

Outcome MaxTank2Button(ButtonId id) { return LimitButton(kMaxTank2, Page::kMaxTank2, id); }
Outcome MaxSupplyButton(ButtonId id) { return LimitButton(kMaxTank2, Page::kMaxSupply, id); }

}  // namespace

constexpr PageRecord AccessCodePage = {
    .names = Names("access code", "access-code"),
    .nav = {.titleText = Txt::kSystemData,
            .section = Section::kSystemData,
            .bar = {Button::kBack, Button::kMinus, Button::kPlus, Button::kConfirm}},
    .view = {.labels = kAccessCodeLabels, .refresh = RefreshAccessCode},
    .does = {.onButton = AccessCodeButton},
};

constexpr PageRecord WrongAccessCodePage = {
    .names = Names("wrong access code", "wrong-access-code"),
    .nav = {.titleText = Txt::kSystemData, .section = Section::kSystemData},
    .view = {.labels = kWrongCodeLabels, .refresh = CloseWrongCode},
    .does = {.enter = EnterWrongCode},
    .gallery = "go access-code; tap confirm",
};

constexpr PageRecord SupplementaryPage = {
    .names = Names("supplementary function", "supplementary-function"),
    .nav = {.titleText = Txt::kSystemData,
            .section = Section::kSystemData,
            .bar = Bars::kFirstSettingBar,
            .backPage = Page::kMenu},
    .view = {.labels = kSupplementaryLabels, .flags = PageFlag::kValueLine, .build = BuildSupplementaryPage},
    .does = {.onButton = SupplementaryButton},
    .gallery = "go access-code; repeat 36 tap plus; tap confirm",
};

constexpr PageRecord SupplementaryListPage = {
    .names = Names("supplementary function list", "supplementary-function-list"),
    .nav = {.titleText = Txt::kSupplementaryFunction, .section = Section::kSystemData, .bar = Bars::kListBar},
    .view = {.rows = SupplementaryTexts,
             .flags = PageFlag::kList,
             .secondLine = Txt::kSupplementaryHeatingSupportLine2},
    .does = {.enter = EnterSupplementaryList, .onButton = SupplementaryListButton},
};

constexpr PageRecord MaxTankPage = {
    .names = Names("maximum tank temperature", "maximum-tank-temperature"),
    .nav = {.titleText = Txt::kSystemData,
            .section = Section::kSystemData,
            .bar = Bars::kSettingBar,
            .backPage = Page::kMenu},
    .view = {.labels = kMaxTankLabels, .flags = PageFlag::kValueLine, .refresh = RefreshMaxTank},
    .does = {.bar = MaxTankBar, .onButton = MaxTankButton},
};

constexpr PageRecord MaxTank2Page = {
    .names = Names("maximum temperature of tank 2", "maximum-temperature-of-tank-2"),
    .nav = {.titleText = Txt::kSystemData,
            .section = Section::kSystemData,
            .bar = Bars::kLastSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kMaxTank},
    .view = {.labels = kMaxTank2Labels, .flags = PageFlag::kValueLine, .refresh = RefreshMaxTank2},
    .does = {.bar = MaxTank2Bar, .onButton = MaxTank2Button},
};

constexpr PageRecord MaxSupplyPage = {
    .names = Names("maximum supply temperature", "maximum-supply-temperature"),
    .nav = {.titleText = Txt::kSystemData,
            .section = Section::kSystemData,
            .bar = Bars::kLastSettingBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kMaxTank},
    .view = {.labels = kMaxSupplyLabels, .flags = PageFlag::kValueLine, .refresh = RefreshMaxTank2},
    .does = {.bar = MaxTank2Bar, .onButton = MaxSupplyButton},
};
