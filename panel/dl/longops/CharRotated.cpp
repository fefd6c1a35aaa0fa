// DL_CHAR_ROTATED: one character at the text cursor, turned by an angle in
// degrees.
#include "panel/dl/DisplayList.h"
#include "panel/dl/longops/LongOp.h"

void StepCharRotated() {
    if (Interp.opPhase == 0) {
        Interp.text.angle = DlPeekWord(1);
        longop::StartText();
    }
    if (longop::RotatedGlyphStep(DlPeekByte(3))) longop::EndText(DlCommandLength(DL_CHAR_ROTATED));
}
