#include "host/window/ScriptPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <iostream>
#include <sstream>

#include "host/window/PanelCapture.h"
#include "host/window/PanelControls.h"

namespace {

// How long a `tap NAME` waits for its target to be drawn, as in the runner.
constexpr long kTargetWaitTicks = (5000 + kTickMilliseconds - 1) / kTickMilliseconds;

}  // namespace

bool ScriptPlayer::Load(const QString& path, QString& error) {
    const std::string file = QFileInfo(path).absoluteFilePath().toStdString();
    std::string text;
    std::string why;
    if (!ReadScriptFile(file, text, why)) {
        error = QString::fromStdString(file + ": cannot read the script: " + why);
        return false;
    }
    std::vector<ScriptError> errors;
    Script script = ParseScript(text, file, errors);
    CheckScriptFiles(script, errors);
    for (const ScriptCommand& command : script.commands) {
        // The window closes when its user says so, not at the end of an exercise.
        if (command.verb == Verb::Close)
            errors.push_back({command.file, command.line, "close: a script played in the window does not close it"});
    }
    if (!errors.empty()) {
        QStringList messages;
        for (const ScriptError& e : errors) messages << QString::fromStdString(e.Text());
        error = messages.join(QLatin1Char('\n'));
        return false;
    }
    Stop();
    script_ = std::move(script);
    return true;
}

void ScriptPlayer::Start() {
    next_ = 0;
    current_ = 0;
    actions_.clear();
    timed_.clear();
    loops_.clear();
    RunnerOptions options;
    options.showTouches = capture_.ShowTouches();
    checker_ = std::make_unique<ScriptRunner>(options);
    checker_->Attach(controls_.host);
    halted_ = false;
    ticks_ = 0;
    active_ = true;
    paused_ = false;
    stepping_ = false;
}

void ScriptPlayer::Pause() { paused_ = active_; }

void ScriptPlayer::Resume() {
    paused_ = false;
    stepping_ = false;
}

void ScriptPlayer::Step() {
    if (!active_) return;
    paused_ = false;
    stepping_ = true;
    // Between two lines the step is the next line.
    if (actions_.empty() && next_ < script_.commands.size()) {
        current_ = next_++;
        Expand(script_.commands[current_]);
    }
}

void ScriptPlayer::Stop() {
    if (active_) Finish({});
}

std::vector<ScriptError> ScriptPlayer::Failures() const {
    return checker_ ? checker_->Failures() : std::vector<ScriptError>();
}

QString ScriptPlayer::Where() const {
    if (!active_ || script_.commands.empty()) return {};
    const ScriptCommand& command = script_.commands[std::min(current_, script_.commands.size() - 1)];
    return QFileInfo(QString::fromStdString(command.file)).fileName() + QLatin1Char(':') +
           QString::number(command.line);
}

void ScriptPlayer::Press(long x, long y) {
    const int zoom = controls_.host.Zoom();
    controls_.press(static_cast<int>(x) * zoom, static_cast<int>(y) * zoom);
}

// A line becomes steps: what it does at once, and the ticks it waits.
void ScriptPlayer::Expand(const ScriptCommand& command) {
    const auto wait = [this](long ticks) { actions_.push_back({nullptr, ticks, nullptr, nullptr}); };
    const auto act = [this](std::function<bool(std::string&)> run) {
        actions_.push_back({std::move(run), 0, nullptr, nullptr});
    };
    const auto release = [this](std::string&) {
        controls_.release();
        return true;
    };
    switch (command.verb) {
        case Verb::Tick: wait(command.number[0]); break;
        case Verb::Repeat: act([this, &command](std::string& why) { return Repeat(command, why); }); break;
        case Verb::Wait:
            actions_.push_back({nullptr, command.timeout,
                                [this, &command] { return checker_->Reached(command, targetX_, targetY_); },
                                [this, &command] { checker_->Missed(command); }});
            break;
        case Verb::Tap:
            if (command.targeted) {
                // Tapped once it is drawn and the page has finished drawing.
                targetX_ = -1;
                actions_.push_back({nullptr, kTargetWaitTicks,
                                    [this, &command] { return checker_->Reached(command, targetX_, targetY_); },
                                    [this] { targetX_ = -1; }});
                act([this, &command](std::string&) {
                    if (targetX_ < 0) {
                        checker_->Missed(command);
                        halted_ = true;
                        return true;
                    }
                    Press(targetX_, targetY_);
                    return true;
                });
            } else {
                act([this, &command](std::string&) {
                    Press(command.number[0], command.number[1]);
                    return true;
                });
            }
            wait(command.number[2]);
            act(release);
            wait(kTapAfterTicks);
            break;
        default: act([this, &command](std::string& why) { return Execute(command, why); }); break;
    }
}

// A repeat holds the index of its } and the } that of its repeat, as the
// runner plays them.
bool ScriptPlayer::Repeat(const ScriptCommand& command, std::string& why) {
    if (command.source != "}") {
        if (command.number[0] == 0) {
            next_ = static_cast<std::size_t>(command.number[1]) + 1;
        } else {
            loops_.push_back(command.number[0]);
        }
        return true;
    }
    if (loops_.empty()) {
        why = "no repeat is being played";
        return false;
    }
    if (--loops_.back() > 0) {
        next_ = static_cast<std::size_t>(command.number[0]) + 1;
    } else {
        loops_.pop_back();
    }
    return true;
}

bool ScriptPlayer::Execute(const ScriptCommand& command, std::string& why) {
    const int zoom = controls_.host.Zoom();
    switch (command.verb) {
        case Verb::Clock: controls_.setClock(command.time); return true;
        case Verb::Zoom: controls_.zoom(static_cast<int>(command.number[0])); return true;
        case Verb::Press: Press(command.number[0], command.number[1]); return true;
        case Verb::Drag:
            controls_.drag(static_cast<int>(command.number[0]) * zoom, static_cast<int>(command.number[1]) * zoom);
            return true;
        case Verb::Release: controls_.release(); return true;
        case Verb::Screenshot: return checker_->PlayCommand(command, why);
        // Recorded as the change it made (a loaded state by the path the
        // script found it at), whatever repeat or at stood around it.
        case Verb::PlantChange: return capture_.RunPlantCommand(command.plant, PlantCommandLine(command.plant), why);
        case Verb::Expect:
            // The runner's checks, against the window's panel and clock.
            checker_->SetClock(capture_.LastTime());
            return checker_->PlayCommand(command, why);
        case Verb::Mask:
        case Verb::PrintScene: return checker_->PlayCommand(command, why);
        case Verb::Animation: return capture_.ScriptAnimation(command.number[0] == 1, command.path, why);
        case Verb::At: timed_.emplace_back(ticks_ + command.number[0], command.then); return true;
        default: why = "cannot be played in the window"; return false;
    }
}

// Timed plant changes, once their time has passed, in the order of their
// times, as the runner makes them.
void ScriptPlayer::FireTimed() {
    std::stable_sort(timed_.begin(), timed_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    while (!timed_.empty() && timed_.front().first <= ticks_) {
        const std::shared_ptr<const ScriptCommand> command = timed_.front().second;
        timed_.erase(timed_.begin());
        std::string why;
        capture_.RunPlantCommand(command->plant, PlantCommandLine(command->plant), why);
    }
}

void ScriptPlayer::BeforeTick() {
    if (!active_ || paused_) return;
    FireTimed();
    for (;;) {
        if (halted_) {
            Finish({});
            return;
        }
        if (!actions_.empty()) {
            Action& action = actions_.front();
            if (action.until) {
                if (action.until()) {
                    actions_.pop_front();
                    continue;
                }
                if (action.ticks > 0) {
                    --action.ticks;
                    ++ticks_;
                    return;  // this tick is the wait's
                }
                const std::function<void()> missed = action.missed;
                actions_.pop_front();
                if (missed) missed();
                continue;
            }
            if (!action.run) {
                if (action.ticks > 0) {
                    --action.ticks;
                    ++ticks_;
                    return;  // this tick is the line's
                }
                actions_.pop_front();
                continue;
            }
            std::string why;
            const bool ok = action.run(why);
            actions_.pop_front();
            if (!ok) {
                const ScriptCommand& command = script_.commands[current_];
                Finish(QString::fromStdString(command.file + ":" + std::to_string(command.line) + ": " + why));
                return;
            }
            continue;
        }
        // The line is done: a single step stops here.
        if (stepping_) {
            stepping_ = false;
            paused_ = true;
            if (next_ < script_.commands.size()) current_ = next_;
            if (onLine) onLine();
            return;
        }
        if (next_ >= script_.commands.size()) {
            Finish({});
            return;
        }
        current_ = next_++;
        Expand(script_.commands[current_]);
        if (onLine) onLine();
    }
}

void ScriptPlayer::Finish(const QString& problem) {
    active_ = false;
    paused_ = false;
    stepping_ = false;
    actions_.clear();
    timed_.clear();
    QStringList report;
    if (!problem.isEmpty()) report << problem;
    for (const ScriptError& failure : Failures()) report << QString::fromStdString(failure.Text());
    if (onLine) onLine();
    if (onEnd) onEnd(report.join(QLatin1Char('\n')));
}
