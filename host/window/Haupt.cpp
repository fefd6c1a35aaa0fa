#include "host/window/Haupt.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QHideEvent>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTimer>
#include <algorithm>

#include "host/core/TouchRing.h"
#include "host/window/Inspector.h"
#include "host/window/PanelCapture.h"
#include "host/window/PanelControls.h"
#include "host/window/PlantPanel.h"
#include "host/window/ScriptPlayer.h"
#include "panel/Firmware.h"

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

QShortcut* Key(QWidget* window, const QKeySequence& key) {
    auto* shortcut = new QShortcut(key, window);
    shortcut->setContext(Qt::ApplicationShortcut);  // also while the Plant panel has the focus
    return shortcut;
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

THaupt::THaupt(WallClock* clock, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                              Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      clockTap_(clock != nullptr ? *clock : systemClock_),
      host_(clockTap_, plant_, ButtonFaceColour()),
      capture_(std::make_unique<PanelCapture>(*this, host_, plant_, clockTap_)) {
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

    TimerRefresh = new QTimer(this);
    TimerRefresh->setTimerType(Qt::PreciseTimer);
    TimerRefresh->setInterval(kTickMilliseconds);
    connect(TimerRefresh, &QTimer::timeout, this, &THaupt::TimerRefreshTimer);
    controls_ = std::make_unique<PanelControls>(PanelControls{
        host_,
        *TimerRefresh,
        [this] { TimerRefreshTimer(); },
        [this](int x, int y) { FormMouseDown(Qt::LeftButton, x, y); },
        [this](int x, int y) { FormMouseMove(x, y); },
        [this] { FormMouseUp(Qt::LeftButton); },
        [this](int zoom) { SelectZoom(zoom); },
        [this](const WallTime& time) { SetPanelClock(time); },
    });

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
    inspector = new TInspector(*this, *view_, *popupMenu, mnuPlant, *controls_);
    capture_->StartJournal();
}

THaupt::~THaupt() {
    capture_->FinishAnimation();
    // It watches the host, which goes before the window's children do.
    delete inspector;
    // The panel is hidden while the window's base is torn down; nothing of
    // the window may answer that any more.
    plantPanel->disconnect(this);
}

void THaupt::TimerRefreshTimer() {
    player_->BeforeTick();
    capture_->BeforeTick();
    const TickResult result = host_.Tick();
    capture_->AfterTick();
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
    const bool ring = capture_->ShowTouches() && FingerOnPanel(x, y);
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
    if (!capture_->ShowTouches() || !FingerOnPanel(x, y)) return;
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
    if (button == Qt::LeftButton) capture_->NotePress(X / host_.Zoom(), Y / host_.Zoom());
    host_.MouseDown(ToMouseButton(button), X, Y);
}

void THaupt::FormMouseMove(int X, int Y) {
    if (host_.FingerDown()) capture_->NoteDrag(X / host_.Zoom(), Y / host_.Zoom());
    const PointerShift shift = host_.MouseMove(X, Y);
    if (shift.dx != 0 || shift.dy != 0) QCursor::setPos(QCursor::pos() + QPoint(shift.dx, shift.dy));
}

void THaupt::FormMouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton && host_.FingerDown()) capture_->NoteRelease();
    host_.MouseUp(ToMouseButton(button));
}

void THaupt::LoseFinger() {
    if (host_.FingerDown()) capture_->NoteRelease();
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
    if (capture_->Recorder().Recording()) FinishTouchRecording();
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

void THaupt::RestoreSettings(QSettings& settings, bool forget) {
    if (forget) settings.clear();
    const int zoom = settings.value(QStringLiteral("window/zoom"), 1).toInt();
    if (zoom >= 1 && zoom <= 3) SelectZoom(zoom);
    if (settings.contains(QStringLiteral("window/position")))
        move(settings.value(QStringLiteral("window/position")).toPoint());
    if (settings.value(QStringLiteral("window/showTouches"), false).toBool() != ShowingTouches()) mnuShowTouchesClick();
    capture_->SetFolders(settings.value(QStringLiteral("files/folders")).toStringList());
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
    settings.setValue(QStringLiteral("window/showTouches"), ShowingTouches());
    settings.setValue(QStringLiteral("files/folders"), capture_->Folders());
    settings.setValue(QStringLiteral("plant/visible"), plantPanel->isVisible());
    settings.setValue(QStringLiteral("plant/floating"), plantPanel->isFloating());
    if (plantPanel->isFloating()) {
        // Only where it stood; a panel never shown has no place yet.
        if (plantPlaced_) settings.setValue(QStringLiteral("plant/geometry"), plantPanel->geometry());
    } else {
        settings.setValue(QStringLiteral("plant/width"), plantPanel->width());
    }
}

// ---- captures, files and scripts ----------------------------------------------

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
    LendCapture();
    BuildScriptMenu();

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
}

// The captures ask through the window's own functions, looked up at each
// question, so that whoever replaces them later is asked.
void THaupt::LendCapture() {
    capture_->chooseSaveFile = [this](const QString& caption, const QString& name, const QString& filter) {
        return askSaveFileName(caption, name, filter);
    };
    capture_->chooseOpenFile = [this](const QString& caption, const QString& folder, const QString& filter) {
        return askOpenFileName(caption, folder, filter);
    };
    capture_->confirmDiscard = [this](const QString& question) { return askDiscard(question); };
    capture_->tell = [this](const QString& message) { showError(message); };
    capture_->restart = [this] { RestartPanel(); };
    capture_->onChange = [this] { UpdateTitle(); };
}

void THaupt::BuildScriptMenu() {
    mnuFile = popupMenu->addMenu(QStringLiteral("File"));
    mnuOpenState = mnuFile->addAction(QStringLiteral("Open state..."), this, &THaupt::mnuOpenStateClick);
    mnuSaveState = mnuFile->addAction(QStringLiteral("Save state..."), this, &THaupt::mnuSaveStateClick);
    mnuFile->addSeparator();
    mnuPlayScript = mnuFile->addAction(QStringLiteral("Play script...\tF5"), this, &THaupt::mnuPlayScriptClick);
    mnuStepScript = mnuFile->addAction(QStringLiteral("Step\tF6"), this, &THaupt::mnuStepScriptClick);
    mnuStopScript = mnuFile->addAction(QStringLiteral("Stop script\tShift+F5"), this, &THaupt::mnuStopScriptClick);
    player_ = std::make_unique<ScriptPlayer>(*controls_, *capture_);
    player_->onLine = [this] { UpdateTitle(); };
    player_->onEnd = [this](const QString& report) {
        UpdateScriptMenu();
        if (!report.isEmpty()) showError(report);
    };
    UpdateScriptMenu();
    connect(Key(this, QKeySequence(Qt::Key_F5)), &QShortcut::activated, this, &THaupt::mnuPlayScriptClick);
    connect(Key(this, QKeySequence(Qt::Key_F6)), &QShortcut::activated, this, &THaupt::mnuStepScriptClick);
    connect(Key(this, QKeySequence(Qt::SHIFT | Qt::Key_F5)), &QShortcut::activated, this, &THaupt::mnuStopScriptClick);
}

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
    const QString path = capture_->AskOpenPath(QStringLiteral("Play script"), QStringLiteral("txt"),
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
    if (capture_->Recorder().Recording()) running << QStringLiteral("recording touches");
    if (RecordingAnimation()) running << QStringLiteral("recording animation");
    if (SavingLanguages()) running << QStringLiteral("saving languages");
    if (player_ && player_->Active())
        running << (player_->Paused() ? QStringLiteral("paused at ") : QStringLiteral("playing ")) + player_->Where();
    QString title = QString::fromStdString(PanelHost::Caption());
    if (!running.isEmpty()) title += QStringLiteral(" \u2014 \u25CF ") + running.join(QStringLiteral(", "));
    setWindowTitle(title);
}

const TouchRecorder& THaupt::Recorder() const { return capture_->Recorder(); }
bool THaupt::RecordingAnimation() const { return capture_->RecordingAnimation(); }
bool THaupt::ShowingTouches() const { return capture_->ShowTouches(); }
bool THaupt::SavingLanguages() const { return capture_->SavingLanguages(); }

QImage THaupt::Screenshot(bool zoomed) { return capture_->Screenshot(zoomed); }

void THaupt::mnuSaveScreenshotClick() {
    // Shift with the menu item saves at the current zoom, as Shift+F12 does.
    capture_->SaveScreenshot(QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
}

void THaupt::mnuSaveZoomedScreenshotClick() { capture_->SaveScreenshot(true); }

void THaupt::mnuCopyScreenshotClick() { QApplication::clipboard()->setImage(Screenshot(false)); }

void THaupt::mnuShowTouchesClick() {
    capture_->SetShowTouches(!capture_->ShowTouches());
    mnuShowTouches->setChecked(capture_->ShowTouches());
    ShowDirtyArea();
}

void THaupt::mnuSaveAllLanguagesClick() { capture_->SaveAllLanguages(runnerProgram, runnerOptions); }

void THaupt::mnuRecordAnimationClick() {
    capture_->ToggleAnimation();
    const bool recording = RecordingAnimation();
    mnuRecordAnimation->setChecked(recording);
    mnuRecordAnimation->setText(recording ? QStringLiteral("Stop animation\tF11")
                                          : QStringLiteral("Record animation\tF11"));
    UpdateTitle();
}

void THaupt::RestartPanel() {
    LoseFinger();
    ResetFirmwareState();
    host_.Start();
    SelectZoom(host_.Zoom());
    FormPaint();
}

bool THaupt::OpenStateFile(const QString& path, QString& error) {
    if (!capture_->OpenStateFile(path, error)) return false;
    if (plantPanel != nullptr) plantPanel->Refresh();
    return true;
}

void THaupt::mnuOpenStateClick() {
    const QString path = capture_->AskOpenPath(QStringLiteral("Open state"), QStringLiteral("json"),
                                               QStringLiteral("Panel states (*.json);;All files (*)"));
    QString error;
    if (!path.isEmpty() && !OpenStateFile(path, error)) showError(error);
}

void THaupt::mnuSaveStateClick() { capture_->SaveStateAs(); }

bool THaupt::RunPlantLine(const std::string& line, std::string& error) { return capture_->RunPlantLine(line, error); }

void THaupt::mnuRecordTouchesClick() {
    if (capture_->Recorder().Recording()) {
        FinishTouchRecording();
        return;
    }
    QString error;
    if (!capture_->StartTouchRecording(error)) {
        showError(error);
        return;
    }
    mnuRecordTouches->setText(QStringLiteral("Stop recording\tF3"));
    UpdateTitle();
}

bool THaupt::FinishTouchRecording() {
    mnuRecordTouches->setText(QStringLiteral("Record touches\tF3"));
    return capture_->FinishTouchRecording();
}
