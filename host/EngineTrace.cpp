#include "host/EngineTrace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "host/PanelHost.h"

namespace {

constexpr int kProcess = 1;
constexpr int kThread = 1;

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
    const std::string temporary =
        (folder / ("." + target.filename().string() + "." + std::to_string(getpid()) + ".tmp")).string();
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = path + ": cannot write: " + std::strerror(errno);
        return false;
    }
    close(fd);
    path_ = path;
    temporary_ = temporary;
    events_.clear();
    dropped_ = 0;
    return true;
}

void EngineTrace::Abandon() {
    if (!Running()) return;
    unlink(temporary_.c_str());
    temporary_.clear();
    events_.clear();
    events_.shrink_to_fit();
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
    for (const Event& e : events_) {
        nlohmann::ordered_json j;
        j["name"] = e.name;
        j["cat"] = "engine";
        j["ph"] = std::string(1, e.phase);
        j["ts"] = Microseconds(e.at);
        if (e.phase == 'X') j["dur"] = Microseconds(e.duration);
        if (e.phase == 'i') j["s"] = "t";
        j["pid"] = kProcess;
        j["tid"] = kThread;
        nlohmann::ordered_json args = nlohmann::ordered_json::object();
        for (int i = 0; i < e.argCount; ++i) args[e.args[i].name] = e.args[i].value;
        if (e.text != nullptr) args[e.textName != nullptr ? e.textName : "text"] = e.text;
        j["args"] = std::move(args);
        out << ",\n" << j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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
    events_.clear();
    events_.shrink_to_fit();
    if (!written || ec) {
        error = path + ": cannot write: " + reason;
        return false;
    }
    return true;
}

void EngineTrace::Add(char phase, const char* name, std::int64_t at, std::int64_t duration,
                      std::initializer_list<Arg> args, const char* textName, const char* text) {
    if (!Running()) return;
    if (events_.size() >= kMaxEvents) {
        ++dropped_;
        return;
    }
    Event& e = events_.emplace_back();
    e.phase = phase;
    e.name = name;
    e.at = at;
    e.duration = duration;
    e.argCount = 0;
    for (const Arg& a : args) {
        if (e.argCount < kMaxArgs) e.args[e.argCount++] = a;
    }
    e.textName = textName;
    e.text = text;
}

void EngineTrace::Slice(const char* name, std::int64_t begin, std::int64_t end, std::initializer_list<Arg> args) {
    Add('X', name, begin, end - begin, args, nullptr, nullptr);
}

void EngineTrace::Counter(const char* name, std::int64_t at, std::initializer_list<Arg> args) {
    Add('C', name, at, 0, args, nullptr, nullptr);
}

void EngineTrace::Instant(const char* name, std::int64_t at, std::initializer_list<Arg> args, const char* textName,
                          const char* text) {
    Add('i', name, at, 0, args, textName, text);
}
