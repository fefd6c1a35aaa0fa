#include "panel/Firmware.h"
#include "panel/StaticState.h"
#include "panel/app/AppState.h"
#include "panel/app/Editors.h"
#include "panel/app/Plant.h"
#include "panel/dl/InterpreterState.h"
#include "panel/gfx/Raster.h"
#include "panel/hw/Clock.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"
#include "panel/settings/Settings.h"

namespace {

template <typename T, unsigned N>
void Clear(T (&table)[N]) {
    for (T& entry : table) entry = T{};
}

}  // namespace

void ResetFirmwareState() {
    // Hardware layer and display engine.
    Clear(PanelFramebuffer);
    ResetLcdStatics();
    ResetServicesStatics();
    PanelClock = PanelClockRecord{};
    TouchSample = kNoTouch;
    ResetTouchStageStatics();
    ResetDisplayListStatics();
    ResetDrawApiStatics();
    Interp = InterpreterState{};
    RasterForeground = 0;
    RasterBackground = 0;
    Clear(RasterPalette);
    RasterError = 0;
    ResetContextStatics();
    ResetRotationStatics();

    // Application, plant values and settings.
    AppState = AppStateRecord{};
    ControllerLink = ControllerLinkRecord{};
    ClockEdit = PanelClockRecord{};
    Plant = PlantValues{};
    Clear(CollectorCurve);
    CollectorCurveCount = 0;
    ResetDrawStatics();
    ResetStartPageStatics();
    ResetMeasurementStatics();
    ResetYieldStatics();
    ResetSettingsPageStatics();
    ResetCheckPageStatics();
    ResetCommissioningStatics();
    Settings = SettingsBlock{};
    Clear(AuxBlock);
    Clear(FaultHistory);
    YieldHistoryBlock = YieldHistory{};
    VersionNumber = 0;
    Clear(StoreWriteQueue);
    StoreWriteNext = 0;
}
