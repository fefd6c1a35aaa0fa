// DL_IMAGE: a picture or icon from a registered image table, whole when it fits
// the budgets, otherwise in bands of rows sized to what is left of them.
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Text.h"
#include "panel/hw/LcdQueue.h"

namespace {

using longop::Min;

constexpr u8 kWholePhase = 1;
constexpr u8 kBandsPhase = 2;
// DrawImageAt counts rows in a byte.
constexpr i32 kMaxBandRows = 255;

const FontRecord* CommandImageTable() { return ImageTableInSlot(DlPeekByte(6)); }

const u8* CommandImagePalette() {
    const FontRecord* table = CommandImageTable();
    return table != nullptr ? table->mapOrPalette : nullptr;
}

// An even-depth coverage image has the long header and its format has the
// coverage bit set and bit 0 clear.
bool EvenDepthCoverage(const u8* record) {
    return HasLongHeader(record) && (record[2] & kFormatCoverage) != 0 && (record[2] & 0x01) == 0;
}

void SetImageMode(const u8* record) {
    InterpreterState& st = Interp;
    const bool coverage = EvenDepthCoverage(record);
    if ((st.drawFlags & kDrawStyleMask) == kDrawOutline) {
        st.costWork = coverage ? kCostTransparentCoverage : kCostTransparentGlyph;
        SetContextFlags(kContextTransparent);
    } else {
        st.costWork = coverage ? kCostOpaqueCoverage : kCostOpaqueGlyph;
        SetContextFlags(0);
    }
    st.costQueue = static_cast<u8>(st.costWork + 1);
}

// The top-left corner from the anchor: y names the row below the image unless
// the flags centre it or make it the top row; x names the left column unless
// they centre it or make it the right end.
void PlaceImage(ImageProgress& p, i32 w, i32 h) {
    const u8 flags = Interp.drawFlags;
    p.left = DlPeekWord(1);
    p.top = DlPeekWord(3) - h;
    if (flags & kDrawAlignCentreY) {
        p.top += h / 2;
    } else if (flags & kDrawAlignTop) {
        p.top += h;
    }
    if (flags & kDrawAlignCentreX) {
        p.left -= w / 2;
    } else if (flags & kDrawAlignRight) {
        p.left -= w;
    }
}

// False when the command is consumed without drawing.
bool Begin(ImageProgress& p) {
    InterpreterState& st = Interp;
    st.record = longop::CommandImageRecord();
    if (st.record == nullptr) return false;
    const i32 w = GlyphWidth(st.record);
    const i32 h = GlyphHeight(st.record);
    SetImageMode(st.record);
    PlaceImage(p, w, h);
    // A top-left corner above or left of the screen lies outside the window,
    // which draws nothing (it must not wrap to the far edge).
    if (p.left < 0 || p.top < 0) return false;
    Estimate(st.costWork, h, w * h, 1);
    st.opPhase = (st.pendingWork <= st.workBudget && st.pendingQueue <= st.queueBudget) ? kWholePhase : kBandsPhase;
    // Drawn whole, the picture is a step whose estimates met the budgets.
    if (st.opPhase == kWholePhase) DlNotifyEngine(kDlBudgetChecked);
    p.nextRow = 1;
    DlNotify(kDlPlaced);
    return true;
}

// True when the last band is drawn.
bool DrawBands(ImageProgress& p) {
    InterpreterState& st = Interp;
    const i32 w = GlyphWidth(st.record);
    const i32 h = GlyphHeight(st.record);
    for (;;) {
        const i32 rw = longop::RowsWithin(st.workBudget, st.costWork, w);
        const i32 rq = longop::RowsWithin(st.queueBudget, st.costQueue, w);
        if (rw <= 0 || rq <= 0) break;
        const i32 n = Min(Min(rw, rq), kMaxBandRows);
        DrawImageAt(static_cast<u16>(p.left), static_cast<u8>(p.top), st.record, CommandImagePalette(),
                    static_cast<u8>(p.nextRow), static_cast<u8>(n));
        p.nextRow += n;
        if (p.nextRow > h) return true;
        ReloadBudgets();
    }
    // An image too wide for a single band even in an empty run could never
    // progress; it is dropped rather than blocking the display list.
    if (LcdQueueCount() == 0) return true;
    st.stopFlag = 1;
    return false;
}

}  // namespace

namespace longop {

const u8* CommandImageRecord() {
    const FontRecord* table = CommandImageTable();
    return table != nullptr ? LookupGlyph(DlPeekByte(5), table) : nullptr;
}

}  // namespace longop

void StepImage() {
    InterpreterState& st = Interp;
    ImageProgress& p = st.image;
    // A missing table or an index beyond its last image has no record: nothing
    // is drawn and the command is consumed at once.
    if (st.opPhase == 0 && !Begin(p)) {
        CompleteCommand(DlCommandLength(DL_IMAGE));
        return;
    }
    if (st.opPhase == kWholePhase) {
        DrawImageAt(static_cast<u16>(p.left), static_cast<u8>(p.top), st.record, CommandImagePalette(), 0, 0);
        CompleteCommand(DlCommandLength(DL_IMAGE));
        return;
    }
    if (DrawBands(p)) CompleteCommand(DlCommandLength(DL_IMAGE));
}
