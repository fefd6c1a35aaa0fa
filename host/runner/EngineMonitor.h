// The drawing engine at work, as the inspector and traces show it: for each
// tick, how full the display-list ring and the LCD queue got, the largest
// estimates that steps checked against their budgets, the commands executed
// and refused, the long operation left in progress and its phase, the page;
// for the pixel probe, which display-list command last wrote each pixel.
//
// It listens to the firmware's read-only engine hooks and to the host's tick
// stages only while something is asked of it; otherwise it is detached and
// records nothing. Toolkit-free: the window's inspector and the runner's
// traces share it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/runner/OpcodeName.h"
#include "panel/hw/LcdQueue.h"

class EngineTrace;

inline constexpr std::uint8_t kNoOpcode = 0xFF;

// What the engine did in one tick. Fills are in bytes of the ring and in
// entries of the LCD queue.
struct EngineTick {
    std::int64_t tick = 0;  // PanelHost::TicksRun after the tick
    bool ran = false;       // false while a close is pending: no firmware ran
    std::uint8_t page = 0;
    int ringUsed = 0;       // when the interpreter's run began, after the pages queued their commands
    int ringLeft = 0;       // when it ended
    int lcdUsed = 0;        // the fullest the LCD queue got before a flush
    int workEstimate = 0;   // the largest work estimate a step checked against the work budget
    int queueEstimate = 0;  // the largest LCD-queue estimate a step checked
    int queueBudget = 0;    // the queue budget that estimate was checked against
    int steps = 0;
    int commands = 0;                     // commands completed
    int refused = 0;                      // commands the pages could not queue for lack of room in the ring
    bool budgetStop = false;              // a step did not fit its budgets and ended a run
    std::uint8_t longOpcode = kNoOpcode;  // the command left in progress at the tick's end
    std::uint8_t longPhase = 0;
};

// A display-list command that wrote pixels, as it stood in the ring.
struct DrawnCommand {
    std::vector<std::uint8_t> bytes;  // opcode first, a text with its terminating 0
    std::int64_t tick = 0;            // the tick whose step wrote the pixels
};

// The command and its operands as the command table names them:
// DL_TEXT_AT x=10 y=20 text="Menü".
std::string DescribeCommand(const std::vector<std::uint8_t>& bytes);

// The engine's figures, in order, as NAME and VALUE: the firmware's state now
// (the ring, the LCD queue's high-water mark, the pending estimates and the
// budgets they were last checked against, the command in progress, the
// commands refused since the start) and, given the last tick, its figures
// under "tick.".
std::vector<std::pair<std::string, std::string>> EngineFigures(const PanelHost& host, const EngineTick* last);

class EngineMonitor final : public TickWatcher {
public:
    static constexpr int kWorkBudget = kLcdWorkBudget;
    static constexpr int kQueueCapacity = kLcdQueueSize;
    static constexpr int kRingCapacity = 8192;

    explicit EngineMonitor(PanelHost& host);
    ~EngineMonitor() override;
    EngineMonitor(const EngineMonitor&) = delete;
    EngineMonitor& operator=(const EngineMonitor&) = delete;

    // The figures of every tick, the last `historyTicks` of them kept.
    void RecordFigures(bool on, std::size_t historyTicks = 1);
    // Which command wrote each pixel, from now on.
    void RecordOwners(bool on);
    bool StartTrace(const std::string& path, std::string& error);
    bool StopTrace(std::string& error);
    void AbandonTrace();
    bool Tracing() const;
    const EngineTrace* Trace() const { return trace_.get(); }

    // The last tick seen whole, and the ones before it (oldest first).
    const EngineTick& Last() const { return last_; }
    const std::deque<EngineTick>& History() const { return history_; }
    bool Recording() const { return attached_; }

    // The command that last wrote panel pixel (x, y) while owners were
    // recorded; null when none did.
    const DrawnCommand* DrawnAt(int x, int y) const;

    // Runs at the end of every tick the monitor sees, after the repaint.
    void SetTickEndHook(std::function<void()> hook) { tickEnd_ = std::move(hook); }

    void OnStage(Stage stage) override;
    void OnEngineEvent(std::uint8_t event);
    void OnControllerWrite(const LcdArea& area, std::uint16_t firstEntry);

private:
    void UpdateAttachment();
    void BeginTick();
    void EndTick();
    void StepBegins();
    void RunBegins();
    void RunEnds();
    void RunTraced(std::int64_t end);
    void ForgetOwners();
    void CompactOwners();
    std::int64_t TraceNow() const;

    PanelHost& host_;
    std::function<void()> tickEnd_;
    bool figures_ = false;
    std::size_t historyTicks_ = 1;
    bool owners_ = false;
    bool attached_ = false;
    Stage stage_ = Stage::TickEnd;

    EngineTick current_;
    EngineTick last_;
    std::deque<EngineTick> history_;
    std::uint16_t refusedBefore_ = 0;
    std::uint8_t pageBefore_ = 0xFF;
    std::int32_t sampleBefore_ = -1;
    std::uint8_t buttonBefore_ = 0xFF;

    // Pixel owners: one entry per pixel (column-major), 0 for none, else an
    // index + 1 into commands_.
    std::vector<std::uint32_t> owner_;
    std::vector<DrawnCommand> commands_;
    std::uint16_t lastRead_ = 0;
    // Where each step's LCD entries begin in the queue, for the flush that
    // follows: queue position and command index.
    std::vector<std::pair<std::uint16_t, std::uint32_t>> stepStarts_;

    // The trace: tick n starts at n x 12 ms of trace time; within a tick the
    // real time measured is added. The clock is read four times a tick: at
    // its start, around the interpreter's run and at its end.
    std::unique_ptr<EngineTrace> trace_;
    bool tracing_ = false;  // this tick is traced
    std::int64_t traceTicks_ = 0;
    std::int64_t tickBase_ = 0;   // trace time of the tick's start, ns
    std::int64_t tickStart_ = 0;  // the real moment it started
    std::int64_t lastEnd_ = -1;   // trace time the tick before ended
    std::int64_t runBegin_ = 0;
    bool runEndsTick_ = false;
    // Fixed point: counts within a tick (well below 2^43) times this stay
    // within 64 bits.
    static constexpr int kCountFraction = 20;
    std::uint64_t nanosecondsPerCount_ = std::uint64_t{1} << kCountFraction;
    std::int64_t waitBegin_ = 0;
    std::uint8_t hitButton_ = 0xFF;
    std::uint8_t stoppedOpcode_ = kNoOpcode;  // a long operation the run left in progress
    std::uint8_t stoppedPhase_ = 0;
    // The counters' values last written: a counter is written when it changes.
    struct Shown {
        std::int64_t ring = -1, lcd = -1, work = -1, queue = -1, queueBudget = -1;
    } shown_;
};
