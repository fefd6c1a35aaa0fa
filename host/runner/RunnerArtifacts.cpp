#include "host/runner/RunnerArtifacts.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/core/FileAccess.h"
#include "host/core/PanelHost.h"
#include "host/export/GifRecorder.h"
#include "host/runner/Runner.h"

namespace {

namespace fs = std::filesystem;

// Frames closer than this are merged: a viewer would not show them anyway.
constexpr std::int64_t kFrameSpacing = 40;

std::string Relative(const std::string& file) {
    if (file == "-") return "stdin";
    if (file == "-e") return "inline";
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec).lexically_normal();
    const fs::path here = fs::current_path(ec);
    fs::path relative = absolute.lexically_relative(here);
    if (relative.empty() || *relative.begin() == "..") relative = absolute.relative_path();
    return relative.string();
}

}  // namespace

std::string ArtifactPath(const std::string& folder, const std::string& file, const std::string& suffix) {
    fs::path path = folder.empty() ? fs::path(file) : fs::path(folder) / Relative(file);
    const fs::path leaf = path.filename();
    path.replace_filename((leaf.has_extension() ? leaf.stem() : leaf).string() + suffix);
    return path.string();
}

bool MakeFoldersFor(const std::string& path, std::string& why) {
    const fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) return true;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        why = "cannot make the folder " + folder.string() + ": " + ec.message();
        return false;
    }
    return true;
}

void FailureTrail::Command(const ScriptCommand& command) {
    lines_.push_back(command.file + ":" + std::to_string(command.line) + ": " + command.source);
    if (lines_.size() > kKeptLines) {
        lines_.pop_front();
        ++linesDropped_;
    }
}

void FailureTrail::Frame(const Rgb565* screen, std::int64_t milliseconds, const std::vector<DirtyRect>& changed) {
    constexpr std::size_t kPixels = kScreenWidth * kScreenHeight;
    now_ = milliseconds;
    // The last screen kept is the one before: only the changed areas can differ.
    const auto same = [&] {
        for (const DirtyRect& a : changed) {
            for (int x = a.x0; x < a.x1; ++x) {
                const std::size_t column = static_cast<std::size_t>(x) * kScreenHeight;
                if (!std::equal(screen + column + a.y0, screen + column + a.y1,
                                screens_.back().pixels.begin() + static_cast<std::ptrdiff_t>(column + a.y0)))
                    return false;
            }
        }
        return true;
    };
    if (!screens_.empty() && same()) return;
    if (screens_.size() > 1 && milliseconds - screens_.back().milliseconds < kFrameSpacing) {
        std::copy(screen, screen + kPixels, screens_.back().pixels.begin());
    } else {
        screens_.push_back({milliseconds, std::vector<Rgb565>(screen, screen + kPixels)});
    }
    // The screen shown when the kept time begins stays as the first frame.
    while (screens_.size() > 1 && screens_[1].milliseconds <= milliseconds - kKeptMilliseconds) screens_.pop_front();
}

bool FailureTrail::Write(const std::string& folder, const std::string& script, std::string& why) const {
    const std::string linesPath = ArtifactPath(folder, script, ".lines.txt");
    if (!MakeFoldersFor(linesPath, why)) return false;
    std::string text;
    if (linesDropped_ > 0)
        text.append("(").append(std::to_string(linesDropped_)).append(" earlier commands not kept)\n");
    for (const std::string& line : lines_) text += line + "\n";
    if (!WriteOutputFile(linesPath, text, why)) return false;
    if (screens_.empty()) return true;
    GifRecorder gif;
    if (!gif.Start(ArtifactPath(folder, script, ".last.gif"), why)) return false;
    const std::int64_t first = std::max(screens_.front().milliseconds, now_ - kKeptMilliseconds);
    for (const Screen& screen : screens_) gif.Frame(screen.pixels.data(), std::max(screen.milliseconds, first));
    return gif.Stop(now_, why);
}
