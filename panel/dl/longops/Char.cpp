// DL_CHAR: one character at the text cursor.
#include "panel/dl/DisplayList.h"
#include "panel/dl/longops/LongOp.h"

void StepChar() {
    if (Interp.opPhase == 0) longop::StartText();
    if (longop::GlyphStep(DlPeekByte(1))) longop::EndText(DlCommandLength(DL_CHAR));
}
