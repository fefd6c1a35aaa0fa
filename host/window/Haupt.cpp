#include "host/window/Haupt.h"

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
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <ctime>

#include "host/core/TouchRing.h"
#include "host/export/GifRecorder.h"
#include "host/window/Inspector.h"
#include "host/window/PlantPanel.h"
#include "host/window/ScriptPlayer.h"

namespace {

std::uint32_t ButtonFaceColour() {
    const QColor face = QApplication::palette().color(QPalette::Button);
    return face.rgb() & 0xFFFFFFu;
}

MouseButton ToMouseButton(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return MouseButton::Left;
        case Qt::RightButton: return MouseButton::Right;
        default: return MouseButton::Middle;
    }
}

long long SecondsOf(const WallTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    return static_cast<long long>(timegm(&tm));
}

WallTime FromSeconds(long long seconds) {
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, tm.tm_wday};
}

// The narrowest the docked Plant panel may become before it floats instead.
constexpr int kMinDockWidth = 260;

// What the window manager adds around a window: title bar and borders.
QMargins FrameOf(const QWidget& window) {
    const QRect client = window.geometry();
    const QRect outer = window.frameGeometry();
    return {client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
            outer.bottom() - client.bottom()};
}

}  // namespace

// The display: the client area of the form. It only paints; the mouse goes
// through it to the form, whose handlers the design names.
class PanelView final : public QWidget {
public:
    explicit PanelView(THaupt& owner) : QWidget(&owner), owner_(owner) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent* event) override { owner_.PaintView(*this, event->rect()); }

private:
    THaupt& owner_;
};

WallTime THaupt::TappedClock::Peek() {
    const WallTime now = inner_.Now();
    return offsetSeconds_ == 0 ? now : FromSeconds(SecondsOf(now) + offsetSeconds_);
}

WallTime THaupt::TappedClock::Now() { return last = Peek(); }

void THaupt::TappedClock::SetTo(const WallTime& time) {
    offsetSeconds_ = 0;
    offsetSeconds_ = SecondsOf(time) - SecondsOf(inner_.Now());
    last = Peek();
}

THaupt::THaupt(WallClock* clock, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                              Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      clockTap_(clock != nullptr ? *clock : systemClock_),
      host_(clockTap_, plant_, ButtonFaceColour()),
      workFolder_(std::make_unique<QTemporaryDir>()) {
    // The form: position, a first size that the zoom replaces at the end of
    // construction, button-face background, popup menu and timer.
    move(364, 246);
    resize(370, 350);
    setBackgroundRole(QPalette::Button);
    view_ = new PanelView(*this);
    setCentralWidget(view_);
    // Moves without a button are followed too, so that a release the window
    // never received is noticed at the next move.
    setMouseTracking(true);
    setDockOptions(QMainWindow::AnimatedDocks);

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
    mnuZoom100Click();

    plantPanel = new PlantPanel(
        plant_, [this](const std::string& line, std::string& error) { return RunPlantLine(line, error); });
    plantPanel->setAllowedAreas(Qt::RightDockWidgetArea);
    addDockWidget(Qt::RightDockWidgetArea, plantPanel);
    plantPanel->setFloating(true);
    plantPanel->hide();
    connect(plantPanel, &QDockWidget::visibilityChanged, this, [this] {
        mnuPlant->setChecked(plantPanel->isVisible());
        SizeToContents();
    });
    connect(plantPanel, &QDockWidget::topLevelChanged, this, [this] { PlantDockChanged(); });
    inspector = new TInspector(*this, *view_);
    StartJournal();
}

THaupt::~THaupt() {
    FinishAnimation();
    // It watches the host, which goes before the window's children do.
    delete inspector;
    // The panel is hidden while the window's base is torn down; nothing of
    // the window may answer that any more.
    plantPanel->disconnect(this);
}

void THaupt::TimerRefreshTimer() {
    player_->BeforeTick();
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
    view_->setFixedSize(host_.GetCanvas().Width(), host_.GetCanvas().Height());
    SizeToContents();
    ShowDirtyArea();
    if (isVisible()) FitOnScreen();
}

void THaupt::mnuZoom100Click() { SelectZoom(1); }
void THaupt::mnuZoom200Click() { SelectZoom(2); }
void THaupt::mnuZoom300Click() { SelectZoom(3); }

// The window is exactly the display, unless the Plant panel is docked beside
// it: then it is as wide as both and may be made wider or taller.
void THaupt::SizeToContents() {
    const QSize panel = view_->size();
    const bool docked = plantPanel != nullptr && !plantPanel->isFloating() && plantPanel->isVisibleTo(this);
    if (!docked) {
        setFixedSize(panel);
        return;
    }
    setMinimumSize(panel.width() + kMinDockWidth, panel.height());
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const int wanted = std::max(plantPanel->sizeHint().width(), kMinDockWidth);
    resize(panel.width() + wanted, std::max(height(), panel.height()));
}

void THaupt::mnuPlantClick() {
    if (plantPanel->isVisible()) {
        plantPanel->hide();
        return;
    }
    plantPanel->show();
    plantPanel->Refresh();
    if (plantPanel->isFloating()) {
        if (!plantPlaced_) PlacePlantPanel();
    } else {
        SizeToContents();
    }
    FitOnScreen();
}

void THaupt::PlantDockChanged() {
    SizeToContents();
    if (plantPanel->isFloating()) PlacePlantPanel();
    FitOnScreen();
}

// A floating Plant panel stands beside the display where there is room,
// else on the side with more room, never over the display unless the screen
// is too small for both; its height is the screen's at most.
void THaupt::PlacePlantPanel() {
    QScreen* where = screen();
    if (where == nullptr || !plantPanel->isFloating()) return;
    const QRect area = where->availableGeometry();
    const QRect window = frameGeometry();
    const QMargins frame = plantPanel->isVisible() ? FrameOf(*plantPanel) : QMargins();
    const int gap = 8;
    const int roomRight = area.right() - window.right() - gap;
    const int roomLeft = window.left() - area.left() - gap;
    const int wanted = plantPanel->sizeHint().width() + frame.left() + frame.right();
    int width = wanted;
    int x = 0;
    if (roomRight >= wanted || (roomRight >= roomLeft && roomRight >= kMinDockWidth)) {
        width = std::min(wanted, roomRight);
        x = window.right() + gap;
    } else if (roomLeft >= kMinDockWidth) {
        width = std::min(wanted, roomLeft);
        x = window.left() - gap - width;
    } else {
        width = std::min(wanted, area.width());
        x = area.right() + 1 - width;
    }
    const int height =
        std::min(std::max(plantPanel->sizeHint().height(), 620), area.height()) - frame.top() - frame.bottom();
    const int y = std::clamp(window.top(), area.top(), area.bottom() + 1 - height - frame.top() - frame.bottom());
    plantPanel->setGeometry(x + frame.left(), y + frame.top(), width - frame.left() - frame.right(), height);
    plantPlaced_ = true;
}

// The whole window on the screen it is on; where the window with its title
// bar is taller or wider than the screen, the client area (the panel) stays
// whole and the title goes off the top. A zoom whose panel cannot fit at all
// is greyed out. A docked Plant panel narrows, or floats when too narrow.
void THaupt::FitOnScreen() {
    QScreen* where = screen();
    if (where == nullptr) return;
    const QRect area = where->availableGeometry();
    QAction* const items[] = {mnuZoom100, mnuZoom200, mnuZoom300};
    for (int zoom = 1; zoom <= 3; ++zoom) {
        items[zoom - 1]->setEnabled((kScreenWidth * zoom <= area.width() && kScreenHeight * zoom <= area.height()) ||
                                    zoom == host_.Zoom());
    }
    if (!plantPanel->isFloating() && plantPanel->isVisible()) {
        const int room = area.width() - view_->width();
        if (room < std::max(kMinDockWidth, plantPanel->minimumSizeHint().width())) {
            // Once the docking that brought it here is over; the panel's own
            // placement follows.
            QTimer::singleShot(0, plantPanel, [this] {
                plantPanel->setFloating(true);
                plantPanel->show();
            });
            return;
        }
        if (width() > area.width()) resize(area.width(), height());
    }
    const QRect client = geometry();
    const QRect outer = frameGeometry();
    const QMargins frame = FrameOf(*this);
    const auto place = [](int start, int size, int lo, int hi) {
        return std::clamp(start, lo, std::max(lo, hi - size));
    };
    int left = 0;
    int top = 0;
    if (outer.width() <= area.width()) {
        left = place(outer.left(), outer.width(), area.left(), area.right() + 1) + frame.left();
    } else {
        left = place(client.left(), client.width(), area.left(), area.right() + 1);
    }
    if (outer.height() <= area.height()) {
        top = place(outer.top(), outer.height(), area.top(), area.bottom() + 1) + frame.top();
    } else {
        top = place(client.top(), client.height(), area.top(), area.bottom() + 1);
    }
    if (left != client.left() || top != client.top()) {
        setGeometry(left, top, client.width(), client.height());
    }
    if (plantPanel->isFloating() && plantPanel->isVisible() &&
        (plantPanel->frameGeometry().intersects(frameGeometry()) || !area.contains(plantPanel->frameGeometry()))) {
        PlacePlantPanel();
    }
}

void THaupt::FormPaint() {
    host_.FullRepaint();
    ShowDirtyArea();
}

void THaupt::ShowDirtyArea() {
    const DirtyRect dirty = host_.GetCanvas().TakeDirty();
    if (!dirty.Empty()) view_->update(QRect(dirty.x0, dirty.y0, dirty.x1 - dirty.x0, dirty.y1 - dirty.y0));
    // The ring follows the finger: the old place and the new one repaint.
    int x = 0;
    int y = 0;
    const bool ring = showTouches_ && FingerOnPanel(x, y);
    const DirtyRect area = ring ? TouchRingArea(host_.Zoom(), x, y) : DirtyRect{};
    if (ring != ringShown_ || (ring && (area.x0 != ringArea_.x0 || area.y0 != ringArea_.y0))) {
        if (ringShown_)
            view_->update(QRect(ringArea_.x0, ringArea_.y0, ringArea_.x1 - ringArea_.x0, ringArea_.y1 - ringArea_.y0));
        if (ring) view_->update(QRect(area.x0, area.y0, area.x1 - area.x0, area.y1 - area.y0));
        ringShown_ = ring;
        ringArea_ = area;
    }
}

// The canvas always holds what the last repaint painted, so the toolkit's
// paint requests copy it to the screen instead of converting every pixel
// again. The finger's ring is drawn over a copy, never into the canvas.
void THaupt::PaintView(QWidget& view, const QRect& area) {
    const Canvas& canvas = host_.GetCanvas();
    const QImage image(reinterpret_cast<const uchar*>(canvas.Pixels()), canvas.Width(), canvas.Height(),
                       static_cast<qsizetype>(canvas.Stride()) * 4, QImage::Format_RGB32);
    QPainter painter(&view);
    painter.fillRect(area, palette().color(QPalette::Button));
    painter.drawImage(area.topLeft(), image, area.intersected(image.rect()));
    int x = 0;
    int y = 0;
    if (!showTouches_ || !FingerOnPanel(x, y)) return;
    const DirtyRect ring = TouchRingArea(host_.Zoom(), x, y);
    const QRect box = QRect(ring.x0, ring.y0, ring.x1 - ring.x0, ring.y1 - ring.y0).intersected(image.rect());
    if (box.isEmpty()) return;
    QImage copy = image.copy(box);
    DrawTouchRing(reinterpret_cast<std::uint32_t*>(copy.bits()), copy.width(), copy.height(),
                  static_cast<int>(copy.bytesPerLine() / 4), host_.Zoom(), x, y, box.left(), box.top());
    painter.drawImage(box.topLeft(), copy);
}

void THaupt::FormCloseQuery(bool& canClose) { canClose = host_.CloseQuery(); }

void THaupt::FormMouseDown(Qt::MouseButton button, int X, int Y) {
    if (button == Qt::LeftButton) {
        touchRecorder_.Press(X / host_.Zoom(), Y / host_.Zoom());
        journal_.Press(X / host_.Zoom(), Y / host_.Zoom());
    }
    host_.MouseDown(ToMouseButton(button), X, Y);
}

void THaupt::FormMouseMove(int X, int Y) {
    if (host_.FingerDown()) {
        touchRecorder_.Drag(X / host_.Zoom(), Y / host_.Zoom());
        journal_.Drag(X / host_.Zoom(), Y / host_.Zoom());
    }
    const PointerShift shift = host_.MouseMove(X, Y);
    if (shift.dx != 0 || shift.dy != 0) QCursor::setPos(QCursor::pos() + QPoint(shift.dx, shift.dy));
}

void THaupt::FormMouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton && host_.FingerDown()) {
        touchRecorder_.Release();
        journal_.Release();
    }
    host_.MouseUp(ToMouseButton(button));
}

void THaupt::LoseFinger() {
    if (host_.FingerDown()) {
        touchRecorder_.Release();
        journal_.Release();
    }
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
    return QMainWindow::event(event);
}

void THaupt::hideEvent(QHideEvent* event) {
    LoseFinger();
    QMainWindow::hideEvent(event);
}

void THaupt::closeEvent(QCloseEvent* event) {
    LoseFinger();
    // A touch recording is saved (or knowingly thrown away) before the
    // window goes.
    if (touchRecorder_.Recording()) FinishTouchRecording();
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

QPoint THaupt::ToClient(QPoint windowPoint) const { return view_->mapFrom(this, windowPoint); }

void THaupt::mousePressEvent(QMouseEvent* event) {
    const QPoint p = ToClient(event->position().toPoint());
    if (!view_->rect().contains(p)) return;  // beside the display, where the Plant panel docks
    FormMouseDown(event->button(), p.x(), p.y());
}

void THaupt::mouseMoveEvent(QMouseEvent* event) {
    // A move without the left button means its release went elsewhere.
    if (!(event->buttons() & Qt::LeftButton)) LoseFinger();
    const QPoint p = ToClient(event->position().toPoint());
    FormMouseMove(p.x(), p.y());
}

void THaupt::mouseReleaseEvent(QMouseEvent* event) { FormMouseUp(event->button()); }

void THaupt::SetPanelClock(const WallTime& time) { clockTap_.SetTo(time); }

void THaupt::RestoreSettings(QSettings& settings) {
    const int zoom = settings.value(QStringLiteral("window/zoom"), 1).toInt();
    if (zoom >= 1 && zoom <= 3) SelectZoom(zoom);
    if (settings.contains(QStringLiteral("window/position")))
        move(settings.value(QStringLiteral("window/position")).toPoint());
    if (settings.value(QStringLiteral("window/showTouches"), false).toBool() != showTouches_) mnuShowTouchesClick();
    const QStringList folders = settings.value(QStringLiteral("files/folders")).toStringList();
    for (int i = 0; i < folders.size() && i < 5; ++i) folders_[i] = folders[i];
    const bool floating = settings.value(QStringLiteral("plant/floating"), true).toBool();
    plantPanel->setFloating(floating);
    if (floating && settings.contains(QStringLiteral("plant/geometry"))) {
        plantPanel->setGeometry(settings.value(QStringLiteral("plant/geometry")).toRect());
        plantPlaced_ = true;
    }
    if (settings.value(QStringLiteral("plant/visible"), false).toBool() && !plantPanel->isVisible()) mnuPlantClick();
    if (!floating && settings.contains(QStringLiteral("plant/width")) && plantPanel->isVisible()) {
        resize(view_->width() + std::max(settings.value(QStringLiteral("plant/width")).toInt(), kMinDockWidth),
               height());
    }
    FitOnScreen();
}

void THaupt::SaveSettings(QSettings& settings) const {
    settings.setValue(QStringLiteral("window/zoom"), const_cast<THaupt*>(this)->host_.Zoom());
    settings.setValue(QStringLiteral("window/position"), pos());
    settings.setValue(QStringLiteral("window/showTouches"), showTouches_);
    QStringList folders;
    for (const QString& folder : folders_) folders << folder;
    settings.setValue(QStringLiteral("files/folders"), folders);
    settings.setValue(QStringLiteral("plant/visible"), plantPanel->isVisible());
    settings.setValue(QStringLiteral("plant/floating"), plantPanel->isFloating());
    if (plantPanel->isFloating()) {
        // Only where it stood; a panel never shown has no place yet.
        if (plantPlaced_) settings.setValue(QStringLiteral("plant/geometry"), plantPanel->geometry());
    } else {
        settings.setValue(QStringLiteral("plant/width"), plantPanel->width());
    }
}
