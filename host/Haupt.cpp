#include "host/Haupt.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHideEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QShortcut>
#include <QTimer>

#include "host/GifRecorder.h"
#include "host/Inspector.h"
#include "host/PlantPanel.h"

namespace {

std::uint32_t ButtonFaceColour() {
    const QColor face = QApplication::palette().color(QPalette::Button);
    return static_cast<std::uint32_t>(face.red()) | static_cast<std::uint32_t>(face.green()) << 8 |
           static_cast<std::uint32_t>(face.blue()) << 16;
}

MouseButton ToMouseButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return MouseButton::Left;
        case Qt::RightButton: return MouseButton::Right;
        default: return MouseButton::Middle;
    }
}

}  // namespace

THaupt::THaupt(WallClock* clock, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      clockTap_(clock != nullptr ? *clock : systemClock_),
      host_(clockTap_, ButtonFaceColour()) {
    // The form: position, a first size that the zoom replaces at the end of
    // construction, button-face background, popup menu and timer.
    move(364, 246);
    resize(370, 350);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button are followed too, so that a release the window
    // never received is noticed at the next move.
    setMouseTracking(true);

    popupMenu = new QMenu(this);
    mnuZoom100 = popupMenu->addAction(QStringLiteral("Zoom 100%"), this, &THaupt::mnuZoom100Click);
    mnuZoom200 = popupMenu->addAction(QStringLiteral("Zoom 200%"), this, &THaupt::mnuZoom200Click);
    mnuZoom300 = popupMenu->addAction(QStringLiteral("Zoom 300%"), this, &THaupt::mnuZoom300Click);
    for (QAction* item : {mnuZoom100, mnuZoom200, mnuZoom300}) item->setCheckable(true);
    popupMenu->addSeparator();
    mnuPlant = popupMenu->addAction(QStringLiteral("Plant\tF2"), this, &THaupt::mnuPlantClick);
    mnuPlant->setCheckable(true);
    auto* plantKey = new QShortcut(QKeySequence(Qt::Key_F2), this);
    plantKey->setContext(Qt::ApplicationShortcut);  // also while the Plant panel has the focus
    connect(plantKey, &QShortcut::activated, this, &THaupt::mnuPlantClick);
    BuildCaptureMenu();

    TimerRefresh = new QTimer(this);
    TimerRefresh->setTimerType(Qt::PreciseTimer);
    TimerRefresh->setInterval(kTickMilliseconds);
    connect(TimerRefresh, &QTimer::timeout, this, &THaupt::TimerRefreshTimer);
    TimerRefresh->start();

    setWindowTitle(QString::fromStdString(PanelHost::Caption()));
    host_.Start();
    host_.SetPlantHook([this] { plant_.Apply(); });
    mnuZoom100Click();

    plantPanel = new PlantPanel(plant_, this);
    plantPanel->hide();
    connect(plantPanel, &QDockWidget::visibilityChanged, mnuPlant, &QAction::setChecked);
    inspector = new TInspector(*this, *this);
}

THaupt::~THaupt() {
    FinishAnimation();
    // It watches the host, which goes before the window's children do.
    delete inspector;
}

void THaupt::TimerRefreshTimer() {
    CaptureBeforeTick();
    const TickResult result = host_.Tick();
    CaptureAfterTick();
    switch (result) {
        case TickResult::Ran: ShowDirtyArea(); break;
        case TickResult::Closing: break;
        case TickResult::Close:
            TimerRefresh->stop();
            close();
            break;
    }
}

void THaupt::SelectZoom(int zoom) {
    mnuZoom100->setChecked(zoom == 1);
    mnuZoom200->setChecked(zoom == 2);
    mnuZoom300->setChecked(zoom == 3);
    host_.SetZoom(zoom);
    setFixedSize(host_.GetCanvas().Width(), host_.GetCanvas().Height());
    ShowDirtyArea();
}

void THaupt::mnuZoom100Click() { SelectZoom(1); }
void THaupt::mnuZoom200Click() { SelectZoom(2); }
void THaupt::mnuZoom300Click() { SelectZoom(3); }

// The panel stands beside the display, so that neither covers the other.
void THaupt::mnuPlantClick() {
    if (plantPanel->isVisible()) {
        plantPanel->hide();
        return;
    }
    plantPanel->move(frameGeometry().topRight() + QPoint(8, 0));
    plantPanel->show();
    plantPanel->Refresh();
}

void THaupt::FormPaint() {
    host_.FullRepaint();
    ShowDirtyArea();
}

void THaupt::ShowDirtyArea() {
    const DirtyRect dirty = host_.GetCanvas().TakeDirty();
    if (!dirty.Empty()) update(QRect(dirty.x0, dirty.y0, dirty.x1 - dirty.x0, dirty.y1 - dirty.y0));
}

// The canvas always holds what the last repaint painted, so the toolkit's
// paint requests copy it to the screen instead of converting every pixel
// again.
void THaupt::paintEvent(QPaintEvent* event) {
    const Canvas& canvas = host_.GetCanvas();
    const QImage image(reinterpret_cast<const uchar*>(canvas.Pixels()), canvas.Width(), canvas.Height(),
                       static_cast<qsizetype>(canvas.Stride()) * 4, QImage::Format_RGB32);
    QPainter painter(this);
    const QRect area = event->rect();
    painter.fillRect(area, palette().color(QPalette::Button));
    painter.drawImage(area.topLeft(), image, area.intersected(image.rect()));
}

void THaupt::FormCloseQuery(bool& canClose) { canClose = host_.CloseQuery(); }

void THaupt::FormMouseDown(Qt::MouseButton button, int X, int Y) {
    if (button == Qt::LeftButton) touchRecorder_.Press(X / host_.Zoom(), Y / host_.Zoom());
    host_.MouseDown(ToMouseButton(button), X, Y);
}

void THaupt::FormMouseMove(int X, int Y) {
    if (host_.FingerDown()) touchRecorder_.Drag(X / host_.Zoom(), Y / host_.Zoom());
    const PointerShift shift = host_.MouseMove(X, Y);
    if (shift.dx != 0 || shift.dy != 0) QCursor::setPos(QCursor::pos() + QPoint(shift.dx, shift.dy));
}

void THaupt::FormMouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton && host_.FingerDown()) touchRecorder_.Release();
    host_.MouseUp(ToMouseButton(button));
}

void THaupt::LoseFinger() {
    if (host_.FingerDown()) touchRecorder_.Release();
    host_.LiftFinger();
}

// Whatever takes the mouse or the keyboard away from the window may swallow
// the release of the left button; a finger left down would keep a held
// button repeating.
bool THaupt::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowDeactivate:
        case QEvent::FocusOut:
        case QEvent::UngrabMouse: LoseFinger(); break;
        default: break;
    }
    return QWidget::event(event);
}

void THaupt::hideEvent(QHideEvent* event) {
    LoseFinger();
    QWidget::hideEvent(event);
}

void THaupt::closeEvent(QCloseEvent* event) {
    LoseFinger();
    bool canClose = false;
    FormCloseQuery(canClose);
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

// The menu takes the mouse, and with it the release of a held left button.
void THaupt::contextMenuEvent(QContextMenuEvent* event) {
    LoseFinger();
    popupMenu->popup(event->globalPos());
}

void THaupt::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    FormMouseDown(event->button(), p.x(), p.y());
}

void THaupt::mouseMoveEvent(QMouseEvent* event) {
    // A move without the left button means its release went elsewhere.
    if (!(event->buttons() & Qt::LeftButton)) LoseFinger();
    const QPoint p = event->position().toPoint();
    FormMouseMove(p.x(), p.y());
}

void THaupt::mouseReleaseEvent(QMouseEvent* event) { FormMouseUp(event->button()); }
