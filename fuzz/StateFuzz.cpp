// Feeds arbitrary text to the state-file loader, as `state load` and
// `kandorelle --state` read it. Loading must never crash: a file that is
// refused says where (NAME:LINE: message) and changes nothing, and a file that
// is taken leaves values that saving and loading again keep.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/plant/PlantModel.h"
#include "host/plant/PlantState.h"
#include "panel/Firmware.h"
#include "panel/app/Plant.h"
#include "panel/settings/Settings.h"

namespace {

// Everything a state holds, as bytes.
std::string Snapshot(const PlantModel& plant) {
    std::string s(reinterpret_cast<const char*>(&Settings), sizeof Settings);
    s.append(reinterpret_cast<const char*>(FaultHistory), sizeof FaultHistory);
    s.append(reinterpret_cast<const char*>(&YieldHistoryBlock), sizeof YieldHistoryBlock);
    for (int i = 0; i < static_cast<int>(PlantModel::Entries().size()); ++i) s += plant.Format(i) + ";";
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool started = [] {
        ResetFirmwareState();
        LoadSettingsDefaults();
        InitAppState();
        return true;
    }();
    (void)started;
    PlantModel plant;
    const std::string before = Snapshot(plant);
    WallTime clock = MakeWallTime(2011, 4, 15, 12, 0, 0);
    std::string error;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (LoadStateText(text, "fuzz.json", plant, clock, error)) {
        if (clock.year < 2000 || clock.year > 2099) std::abort();
        return 0;
    }
    if (error.rfind("fuzz.json:", 0) != 0 || std::atoi(error.c_str() + 10) < 1) std::abort();
    if (Snapshot(plant) != before || clock.year != 2011) std::abort();
    return 0;
}
