// What the window keeps of its panel: screenshots to a file or the
// clipboard, the current page in every language, animated GIFs, recordings
// of the user's touches as runner scripts, the panel's state as the runner's
// JSON files, and the plant lines recorded as they are carried out.
//
// It works on the window's panel, plant and clock; what only the window can
// do (ask for a file, show a failure, start the firmware afresh at its zoom,
// name in its title what runs) it asks through the functions below.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "host/core/PanelHost.h"
#include "host/export/TouchRecorder.h"
#include "host/plant/PlantCommands.h"
#include "host/plant/PlantModel.h"

class GifRecorder;
class QTemporaryDir;
class QWidget;
class TappedClock;

class PanelCapture {
public:
    // `window` is the parent of the dialogs' helpers and of the runner
    // processes started for the languages.
    PanelCapture(QWidget& window, PanelHost& host, PlantModel& plant, TappedClock& clock);
    ~PanelCapture();

    // Asks where to save or what to open; an empty name when the user cancels.
    std::function<QString(const QString& caption, const QString& name, const QString& filter)> chooseSaveFile;
    std::function<QString(const QString& caption, const QString& folder, const QString& filter)> chooseOpenFile;
    // Asks whether an unsaved recording may be thrown away; false keeps it.
    std::function<bool(const QString& question)> confirmDiscard;
    // Shows a failure to the user.
    std::function<void(const QString& message)> tell;
    // The firmware starts afresh, keeping the window's zoom, and is shown.
    std::function<void()> restart;
    // Something began or ended in the background (a recording, a job).
    std::function<void()> onChange;

    const TouchRecorder& Recorder() const { return touchRecorder_; }
    bool RecordingAnimation() const;
    bool SavingLanguages() const { return languageJobs_ > 0; }
    // Whether the pictures, like the window, show a ring where the finger is.
    bool ShowTouches() const { return showTouches_; }
    void SetShowTouches(bool show) { showTouches_ = show; }
    // The folders last used, by kind: pictures, animations, scripts, states, other.
    QStringList Folders() const;
    void SetFolders(const QStringList& folders);
    // The wall time the last tick read.
    const WallTime& LastTime() const;

    // The finger as the window moved it, in panel pixels, for the recordings.
    void NotePress(int x, int y);
    void NoteDrag(int x, int y);
    void NoteRelease();
    // Around every tick of the panel.
    void BeforeTick();
    void AfterTick();

    // Asks for a file to write, with the folder last used for its kind and
    // the name's extension added when it was left out.
    QString AskSavePath(const QString& caption, const QString& name, const QString& filter);
    QString AskOpenPath(const QString& caption, const QString& kind, const QString& filter);

    // What the panel shows: at 1:1 panel pixels, or as the window shows it.
    QImage Screenshot(bool zoomed);
    bool SaveScreenshot(bool zoomed);
    // The current page in every language, written by runner processes.
    void SaveAllLanguages(const QString& program, const QStringList& options);
    // Starts an animation into a file the user chooses, or stops the one
    // being recorded.
    void ToggleAnimation();
    // A script's `animation start FILE` (start) or `animation stop`.
    bool ScriptAnimation(bool start, const std::string& path, std::string& why);
    // A recording still running when the window goes is written, not lost.
    void FinishAnimation();

    // The panel starts afresh from a state file, with its clock; false,
    // with "FILE:LINE: message", when the file is bad: then nothing changed.
    bool OpenStateFile(const QString& path, QString& error);
    void SaveStateAs();
    // The record of every step since the panel last started, from the state
    // saved then: what the languages replay in the runner.
    void StartJournal();
    // A touch recording from the current state; false, with the reason,
    // when that state cannot be kept.
    bool StartTouchRecording(QString& error);
    // Stops the touch recording and saves it; false when the user threw it away.
    bool FinishTouchRecording();

    // A runner line of the Plant panel (set, fault, history, reset, clock),
    // carried out and recorded as it is; false, with the reason, for a line
    // that is not one.
    bool RunPlantLine(const std::string& line, std::string& error);
    // A plant change carried out and recorded as `line`.
    bool RunPlantCommand(const PlantCommand& command, const std::string& line, std::string& error);

private:
    // A fresh start of the panel, keeping its state (plant, settings,
    // histories, clock), so that a recording starts where the user is.
    bool RestartFromCurrentState(QString& error);
    void LanguageJobDone(const QString& language, int exitCode, const QString& output);
    void StartLanguageJob(const QString& code, const QString& program, const QStringList& arguments);

    QWidget& window_;
    PanelHost& host_;
    PlantModel& plant_;
    TappedClock& clock_;
    std::unique_ptr<GifRecorder> animation_;
    std::int64_t animationTicks_ = 0;
    TouchRecorder touchRecorder_;
    // Every step since the panel last started, from the state saved then:
    // what "Save all languages..." replays in the runner.
    TouchRecorder journal_;
    std::unique_ptr<QTemporaryDir> workFolder_;
    QString journalState_;
    QString recordingState_;  // the state a touch recording starts from
    int languageJobs_ = 0;
    QStringList languageErrors_;
    bool showTouches_ = false;
    QString folders_[5];  // last folders: pictures, animations, scripts, states, other
};
