#include "host/runner/EngineTrace.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <nlohmann/json.hpp>

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
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::string leaf = ".";
    leaf += target.filename().string();
    leaf += '.';
    leaf += std::to_string(getpid());
    leaf += ".tmp";
    const std::string temporary = (folder / leaf).string();
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = path + ": cannot write: " + std::strerror(errno);
        return false;
    }
    close(fd);
    path_ = path;
    temporary_ = temporary;
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
    if (!Running()) return;
    unlink(temporary_.c_str());
    temporary_.clear();
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
    // The events are written one by one, each by the JSON library, so that a
    // long trace never stands in memory as one document.
    std::ofstream out(temporary_, std::ios::binary | std::ios::trunc);
    out << "{\"displayTimeUnit\":\"ms\",\"otherData\":";
    nlohmann::ordered_json other;
    other["producer"] = PanelHost::Caption();
    other["clock"] = "panel time: each tick starts 12 ms after the one before; times within a tick are measured";
    if (dropped_ != 0) other["droppedEvents"] = dropped_;
    out << other.dump() << ",\"traceEvents\":[\n";
    out << Metadata("process_name", "Kandorelle II panel").dump() << ",\n";
    out << Metadata("thread_name", "tick").dump();
    for (std::size_t i = 0; i < count_ && out; ++i) {
        Event e = blocks_[i / kBlock][i % kBlock];
        if (e.kind == Kind::QuietTick) {
            const Event run{e.at + e.values[2], e.values[3], {}, Kind::InterpreterRun};
            out << ",\n" << Json(run);
            e.values[2] = e.values[3] = 0;
        }
        out << ",\n" << Json(e);
    }
    out << "\n]}\n";
    out.close();
    const std::string path = path_;
    const bool written = !out.fail();
    std::error_code ec;
    if (written) std::filesystem::rename(temporary_, path, ec);
    const std::string reason =
        written ? ec.message() : (errno != 0 ? std::strerror(errno) : "the file could not be written");
    if (!written || ec) unlink(temporary_.c_str());
    temporary_.clear();
    Clear();
    if (!written || ec) {
        error = path + ": cannot write: " + reason;
        return false;
    }
    return true;
}
