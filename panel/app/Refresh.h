// The live refresh: redraws the values of the current page that changed since
// they were last drawn, counts down the message pages and keeps the fault
// lamp in the title bar up to date.
#pragma once

#include "panel/Types.h"
#include "panel/app/Schematic.h"

// The cache value of a reading that was never drawn.
constexpr u16 kNeverDrawn = 9998;
// The cache value of a reading whose sensor is absent or faulty.
constexpr u16 kNoValue = 9999;

void UpdateFaultLamp();

// The refreshers of the pages; RefreshPage calls the one that PageTable.cpp
// names for the current page.
void RefreshMeasurements(u8 page);
void RefreshMeasurementPage();
void RefreshMenu();
void RefreshYields();
void RefreshWarmWater();
void RefreshTime();
void RefreshDate();
void RefreshAccessCode();
void RefreshMaxTank();
void RefreshMaxTank2();
void RefreshStatus();
void RefreshRuntime();
void RefreshPumpSpeed();
void RefreshZoneValve();
void RefreshSwitchingValve();
void RefreshCurrentFault();
void RefreshConfirmDialog();
void RunCommissioning();

// The message pages go on to the next page by themselves when their time is up.
void CloseYieldDeletedMessage();
void CloseWrongCodeMessage();
void CloseNotPossibleMessage();

// The left end of the value field of a row of the measurement pages (2, 3, 4),
// the yields page (6) or the runtime page (30): the label before it must end
// there. 0 for any other page or row.
u16 ValueFieldLeft(u8 page, u8 row);

// "Fault code" and the two digits of the current fault code, in a static
// buffer.
const char* FaultLineText();

// The description of a fault code in the current language. A code that the
// fault table gives no text reads "Fault solar" and its number, so that no
// page shows an unrelated text in its place.
const char* FaultDescription(u8 code);

// Raw pump speed (0..1000) in percent: 0 below 71, 10..80 up to 870, then 100.
u8 PumpPercent(u16 raw);

// The page builds reset the caches of their pages so that the first refresh
// draws every value.
void ResetMeasurementCaches();
void ResetYieldCaches();
void ResetStatusCache();
void ResetRuntimeCaches();
void ResetPumpCache();
void ResetCommissioningRun();
