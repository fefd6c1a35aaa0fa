// The main menu: one row per section beside its icon. The arrows move the
// highlight, select opens the section; a tap selects a row, and a second
// tap on the same row opens it.
#include "panel/app/pages/Menu.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Lists.h"
#include "panel/dl/DrawApi.h"

namespace {

constexpr u8 kMenuRows = 5;
// Row i stands from y = 37 + 34 i to 70 + 34 i.
constexpr u16 kMenuRowPitch = 34;

// The menu's rows, top to bottom, each beside its section's icon.
constexpr TextId kMenuTexts[kMenuRows] = {Txt::kMenuMeasurement, Txt::kSolarYields, Txt::kSettings, Txt::kSystemData,
                                          Txt::kCheck};

u16 RowTop(u16 row) { return static_cast<u16>(37 + kMenuRowPitch * row); }

void DrawMenu(u8 full) {
    if (AppState.selectedRow == AppState.menuShownRow && full == 0) return;
    const u16 s = AppState.selectedRow < kMenuRows ? AppState.selectedRow : 0;
    FilledRect(Colour::kYellow, 36, RowTop(s), 220, RowTop(s) + 33);
    if (full == 0) {
        const u16 m = AppState.menuShownRow < kMenuRows ? AppState.menuShownRow : 0;
        if (m != s) FilledRect(Colour::kPanelGrey, 36, RowTop(m), 220, RowTop(m) + 33);
    } else {
        Colours(Colour::kBlack, Colour::kPanelGrey);
        for (u8 i = 0; i < kMenuRows; ++i) DlImage(10, RowTop(i) + 25, i, ImageSlot::kSections);
    }
    AppState.menuShownRow = AppState.selectedRow;
    DlSetFont(FontSlot::kBody);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
    const u16 d = static_cast<u16>((kMenuRowPitch - FontHeight(FontSlot::kBody)) / 2);
    for (u16 i = 0; i < kMenuRows; ++i) Label(kMenuTexts[i], 46, static_cast<u16>(RowTop(i) + 33 - d));
}

void BuildMenuPage() {
    DrawMenu(1);
    AppState.maxRow = kMenuRows - 1;
}

Outcome RefreshMenu() {
    if (AppState.selectedRow == AppState.menuShownRow) return Stay();
    BeginValueDrawing();
    DrawMenu(0);
    return Stay();
}

void EnterMenu() { AppState.selectedRow = AppState.menuReturnRow < kMenuRows ? AppState.menuReturnRow : 0; }

// The system data lie behind the access code, until it has been given.
Outcome OpenRow() {
    AppState.menuReturnRow = AppState.selectedRow;
    switch (AppState.selectedRow) {
        case 0: return GoTo(Page::kMeasurement);
        case 1: return GoTo(Page::kSolarYields);
        case 2: return GoTo(Page::kWarmWater);
        case 3:
            if (AppState.accessLevel != 0) return GoTo(Page::kSupplementary);
            AppState.historyAfterCode = 0;
            return GoTo(Page::kAccessCode);
        case 4: return GoTo(Page::kFaultsEntry);
        default: return Stay();
    }
}

Outcome MenuButton(ButtonId id) {
    switch (id) {
        case Button::kBack: return GoTo(Page::kStart);
        case Button::kPrevious:
        case Button::kNext:
            // The menu shares the rows' selection with the lists but never
            // scrolls.
            MoveSelection(id == Button::kPrevious, false);
            return Stay();
        case Button::kSelect: return OpenRow();
        default: return Default();
    }
}

Outcome MenuTouch(i16, i16 y) {
    if (!(35 < y && y < 197)) return Stay();
    KeyClick();
    const u8 row = static_cast<u8>(((y - 35) % 256) * kMenuRows / 172);
    Outcome next = Stay();
    if (row == AppState.selectedRow) {
        next = OpenRow();
    } else {
        AppState.selectedRow = row;
    }
    AppState.holdTicks = kHoldTicks;
    return next;
}

}  // namespace

constexpr PageRecord MenuPage = {
    .names = Names("menu", "menu"),
    .nav = {.titleText = Txt::kMenuTitle, .bar = Bars::kEntryBar},
    .view = {.build = BuildMenuPage, .refresh = RefreshMenu},
    .does = {.enter = EnterMenu, .onButton = MenuButton, .onTouch = MenuTouch},
};
