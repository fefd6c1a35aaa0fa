#include "panel/gfx/Raster.h"

#include "panel/hw/LcdQueue.h"

Rgb565 RasterForeground;
Rgb565 RasterBackground;
Rgb565 RasterPalette[16];
u8 RasterError;

bool RasterInit() {
    RasterError = 0;
    for (const LcdInitStep& step : LcdStartupSequence) {
        LcdWriteRegister(step.reg, step.value);
        if (step.delay != 0) LcdDelay(step.delay);
    }
    return RasterError != 0;
}
