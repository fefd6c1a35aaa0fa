// The window and its Plant panel, driven through Qt events, menu items and
// the form's timer handler.
#include "host/window/Haupt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <vector>

#include "host/plant/PlantPresets.h"
#include "host/window/PlantPanel.h"
#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Navigation.h"
#include "panel/app/Plant.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"
#include "panel/settings/Settings.h"
#include "tests/host/TestFolder.h"

namespace {

class PinnedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 13, 47, 0); }
};

void Ticks(THaupt& haupt, int n) {
    for (int i = 0; i < n; ++i) haupt.TimerRefreshTimer();
}

class Window : public ::testing::Test {
protected:
    void Ticks(int n) { ::Ticks(haupt, n); }
    PinnedClock clock;
    THaupt haupt{&clock};
};

void SendMouse(THaupt& haupt, QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent event(type, at, at, button, held, Qt::NoModifier);
    QApplication::sendEvent(&haupt, &event);
}
void PressLeft(THaupt& haupt, QPointF at) {
    SendMouse(haupt, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
void ReleaseLeft(THaupt& haupt, QPointF at) {
    SendMouse(haupt, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}
void OpenContextMenu(THaupt& haupt, QPoint at) {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, haupt.mapToGlobal(at));
    QApplication::sendEvent(&haupt, &menu);
}

TEST_F(Window, ZoomItemsResizeTheFixedClientAreaAndMoveTheCheckMark) {
    QAction* const items[] = {haupt.mnuZoom100, haupt.mnuZoom200, haupt.mnuZoom300};
    for (int zoom : {1, 3, 2, 1}) {
        if (!items[zoom - 1]->isChecked()) items[zoom - 1]->trigger();
        EXPECT_EQ(haupt.size(), QSize(320 * zoom, 240 * zoom));
        EXPECT_EQ(haupt.minimumSize(), haupt.maximumSize());
        for (int i = 0; i < 3; ++i) EXPECT_EQ(items[i]->isChecked(), i == zoom - 1) << "zoom " << zoom;
    }
}

TEST_F(Window, TheScreenShowsThePanelSquareBySquare) {
    haupt.mnuZoom200->trigger();
    haupt.show();
    // Let the start page draw; its yellow title field then stays untouched.
    Ticks(300);
    LcdSetWindow(7, 3, 7, 3);  // the next tick's run flushes it
    LcdWritePixel(0xF800);
    Ticks(1);
    const QImage shot = haupt.grab().toImage();
    EXPECT_EQ(shot.pixel(14, 6), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(15, 7), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(16, 6), qRgb(255, 255, 0));
}

// Each way the window loses sight of the left button lifts the finger where it
// was last seen; the release that may still come changes nothing.
TEST(WindowFinger, LiftsWhenTheWindowLosesTheLeftButton) {
    const auto send = [](THaupt& h, QEvent::Type type) {
        QEvent event(type);
        QApplication::sendEvent(&h, &event);
    };
    const struct {
        const char* what;
        std::function<void(THaupt&)> lose;
    } cases[] = {
        {"context menu",
         [](THaupt& h) {
             OpenContextMenu(h, QPoint(50, 50));
             EXPECT_TRUE(h.popupMenu->isVisible());
             h.popupMenu->close();
         }},
        {"window deactivated", [&](THaupt& h) { send(h, QEvent::WindowDeactivate); }},
        {"focus lost",
         [](THaupt& h) {
             QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
             QApplication::sendEvent(&h, &out);
         }},
        {"mouse grab lost", [&](THaupt& h) { send(h, QEvent::UngrabMouse); }},
        {"moved without the button",
         [](THaupt& h) { SendMouse(h, QEvent::MouseMove, QPointF(90, 90), Qt::NoButton, Qt::NoButton); }},
        {"hidden", [](THaupt& h) { h.hide(); }},
        {"closed", [](THaupt& h) { h.close(); }},
    };
    for (const auto& c : cases) {
        ResetFirmwareState();
        PinnedClock clock;
        THaupt haupt(&clock);
        haupt.show();
        haupt.mnuZoom200->trigger();
        PressLeft(haupt, QPointF(40, 30));
        EXPECT_EQ(TouchSample, MakeTouchSample(20, 15)) << c.what;
        Ticks(haupt, 1);
        c.lose(haupt);
        EXPECT_FALSE(haupt.Host().FingerDown()) << c.what;
        EXPECT_EQ(TouchSample, kNoTouch) << c.what;
        ReleaseLeft(haupt, QPointF(40, 30));
        EXPECT_EQ(TouchSample, kNoTouch) << c.what;
    }
}

TEST_F(Window, CloseIsRefusedUntilTheCountdownHasRun) {
    haupt.show();
    EXPECT_FALSE(haupt.close());
    Ticks(9);
    EXPECT_TRUE(haupt.isVisible());
    Ticks(1);
    EXPECT_FALSE(haupt.TimerRefresh->isActive());
    EXPECT_FALSE(haupt.isVisible());
}

Rgb565 Lamp() { return FramebufferAt(308, 16); }

TEST_F(Window, PlantPanelIsHiddenAtStartAndShownFromTheMenu) {
    ASSERT_NE(haupt.plantPanel, nullptr);
    EXPECT_FALSE(haupt.plantPanel->isVisible());
    haupt.show();
    for (bool shown : {true, false}) {
        haupt.mnuPlant->trigger();
        EXPECT_EQ(haupt.plantPanel->isVisible(), shown);
        EXPECT_EQ(haupt.mnuPlant->isChecked(), shown);
        EXPECT_EQ(haupt.size(), QSize(320, 240)) << "the display keeps its size";
    }
}

TEST_F(Window, PlantPanelRaisesAFaultThatTurnsTheLampRedAndNamesIt) {
    Ticks(300);
    EXPECT_EQ(Lamp(), Colour::kGreen);
    PlantPanel& panel = *haupt.plantPanel;
    panel.FaultList()->setCurrentIndex(22);
    panel.findChild<QPushButton*>(QStringLiteral("raiseButton"))->click();
    Ticks(5);
    EXPECT_EQ(Lamp(), Colour::kRed);
    EXPECT_EQ(Settings.faultCode, 22);
    EXPECT_EQ(panel.FaultList()->itemText(22), QStringLiteral("22 Ausfall Kollektorf\u00FChler"));
    GoToPage(Page::kCurrentFault);
    Ticks(100);
    panel.Refresh();
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("pageLabel"))->text(), QStringLiteral("43 current fault"));
    EXPECT_EQ(panel.findChild<QLabel*>(QStringLiteral("faultLabel"))->text(),
              QStringLiteral("Aktuell: 22 Ausfall Kollektorf\u00FChler"));
    panel.findChild<QPushButton*>(QStringLiteral("clearButton"))->click();
    Ticks(20);
    EXPECT_EQ(Lamp(), Colour::kGreen);
}

TEST_F(Window, PlantPanelSpinBoxSetsItsValueAndShowsTheFirmwaresOwn) {
    auto* collector = haupt.plantPanel->findChild<QDoubleSpinBox*>(QStringLiteral("collector"));
    ASSERT_NE(collector, nullptr);
    EXPECT_DOUBLE_EQ(collector->value(), 82.3);
    collector->setValue(95.5);
    EXPECT_EQ(Plant.collectorTemp, 955);
    Plant.collectorTemp = 123;  // as if the firmware had changed it
    haupt.plantPanel->Refresh();
    EXPECT_DOUBLE_EQ(collector->value(), 12.3);
    haupt.plantPanel->findChild<QPushButton*>(QStringLiteral("resetButton"))->click();
    EXPECT_EQ(Plant.collectorTemp, 823);
}

// Floated and docked again, the Plant panel stays in sight and on the menu;
// docked, the window holds the display and the panel side by side.
TEST_F(Window, PlantPanelDocksAndFloatsWithoutGettingLost) {
    haupt.show();
    haupt.mnuPlant->trigger();
    PlantPanel& panel = *haupt.plantPanel;
    for (const bool floating : {false, true, false}) {
        panel.setFloating(floating);
        EXPECT_TRUE(panel.isVisible()) << floating;
        EXPECT_TRUE(haupt.mnuPlant->isChecked()) << floating;
        EXPECT_EQ(haupt.View()->geometry(), QRect(0, 0, 320, 240));
        EXPECT_EQ(haupt.width() > 320, !floating);
    }
    haupt.mnuPlant->trigger();
    EXPECT_EQ(haupt.size(), QSize(320, 240));
    haupt.mnuPlant->trigger();
    EXPECT_TRUE(panel.isVisible());
}

// The test screen is 800 x 600: zoom 300 % cannot fit and is greyed out; a
// window pushed off the screen comes back whole, its floating panel beside it.
TEST_F(Window, WindowAndPlantPanelStayOnTheScreen) {
    const QRect screen = haupt.screen()->availableGeometry();
    ASSERT_LT(screen.width(), 960);
    haupt.show();
    haupt.mnuZoom200->trigger();
    haupt.move(screen.right() - 100, screen.bottom() - 100);
    haupt.mnuPlant->trigger();
    haupt.FitOnScreen();
    EXPECT_TRUE(screen.contains(haupt.frameGeometry())) << haupt.frameGeometry().x();
    EXPECT_TRUE(screen.contains(haupt.plantPanel->frameGeometry()));
    EXPECT_FALSE(haupt.mnuZoom300->isEnabled());
    EXPECT_TRUE(haupt.mnuZoom100->isEnabled());
    // No room beside the display to dock: the panel floats on, in sight.
    haupt.plantPanel->setFloating(false);
    QApplication::processEvents();
    EXPECT_TRUE(haupt.plantPanel->isFloating());
    EXPECT_TRUE(haupt.plantPanel->isVisible());
}

// What the user arranged comes back in the next run, the folder last saved
// into too; --reset-settings forgets all of it, also for the run after.
TEST(WindowSettings, PositionZoomPanelTouchesAndFoldersComeBackUntilReset) {
    const std::filesystem::path shots = FreshFolder("settings-shots");
    const QString file = QString::fromStdString((FreshFolder("settings") / "window.ini").string());
    {
        PinnedClock clock;
        THaupt haupt(&clock);
        haupt.show();
        haupt.mnuZoom200->trigger();
        haupt.move(40, 30);
        haupt.mnuPlant->trigger();
        haupt.mnuShowTouches->trigger();
        haupt.askSaveFileName = [&](const QString&, const QString&, const QString&) {
            return QString::fromStdString((shots / "first.png").string());
        };
        haupt.mnuSaveScreenshot->trigger();
        QSettings settings(file, QSettings::IniFormat);
        haupt.SaveSettings(settings);
    }
    bool reset = false;
    for (const bool forget : {false, true, false}) {
        reset = reset || forget;
        SCOPED_TRACE(forget ? "reset" : reset ? "after a reset" : "next run");
        ResetFirmwareState();
        PinnedClock clock;
        THaupt haupt(&clock);
        EXPECT_EQ(haupt.Host().Zoom(), 1) << "a new window is the bare panel until the settings are read";
        QSettings settings(file, QSettings::IniFormat);
        haupt.RestoreSettings(settings, forget);
        EXPECT_EQ(haupt.Host().Zoom(), reset ? 1 : 2);
        EXPECT_EQ(haupt.pos() == QPoint(40, 30), !reset);
        EXPECT_EQ(haupt.plantPanel->isVisible(), !reset);
        EXPECT_EQ(haupt.ShowingTouches(), !reset);
        QString offered;
        haupt.askSaveFileName = [&](const QString&, const QString& name, const QString&) {
            offered = name;
            return QString();
        };
        haupt.mnuSaveScreenshot->trigger();
        EXPECT_EQ(QFileInfo(offered).absolutePath() == QString::fromStdString(shots.string()), !reset)
            << offered.toStdString();
        haupt.SaveSettings(settings);
    }
}

// Every prepared situation lands as its lines say.
TEST_F(Window, PlantPresetsSetTheirSituation) {
    const struct {
        const char* key;
        const char* name;
        const char* value;
    } cases[] = {
        {"frost-night", "frost", "on"},
        {"tank-full", "tank1.full", "on"},
        {"collector-sensor-broken", "fault", "22 Collector sensor failure"},
        {"summer-noon", "status", "4 System warming tank"},
    };
    PlantPanel& panel = *haupt.plantPanel;
    for (const auto& c : cases) {
        panel.findChild<QPushButton*>(QString::fromLatin1(c.key))->click();
        EXPECT_EQ(haupt.Plant().Format(*PlantModel::Find(c.name)), c.value) << c.key;
    }
    EXPECT_EQ(haupt.Plant().Format(*PlantModel::Find("frost")), "off") << "a preset starts from the start values";
}

TEST_F(Window, PlantPanelSetsTheClockAndEditsTheHistory) {
    Ticks(1);
    PlantPanel& panel = *haupt.plantPanel;
    panel.ClockEdit()->setDateTime(QDateTime(QDate(2026, 12, 24), QTime(18, 30, 0), Qt::UTC));
    panel.findChild<QPushButton*>(QStringLiteral("clockButton"))->click();
    Ticks(1);
    EXPECT_EQ(FormatWallTime(PanelClockTime()), "2026-12-24 18:30:00");

    ASSERT_EQ(FaultHistory[1].type, 0);
    panel.HistoryList()->setCurrentRow(1);
    panel.findChild<QPushButton*>(QStringLiteral("historyDeleteButton"))->click();
    EXPECT_EQ(FaultHistory[1].type, kFaultEntryEmpty);
    EXPECT_EQ(panel.HistoryList()->item(1)->text(), QStringLiteral("2  leer"));
    panel.findChild<QPushButton*>(QStringLiteral("historyClearButton"))->click();
    EXPECT_EQ(FaultHistory[0].type, kFaultEntryEmpty);
}

// A wider Plant panel gives its fields the room, labels beside them.
TEST_F(Window, PlantPanelFormGrowsWithThePanel) {
    haupt.show();
    haupt.mnuPlant->trigger();
    PlantPanel& panel = *haupt.plantPanel;
    ASSERT_TRUE(panel.isFloating());
    auto* collector = panel.findChild<QDoubleSpinBox*>(QStringLiteral("collector"));
    auto* label = panel.findChild<QLabel*>(QStringLiteral("pageLabel"));
    std::vector<int> widths;
    for (const int width : {420, 760}) {
        panel.resize(width, 620);
        QApplication::processEvents();
        widths.push_back(collector->width());
        EXPECT_LT(collector->mapTo(&panel, QPoint(collector->width(), 0)).x(), width) << "in sight";
    }
    EXPECT_GE(widths[1] - widths[0], 250) << widths[0] << " then " << widths[1];
    EXPECT_GE(label->width(), 500) << "the page row grows as well";
}

// The panel speaks the panel's language, and its lists are as wide as their
// longest entry, also where the panel is narrow.
TEST_F(Window, PlantPanelSpeaksThePanelsLanguage) {
    PlantPanel& panel = *haupt.plantPanel;
    const auto title = [&](PlantWord word) {
        for (QGroupBox* group : panel.findChildren<QGroupBox*>()) {
            if (group->title() == QString::fromUtf8(PlantWordText(word, Settings.language))) return group->title();
        }
        return QString();
    };
    EXPECT_EQ(title(PlantWord::Temperatures), QStringLiteral("Temperaturen"));
    Settings.language = 6;
    panel.Refresh();
    EXPECT_EQ(title(PlantWord::Temperatures), QStringLiteral("Temperatury"));
    auto* status = panel.findChild<QComboBox*>(QStringLiteral("status"));
    const QFontMetrics metrics(status->font());
    for (int i = 0; i < status->count(); ++i)
        EXPECT_GT(status->sizeHint().width(), metrics.horizontalAdvance(status->itemText(i))) << i;
    // Shown at the width it opens with, the chosen status is not cut.
    haupt.show();
    haupt.mnuPlant->trigger();
    QApplication::processEvents();
    EXPECT_GE(status->width(), status->sizeHint().width());
}

}  // namespace
