// The glyph steps that the five text commands share: one character estimated
// and drawn at a time, so that a text may stop at the end of a run and go on
// with the next character in the next one.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Rotation.h"
#include "panel/gfx/Text.h"

namespace longop {

namespace {

// A tab fills the gap up to the next stop, up to 54 columns, instead of
// drawing its own glyph.
constexpr u8 kTab = 9;
constexpr i32 kTabGapColumns = 54;
// Rotated glyphs of fewer pixels are filtered at slanted angles.
constexpr i32 kFilteredGlyphPixels = 160;
// Operands are addressed by an 8-bit offset from the opcode.
constexpr u16 kTextCommandLimit = 255;

}  // namespace

void TextMode() {
    InterpreterState& st = Interp;
    switch (st.drawFlags & kDrawStyleMask) {
        case kDrawFill:
            st.costWork = kCostTransparentGlyph;
            SetContextFlags(kContextTransparent | kContextInverse);
            break;
        case kDrawOutline:
            st.costWork = kCostTransparentGlyph;
            SetContextFlags(kContextTransparent);
            break;
        default:
            st.costWork = kCostOpaqueGlyph;
            SetContextFlags(0);
            break;
    }
    st.costQueue = static_cast<u8>(st.costWork + 1);
}

void StartText() {
    Interp.text.next = 0;
    TextMode();
    Interp.opPhase = 1;
    DlNotify(kDlPlaced);
}

void EndText(u16 length) {
    SetContextFlags(0);
    CompleteCommand(length);
}

bool GlyphStep(u8 c) {
    const u8* record = GlyphLookup(c, GetFont(), GetRangeMap());
    if (record == nullptr) return true;
    i32 w = GlyphWidth(record);
    if (c == kTab) w = Max(w, kTabGapColumns);
    const i32 h = CurrentFontHeight();
    Estimate(Interp.costWork, h, w * h, 1);
    if (!FitsBudget()) return false;
    PutChar(c);
    return true;
}

bool RotatedGlyphStep(u8 c) {
    const u8* record = GlyphLookup(c, GetFont(), GetRangeMap());
    if (record == nullptr) return true;
    const i32 pixels = GlyphWidth(record) * CurrentFontHeight();
    const i32 angle = Interp.text.angle;
    const bool plain = angle % 90 == 0 || pixels >= kFilteredGlyphPixels;
    Estimate(plain ? kCostRotatedPlain : kCostRotatedFiltered, pixels, 1, 0);
    if (!FitsBudget()) return false;
    RotatedCharAt(c, static_cast<u16>(angle));
    return true;
}

// The text ends at a 0, at the last queued byte, or where a command can
// address no further.
bool TextEndsAt(u16 offset) {
    return offset >= kTextCommandLimit || offset >= DlBytesUsed() || DlPeekByte(static_cast<u8>(offset)) == 0;
}

bool TextLoop(u16 first, bool rotated) {
    TextProgress& p = Interp.text;
    while (!TextEndsAt(static_cast<u16>(first + p.next))) {
        const u8 c = DlPeekByte(static_cast<u8>(first + p.next));
        if (!(rotated ? RotatedGlyphStep(c) : GlyphStep(c))) return false;
        ++p.next;
        ReloadBudgets();
    }
    return true;
}

}  // namespace longop
