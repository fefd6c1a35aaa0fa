// DL_RECT: the outline in one step, then the fill inside it in bands. The
// outline is never drawn twice: a fill that spans several runs resumes in its
// own phase.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"

namespace {

constexpr u8 kOutlinePhase = 1;
constexpr u8 kFillPhase = 2;

}  // namespace

void StepRect() {
    InterpreterState& st = Interp;
    FillBand& fill = st.rect.fill;
    if (st.opPhase == 0) {
        SetContextFlags(0);
        fill = {DlPeekWord(1), DlPeekWord(3), DlPeekWord(5), DlPeekWord(7)};
        st.opPhase = kOutlinePhase;
    }
    if (st.opPhase == kOutlinePhase) {
        if (st.drawFlags & kDrawOutline) {
            Estimate(kCostEdges, longop::DrawnPerimeter(fill.left, fill.top, fill.right, fill.bottom), 1, 0);
            if (!FitsBudget()) return;
            MoveTo(static_cast<u16>(fill.left), static_cast<u8>(fill.top));
            LineTo(static_cast<u16>(fill.right), static_cast<u8>(fill.top));
            LineTo(static_cast<u16>(fill.right), static_cast<u8>(fill.bottom));
            LineTo(static_cast<u16>(fill.left), static_cast<u8>(fill.bottom));
            LineTo(static_cast<u16>(fill.left), static_cast<u8>(fill.top));
            fill = {fill.left + 1, fill.top + 1, fill.right - 1, fill.bottom - 1};
            ReloadBudgets();
        }
        if (!(st.drawFlags & kDrawFill)) {
            CompleteCommand(DlCommandLength(DL_RECT));
            return;
        }
        st.opPhase = kFillPhase;
    }
    if (!longop::FillRowsChunked(fill)) return;
    CompleteCommand(DlCommandLength(DL_RECT));
}
