#include "panel/app/Charts.h"

#include "panel/app/Draw.h"
#include "panel/dl/DrawApi.h"

void Axes(u16 top, u16 right) {
    DlSetForeground(Colour::kBlack);
    DlMoveTo(50, top);
    DlLineTo(50, 178);
    DlLineTo(right, 178);
    DlMoveTo(49, top);
    DlLineTo(49, 179);
    DlLineTo(right, 179);
}

void ScaleLabel(const char* text, u16 baseLine) { PrintRightAligned(text, kLabelRight, baseLine, FontSlot::kBody); }
