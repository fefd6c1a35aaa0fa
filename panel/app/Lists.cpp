#include "panel/app/Lists.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/dl/DrawApi.h"

namespace {

// Row r on the screen (the row's index less the scroll) stands 28 pixels
// below row r - 1.
constexpr u16 kRowPitch = 28;
constexpr u16 kRowTextX = 55;

bool TwoLines(const PageView& view, u8 row, u8 rows) { return view.secondLine != kNoText && row + 1 == rows; }

void EraseRow(i32 r, bool twoLines, u16 x1) {
    const u16 top = static_cast<u16>(37 + kRowPitch * r);
    DlRect(kRowTextX, top, x1, top + 24);
    if (twoLines) DlRect(kRowTextX, top + 24, x1, top + 48);
}

void DrawListSelection(const PageView& view, u8 rows) {
    const u16 x1 = AppState.maxRow >= kListRowsShown ? 293 : kLastColumn;
    DlSetFlags(DrawMode::kFilled);
    Colours(Colour::kPanelGrey, Colour::kPanelGrey);
    const i32 shown = AppState.shownRow - AppState.listScroll;
    if (shown >= 0 && shown < kListRowsShown) {
        DlRect(22, 45 + kRowPitch * shown, 32, 55 + kRowPitch * shown);
        EraseRow(shown, TwoLines(view, AppState.shownRow, rows), x1);
    }
    const i32 selected = AppState.selectedRow - AppState.listScroll;
    if (selected >= 0 && selected < kListRowsShown) {
        EraseRow(selected, TwoLines(view, AppState.selectedRow, rows), x1);
        Colours(Colour::kBlack, Colour::kBlack);
        DlRect(22, 45 + kRowPitch * selected, 32, 55 + kRowPitch * selected);
    }
    DlSetFlags(DrawMode::kOutline);
    Colours(Colour::kBlack, Colour::kPanelGrey);
    AppState.shownRow = AppState.selectedRow;
}

// The check boxes of the rows shown and, for a long list, the scroll strip.
void DrawListFrame(u8 rows) {
    DlSetFlags(DrawMode::kOutline);
    DlSetForeground(Colour::kBlack);
    for (u16 i = 0; i < rows && i < kListRowsShown; ++i) DlRect(20, 43 + kRowPitch * i, 34, 57 + kRowPitch * i);
    AppState.maxRow = rows > 0 ? static_cast<u8>(rows - 1) : 0;
    if (rows > kListRowsShown) {
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

void RedrawScrolledList() {
    ClearContent();
    AppState.shownRow = static_cast<u8>(AppState.selectedRow + 1);
    DrawListFrame(static_cast<u8>(AppState.maxRow + 1));
}

}  // namespace

void BuildList(u8 rows) {
    AppState.listScroll = rows > kListRowsShown && AppState.selectedRow >= kListRowsShown ? 1 : 0;
    DrawListFrame(rows);
}

void RefreshList(const PageView& view, u8 rows) {
    if (AppState.shownRow == AppState.selectedRow) return;
    BeginValueDrawing();
    DrawListSelection(view, rows);
    DlSetForeground(Colour::kBlack);
    const bool ownLanguage = (view.flags & PageFlag::kRowsInOwnLanguage) != 0;
    for (u8 i = AppState.listScroll; i < AppState.listScroll + kListRowsShown && i < rows; ++i) {
        DlSetFont(i == AppState.selectedRow ? FontSlot::kTitle : FontSlot::kBody);
        const u16 baseLine = static_cast<u16>(61 + kRowPitch * (i - AppState.listScroll));
        TextAt(ownLanguage ? GetText(view.rows[i], i) : Text(view.rows[i]), kRowTextX, baseLine);
        if (TwoLines(view, i, rows)) TextAt(Text(view.secondLine), kRowTextX, static_cast<u16>(baseLine + 24));
    }
}

void PreselectRow(u8 row, u8 rows) {
    AppState.selectedRow = row < rows ? row : 0;
    AppState.shownRow = static_cast<u8>(AppState.selectedRow + 1);
    if (rows > kListRowsShown && AppState.selectedRow >= kListRowsShown) AppState.listScroll = 1;
}

void MoveSelection(u8 up, bool scrolls) {
    if (up) {
        if (AppState.selectedRow > 0) AppState.selectedRow -= 1;
        if (scrolls && AppState.selectedRow < AppState.listScroll) {
            AppState.listScroll -= 1;
            RedrawScrolledList();
        }
    } else {
        if (AppState.selectedRow < AppState.maxRow) AppState.selectedRow += 1;
        if (scrolls && AppState.selectedRow >= AppState.listScroll + kListRowsShown) {
            AppState.listScroll += 1;
            RedrawScrolledList();
        }
    }
}

void TouchList(i16 x, i16 y) {
    if (!(35 < y && y < AppState.maxRow * kRowPitch + 63 && y < 197)) return;
    // Only a list with more rows than the screen holds has a scroll strip; on
    // the others the strip's columns select a row like the rest of the line.
    if (x >= 290 && AppState.maxRow >= kListRowsShown) {
        AppState.listScroll = AppState.listScroll == 0 ? 1 : 0;
        KeyClick();
        AppState.holdTicks = kHoldTicks;
        RedrawScrolledList();
        return;
    }
    KeyClick();
    const u8 row = static_cast<u8>(((y - 35) % 256) / kRowPitch + AppState.listScroll);
    if (row <= AppState.maxRow) AppState.selectedRow = row;
    AppState.holdTicks = kHoldTicks;
}
