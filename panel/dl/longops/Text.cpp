// DL_TEXT: a text at the text cursor, glyph by glyph. A run that stops resumes
// at the character it could not draw, so no character is drawn twice.
#include "panel/dl/DisplayList.h"
#include "panel/dl/longops/LongOp.h"

void StepText() {
    if (Interp.opPhase == 0) longop::StartText();
    if (!longop::TextLoop(kDlTextFixed, false)) return;
    longop::EndText(DlTextCommandLength(DL_TEXT, static_cast<u16>(Interp.text.next)));
}
