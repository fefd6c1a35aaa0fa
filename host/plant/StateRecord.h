// A panel state as plain data: the plant values and which of them are held,
// the settings block, the fault and yield histories and the clock. It is
// taken from the running panel and put back into it without any text in
// between; a state file (PlantState.h) is its JSON form. It holds no
// pointers, so the web page hands it as bytes between its panel's module and
// the module that reads and writes state files.
#pragma once

#include <cstdint>
#include <type_traits>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"
#include "panel/settings/Settings.h"

struct StateRecord {
    std::int64_t plant[PlantModel::kMaxEntries] = {};
    bool held[PlantModel::kMaxEntries] = {};
    SettingsBlock settings{};
    FaultHistoryEntry history[kFaultHistoryEntries]{};
    YieldHistory yields{};
    WallTime clock;
};
static_assert(std::is_trivially_copyable_v<StateRecord>);

// The running panel's state with `plant`'s values and `clock` as its time.
StateRecord CurrentState(const PlantModel& plant, const WallTime& clock);

// Makes a checked state the panel's: the plant, settings and histories are
// the record's, the collector curve is the one for its hour, and the current
// page is drawn again. The clock is the caller's business.
void ApplyState(const StateRecord& state, PlantModel& plant);

// A wall clock that runs on from a given time at the computer's pace; the
// window's clock after `--state FILE`.
class OffsetWallClock final : public WallClock {
public:
    WallTime Now() override;
    void Set(const WallTime& t);

private:
    long long offsetSeconds_ = 0;
    bool set_ = false;
};
