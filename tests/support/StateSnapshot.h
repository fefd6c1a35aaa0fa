// Everything a saved state holds, as bytes: the settings, both histories and
// every plant value, to see whether anything changed.
#pragma once

#include <string>

#include "host/plant/PlantModel.h"
#include "panel/settings/Settings.h"

inline std::string StateSnapshot(const PlantModel& plant) {
    std::string s(reinterpret_cast<const char*>(&Settings), sizeof Settings);
    s.append(reinterpret_cast<const char*>(FaultHistory), sizeof FaultHistory);
    s.append(reinterpret_cast<const char*>(&YieldHistoryBlock), sizeof YieldHistoryBlock);
    for (int i = 0; i < static_cast<int>(PlantModel::Entries().size()); ++i) s += plant.Format(i) + ";";
    return s;
}
