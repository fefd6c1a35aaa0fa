// The window's capture and file menus: screenshots to a file or the
// clipboard, the current page in every language, animated GIFs of the panel,
// recordings of the user's touches as runner scripts, and the panel's state
// as the runner's JSON files.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QSaveFile>
#include <QShortcut>
#include <QTemporaryDir>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/core/ScreenCapture.h"
#include "host/export/GifRecorder.h"
#include "host/export/PngWriter.h"
#include "host/plant/PlantCommands.h"
#include "host/plant/PlantState.h"
#include "host/runner/Runner.h"
#include "host/window/Haupt.h"
#include "host/window/PlantPanel.h"
#include "host/window/ScriptPlayer.h"
#include "panel/Firmware.h"

namespace {

// What the window's plant lines print goes to standard output, at once.
class StandardOutput final : public TextSink {
public:
    void Write(std::string_view text) override { std::cout << text << std::flush; }
};

QShortcut* Key(QWidget* window, const QKeySequence& key) {
    auto* shortcut = new QShortcut(key, window);
    shortcut->setContext(Qt::ApplicationShortcut);  // also while the Plant panel has the focus
    return shortcut;
}

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

void THaupt::BuildCaptureMenu() {
    askSaveFileName = [this](const QString& caption, const QString& name, const QString& filter) {
        LoseFinger();
        return QFileDialog::getSaveFileName(this, caption, name, filter);
    };
    askOpenFileName = [this](const QString& caption, const QString& folder, const QString& filter) {
        LoseFinger();
        return QFileDialog::getOpenFileName(this, caption, folder, filter);
    };
    askDiscard = [this](const QString& question) {
        return QMessageBox::question(this, QString::fromUtf8(kApplicationTitle), question,
                                     QMessageBox::Discard | QMessageBox::Save,
                                     QMessageBox::Save) == QMessageBox::Discard;
    };
    showError = [this](const QString& message) {
        QMessageBox::warning(this, QString::fromUtf8(kApplicationTitle), message);
    };
    runnerProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/kandorelle-cli");

    mnuFile = popupMenu->addMenu(QStringLiteral("File"));
    mnuOpenState = mnuFile->addAction(QStringLiteral("Open state..."), this, &THaupt::mnuOpenStateClick);
    mnuSaveState = mnuFile->addAction(QStringLiteral("Save state..."), this, &THaupt::mnuSaveStateClick);
    mnuFile->addSeparator();
    mnuPlayScript = mnuFile->addAction(QStringLiteral("Play script...\tF5"), this, &THaupt::mnuPlayScriptClick);
    mnuStepScript = mnuFile->addAction(QStringLiteral("Step\tF6"), this, &THaupt::mnuStepScriptClick);
    mnuStopScript = mnuFile->addAction(QStringLiteral("Stop script\tShift+F5"), this, &THaupt::mnuStopScriptClick);
    player_ = std::make_unique<ScriptPlayer>(*this);
    player_->onEnd = [this](const QString& report) {
        UpdateScriptMenu();
        if (!report.isEmpty()) showError(report);
    };
    UpdateScriptMenu();
    popupMenu->addSeparator();
    mnuSaveScreenshot =
        popupMenu->addAction(QStringLiteral("Save screenshot...\tF12"), this, &THaupt::mnuSaveScreenshotClick);
    mnuCopyScreenshot = popupMenu->addAction(QStringLiteral("Copy screenshot"), this, &THaupt::mnuCopyScreenshotClick);
    mnuSaveAllLanguages =
        popupMenu->addAction(QStringLiteral("Save all languages..."), this, &THaupt::mnuSaveAllLanguagesClick);
    mnuShowTouches = popupMenu->addAction(QStringLiteral("Show touches"), this, &THaupt::mnuShowTouchesClick);
    mnuShowTouches->setCheckable(true);
    mnuRecordAnimation =
        popupMenu->addAction(QStringLiteral("Record animation\tF11"), this, &THaupt::mnuRecordAnimationClick);
    mnuRecordAnimation->setCheckable(true);
    mnuRecordTouches = popupMenu->addAction(QStringLiteral("Record touches\tF3"), this, &THaupt::mnuRecordTouchesClick);
    connect(Key(this, QKeySequence(Qt::Key_F12)), &QShortcut::activated, this, &THaupt::mnuSaveScreenshotClick);
    connect(Key(this, QKeySequence(Qt::SHIFT | Qt::Key_F12)), &QShortcut::activated, this,
            &THaupt::mnuSaveZoomedScreenshotClick);
    connect(Key(this, QKeySequence(Qt::Key_F11)), &QShortcut::activated, this, &THaupt::mnuRecordAnimationClick);
    connect(Key(this, QKeySequence(Qt::Key_F3)), &QShortcut::activated, this, &THaupt::mnuRecordTouchesClick);
    connect(Key(this, QKeySequence(Qt::Key_F5)), &QShortcut::activated, this, &THaupt::mnuPlayScriptClick);
    connect(Key(this, QKeySequence(Qt::Key_F6)), &QShortcut::activated, this, &THaupt::mnuStepScriptClick);
    connect(Key(this, QKeySequence(Qt::SHIFT | Qt::Key_F5)), &QShortcut::activated, this, &THaupt::mnuStopScriptClick);
}

// ---- scripts played live ------------------------------------------------------

void THaupt::UpdateScriptMenu() {
    const bool active = player_->Active();
    mnuPlayScript->setText(!active             ? QStringLiteral("Play script...\tF5")
                           : player_->Paused() ? QStringLiteral("Resume script\tF5")
                                               : QStringLiteral("Pause script\tF5"));
    mnuStepScript->setEnabled(active);
    mnuStopScript->setEnabled(active);
    UpdateTitle();
}

bool THaupt::PlayScriptFile(const QString& path, QString& error) {
    if (!player_->Load(path, error)) return false;
    player_->Start();
    UpdateScriptMenu();
    return true;
}

void THaupt::mnuPlayScriptClick() {
    if (player_->Active()) {
        if (player_->Paused()) {
            player_->Resume();
        } else {
            player_->Pause();
        }
        UpdateScriptMenu();
        return;
    }
    const QString path = AskOpenPath(QStringLiteral("Play script"), QStringLiteral("txt"),
                                     QStringLiteral("Runner scripts (*.txt);;All files (*)"));
    QString error;
    if (!path.isEmpty() && !PlayScriptFile(path, error)) showError(error);
}

void THaupt::mnuStepScriptClick() {
    player_->Step();
    UpdateScriptMenu();
}

void THaupt::mnuStopScriptClick() {
    player_->Stop();
    UpdateScriptMenu();
}

// The caption names whatever runs in the background, so that nobody closes
// the window on a recording unknowingly.
void THaupt::UpdateTitle() {
    QStringList running;
    if (touchRecorder_.Recording()) running << QStringLiteral("recording touches");
    if (RecordingAnimation()) running << QStringLiteral("recording animation");
    if (languageJobs_ > 0) running << QStringLiteral("saving languages");
    if (player_ && player_->Active())
        running << (player_->Paused() ? QStringLiteral("paused at ") : QStringLiteral("playing ")) + player_->Where();
    QString title = QString::fromStdString(PanelHost::Caption());
    if (!running.isEmpty()) title += QStringLiteral(" \u2014 \u25CF ") + running.join(QStringLiteral(", "));
    setWindowTitle(title);
}

QString THaupt::AskSavePath(const QString& caption, const QString& name, const QString& filter) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    QString& folder = folders_[FolderKind(suffix)];
    QString path = askSaveFileName(caption, folder.isEmpty() ? name : QDir(folder).filePath(name), filter);
    if (path.isEmpty()) return path;
    // A name typed without its extension gets it, so the file opens as what it is.
    if (!suffix.isEmpty() && QFileInfo(path).suffix().toLower() != suffix) path += QLatin1Char('.') + suffix;
    folder = QFileInfo(path).absolutePath();
    return path;
}

QString THaupt::AskOpenPath(const QString& caption, const QString& kind, const QString& filter) {
    QString& folder = folders_[FolderKind(kind)];
    const QString path = askOpenFileName(caption, folder, filter);
    if (!path.isEmpty()) folder = QFileInfo(path).absolutePath();
    return path;
}

QImage THaupt::Screenshot(bool zoomed) {
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
bool THaupt::SaveScreenshot(bool zoomed) {
    const ScreenImage screen = CaptureScreen(host_, zoomed ? 0 : 1, showTouches_);
    const QString path = AskSavePath(QStringLiteral("Save screenshot"), QStringLiteral("screenshot.png"),
                                     QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty()) return false;
    std::string error;
    if (WritePng(path.toStdString(), screen.width, screen.height, screen.rgb, error)) return true;
    showError(QString::fromStdString(error));
    return false;
}

void THaupt::mnuSaveScreenshotClick() {
    // Shift with the menu item saves at the current zoom, as Shift+F12 does.
    SaveScreenshot(QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
}

void THaupt::mnuSaveZoomedScreenshotClick() { SaveScreenshot(true); }

void THaupt::mnuCopyScreenshotClick() { QApplication::clipboard()->setImage(Screenshot(false)); }

void THaupt::mnuShowTouchesClick() {
    showTouches_ = !showTouches_;
    mnuShowTouches->setChecked(showTouches_);
    ShowDirtyArea();
}

// ---- the current page in every language -------------------------------------

// The runner plays what happened since the panel last started, from the state
// saved then, once per language with that language set in the state, and
// writes the page it ends on: the same page, in each language.
void THaupt::mnuSaveAllLanguagesClick() {
    if (languageJobs_ > 0) {
        showError(QStringLiteral("The pictures of the last page are still being written."));
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
        showError(journalState_ + QStringLiteral(": the saved start state cannot be read"));
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
            showError(error);
            return;
        }
        QStringList arguments = runnerOptions;
        if (showTouches_) arguments << QStringLiteral("--show-touches");
        arguments << scriptPath;
        auto* process = new QProcess(this);
        process->setProcessChannelMode(QProcess::MergedChannels);
        connect(process, &QProcess::finished, this, [this, process, code](int exitCode, QProcess::ExitStatus status) {
            LanguageJobDone(code, status == QProcess::NormalExit ? exitCode : -1,
                            QString::fromLocal8Bit(process->readAll()));
            process->deleteLater();
        });
        connect(process, &QProcess::errorOccurred, this, [this, process, code](QProcess::ProcessError failure) {
            if (failure != QProcess::FailedToStart) return;
            LanguageJobDone(code, -1, runnerProgram + QStringLiteral(": ") + process->errorString());
            process->deleteLater();
        });
        ++languageJobs_;
        process->start(runnerProgram, arguments);
    }
    UpdateTitle();
}

void THaupt::LanguageJobDone(const QString& language, int exitCode, const QString& output) {
    if (exitCode != 0) languageErrors_ << language + QStringLiteral(": ") + output.trimmed();
    if (--languageJobs_ > 0) return;
    UpdateTitle();
    if (!languageErrors_.isEmpty()) showError(languageErrors_.join(QLatin1Char('\n')));
}

// ---- animations -----------------------------------------------------------------

bool THaupt::RecordingAnimation() const { return animation_ && animation_->Recording(); }

void THaupt::mnuRecordAnimationClick() {
    if (!animation_) animation_ = std::make_unique<GifRecorder>();
    std::string error;
    if (animation_->Recording()) {
        if (!animation_->Stop(animationTicks_ * kTickMilliseconds, error)) showError(QString::fromStdString(error));
    } else {
        const QString path = AskSavePath(QStringLiteral("Record animation"), QStringLiteral("animation.gif"),
                                         QStringLiteral("GIF animations (*.gif)"));
        if (!path.isEmpty()) {
            if (animation_->Start(path.toStdString(), error)) {
                animation_->Frame(host_, animationTicks_ * kTickMilliseconds, showTouches_);
            } else {
                showError(QString::fromStdString(error));
            }
        }
    }
    mnuRecordAnimation->setChecked(animation_->Recording());
    mnuRecordAnimation->setText(animation_->Recording() ? QStringLiteral("Stop animation\tF11")
                                                        : QStringLiteral("Record animation\tF11"));
    UpdateTitle();
}

void THaupt::FinishAnimation() {
    std::string error;
    if (RecordingAnimation()) animation_->Stop(animationTicks_ * kTickMilliseconds, error);
}

// ---- states and touch recordings --------------------------------------------------

void THaupt::RestartPanel() {
    LoseFinger();
    ResetFirmwareState();
    host_.Start();
    SelectZoom(host_.Zoom());
    FormPaint();
}

void THaupt::StartJournal() {
    static int counter = 0;
    journalState_ = workFolder_->filePath(QStringLiteral("start-%1.json").arg(++counter));
    std::string error;
    if (!SaveState(journalState_.toStdString(), plant_, clockTap_.last, error)) journalState_.clear();
    journal_.Start(clockTap_.last, plant_, kStatePlaceholder);
}

// Restarts the panel, as every runner script starts, but from the state it
// had: plant values, settings, histories and clock. The page is the start
// page again, since the runner cannot know how the user got where he was.
bool THaupt::RestartFromCurrentState(QString& error) {
    static int counter = 0;
    const QString file = workFolder_->filePath(QStringLiteral("recording-%1.json").arg(++counter));
    std::string why;
    WallTime loaded;
    if (!SaveState(file.toStdString(), plant_, clockTap_.last, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    RestartPanel();
    if (!LoadState(file.toStdString(), plant_, loaded, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    recordingState_ = file;
    StartJournal();
    return true;
}

bool THaupt::OpenStateFile(const QString& path, QString& error) {
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
    SetPanelClock(loaded);
    RestartPanel();
    if (!LoadState(copy.toStdString(), plant_, loaded, why)) {
        error = QString::fromStdString(why);
        return false;
    }
    StartJournal();
    if (plantPanel != nullptr) plantPanel->Refresh();
    return true;
}

void THaupt::mnuOpenStateClick() {
    const QString path = AskOpenPath(QStringLiteral("Open state"), QStringLiteral("json"),
                                     QStringLiteral("Panel states (*.json);;All files (*)"));
    QString error;
    if (!path.isEmpty() && !OpenStateFile(path, error)) showError(error);
}

void THaupt::mnuSaveStateClick() {
    const QString path = AskSavePath(QStringLiteral("Save state"), QStringLiteral("state.json"),
                                     QStringLiteral("Panel states (*.json)"));
    std::string error;
    if (!path.isEmpty() && !SaveState(path.toStdString(), plant_, clockTap_.last, error))
        showError(QString::fromStdString(error));
}

bool THaupt::RunPlantLine(const std::string& line, std::string& error) {
    std::vector<ScriptError> errors;
    const Script script = ParseScript(line, "plant", errors);
    if (!errors.empty()) {
        error = errors.front().message;
        return false;
    }
    for (const ScriptCommand& command : script.commands) {
        if (command.verb == Verb::Clock) {
            // The next tick reads the new time, and the recordings note it then.
            SetPanelClock(command.time);
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

bool THaupt::RunPlantCommand(const PlantCommand& command, const std::string& line, std::string& error) {
    const bool change = command.verb != PlantVerb::Print && command.verb != PlantVerb::PrintAll &&
                        command.verb != PlantVerb::PrintPage && command.verb != PlantVerb::PrintClock &&
                        command.verb != PlantVerb::StateSave;
    if (change) {
        touchRecorder_.Sync(plant_);
        journal_.Sync(plant_);
    }
    WallTime clock = clockTap_.last;
    StandardOutput out;
    PlantCommandContext context{plant_, out, &clock};
    if (!ExecutePlantCommand(command, context, error)) return false;
    // A loaded state brings its clock, which runs on from there.
    if (command.verb == PlantVerb::StateLoad) SetPanelClock(clock);
    if (change) {
        touchRecorder_.Command(line, plant_);
        journal_.Command(line, plant_);
    }
    return true;
}

void THaupt::mnuRecordTouchesClick() {
    if (touchRecorder_.Recording()) {
        FinishTouchRecording();
        return;
    }
    QString error;
    if (!RestartFromCurrentState(error)) {
        showError(error);
        return;
    }
    touchRecorder_.Start(clockTap_.last, plant_, kStatePlaceholder);
    mnuRecordTouches->setText(QStringLiteral("Stop recording\tF3"));
    UpdateTitle();
}

// The script is saved with the state it starts from beside it
// (NAME.state.json); a cancelled dialog asks before the recording is thrown
// away, and a file that cannot be written asks again.
bool THaupt::FinishTouchRecording() {
    const std::string body = touchRecorder_.Finish();
    mnuRecordTouches->setText(QStringLiteral("Record touches\tF3"));
    UpdateTitle();
    QByteArray state;
    {
        QFile file(recordingState_);
        if (file.open(QIODevice::ReadOnly)) state = file.readAll();
    }
    for (;;) {
        const QString path = AskSavePath(QStringLiteral("Save the recorded touches"), QStringLiteral("touches.txt"),
                                         QStringLiteral("Runner scripts (*.txt)"));
        if (path.isEmpty()) {
            if (askDiscard(QStringLiteral("The recorded touches have not been saved. Throw them away?"))) return false;
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
        showError(error);
    }
}

void THaupt::CaptureBeforeTick() {
    touchRecorder_.BeforeTick(plant_);
    journal_.BeforeTick(plant_);
}

void THaupt::CaptureAfterTick() {
    ++animationTicks_;
    if (RecordingAnimation()) {
        animation_->Frame(host_, animationTicks_ * kTickMilliseconds, showTouches_);
    }
    touchRecorder_.AfterTick(clockTap_.last, plant_);
    journal_.AfterTick(clockTap_.last, plant_);
}
