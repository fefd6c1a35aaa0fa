#include "host/runner/EngineMonitor.h"

#include <algorithm>
#include <chrono>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

#include "host/plant/PlantModel.h"
#include "host/runner/EngineTrace.h"
#include "panel/app/AppState.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/InterpreterState.h"
#include "panel/hw/Touch.h"
#include "panel/hw/TouchStage.h"

namespace {

// The trace's clock: a counter that costs a tick little. Where the processor
// has a time-stamp counter (invariant on the processors this runs on) that is
// it, calibrated once against the steady clock, which takes a few times
// longer to read; elsewhere the steady clock itself.
#if defined(__x86_64__)
std::int64_t TraceCount() { return static_cast<std::int64_t>(__rdtsc()); }
double NanosecondsPerCount() {
    static const double rate = [] {
        using Steady = std::chrono::steady_clock;
        const Steady::time_point start = Steady::now();
        const std::int64_t first = TraceCount();
        while (Steady::now() - start < std::chrono::milliseconds(5)) {
        }
        const double elapsed = std::chrono::duration<double, std::nano>(Steady::now() - start).count();
        return elapsed / static_cast<double>(TraceCount() - first);
    }();
    return rate;
}
#else
std::int64_t TraceCount() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
double NanosecondsPerCount() { return 1.0; }
#endif

// The firmware has one set of hooks, so one monitor listens at a time.
EngineMonitor* listening = nullptr;

void HearEngine(u8 event) {
    if (listening != nullptr) listening->OnEngineEvent(event);
}

void HearWrite(const LcdArea& area, u16 firstEntry) {
    if (listening != nullptr) listening->OnControllerWrite(area, firstEntry);
}

constexpr std::int64_t kTickNanoseconds = std::int64_t{kTickMilliseconds} * 1'000'000;
constexpr std::size_t kPixels = std::size_t{kScreenWidth} * kScreenHeight;
// Commands kept for the probe before the ones no pixel names any more go.
constexpr std::size_t kMostCommands = 1 << 16;

// The operands of each command as the command table lists them: b a byte, w a
// word, c a colour, f a bit mask, h a character, t a text.
struct Operand {
    const char* name;
    char kind;
};
struct Layout {
    Operand operands[6];
};
constexpr Layout kLayouts[kDlOpcodeCount] = {
    {},
    {},
    {{{"flags", 'f'}}},
    {{{"state", 'b'}}},
    {{{"colour", 'c'}}},
    {{{"colour", 'c'}}},
    {{{"slot", 'b'}}},
    {},
    {{{"x", 'w'}, {"y", 'w'}}},
    {{{"x", 'w'}, {"y", 'w'}}},
    {{{"x1", 'w'}, {"y1", 'w'}, {"x2", 'w'}, {"y2", 'w'}}},
    {{{"x", 'w'}, {"y", 'w'}, {"radius", 'b'}, {"quadrants", 'f'}}},
    {{{"x1", 'w'}, {"y1", 'w'}, {"x2", 'w'}, {"y2", 'w'}, {"radius", 'b'}, {"corners", 'f'}}},
    {{{"x", 'w'}, {"y", 'w'}, {"index", 'b'}, {"slot", 'b'}}},
    {{{"x", 'w'}, {"y", 'w'}, {"index", 'b'}, {"slot", 'b'}}},
    {{{"x", 'w'}, {"y", 'w'}}},
    {{{"char", 'h'}}},
    {{{"text", 't'}}},
    {{{"x", 'w'}, {"y", 'w'}, {"text", 't'}}},
    {{{"angle", 'w'}, {"char", 'h'}}},
    {{{"angle", 'w'}, {"text", 't'}}},
    {},
};

std::string Hex(unsigned value, int digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
    return text;
}

std::string Quoted(const std::string& panelBytes) {
    std::string text = "\"";
    text += PanelTextToUtf8(panelBytes.c_str());
    text += '"';
    return text;
}

// The command at the read index, as it stands in the ring.
std::vector<std::uint8_t> CommandBytes() {
    const u8 opcode = DlPeekByte(0);
    const u16 used = DlBytesUsed();
    std::vector<std::uint8_t> bytes{opcode};
    u16 length = DlCommandLength(opcode);
    if (opcode < kDlOpcodeCount && DlCarriesText(opcode)) {
        while (length < 0xFF && length < used && DlPeekByte(static_cast<u8>(length)) != 0) ++length;
        ++length;  // the terminating 0
    }
    for (u16 offset = 1; offset < length && offset < used && offset <= 0xFF; ++offset)
        bytes.push_back(DlPeekByte(static_cast<u8>(offset)));
    return bytes;
}

}  // namespace

std::string DescribeCommand(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return {};
    const std::uint8_t opcode = bytes[0];
    std::string text = OpcodeName(opcode);
    if (opcode >= kDlOpcodeCount) return text;
    std::size_t at = 1;
    for (const Operand& operand : kLayouts[opcode].operands) {
        if (operand.name == nullptr) break;
        const bool word = operand.kind == 'w' || operand.kind == 'c';
        if (operand.kind == 't') {
            std::string panelText;
            while (at < bytes.size() && bytes[at] != 0) panelText += static_cast<char>(bytes[at++]);
            text += std::string(" ") + operand.name + "=" + Quoted(panelText);
            break;
        }
        if (at + (word ? 2 : 1) > bytes.size()) break;
        const unsigned value = word ? (bytes[at] << 8 | bytes[at + 1]) : bytes[at];
        at += word ? 2 : 1;
        text += std::string(" ") + operand.name + "=";
        switch (operand.kind) {
            case 'c': text += Hex(value, 4); break;
            case 'f': text += Hex(value, 2); break;
            case 'h': text += Quoted(std::string(1, static_cast<char>(value))); break;
            default: text += std::to_string(value); break;
        }
    }
    return text;
}

std::vector<std::pair<std::string, std::string>> EngineFigures(const PanelHost& host, const EngineTick* last) {
    const auto number = [](std::int64_t n) { return std::to_string(n); };
    const bool inProgress = Interp.opPhase != 0 && DlBytesUsed() != 0;
    std::vector<std::pair<std::string, std::string>> figures = {
        {"tick", number(host.TicksRun())},
        {"page", PageName(AppState.currentPage)},
        {"ring.used", number(DlBytesUsed())},
        {"ring.capacity", number(EngineMonitor::kRingCapacity)},
        {"lcd.high-water", number(LcdHighWaterMark())},
        {"lcd.capacity", number(EngineMonitor::kQueueCapacity)},
        {"work.estimate", number(Interp.pendingWork)},
        {"work.budget", number(Interp.workBudget)},
        {"queue.estimate", number(Interp.pendingQueue)},
        {"queue.budget", number(Interp.queueBudget)},
        {"long-op", inProgress ? OpcodeName(DlPeekByte(0)) : "none"},
        {"long-op.phase", number(inProgress ? Interp.opPhase : 0)},
        {"refused", number(DlDroppedCommands())},
    };
    if (last == nullptr) return figures;
    const std::pair<std::string, std::string> tick[] = {
        {"tick.ring.used", number(last->ringUsed)},
        {"tick.ring.left", number(last->ringLeft)},
        {"tick.lcd.used", number(last->lcdUsed)},
        {"tick.work.estimate", number(last->workEstimate)},
        {"tick.queue.estimate", number(last->queueEstimate)},
        {"tick.queue.budget", number(last->queueBudget)},
        {"tick.steps", number(last->steps)},
        {"tick.commands", number(last->commands)},
        {"tick.budget-stop", last->budgetStop ? "yes" : "no"},
        {"tick.refused", number(last->refused)},
    };
    figures.insert(figures.end(), std::begin(tick), std::end(tick));
    return figures;
}

EngineMonitor::EngineMonitor(PanelHost& host) : host_(host) {}

EngineMonitor::~EngineMonitor() {
    AbandonTrace();
    figures_ = false;
    owners_ = false;
    UpdateAttachment();
}

void EngineMonitor::RecordFigures(bool on, std::size_t historyTicks) {
    figures_ = on;
    historyTicks_ = std::max<std::size_t>(historyTicks, 1);
    while (history_.size() > historyTicks_) history_.pop_front();
    if (!on) history_.clear();
    UpdateAttachment();
}

void EngineMonitor::RecordOwners(bool on) {
    if (on != owners_) {
        owners_ = on;
        ForgetOwners();
        if (!on) {
            owner_.clear();
            owner_.shrink_to_fit();
        }
    }
    UpdateAttachment();
}

void EngineMonitor::ForgetOwners() {
    if (owners_) owner_.assign(kPixels, 0);
    commands_.clear();
    stepStarts_.clear();
}

bool EngineMonitor::Tracing() const { return trace_ && trace_->Running(); }

bool EngineMonitor::StartTrace(const std::string& path, std::string& error) {
    if (Tracing()) {
        error = "a trace is already being recorded into " + trace_->Path();
        return false;
    }
    if (!trace_) trace_ = std::make_unique<EngineTrace>();
    if (!trace_->Start(path, error)) return false;
    // A clock that calibrates does so now, not in a tick.
    nanosecondsPerCount_ = static_cast<std::uint64_t>(NanosecondsPerCount() * (1 << kCountFraction) + 0.5);
    traceTicks_ = 0;
    lastEnd_ = -1;
    shown_ = {};
    tracing_ = false;
    // The trace begins with the page shown.
    pageBefore_ = 0xFF;
    UpdateAttachment();
    return true;
}

bool EngineMonitor::StopTrace(std::string& error) {
    if (!Tracing()) {
        error = "no trace is being recorded";
        return false;
    }
    const bool written = trace_->Stop(error);
    UpdateAttachment();
    return written;
}

void EngineMonitor::AbandonTrace() {
    if (trace_) trace_->Abandon();
    UpdateAttachment();
}

void EngineMonitor::UpdateAttachment() {
    const bool wanted = figures_ || owners_ || Tracing();
    if (wanted) {
        listening = this;
        attached_ = true;
        DlSetEngineObserver(HearEngine);
        LcdSetWriteObserver(owners_ ? HearWrite : nullptr);
        host_.SetTickWatcher(this);
        return;
    }
    if (!attached_) return;
    attached_ = false;
    host_.SetTickWatcher(nullptr);
    if (listening != this) return;
    listening = nullptr;
    DlSetEngineObserver(nullptr);
    LcdSetWriteObserver(nullptr);
}

const DrawnCommand* EngineMonitor::DrawnAt(int x, int y) const {
    if (owner_.empty() || x < 0 || y < 0 || x >= kScreenWidth || y >= kScreenHeight) return nullptr;
    const std::uint32_t index = owner_[FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y))];
    return index != 0 && index <= commands_.size() ? &commands_[index - 1] : nullptr;
}

std::int64_t EngineMonitor::TraceNow() const {
    const auto counts = static_cast<std::uint64_t>(TraceCount() - tickStart_);
    return tickBase_ + static_cast<std::int64_t>(counts * nanosecondsPerCount_ >> kCountFraction);
}

void EngineMonitor::OnStage(Stage stage) {
    switch (stage) {
        case Stage::Started:
            ForgetOwners();
            pageBefore_ = 0xFF;
            buttonBefore_ = kNoButton;
            sampleBefore_ = kNoTouch;
            if (Tracing()) trace_->Add(EngineTrace::Kind::Started, lastEnd_ + 1, 0);
            break;
        case Stage::TickBegin: BeginTick(); break;
        case Stage::Interpreter:
            current_.ran = true;
            stage_ = stage;
            if (tracing_) runBegin_ = TraceNow();
            break;
        case Stage::Repaint:
            stage_ = stage;
            // With nothing to repaint the run ends when the tick does: one
            // reading of the clock serves both.
            runEndsTick_ = LcdDamageCount() == 0;
            if (tracing_ && !runEndsTick_) RunTraced(TraceNow());
            break;
        case Stage::TickEnd: EndTick(); break;
    }
}

void EngineMonitor::BeginTick() {
    current_ = EngineTick{};
    current_.queueBudget = kQueueCapacity;  // a run starts with the queue empty
    stage_ = Stage::TickBegin;
    refusedBefore_ = DlDroppedCommands();
    const std::int32_t sample = TouchSample;
    tracing_ = Tracing();
    if (tracing_) {
        tickStart_ = TraceCount();
        tickBase_ = traceTicks_ * kTickNanoseconds;
        if (tickBase_ <= lastEnd_) tickBase_ = lastEnd_ + 1000;
        if (sample >= 0 && sampleBefore_ < 0) {
            trace_->Add(EngineTrace::Kind::TouchDown, tickBase_, 0, sample & 0xFFF, sample >> 12 & 0xFFF);
        } else if (sample < 0 && sampleBefore_ >= 0) {
            trace_->Add(EngineTrace::Kind::TouchUp, tickBase_, 0);
        }
    }
    sampleBefore_ = sample;
}

// The interpreter's run has ended and its queue is flushed: its slice, what
// the touch stage found, and the fills as the run left them.
void EngineMonitor::RunTraced(std::int64_t end) {
    const EngineTick& t = current_;
    trace_->Add(EngineTrace::Kind::InterpreterRun, runBegin_, end - runBegin_, t.steps, t.commands,
                t.ringUsed | t.ringLeft << 16, t.lcdUsed);
    if (hitButton_ != buttonBefore_ && hitButton_ != kNoButton)
        trace_->Add(EngineTrace::Kind::Button, end, 0, hitButton_);
    if (t.ringUsed != shown_.ring) trace_->Add(EngineTrace::Kind::RingFill, runBegin_, 0, t.ringUsed);
    if (t.lcdUsed != shown_.lcd) trace_->Add(EngineTrace::Kind::LcdFill, end, 0, t.lcdUsed);
    shown_.ring = t.ringUsed;
    shown_.lcd = t.lcdUsed;
    if (stoppedOpcode_ != kNoOpcode) trace_->Add(EngineTrace::Kind::Stops, end, 0, stoppedOpcode_, stoppedPhase_);
}

void EngineMonitor::EndTick() {
    EngineTick& t = current_;
    t.tick = host_.TicksRun();
    t.page = AppState.currentPage;
    t.refused = static_cast<u16>(DlDroppedCommands() - refusedBefore_);
    if (Interp.opPhase != 0 && DlBytesUsed() != 0) {
        t.longOpcode = DlPeekByte(0);
        t.longPhase = Interp.opPhase;
    }
    if (figures_) {
        last_ = t;
        history_.push_back(t);
        while (history_.size() > historyTicks_) history_.pop_front();
    }
    if (tracing_) {
        // The slices inside end before the tick does.
        const std::int64_t end = TraceNow() + 1;
        const bool quiet =
            t.ran && runEndsTick_ && t.steps == 0 && t.ringUsed == 0 && t.lcdUsed == 0 && hitButton_ == buttonBefore_;
        if (quiet) {
            // The most common tick in a record of its own.
            trace_->Add(EngineTrace::Kind::QuietTick, tickBase_, end - tickBase_, static_cast<std::int32_t>(t.tick),
                        t.page, static_cast<std::int32_t>(runBegin_ - tickBase_),
                        static_cast<std::int32_t>(end - 1 - runBegin_));
        } else {
            if (t.ran && runEndsTick_) RunTraced(end - 1);
            trace_->Add(EngineTrace::Kind::Tick, tickBase_, end - tickBase_, static_cast<std::int32_t>(t.tick), t.page);
        }
        if (t.page != pageBefore_) trace_->Add(EngineTrace::Kind::Page, end - 1, 0, t.page);
        const std::int64_t ring = DlBytesUsed();
        if (ring != shown_.ring) trace_->Add(EngineTrace::Kind::RingFill, end - 1, 0, static_cast<std::int32_t>(ring));
        if (shown_.lcd != 0) trace_->Add(EngineTrace::Kind::LcdFill, end - 1, 0, 0);
        shown_.ring = ring;
        shown_.lcd = 0;
        if (t.workEstimate != shown_.work) {
            trace_->Add(EngineTrace::Kind::WorkEstimate, end - 1, 0, t.workEstimate, kWorkBudget);
        }
        if (t.queueEstimate != shown_.queue || t.queueBudget != shown_.queueBudget) {
            trace_->Add(EngineTrace::Kind::QueueEstimate, end - 1, 0, t.queueEstimate, t.queueBudget);
        }
        shown_.work = t.workEstimate;
        shown_.queue = t.queueEstimate;
        shown_.queueBudget = t.queueBudget;
        lastEnd_ = end;
        ++traceTicks_;
    }
    pageBefore_ = t.page;
    buttonBefore_ = hitButton_;
    stage_ = Stage::TickEnd;
    if (owners_) {
        stepStarts_.clear();
        if (commands_.size() > kMostCommands) CompactOwners();
    }
    if (tickEnd_) tickEnd_();
}

void EngineMonitor::OnEngineEvent(std::uint8_t event) {
    EngineTick& t = current_;
    switch (event) {
        case kDlRunBegin: RunBegins(); break;
        case kDlRunEnd: RunEnds(); break;
        case kDlStepBegin: StepBegins(); break;
        case kDlCompleted: ++t.commands; break;
        case kDlBudgetChecked:
            t.workEstimate = std::max(t.workEstimate, static_cast<int>(Interp.pendingWork));
            if (Interp.pendingQueue >= t.queueEstimate) {
                t.queueEstimate = Interp.pendingQueue;
                t.queueBudget = Interp.queueBudget;
            }
            if (Interp.stopFlag) t.budgetStop = true;
            break;
        default: break;
    }
}

void EngineMonitor::RunBegins() {
    if (stage_ == Stage::Interpreter) {
        current_.ringUsed = DlBytesUsed();
        stoppedOpcode_ = kNoOpcode;
    } else if (tracing_) {
        waitBegin_ = TraceNow();
    }
}

void EngineMonitor::RunEnds() {
    EngineTick& t = current_;
    const int queued = LcdQueueCount();
    t.lcdUsed = std::max(t.lcdUsed, queued);
    if (stage_ != Stage::Interpreter) {
        if (tracing_) trace_->Add(EngineTrace::Kind::WaitForRoom, waitBegin_, TraceNow() - waitBegin_, queued);
        return;
    }
    t.ringLeft = DlBytesUsed();
    hitButton_ = GetHitButton();
    if (Interp.opPhase != 0 && t.ringLeft != 0) {
        stoppedOpcode_ = DlPeekByte(0);
        stoppedPhase_ = Interp.opPhase;
    }
}

void EngineMonitor::StepBegins() {
    ++current_.steps;
    if (tracing_ && Interp.opPhase != 0) {
        const std::int64_t at = stage_ == Stage::Interpreter ? runBegin_ : waitBegin_;
        trace_->Add(EngineTrace::Kind::Resumes, at, 0, DlPeekByte(0), Interp.opPhase);
    }
    if (!owners_) return;
    const u16 read = DlReadIndex();
    const u16 queued = LcdQueueCount();
    while (!stepStarts_.empty() && stepStarts_.back().first >= queued) stepStarts_.pop_back();
    const bool resumed =
        Interp.opPhase != 0 && !commands_.empty() && read == lastRead_ && commands_.back().tick == host_.TicksRun();
    if (!resumed) commands_.push_back({CommandBytes(), host_.TicksRun()});
    lastRead_ = read;
    stepStarts_.emplace_back(queued, static_cast<std::uint32_t>(commands_.size()));
}

void EngineMonitor::OnControllerWrite(const LcdArea& area, std::uint16_t firstEntry) {
    if (owner_.size() != kPixels) return;
    const auto after = std::upper_bound(stepStarts_.begin(), stepStarts_.end(), firstEntry,
                                        [](std::uint16_t entry, const auto& start) { return entry < start.first; });
    const std::uint32_t owner = after == stepStarts_.begin() ? 0 : std::prev(after)->second;
    for (int x = area.x0; x <= area.x1 && x < kScreenWidth; ++x) {
        std::uint32_t* column = owner_.data() + static_cast<std::size_t>(x) * kScreenHeight;
        std::fill(column + area.y0, column + std::min<int>(area.y1 + 1, kScreenHeight), owner);
    }
}

// Keeps only the commands that some pixel still names, in their order.
void EngineMonitor::CompactOwners() {
    std::vector<std::uint32_t> renumbered(commands_.size() + 1, 0);
    for (std::uint32_t owner : owner_) {
        if (owner != 0) renumbered[owner] = 1;
    }
    std::vector<DrawnCommand> kept;
    for (std::size_t i = 1; i < renumbered.size(); ++i) {
        if (renumbered[i] == 0) continue;
        kept.push_back(std::move(commands_[i - 1]));
        renumbered[i] = static_cast<std::uint32_t>(kept.size());
    }
    for (std::uint32_t& owner : owner_) owner = renumbered[owner];
    commands_ = std::move(kept);
}
