#include "panel/Firmware.h"

void RegisterGraphics() {}
