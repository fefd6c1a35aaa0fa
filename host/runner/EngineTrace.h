// A trace of the panel's ticks in the Chrome Trace Event Format (JSON), as
// the Perfetto UI and Chromium's trace viewer open it: slices, counters and
// instant events of one process and one thread, the panel's tick.
//
// Recording must cost a tick little, so events are kept in memory as small
// plain records while the trace runs; they get their names and become JSON
// only when it stops.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

class EngineTrace {
public:
    // What an event is; each has its name, its phase and the names of its
    // values.
    enum class Kind : std::uint8_t {
        Tick,            // slice: tick number, page
        InterpreterRun,  // slice: steps, commands, ring bytes before | after << 16, LCD entries
        WaitForRoom,     // slice: a producer's wait, with the LCD entries it drew
        RingFill,        // counter: bytes
        LcdFill,         // counter: entries
        WorkEstimate,    // counter: estimate, budget
        QueueEstimate,   // counter: estimate, budget
        TouchDown,       // instant: x, y
        TouchUp,         // instant
        Button,          // instant: the button the touch stage found
        Page,            // instant: the page now shown
        Stops,           // instant: opcode, phase: a long operation waits for the next run
        Resumes,         // instant: opcode, phase
        Started,         // instant: the panel started afresh
        QuietTick,       // a tick whose run found nothing to do: tick number, page, the run's start within the
                         // tick and its duration; written as a tick and a run
    };
    static constexpr int kValues = 4;
    // A long run keeps this many events; later ones are counted, not kept.
    static constexpr std::size_t kMaxEvents = 8'000'000;

    EngineTrace() = default;
    ~EngineTrace();
    EngineTrace(const EngineTrace&) = delete;
    EngineTrace& operator=(const EngineTrace&) = delete;

    // Starts recording for `path`, which is written only at Stop. False
    // with the reason when `path` cannot be written.
    bool Start(const std::string& path, std::string& error);
    // Writes the JSON as every output file is written (FileAccess.h): a
    // regular file is replaced whole, a device or pipe is written into.
    // False with "cannot write PATH: reason"; no half file is left then.
    bool Stop(std::string& error);
    // Drops the trace.
    void Abandon();

    bool Running() const { return running_; }
    const std::string& Path() const { return path_; }
    std::size_t Events() const { return count_; }
    std::size_t Dropped() const { return dropped_; }

    // Times are nanoseconds of trace time (the file counts microseconds); a
    // slice's duration, an instant's or counter's 0.
    void Add(Kind kind, std::int64_t at, std::int64_t duration, std::int32_t v0 = 0, std::int32_t v1 = 0,
             std::int32_t v2 = 0, std::int32_t v3 = 0) {
        if (count_ >= kMaxEvents || !Running()) {
            dropped_ += Running() ? 1 : 0;
            return;
        }
        if (count_ == kBlock * blocks_.size()) NewBlock();
        blocks_.back()[count_ % kBlock] = {at, static_cast<std::int32_t>(duration), {v0, v1, v2, v3}, kind};
        ++count_;
    }

private:
    // 32 bytes: a trace of every tick touches little new memory per tick.
    struct Event {
        std::int64_t at;
        std::int32_t duration;
        std::int32_t values[kValues];
        Kind kind;
    };
    // Fixed blocks of 2 MB: a growing trace never copies what it holds, and
    // where the system offers huge pages it takes one page fault per block.
    static constexpr std::size_t kBlockBytes = std::size_t{2} << 20;
    static constexpr std::size_t kBlock = kBlockBytes / sizeof(Event);
    struct Free {
        void operator()(Event* block) const { std::free(block); }
    };

    void NewBlock();
    void Clear();
    static std::string Json(const Event& e);

    static constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

    std::string path_;
    bool running_ = false;
    std::vector<std::unique_ptr<Event[], Free>> blocks_;
    std::size_t count_ = 0;
    std::size_t dropped_ = 0;
};
