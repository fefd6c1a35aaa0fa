#include "panel/app/AppState.h"

#include "panel/Firmware.h"
#include "panel/hw/Services.h"
#include "panel/settings/Settings.h"

AppStateRecord AppState;
ControllerLinkRecord ControllerLink;

bool ExtraSensorsOffered() { return ControllerLink.extraSensorWord != 0 || Settings.extraSensorSetting != 0; }

void KeyClick() { SetSignalCountdown(kKeyClickTicks); }

bool CountDownMessage(u16 end) {
    if (AppState.messageTimer > 0) AppState.messageTimer -= 1;
    return AppState.messageTimer <= end;
}

void InitAppState() {
    AppState = AppStateRecord{};
    AppState.currentPage = 0;
    AppState.redrawPending = 1;
    AppState.faultLampShown = kLampRedraw;
    AppState.touchX = -1;
    AppState.touchY = -1;
    AppState.hitButton = Button::kNone;
    AppState.lastButton = Button::kNone;
    for (u8& slot : AppState.barButtons) slot = Button::kNone;
    AppState.schematicDelay = 500;
    ControllerLink.acousticAlarm = 0;
}
