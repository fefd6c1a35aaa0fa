#include "panel/app/AppState.h"

#include "panel/Firmware.h"

AppStateRecord AppState;
ControllerLinkRecord ControllerLink;

void InitAppState() {
    AppState = AppStateRecord{};
    AppState.currentPage = 0;
    AppState.redrawPending = 1;
    AppState.faultLampShown = 255;
    AppState.touchX = -1;
    AppState.touchY = -1;
    AppState.hitButton = Button::kNone;
    AppState.lastButton = Button::kNone;
    for (u8& slot : AppState.barButtons) slot = Button::kNone;
    AppState.schematicDelay = 500;
    ControllerLink.acousticAlarm = 0;
}
