// The "Plant" panel beside the display: every plant value of the plant model
// as a spin box, a check or a list, grouped as a service technician thinks of
// them and labelled in the panel's language, with the current page, the
// panel clock, the fault history and a few prepared situations. Every change
// goes out as a runner line (set, fault, history, reset, clock), so that a
// recording of touches replays it exactly; it shows on the next tick.
#pragma once

#include <QDockWidget>
#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "host/plant/PlantModel.h"
#include "host/plant/PlantPresets.h"

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QDoubleSpinBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTimer;
class QWidget;

class PlantPanel : public QDockWidget {
    Q_OBJECT

public:
    // Carries out one runner line; false, with the reason, when it could not.
    using Run = std::function<bool(const std::string& line, std::string& error)>;

    PlantPanel(PlantModel& model, Run run, QWidget* parent = nullptr);

    // Shows the values as the firmware holds them now (it may have changed
    // some itself: the pump speed editor, the fault page's delete).
    void Refresh();

    // What the buttons do.
    void RaiseFault(int code);
    void ClearFault();
    void ResetToStartValues();
    void ApplyPreset(int index);
    void AddToHistory();
    void DeleteHistoryEntry(int index);
    void SetClock();

    QComboBox* FaultList() const { return faultList_; }
    QListWidget* HistoryList() const { return historyList_; }
    QDateTimeEdit* ClockEdit() const { return clockEdit_; }
    QDateTimeEdit* HistoryTime() const { return historyTime_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // One widget that shows and sets one plant value.
    struct Control {
        int entry = -1;
        QDoubleSpinBox* decimal = nullptr;
        QSpinBox* number = nullptr;
        QCheckBox* check = nullptr;
        bool inverted = false;  // a "present" flag shown as "absent"
        QComboBox* list = nullptr;
    };

    QGroupBox* Group(PlantWord title);
    QWidget* BuildPanelRows();
    QWidget* BuildPresets();
    QWidget* BuildGroup(const PlantGroup& group);
    QWidget* BuildFault();
    QWidget* BuildHistory();
    void AddControl(QFormLayout* form, int entry);
    QCheckBox* FlagCheck(int flagEntry, bool& inverted);
    void Changed(const Control& control);
    void Send(const std::string& line);
    void FillTexts();
    void FillHistory();
    std::string HistoryTimeText() const;
    // A widget whose text is a word of the panel, told again when the
    // language changes.
    using Words = std::function<const char*(Language)>;
    void Word(QObject* widget, Words words);
    void Word(QObject* widget, PlantWord word);
    // A tip in the panel's language, told again when the language changes.
    using Tips = std::function<QString(Language)>;
    void Tip(QWidget* widget, int entry);

    PlantModel& model_;
    Run run_;
    std::vector<Control> controls_;
    std::vector<std::pair<QObject*, Words>> words_;
    std::vector<std::pair<QWidget*, Tips>> tips_;
    QComboBox* statusList_ = nullptr;
    QComboBox* faultList_ = nullptr;
    QListWidget* historyList_ = nullptr;
    QDateTimeEdit* clockEdit_ = nullptr;
    QDateTimeEdit* historyTime_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* faultLabel_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    int textLanguage_ = -1;
    int faultShown_ = 0;
    bool historyTimeEdited_ = false;
};
