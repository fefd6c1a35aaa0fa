// The texts that a value names: the controller's status, its fault codes and
// the choices of the settings, shared by the value pages, their lists, the
// start page and the fault-history view.
#pragma once

#include "panel/Types.h"
#include "panel/text/TextIds.h"

constexpr u8 kControllerStatusCount = 10;
constexpr u8 kFaultCodeCount = 51;

// A fault code that the controller does not report has no text of its own:
// its entry holds this, and the pages show "Fault solar" with the code.
constexpr TextId kUnlistedFault = 0;

// A setting's choices, in the order of its values: the rows of its list page
// and the text its value page shows.
inline constexpr TextId LoadStrategyTexts[] = {Txt::kStrategyPriorityTank1, Txt::kStrategyMaxTank1,
                                               Txt::kStrategyPriorityTank2, Txt::kStrategyMaxTank2};
inline constexpr TextId ShortcutTexts[] = {Txt::kMeasurementTitle, Txt::kSolarYields, Txt::kLanguage};
inline constexpr TextId SupplementaryTexts[] = {Txt::kSupplementaryNone, Txt::kSupplementaryTwoTanks,
                                                Txt::kSupplementaryHeatingSupport};
inline constexpr TextId ModeTexts[] = {Txt::kModeAuto, Txt::kModeOff, Txt::kModeTest, Txt::kModeManual};
// The on/off outputs: "on" is row 0 (see OnOffRow).
inline constexpr TextId OnOffTexts[] = {Txt::kOutputOn, Txt::kOutputOff};

// Controller status 0..9.
inline constexpr TextId StatusTexts[kControllerStatusCount] = {
    Txt::kStatusWaitForSunshine,     Txt::kStatusFrostProtection, Txt::kStatusPush,
    Txt::kStatusSwitchOnDelay,       Txt::kStatusWarmingTank,     Txt::kStatusTankFull,
    Txt::kStatusCollectorOverheated, Txt::kStatusManual,          Txt::kStatusMeasurement,
    Txt::kStatusEmergencyMode,
};

// The fault codes that the controller reports, with their texts.
struct FaultText {
    u8 code;
    TextId text;
};
inline constexpr FaultText ReportedFaults[] = {
    {0, Txt::kFaultNone},
    {1, Txt::kFaultNoFlow},
    {2, Txt::kFaultAirInSystem},
    {3, Txt::kFaultRiskOfFrost},
    {4, Txt::kFaultFeedAndReturnReversed},
    {5, Txt::kFaultZoneValve},
    {6, Txt::kFaultTimeIncorrect},
    {7, Txt::kFaultPressureDrop},
    {9, Txt::kFaultHydraulicShortCircuit},
    {10, Txt::kFaultPipeInsulation},
    {11, Txt::kFaultSupplyCurrent},
    {12, Txt::kFaultThreeWayValveOrSensor},
    {13, Txt::kFaultFlowTooLow},
    {14, Txt::kFaultTankUndercooled},
    {21, Txt::kFaultFlowSensor},
    {22, Txt::kFaultCollectorSensor},
    {23, Txt::kFaultCollectorInletSensor},
    {24, Txt::kFaultCollectorSensorDisturbed},
    {25, Txt::kFaultTsaTamReversed},
    {26, Txt::kFaultSolarSupplySensor},
    {27, Txt::kFaultOutsideSensor},
    {34, Txt::kFaultOverheatingTank1},
    {35, Txt::kFaultOverheatingTank2},
    {49, Txt::kFaultStationUndercooled},
    {50, Txt::kFaultCollectorFrozen},
};

// Fault code 0..50 to its text, kUnlistedFault where the controller reports none.
struct FaultTextTable {
    TextId texts[kFaultCodeCount];
};
constexpr FaultTextTable BuildFaultTexts() {
    FaultTextTable table{};
    for (TextId& t : table.texts) t = kUnlistedFault;
    for (const FaultText& f : ReportedFaults) table.texts[f.code] = f.text;
    return table;
}
inline constexpr FaultTextTable FaultTexts = BuildFaultTexts();

// The text of a status or fault code; a value beyond its table has no text.
constexpr TextId StatusTextId(u8 status) { return status < kControllerStatusCount ? StatusTexts[status] : kNoText; }
constexpr TextId FaultTextId(u8 code) { return code < kFaultCodeCount ? FaultTexts.texts[code] : kNoText; }
