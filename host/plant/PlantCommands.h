// The runner's plant verbs (set, fault, history, reset, print, state; their
// forms are in the runner's verb table), in two steps: a line's words are
// checked into a command record first (so that a whole script can be checked
// before it runs), and the record is executed later.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"

enum class PlantVerb {
    Set,
    HistoryAdd,
    HistoryDelete,
    HistoryClear,
    ResetPlant,
    Print,
    PrintPage,
    PrintClock,
    PrintAll,
    StateSave,
    StateLoad
};

struct PlantCommand {
    PlantVerb verb = PlantVerb::Set;
    PlantValue value;              // Set (also `fault`)
    int entry = -1;                // Print
    std::uint8_t code = 0;         // HistoryAdd; HistoryDelete: the entry 1..5
    std::optional<WallTime> when;  // HistoryAdd; none = the clock's time
    std::string path;              // StateSave, StateLoad
};

// True for the first words this module handles: set, fault, history, reset,
// print and state.
bool IsPlantVerb(std::string_view word);

// Checks one line's words (the verb first). On failure `error` says why,
// listing the valid names, words or range; nothing is executed.
bool ParsePlantCommand(const std::vector<std::string>& words, PlantCommand& out, std::string& error);

// Where `print` and the runner's reports go. An interface of its own rather
// than a stream, so that the web page carries none of the stream library: the
// runner backs it with standard output and error, the page and the tests with
// a string.
class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Keeps what is written.
class StringSink final : public TextSink {
public:
    void Write(std::string_view text) override { text_ += text; }
    const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

private:
    std::string text_;
};

struct PlantCommandContext {
    PlantModel& plant;
    TextSink& out;  // print writes here
    // The runner's pinned clock: `state save` records it, `state load` sets
    // it, `history add` without a time takes it. Without one the panel clock
    // is recorded and a loaded clock is dropped.
    WallTime* clock = nullptr;
};

// A checked change as the runner line that makes it again ("set collector
// 95.5", "history add 22 2026-12-06 13:47:00", "state load \"a b.json\"");
// empty for the verbs that change nothing (print, state save).
std::string PlantCommandLine(const PlantCommand& command);

// Executes a checked command. Only file work can fail here (a state file that
// cannot be written, or a damaged one, which changes nothing); `error` then
// reads "FILE:LINE: message" for the state file.
bool ExecutePlantCommand(const PlantCommand& command, PlantCommandContext& context, std::string& error);
