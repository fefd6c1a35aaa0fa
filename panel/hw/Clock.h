// The panel's real-time clock record, fed by the host every tick.
#pragma once

#include "panel/Types.h"

// The clock's ten bytes in their stored order. Each fault-history entry
// carries the same bytes as its time stamp, so both records are declared
// from this one list.
#define PANEL_CLOCK_FIELDS               \
    u8 second;                           \
    u8 minute;                           \
    u8 hour;                             \
    u8 weekday; /* 0 = Sunday */         \
    u8 day;                              \
    u8 month;                            \
    u16 year; /* full year, e.g. 2011 */ \
    u16 reserved;

struct PanelClockRecord {
    PANEL_CLOCK_FIELDS
};
static_assert(sizeof(PanelClockRecord) == 10);

extern PanelClockRecord PanelClock;
