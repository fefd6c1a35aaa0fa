// The runner's file verbs in the page. The page has no file system: it
// refuses screenshot, animation, trace, print engine and expect screen before
// a script runs, and saves pictures and videos through the browser. These
// definitions stand in for the PNG, GIF and trace writers, the engine monitor
// and the file access so that the runner links without libpng, giflib, the
// system's files and the weight of the monitor; were one reached all the same
// (an include line), it fails with a message.
#include "host/core/FileAccess.h"
#include "host/export/GifRecorder.h"
#include "host/export/PngWriter.h"
#include "host/runner/EngineMonitor.h"
#include "host/runner/EngineTrace.h"
#include "host/runner/RunnerGolden.h"

namespace {

constexpr const char* kNoFiles = "the page writes no files; use its Save and Record buttons";

}  // namespace

bool ReadInputFile(const std::string&, std::string&, std::string& why, std::size_t) {
    why = "the page reads no files; give it the lines themselves";
    return false;
}

bool WriteOutputFile(const std::string& path, std::string_view, std::string& why) {
    why = path + ": " + kNoFiles;
    return false;
}

// Never opened in the page, so there is nothing to abandon.
OutputFile::~OutputFile() = default;

GifRecorder::~GifRecorder() = default;

bool GifRecorder::Start(const std::string& path, std::string& error) {
    error = path + ": " + kNoFiles;
    return false;
}

void GifRecorder::Frame(const PanelHost&, std::int64_t, bool) {}

bool GifRecorder::Stop(std::int64_t, std::string& error) {
    error = kNoFiles;
    return false;
}

void GifRecorder::Abandon() {}

std::vector<std::pair<std::string, std::string>> EngineFigures(const PanelHost&, const EngineTick*) { return {}; }

EngineMonitor::EngineMonitor(PanelHost& host) : host_(host) {}

EngineMonitor::~EngineMonitor() = default;

void EngineMonitor::RecordFigures(bool, std::size_t) {}

bool EngineMonitor::StartTrace(const std::string& path, std::string& error) {
    error = path + ": " + kNoFiles;
    return false;
}

bool EngineMonitor::StopTrace(std::string& error) {
    error = kNoFiles;
    return false;
}

void EngineMonitor::AbandonTrace() {}

bool EngineMonitor::Tracing() const { return false; }

void EngineMonitor::OnStage(Stage) {}

EngineTrace::~EngineTrace() = default;

bool EngineTrace::Start(const std::string& path, std::string& error) {
    error = path + ": " + kNoFiles;
    return false;
}

bool EngineTrace::Stop(std::string& error) {
    error = kNoFiles;
    return false;
}

void EngineTrace::Abandon() {}

void EngineTrace::NewBlock() {}

bool WritePng(const std::string& path, int, int, const std::vector<std::uint32_t>&, std::string& error) {
    error = path + ": " + kNoFiles;
    return false;
}

GoldenVerdict CompareWithGolden(const GoldenCheck& check, const std::vector<std::uint32_t>&, int, int,
                                std::string& message) {
    message = check.golden + ": " + kNoFiles;
    return GoldenVerdict::CannotCheck;
}
