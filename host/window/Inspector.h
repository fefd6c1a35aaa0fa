// The inspector: the drawing engine at work beside the window. It shows the
// current tick's figures and a scrolling chart of the last seconds (ring and
// LCD-queue fill, the estimates against their budgets, the commands executed
// and refused, the long operation in progress), tints the areas repainted in
// the last ticks over the panel ("Paint flashing"), pauses the firmware's
// timer and steps it a tick or N ticks at a time while the mouse still
// reaches the panel, and probes the pixel under the mouse: its colour, the
// display-list command that last wrote it and the scene element it belongs
// to.
//
// It listens to the engine only while it is shown; hidden, it records nothing
// and the timer runs.
#pragma once

#include <QDockWidget>
#include <QPoint>
#include <QRect>
#include <deque>

#include "host/runner/EngineMonitor.h"

class QAction;
class QCheckBox;
class QLabel;
class QMainWindow;
class QMenu;
class QPushButton;
class QSpinBox;
class QTimer;
class EngineChart;
class PaintFlashing;
struct PanelControls;

class TInspector final : public QDockWidget {
    Q_OBJECT

public:
    // Ticks the chart shows: six seconds.
    static constexpr int kChartTicks = 500;
    // Ticks a repainted area stays tinted, fading.
    static constexpr int kFlashTicks = 40;

    // `display` is the widget that shows the panel's canvas; the menu item
    // goes into the window's popup `menu` after the item `after`, and its key
    // to the window.
    TInspector(QMainWindow& window, QWidget& display, QMenu& menu, QAction* after, PanelControls& panel);
    ~TInspector() override;

    QAction* mnuInspector = nullptr;  // F9
    QCheckBox* chkPaintFlashing = nullptr;
    QPushButton* btnPause = nullptr;  // F8 while the inspector is shown
    QPushButton* btnStep = nullptr;   // F7
    QPushButton* btnStepN = nullptr;
    QSpinBox* spnSteps = nullptr;

    const EngineMonitor& Monitor() const { return monitor_; }
    bool Paused() const { return paused_; }
    // Ticks still to run of a step of N.
    int StepsLeft() const { return stepsLeft_; }
    // The probe's text for panel pixel (x, y).
    QString Probe(int x, int y) const;
    // The areas tinted now, in the display's coordinates, newest last.
    std::vector<QRect> Flashes() const;

public slots:
    void mnuInspectorClick();
    void btnPauseClick();
    void btnStepClick();
    void btnStepNClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void AfterTick();
    void ShowFigures();
    void SetPaused(bool paused);
    void StepTimerTimeout();

    QMainWindow& window_;
    QWidget& display_;
    PanelControls& controls_;
    EngineMonitor monitor_;
    EngineChart* chart_ = nullptr;
    PaintFlashing* flashing_ = nullptr;
    QLabel* figures_ = nullptr;
    QLabel* probe_ = nullptr;
    QTimer* stepTimer_ = nullptr;
    bool paused_ = false;
    int stepsLeft_ = 0;
    QPoint probed_{-1, -1};  // panel pixel under the mouse, or -1
    int ticksSinceFigures_ = 0;
};
