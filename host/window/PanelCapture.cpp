#include "host/window/PanelCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QWidget>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

#include "host/core/ScreenCapture.h"
#include "host/export/GifRecorder.h"
#include "host/export/PngWriter.h"
#include "host/plant/PlantState.h"
#include "host/runner/Runner.h"
#include "host/window/TappedClock.h"

namespace {

// What the window's plant lines print goes to standard output, at once.
class StandardOutput final : public TextSink {
public:
    void Write(std::string_view text) override { std::cout << text << std::flush; }
};

// Stands for the state file in a recording until it is saved beside it.
constexpr char kStatePlaceholder[] = "@state@";

constexpr const char* kLanguageCodes[] = {"de", "en", "fr", "it", "es", "nl", "pl"};

// The remembered folders, by the kind of file.
int FolderKind(const QString& suffix) {
    if (suffix == QLatin1String("png")) return 0;
    if (suffix == QLatin1String("gif")) return 1;
    if (suffix == QLatin1String("txt")) return 2;
    if (suffix == QLatin1String("json")) return 3;
    return 4;
}

std::string ReplaceFirst(std::string text, const std::string& what, const std::string& with) {
    const std::size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
}

bool WriteWhole(const QString& path, const QByteArray& bytes, QString& error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    error = path + QStringLiteral(": cannot write: ") + file.errorString();
    return false;
}

}  // namespace

PanelCapture::PanelCapture(QWidget& window, PanelHost& host, PlantModel& plant, TappedClock& clock)
    : window_(window), host_(host), plant_(plant), clock_(clock), workFolder_(std::make_unique<QTemporaryDir>()) {}

PanelCapture::~PanelCapture() = default;

QStringList PanelCapture::Folders() const {
    QStringList folders;
    for (const QString& folder : folders_) folders << folder;
    return folders;
}

void PanelCapture::SetFolders(const QStringList& folders) {
    for (int i = 0; i < folders.size() && i < 5; ++i) folders_[i] = folders[i];
}

const WallTime& PanelCapture::LastTime() const { return clock_.last; }

void PanelCapture::NotePress(int x, int y) {
    touchRecorder_.Press(x, y);
    journal_.Press(x, y);
}

void PanelCapture::NoteDrag(int x, int y) {
    touchRecorder_.Drag(x, y);
    journal_.Drag(x, y);
}

void PanelCapture::NoteRelease() {
    touchRecorder_.Release();
    journal_.Release();
}

void PanelCapture::BeforeTick() {
    touchRecorder_.BeforeTick(plant_);
    journal_.BeforeTick(plant_);
}

void PanelCapture::AfterTick() {
    ++animationTicks_;
    if (RecordingAnimation()) {
        animation_->Frame(host_, animationTicks_ * kTickMilliseconds, showTouches_);
    }
    touchRecorder_.AfterTick(clock_.last, plant_);
    journal_.AfterTick(clock_.last, plant_);
}

QString PanelCapture::AskSavePath(const QString& caption, const QString& name, const QString& filter) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    QString& folder = folders_[FolderKind(suffix)];
    QString path = chooseSaveFile(caption, folder.isEmpty() ? name : QDir(folder).filePath(name), filter);
    if (path.isEmpty()) return path;
    // A name typed without its extension gets it, so the file opens as what it is.
    if (!suffix.isEmpty() && QFileInfo(path).suffix().toLower() != suffix) path += QLatin1Char('.') + suffix;
    folder = QFileInfo(path).absolutePath();
    return path;
}

QString PanelCapture::AskOpenPath(const QString& caption, const QString& kind, const QString& filter) {
    QString& folder = folders_[FolderKind(kind)];
    const QString path = chooseOpenFile(caption, folder, filter);
    if (!path.isEmpty()) folder = QFileInfo(path).absolutePath();
    return path;
}

// ---- screenshots ------------------------------------------------------------------

QImage PanelCapture::Screenshot(bool zoomed) {
    const ScreenImage screen = CaptureScreen(host_, zoomed ? 0 : 1, showTouches_);
    QImage image(screen.width, screen.height, QImage::Format_RGB32);
    for (int y = 0; y < screen.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < screen.width; ++x) row[x] = 0xFF000000u | screen.At(x, y);
    }
    return image;
}

// The picture is taken when the key is pressed: what the panel shows while
// the dialog is open (a message timing out, a value changing) is not it.
bool PanelCapture::SaveScreenshot(bool zoomed) {
    const ScreenImage screen = CaptureScreen(host_, zoomed ? 0 : 1, showTouches_);
    const QString path = AskSavePath(QStringLiteral("Save screenshot"), QStringLiteral("screenshot.png"),
                                     QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty()) return false;
    std::string error;
    if (WritePng(path.toStdString(), screen.width, screen.height, screen.rgb, error)) return true;
    tell(QString::fromStdString(error));
    return false;
}

// ---- the current page in every language -------------------------------------

// The runner plays what happened since the panel last started, from the state
// saved then, once per language with that language set in the state, and
// writes the page it ends on: the same page, in each language.
void PanelCapture::SaveAllLanguages(const QString& program, const QStringList& options) {
    if (languageJobs_ > 0) {
        tell(QStringLiteral("The pictures of the last page are still being written."));
        return;
    }
    const std::string steps = journal_.Script();
    const QString path = AskSavePath(QStringLiteral("Save the page in all languages"), QStringLiteral("page.png"),
                                     QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty()) return;
    const QString base = path.left(path.size() - 4);
    nlohmann::ordered_json state;
    {
        std::ifstream in(journalState_.toStdString());
        state = nlohmann::ordered_json::parse(in, nullptr, false);
    }
    if (state.is_discarded() || !state.contains("settings")) {
        tell(journalState_ + QStringLiteral(": the saved start state cannot be read"));
        return;
    }
    languageErrors_.clear();
    for (int language = 0; language < 7; ++language) {
        const QString code = QString::fromLatin1(kLanguageCodes[language]);
        state["settings"]["language"] = language;
        const QString statePath = workFolder_->filePath(QStringLiteral("language-%1.json").arg(code));
        const QString scriptPath = workFolder_->filePath(QStringLiteral("language-%1.txt").arg(code));
        const QString picture = base + QLatin1Char('-') + code + QStringLiteral(".png");
        const std::string script =
            ReplaceFirst(steps, QuoteWord(kStatePlaceholder), QuoteWord(statePath.toStdString())) + "screenshot " +
            QuoteWord(picture.toStdString()) + " 1\n";
        QString error;
        if (!WriteWhole(statePath, QByteArray::fromStdString(state.dump(2)), error) ||
            !WriteWhole(scriptPath, QByteArray::fromStdString(script), error)) {
            tell(error);
            return;
        }
        QStringList arguments = options;
        if (showTouches_) arguments << QStringLiteral("--show-touches");
        arguments << scriptPath;
        StartLanguageJob(code, program, arguments);
    }
    onChange();
}

void PanelCapture::StartLanguageJob(const QString& code, const QString& program, const QStringList& arguments) {
    auto* process = new QProcess(&window_);
    process->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(process, &QProcess::finished, &window_,
                     [this, process, code](int exitCode, QProcess::ExitStatus status) {
                         LanguageJobDone(code, status == QProcess::NormalExit ? exitCode : -1,
                                         QString::fromLocal8Bit(process->readAll()));
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, &window_,
                     [this, process, code, program](QProcess::ProcessError failure) {
                         if (failure != QProcess::FailedToStart) return;
                         LanguageJobDone(code, -1, program + QStringLiteral(": ") + process->errorString());
                         process->deleteLater();
                     });
    ++languageJobs_;
    process->start(program, arguments);
}

void PanelCapture::LanguageJobDone(const QString& language, int exitCode, const QString& output) {
    if (exitCode != 0) languageErrors_ << language + QStringLiteral(": ") + output.trimmed();
    if (--languageJobs_ > 0) return;
    onChange();
    if (!languageErrors_.isEmpty()) tell(languageErrors_.join(QLatin1Char('\n')));
}

// ---- animations -----------------------------------------------------------------

bool PanelCapture::RecordingAnimation() const { return animation_ && animation_->Recording(); }

void PanelCapture::ToggleAnimation() {
    if (!animation_) animation_ = std::make_unique<GifRecorder>();
    std::string error;
    if (animation_->Recording()) {
        if (!animation_->Stop(animationTicks_ * kTickMilliseconds, error)) tell(QString::fromStdString(error));
        return;
    }
    const QString path = AskSavePath(QStringLiteral("Record animation"), QStringLiteral("animation.gif"),
                                     QStringLiteral("GIF animations (*.gif)"));
    if (path.isEmpty()) return;
    if (animation_->Start(path.toStdString(), error)) {
        animation_->Frame(host_, animationTicks_ * kTickMilliseconds, showTouches_);
    } else {
        tell(QString::fromStdString(error));
    }
}

// A script records what the panel shows, without the finger's ring, as the
// runner does.
bool PanelCapture::ScriptAnimation(bool start, const std::string& path, std::string& why) {
    if (!animation_) animation_ = std::make_unique<GifRecorder>();
    GifRecorder& gif = *animation_;
    const std::int64_t now = animationTicks_ * kTickMilliseconds;
    bool ok = false;
    if (start) {
        ok = !gif.Recording() && gif.Start(path, why);
        if (ok) gif.Frame(host_.Mirror(), now);
        if (!ok && why.empty()) why = "an animation is already being recorded into " + gif.Path();
    } else {
        ok = gif.Recording() && gif.Stop(now, why);
        if (!ok && why.empty()) why = "no animation is being recorded";
    }
    onChange();
    return ok;
}

void PanelCapture::FinishAnimation() {
    std::string error;
    if (RecordingAnimation()) animation_->Stop(animationTicks_ * kTickMilliseconds, error);
}

// ---- states and touch recordings --------------------------------------------------

void PanelCapture::StartJournal() {
    static int counter = 0;
    journalState_ = workFolder_->filePath(QStringLiteral("start-%1.json").arg(++counter));
    std::string error;
    if (!SaveState(journalState_.toStdString(), plant_, clock_.last, error)) journalState_.clear();
    journal_.Start(clock_.last, plant_, kStatePlaceholder);
}

// Restarts the panel, as every runner script starts, but from the state it
// had: plant values, settings, histories and clock. The page is the start
// page again, since the runner cannot know how the user got where he was.
bool PanelCapture::RestartFromCurrentState(QString& error) {
    static int counter = 0;
    const QString file = workFolder_->filePath(QStringLiteral("recording-%1.json").arg(++counter));
    std::string why;
    WallTime loaded;
    if (!SaveState(file.toStdString(), plant_, clock_.last, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    restart();
    if (!LoadState(file.toStdString(), plant_, loaded, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    recordingState_ = file;
    StartJournal();
    return true;
}

bool PanelCapture::OpenStateFile(const QString& path, QString& error) {
    if (touchRecorder_.Recording()) {
        error = QStringLiteral("Stop the touch recording first: a recording starts from one state.");
        return false;
    }
    std::string why;
    WallTime loaded;
    // Loaded once to check it (a bad file changes nothing), then the panel
    // starts afresh from it.
    if (!LoadState(path.toStdString(), plant_, loaded, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    const QString copy = workFolder_->filePath(QStringLiteral("opened.json"));
    if (!SaveState(copy.toStdString(), plant_, loaded, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    clock_.SetTo(loaded);
    restart();
    if (!LoadState(copy.toStdString(), plant_, loaded, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    StartJournal();
    return true;
}

void PanelCapture::SaveStateAs() {
    const QString path = AskSavePath(QStringLiteral("Save state"), QStringLiteral("state.json"),
                                     QStringLiteral("Panel states (*.json)"));
    std::string error;
    if (!path.isEmpty() && !SaveState(path.toStdString(), plant_, clock_.last, error))
        tell(QString::fromStdString(error));
}

bool PanelCapture::StartTouchRecording(QString& error) {
    if (!RestartFromCurrentState(error)) return false;
    touchRecorder_.Start(clock_.last, plant_, kStatePlaceholder);
    return true;
}

// The script is saved with the state it starts from beside it
// (NAME.state.json); a cancelled dialog asks before the recording is thrown
// away, and a file that cannot be written asks again.
bool PanelCapture::FinishTouchRecording() {
    const std::string body = touchRecorder_.Finish();
    onChange();
    QByteArray state;
    {
        QFile file(recordingState_);
        if (file.open(QIODevice::ReadOnly)) state = file.readAll();
    }
    for (;;) {
        const QString path = AskSavePath(QStringLiteral("Save the recorded touches"), QStringLiteral("touches.txt"),
                                         QStringLiteral("Runner scripts (*.txt)"));
        if (path.isEmpty()) {
            if (confirmDiscard(QStringLiteral("The recorded touches have not been saved. Throw them away?")))
                return false;
            continue;
        }
        const QFileInfo info(path);
        const QString stateName = info.completeBaseName() + QStringLiteral(".state.json");
        const std::string script = ReplaceFirst(body, QuoteWord(kStatePlaceholder), QuoteWord(stateName.toStdString()));
        QString error;
        if (WriteWhole(info.dir().filePath(stateName), state, error) &&
            WriteWhole(path, QByteArray::fromStdString(script), error)) {
            return true;
        }
        tell(error);
    }
}

// ---- plant lines ----------------------------------------------------------------

bool PanelCapture::RunPlantLine(const std::string& line, std::string& error) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(line, "plant", errors);
    if (!errors.empty()) {
        error = errors.front().message;
        return false;
    }
    for (const ScriptCommand& command : script.commands) {
        if (command.verb == Verb::Clock) {
            // The next tick reads the new time, and the recordings note it then.
            clock_.SetTo(command.time);
            continue;
        }
        const PlantVerb verb = command.plant.verb;
        if (command.verb != Verb::PlantChange || verb == PlantVerb::StateLoad || verb == PlantVerb::StateSave) {
            error = "not a plant change: " + line;
            return false;
        }
        if (!RunPlantCommand(command.plant, line, error)) return false;
    }
    return true;
}

bool PanelCapture::RunPlantCommand(const PlantCommand& command, const std::string& line, std::string& error) {
    const bool change = command.verb != PlantVerb::Print && command.verb != PlantVerb::PrintAll &&
                        command.verb != PlantVerb::PrintPage && command.verb != PlantVerb::PrintClock &&
                        command.verb != PlantVerb::StateSave;
    if (change) {
        touchRecorder_.Sync(plant_);
        journal_.Sync(plant_);
    }
    WallTime clock = clock_.last;
    StandardOutput out;
    PlantCommandContext context{plant_, out, &clock};
    if (!ExecutePlantCommand(command, context, error)) return false;
    // A loaded state brings its clock, which runs on from there.
    if (command.verb == PlantVerb::StateLoad) clock_.SetTo(clock);
    if (change) {
        touchRecorder_.Command(line, plant_);
        journal_.Command(line, plant_);
    }
    return true;
}
