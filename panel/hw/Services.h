// The panel's small hardware services: display level, key click, clock hooks,
// version queries and two calendar calculations. On the desktop the hardware
// behind them is absent, so where it would act they do nothing.
#pragma once

#include "panel/Types.h"
#include "panel/hw/Clock.h"
#include "panel/hw/TouchStage.h"  // SetSignalCountdown: the key click is counted down by the touch stage

constexpr u8 kDefaultDisplayLevel = 128;

void SetDisplayLevel(u8 level);
u8 GetDisplayLevel();

// Called after the application has written a new time or date into PanelClock.
void ClockWriteHook();
// Called by the time and date editors on plus (direction 1) and minus steps
// with the edit copy of the clock; a settable clock would step it here.
void TimeAdjustHook(u8 direction, PanelClockRecord* edit);
void DateAdjustHook(u8 direction, PanelClockRecord* edit);

// The basic system's version times 100 (10000 is V 1.00).
u16 BasicSystemVersion();
// The update offered by the controller; 0 = none known.
u32 UpdateInformation();

// 1 for the first of January; every year from 2000 that is divisible by 4 is a
// leap year. A month outside 1..12 counts no days before it.
u16 DayOfYear(u8 day, u8 month, u16 yearFrom2000);
// 0 = Monday ... 6 = Sunday (PanelClock counts from Sunday instead).
u8 WeekdayOf(u8 day, u8 month, i16 year);
