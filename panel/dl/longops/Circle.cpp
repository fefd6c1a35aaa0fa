// DL_CIRCLE: up to four quarter circles, one step each. The estimate is made
// once and holds for every quadrant; a run that stops resumes at the first
// quadrant not yet drawn.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"

void StepCircle() {
    InterpreterState& st = Interp;
    CircleProgress& p = st.circle;
    if (st.opPhase == 0) {
        SetContextFlags(0);
        p.style = longop::QuadrantStyle();
        p.radius = DlPeekByte(5);
        p.quadrants = DlPeekByte(6) & 0x0F;
        if (longop::IsFilledStyle(p.style)) p.radius = longop::Min(p.radius, longop::kMaxFilledRadius);
        longop::EstimateQuadrant(p.radius, p.style);
        p.x = DlPeekWord(1);
        p.y = DlPeekWord(3);
        p.next = 0;
        st.opPhase = 1;
    }
    for (; p.quadrants != 0; ++p.next, p.quadrants >>= 1) {
        if (p.quadrants & 1) {
            if (!FitsBudget()) return;
            longop::ClipQuadrant(static_cast<u16>(p.x), static_cast<u8>(p.y), static_cast<u16>(p.radius),
                                 static_cast<u8>(longop::QuadrantOf(p.next) | p.style));
        }
        ReloadBudgets();
    }
    CompleteCommand(DlCommandLength(DL_CIRCLE));
}
