#include "host/runner/EngineTrace.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <nlohmann/json.hpp>

#include "host/core/FileAccess.h"
#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"
#include "host/runner/OpcodeName.h"

namespace {

constexpr int kProcess = 1;
constexpr int kThread = 1;

struct KindInfo {
    const char* name;  // null: named by its first value (a page or an opcode)
    char phase;
    const char* values[EngineTrace::kValues];
};

// In the order of EngineTrace::Kind.
constexpr KindInfo kKinds[] = {
    {"tick", 'X', {"tick", "page"}},
    {"interpreter run", 'X', {"steps", "commands", nullptr, "lcd entries"}},
    {"wait for room", 'X', {"lcd entries"}},
    {"ring fill (bytes)", 'C', {"used"}},
    {"LCD queue (entries)", 'C', {"used"}},
    {"work estimate", 'C', {"estimate", "budget"}},
    {"queue estimate", 'C', {"estimate", "budget"}},
    {"touch down", 'i', {"x", "y"}},
    {"touch up", 'i', {}},
    {"button", 'i', {"id"}},
    {"page", 'i', {"number"}},
    {nullptr, 'i', {"opcode", "phase"}},
    {nullptr, 'i', {"opcode", "phase"}},
    {"panel started", 'i', {}},
    {"tick", 'X', {"tick", "page"}},
};

double Microseconds(std::int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1000.0; }

nlohmann::ordered_json Metadata(const char* name, const std::string& value) {
    nlohmann::ordered_json j;
    j["name"] = name;
    j["ph"] = "M";
    j["ts"] = 0;
    j["pid"] = kProcess;
    j["tid"] = kThread;
    j["args"]["name"] = value;
    return j;
}

}  // namespace

EngineTrace::~EngineTrace() { Abandon(); }

bool EngineTrace::Start(const std::string& path, std::string& error) {
    Abandon();
    if (const std::string problem = WriteProblem(path); !problem.empty()) {
        error = problem;
        return false;
    }
    path_ = path;
    running_ = true;
    Clear();
    // The first block's memory is set up now, not in the first tick.
    NewBlock();
    std::memset(static_cast<void*>(blocks_.back().get()), 0, kBlockBytes);
    return true;
}

void EngineTrace::NewBlock() {
    void* memory = std::aligned_alloc(kBlockBytes, kBlockBytes);
    if (memory == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(memory, kBlockBytes, MADV_HUGEPAGE);
#endif
    blocks_.emplace_back(static_cast<Event*>(memory));
}

void EngineTrace::Clear() {
    blocks_.clear();
    count_ = 0;
    dropped_ = 0;
}

void EngineTrace::Abandon() {
    running_ = false;
    Clear();
}

std::string EngineTrace::Json(const Event& e) {
    const KindInfo& info = kKinds[static_cast<int>(e.kind)];
    const bool phase = e.kind == Kind::Stops || e.kind == Kind::Resumes;
    nlohmann::ordered_json j;
    j["name"] = info.name != nullptr ? info.name : OpcodeName(static_cast<std::uint8_t>(e.values[0]));
    j["cat"] = "engine";
    j["ph"] = std::string(1, info.phase);
    j["ts"] = Microseconds(e.at);
    if (info.phase == 'X') j["dur"] = Microseconds(e.duration);
    if (info.phase == 'i') j["s"] = "t";
    j["pid"] = kProcess;
    j["tid"] = kThread;
    nlohmann::ordered_json args = nlohmann::ordered_json::object();
    for (int v = phase ? 1 : 0; v < kValues; ++v) {
        if (info.values[v] != nullptr) args[info.values[v]] = e.values[v];
    }
    if (e.kind == Kind::InterpreterRun) {
        args["ring before"] = e.values[2] & 0xFFFF;
        args["ring after"] = e.values[2] >> 16;
    }
    if (e.kind == Kind::Page) args["name"] = PageName(static_cast<std::uint8_t>(e.values[0]));
    if (phase) args["event"] = e.kind == Kind::Stops ? "stops in phase" : "resumes in phase";
    j["args"] = std::move(args);
    return j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

bool EngineTrace::Stop(std::string& error) {
    if (!Running()) {
        error = "no trace is being recorded";
        return false;
    }
    running_ = false;
    // The events are written one by one, each by the JSON library, in
    // pieces of about 64 KB, so that a long trace never stands in memory as
    // one document.
    OutputFile out;
    std::string piece = "{\"displayTimeUnit\":\"ms\",\"otherData\":";
    nlohmann::ordered_json other;
    other["producer"] = PanelHost::Caption();
    other["clock"] = "panel time: each tick starts 12 ms after the one before; times within a tick are measured";
    if (dropped_ != 0) other["droppedEvents"] = dropped_;
    piece += other.dump() + ",\"traceEvents\":[\n";
    piece += Metadata("process_name", "Kandorelle II panel").dump() + ",\n";
    piece += Metadata("thread_name", "tick").dump();
    bool written = out.Open(path_, error);
    for (std::size_t i = 0; i < count_ && written; ++i) {
        Event e = blocks_[i / kBlock][i % kBlock];
        if (e.kind == Kind::QuietTick) {
            const Event run{e.at + e.values[2], e.values[3], {}, Kind::InterpreterRun};
            piece += ",\n" + Json(run);
            e.values[2] = e.values[3] = 0;
        }
        piece += ",\n" + Json(e);
        if (piece.size() >= kPieceBytes) {
            written = out.Write(piece.data(), piece.size(), error);
            piece.clear();
        }
    }
    piece += "\n]}\n";
    written = written && out.Write(piece.data(), piece.size(), error) && out.Commit(error);
    Clear();
    return written;
}
