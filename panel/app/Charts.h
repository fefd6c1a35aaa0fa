// The page bodies that are drawn by their own routines rather than from the
// generic layouts: the collector chart (page 5), the daily-yield chart
// (page 7), one fault-history entry (page 44) and the confirmation dialog
// (page 45). Each routine only queues drawing commands (and, for the dialog,
// touch buttons) and keeps no state of its own.
#pragma once

#include "panel/Types.h"

// The 36-hour curve of CollectorCurve, oldest value at column 51.
void DrawCollectorChart();
// One bar per day of the yield history, today's at the right.
void DrawYieldChart();
// Fault-history entry index; an empty entry or an index other than 0 or 1
// draws nothing.
void DrawFaultEntry(u8 index);
// The update question with its Yes (button 18) and No (button 19) buttons; the
// live refresh leaves the page when dialogTimer runs out.
void DrawConfirmDialog();

// The decimal text of value without leading zeros into out (6 bytes);
// returns the number of digits written, 1..5.
u8 FormatUnsigned(char* out, u16 value);

// The version number as "V 1.05" in a static buffer.
const char* FormatVersion();
