// The main window: shows the panel's display, turns the left mouse button
// into the panel's touch, and runs the firmware from its 12 ms timer.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "host/PanelHost.h"
#include "host/PlantModel.h"
#include "host/TouchRecorder.h"

class GifRecorder;

class PlantPanel;
class TInspector;
class QAction;
class QMenu;
class QTimer;

class THaupt : public QWidget {
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
    TInspector* inspector = nullptr;        // F9: the drawing engine at work
    QAction* mnuSaveScreenshot = nullptr;   // F12; Shift+F12 at the current zoom
    QAction* mnuCopyScreenshot = nullptr;   // to the clipboard
    QAction* mnuRecordAnimation = nullptr;  // F11: an animated GIF, start and stop
    QAction* mnuRecordTouches = nullptr;    // F3: a runner script, start and stop

    // Asks where to save; an empty name when the user cancels. Tests put a
    // function here that answers without a dialog.
    std::function<QString(const QString& caption, const QString& name, const QString& filter)> askSaveFileName;
    // Shows a failure to the user; tests collect the messages instead.
    std::function<void(const QString& message)> showError;

    PanelHost& Host() { return host_; }
    PlantModel& Plant() { return plant_; }
    const TouchRecorder& Recorder() const { return touchRecorder_; }
    bool RecordingAnimation() const;

    // What the panel shows: at 1:1 panel pixels, or as the window shows it.
    QImage Screenshot(bool zoomed);

public slots:
    void TimerRefreshTimer();
    void mnuZoom100Click();
    void mnuZoom200Click();
    void mnuZoom300Click();
    void mnuPlantClick();
    void mnuSaveScreenshotClick();
    void mnuSaveZoomedScreenshotClick();
    void mnuCopyScreenshotClick();
    void mnuRecordAnimationClick();
    void mnuRecordTouchesClick();

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
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SelectZoom(int zoom);
    // The window can no longer follow the left button: lift the finger.
    void LoseFinger();
    void ShowDirtyArea();

    // Screenshots, animations and touch recordings (HauptCapture.cpp).
    void BuildCaptureMenu();
    void CaptureBeforeTick();
    void CaptureAfterTick();
    bool SaveScreenshot(bool zoomed);
    void RestartPanel();
    // A recording still running when the window goes is written, not lost.
    void FinishAnimation();

    // Remembers the wall time the last tick read, for the touch recording.
    class TappedClock final : public WallClock {
    public:
        explicit TappedClock(WallClock& inner) : inner_(inner) {}
        WallTime Now() override { return last = inner_.Now(); }
        WallTime last;

    private:
        WallClock& inner_;
    };

    SystemWallClock systemClock_;
    TappedClock clockTap_;
    PanelHost host_;
    PlantModel plant_;
    std::unique_ptr<GifRecorder> animation_;
    std::int64_t animationTicks_ = 0;
    TouchRecorder touchRecorder_;
};
