// What each page shows besides its frame: its fixed labels, the rows of its
// list, how a touch on its free area acts, and the routines that draw the
// rest of it and keep its values live. Together with the page's navigation
// (PageTable) this is one row per page in PageTable.cpp, so everything that a
// page has as data is found in one place.
#pragma once

#include <span>

#include "panel/Types.h"
#include "panel/app/AppState.h"
#include "panel/text/Texts.h"

// A text that a page's build draws once, at its base line.
struct PageLabel {
    TextId text;
    u16 x;
    u16 baseLine;
};

namespace PageFlag {
constexpr u8 kList = 1;               // a list page: rows selectable by touch, scrolled when long
constexpr u8 kValueLine = 2;          // touching the value line acts like the edit button
constexpr u8 kSelectLine = 4;         // touching the first line acts like the select button
constexpr u8 kRowsInOwnLanguage = 8;  // each list row is shown in the language of its index
}  // namespace PageFlag

struct PageView {
    std::span<const PageLabel> labels;
    std::span<const TextId> rows;  // the rows of a list page
    u8 flags;
    void (*build)();    // draws the rest of the page after its labels, or null
    void (*refresh)();  // runs every tick while the page is current, or null
};

// The view of a page; a page number beyond the table gets an empty view.
const PageView& PageViewAt(u8 page);
