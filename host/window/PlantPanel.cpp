#include "host/window/PlantPanel.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
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
#include <sstream>

#include "panel/app/AppState.h"
#include "panel/settings/Settings.h"

namespace {

constexpr int kRefreshMilliseconds = 200;
constexpr int kFaultCodes = 51;
constexpr int kStatuses = 10;
constexpr char kTimeFormat[] = "yyyy-MM-dd HH:mm:ss";

int EntryOf(const char* name) { return PlantModel::Find(name).value_or(-1); }

const PlantEntry& EntryAt(int entry) { return PlantModel::Entries()[static_cast<std::size_t>(entry)]; }

QString Utf8(const std::string& text) { return QString::fromUtf8(text.c_str()); }

QString Said(PlantWord word) { return Utf8(PlantWordText(word, Settings.language)); }

QDateTime ToDateTime(const WallTime& t) {
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

std::string TimeText(const QDateTimeEdit* edit) {
    return edit->dateTime().toString(QString::fromLatin1(kTimeFormat)).toStdString();
}

std::string Tenths(std::int64_t value) {
    char text[32];
    const std::int64_t magnitude = value < 0 ? -value : value;
    std::snprintf(text, sizeof text, "%s%lld.%lld", value < 0 ? "-" : "", static_cast<long long>(magnitude / 10),
                  static_cast<long long>(magnitude % 10));
    return text;
}

QDateTimeEdit* TimeEdit() {
    auto* edit = new QDateTimeEdit;
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    edit->setMinimumDate(QDate(2000, 1, 1));
    edit->setMaximumDate(QDate(2099, 12, 31));
    edit->setTimeSpec(Qt::UTC);  // a plain wall time: no daylight-saving gaps
    return edit;
}

// A list as wide as its longest entry, in whatever language it is filled.
QComboBox* WideList() {
    auto* list = new QComboBox;
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return list;
}

void FitListToEntries(QComboBox* list) {
    list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) +
                                  list->view()->verticalScrollBar()->sizeHint().width() + 8);
    list->updateGeometry();
}

}  // namespace

PlantPanel::PlantPanel(PlantModel& model, Run run, QWidget* parent)
    : QDockWidget(QStringLiteral("Plant"), parent), model_(model), run_(std::move(run)) {
    setObjectName(QStringLiteral("PlantPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable | QDockWidget::DockWidgetMovable);

    // What a trainer reaches for most comes first: the clock, the prepared
    // situations, the fault and its history; then every value by group.
    auto* body = new QWidget;
    auto* column = new QVBoxLayout(body);
    column->addWidget(BuildPanelRows());
    column->addWidget(BuildPresets());
    for (const PlantGroup& group : PlantGroups()) {
        if (group.title != PlantWord::Fault) continue;
        column->addWidget(BuildFault());
        column->addWidget(BuildHistory());
    }
    for (const PlantGroup& group : PlantGroups()) {
        if (group.title != PlantWord::Fault) column->addWidget(BuildGroup(group));
    }
    column->addStretch(1);

    scroll_ = new QScrollArea;
    scroll_->setWidget(body);
    scroll_->setWidgetResizable(true);
    // Never cut off: a panel narrower than its words scrolls sideways too.
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setWidget(scroll_);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setInterval(kRefreshMilliseconds);
    connect(refreshTimer_, &QTimer::timeout, this, &PlantPanel::Refresh);
    refreshTimer_->start();
    Refresh();
    // As wide as the form wants in the language it opens in.
    scroll_->setMinimumWidth(std::min(body->sizeHint().width(), 300) +
                             scroll_->verticalScrollBar()->sizeHint().width());
    resize(body->sizeHint().width() + scroll_->verticalScrollBar()->sizeHint().width() + 8, 620);
}

void PlantPanel::Word(QObject* widget, Words words) { words_.emplace_back(widget, std::move(words)); }

void PlantPanel::Word(QObject* widget, PlantWord word) {
    Word(widget, [word](Language language) { return PlantWordText(word, language); });
}

// The script name in a value's tip, for those who write scripts, then what
// the value does.
void PlantPanel::Tip(QWidget* widget, int entry) {
    tips_.emplace_back(widget, [entry](Language language) {
        return QString::fromUtf8(EntryAt(entry).name) + QStringLiteral(": ") + Utf8(PlantHelp(entry, language));
    });
}

QGroupBox* PlantPanel::Group(PlantWord title) {
    auto* group = new QGroupBox;
    Word(group, title);
    return group;
}

namespace {

// Labels above their fields where the panel is too narrow for both in a row,
// fields as wide as the panel.
QFormLayout* Form(QWidget* group) {
    auto* form = new QFormLayout(group);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

}  // namespace

QWidget* PlantPanel::BuildPanelRows() {
    auto* rows = new QWidget;
    QFormLayout* form = Form(rows);
    form->setContentsMargins(0, 0, 0, 0);
    pageLabel_ = new QLabel;
    pageLabel_->setObjectName(QStringLiteral("pageLabel"));
    pageLabel_->setWordWrap(true);
    auto* pageWord = new QLabel;
    Word(pageWord, PlantWord::Page);
    form->addRow(pageWord, pageLabel_);

    clockEdit_ = TimeEdit();
    clockEdit_->setObjectName(QStringLiteral("clockEdit"));
    auto* set = new QPushButton;
    set->setObjectName(QStringLiteral("clockButton"));
    Word(set, PlantWord::SetClock);
    connect(set, &QPushButton::clicked, this, &PlantPanel::SetClock);
    auto* row = new QHBoxLayout;
    row->addWidget(clockEdit_, 1);
    row->addWidget(set);
    auto* clockWord = new QLabel;
    Word(clockWord, PlantWord::Clock);
    form->addRow(clockWord, row);
    return rows;
}

QWidget* PlantPanel::BuildPresets() {
    // One above the other: their names are long in some languages, and the
    // panel may be narrow beside a large display.
    QGroupBox* group = Group(PlantWord::Presets);
    auto* column = new QVBoxLayout(group);
    const auto presets = PlantPresets();
    for (int i = 0; i < static_cast<int>(presets.size()); ++i) {
        const PlantPreset& preset = presets[static_cast<std::size_t>(i)];
        auto* button = new QPushButton;
        button->setObjectName(QString::fromLatin1(preset.key));
        Word(button, [&preset](Language language) { return preset.names[language < kLanguageCount ? language : 1]; });
        connect(button, &QPushButton::clicked, this, [this, i] { ApplyPreset(i); });
        column->addWidget(button);
    }
    auto* reset = new QPushButton;
    reset->setObjectName(QStringLiteral("resetButton"));
    Word(reset, PlantWord::ResetToStartValues);
    connect(reset, &QPushButton::clicked, this, &PlantPanel::ResetToStartValues);
    column->addWidget(reset);
    return group;
}

QCheckBox* PlantPanel::FlagCheck(int flagEntry, bool& inverted) {
    const PlantEntry& flag = EntryAt(flagEntry);
    // Fitted sensors start "present"; the panel asks the other way round, as
    // for every other sensor: is it absent?
    inverted = flag.start == 1;
    const bool faulty = std::strstr(flag.name, ".faulty") != nullptr;
    auto* check = new QCheckBox;
    Word(check, faulty ? PlantWord::SensorFaulty : PlantWord::SensorAbsent);
    Tip(check, flagEntry);
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
            c.list = statusList_ = WideList();
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
    Tip(field, entry);
    controls_.push_back(c);
    // A label too long for the row goes above its field, whole.
    auto* label = new QLabel;
    Word(label, [entry](Language language) { return PlantLabel(entry, language); });
    if (e.absentFlag == nullptr) {
        form->addRow(label, field);
        return;
    }
    Control flag;
    flag.entry = EntryOf(e.absentFlag);
    flag.check = FlagCheck(flag.entry, flag.inverted);
    connect(flag.check, &QCheckBox::toggled, this, [this, flag] { Changed(flag); });
    controls_.push_back(flag);
    auto* row = new QHBoxLayout;
    row->addWidget(field, 1);
    row->addWidget(flag.check);
    form->addRow(label, row);
}

QWidget* PlantPanel::BuildGroup(const PlantGroup& group) {
    QGroupBox* box = Group(group.title);
    QFormLayout* form = Form(box);
    for (const char* name : group.names) {
        const int entry = EntryOf(name);
        if (entry >= 0 && !IsSensorFlag(entry)) AddControl(form, entry);
    }
    return box;
}

QWidget* PlantPanel::BuildFault() {
    QGroupBox* group = Group(PlantWord::Fault);
    auto* column = new QVBoxLayout(group);
    faultLabel_ = new QLabel;
    faultLabel_->setObjectName(QStringLiteral("faultLabel"));
    faultLabel_->setWordWrap(true);
    faultList_ = WideList();
    faultList_->setObjectName(QStringLiteral("faultList"));
    auto* raise = new QPushButton;
    raise->setObjectName(QStringLiteral("raiseButton"));
    Word(raise, PlantWord::Raise);
    auto* clear = new QPushButton;
    clear->setObjectName(QStringLiteral("clearButton"));
    Word(clear, PlantWord::Clear);
    connect(raise, &QPushButton::clicked, this, [this] { RaiseFault(faultList_->currentIndex()); });
    connect(clear, &QPushButton::clicked, this, &PlantPanel::ClearFault);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(raise);
    buttons->addWidget(clear);
    column->addWidget(faultLabel_);
    column->addWidget(faultList_);
    column->addLayout(buttons);
    return group;
}

QWidget* PlantPanel::BuildHistory() {
    QGroupBox* group = Group(PlantWord::FaultHistory);
    auto* column = new QVBoxLayout(group);
    historyList_ = new QListWidget;
    historyList_->setObjectName(QStringLiteral("historyList"));
    // One line per entry, cut at the panel's edge; the tip tells it whole.
    historyList_->setTextElideMode(Qt::ElideRight);
    historyList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    historyList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(historyList_);
    historyTime_ = TimeEdit();
    historyTime_->setObjectName(QStringLiteral("historyTime"));
    connect(historyTime_, &QDateTimeEdit::dateTimeChanged, this, [this] { historyTimeEdited_ = true; });
    auto* timeRow = new QFormLayout;
    timeRow->setRowWrapPolicy(QFormLayout::WrapLongRows);
    auto* timeWord = new QLabel;
    Word(timeWord, PlantWord::Time);
    timeRow->addRow(timeWord, historyTime_);
    column->addLayout(timeRow);
    auto* add = new QPushButton;
    add->setObjectName(QStringLiteral("historyButton"));
    tips_.emplace_back(add,
                       [](Language language) { return Utf8(PlantWordText(PlantWord::AddToHistoryTip, language)); });
    Word(add, PlantWord::AddToHistory);
    connect(add, &QPushButton::clicked, this, &PlantPanel::AddToHistory);
    auto* remove = new QPushButton;
    remove->setObjectName(QStringLiteral("historyDeleteButton"));
    Word(remove, PlantWord::DeleteEntry);
    connect(remove, &QPushButton::clicked, this, [this] { DeleteHistoryEntry(historyList_->currentRow()); });
    auto* empty = new QPushButton;
    empty->setObjectName(QStringLiteral("historyClearButton"));
    Word(empty, PlantWord::EmptyHistory);
    connect(empty, &QPushButton::clicked, this, [this] { Send("history clear"); });
    auto* buttons = new QGridLayout;
    buttons->addWidget(add, 0, 0, 1, 2);
    buttons->addWidget(remove, 1, 0);
    buttons->addWidget(empty, 1, 1);
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

void PlantPanel::Send(const std::string& line) {
    std::string error;
    // The lines are the panel's own; one that fails is a fault of ours.
    if (!run_(line, error)) qWarning("Plant panel: %s: %s", line.c_str(), error.c_str());
    Refresh();
}

void PlantPanel::Changed(const Control& c) {
    const PlantEntry& e = EntryAt(c.entry);
    std::string value;
    if (c.decimal != nullptr) value = Tenths(static_cast<std::int64_t>(std::llround(c.decimal->value() * 10.0)));
    if (c.check != nullptr) value = (c.check->isChecked() != c.inverted) ? "on" : "off";
    if (c.number != nullptr) value = std::to_string(c.number->value());
    if (c.list != nullptr) value = std::to_string(c.list->currentIndex());
    Send(std::string("set ") + e.name + " " + value);
}

void PlantPanel::RaiseFault(int code) {
    if (code < 0 || code >= kFaultCodes) return;
    Send(code == 0 ? "fault clear" : "fault " + std::to_string(code));
}

void PlantPanel::ClearFault() { RaiseFault(0); }

void PlantPanel::ResetToStartValues() { Send("reset plant"); }

// A preset is the start values and its values, as runner lines, so that a
// recording keeps it.
void PlantPanel::ApplyPreset(int index) {
    const auto presets = PlantPresets();
    if (index < 0 || index >= static_cast<int>(presets.size())) return;
    Send("reset plant");
    std::istringstream lines(presets[static_cast<std::size_t>(index)].lines);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) Send("set " + line);
    }
}

// The time chosen for a history entry: the panel clock, unless the user
// chose another.
std::string PlantPanel::HistoryTimeText() const {
    std::string text;
    const WallTime now = PanelClockTime();
    if (historyTimeEdited_) {
        text.append(" ").append(TimeText(historyTime_));
    } else if (now.year >= 2000) {
        // Before the first tick the panel has no clock yet: the line then
        // takes the clock's time.
        text.append(" ").append(FormatWallTime(now));
    }
    return text;
}

void PlantPanel::AddToHistory() {
    const int code = faultList_->currentIndex();
    if (code <= 0) return;
    Send("history add " + std::to_string(code) + HistoryTimeText());
    historyTimeEdited_ = false;
}

void PlantPanel::DeleteHistoryEntry(int index) {
    if (index < 0 || index >= kFaultHistoryEntries) return;
    Send("history delete " + std::to_string(index + 1));
}

void PlantPanel::SetClock() {
    Send("clock " + TimeText(clockEdit_));
    clockEdit_->clearFocus();
}

// The words and lists speak the panel's current language, as its pages do.
void PlantPanel::FillTexts() {
    const int language = Settings.language;
    if (language == textLanguage_) return;
    textLanguage_ = language;
    for (auto& [widget, words] : words_) {
        const QString text = Utf8(words(static_cast<Language>(language)));
        if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(text);
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(text);
        if (auto* group = qobject_cast<QGroupBox*>(widget)) group->setTitle(text);
    }
    for (auto& [widget, tip] : tips_) widget->setToolTip(tip(static_cast<Language>(language)));
    const QSignalBlocker blockStatus(statusList_);
    const int status = statusList_->currentIndex();
    statusList_->clear();
    for (int s = 0; s < kStatuses; ++s) {
        statusList_->addItem(QStringLiteral("%1 %2").arg(s).arg(
            Utf8(StatusText(static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(language)))));
    }
    statusList_->setCurrentIndex(status);
    FitListToEntries(statusList_);
    // The chosen status is read whole: its row goes under its label before
    // the list would be cut.
    statusList_->setMinimumWidth(statusList_->sizeHint().width());
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
    FitListToEntries(faultList_);
}

void PlantPanel::FillHistory() {
    const int language = Settings.language;
    QStringList rows;
    for (int i = 0; i < kFaultHistoryEntries; ++i) {
        const FaultHistoryEntry& e = FaultHistory[i];
        if (e.type == kFaultEntryEmpty) {
            rows << QStringLiteral("%1  %2").arg(i + 1).arg(Said(PlantWord::NoEntry));
            continue;
        }
        const QDateTime when(QDate(e.year, e.month, e.day), QTime(e.hour, e.minute, e.second));
        rows << QStringLiteral("%1  %2  %3 %4")
                    .arg(i + 1)
                    .arg(when.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")))
                    .arg(e.faultCode, 2, 10, QLatin1Char('0'))
                    .arg(Utf8(FaultCodeText(e.faultCode, static_cast<std::uint8_t>(language))));
    }
    const int chosen = historyList_->currentRow();
    for (int i = 0; i < rows.size(); ++i) {
        if (historyList_->count() <= i) historyList_->addItem(rows[i]);
        if (historyList_->item(i)->text() != rows[i]) {
            historyList_->item(i)->setText(rows[i]);
            historyList_->item(i)->setToolTip(rows[i]);
        }
    }
    if (chosen >= 0) historyList_->setCurrentRow(chosen);
    historyList_->setFixedHeight(historyList_->sizeHintForRow(0) * kFaultHistoryEntries +
                                 2 * historyList_->frameWidth());
}

void PlantPanel::Refresh() {
    FillTexts();
    FillHistory();
    const std::uint8_t page = AppState.currentPage;
    pageLabel_->setText(QStringLiteral("%1 %2").arg(page).arg(QString::fromUtf8(PageName(page))));
    const QDateTime clock = ToDateTime(PanelClockTime());
    if (!clockEdit_->hasFocus() && clock.isValid()) {
        const QSignalBlocker block(clockEdit_);
        clockEdit_->setDateTime(clock);
    }
    if (!historyTime_->hasFocus() && !historyTimeEdited_ && clock.isValid()) {
        const QSignalBlocker block(historyTime_);
        historyTime_->setDateTime(clock);
    }
    const int fault = static_cast<int>(model_.Get(EntryOf("fault")));
    faultLabel_->setText(QStringLiteral("%1: %2 %3")
                             .arg(Said(PlantWord::Current))
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
