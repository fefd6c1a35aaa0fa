// The confirmation dialog: the update question with its Yes and No buttons.
#pragma once

#include "panel/app/Page.h"

extern const PageRecord ConfirmDialogPage;

// The update question with its Yes (button 18) and No (button 19) buttons; the
// page is left when dialogTimer runs out.
void DrawConfirmDialog();
