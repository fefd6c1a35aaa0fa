#include "panel/hw/Clock.h"

PanelClockRecord PanelClock;
