// DL_ROUND_RECT: the straight edges in one step, then either the four outline
// corners, one step each, or the filled form: each corner a quarter circle of
// the command's style, with a background band between one pair of corners and
// the next. The top band covers rows top + inset .. top + r between the upper
// corners, the middle band the rows between the corners over the full width
// less the inset, the bottom band rows bottom - r .. bottom - inset between the
// lower corners.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"

namespace {

using longop::Max;
using longop::Min;

constexpr u8 kEdgesPhase = 1;
constexpr u8 kOutlineCornersPhase = 2;  // one phase per corner, 2 to 5
constexpr u8 kFilledPhase = 6;          // corner, band, corner, band, corner, band, corner: 6 to 12
constexpr u8 kLastFilledPhase = 12;

// A corner: its bit in the command's mask and its quadrant.
struct Corner {
    u8 bit;
    u8 quadrant;
    bool right;
    bool lower;
};
constexpr Corner kUpperLeft{0x01, kQuadTopLeft, false, false};
constexpr Corner kLowerLeft{0x02, kQuadBottomLeft, false, true};
constexpr Corner kUpperRight{0x04, kQuadTopRight, true, false};
constexpr Corner kLowerRight{0x08, kQuadBottomRight, true, true};
constexpr u8 kCornerMask = 0x0F;

constexpr Corner kOutlineCorners[] = {kUpperLeft, kLowerLeft, kUpperRight, kLowerRight};
// Each but the last is followed by the band below it.
constexpr Corner kFilledCorners[] = {kUpperLeft, kUpperRight, kLowerLeft, kLowerRight};
constexpr u8 kTopBand = 0;
constexpr u8 kMiddleBand = 1;
// The walk of the edges, from just past the upper left corner.
constexpr Corner kClockwise[] = {kUpperRight, kLowerRight, kLowerLeft, kUpperLeft};

bool Rounded(const RoundRectProgress& p, const Corner& k) { return (p.corners & k.bit) != 0; }

struct Point {
    i32 x;
    i32 y;
};

void Move(Point p) { MoveTo(static_cast<u16>(p.x), static_cast<u8>(p.y)); }
void Line(Point p) { LineTo(static_cast<u16>(p.x), static_cast<u8>(p.y)); }

// Where the clockwise walk of the edges arrives at a corner or leaves it: the
// corner itself, or r away from it on the edge when the corner is rounded.
// The walk arrives at the upper right and lower left corners along a row and
// leaves them along a column; at the other two corners it is the other way
// round.
Point EdgeEnd(const RoundRectProgress& p, const Corner& k, bool leaving) {
    Point at{k.right ? p.right : p.left, k.lower ? p.bottom : p.top};
    if (!Rounded(p, k)) return at;
    const bool alongRow = (k.right != k.lower) != leaving;
    if (alongRow) {
        at.x += k.right ? -p.radius : p.radius;
    } else {
        at.y += k.lower ? -p.radius : p.radius;
    }
    return at;
}

// The walk starts and ends at the upper left corner; the rounded corners
// themselves are left to the quarter circles.
void DrawEdges(const RoundRectProgress& p) {
    Move(EdgeEnd(p, kUpperLeft, true));
    for (u8 i = 0; i < 4; ++i) {
        const Corner& k = kClockwise[i];
        Line(EdgeEnd(p, k, false));
        if (i < 3 && Rounded(p, k)) Move(EdgeEnd(p, k, true));
    }
}

// A rounded corner's quarter circle around its centre, r in from both edges.
bool DrawCorner(const RoundRectProgress& p, const Corner& k, u8 style) {
    if (!Rounded(p, k)) return true;
    if (!FitsBudget()) return false;
    const i32 x = k.right ? p.right - p.radius : p.left + p.radius;
    const i32 y = k.lower ? p.bottom - p.radius : p.top + p.radius;
    longop::ClipQuadrant(static_cast<u16>(x), static_cast<u8>(y), static_cast<u16>(p.radius),
                         static_cast<u8>(k.quadrant | style));
    return true;
}

// The band after a filled corner. Beside a rounded corner a band ends at the
// column next to the corner's centre. Both end bands are measured from the
// rectangle itself: the middle band's fill leaves its right end cut to the
// screen, and a bottom band taken from there would stop short of the edge.
void SetBand(RoundRectProgress& p, u8 band) {
    const i32 r = p.radius;
    const i32 t = p.inset;
    const i32 cornerCut = r + 1 - t;
    const auto leftEnd = [&](const Corner& k) { return Rounded(p, k) ? p.left + r + 1 : p.left + t; };
    if (band == kTopBand) {
        const i32 right = p.right - t - (Rounded(p, kUpperRight) ? cornerCut : 0);
        p.fill = {leftEnd(kUpperLeft), p.top + t, right, p.top + r};
    } else if (band == kMiddleBand) {
        p.fill = {p.left + t, p.top + r + 1, p.right - t, p.bottom - 1 - r};
    } else {
        const i32 right = p.right - t - (Rounded(p, kLowerRight) ? cornerCut : 0);
        p.fill = {leftEnd(kLowerLeft), p.bottom - r, right, p.bottom - t};
    }
}

void Begin(RoundRectProgress& p) {
    SetContextFlags(0);
    p.style = longop::QuadrantStyle();
    p.inset = p.style == kQuadFilled ? 1 : 0;
    p.left = DlPeekWord(1);
    p.top = DlPeekWord(3);
    p.right = DlPeekWord(5);
    p.bottom = DlPeekWord(7);
    p.radius = DlPeekByte(9);
    if (longop::IsFilledStyle(p.style)) p.radius = Min(p.radius, longop::kMaxFilledRadius);
    p.radius = Min(p.radius, (p.right - p.left) / 2);
    p.radius = Min(p.radius, (p.bottom - p.top) / 2);
    // A rectangle given backwards has no room for rounded corners.
    p.radius = Max(p.radius, 0);
    p.corners = DlPeekByte(10) & kCornerMask;
    Estimate(kCostEdges, longop::DrawnPerimeter(p.left, p.top, p.right, p.bottom), 1, 0);
}

bool DrawOutlineCorners(RoundRectProgress& p) {
    InterpreterState& st = Interp;
    for (; st.opPhase < kFilledPhase; ++st.opPhase) {
        if (!DrawCorner(p, kOutlineCorners[st.opPhase - kOutlineCornersPhase], 0)) return false;
        ReloadBudgets();
    }
    return true;
}

bool DrawFilledForm(RoundRectProgress& p) {
    InterpreterState& st = Interp;
    for (; st.opPhase <= kLastFilledPhase; ++st.opPhase) {
        const u8 step = static_cast<u8>(st.opPhase - kFilledPhase);
        if (step % 2 == 1) {
            if (!longop::FillRowsChunked(p.fill)) return false;
        } else {
            if (!DrawCorner(p, kFilledCorners[step / 2], p.style)) return false;
            if (st.opPhase < kLastFilledPhase) SetBand(p, static_cast<u8>(step / 2));
        }
        ReloadBudgets();
    }
    return true;
}

}  // namespace

void StepRoundRect() {
    InterpreterState& st = Interp;
    RoundRectProgress& p = st.roundRect;
    if (st.opPhase == 0) {
        Begin(p);
        st.opPhase = kEdgesPhase;
    }
    if (st.opPhase == kEdgesPhase) {
        ReloadBudgets();
        if (st.drawFlags & kDrawOutline) {
            if (!FitsBudget()) return;
            DrawEdges(p);
        }
        // The corners are quarter circles whether or not the edges were
        // drawn; the edges' estimate does not cover them.
        const bool filled = (st.drawFlags & kDrawFill) != 0;
        longop::EstimateQuadrant(p.radius, filled ? p.style : 0);
        st.opPhase = filled ? kFilledPhase : kOutlineCornersPhase;
        ReloadBudgets();
    }
    const bool done = st.opPhase < kFilledPhase ? DrawOutlineCorners(p) : DrawFilledForm(p);
    if (done) CompleteCommand(DlCommandLength(DL_ROUND_RECT));
}
