// What the runner leaves for a person to look at after a failed run, in a
// folder that CI collects (--artifacts DIR): the .actual.png and .diff.png of
// a failed screen check and, for a failed script, an animated GIF of its last
// seconds and the lines it ran.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/core/Canvas.h"
#include "panel/Types.h"

struct ScriptCommand;

// Where a file of the run goes under `folder`: its path relative to the
// working folder (or, outside it, its absolute path) below `folder`, and
// `suffix` in place of its extension. Standard input and -e are "stdin" and
// "inline". With an empty folder, the file's own path with the suffix.
std::string ArtifactPath(const std::string& folder, const std::string& file, const std::string& suffix);

// Makes the folders above `path`; false with the reason when it cannot.
bool MakeFoldersFor(const std::string& path, std::string& why);

// Keeps the last seconds of a run: the screens after the ticks and the
// commands played, to be written when the script fails.
class FailureTrail {
public:
    static constexpr std::int64_t kKeptMilliseconds = 10'000;
    static constexpr std::size_t kKeptLines = 1000;

    void Command(const ScriptCommand& command);
    // The screen can differ from the one before only within `changed`.
    void Frame(const Rgb565* screen, std::int64_t milliseconds, const std::vector<DirtyRect>& changed);

    // Writes SCRIPT.last.gif and SCRIPT.lines.txt under `folder` (see
    // ArtifactPath); false with the reason when a file cannot be written.
    bool Write(const std::string& folder, const std::string& script, std::string& why) const;

private:
    struct Screen {
        std::int64_t milliseconds;
        std::vector<Rgb565> pixels;
    };
    std::deque<Screen> screens_;
    std::deque<std::string> lines_;
    std::size_t linesDropped_ = 0;
    std::int64_t now_ = 0;
};
