// The list pages' rows and the selection that the menu shares with them: the
// check boxes and the scroll strip, the mark of the selected row, the rows'
// texts, moving the selection with the arrows and touching a row. Helpers of
// the pages; they change no page.
#pragma once

#include "panel/Types.h"
#include "panel/app/Page.h"

// A list shows this many rows at a time; a longer one scrolls by one row.
constexpr u8 kListRowsShown = 6;

// The frame of a list page being built, scrolled so that its selection shows.
void BuildList(u8 rows);
// When the selection has moved: its mark and every row's text, the selected
// row in the title font.
void RefreshList(const PageView& view, u8 rows);
// Selects the row that shows a setting's value as the list is entered; a
// value beyond the list selects the first row.
void PreselectRow(u8 row, u8 rows);
// Moves the selection one row up or down, without wrapping; a list that
// scrolls follows the selection.
void MoveSelection(u8 up, bool scrolls);
// A touch on a list's rows selects one; a touch on a long list's scroll
// strip scrolls it.
void TouchList(i16 x, i16 y);
