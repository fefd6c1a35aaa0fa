#include "host/Haupt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QMenu>
#include <QTimer>

#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"

namespace {

class PinnedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 13, 47, 0); }
};

TEST(Haupt, FormHasItsCaptionPositionTimerAndMenu) {
    PinnedClock clock;
    THaupt haupt(&clock);
    EXPECT_EQ(haupt.windowTitle(), QStringLiteral("Kandorelle II V1.05 15.04.2011"));
    EXPECT_EQ(haupt.pos(), QPoint(364, 246));
    EXPECT_TRUE(haupt.TimerRefresh->isActive());
    EXPECT_EQ(haupt.TimerRefresh->interval(), 12);
    EXPECT_EQ(haupt.TimerRefresh->timerType(), Qt::PreciseTimer);
    EXPECT_FALSE(haupt.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(haupt.windowFlags() & Qt::WindowMinimizeButtonHint);
    ASSERT_EQ(haupt.popupMenu->actions().size(), 5);  // the zooms, a separator and the Plant panel
    EXPECT_EQ(haupt.mnuZoom100->text(), QStringLiteral("Zoom 100%"));
    EXPECT_EQ(haupt.mnuZoom200->text(), QStringLiteral("Zoom 200%"));
    EXPECT_EQ(haupt.mnuZoom300->text(), QStringLiteral("Zoom 300%"));
}

TEST(Haupt, ZoomItemsResizeTheClientAreaAndMoveTheCheckMark) {
    PinnedClock clock;
    THaupt haupt(&clock);
    EXPECT_EQ(haupt.size(), QSize(320, 240));
    EXPECT_TRUE(haupt.mnuZoom100->isChecked());

    haupt.mnuZoom300->trigger();
    EXPECT_EQ(haupt.size(), QSize(960, 720));
    EXPECT_FALSE(haupt.mnuZoom100->isChecked());
    EXPECT_FALSE(haupt.mnuZoom200->isChecked());
    EXPECT_TRUE(haupt.mnuZoom300->isChecked());

    haupt.mnuZoom200->trigger();
    EXPECT_EQ(haupt.size(), QSize(640, 480));
    EXPECT_TRUE(haupt.mnuZoom200->isChecked());
    EXPECT_FALSE(haupt.mnuZoom300->isChecked());
    EXPECT_EQ(haupt.minimumSize(), haupt.maximumSize());  // a fixed border
}

TEST(Haupt, TheScreenShowsThePanelSquareBySquare) {
    PinnedClock clock;
    THaupt haupt(&clock);
    haupt.mnuZoom200->trigger();
    haupt.show();
    // Let the start page draw; its yellow title field then stays untouched.
    for (int i = 0; i < 300; ++i) haupt.TimerRefreshTimer();
    PanelFramebuffer[7 * 240 + 3] = 0xF800;
    haupt.TimerRefreshTimer();
    const QImage shot = haupt.grab().toImage();
    EXPECT_EQ(shot.pixel(14, 6), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(15, 7), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(16, 6), qRgb(255, 255, 0));
}

TEST(Haupt, MouseButtonsDriveTheTouchSample) {
    PinnedClock clock;
    THaupt haupt(&clock);
    haupt.mnuZoom200->trigger();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&haupt, &press);
    EXPECT_EQ(TouchSample, 102450);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&haupt, &release);
    EXPECT_EQ(TouchSample, kNoTouch);
}

TEST(Haupt, CloseIsRefusedUntilTheCountdownHasRun) {
    PinnedClock clock;
    THaupt haupt(&clock);
    haupt.show();
    EXPECT_FALSE(haupt.close());
    EXPECT_TRUE(haupt.isVisible());
    for (int i = 0; i < 9; ++i) haupt.TimerRefreshTimer();
    EXPECT_TRUE(haupt.isVisible());
    haupt.TimerRefreshTimer();
    EXPECT_FALSE(haupt.TimerRefresh->isActive());
    EXPECT_FALSE(haupt.isVisible());
}

}  // namespace
