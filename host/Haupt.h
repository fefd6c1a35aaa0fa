// The main window: shows the panel's display, turns the left mouse button
// into the panel's touch, and runs the firmware from its 12 ms timer.
#pragma once

#include <QWidget>

#include "host/PanelHost.h"
#include "host/PlantModel.h"

class PlantPanel;
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

    PanelHost& Host() { return host_; }
    PlantModel& Plant() { return plant_; }

public slots:
    void TimerRefreshTimer();
    void mnuZoom100Click();
    void mnuZoom200Click();
    void mnuZoom300Click();
    void mnuPlantClick();

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

    SystemWallClock systemClock_;
    PanelHost host_;
    PlantModel plant_;
};
