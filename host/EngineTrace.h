// A trace of the panel's ticks in the Chrome Trace Event Format (JSON), as
// the Perfetto UI and Chromium's trace viewer open it: slices, counters and
// instant events of one process and one thread, the panel's tick.
//
// Recording must cost a tick little, so events are kept in memory as plain
// records while the trace runs and are turned into JSON only when it stops.
// Names and texts are static strings (page names, opcode names, literals).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class EngineTrace {
public:
    // A named number of an event.
    struct Arg {
        const char* name;
        std::int64_t value;
    };
    static constexpr int kMaxArgs = 5;
    // A long run keeps this many events; later ones are counted, not kept.
    static constexpr std::size_t kMaxEvents = 2'000'000;

    EngineTrace() = default;
    ~EngineTrace();
    EngineTrace(const EngineTrace&) = delete;
    EngineTrace& operator=(const EngineTrace&) = delete;

    // Opens a temporary file beside `path`, which the trace replaces only at
    // Stop. False with "PATH: reason" when it cannot be created.
    bool Start(const std::string& path, std::string& error);
    // Writes the JSON and puts it in place. False with "PATH: reason" when it
    // could not be written; no file is left behind then.
    bool Stop(std::string& error);
    // Drops the trace and its temporary file.
    void Abandon();

    bool Running() const { return !temporary_.empty(); }
    const std::string& Path() const { return path_; }
    std::size_t Events() const { return events_.size(); }
    std::size_t Dropped() const { return dropped_; }

    // Times are nanoseconds of trace time; the file counts microseconds.
    void Slice(const char* name, std::int64_t begin, std::int64_t end, std::initializer_list<Arg> args = {});
    // A counter's series are its arguments; each keeps its value until the
    // next event of the same counter.
    void Counter(const char* name, std::int64_t at, std::initializer_list<Arg> args);
    // An instant event, with an optional text argument.
    void Instant(const char* name, std::int64_t at, std::initializer_list<Arg> args = {},
                 const char* textName = nullptr, const char* text = nullptr);

private:
    struct Event {
        char phase;
        std::uint8_t argCount;
        const char* name;
        std::int64_t at;
        std::int64_t duration;
        Arg args[kMaxArgs];
        const char* textName;
        const char* text;
    };
    void Add(char phase, const char* name, std::int64_t at, std::int64_t duration, std::initializer_list<Arg> args,
             const char* textName, const char* text);

    std::string path_;
    std::string temporary_;
    std::vector<Event> events_;
    std::size_t dropped_ = 0;
};
