// The main window: shows the panel's display, turns the left mouse button
// into the panel's touch, and runs the firmware from its 12 ms timer.
//
// The display is the window's client area; around it the window may hold the
// Plant panel, docked at its right, and the right-click menu carries the
// capture, file and scenario tools. Started without options the window is the
// bare panel at zoom 100 %.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "host/core/PanelHost.h"
#include "host/export/TouchRecorder.h"
#include "host/plant/PlantModel.h"
#include "host/window/TappedClock.h"

class PanelCapture;
class PlantPanel;
class TInspector;
class QAction;
class QMenu;
class QSettings;
class QTimer;
class ScriptPlayer;
struct PanelControls;

class THaupt : public QMainWindow {
    Q_OBJECT

public:
    explicit THaupt(WallClock* clock = nullptr, QWidget* parent = nullptr);
    ~THaupt() override;

    // Components, named as on the form.
    QTimer* TimerRefresh = nullptr;
    QMenu* popupMenu = nullptr;
    QAction* mnuZoom100 = nullptr;
    QAction* mnuZoom200 = nullptr;
    QAction* mnuZoom300 = nullptr;
    QAction* mnuPlant = nullptr;  // shows the Plant panel (F2)
    PlantPanel* plantPanel = nullptr;
    TInspector* inspector = nullptr;  // F9: the drawing engine at work
    QMenu* mnuFile = nullptr;
    QAction* mnuOpenState = nullptr;
    QAction* mnuSaveState = nullptr;
    QAction* mnuPlayScript = nullptr;        // F5 while no script plays; then pause and resume
    QAction* mnuStepScript = nullptr;        // F6: the next line, then pause
    QAction* mnuStopScript = nullptr;        // Shift+F5
    QAction* mnuSaveScreenshot = nullptr;    // F12; Shift+F12 at the current zoom
    QAction* mnuCopyScreenshot = nullptr;    // to the clipboard
    QAction* mnuSaveAllLanguages = nullptr;  // the current page in all seven languages
    QAction* mnuRecordAnimation = nullptr;   // F11: an animated GIF, start and stop
    QAction* mnuRecordTouches = nullptr;     // F3: a runner script, start and stop
    QAction* mnuShowTouches = nullptr;       // a ring where the finger is

    // Asks where to save or what to open; an empty name when the user
    // cancels. Tests put functions here that answer without a dialog.
    std::function<QString(const QString& caption, const QString& name, const QString& filter)> askSaveFileName;
    std::function<QString(const QString& caption, const QString& folder, const QString& filter)> askOpenFileName;
    // Asks whether an unsaved recording may be thrown away; false keeps it.
    std::function<bool(const QString& question)> askDiscard;
    // Shows a failure to the user; tests collect the messages instead.
    std::function<void(const QString& message)> showError;
    // The runner program that "Save all languages..." starts, and the options
    // it passes on (the window's --texts previews).
    QString runnerProgram;
    QStringList runnerOptions;

    PanelHost& Host() { return host_; }
    PlantModel& Plant() { return plant_; }
    const TouchRecorder& Recorder() const;
    bool RecordingAnimation() const;
    bool ShowingTouches() const;
    bool SavingLanguages() const;
    QWidget* View() const { return view_; }
    ScriptPlayer& Player() { return *player_; }
    // Plays a runner script live; false, with the problems, when it cannot.
    bool PlayScriptFile(const QString& path, QString& error);

    // What the panel shows: at 1:1 panel pixels, or as the window shows it;
    // with the finger's ring while touches are shown.
    QImage Screenshot(bool zoomed);

    // The panel starts afresh from a state file (the runner's JSON), with
    // its clock; as at `--state`. False, with "FILE:LINE: message", when the
    // file is bad: then nothing changed.
    bool OpenStateFile(const QString& path, QString& error);
    // The panel clock from now on, running on in real time.
    void SetPanelClock(const WallTime& time);
    // A runner line of the Plant panel (set, fault, history, reset, clock),
    // carried out and recorded as it is; false, with the reason, for a line
    // that is not one.
    bool RunPlantLine(const std::string& line, std::string& error);

    // Remembered between runs: position, zoom, the Plant panel, the folders
    // last used and whether touches are shown. With `forget`
    // (--reset-settings) the settings are cleared first: the window starts
    // as the bare panel, and nothing of before comes back next time either.
    void RestoreSettings(QSettings& settings, bool forget = false);
    void SaveSettings(QSettings& settings) const;

    // Keeps the window and the Plant panel whole on the screen they are on.
    void FitOnScreen();

public slots:
    void TimerRefreshTimer();
    void mnuZoom100Click();
    void mnuZoom200Click();
    void mnuZoom300Click();
    void mnuPlantClick();
    void mnuOpenStateClick();
    void mnuSaveStateClick();
    void mnuPlayScriptClick();
    void mnuStepScriptClick();
    void mnuStopScriptClick();
    void mnuSaveScreenshotClick();
    void mnuSaveZoomedScreenshotClick();
    void mnuCopyScreenshotClick();
    void mnuSaveAllLanguagesClick();
    void mnuRecordAnimationClick();
    void mnuRecordTouchesClick();
    void mnuShowTouchesClick();

    // The full repaint: every panel pixel into the canvas, then on screen.
    void FormPaint();

    // The form's event handlers; the toolkit's events arrive through the
    // overrides below. X and Y are client coordinates.
    void FormMouseDown(Qt::MouseButton button, int X, int Y);
    void FormMouseMove(int X, int Y);
    void FormMouseUp(Qt::MouseButton button);
    void FormCloseQuery(bool& canClose);

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class PanelView;

    void SelectZoom(int zoom);
    // The window can no longer follow the left button: lift the finger.
    void LoseFinger();
    void ShowDirtyArea();
    void PaintView(QWidget& view, const QRect& area);
    void UpdateTitle();
    QPoint ToClient(QPoint windowPoint) const;

    // The Plant panel: docked at the right, or a window of its own beside
    // the display.
    void PlacePlantPanel();
    void PlantDockChanged();
    void SizeToContents();

    // The capture, file and script menus, and what they lend the captures
    // and the script player of the window.
    void BuildCaptureMenu();
    void LendCapture();
    void BuildScriptMenu();
    void UpdateScriptMenu();
    // A fresh start of the firmware at the current zoom, shown at once.
    void RestartPanel();
    // Stops the touch recording and saves it; false when the user threw it
    // away.
    bool FinishTouchRecording();

    SystemWallClock systemClock_;
    TappedClock clockTap_;
    PlantModel plant_;
    PanelHost host_;
    QWidget* view_ = nullptr;
    bool ringShown_ = false;
    DirtyRect ringArea_;
    bool plantPlaced_ = false;
    std::unique_ptr<PanelCapture> capture_;
    std::unique_ptr<PanelControls> controls_;
    std::unique_ptr<ScriptPlayer> player_;
};
