#include "panel/app/Layout.h"

#include <span>

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Charts.h"
#include "panel/app/PageTable.h"
#include "panel/app/Plant.h"
#include "panel/app/Refresh.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

constexpr u16 kShortcutIcons[] = {Button::kMeasurementShortcut, Button::kYieldsShortcut, Button::kLanguageShortcut};

// The text that a setting's value names: the row of its list page that sets
// it. A value beyond the list has none.
const char* PickText(PageId list, u8 value) {
    const std::span<const TextId> rows = PageViewAt(list).rows;
    return value < rows.size() ? Text(rows[value]) : "";
}

void Colours(Rgb565 foreground, Rgb565 background) {
    DlSetForeground(foreground);
    DlSetBackground(background);
}

void FilledRect(Rgb565 colour, u16 x0, u16 y0, u16 x1, u16 y1) {
    Colours(colour, colour);
    DlSetFlags(DrawMode::kFilled);
    DlRect(x0, y0, x1, y1);
}

void Label(TextId id, u16 x, u16 y) {
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

void Degrees(u16 baseLine) { TextAt(kDegrees, 270, baseLine); }

void RightAlignedValue(const char* text) { PrintRightAligned(text, 309, 138, FontSlot::kBody); }

}  // namespace

// The fifth row shows the second tank's top or the heating return, as the
// supplementary function decides.
void BuildTemperaturesPage() {
    for (u16 y : {65, 99, 133, 167}) Degrees(y);
    if (Plant.fifthRowShown) {
        Label(Settings.supplementaryFunction == 1 ? Txt::kTank2Top : Txt::kHeatingReturn, 10, 201);
        Degrees(201);
    }
    ResetMeasurementCaches();
}

void BuildFlowPage() {
    Degrees(70);
    TextAt("l/min", FitOnScreen(272, "l/min", FontSlot::kBody), 128);
    Degrees(162);
    ResetMeasurementCaches();
}

void BuildExtraSensorsPage() {
    for (u16 y : {70, 104, 138, 172}) Degrees(y);
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

void BuildMenuPage() {
    DrawMenu(1);
    AppState.maxRow = 4;
}

void BuildYieldsPage() {
    TextAt("kW", 270, 70);
    TextAt("kWh", 270, 104);
    TextAt("kWh", 270, 138);
    ResetYieldCaches();
}

void BuildLoadStrategyPage() { RightAlignedValue(LoadStrategyText(Settings.loadStrategy)); }
void BuildLanguagePage() { RightAlignedValue(Text(Txt::kLanguageName)); }
void BuildShortcutPage() { RightAlignedValue(ShortcutText(Settings.shortcutFunction)); }
void BuildOperatingModePage() { RightAlignedValue(OperatingModeText(Settings.operatingMode)); }
void BuildAlarmTransducerPage() { TextAt(OnOffText(ControllerLink.acousticAlarm), 270, 138); }
void BuildFaultHistoryPage() { DrawFaultEntry(AppState.historyIndex); }

void BuildRuntimePage() {
    char date[11];
    FormatCommissioningDate(date);
    PrintRightAligned(date, 309, 182, FontSlot::kBody);
    ResetRuntimeCaches();
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

// The value and the second line of the "with tuning set" choice share one
// left edge, so that both end within the screen.
void BuildSupplementaryPage() {
    const char* value = SupplementaryText(Settings.supplementaryFunction);
    const char* second = Text(Txt::kSupplementaryHeatingSupportLine2);
    const i32 xValue = 309 - TextWidth(value, FontSlot::kBody);
    const i32 xSecond = 309 - TextWidth(second, FontSlot::kBody);
    i32 x = xValue < xSecond ? xValue : xSecond;
    if (x < 0) x = 0;
    TextAt(value, static_cast<u16>(x), 138);
    if (Settings.supplementaryFunction == 2) TextAt(second, static_cast<u16>(x), 162);
}

namespace {

void BuildListPage(u8 page) {
    AppState.listScroll = 0;
    if (page == Page::kLanguageList && AppState.selectedRow > 5) AppState.listScroll = 1;
    DrawListFrame(ListRowCount(page));
}

void BuildContent(u8 page) {
    if (IsListPage(page)) {
        BuildListPage(page);
        return;
    }
    const PageView& view = PageViewAt(page);
    for (const PageLabel& label : view.labels) Label(label.text, label.x, label.baseLine);
    if (view.build != nullptr) view.build();
}

}  // namespace

const char* Text(TextId id) { return GetText(id, Settings.language); }

const char* LoadStrategyText(u8 value) { return PickText(Page::kLoadStrategyList, value); }
const char* ShortcutText(u8 value) { return PickText(Page::kShortcutList, value); }
const char* SupplementaryText(u8 value) { return PickText(Page::kSupplementaryList, value); }
const char* OperatingModeText(u8 value) { return PickText(Page::kOperatingModeList, value); }
const char* OnOffText(u8 on) { return Text(on != 0 ? Txt::kOutputOn : Txt::kOutputOff); }

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
    if (page != Page::kConfirmDialog) {
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
    if (AppState.currentPage == Page::kStart) FilledRect(Colour::kYellow, 0, 0, 202, 31);
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
        case Page::kStart:
            slot[0] = Settings.shortcutFunction < 3 ? kShortcutIcons[Settings.shortcutFunction] : Button::kNone;
            if (Settings.faultCode != 0) slot[0] = Button::kFaults;
            if (Settings.commissioningDay == 0) slot[1] = Button::kGuidedSetup;
            break;
        case Page::kMeasurement:
        case Page::kMeasurementExtra:
            if (wizard) SetSlots(Button::kNone, Button::kNone, Button::kNone, Button::kNext);
            break;
        case Page::kMeasurementFlow:
            if (wizard) {
                SetSlots(Button::kNone, Button::kNone, Button::kNone, Button::kNext);
            } else if (ExtraSensorsOffered()) {
                slot[2] = Button::kNext;
            }
            break;
        case Page::kWarmWater:
        case Page::kTime:
        case Page::kDate:
            if (editing) EditBar();
            break;
        case Page::kSolarPump:
            if (editing) {
                EditBar();
            } else if (Settings.operatingMode != 2) {
                slot[3] = Button::kNone;
            }
            break;
        case Page::kMaxTank:
            if (editing) {
                EditBar();
            } else if (Settings.supplementaryFunction == 0) {
                slot[2] = Button::kNone;
            }
            break;
        case Page::kMaxTank2:
        case Page::kMaxSupply:
            if (editing) {
                EditBar();
            } else {
                slot[2] = Button::kNone;
            }
            break;
        case Page::kZoneValve:
            if (Settings.operatingMode != 2) slot[3] = Button::kNone;
            break;
        case Page::kSwitchingValve:
            if (Settings.operatingMode != 2 && Settings.operatingMode != 3) slot[3] = Button::kNone;
            break;
        case Page::kCurrentFault:
            if (Settings.faultCode == 0) slot[3] = Button::kNone;
            if (GetFaultHistoryEntry(0) == nullptr) slot[2] = Button::kNone;
            break;
        case Page::kFaultHistory:
            if (AppState.historyIndex >= 255 ||
                GetFaultHistoryEntry(static_cast<u8>(AppState.historyIndex + 1)) == nullptr) {
                slot[2] = Button::kNone;
            }
            if (AppState.accessLevel != AccessCodeB) slot[3] = Button::kNone;
            break;
        default: break;
    }
}

// The menu's rows, top to bottom, each beside its section's icon.
constexpr TextId kMenuRows[5] = {Txt::kMenuMeasurement, Txt::kSolarYields, Txt::kSettings, Txt::kSystemData,
                                 Txt::kCheck};

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
    for (u16 i = 0; i < 5; ++i) Label(kMenuRows[i], 46, static_cast<u16>(70 + 34 * i - d));
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
    if (AppState.currentPage == Page::kSupplementaryList && row == 2) DlRect(55, top + 24, x1, top + 48);
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
