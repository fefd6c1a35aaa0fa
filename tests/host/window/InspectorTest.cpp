// The inspector beside the window: shown only when asked for, pause and
// steps of the firmware's timer, paint flashing and the pixel probe.
#include "host/window/Inspector.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

#include "host/window/Haupt.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/hw/Touch.h"

namespace {

class PinnedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 13, 47, 0); }
};

class Inspector : public ::testing::Test {
protected:
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) haupt.TimerRefreshTimer();
    }
    PinnedClock clock;
    THaupt haupt{&clock};
    TInspector& inspector = *haupt.inspector;
};

TEST_F(Inspector, IsHiddenAndRecordsNothingUntilAskedFor) {
    EXPECT_FALSE(inspector.isVisible());
    EXPECT_FALSE(inspector.Monitor().Recording());
    EXPECT_TRUE(haupt.popupMenu->actions().contains(inspector.mnuInspector));
    EXPECT_EQ(inspector.mnuInspector->text(), QStringLiteral("Inspector\tF9"));
    inspector.mnuInspector->trigger();
    EXPECT_TRUE(inspector.isVisible());
    EXPECT_TRUE(inspector.mnuInspector->isChecked());
    Ticks(3);
    EXPECT_TRUE(inspector.Monitor().Recording());
    EXPECT_EQ(inspector.Monitor().Last().tick, haupt.Host().TicksRun());
    inspector.mnuInspector->trigger();
    EXPECT_FALSE(inspector.isVisible());
    EXPECT_FALSE(inspector.Monitor().Recording());
}

TEST_F(Inspector, PauseStopsTheTimerAndStepsAdvanceExactlyWhileTouchesStillArrive) {
    inspector.mnuInspector->trigger();
    Ticks(50);
    inspector.btnPause->click();
    EXPECT_TRUE(inspector.Paused());
    EXPECT_FALSE(haupt.TimerRefresh->isActive());

    // The mouse still reaches the panel; the next step's touch stage sees it.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 30), QPointF(20, 30), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&haupt, &press);
    EXPECT_EQ(TouchSample, MakeTouchSample(20, 30));

    const std::int64_t before = haupt.Host().TicksRun();
    inspector.btnStep->click();
    EXPECT_EQ(haupt.Host().TicksRun(), before + 1);
    inspector.spnSteps->setValue(5);
    inspector.btnStepN->click();
    QElapsedTimer waited;
    waited.start();
    while (inspector.StepsLeft() > 0 && waited.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(haupt.Host().TicksRun(), before + 6);
    EXPECT_TRUE(inspector.Paused());

    // Closing the inspector lets the panel run again.
    inspector.mnuInspector->trigger();
    EXPECT_TRUE(haupt.TimerRefresh->isActive());
    EXPECT_FALSE(inspector.Paused());
}

TEST_F(Inspector, PaintFlashingTintsTheRepaintedAreasAndFades) {
    haupt.mnuZoom200->trigger();
    inspector.mnuInspector->trigger();
    inspector.chkPaintFlashing->setChecked(true);
    GoToPage(Page::kMenu);
    Ticks(1);
    std::vector<QRect> expected;
    for (const DirtyRect& r : haupt.Host().Damage())
        expected.emplace_back(r.x0 * 2, r.y0 * 2, (r.x1 - r.x0) * 2, (r.y1 - r.y0) * 2);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(inspector.Flashes(), expected);
    // The menu page stands still once drawn: the tints fade away.
    Ticks(300);
    EXPECT_TRUE(inspector.Flashes().empty());
}

TEST_F(Inspector, ProbeNamesColourCommandAndElement) {
    inspector.mnuInspector->trigger();
    GoToPage(Page::kMenu);
    Ticks(100);
    // A pixel of the title's text, found through the scene.
    const SceneElement* title = nullptr;
    for (const SceneElement& e : haupt.Host().GetScene().Elements()) {
        if (e.kind == SceneKind::Text && e.box.y < 30) title = &e;
    }
    ASSERT_NE(title, nullptr);
    QString probe;
    for (int x = title->box.x; x < title->box.Right() && !probe.contains(QStringLiteral("DL_TEXT")); ++x) {
        for (int y = title->box.y; y < title->box.Bottom(); ++y) {
            probe = inspector.Probe(x, y);
            if (probe.contains(QStringLiteral("DL_TEXT"))) break;
        }
    }
    EXPECT_TRUE(probe.contains(QStringLiteral("Pixel "))) << probe.toStdString();
    EXPECT_TRUE(probe.contains(QStringLiteral("Drawn by</b> DL_TEXT"))) << probe.toStdString();
    EXPECT_TRUE(probe.contains(QStringLiteral("Element</b> text"))) << probe.toStdString();
    EXPECT_TRUE(inspector.Probe(320, 0).isEmpty());
}

}  // namespace
