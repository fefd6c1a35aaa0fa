// The check pages: operating mode, controller status, runtimes, the solar
// pump's manual speed, the zone valve, the switching valve and the alarm
// transducer with their on/off lists, and the versions.
#pragma once

#include "panel/Types.h"
#include "panel/app/Page.h"

extern const PageRecord OperatingModePage;
extern const PageRecord OperatingModeListPage;
extern const PageRecord ControllerStatusPage;
extern const PageRecord RuntimePage;
extern const PageRecord SolarPumpPage;
extern const PageRecord ZoneValvePage;
extern const PageRecord ZoneValveListPage;
extern const PageRecord SwitchingValvePage;
extern const PageRecord SwitchingValveListPage;
extern const PageRecord AlarmTransducerPage;
extern const PageRecord AlarmTransducerListPage;
extern const PageRecord VersionsPage;

// Raw pump speed (0..1000) in percent: 0 below the lowest running speed,
// 10..80 up to the highest step, then 100.
u8 PumpPercent(u16 raw);

// The stored commissioning date as DD.MM.20YY, or --.--.---- before the first
// commissioning; out must hold 11 bytes.
void FormatCommissioningDate(char* out);
