// The simulated plant: readings that a controller would deliver to the panel.
// The host fills them at start and keeps a few of them moving.
#pragma once

#include "panel/Types.h"

constexpr u16 kCollectorCurveLength = 216;

struct PlantValues {
    i16 collectorTemp;  // tenths of a degree Celsius
    i16 solarReturnTemp;
    i16 solarSupplyTemp;
    i16 tankTopTemp;
    i16 fifthRowTemp;      // second tank top or heating return
    i16 fifthRowTwinTemp;  // the same reading as the schematic reads it
    i16 lowerTankTemp;
    i16 lowerSecondTankTemp;
    i16 outsideTemp;
    i16 maxCollectorTemp;
    i16 extraCollector1Temp;
    i16 extraOutside1Temp;
    i16 extraCollector2Temp;
    i16 extraOutside2Temp;
    u8 extraSensorAbsent;  // bit 0 outside 1, bit 1 collector 1, bit 2 outside 2, bit 3 collector 2
    u8 tankTopPresent;
    u8 fifthSensorPresent;
    u8 fifthRowShown;  // the measurement page shows a fifth row
    u8 sensorFault;    // SensorFault bits of the readings whose sensor is faulty
    u16 pumpSpeed;     // raw 0..1000
    u8 pumpSpeedLock;
    u8 schematicValue;
    u8 controllerStatus;  // 0..9
    u32 flowRate;
    u16 solarOutput;
    u8 plantFlags;  // bit 0 and bit 6 are shown as status icons
    u8 frost;
    u8 tankFull[2];  // the "Max" flags of both tanks
    u8 commissioningStep;
    u8 ventRequest;
    u8 holdFlag;
    u32 runCounter;
};

// The bits of PlantValues::sensorFault.
namespace SensorFault {
constexpr u8 kCollector = 0x01;
constexpr u8 kSolarReturn = 0x02;
constexpr u8 kSolarSupply = 0x04;
constexpr u8 kOutside = 0x08;
constexpr u8 kFlowRate = 0x10;
}  // namespace SensorFault

extern PlantValues Plant;

extern u16 CollectorCurve[kCollectorCurveLength];
extern u8 CollectorCurveCount;
