// A saved panel state as JSON: the plant values, the settings block, the fault
// and yield histories and the clock, so that a test or a session can start
// from a known state instead of the start values.
#pragma once

#include <string>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"

struct StateRecord;  // host/plant/StateRecord.h

// The state as the JSON text that SaveState writes.
std::string StateText(const PlantModel& plant, const WallTime& clock);
std::string StateText(const StateRecord& state);

// Writes the state to path; the file appears complete or not at all. On
// failure says why in `error`.
bool SaveState(const std::string& path, const PlantModel& plant, const WallTime& clock, std::string& error);

// Reads a state. Everything is checked before anything changes: a damaged,
// incomplete or out-of-range file changes nothing and `error` reads
// "FILE:LINE: message". On success the plant, settings and histories are the
// saved ones, `clock` is the saved time, the collector curve is the one for
// its hour, and the current page is drawn again.
bool LoadState(const std::string& path, PlantModel& plant, WallTime& clock, std::string& error);

// Reads and checks a state text as LoadState does, without changing
// anything: on success `state` holds it.
bool ReadStateText(const std::string& text, const std::string& name, StateRecord& state, std::string& error);

// LoadState for a text already read (a state in a link, a file the browser
// opened); `name` stands for the file in messages.
bool LoadStateText(const std::string& text, const std::string& name, PlantModel& plant, WallTime& clock,
                   std::string& error);
