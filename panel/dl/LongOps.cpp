// The display-list commands whose drawing may take several runs. Each is a
// small state machine on OpPhase that keeps its progress in the interpreter's
// registers and estimates every step before it draws it.
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/InterpreterState.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"
#include "panel/gfx/Rotation.h"
#include "panel/gfx/Text.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/TouchStage.h"

namespace {

constexpr i32 kMaxFilledRadius = 70;
constexpr i32 kLastColumn = kScreenWidth - 1;
constexpr i32 kLastRow = kScreenHeight - 1;
constexpr i32 kWindowEntries = 22;
constexpr i32 kPixelEntries = 2;
// A tab fills the gap up to the next stop, up to 54 columns, instead of
// drawing its own glyph.
constexpr u8 kTab = 9;
constexpr i32 kTabGapColumns = 54;
// Rotated glyphs of fewer pixels are filtered at slanted angles.
constexpr i32 kFilteredGlyphPixels = 160;

constexpr u16 kCrossArm = 20;
constexpr u16 kTargetLeft = 30;
constexpr u16 kTargetTop = 30;
constexpr u16 kTargetRight = 290;
constexpr u16 kTargetBottom = 210;
constexpr u16 kTargetCentreX = (kTargetLeft + kTargetRight) / 2;
constexpr u16 kTargetCentreY = (kTargetTop + kTargetBottom) / 2;
constexpr i32 kCentreTolerance = 5;
constexpr i32 kAverageWait = 40;

constexpr u16 kTextCommandLimit = 255;

i32 Min(i32 a, i32 b) { return a < b ? a : b; }
i32 Max(i32 a, i32 b) { return a > b ? a : b; }
i32 Abs(i32 v) { return v < 0 ? -v : v; }
// The perimeter that the edges of a rectangle actually draw, backward corners
// included. The edges are drawn from a row's low byte and a column read as
// signed 16-bit, so an operand off the screen can land anywhere on it: such a
// rectangle is counted as the whole screen's perimeter.
i32 DrawnPerimeter(i32 x1, i32 y1, i32 x2, i32 y2) {
    if (Max(x1, x2) > kLastColumn || Max(y1, y2) > kLastRow || Min(Min(x1, x2), Min(y1, y2)) < 0) {
        return 2 * (kLastColumn + kLastRow);
    }
    return 2 * (Abs(x2 - x1) + Abs(y2 - y1));
}

// Circle style from DrawFlags: 2 = solid, 1 = outline, 0 or 3 = outline with
// the inside filled.
i32 CircleStyle() {
    switch (Interp.drawFlags & kDrawStyleMask) {
        case 2: return 3;
        case 1: return 0;
        default: return 2;
    }
}

bool FilledStyle(i32 s) { return s == 2 || s == 3; }

// A filled quarter circle. The table's queue entry undercounts the style that
// outlines and fills (every step sends pixels and spans), so that style is
// estimated as a solid quadrant plus its outline, which bounds it.
void EstimateFilledQuadrant(i32 r, i32 s) {
    Estimate(kCostFilledQuadrant, r, r * r, 1);
    if (s == 2) Interp.pendingQueue += CostEstimate(kCostOutlineQuadrant + 1, r, 1, 0);
}

// Sets the context flags and the cost pair of the text commands.
void TextMode() {
    switch (Interp.drawFlags & kDrawStyleMask) {
        case 2:
            Interp.costWork = kCostTransparentGlyph;
            SetContextFlags(kContextTransparent | kContextInverse);
            break;
        case 1:
            Interp.costWork = kCostTransparentGlyph;
            SetContextFlags(kContextTransparent);
            break;
        default:
            Interp.costWork = kCostOpaqueGlyph;
            SetContextFlags(0);
            break;
    }
    Interp.costQueue = static_cast<u8>(Interp.costWork + 1);
}

// One character of a text: skipped without a glyph, otherwise estimated and
// drawn. False when it did not fit (the run ends).
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
    const bool plain = Interp.r % 90 == 0 || pixels >= kFilteredGlyphPixels;
    Estimate(plain ? kCostRotatedPlain : kCostRotatedFiltered, pixels, 1, 0);
    if (!FitsBudget()) return false;
    RotatedCharAt(c, static_cast<u16>(Interp.r));
    return true;
}

// The byte at offset ends the text when it is 0, lies past the queued bytes or
// past what a command can address.
bool TextEndsAt(u16 offset) {
    return offset >= kTextCommandLimit || offset >= DlBytesUsed() || DlPeekByte(static_cast<u8>(offset)) == 0;
}

// Draws the text at offset first + N on, glyph by glyph; false when a glyph
// did not fit, with N at that glyph.
bool TextLoop(u16 first, bool rotated) {
    InterpreterState& st = Interp;
    while (!TextEndsAt(static_cast<u16>(first + st.n))) {
        const u8 c = DlPeekByte(static_cast<u8>(first + st.n));
        if (!(rotated ? RotatedGlyphStep(c) : GlyphStep(c))) return false;
        ++st.n;
        ReloadBudgets();
    }
    return true;
}

// An image record is an even-depth coverage image when it has the long header
// and its format has the coverage bit set and bit 0 clear.
bool EvenDepthCoverage(const u8* record) {
    return HasLongHeader(record) && (record[2] & kFormatCoverage) != 0 && (record[2] & 0x01) == 0;
}

const FontRecord* CommandImageTable() { return ImageTableInSlot(DlPeekByte(6)); }

const u8* CommandImageRecord() {
    const FontRecord* table = CommandImageTable();
    return table != nullptr ? LookupGlyph(DlPeekByte(5), table) : nullptr;
}

const u8* CommandImagePalette() {
    const FontRecord* table = CommandImageTable();
    return table != nullptr ? table->mapOrPalette : nullptr;
}

// Rows that fit a budget with the cost entry k for a band w pixels wide.
i32 RowsWithin(i32 budget, u8 k, i32 w) {
    const CostCoefficients& e = CostTable[k];
    const i32 rows = (budget * 256 - e.c2) / (e.c0 + e.c1 * w);
    return rows > 0 ? rows : 0;
}

}  // namespace

bool FillRowsChunked() {
    InterpreterState& st = Interp;
    // Only the screen is filled: rows and columns outside it are dropped here
    // rather than clamped onto its edges by the raster layer.
    st.a = Max(st.a, 0);
    st.b = Max(st.b, 0);
    st.c = Min(st.c, kLastColumn);
    st.d = Min(st.d, kLastRow);
    if (st.c < st.a || st.b > st.d) return true;
    const i32 w = st.c - st.a;
    for (;;) {
        const i32 rw = RowsWithin(st.workBudget, kCostFill, w);
        i32 rq = RowsWithin(st.queueBudget, kCostFill + 1, w);
        // The table undercounts narrow bands; never plan more rows than the
        // entries left can hold.
        rq = Min(rq, Max(st.queueBudget - kWindowEntries, 0) / (kPixelEntries * (w + 1)));
        if (rw <= 0 || rq <= 0) break;
        i32 n = Min(rw, rq);
        if (st.b + n > st.d + 1) n = st.d + 1 - st.b;
        FillPattern(static_cast<u16>(st.a), static_cast<u8>(st.b), static_cast<u16>(st.c),
                    static_cast<u8>(st.b + n - 1), 0x0000);
        st.b += n;
        if (st.b > st.d) return true;
        ReloadBudgets();
    }
    st.stopFlag = 1;
    return false;
}

void ClipQuadrant(u16 x, u8 y, u16 r, u8 mode) {
    const GfxContext& context = CurrentContext();
    if ((mode & 0x30) != 0 && x < r) r = x;
    if ((mode & 0x50) != 0 && r > y) r = y;
    x = static_cast<u16>(x + context.clipLeft);
    y = static_cast<u8>(y + context.clipTop);
    if (x < context.clipLeft) x = context.clipLeft;
    if (x > context.clipRight) x = context.clipRight;
    if (y < context.clipTop) y = context.clipTop;
    if (y > context.clipBottom) y = context.clipBottom;
    if ((mode & 0xC0) != 0 && x + r > context.clipRight) r = static_cast<u16>(context.clipRight - x);
    if ((mode & 0xA0) != 0 && y + r > context.clipBottom) r = static_cast<u16>(context.clipBottom - y);
    if (r != 0) DrawQuadrants(x, y, static_cast<i16>(r), mode);
}

void DrawCross(u16 x, u16 y, bool erase) {
    SetContextFlags(erase ? kContextInverse : 0);
    MoveTo(static_cast<u16>(x - kCrossArm), static_cast<u8>(y));
    LineTo(static_cast<u16>(x + kCrossArm), static_cast<u8>(y));
    MoveTo(x, static_cast<u8>(y - kCrossArm));
    LineTo(x, static_cast<u8>(y + kCrossArm));
}

void StepRect() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        SetContextFlags(0);
        st.a = DlPeekWord(1);
        st.b = DlPeekWord(3);
        st.c = DlPeekWord(5);
        st.d = DlPeekWord(7);
        st.opPhase = 1;
    }
    if (st.opPhase == 1) {
        if (st.drawFlags & kDrawOutline) {
            Estimate(kCostEdges, DrawnPerimeter(st.a, st.b, st.c, st.d), 1, 0);
            if (!FitsBudget()) return;
            MoveTo(static_cast<u16>(st.a), static_cast<u8>(st.b));
            LineTo(static_cast<u16>(st.c), static_cast<u8>(st.b));
            LineTo(static_cast<u16>(st.c), static_cast<u8>(st.d));
            LineTo(static_cast<u16>(st.a), static_cast<u8>(st.d));
            LineTo(static_cast<u16>(st.a), static_cast<u8>(st.b));
            // The fill stays inside the outline.
            st.a += 1;
            st.c -= 1;
            st.b += 1;
            st.d -= 1;
            ReloadBudgets();
        }
        if (!(st.drawFlags & kDrawFill)) {
            CompleteCommand(DlCommandLength(DL_RECT));
            return;
        }
        st.opPhase = 2;
    }
    if (!FillRowsChunked()) return;
    CompleteCommand(DlCommandLength(DL_RECT));
}

void StepCircle() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        SetContextFlags(0);
        st.s = CircleStyle();
        st.r = DlPeekByte(5);
        st.m = DlPeekByte(6) & 0x0F;
        if (FilledStyle(st.s)) {
            st.r = Min(st.r, kMaxFilledRadius);
            EstimateFilledQuadrant(st.r, st.s);
        } else {
            Estimate(kCostOutlineQuadrant, st.r, 1, 0);
        }
        st.a = DlPeekWord(1);
        st.b = DlPeekWord(3);
        st.n = 0;
        st.opPhase = 1;
    }
    while (st.m != 0) {
        if (st.m & 1) {
            if (!FitsBudget()) return;
            ClipQuadrant(static_cast<u16>(st.a), static_cast<u8>(st.b), static_cast<u16>(st.r),
                         static_cast<u8>((1 << (st.n + 4)) | st.s));
        }
        ++st.n;
        st.m >>= 1;
        ReloadBudgets();
    }
    CompleteCommand(DlCommandLength(DL_CIRCLE));
}

void StepRoundRect() {
    InterpreterState& st = Interp;
    const i32 x1 = DlPeekWord(1);
    const i32 y1 = DlPeekWord(3);
    const i32 x2 = DlPeekWord(5);
    const i32 y2 = DlPeekWord(7);
    const auto quadrant = [](i32 x, i32 y, u8 mode) {
        ClipQuadrant(static_cast<u16>(x), static_cast<u8>(y), static_cast<u16>(Interp.r), mode);
    };
    switch (st.opPhase) {
        case 0:
            SetContextFlags(0);
            st.s = CircleStyle();
            st.t = st.s == 2 ? 1 : 0;
            st.a = x1;
            st.b = y1;
            st.c = x2;
            st.d = y2;
            st.r = DlPeekByte(9);
            if (FilledStyle(st.s)) st.r = Min(st.r, kMaxFilledRadius);
            if ((st.c - st.a) / 2 < st.r) st.r = (st.c - st.a) / 2;
            if ((st.d - st.b) / 2 < st.r) st.r = (st.d - st.b) / 2;
            // A rectangle given backwards has no room for rounded corners.
            st.r = Max(st.r, 0);
            st.m = DlPeekByte(10) & 0x0F;
            Estimate(kCostEdges, DrawnPerimeter(st.a, st.b, st.c, st.d), 1, 0);
            st.opPhase = 1;
            [[fallthrough]];
        case 1:
            ReloadBudgets();
            if (st.drawFlags & kDrawOutline) {
                if (!FitsBudget()) return;
                const i32 a = st.a, b = st.b, c = st.c, d = st.d, r = st.r, m = st.m;
                MoveTo(static_cast<u16>((m & 1) ? a + r : a), static_cast<u8>(b));
                if (m & 4) {
                    LineTo(static_cast<u16>(c - r), static_cast<u8>(b));
                    MoveTo(static_cast<u16>(c), static_cast<u8>(b + r));
                } else {
                    LineTo(static_cast<u16>(c), static_cast<u8>(b));
                }
                if (m & 8) {
                    LineTo(static_cast<u16>(c), static_cast<u8>(d - r));
                    MoveTo(static_cast<u16>(c - r), static_cast<u8>(d));
                } else {
                    LineTo(static_cast<u16>(c), static_cast<u8>(d));
                }
                if (m & 2) {
                    LineTo(static_cast<u16>(a + r), static_cast<u8>(d));
                    MoveTo(static_cast<u16>(a), static_cast<u8>(d - r));
                } else {
                    LineTo(static_cast<u16>(a), static_cast<u8>(d));
                }
                LineTo(static_cast<u16>(a), static_cast<u8>((m & 1) ? b + r : b));
            }
            // The outline corners are quarter circles whether or not the
            // edges were drawn; the edges' estimate does not cover them.
            Estimate(kCostOutlineQuadrant, st.r, 1, 0);
            st.opPhase = 2;
            if (st.drawFlags & kDrawFill) {
                st.opPhase = 6;
                EstimateFilledQuadrant(st.r, st.s);
            }
            ReloadBudgets();
            if (st.opPhase == 6) goto filled;
            [[fallthrough]];
        case 2:
            if (st.m & 1) {
                if (!FitsBudget()) return;
                quadrant(st.a + st.r, st.b + st.r, 0x10);
            }
            st.opPhase = 3;
            ReloadBudgets();
            [[fallthrough]];
        case 3:
            if (st.m & 2) {
                if (!FitsBudget()) return;
                quadrant(st.a + st.r, st.d - st.r, 0x20);
            }
            st.opPhase = 4;
            ReloadBudgets();
            [[fallthrough]];
        case 4:
            if (st.m & 4) {
                if (!FitsBudget()) return;
                quadrant(st.c - st.r, st.b + st.r, 0x40);
            }
            st.opPhase = 5;
            ReloadBudgets();
            [[fallthrough]];
        case 5:
            if (st.m & 8) {
                if (!FitsBudget()) return;
                quadrant(st.c - st.r, st.d - st.r, 0x80);
            }
            CompleteCommand(DlCommandLength(DL_ROUND_RECT));
            return;
        default: break;
    }
filled:
    switch (st.opPhase) {
        case 6:
            if (st.m & 1) {
                if (!FitsBudget()) return;
                st.a = x1 + st.r;
                st.b = y1 + st.r;
                quadrant(st.a, st.b, static_cast<u8>(st.s | 0x10));
                st.a += 1;
                st.b -= st.r - st.t;
            } else {
                st.a = x1 + st.t;
                st.b = y1 + st.t;
            }
            st.c -= st.t;
            if (st.m & 4) st.c -= st.r + 1 - st.t;
            st.d = st.b + st.r - st.t;
            st.opPhase = 7;
            ReloadBudgets();
            [[fallthrough]];
        case 7:
            if (!FillRowsChunked()) return;
            st.opPhase = 8;
            ReloadBudgets();
            [[fallthrough]];
        case 8:
            if (st.m & 4) {
                if (!FitsBudget()) return;
                quadrant(x2 - st.r, y1 + st.r, static_cast<u8>(st.s | 0x40));
            }
            st.a = x1 + st.t;
            st.b = y1 + st.r + 1;
            st.c = x2 - st.t;
            st.d = y2 - 1 - st.r;
            st.opPhase = 9;
            ReloadBudgets();
            [[fallthrough]];
        case 9:
            if (!FillRowsChunked()) return;
            st.opPhase = 10;
            ReloadBudgets();
            [[fallthrough]];
        case 10:
            if (st.m & 2) {
                if (!FitsBudget()) return;
                st.a = x1 + st.r;
                st.b = y2 - st.r;
                quadrant(st.a, st.b, static_cast<u8>(st.s | 0x20));
                st.a += 1;
            } else {
                st.a = x1 + st.t;
                st.b = y2 - st.r;
            }
            if (st.m & 8) st.c -= st.r + 1 - st.t;
            st.d = st.b + st.r - st.t;
            st.opPhase = 11;
            ReloadBudgets();
            [[fallthrough]];
        case 11:
            if (!FillRowsChunked()) return;
            st.opPhase = 12;
            ReloadBudgets();
            [[fallthrough]];
        case 12:
            if (st.m & 8) {
                if (!FitsBudget()) return;
                quadrant(x2 - st.r, y2 - st.r, static_cast<u8>(st.s | 0x80));
            }
            CompleteCommand(DlCommandLength(DL_ROUND_RECT));
            return;
        default: CompleteCommand(DlCommandLength(DL_ROUND_RECT)); return;
    }
}

void StepImage() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.record = CommandImageRecord();
        // A missing table or an index beyond its last image has no record:
        // nothing is drawn and the command is consumed at once.
        if (st.record == nullptr) {
            CompleteCommand(DlCommandLength(DL_IMAGE));
            return;
        }
        const i32 w = GlyphWidth(st.record);
        const i32 h = GlyphHeight(st.record);
        const bool coverage = EvenDepthCoverage(st.record);
        if ((st.drawFlags & kDrawStyleMask) == 1) {
            st.costWork = coverage ? kCostTransparentCoverage : kCostTransparentGlyph;
            SetContextFlags(kContextTransparent);
        } else {
            st.costWork = coverage ? kCostOpaqueCoverage : kCostOpaqueGlyph;
            SetContextFlags(0);
        }
        st.costQueue = static_cast<u8>(st.costWork + 1);
        st.a = DlPeekWord(1);
        st.b = DlPeekWord(3) - h;
        if (st.drawFlags & kDrawAlignCentreY) {
            st.b += h / 2;
        } else if (st.drawFlags & kDrawAlignTop) {
            st.b += h;
        }
        if (st.drawFlags & kDrawAlignCentreX) {
            st.a -= w / 2;
        } else if (st.drawFlags & kDrawAlignRight) {
            st.a -= w;
        }
        // A top-left corner above or left of the screen lies outside the
        // window, which draws nothing (it must not wrap to the far edge).
        if (st.a < 0 || st.b < 0) {
            CompleteCommand(DlCommandLength(DL_IMAGE));
            return;
        }
        Estimate(st.costWork, h, w * h, 1);
        st.opPhase = (st.pendingWork <= st.workBudget && st.pendingQueue <= st.queueBudget) ? 1 : 2;
        st.n = 1;
    }
    if (st.opPhase == 1) {
        DrawImageAt(static_cast<u16>(st.a), static_cast<u8>(st.b), st.record, CommandImagePalette(), 0, 0);
        CompleteCommand(DlCommandLength(DL_IMAGE));
        return;
    }
    const i32 w = GlyphWidth(st.record);
    const i32 h = GlyphHeight(st.record);
    for (;;) {
        const i32 rw = RowsWithin(st.workBudget, st.costWork, w);
        const i32 rq = RowsWithin(st.queueBudget, st.costQueue, w);
        if (rw <= 0 || rq <= 0) break;
        const i32 n = Min(Min(rw, rq), 255);
        DrawImageAt(static_cast<u16>(st.a), static_cast<u8>(st.b), st.record, CommandImagePalette(),
                    static_cast<u8>(st.n), static_cast<u8>(n));
        st.n += n;
        if (st.n > h) {
            CompleteCommand(DlCommandLength(DL_IMAGE));
            return;
        }
        ReloadBudgets();
    }
    // An image too wide for a single band even in an empty run could never
    // progress; it is dropped rather than blocking the display list.
    if (LcdQueueCount() == 0) {
        CompleteCommand(DlCommandLength(DL_IMAGE));
        return;
    }
    st.stopFlag = 1;
}

void StepImageBox() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.drawFlags = kDrawFill;
        st.record = CommandImageRecord();
        if (st.record == nullptr) {
            CompleteCommand(DlCommandLength(DL_IMAGE_BOX));
            return;
        }
        const i32 w = GlyphWidth(st.record);
        const i32 h = GlyphHeight(st.record);
        st.a = DlPeekWord(1);
        st.c = st.a + w - 1;
        st.d = DlPeekWord(3);
        st.b = st.d - h + 1;
        st.opPhase = 1;
    }
    if (!FillRowsChunked()) return;
    CompleteCommand(DlCommandLength(DL_IMAGE_BOX));
}

void StepChar() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        TextMode();
        st.opPhase = 1;
    }
    if (!GlyphStep(DlPeekByte(1))) return;
    SetContextFlags(0);
    CompleteCommand(DlCommandLength(DL_CHAR));
}

void StepText() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.n = 0;
        TextMode();
        st.opPhase = 1;
    }
    if (!TextLoop(kDlTextFixed, false)) return;
    SetContextFlags(0);
    CompleteCommand(DlTextCommandLength(DL_TEXT, static_cast<u16>(st.n)));
}

void StepTextAt() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.a = DlPeekWord(1);
        st.b = DlPeekWord(3);
        if (st.drawFlags & kDrawAlignCentreY) {
            st.b += CurrentFontHeight() / 2;
        } else if (st.drawFlags & kDrawAlignTop) {
            st.b += CurrentFontHeight();
        }
        if (st.drawFlags & (kDrawAlignRight | kDrawAlignCentreX)) {
            i32 width = 0;
            for (u16 offset = kDlTextAtFixed; !TextEndsAt(offset); ++offset) {
                const u8* record = GlyphLookup(DlPeekByte(static_cast<u8>(offset)), GetFont(), GetRangeMap());
                if (record != nullptr) width += GlyphWidth(record);
            }
            st.a -= (st.drawFlags & kDrawAlignCentreX) ? width / 2 : width;
        }
        // A text wider than the room left of its anchor starts at the left
        // edge instead of wrapping round to the right one.
        SetTextPosition(static_cast<u16>(Max(st.a, 0)), static_cast<u8>(Max(st.b, 0)));
        st.n = 0;
        TextMode();
        st.opPhase = 1;
    }
    if (!TextLoop(kDlTextAtFixed, false)) return;
    SetContextFlags(0);
    CompleteCommand(DlTextCommandLength(DL_TEXT_AT, static_cast<u16>(st.n)));
}

void StepCharRotated() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.r = DlPeekWord(1);
        TextMode();
        st.opPhase = 1;
    }
    if (!RotatedGlyphStep(DlPeekByte(3))) return;
    SetContextFlags(0);
    CompleteCommand(DlCommandLength(DL_CHAR_ROTATED));
}

void StepTextRotated() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.n = 0;
        st.r = DlPeekWord(1);
        TextMode();
        st.opPhase = 1;
    }
    if (!TextLoop(kDlTextRotatedFixed, true)) return;
    SetContextFlags(0);
    CompleteCommand(DlTextCommandLength(DL_TEXT_ROTATED, static_cast<u16>(st.n)));
}

namespace {

// The calibration's averaging state lives in the progress registers once the
// screen clear no longer needs them.
struct Target {
    u16 x;
    u16 y;
};
constexpr Target kTargets[5] = {{kTargetLeft, kTargetTop},
                                {kTargetRight, kTargetTop},
                                {kTargetLeft, kTargetBottom},
                                {kTargetRight, kTargetBottom},
                                {kTargetCentreX, kTargetCentreY}};

// A cross is two straight strokes of 41 pixels; the edge estimate of their
// combined length covers them.
bool CrossFits() {
    Estimate(kCostEdges, 4 * kCrossArm, 1, 0);
    return FitsBudget();
}

void Arm(u8 target) {
    InterpreterState& st = Interp;
    if (!CrossFits()) return;
    DrawCross(kTargets[target].x, kTargets[target].y, false);
    st.a = kAverageWait;
    st.b = 0;
    st.c = 0;
    st.d = 0;
    ++st.opPhase;
    st.stopFlag = 1;
}

// Stores the average of the target just collected.
void StoreTarget(u8 target, i32 x, i32 y) {
    const auto mean = [](u8 which, i32 v) {
        SetTouchCalibrationValue(which, static_cast<u16>((TouchCalibrationValue(which) + v) / 2));
    };
    switch (target) {
        case 0:
            SetTouchCalibrationValue(kCalibrationLeft, static_cast<u16>(x));
            SetTouchCalibrationValue(kCalibrationTop, static_cast<u16>(y));
            break;
        case 1:
            SetTouchCalibrationValue(kCalibrationRight, static_cast<u16>(x));
            mean(kCalibrationTop, y);
            break;
        case 2:
            mean(kCalibrationLeft, x);
            SetTouchCalibrationValue(kCalibrationBottom, static_cast<u16>(y));
            break;
        case 3:
            mean(kCalibrationRight, x);
            mean(kCalibrationBottom, y);
            break;
        default: break;
    }
}

void Collect(u8 target) {
    InterpreterState& st = Interp;
    st.stopFlag = 1;
    const u8 mode = target == 4 ? 1 : 0;
    if (TouchAverage(&st.a, &st.b, &st.c, &st.d, mode) == 0) return;
    // The average stays complete, so a cross that cannot be erased in this
    // run is erased in the next one; the values are stored only then.
    if (!CrossFits()) return;
    StoreTarget(target, st.c, st.d);
    DrawCross(kTargets[target].x, kTargets[target].y, true);
    st.stopFlag = 1;
    if (target < 4) {
        ++st.opPhase;
        return;
    }
    const bool centred =
        Abs(st.c - kTargetCentreX) <= kCentreTolerance && Abs(st.d - kTargetCentreY) <= kCentreTolerance;
    if (centred) {
        st.calibrationActive = 0;
        CompleteCommand(DlCommandLength(DL_TOUCH_CALIBRATE));
    } else {
        st.opPhase = 0;
    }
}

}  // namespace

void StepTouchCalibrate() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.calibrationActive = 1;
        st.a = 0;
        st.b = 0;
        st.c = kLastColumn;
        st.d = kLastRow;
        st.opPhase = 1;
    }
    if (st.opPhase == 1) {
        st.stopFlag = 1;
        if (!FillRowsChunked()) return;
        st.opPhase = 2;
        ReloadBudgets();
    }
    if (st.opPhase >= 2 && st.opPhase <= 11) {
        const u8 target = static_cast<u8>((st.opPhase - 2) / 2);
        if ((st.opPhase & 1) == 0) {
            Arm(target);
        } else {
            Collect(target);
        }
        return;
    }
    CompleteCommand(DlCommandLength(DL_TOUCH_CALIBRATE));
}
