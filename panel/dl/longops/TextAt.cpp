// DL_TEXT_AT: a text placed on its anchor. y names the baseline unless the
// flags centre the text on it or make it the top; x names the left end unless
// they centre the text or make x its right end.
#include "panel/dl/DisplayList.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Text.h"

namespace {

// The width of the text, glyphs only: characters without one count 0.
i32 GlyphsWidth() {
    i32 width = 0;
    for (u16 offset = kDlTextAtFixed; !longop::TextEndsAt(offset); ++offset) {
        const u8* record = GlyphLookup(DlPeekByte(static_cast<u8>(offset)), GetFont(), GetRangeMap());
        if (record != nullptr) width += GlyphWidth(record);
    }
    return width;
}

void PlaceText() {
    const u8 flags = Interp.drawFlags;
    i32 x = DlPeekWord(1);
    i32 y = DlPeekWord(3);
    if (flags & kDrawAlignCentreY) {
        y += CurrentFontHeight() / 2;
    } else if (flags & kDrawAlignTop) {
        y += CurrentFontHeight();
    }
    if (flags & (kDrawAlignRight | kDrawAlignCentreX)) {
        const i32 width = GlyphsWidth();
        x -= (flags & kDrawAlignCentreX) ? width / 2 : width;
    }
    // A text wider than the room left of its anchor starts at the left edge
    // instead of wrapping round to the right one.
    SetTextPosition(static_cast<u16>(longop::Max(x, 0)), static_cast<u8>(longop::Max(y, 0)));
}

}  // namespace

void StepTextAt() {
    if (Interp.opPhase == 0) {
        PlaceText();
        longop::StartText();
    }
    if (!longop::TextLoop(kDlTextAtFixed, false)) return;
    longop::EndText(DlTextCommandLength(DL_TEXT_AT, static_cast<u16>(Interp.text.next)));
}
