#include "host/Runner.h"

#include <sstream>
#include <vector>

#include "host/PngWriter.h"

class ScriptRunner::PinnedClock final : public WallClock {
public:
    WallTime now = MakeWallTime(2011, 4, 15, 12, 0, 0);
    WallTime Now() override { return now; }
};

namespace {

constexpr std::uint32_t kRunnerButtonFace = 0xF0F0F0;
constexpr long kMaxTicksPerLine = 10'000'000;

bool ReadInts(std::istringstream& in, int count, int* out) {
    for (int i = 0; i < count; ++i) {
        if (!(in >> out[i])) return false;
    }
    return true;
}

bool AtEnd(std::istringstream& in) {
    std::string rest;
    return !(in >> rest);
}

}  // namespace

ScriptRunner::ScriptRunner() : clock_(std::make_unique<PinnedClock>()) {}
ScriptRunner::~ScriptRunner() = default;

PanelHost& ScriptRunner::Host() {
    EnsureStarted();
    return *host_;
}

void ScriptRunner::EnsureStarted() {
    if (host_) return;
    host_ = std::make_unique<PanelHost>(*clock_, kRunnerButtonFace);
    host_->Start();
    host_->SetZoom(1);
}

void ScriptRunner::Ticks(long count) {
    for (long i = 0; i < count && !closed_; ++i) {
        if (host_->Tick() == TickResult::Close) closed_ = true;
    }
}

bool ScriptRunner::Screenshot(const std::string& path, std::string& error) {
    const Canvas& canvas = host_->GetCanvas();
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(canvas.Width()) * canvas.Height());
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            rgb[static_cast<std::size_t>(y) * canvas.Width() + x] =
                canvas.Pixels()[y * canvas.Stride() + x] & 0xFFFFFFu;
        }
    }
    return WritePng(path, canvas.Width(), canvas.Height(), rgb, error);
}

bool ScriptRunner::Execute(const std::string& line, std::string& error) {
    std::istringstream in(line);
    std::string command;
    if (!(in >> command) || command[0] == '#') return true;

    if (command == "clock") {
        int y, mo, d, h, mi, s;
        char dash1, dash2, colon1, colon2;
        if (!(in >> y >> dash1 >> mo >> dash2 >> d >> h >> colon1 >> mi >> colon2 >> s) || dash1 != '-' ||
            dash2 != '-' || colon1 != ':' || colon2 != ':' || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 ||
            mi < 0 || mi > 59 || s < 0 || s > 59 || y < 2000 || y > 2099 || !AtEnd(in)) {
            error = "clock wants YYYY-MM-DD HH:MM:SS (years 2000 to 2099)";
            return false;
        }
        clock_->now = MakeWallTime(y, mo, d, h, mi, s);
        return true;
    }

    EnsureStarted();
    if (closed_) {
        error = "the window is closed; nothing can follow 'close'";
        return false;
    }
    int v[3];
    if (command == "zoom") {
        if (!ReadInts(in, 1, v) || v[0] < 1 || v[0] > 3 || !AtEnd(in)) {
            error = "zoom wants 1, 2 or 3";
            return false;
        }
        host_->SetZoom(v[0]);
    } else if (command == "tick") {
        long count = 1;
        if (!(in >> count)) count = in.eof() ? 1 : -1;
        if (count < 0 || count > kMaxTicksPerLine || !AtEnd(in)) {
            error = "tick wants a count from 0 to 10000000";
            return false;
        }
        Ticks(count);
    } else if (command == "press" || command == "drag" || command == "tap") {
        const bool tap = command == "tap";
        if (!ReadInts(in, 2, v) || v[0] < 0 || v[0] >= kScreenWidth || v[1] < 0 || v[1] >= kScreenHeight) {
            error = command + " wants a panel position X Y inside 0..319, 0..239";
            return false;
        }
        v[2] = 3;
        if (tap && !(in >> v[2])) v[2] = 3;
        if (!AtEnd(in) || v[2] < 1 || v[2] > 100000) {
            error = command + ": unexpected text after the position";
            return false;
        }
        const int zoom = host_->Zoom();
        if (command == "drag") {
            host_->MouseMove(v[0] * zoom, v[1] * zoom);
        } else {
            host_->MouseDown(MouseButton::Left, v[0] * zoom, v[1] * zoom);
        }
        if (tap) {
            Ticks(v[2]);
            host_->MouseUp(MouseButton::Left);
            Ticks(3);
        }
    } else if (command == "release") {
        host_->MouseUp(MouseButton::Left);
    } else if (command == "screenshot") {
        std::string path;
        if (!(in >> path) || !AtEnd(in)) {
            error = "screenshot wants one file name without blanks";
            return false;
        }
        return Screenshot(path, error);
    } else if (command == "close") {
        host_->CloseQuery();
        Ticks(kCloseCountdownTicks);
    } else {
        error = "unknown command '" + command + "'";
        return false;
    }
    return true;
}

bool ScriptRunner::Run(std::istream& script, std::string& error) {
    std::string line;
    int number = 0;
    while (std::getline(script, line)) {
        ++number;
        std::string why;
        if (!Execute(line, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    EnsureStarted();
    return true;
}
