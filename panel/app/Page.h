// What a page is: one record that holds all of it. Its names, its
// navigation (title, section icon, bottom bar, targets of back, previous,
// next and cancel), what it shows (labels, list rows, build and refresh) and
// what it does (entry action, bar changes, buttons, touches), and how the
// gallery brings it on the screen. Each page's record stands in its family's
// file in pages/; PageTable.cpp lists them by page number.
//
// A page's routines never change pages or call navigation: a handler returns
// an Outcome that says what navigation is to do next.
#pragma once

#include <array>
#include <span>

#include "panel/Types.h"
#include "panel/app/AppState.h"
#include "panel/text/TextIds.h"
#include "panel/text/Texts.h"

// The menu section whose icon a page's title shows (image table 4, index + 1).
namespace Section {
constexpr u8 kNone = 0;
constexpr u8 kMeasurement = 1;
constexpr u8 kYields = 2;
constexpr u8 kSettings = 3;
constexpr u8 kSystemData = 4;
constexpr u8 kCheck = 5;
constexpr u8 kFaults = 7;
}  // namespace Section

// The four bottom-bar slots, left to right; Button::kNone leaves one empty.
using Bar = std::array<ButtonId, 4>;
namespace Bars {
using namespace Button;
constexpr ButtonId N = kNone;
constexpr Bar kNoBar = {N, N, N, N};
constexpr Bar kListBar = {kCancel, kPrevious, kNext, kConfirm};
constexpr Bar kQuestionBar = {kCancel, N, N, kConfirm};
constexpr Bar kEditBar = {kCancel, kMinus, kPlus, kConfirm};
constexpr Bar kBackOnly = {kBack, N, N, N};
constexpr Bar kChartBar = {kBack, N, kNext, kChart};
constexpr Bar kBackPrevious = {kBack, kPrevious, N, N};
constexpr Bar kSettingBar = {kBack, kPrevious, kNext, kEdit};
constexpr Bar kLastSettingBar = {kBack, kPrevious, N, kEdit};
constexpr Bar kFirstSettingBar = {kBack, N, kNext, kEdit};
constexpr Bar kStepBar = {kBack, kPrevious, kNext, N};
constexpr Bar kEntryBar = {kBack, kPrevious, kNext, kSelect};
}  // namespace Bars

// A page's navigation as the panel stores it, 11 bytes. A target of 0 is
// decided by the page's own handler.
#pragma pack(push, 1)
struct PageDescriptor {
    u16 titleText = kNoText;
    u8 section = Section::kNone;
    Bar bar = Bars::kNoBar;  // default buttons of the bottom-bar slots
    u8 backPage = 0;
    u8 prevPage = 0;
    u8 nextPage = 0;
    u8 cancelPage = 0;
};
#pragma pack(pop)
static_assert(sizeof(PageDescriptor) == 11);

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
constexpr u8 kTitleField = 16;        // the title stands in a yellow field
constexpr u8 kOwnFrame = 32;          // the page draws its own frame instead of the common one
}  // namespace PageFlag

// What navigation does when a page's routine returns.
namespace Next {
constexpr u8 kStay = 0;       // nothing more
constexpr u8 kDefault = 1;    // what the button does on every page
constexpr u8 kGo = 2;         // go to the target page
constexpr u8 kGoAndEdit = 3;  // go to the target page and open its edit at once
}  // namespace Next

struct Outcome {
    u8 next = Next::kStay;
    u8 target = 0;      // the page of kGo and kGoAndEdit
    u8 barChanged = 0;  // an edit began or ended: the bottom bar is drawn again
};

constexpr Outcome Stay() { return {Next::kStay, 0, 0}; }
constexpr Outcome Default() { return {Next::kDefault, 0, 0}; }
constexpr Outcome GoTo(PageId page) { return {Next::kGo, page, 0}; }
constexpr Outcome GoToAndEdit(PageId page) { return {Next::kGoAndEdit, page, 0}; }
constexpr Outcome BarChanged(Outcome then = Stay()) {
    then.barChanged = 1;
    return then;
}

// What a page shows.
struct PageView {
    std::span<const PageLabel> labels = {};
    std::span<const TextId> rows = {};  // the rows of a list page
    u8 flags = 0;                       // PageFlag bits
    void (*build)() = nullptr;          // draws the rest of the page after its labels
    Outcome (*refresh)() = nullptr;     // runs every tick while the page is current
    u8 (*rowCount)() = nullptr;         // a list whose length varies: how many rows it has now
    TextId secondLine = kNoText;        // a second line under the list's last row
};

// What a page does; a routine left out does nothing.
struct PageBehaviour {
    void (*enter)() = nullptr;                   // runs when the page becomes current
    void (*bar)(u8* slots) = nullptr;            // changes the default buttons of the bottom bar
    Outcome (*onButton)(ButtonId id) = nullptr;  // a button that has no target in the navigation
    Outcome (*onTouch)(i16 x, i16 y) = nullptr;  // a touch on no button, where no flag says what it does
};

// A page's short English name for tools, and the same as one word for
// scripts and file names: lower case, a dash between words.
struct PageNames {
    const char* name = "";
    const char* slug = "";
};

namespace PageNameCheck {
constexpr bool IsWordChar(char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
constexpr bool IsSlugOf(const char* name, const char* slug) {
    u16 s = 0;
    bool dash = false;
    for (u16 n = 0; name[n] != 0; ++n) {
        if (!IsWordChar(name[n])) {
            dash = s > 0;
            continue;
        }
        if (dash && slug[s++] != '-') return false;
        dash = false;
        if (slug[s++] != name[n]) return false;
    }
    return slug[s] == 0;
}
// Called only when a slug is not its name's: the page table then does not
// compile.
inline void SlugMustBeTheNameWithDashes() {}
}  // namespace PageNameCheck

consteval PageNames Names(const char* name, const char* slug) {
    if (!PageNameCheck::IsSlugOf(name, slug)) PageNameCheck::SlugMustBeTheNameWithDashes();
    return {name, slug};
}

struct PageRecord {
    PageNames names = {};
    PageDescriptor nav = {};
    PageView view = {};
    PageBehaviour does = {};
    // How the gallery brings the page on the screen, as steps of a script
    // that the host plays ("set fault 22; go current-fault"); none: the page
    // is simply gone to. The firmware never reads it.
    const char* gallery = nullptr;
};
