// The panel's real-time clock record, fed by the host every tick.
#pragma once

#include "panel/Types.h"

struct PanelClockRecord {
    u8 second;
    u8 minute;
    u8 hour;
    u8 weekday;  // 0 = Sunday
    u8 day;
    u8 month;
    u16 year;  // full year, e.g. 2011
    u16 reserved;
};

extern PanelClockRecord PanelClock;
