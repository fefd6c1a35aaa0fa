// What the plant controls offer beside the panel, for every face that shows
// them (the window's Plant panel, the web page): the groups of values, their
// labels, tips and the controls' words in the panel's seven languages, and
// presets for situations a trainer shows often. Toolkit-free. The words are
// the translators': po/plant/*.po, generated into a table at build time.
#pragma once

#include <span>
#include <string>

#include "host/plant/PlantModel.h"
#include "panel/text/Texts.h"

// The controls' own words.
enum class PlantWord : int {
    Temperatures,
    PumpAndFlow,
    StatusAndFlags,
    Fault,
    Commissioning,
    Presets,
    FaultHistory,
    Clock,
    Page,
    SensorAbsent,
    SensorFaulty,
    Raise,
    Clear,
    AddToHistory,
    ResetToStartValues,
    Current,
    NoEntry,
    SetClock,
    Time,
    DeleteEntry,
    EmptyHistory,
    ComputerClock,
    Pinned,
    AddToHistoryTip,
    Count
};

const char* PlantWordText(PlantWord word, Language language);

// The plain-words label of a plant value (its name when it has none), UTF-8.
const char* PlantLabel(int entry, Language language);

// What a plant value does and where the panel shows it, for its tip (its
// description when it has none), UTF-8.
const char* PlantHelp(int entry, Language language);

// A group of values as the controls show them, under its title. A
// temperature's sensor flag goes beside the temperature, not in a row of its
// own; the fault has a group of its own with the fault list.
struct PlantGroup {
    PlantWord title;
    std::span<const char* const> names;
};
std::span<const PlantGroup> PlantGroups();

// True for a flag that a temperature's "absent" sets (shown beside it).
bool IsSensorFlag(int entry);

struct PlantPreset {
    const char* key;           // for links and scripts: "frost-night"
    const char* const* names;  // one per language, UTF-8
    const char* lines;         // "NAME VALUE" lines, as the plant feed takes them
};
std::span<const PlantPreset> PlantPresets();

// Applies a preset: every value back to its start value, then the preset's
// values. Returns "ok", or why it could not ("unknown preset 'x'").
std::string ApplyPlantPreset(PlantModel& plant, std::string_view key);
