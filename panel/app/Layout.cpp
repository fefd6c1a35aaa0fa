#include "panel/app/Layout.h"

#include <span>

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Charts.h"
#include "panel/app/Plant.h"
#include "panel/app/Refresh.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

constexpr char kDegrees[] =
    "\xB0"
    "C";

constexpr u16 kLoadStrategyTexts[] = {29, 31, 30, 32};
constexpr u16 kShortcutTexts[] = {8, 4, 36};
constexpr u16 kSupplementaryTexts[] = {46, 47, 48};
constexpr u16 kOperatingModeTexts[] = {60, 61, 62, 63};
constexpr u16 kShortcutIcons[] = {Button::kMeasurementShortcut, Button::kYieldsShortcut, Button::kLanguageShortcut};

// The text that a setting's value names; a value beyond its table has none.
const char* PickText(std::span<const u16> table, u8 value) { return value < table.size() ? Text(table[value]) : ""; }

void Colours(Rgb565 foreground, Rgb565 background) {
    DlSetForeground(foreground);
    DlSetBackground(background);
}

void FilledRect(Rgb565 colour, u16 x0, u16 y0, u16 x1, u16 y1) {
    Colours(colour, colour);
    DlSetFlags(DrawMode::kFilled);
    DlRect(x0, y0, x1, y1);
}

void Label(u16 id, u16 x, u16 y) {
    DlTextPos(x, y);
    DlText(Text(id));
}

void TextAt(const char* text, u16 x, u16 y) {
    DlTextPos(x, y);
    DlText(text);
}

void SetSlots(u8 a, u8 b, u8 c, u8 d) {
    AppState.barButtons[0] = a;
    AppState.barButtons[1] = b;
    AppState.barButtons[2] = c;
    AppState.barButtons[3] = d;
}

void EditBar() { SetSlots(Button::kCancel, Button::kMinus, Button::kPlus, Button::kConfirm); }

constexpr u16 kRows2[] = {65, 99, 133, 167};
constexpr u16 kRows4[] = {70, 104, 138, 172};

void BuildMeasurementPage(u8 page) {
    if (page == 2) {
        Label(9, 10, 65);
        Label(10, 10, 99);
        Label(13, 10, 133);
        Label(11, 10, 167);
        for (u16 y : kRows2) TextAt(kDegrees, 270, y);
        if (Plant.fifthRowShown) {
            Label(Settings.supplementaryFunction == 1 ? 12 : 14, 10, 201);
            TextAt(kDegrees, 270, 201);
        }
    } else if (page == 3) {
        Label(15, 10, 70);
        Label(16, 10, 94);
        Label(17, 10, 128);
        Label(130, 10, 162);
        Label(131, 10, 186);
        TextAt(kDegrees, 270, 70);
        TextAt("l/min", FitOnScreen(272, "l/min", FontSlot::kBody), 128);
        TextAt(kDegrees, 270, 162);
    } else {
        Label(122, 10, 70);
        Label(126, 10, 104);
        Label(123, 10, 138);
        Label(127, 10, 172);
        for (u16 y : kRows4) TextAt(kDegrees, 270, y);
    }
    ResetMeasurementCaches();
}

void BuildStartPage() {
    if (Settings.faultCode != 0) return;
    DlSetFlags(DrawMode::kOutline);
    ResetSchematic();
    DlSetForeground(Colour::kBlack);
    DlRoundRect(140, 114, 180, 204, 7, 15);
    DlSetBackground(Colour::kYellow);
    DlImage(183, 80, 1, ImageSlot::kPlant);
    DlImage(206, 170, 0, ImageSlot::kPumps);
    if (Settings.supplementaryFunction == 1) {
        DlSetForeground(Colour::kBlack);
        DlRoundRect(250, 114, 290, 204, 7, 15);
    } else if (Settings.supplementaryFunction == 2) {
        DlImage(255, 199, 0, ImageSlot::kPlant);
    }
}

void BuildVersionsPage() {
    Label(85, 10, 70);
    Label(86, 10, 104);
    Label(87, 10, 138);
    Label(88, 10, 172);
    Label(128, 10, 204);
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

void BuildSupplementaryPage() {
    Label(43, 10, 70);
    const char* value = SupplementaryText(Settings.supplementaryFunction);
    const char* second = Text(49);
    const i32 xValue = 309 - TextWidth(value, FontSlot::kBody);
    const i32 xSecond = 309 - TextWidth(second, FontSlot::kBody);
    i32 x = xValue < xSecond ? xValue : xSecond;
    if (x < 0) x = 0;
    TextAt(value, static_cast<u16>(x), 138);
    if (Settings.supplementaryFunction == 2) TextAt(second, static_cast<u16>(x), 162);
}

void BuildListPage(u8 page) {
    AppState.listScroll = 0;
    if (page == 16 && AppState.selectedRow > 5) AppState.listScroll = 1;
    DrawListFrame(ListRowCount(page));
}

void BuildContent(u8 page) {
    if (IsListPage(page)) {
        BuildListPage(page);
        return;
    }
    switch (page) {
        case 0: BuildStartPage(); break;
        case 1:
            DrawMenu(1);
            AppState.maxRow = 4;
            break;
        case 2:
        case 3:
        case 4: BuildMeasurementPage(page); break;
        case 5: DrawCollectorChart(); break;
        case 6:
            Label(20, 10, 70);
            Label(21, 10, 104);
            Label(22, 10, 138);
            TextAt("kW", 270, 70);
            TextAt("kWh", 270, 104);
            TextAt("kWh", 270, 138);
            ResetYieldCaches();
            break;
        case 7: DrawYieldChart(); break;
        case 8: Label(23, 10, 70); break;
        case 9: Label(24, 50, 138); break;
        case 10: Label(26, 10, 70); break;
        case 11:
            Label(28, 10, 70);
            PrintRightAligned(LoadStrategyText(Settings.loadStrategy), 309, 138, FontSlot::kBody);
            break;
        case 13: Label(33, 10, 70); break;
        case 14: Label(34, 10, 70); break;
        case 15:
            Label(36, 10, 70);
            PrintRightAligned(Text(37), 309, 138, FontSlot::kBody);
            break;
        case 17:
            Label(38, 10, 70);
            Label(39, 10, 100);
            PrintRightAligned(ShortcutText(Settings.shortcutFunction), 309, 138, FontSlot::kBody);
            break;
        case 19: Label(41, 10, 70); break;
        case 20: Label(42, 50, 138); break;
        case 21: BuildSupplementaryPage(); break;
        case 23: Label(52, 10, 70); break;
        case 24:
            Label(53, 10, 70);
            Label(54, 10, 94);
            break;
        case 25:
            Label(55, 10, 70);
            Label(56, 10, 94);
            break;
        case 26: Label(58, 10, 70); break;
        case 27:
            Label(59, 10, 70);
            PrintRightAligned(OperatingModeText(Settings.operatingMode), 309, 138, FontSlot::kBody);
            break;
        case 29:
            Label(64, 10, 70);
            ResetStatusCache();
            break;
        case 30: {
            Label(75, 10, 70);
            Label(76, 10, 104);
            Label(77, 10, 148);
            char date[11];
            FormatCommissioningDate(date);
            PrintRightAligned(date, 309, 182, FontSlot::kBody);
            ResetRuntimeCaches();
            break;
        }
        case 31:
            Label(78, 10, 70);
            ResetPumpCache();
            break;
        case 32: Label(79, 10, 70); break;
        case 34: Label(80, 10, 70); break;
        case 36:
            Label(81, 10, 70);
            Label(82, 10, 104);
            TextAt(OnOffText(ControllerLink.acousticAlarm), 270, 138);
            break;
        case 38: Label(90, 10, 70); break;
        case 39: BuildVersionsPage(); break;
        case 40:
            Label(91, 10, 70);
            Label(92, 10, 104);
            break;
        case 41: ResetCommissioningRun(); break;
        case 42:
            Label(93, 50, 104);
            Label(94, 50, 138);
            break;
        case 43: Label(95, 10, 70); break;
        case 44: DrawFaultEntry(AppState.historyIndex); break;
        case 45: DrawConfirmDialog(); break;
        default: break;
    }
}

}  // namespace

const char* Text(u16 id) { return GetText(id, Settings.language); }

const char* LoadStrategyText(u8 value) { return PickText(kLoadStrategyTexts, value); }
const char* ShortcutText(u8 value) { return PickText(kShortcutTexts, value); }
const char* SupplementaryText(u8 value) { return PickText(kSupplementaryTexts, value); }
const char* OperatingModeText(u8 value) { return PickText(kOperatingModeTexts, value); }
const char* OnOffText(u8 on) { return Text(on != 0 ? 83 : 84); }

void PrintRightAligned(const char* text, u16 right, u16 baseLine, u8 font) {
    const u16 width = TextWidth(text, font);
    DlTextPos(width < right ? static_cast<u16>(right - width) : 0, baseLine);
    DlText(text);
}

u16 FitOnScreen(u16 x, const char* text, u8 font) {
    const u16 width = TextWidth(text, font);
    if (x + width <= kScreenWidth) return x;
    return width < kScreenWidth ? static_cast<u16>(kScreenWidth - width) : 0;
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

void BuildPage() {
    if (AppState.redrawPending == 0) return;
    AppState.redrawPending = 0;
    AppState.faultLampShown = 255;
    const u8 page = AppState.currentPage;
    if (page != 45) {
        DrawBottomBar();
        DrawTitleBar();
        ClearContent();
        DlSetFont(FontSlot::kBody);
        DlSetFlags(DrawMode::kOutline);
        DlSetForeground(Colour::kBlack);
    }
    BuildContent(page);
    AppState.justBuilt = 1;
}

void DrawBottomBar() {
    FilledRect(Colour::kDarkGrey, 0, 208, 319, 239);
    RemoveTouchButton(255);
    AddTouchButton(Button::kHome, 248, 2, 290, 30);
    const PageDescriptor& d = PageAt(AppState.currentPage);
    for (u8 i = 0; i < 4; ++i) AppState.barButtons[i] = d.bar[i];
    ApplyBarOverrides();
    for (u8 i = 0; i < 4; ++i) {
        if (AppState.barButtons[i] != Button::kNone) DrawBarButton(kBarSlotX[i], kBarY, AppState.barButtons[i]);
    }
}

void DrawTitleBar() {
    const PageDescriptor& d = PageAt(AppState.currentPage);
    FilledRect(Colour::kPanelGrey, 0, 0, 319, 31);
    FilledRect(Colour::kDarkGrey, 0, 32, 319, 34);
    if (AppState.currentPage == 0) FilledRect(Colour::kYellow, 0, 0, 202, 31);
    DrawBarButton(248, 2, Button::kHome);
    DlSetFont(FontSlot::kTitle);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    const u8 h = FontHeight(FontSlot::kTitle);
    const u16 y = static_cast<u16>(30 - (32 - h) / 2);
    TextAt(Text(d.titleText), d.section != 0 ? 46 : 10, y);
    if (d.section != 0) DlImage(10, 25, static_cast<u8>(d.section - 1), ImageSlot::kSections);
}

void ClearContent() { FilledRect(Colour::kPanelGrey, 0, 35, 319, 207); }

void DrawBarButton(u16 x, u16 y, u8 id) {
    Colours(Colour::kYellow, Colour::kYellow);
    DlSetFlags(DrawMode::kOutline);
    DlRect(x, y, x + 41, y + 27);
    DlRect(x + 1, y + 1, x + 40, y + 26);
    DlSetFlags(DrawMode::kFilled);
    DlRect(x + 4, y + 4, x + 23, y + 23);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
    // Only the button ids have icons; any other id gets a blank button.
    if (id < kButtonCount) DlImage(x + 5, y + 23, id, ImageSlot::kButtons);
    AddTouchButton(id, x, y, x + 42, y + 28);
}

void ApplyBarOverrides() {
    u8* slot = AppState.barButtons;
    const bool wizard = AppState.wizardMode != 0;
    const bool editing = AppState.editActive != 0;
    switch (AppState.currentPage) {
        case 0:
            slot[0] = Settings.shortcutFunction < 3 ? kShortcutIcons[Settings.shortcutFunction] : Button::kNone;
            if (Settings.faultCode != 0) slot[0] = Button::kFaults;
            if (Settings.commissioningDay == 0) slot[1] = Button::kGuidedSetup;
            break;
        case 2:
        case 4:
            if (wizard) SetSlots(Button::kNone, Button::kNone, Button::kNone, Button::kNext);
            break;
        case 3:
            if (wizard) {
                SetSlots(Button::kNone, Button::kNone, Button::kNone, Button::kNext);
            } else if (ControllerLink.extraSensorWord != 0 || Settings.extraSensorSetting != 0) {
                slot[2] = Button::kNext;
            }
            break;
        case 10:
        case 13:
        case 14:
            if (editing) EditBar();
            break;
        case 31:
            if (editing) {
                EditBar();
            } else if (Settings.operatingMode != 2) {
                slot[3] = Button::kNone;
            }
            break;
        case 23:
            if (editing) {
                EditBar();
            } else if (Settings.supplementaryFunction == 0) {
                slot[2] = Button::kNone;
            }
            break;
        case 24:
        case 25:
            if (editing) {
                EditBar();
            } else {
                slot[2] = Button::kNone;
            }
            break;
        case 32:
            if (Settings.operatingMode != 2) slot[3] = Button::kNone;
            break;
        case 34:
            if (Settings.operatingMode != 2 && Settings.operatingMode != 3) slot[3] = Button::kNone;
            break;
        case 43:
            if (Settings.faultCode == 0) slot[3] = Button::kNone;
            if (GetFaultHistoryEntry(0) == nullptr) slot[2] = Button::kNone;
            break;
        case 44:
            if (AppState.historyIndex >= 255 ||
                GetFaultHistoryEntry(static_cast<u8>(AppState.historyIndex + 1)) == nullptr) {
                slot[2] = Button::kNone;
            }
            if (AppState.accessLevel != AccessCodeB) slot[3] = Button::kNone;
            break;
        default: break;
    }
}

void DrawMenu(u8 full) {
    if (AppState.selectedRow == AppState.menuShownRow && full == 0) return;
    const u16 s = AppState.selectedRow < 5 ? AppState.selectedRow : 0;
    FilledRect(Colour::kYellow, 36, 37 + 34 * s, 220, 70 + 34 * s);
    if (full == 0) {
        const u16 m = AppState.menuShownRow < 5 ? AppState.menuShownRow : 0;
        if (m != s) FilledRect(Colour::kPanelGrey, 36, 37 + 34 * m, 220, 70 + 34 * m);
    } else {
        Colours(Colour::kBlack, Colour::kPanelGrey);
        for (u8 i = 0; i < 5; ++i) DlImage(10, 62 + 34 * i, i, ImageSlot::kSections);
    }
    AppState.menuShownRow = AppState.selectedRow;
    DlSetFont(FontSlot::kBody);
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
    const u16 d = static_cast<u16>((34 - FontHeight(FontSlot::kBody)) / 2);
    for (u16 i = 0; i < 5; ++i) Label(static_cast<u16>(3 + i), 46, static_cast<u16>(70 + 34 * i - d));
}

void DrawListFrame(u8 rows) {
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
    for (u16 i = 0; i < rows && i < 6; ++i) DlRect(20, 43 + 28 * i, 34, 57 + 28 * i);
    AppState.maxRow = rows > 0 ? static_cast<u8>(rows - 1) : 0;
    if (rows > 6) {
        DlSetForeground(Colour::kDarkGrey);
        DlSetFlags(DrawMode::kOutline);
        DlRect(294, 40, 315, 203);
        DlSetBackground(Colour::kPanelGrey);
        DlSetFlags(DrawMode::kFilled);
        DlRect(295, 41, 314, 202);
        Colours(Colour::kBlack, Colour::kYellow);
        if (AppState.listScroll == 0) {
            DlImage(296, 201, Button::kNext, ImageSlot::kButtons);
        } else {
            DlImage(296, 60, Button::kPrevious, ImageSlot::kButtons);
        }
    }
}

namespace {

void EraseRow(i32 r, u8 row, u16 x1) {
    const u16 top = static_cast<u16>(37 + 28 * r);
    DlRect(55, top, x1, top + 24);
    if (AppState.currentPage == 22 && row == 2) DlRect(55, top + 24, x1, top + 48);
}

}  // namespace

void DrawListSelection() {
    const u16 x1 = AppState.maxRow > 5 ? 293 : 319;
    DlSetFlags(DrawMode::kFilled);
    Colours(Colour::kPanelGrey, Colour::kPanelGrey);
    const i32 shown = AppState.shownRow - AppState.listScroll;
    if (shown >= 0 && shown < 6) {
        DlRect(22, 45 + 28 * shown, 32, 55 + 28 * shown);
        EraseRow(shown, AppState.shownRow, x1);
    }
    const i32 selected = AppState.selectedRow - AppState.listScroll;
    if (selected >= 0 && selected < 6) {
        EraseRow(selected, AppState.selectedRow, x1);
        Colours(Colour::kBlack, Colour::kBlack);
        DlRect(22, 45 + 28 * selected, 32, 55 + 28 * selected);
    }
    DlSetFlags(DrawMode::kOutline);
    Colours(Colour::kBlack, Colour::kPanelGrey);
    AppState.shownRow = AppState.selectedRow;
}

void ClearField(u16 x0, u16 y0, u16 x1, u16 y1) {
    FilledRect(Colour::kPanelGrey, x0, y0, x1, y1);
    DlSetFlags(DrawMode::kOutline);
    DlTextPos(x0, y1);
}

void PrintTwoDigits(u8 n) {
    DlChar(static_cast<u8>('0' + n / 10 % 10));
    DlChar(static_cast<u8>('0' + n % 10));
}
