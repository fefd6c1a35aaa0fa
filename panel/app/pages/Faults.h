// The fault pages: the entry on the check pages, the current fault and the
// fault history.
#pragma once

#include "panel/Types.h"
#include "panel/app/Page.h"

extern const PageRecord FaultsEntryPage;
extern const PageRecord CurrentFaultPage;
extern const PageRecord FaultHistoryPage;

// Fault-history entry index; an empty entry or an index other than 0 or 1
// draws nothing.
void DrawFaultEntry(u8 index);
