#include "host/window/Inspector.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "host/core/Scene.h"
#include "host/plant/PlantModel.h"
#include "host/window/PanelControls.h"
#include "panel/gfx/Colour.h"

namespace {

struct Series {
    const char* name;
    QColor colour;
};
// Ring fill, LCD-queue fill and the two estimates, each as a share of what it
// is measured against.
const Series kSeries[] = {
    {"ring", QColor(0x1f, 0x77, 0xb4)},
    {"LCD queue", QColor(0xff, 0x7f, 0x0e)},
    {"work estimate", QColor(0x2c, 0xa0, 0x2c)},
    {"queue estimate", QColor(0x94, 0x67, 0xbd)},
};

double Share(const EngineTick& t, int series) {
    double share = 0;
    switch (series) {
        case 0: share = static_cast<double>(t.ringUsed) / EngineMonitor::kRingCapacity; break;
        case 1: share = static_cast<double>(t.lcdUsed) / EngineMonitor::kQueueCapacity; break;
        case 2: share = static_cast<double>(t.workEstimate) / EngineMonitor::kWorkBudget; break;
        default: share = t.queueBudget > 0 ? static_cast<double>(t.queueEstimate) / t.queueBudget : 0; break;
    }
    return std::clamp(share, 0.0, 1.0);
}

QString Html(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

QString DescribeElement(const SceneElement& e) {
    static const char* const kKinds[] = {"text", "picture", "field", "frame", "lines"};
    QString text = QString::fromLatin1(kKinds[static_cast<int>(e.kind)]);
    if (e.kind == SceneKind::Text) text += QStringLiteral(" \u201C") + Html(e.text) + QStringLiteral("\u201D");
    if (!e.name.empty()) text += QStringLiteral(" (") + Html(e.name) + QStringLiteral(")");
    return text + QStringLiteral(" at %1, %2, %3 x %4").arg(e.box.x).arg(e.box.y).arg(e.box.width).arg(e.box.height);
}

}  // namespace

// The last seconds of the engine: one pixel column per tick, the newest on
// the right. Above, the four shares from 0 to 100 %, a red mark where a step
// did not fit its budget and a grey band while a long operation is in
// progress; below, the commands executed per tick, and in red the commands
// refused for lack of room.
class EngineChart final : public QWidget {
public:
    explicit EngineChart(const EngineMonitor& monitor) : monitor_(monitor) {
        setMinimumSize(TInspector::kChartTicks / 2, 150);
    }
    QSize sizeHint() const override { return {TInspector::kChartTicks + 2, 190}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        const QRect all = rect().adjusted(1, 16, -1, -1);
        const QRect shares(all.left(), all.top(), all.width(), all.height() - 30);
        const QRect commands(all.left(), shares.bottom() + 6, all.width(), all.bottom() - shares.bottom() - 6);
        // The legend.
        painter.setFont(QFont(font().family(), 8));
        int x = 2;
        for (const Series& s : kSeries) {
            painter.setPen(s.colour);
            painter.drawText(x, 12, QString::fromLatin1(s.name));
            x += painter.fontMetrics().horizontalAdvance(QString::fromLatin1(s.name)) + 10;
        }
        painter.setPen(Qt::darkGray);
        painter.drawText(x, 12, QStringLiteral("commands"));
        x += painter.fontMetrics().horizontalAdvance(QStringLiteral("commands")) + 10;
        painter.setPen(Qt::red);
        painter.drawText(x, 12, QStringLiteral("refused, budget stop"));

        painter.setPen(QColor(230, 230, 230));
        for (int quarter = 0; quarter <= 4; ++quarter) {
            const int y = shares.bottom() - shares.height() * quarter / 4;
            painter.drawLine(shares.left(), y, shares.right(), y);
        }
        const std::deque<EngineTick>& history = monitor_.History();
        if (history.empty()) return;
        const double step = static_cast<double>(all.width()) / TInspector::kChartTicks;
        const double right = all.right() + 1;
        const auto columnX = [&](std::size_t i) { return right - step * static_cast<double>(history.size() - i); };
        int most = 1;
        for (const EngineTick& t : history) most = std::max(most, t.commands + t.refused);
        for (std::size_t i = 0; i < history.size(); ++i) {
            const EngineTick& t = history[i];
            const double cx = columnX(i);
            if (t.longOpcode != kNoOpcode) painter.fillRect(QRectF(cx, shares.bottom() - 3, step, 3), Qt::lightGray);
            if (t.budgetStop) painter.fillRect(QRectF(cx, shares.top(), step, 3), Qt::red);
            const double h = static_cast<double>(commands.height());
            const double executed = h * t.commands / most;
            const double refused = h * t.refused / most;
            painter.fillRect(QRectF(cx, commands.bottom() + 1 - executed, step, executed), Qt::darkGray);
            painter.fillRect(QRectF(cx, commands.bottom() + 1 - executed - refused, step, refused), Qt::red);
        }
        painter.setRenderHint(QPainter::Antialiasing);
        for (int s = 0; s < 4; ++s) {
            QPainterPath path;
            for (std::size_t i = 0; i < history.size(); ++i) {
                const QPointF p(columnX(i) + step / 2, shares.bottom() - Share(history[i], s) * shares.height());
                if (i == 0) {
                    path.moveTo(p);
                } else {
                    path.lineTo(p);
                }
            }
            painter.setPen(QPen(kSeries[s].colour, 1.5));
            painter.drawPath(path);
        }
    }

private:
    const EngineMonitor& monitor_;
};

// Over the panel, never taking the mouse: the areas repainted in the last
// ticks, tinted and fading, and a frame around the probed pixel.
class PaintFlashing final : public QWidget {
public:
    explicit PaintFlashing(QWidget& display) : QWidget(&display) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

    bool flashing = false;

    void Tick(const std::vector<DirtyRect>& repainted, int zoom) {
        QRegion changed;
        for (Flash& f : flashes_) {
            ++f.age;
            changed += f.area;
        }
        std::erase_if(flashes_, [](const Flash& f) { return f.age >= TInspector::kFlashTicks; });
        if (flashing) {
            for (const DirtyRect& r : repainted) {
                const QRect area(r.x0 * zoom, r.y0 * zoom, (r.x1 - r.x0) * zoom, (r.y1 - r.y0) * zoom);
                flashes_.push_back({area, 0});
                changed += area;
            }
        }
        if (!changed.isEmpty()) update(changed);
    }

    void Clear() {
        flashes_.clear();
        update();
    }

    void Probe(QRect pixel) {
        if (pixel == probed_) return;
        update(probed_.adjusted(-1, -1, 1, 1));
        probed_ = pixel;
        update(probed_.adjusted(-1, -1, 1, 1));
    }

    std::vector<QRect> Areas() const {
        std::vector<QRect> areas;
        for (const Flash& f : flashes_) areas.push_back(f.area);
        return areas;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (const Flash& f : flashes_) {
            const int alpha = 150 * (TInspector::kFlashTicks - f.age) / TInspector::kFlashTicks;
            painter.fillRect(f.area, QColor(255, 0, 200, alpha / 2));
            painter.setPen(QColor(255, 0, 200, alpha));
            painter.drawRect(f.area.adjusted(0, 0, -1, -1));
        }
        if (probed_.isValid()) {
            painter.setPen(QPen(Qt::cyan, 1));
            painter.drawRect(probed_.adjusted(-1, -1, 0, 0));
        }
    }

private:
    struct Flash {
        QRect area;
        int age;
    };
    std::vector<Flash> flashes_;
    QRect probed_;
};

TInspector::TInspector(QMainWindow& window, QWidget& display, QMenu& menu, QAction* after, PanelControls& panel)
    : QDockWidget(QStringLiteral("Inspector"), &window),
      window_(window),
      display_(display),
      controls_(panel),
      monitor_(panel.host) {
    setObjectName(QStringLiteral("Inspector"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);
    hide();
    setFloating(true);

    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    figures_ = new QLabel;
    figures_->setObjectName(QStringLiteral("figures"));
    figures_->setTextFormat(Qt::RichText);
    column->addWidget(figures_);
    chart_ = new EngineChart(monitor_);
    column->addWidget(chart_, 1);

    auto* controls = new QHBoxLayout;
    chkPaintFlashing = new QCheckBox(QStringLiteral("Paint flashing"));
    btnPause = new QPushButton(QStringLiteral("Pause (F8)"));
    btnStep = new QPushButton(QStringLiteral("Step (F7)"));
    spnSteps = new QSpinBox;
    spnSteps->setRange(1, 100000);
    spnSteps->setValue(10);
    spnSteps->setSuffix(QStringLiteral(" ticks"));
    btnStepN = new QPushButton(QStringLiteral("Step"));
    btnStepN->setToolTip(QStringLiteral("Runs that many ticks at the timer's pace, then pauses"));
    for (QWidget* w : std::initializer_list<QWidget*>{chkPaintFlashing, btnPause, btnStep, spnSteps, btnStepN})
        controls->addWidget(w);
    controls->addStretch(1);
    column->addLayout(controls);

    probe_ = new QLabel(QStringLiteral("Move the mouse over the panel to probe a pixel."));
    probe_->setObjectName(QStringLiteral("probe"));
    probe_->setTextFormat(Qt::RichText);
    probe_->setWordWrap(true);
    probe_->setMinimumHeight(probe_->fontMetrics().lineSpacing() * 3);
    column->addWidget(probe_);
    setWidget(body);

    flashing_ = new PaintFlashing(display_);
    flashing_->hide();
    connect(chkPaintFlashing, &QCheckBox::toggled, this, [this](bool on) {
        flashing_->flashing = on;
        if (!on) flashing_->Clear();
    });
    connect(btnPause, &QPushButton::clicked, this, &TInspector::btnPauseClick);
    connect(btnStep, &QPushButton::clicked, this, &TInspector::btnStepClick);
    connect(btnStepN, &QPushButton::clicked, this, &TInspector::btnStepNClick);
    stepTimer_ = new QTimer(this);
    stepTimer_->setTimerType(Qt::PreciseTimer);
    stepTimer_->setInterval(kTickMilliseconds);
    connect(stepTimer_, &QTimer::timeout, this, [this] { StepTimerTimeout(); });
    // Only while the inspector is shown.
    connect(new QShortcut(QKeySequence(Qt::Key_F8), this, nullptr, nullptr, Qt::ApplicationShortcut),
            &QShortcut::activated, this, &TInspector::btnPauseClick);
    connect(new QShortcut(QKeySequence(Qt::Key_F7), this, nullptr, nullptr, Qt::ApplicationShortcut),
            &QShortcut::activated, this, &TInspector::btnStepClick);

    // Beside the Plant panel's item: the menu's other items keep their places.
    mnuInspector = new QAction(QStringLiteral("Inspector\tF9"), this);
    mnuInspector->setCheckable(true);
    connect(mnuInspector, &QAction::triggered, this, &TInspector::mnuInspectorClick);
    const QList<QAction*> items = menu.actions();
    const qsizetype plant = items.indexOf(after);
    menu.insertAction(plant >= 0 && plant + 1 < items.size() ? items[plant + 1] : nullptr, mnuInspector);
    auto* key = new QShortcut(QKeySequence(Qt::Key_F9), &window_);
    key->setContext(Qt::ApplicationShortcut);
    connect(key, &QShortcut::activated, this, &TInspector::mnuInspectorClick);
    connect(this, &QDockWidget::visibilityChanged, mnuInspector, &QAction::setChecked);

    monitor_.SetTickEndHook([this] { AfterTick(); });
    window_.installEventFilter(this);
    hide();
}

TInspector::~TInspector() {
    window_.removeEventFilter(this);
    monitor_.SetTickEndHook(nullptr);
}

void TInspector::mnuInspectorClick() {
    if (isVisible()) {
        hide();
        return;
    }
    // Below the window, as far as the screen allows.
    const QSize size = sizeHint();
    resize(size);
    if (QScreen* screen = window_.screen()) {
        const QRect area = screen->availableGeometry();
        QPoint at = window_.frameGeometry().bottomLeft() + QPoint(0, 8);
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - size.width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - size.height())));
        move(at);
    }
    show();
}

void TInspector::showEvent(QShowEvent* event) {
    if (flashing_ == nullptr) return QDockWidget::showEvent(event);  // still being built
    monitor_.RecordFigures(true, kChartTicks);
    monitor_.RecordOwners(true);
    flashing_->setGeometry(0, 0, controls_.host.GetCanvas().Width(), controls_.host.GetCanvas().Height());
    flashing_->show();
    flashing_->raise();
    ShowFigures();
    QDockWidget::showEvent(event);
}

// Hidden, the inspector leaves nothing behind: the engine runs unwatched and
// the timer runs on.
void TInspector::hideEvent(QHideEvent* event) {
    if (flashing_ == nullptr) return QDockWidget::hideEvent(event);
    SetPaused(false);
    monitor_.RecordFigures(false);
    monitor_.RecordOwners(false);
    flashing_->Clear();
    flashing_->hide();
    probed_ = {-1, -1};
    QDockWidget::hideEvent(event);
}

void TInspector::SetPaused(bool paused) {
    paused_ = paused;
    btnPause->setText(paused ? QStringLiteral("Resume (F8)") : QStringLiteral("Pause (F8)"));
    stepsLeft_ = 0;
    stepTimer_->stop();
    if (paused) {
        controls_.timer.stop();
    } else if (!controls_.timer.isActive() && controls_.host.TimerEnabled()) {
        controls_.timer.start();
    }
    ShowFigures();
}

void TInspector::btnPauseClick() {
    if (!isVisible()) return;
    SetPaused(!paused_);
}

void TInspector::btnStepClick() {
    if (!isVisible()) return;
    // A step stops a step of N ticks that still runs.
    SetPaused(true);
    controls_.tick();
}

void TInspector::btnStepNClick() {
    if (!isVisible()) return;
    SetPaused(true);
    stepsLeft_ = spnSteps->value();
    stepTimer_->start();
}

void TInspector::StepTimerTimeout() {
    if (stepsLeft_ <= 0) {
        stepTimer_->stop();
        return;
    }
    --stepsLeft_;
    controls_.tick();
    if (stepsLeft_ == 0) {
        stepTimer_->stop();
        ShowFigures();
    }
}

void TInspector::AfterTick() {
    const Canvas& canvas = controls_.host.GetCanvas();
    if (flashing_->width() != canvas.Width() || flashing_->height() != canvas.Height()) {
        flashing_->setGeometry(0, 0, canvas.Width(), canvas.Height());
    }
    flashing_->Tick(controls_.host.Damage(), controls_.host.Zoom());
    chart_->update();
    // Figures people can read: not every tick while running.
    if (++ticksSinceFigures_ >= 5 || Paused()) ShowFigures();
    if (probed_.x() >= 0) probe_->setText(Probe(probed_.x(), probed_.y()));
}

void TInspector::ShowFigures() {
    ticksSinceFigures_ = 0;
    const EngineTick& t = monitor_.Last();
    const auto row = [](const QString& name, const QString& value) {
        return QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>").arg(name, value);
    };
    QString html = QStringLiteral("<table cellspacing=0>");
    html += row(QStringLiteral("Page"), Html(PageName(t.page)) + QStringLiteral(" (%1)").arg(t.page));
    html += row(QStringLiteral("Tick"), QString::number(t.tick) + (Paused() ? QStringLiteral(", paused") : QString()));
    html += row(QStringLiteral("Ring"), QStringLiteral("%1 of %2 bytes when the run began, %3 left")
                                            .arg(t.ringUsed)
                                            .arg(EngineMonitor::kRingCapacity)
                                            .arg(t.ringLeft));
    html += row(QStringLiteral("LCD queue"),
                QStringLiteral("%1 of %2 entries").arg(t.lcdUsed).arg(EngineMonitor::kQueueCapacity));
    html += row(QStringLiteral("Work estimate"),
                QStringLiteral("%1 of %2 (the largest step)").arg(t.workEstimate).arg(EngineMonitor::kWorkBudget));
    html +=
        row(QStringLiteral("Queue estimate"), QStringLiteral("%1 of %2 (the largest step, against the room it found)")
                                                  .arg(t.queueEstimate)
                                                  .arg(t.queueBudget));
    html += row(QStringLiteral("Commands"), QStringLiteral("%1 executed in %2 steps; %3 refused for lack of room")
                                                .arg(t.commands)
                                                .arg(t.steps)
                                                .arg(t.refused));
    html += row(QStringLiteral("Long operation"),
                t.longOpcode == kNoOpcode
                    ? QStringLiteral("none")
                    : Html(OpcodeName(t.longOpcode)) + QStringLiteral(" in phase %1").arg(t.longPhase));
    html += row(QStringLiteral("Run ended"),
                t.budgetStop ? QStringLiteral("on a budget") : QStringLiteral("with all drawn"));
    figures_->setText(html + QStringLiteral("</table>"));
}

QString TInspector::Probe(int x, int y) const {
    if (x < 0 || y < 0 || x >= kScreenWidth || y >= kScreenHeight) return {};
    const Rgb565 pixel = controls_.host.Mirror()[FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y))];
    QString text = QStringLiteral("<b>Pixel %1, %2</b>: 0x%3 (%4)")
                       .arg(x)
                       .arg(y)
                       .arg(pixel, 4, 16, QLatin1Char('0'))
                       .arg(QString::fromStdString(HexColour(pixel)));
    const DrawnCommand* command = monitor_.DrawnAt(x, y);
    text += QStringLiteral("<br><b>Drawn by</b> ");
    text += command != nullptr
                ? Html(DescribeCommand(command->bytes)) + QStringLiteral(" in tick %1").arg(command->tick)
                : QStringLiteral("a command before the inspector opened");
    const std::vector<SceneElement>& elements = controls_.host.GetScene().Elements();
    const auto element = std::find_if(elements.rbegin(), elements.rend(),
                                      [x, y](const SceneElement& e) { return e.box.Contains(x, y); });
    text += QStringLiteral("<br><b>Element</b> ");
    text += element != elements.rend() ? DescribeElement(*element) : QStringLiteral("none");
    return text;
}

std::vector<QRect> TInspector::Flashes() const { return flashing_->Areas(); }

bool TInspector::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_ || !isVisible()) return QDockWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseMove: {
            const QPoint client = display_.mapFrom(&window_, static_cast<QMouseEvent*>(event)->position().toPoint());
            const int zoom = controls_.host.Zoom();
            const QPoint at(client.x() / zoom, client.y() / zoom);
            if (client.x() >= 0 && client.y() >= 0 && at.x() < kScreenWidth && at.y() < kScreenHeight) {
                probed_ = at;
                probe_->setText(Probe(at.x(), at.y()));
                flashing_->Probe(QRect(at.x() * zoom, at.y() * zoom, zoom, zoom));
            }
            break;
        }
        case QEvent::Close:
            // A close runs its countdown on the timer: a paused panel resumes.
            SetPaused(false);
            break;
        default: break;
    }
    return QDockWidget::eventFilter(watched, event);
}
