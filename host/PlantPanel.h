// The "Plant" panel beside the display: every plant value of the plant model
// as a spin box, a check or a list, grouped as a service technician thinks of
// them, with the current page and the panel clock. A change reaches the
// firmware at once and shows on the next tick.
#pragma once

#include <QDockWidget>
#include <vector>

#include "host/PlantModel.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QScrollArea;
class QSpinBox;
class QTimer;
class QWidget;

class PlantPanel : public QDockWidget {
    Q_OBJECT

public:
    explicit PlantPanel(PlantModel& model, QWidget* parent = nullptr);

    // Shows the values as the firmware holds them now (it may have changed
    // some itself: the pump speed editor, the fault page's delete).
    void Refresh();

    // What the fault group's buttons do.
    void RaiseFault(int code);
    void ClearFault();
    void ResetToStartValues();

    QComboBox* FaultList() const { return faultList_; }

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

    QWidget* BuildTemperatures();
    QWidget* BuildGroup(const char* title, const std::vector<const char*>& names);
    QWidget* BuildFault();
    void AddControl(QFormLayout* form, int entry);
    QCheckBox* FlagCheck(int flagEntry, bool& inverted);
    void Changed(const Control& control);
    void FillTexts();

    PlantModel& model_;
    std::vector<Control> controls_;
    QComboBox* statusList_ = nullptr;
    QComboBox* faultList_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* clockLabel_ = nullptr;
    QLabel* faultLabel_ = nullptr;
    QTimer* refreshTimer_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    int textLanguage_ = -1;
    int faultShown_ = 0;
};
