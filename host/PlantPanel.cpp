#include "host/PlantPanel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"

namespace {

constexpr int kRefreshMilliseconds = 200;
constexpr int kFaultCodes = 51;

int EntryOf(const char* name) { return PlantModel::Find(name).value_or(-1); }

const PlantEntry& EntryAt(int entry) { return PlantModel::Entries()[static_cast<std::size_t>(entry)]; }

bool IsSensorFlag(int entry) {
    for (const PlantEntry& e : PlantModel::Entries()) {
        if (e.absentFlag != nullptr && std::strcmp(e.absentFlag, EntryAt(entry).name) == 0) return true;
    }
    return false;
}

QString Utf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

}  // namespace

PlantPanel::PlantPanel(PlantModel& model, QWidget* parent)
    : QDockWidget(QStringLiteral("Plant"), parent), model_(model) {
    setObjectName(QStringLiteral("PlantPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);
    setFloating(true);

    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);

    pageLabel_ = new QLabel;
    pageLabel_->setObjectName(QStringLiteral("pageLabel"));
    clockLabel_ = new QLabel;
    clockLabel_->setObjectName(QStringLiteral("clockLabel"));
    auto* where = new QFormLayout;
    where->addRow(QStringLiteral("Page"), pageLabel_);
    where->addRow(QStringLiteral("Clock"), clockLabel_);
    column->addLayout(where);

    column->addWidget(BuildTemperatures());
    column->addWidget(BuildGroup("Pump and flow", {"pump.speed", "pump.lock", "flow", "flow.faulty", "solar.output"}));
    column->addWidget(BuildGroup("Status and flags", {"status", "frost", "icon.flame", "icon.clock", "tank1.full",
                                                      "tank2.full", "tank2.row", "extra.offered", "dialog"}));
    column->addWidget(BuildFault());
    column->addWidget(BuildGroup("Commissioning", {"commissioning.possible", "commissioning.step", "commissioning.vent",
                                                   "commissioning.hold", "commissioning.counter"}));

    auto* reset = new QPushButton(QStringLiteral("Reset to start values"));
    reset->setObjectName(QStringLiteral("resetButton"));
    connect(reset, &QPushButton::clicked, this, &PlantPanel::ResetToStartValues);
    column->addWidget(reset);
    column->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll_ = scroll;
    scroll->setWidget(body);
    scroll->setWidgetResizable(true);
    scroll->setMinimumWidth(body->sizeHint().width() + 24);
    setWidget(scroll);
    resize(body->sizeHint().width() + 30, 620);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(kRefreshMilliseconds);
    connect(refreshTimer_, &QTimer::timeout, this, &PlantPanel::Refresh);
    refreshTimer_->start();
    Refresh();
}

QCheckBox* PlantPanel::FlagCheck(int flagEntry, bool& inverted) {
    const PlantEntry& flag = EntryAt(flagEntry);
    // Fitted sensors start "present"; the panel asks the other way round, as
    // for every other sensor: is it absent?
    inverted = flag.start == 1;
    const bool faulty = std::strstr(flag.name, ".faulty") != nullptr;
    auto* check = new QCheckBox(faulty ? QStringLiteral("sensor faulty") : QStringLiteral("sensor absent"));
    check->setToolTip(QString::fromUtf8(flag.description));
    check->setObjectName(QString::fromUtf8(flag.name));
    return check;
}

void PlantPanel::AddControl(QFormLayout* form, int entry) {
    const PlantEntry& e = EntryAt(entry);
    Control c;
    c.entry = entry;
    QWidget* field = nullptr;
    switch (e.type) {
        case PlantType::Temperature:
        case PlantType::Tenths: {
            c.decimal = new QDoubleSpinBox;
            c.decimal->setDecimals(1);
            c.decimal->setSingleStep(0.5);
            c.decimal->setRange(static_cast<double>(e.minimum) / 10.0, static_cast<double>(e.maximum) / 10.0);
            c.decimal->setSuffix(e.type == PlantType::Temperature ? QStringLiteral(" \u00B0C")
                                                                  : QStringLiteral(" l/min"));
            c.decimal->setKeyboardTracking(false);
            field = c.decimal;
            connect(c.decimal, &QDoubleSpinBox::valueChanged, this, [this, c] { Changed(c); });
            break;
        }
        case PlantType::Flag:
            c.check = new QCheckBox;
            field = c.check;
            connect(c.check, &QCheckBox::toggled, this, [this, c] { Changed(c); });
            break;
        case PlantType::Status:
            c.list = statusList_ = new QComboBox;
            field = c.list;
            connect(c.list, &QComboBox::activated, this, [this, c] { Changed(c); });
            break;
        default:
            c.number = new QSpinBox;
            c.number->setRange(static_cast<int>(e.minimum),
                               static_cast<int>(std::min<std::int64_t>(e.maximum, INT_MAX)));
            c.number->setKeyboardTracking(false);
            field = c.number;
            connect(c.number, &QSpinBox::valueChanged, this, [this, c] { Changed(c); });
            break;
    }
    field->setObjectName(QString::fromUtf8(e.name));
    field->setFocusPolicy(Qt::StrongFocus);
    field->installEventFilter(this);
    field->setToolTip(QString::fromUtf8(e.description));
    controls_.push_back(c);
    auto* row = new QHBoxLayout;
    field->setMinimumWidth(110);
    row->addWidget(field);
    if (e.absentFlag == nullptr) {
        row->addStretch(1);
        form->addRow(QString::fromUtf8(e.name), row);
        return;
    }
    Control flag;
    flag.entry = EntryOf(e.absentFlag);
    flag.check = FlagCheck(flag.entry, flag.inverted);
    connect(flag.check, &QCheckBox::toggled, this, [this, flag] { Changed(flag); });
    controls_.push_back(flag);
    row->addWidget(flag.check);
    row->addStretch(1);
    form->addRow(QString::fromUtf8(e.name), row);
}

QWidget* PlantPanel::BuildTemperatures() {
    auto* group = new QGroupBox(QStringLiteral("Temperatures"));
    auto* form = new QFormLayout(group);
    const auto entries = PlantModel::Entries();
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        if (entries[i].type == PlantType::Temperature) AddControl(form, i);
    }
    return group;
}

QWidget* PlantPanel::BuildGroup(const char* title, const std::vector<const char*>& names) {
    auto* group = new QGroupBox(QString::fromUtf8(title));
    auto* form = new QFormLayout(group);
    for (const char* name : names) {
        const int entry = EntryOf(name);
        if (entry >= 0 && !IsSensorFlag(entry)) AddControl(form, entry);
    }
    return group;
}

QWidget* PlantPanel::BuildFault() {
    auto* group = new QGroupBox(QStringLiteral("Fault"));
    auto* column = new QVBoxLayout(group);
    faultLabel_ = new QLabel;
    faultLabel_->setObjectName(QStringLiteral("faultLabel"));
    faultList_ = new QComboBox;
    faultList_->setObjectName(QStringLiteral("faultList"));
    auto* raise = new QPushButton(QStringLiteral("Raise"));
    raise->setObjectName(QStringLiteral("raiseButton"));
    auto* clear = new QPushButton(QStringLiteral("Clear"));
    clear->setObjectName(QStringLiteral("clearButton"));
    auto* history = new QPushButton(QStringLiteral("Add to history"));
    history->setObjectName(QStringLiteral("historyButton"));
    history->setToolTip(QStringLiteral("A fault-history entry for the chosen code, now, with the current readings"));
    connect(raise, &QPushButton::clicked, this, [this] { RaiseFault(faultList_->currentIndex()); });
    connect(clear, &QPushButton::clicked, this, &PlantPanel::ClearFault);
    connect(history, &QPushButton::clicked, this, [this] {
        if (faultList_->currentIndex() > 0)
            PlantModel::AddHistory(static_cast<std::uint8_t>(faultList_->currentIndex()), PanelClockTime());
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(raise);
    buttons->addWidget(clear);
    buttons->addWidget(history);
    column->addWidget(faultLabel_);
    column->addWidget(faultList_);
    column->addLayout(buttons);
    return group;
}

// A wheel turned while scrolling through the panel must not change the value
// that happens to pass under the pointer: only a field that has the focus
// takes the wheel; otherwise the panel scrolls.
bool PlantPanel::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Wheel && field != nullptr && !field->hasFocus()) {
        QCoreApplication::sendEvent(scroll_->verticalScrollBar(), event);
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}

void PlantPanel::Changed(const Control& c) {
    PlantValue v;
    v.entry = c.entry;
    if (c.decimal != nullptr) {
        v.value = static_cast<std::int64_t>(std::llround(c.decimal->value() * 10.0));
    }
    if (c.check != nullptr) v.value = (c.check->isChecked() != c.inverted) ? 1 : 0;
    if (c.number != nullptr) v.value = c.number->value();
    if (c.list != nullptr) v.value = c.list->currentIndex();
    model_.Set(v);
}

void PlantPanel::RaiseFault(int code) {
    if (code < 0 || code >= kFaultCodes) return;
    model_.Set({EntryOf("fault"), code, false});
    Refresh();
}

void PlantPanel::ClearFault() { RaiseFault(0); }

void PlantPanel::ResetToStartValues() {
    model_.Reset();
    Refresh();
}

// The lists speak the panel's current language, as its pages do.
void PlantPanel::FillTexts() {
    const int language = Settings.language;
    if (language == textLanguage_) return;
    textLanguage_ = language;
    const QSignalBlocker blockStatus(statusList_);
    const int status = statusList_->currentIndex();
    statusList_->clear();
    for (int s = 0; s < 10; ++s) {
        statusList_->addItem(QStringLiteral("%1 %2").arg(s).arg(
            Utf8(StatusText(static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(language)))));
    }
    statusList_->setCurrentIndex(status);
    const QSignalBlocker blockFault(faultList_);
    const int code = faultList_->currentIndex();
    faultList_->clear();
    for (int f = 0; f < kFaultCodes; ++f) {
        faultList_->addItem(
            QStringLiteral("%1 %2")
                .arg(f, 2, 10, QLatin1Char('0'))
                .arg(Utf8(FaultCodeText(static_cast<std::uint8_t>(f), static_cast<std::uint8_t>(language)))));
    }
    faultList_->setCurrentIndex(code < 0 ? 0 : code);
}

void PlantPanel::Refresh() {
    FillTexts();
    const std::uint8_t page = AppState.currentPage;
    pageLabel_->setText(QStringLiteral("%1 %2").arg(page).arg(QString::fromUtf8(PageName(page))));
    clockLabel_->setText(QString::fromStdString(FormatWallTime(PanelClockTime())));
    const int fault = static_cast<int>(model_.Get(EntryOf("fault")));
    faultLabel_->setText(QStringLiteral("Current: %1 %2")
                             .arg(fault)
                             .arg(Utf8(FaultCodeText(static_cast<std::uint8_t>(fault), Settings.language))));
    // The list follows a fault raised elsewhere, but not while one is chosen.
    if (fault != faultShown_) {
        faultShown_ = fault;
        if (fault != 0) faultList_->setCurrentIndex(fault);
    }
    for (const Control& c : controls_) {
        const std::int64_t v = model_.Get(c.entry);
        // The field being typed into keeps what the user typed.
        if (c.decimal != nullptr && !c.decimal->hasFocus()) {
            const QSignalBlocker block(c.decimal);
            c.decimal->setValue(static_cast<double>(v) / 10.0);
        }
        if (c.number != nullptr && !c.number->hasFocus()) {
            const QSignalBlocker block(c.number);
            c.number->setValue(static_cast<int>(std::min<std::int64_t>(v, INT_MAX)));
        }
        if (c.check != nullptr) {
            const QSignalBlocker block(c.check);
            c.check->setChecked((v != 0) != c.inverted);
        }
        if (c.list != nullptr && !c.list->view()->isVisible()) {
            const QSignalBlocker block(c.list);
            c.list->setCurrentIndex(static_cast<int>(v));
        }
    }
}
