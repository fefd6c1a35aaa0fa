// The window's capture menu: screenshots to a file or the clipboard, animated
// GIFs of the panel, and recordings of the user's touches as runner scripts.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QSaveFile>
#include <QShortcut>

#include "host/GifRecorder.h"
#include "host/Haupt.h"
#include "host/PngWriter.h"
#include "panel/Firmware.h"
#include "panel/hw/LcdQueue.h"

namespace {

QShortcut* Key(QWidget* window, const QKeySequence& key) {
    auto* shortcut = new QShortcut(key, window);
    shortcut->setContext(Qt::ApplicationShortcut);  // also while the Plant panel has the focus
    return shortcut;
}

}  // namespace

void THaupt::BuildCaptureMenu() {
    askSaveFileName = [this](const QString& caption, const QString& name, const QString& filter) {
        LoseFinger();
        return QFileDialog::getSaveFileName(this, caption, name, filter);
    };
    showError = [this](const QString& message) {
        QMessageBox::warning(this, QString::fromUtf8(kApplicationTitle), message);
    };

    popupMenu->addSeparator();
    mnuSaveScreenshot =
        popupMenu->addAction(QStringLiteral("Save screenshot...\tF12"), this, &THaupt::mnuSaveScreenshotClick);
    mnuCopyScreenshot = popupMenu->addAction(QStringLiteral("Copy screenshot"), this, &THaupt::mnuCopyScreenshotClick);
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

QImage THaupt::Screenshot(bool zoomed) {
    if (zoomed) {
        const Canvas& canvas = host_.GetCanvas();
        return QImage(reinterpret_cast<const uchar*>(canvas.Pixels()), canvas.Width(), canvas.Height(),
                      static_cast<qsizetype>(canvas.Stride()) * 4, QImage::Format_RGB32)
            .copy();
    }
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_RGB32);
    const Rgb565* mirror = host_.Mirror();
    for (int y = 0; y < kScreenHeight; ++y) {
        for (int x = 0; x < kScreenWidth; ++x) {
            const RgbTriple c = Rgb565ToRgb(mirror[FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y))]);
            image.setPixel(x, y, qRgb(c.red, c.green, c.blue));
        }
    }
    return image;
}

bool THaupt::SaveScreenshot(bool zoomed) {
    const QString path = askSaveFileName(QStringLiteral("Save screenshot"), QStringLiteral("screenshot.png"),
                                         QStringLiteral("PNG images (*.png)"));
    if (path.isEmpty()) return false;
    const QImage image = Screenshot(zoomed);
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            rgb[static_cast<std::size_t>(y) * image.width() + x] = row[x] & 0xFFFFFFu;
    }
    std::string error;
    if (!WritePng(path.toStdString(), image.width(), image.height(), rgb, error)) {
        showError(QString::fromStdString(error));
        return false;
    }
    return true;
}

void THaupt::mnuSaveScreenshotClick() {
    // Shift with the menu item saves at the current zoom, as Shift+F12 does.
    SaveScreenshot(QApplication::keyboardModifiers().testFlag(Qt::ShiftModifier));
}

void THaupt::mnuSaveZoomedScreenshotClick() { SaveScreenshot(true); }

void THaupt::mnuCopyScreenshotClick() { QApplication::clipboard()->setImage(Screenshot(false)); }

bool THaupt::RecordingAnimation() const { return animation_ && animation_->Recording(); }

void THaupt::mnuRecordAnimationClick() {
    if (!animation_) animation_ = std::make_unique<GifRecorder>();
    std::string error;
    if (animation_->Recording()) {
        if (!animation_->Stop(animationTicks_ * kTickMilliseconds, error)) showError(QString::fromStdString(error));
    } else {
        const QString path = askSaveFileName(QStringLiteral("Record animation"), QStringLiteral("animation.gif"),
                                             QStringLiteral("GIF animations (*.gif)"));
        if (!path.isEmpty()) {
            if (animation_->Start(path.toStdString(), error)) {
                animation_->Frame(host_.Mirror(), animationTicks_ * kTickMilliseconds);
            } else {
                showError(QString::fromStdString(error));
            }
        }
    }
    mnuRecordAnimation->setChecked(animation_->Recording());
    mnuRecordAnimation->setText(animation_->Recording() ? QStringLiteral("Stop animation\tF11")
                                                        : QStringLiteral("Record animation\tF11"));
}

void THaupt::FinishAnimation() {
    std::string error;
    if (RecordingAnimation()) animation_->Stop(animationTicks_ * kTickMilliseconds, error);
}

// A recording begins where every runner script begins: at a fresh start of
// the panel, so that the script plays back to the same screen.
void THaupt::RestartPanel() {
    LoseFinger();
    plant_.Reset();
    ResetFirmwareState();
    host_.Start();
    SelectZoom(host_.Zoom());
    FormPaint();
}

void THaupt::mnuRecordTouchesClick() {
    if (!touchRecorder_.Recording()) {
        RestartPanel();
        touchRecorder_.Start(clockTap_.last, plant_);
        mnuRecordTouches->setText(QStringLiteral("Stop recording\tF3"));
        return;
    }
    const std::string script = touchRecorder_.Finish();
    mnuRecordTouches->setText(QStringLiteral("Record touches\tF3"));
    const QString path = askSaveFileName(QStringLiteral("Save the recorded touches"), QStringLiteral("touches.txt"),
                                         QStringLiteral("Runner scripts (*.txt);;All files (*)"));
    if (path.isEmpty()) return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(script.data(), static_cast<qint64>(script.size())) != static_cast<qint64>(script.size()) ||
        !file.commit()) {
        showError(path + QStringLiteral(": cannot write: ") + file.errorString());
    }
}

void THaupt::CaptureBeforeTick() { touchRecorder_.BeforeTick(plant_); }

void THaupt::CaptureAfterTick() {
    ++animationTicks_;
    if (RecordingAnimation()) animation_->Frame(host_.Mirror(), animationTicks_ * kTickMilliseconds, host_.Damage());
    touchRecorder_.AfterTick(clockTap_.last, plant_);
}
