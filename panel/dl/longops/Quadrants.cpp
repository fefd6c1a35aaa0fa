// Quarter circles of circles and rounded rectangles: their style, their
// estimate, and their radius cut to the clip window.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"

namespace longop {

namespace {

constexpr u8 kLeftQuadrants = kQuadTopLeft | kQuadBottomLeft;
constexpr u8 kRightQuadrants = kQuadTopRight | kQuadBottomRight;
constexpr u8 kUpperQuadrants = kQuadTopLeft | kQuadTopRight;
constexpr u8 kLowerQuadrants = kQuadBottomLeft | kQuadBottomRight;

}  // namespace

// The left and upper limits compare with the centre relative to the clip
// window, the right and lower ones with the absolute centre.
void ClipQuadrant(u16 x, u8 y, u16 r, u8 mode) {
    const GfxContext& context = CurrentContext();
    if ((mode & kLeftQuadrants) != 0 && x < r) r = x;
    if ((mode & kUpperQuadrants) != 0 && r > y) r = y;
    x = static_cast<u16>(x + context.clipLeft);
    y = static_cast<u8>(y + context.clipTop);
    if (x < context.clipLeft) x = context.clipLeft;
    if (x > context.clipRight) x = context.clipRight;
    if (y < context.clipTop) y = context.clipTop;
    if (y > context.clipBottom) y = context.clipBottom;
    if ((mode & kRightQuadrants) != 0 && x + r > context.clipRight) r = static_cast<u16>(context.clipRight - x);
    if ((mode & kLowerQuadrants) != 0 && y + r > context.clipBottom) r = static_cast<u16>(context.clipBottom - y);
    if (r != 0) DrawQuadrants(x, y, static_cast<i16>(r), mode);
}

// Fill alone draws solid quadrants, outline alone bare arcs, both or neither
// an outline with the inside filled.
u8 QuadrantStyle() {
    switch (Interp.drawFlags & kDrawStyleMask) {
        case kDrawFill: return kQuadSolid | kQuadFilled;
        case kDrawOutline: return 0;
        default: return kQuadFilled;
    }
}

bool IsFilledStyle(u8 style) { return (style & kQuadFilled) != 0; }

// The table's queue entry for a filled quadrant undercounts the style that
// outlines and fills (every step sends pixels and spans), so that style is
// estimated as a solid quadrant plus its outline, which bounds it.
void EstimateQuadrant(i32 r, u8 style) {
    if (!IsFilledStyle(style)) {
        Estimate(kCostOutlineQuadrant, r, 1, 0);
        return;
    }
    Estimate(kCostFilledQuadrant, r, r * r, 1);
    if (style == kQuadFilled) Interp.pendingQueue += CostEstimate(kCostOutlineQuadrant + 1, r, 1, 0);
}

}  // namespace longop
