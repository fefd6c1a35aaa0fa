// The plant model: every value that the panel reads from the controller side,
// by a short stable name, typed and range-checked, so that the window's Plant
// panel, the runner and the UDP feed can set what a real plant would deliver.
//
// The values live where the firmware reads them (the plant record, the
// controller link, the settings block's fault code); the model writes them
// there at once, so the next tick shows them. It is the one writer of plant
// values: the host's start sequence takes their start values from it, and
// every tick it moves the fifth measurement row with the supplementary
// function, unless a value set by hand holds it until Reset. Toolkit-free:
// window, runner and tests share it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "host/core/PanelHost.h"
#include "host/core/PanelText.h"

enum class PlantType {
    Temperature,  // tenths of a degree Celsius, written as 95.5; "absent" marks its sensor
    Tenths,       // a plain number with one decimal (flow rate in l/min)
    Flag,         // on / off
    Integer,
    Status,  // controller status 0..9, with its text
    Fault,   // fault code 0..50, with its text; "clear" is 0
};

struct PlantEntry {
    const char* name;
    PlantType type;
    std::int64_t minimum;  // in the stored unit (tenths for temperatures)
    std::int64_t maximum;
    std::int64_t start;       // the value at program start
    const char* description;  // one line for the README and the window
    const char* absentFlag;   // temperatures: the flag that "absent" sets, or nullptr
};

// One checked assignment, ready to apply.
struct PlantValue {
    int entry = -1;
    std::int64_t value = 0;
    bool absent = false;  // "absent" given for a temperature
};

class PlantModel final : public PlantInputs {
public:
    static constexpr int kMaxEntries = 64;

    static std::span<const PlantEntry> Entries();
    // The index of a name, or none.
    static std::optional<int> Find(std::string_view name);
    // "a, b, c": every name, for error messages.
    static std::string NameList();

    // Checks NAME and VALUE as a user typed them; on failure says why and
    // lists the valid names or the range.
    static bool Parse(std::string_view name, std::string_view value, PlantValue& out, std::string& error);

    // Writes a checked value into the firmware's state.
    void Set(const PlantValue& value);
    // Writes a stored value as it is, without touching the sensor flags (for
    // a saved state).
    void Restore(int entry, std::int64_t value);
    // The current value in the stored unit, read from the firmware's state.
    std::int64_t Get(int entry) const;
    // The value as `print` writes it: 95.5, absent, on, 22 Collector sensor failure.
    std::string Format(int entry) const;
    // True while a value that the host rewrites every tick is held by hand.
    bool Held(int entry) const;
    void Hold(int entry, bool held);

    // Every tick before the firmware runs: the values that follow the
    // supplementary-function setting, then the values held by hand.
    void Apply() override;

    // Every value back to its start value; nothing is held any more.
    void Reset() override;

    // A fault-history entry for code at `when`, with the current readings;
    // the newest entry comes first, the oldest falls out.
    static void AddHistory(std::uint8_t code, const WallTime& when);
    // Empties entry `index` (0 the newest), as the panel's bin does: the
    // entries behind it stay where they are.
    static void DeleteHistory(int index);

    // One datagram of the feed: lines "NAME VALUE". All lines are checked
    // before any is applied. Returns "ok", or "datagram:LINE: message" and changes
    // nothing.
    std::string ApplyLines(std::string_view text);

private:
    std::uint64_t held_ = 0;
    std::int64_t heldValues_[kMaxEntries] = {};
};

// The text of a fault code in a language; a code without a text of its own
// reads like the panel's fault line ("Fault code 8").
std::string FaultCodeText(std::uint8_t code, std::uint8_t language);
std::string StatusText(std::uint8_t status, std::uint8_t language);
// A wall time as YYYY-MM-DD HH:MM:SS, and back. The one grammar of every
// verb, option and file: four digits for the year and two for every other
// field, a blank (or a T) between date and time, a real date in the years
// 2000..2099. False, with `why`, for anything else.
std::string FormatWallTime(const WallTime& t);
bool ParseWallTime(std::string_view text, WallTime& out, std::string& why);
// The panel clock as a wall time.
WallTime PanelClockTime();
