// DL_IMAGE_BOX: the box an image would cover, w columns wide and the h rows
// that end at row y, filled with the background colour in bands. It sets
// DrawFlags to fill alone, which stays after it.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Text.h"

void StepImageBox() {
    InterpreterState& st = Interp;
    FillBand& box = st.imageBox;
    if (st.opPhase == 0) {
        st.drawFlags = kDrawFill;
        st.record = longop::CommandImageRecord();
        if (st.record == nullptr) {
            CompleteCommand(DlCommandLength(DL_IMAGE_BOX));
            return;
        }
        const i32 w = GlyphWidth(st.record);
        const i32 h = GlyphHeight(st.record);
        box.left = DlPeekWord(1);
        box.right = box.left + w - 1;
        box.bottom = DlPeekWord(3);
        box.top = box.bottom - h + 1;
        st.opPhase = 1;
        DlNotify(kDlPlaced);
    }
    if (longop::FillRowsChunked(box)) CompleteCommand(DlCommandLength(DL_IMAGE_BOX));
}
