#include "panel/hw/Touch.h"

i32 TouchSample = kNoTouch;

i32 ReadTouchSample(u8) { return TouchSample; }
