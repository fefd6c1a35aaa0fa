#include "panel/Firmware.h"
#include "panel/gfx/Raster.h"
#include "panel/hw/LcdQueue.h"

void DlInit() {
    LcdResetQueue();
    RasterInit();
    // The queue is flushed but not emptied: the first run applies these
    // entries once more, without visible effect.
    LcdFlush(LcdQueueCount());
}

void DisplayListRun() { LcdApplyQueue(); }
