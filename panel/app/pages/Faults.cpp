// The fault pages. The current fault shows the fault code and its text, and
// delete clears it; next leads into the fault history (behind the access
// code), whose entries show when a fault came and what the plant read then.
// Deleting a history entry needs the second access code.
#include "panel/app/pages/Faults.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"

namespace {

constexpr PageLabel kFaultsEntryLabels[] = {{Txt::kFaults, 10, 70}};
constexpr PageLabel kCurrentFaultLabels[] = {{Txt::kSolarFaultLabel, 10, 70}};

// Nothing stands right of the entry view's lines: they may use the screen's
// full width.
constexpr u16 kEntryEnd = kScreenWidth;

Outcome FaultsEntryButton(ButtonId id) { return id == Button::kSelect ? GoTo(Page::kCurrentFault) : Default(); }

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

void EnterCurrentFault() {
    AppState.shownValue = static_cast<u8>(Settings.faultCode + 1);
    AppState.historyIndex = 0;
}

Outcome RefreshCurrentFault() {
    const u8 code = Settings.faultCode;
    if (code == AppState.shownValue) return Stay();
    AppState.shownValue = code;
    BeginValueDrawing();
    ClearField(10, 80, kValueRight, 172);
    DlSetForeground(Colour::kBlack);
    if (code != 0) DlTextAt(10, 114, FaultLineText());
    PrintWrapped(FaultDescription(code), 10, kValueRight, 148, 24);
    return Stay();
}

// Delete is offered while a fault is set, the history while it holds an
// entry.
void CurrentFaultBar(u8* slots) {
    if (Settings.faultCode == 0) slots[3] = Button::kNone;
    if (GetFaultHistoryEntry(0) == nullptr) slots[2] = Button::kNone;
}

Outcome CurrentFaultButton(ButtonId id) {
    if (id == Button::kDelete) {
        Settings.faultCode = 0;
        StoreSettingsField(SETTINGS_FIELD(faultCode));
        return Stay();
    }
    if (id != Button::kNext) return Default();
    if (AppState.accessLevel != 0) return GoTo(Page::kFaultHistory);
    AppState.historyAfterCode = 1;
    return GoTo(Page::kAccessCode);
}

void BuildFaultHistoryPage() { DrawFaultEntry(AppState.historyIndex); }

void FaultHistoryBar(u8* slots) {
    if (AppState.historyIndex >= 255 || GetFaultHistoryEntry(static_cast<u8>(AppState.historyIndex + 1)) == nullptr) {
        slots[2] = Button::kNone;
    }
    if (AppState.accessLevel != AccessCodeB) slots[3] = Button::kNone;
}

// The page is entered again for each entry; before the first comes the
// current fault.
Outcome ShowPreviousEntry() {
    if (AppState.historyIndex == 0) return GoTo(Page::kCurrentFault);
    AppState.historyIndex -= 1;
    return GoTo(Page::kFaultHistory);
}

Outcome FaultHistoryButton(ButtonId id) {
    switch (id) {
        case Button::kNext:
            if (AppState.historyIndex < 255) AppState.historyIndex += 1;
            return GoTo(Page::kFaultHistory);
        case Button::kPrevious: return ShowPreviousEntry();
        case Button::kDelete:
            if (AppState.historyIndex < kFaultHistoryEntries) {
                FaultHistory[AppState.historyIndex].type = kFaultEntryEmpty;
                StoreFaultHistory();
            }
            return ShowPreviousEntry();
        default: return Default();
    }
}

// A value of the entry view: the number and its unit as one text after the
// label.
void Reading(const char* label, i16 value, const char* unit, u16 x, u16 y) {
    TextAt(label, x, y);
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
    TextAt(text, x, y);
    if (small) DlSetFont(FontSlot::kBody);
}

// When and which fault: DD.MM.20YY  HH:MM, then the fault code.
void EntryHeader(const FaultHistoryEntry& e) {
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

    TextAt(Text(Txt::kFaultCodeLabel), 10, 94);
    DlChar(' ');
    PrintTwoDigits(e.faultCode);
}

// Mode and status share the last line above the bottom bar; when they do not
// fit on it even in the small font, they take a small line each.
void ModeAndStatus(const FaultHistoryEntry& e) {
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
    TextAt(line, 10, 186);
    TextAt(status, 10, 203);
    DlSetFont(FontSlot::kBody);
}

}  // namespace

void DrawFaultEntry(u8 index) {
    const FaultHistoryEntry* entry = GetFaultHistoryEntry(index);
    if (entry == nullptr) return;
    const FaultHistoryEntry e = *entry;

    DlSetFont(FontSlot::kBody);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    EntryHeader(e);
    FittedLine(FaultDescription(e.faultCode), 10, 118);
    Reading("TSA: ", e.collectorTemp, kSpacedDegrees, 10, 142);
    Reading("TSE: ", e.tankTemp, kSpacedDegrees, 160, 142);
    Reading("V: ", e.flow, " l/min", 10, 166);
    Reading("TAM: ", e.outsideTemp, kSpacedDegrees, 160, 166);
    ModeAndStatus(e);
}

constexpr PageRecord FaultsEntryPage = {
    .names = Names("faults entry", "faults-entry"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = {Button::kBack, Button::kNone, Button::kNext, Button::kSelect},
            .backPage = Page::kMenu,
            .nextPage = Page::kOperatingMode},
    .view = {.labels = kFaultsEntryLabels, .flags = PageFlag::kSelectLine},
    .does = {.onButton = FaultsEntryButton},
};

constexpr PageRecord CurrentFaultPage = {
    .names = Names("current fault", "current-fault"),
    .nav = {.titleText = Txt::kFaults,
            .section = Section::kFaults,
            .bar = {Button::kBack, Button::kNone, Button::kNext, Button::kDelete},
            .backPage = Page::kFaultsEntry},
    .view = {.labels = kCurrentFaultLabels, .refresh = RefreshCurrentFault},
    .does = {.enter = EnterCurrentFault, .bar = CurrentFaultBar, .onButton = CurrentFaultButton},
    .gallery = "set fault 22; go current-fault",
};

constexpr PageRecord FaultHistoryPage = {
    .names = Names("fault history entry", "fault-history-entry"),
    .nav = {.titleText = Txt::kFaults,
            .section = Section::kFaults,
            .bar = {Button::kBack, Button::kPrevious, Button::kNext, Button::kDelete},
            .backPage = Page::kFaultsEntry},
    .view = {.build = BuildFaultHistoryPage},
    .does = {.bar = FaultHistoryBar, .onButton = FaultHistoryButton},
    .gallery = "set fault 22; go current-fault; tap next; repeat 36 tap plus; tap confirm",
};
