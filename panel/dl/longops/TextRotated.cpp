// DL_TEXT_ROTATED: a text at the text cursor, each glyph turned by an angle in
// degrees, resumed at the character it could not draw.
#include "panel/dl/DisplayList.h"
#include "panel/dl/longops/LongOp.h"

void StepTextRotated() {
    if (Interp.opPhase == 0) {
        Interp.text.angle = DlPeekWord(1);
        longop::StartText();
    }
    if (!longop::TextLoop(kDlTextRotatedFixed, true)) return;
    longop::EndText(DlTextCommandLength(DL_TEXT_ROTATED, static_cast<u16>(Interp.text.next)));
}
