#include "host/Haupt.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <functional>
#include <vector>

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
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
    ASSERT_EQ(haupt.popupMenu->actions().size(), 10);  // the zooms, the Plant panel, the capture items
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
    FramebufferAt(7, 3) = 0xF800;
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
    haupt.TimerRefreshTimer();
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(100, 50), QPointF(100, 50), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&haupt, &release);
    EXPECT_EQ(TouchSample, kNoTouch);
}

void PressLeft(THaupt& haupt, QPointF at) {
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&haupt, &press);
}

// Each way the window loses sight of the left button lifts the finger where it
// was last seen; the release that may still come changes nothing.
TEST(Haupt, TheFingerLiftsWhenTheWindowLosesTheLeftButton) {
    struct Case {
        const char* what;
        std::function<void(THaupt&)> lose;
    };
    const std::vector<Case> cases = {
        {"context menu",
         [](THaupt& h) {
             QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(50, 50), h.mapToGlobal(QPoint(50, 50)));
             QApplication::sendEvent(&h, &menu);
             EXPECT_TRUE(h.popupMenu->isVisible());
             h.popupMenu->close();
         }},
        {"window deactivated",
         [](THaupt& h) {
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(&h, &deactivate);
         }},
        {"focus lost",
         [](THaupt& h) {
             QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
             QApplication::sendEvent(&h, &out);
         }},
        {"mouse grab lost",
         [](THaupt& h) {
             QEvent ungrab(QEvent::UngrabMouse);
             QApplication::sendEvent(&h, &ungrab);
         }},
        {"moved without the button",
         [](THaupt& h) {
             QMouseEvent move(QEvent::MouseMove, QPointF(90, 90), QPointF(90, 90), Qt::NoButton, Qt::NoButton,
                              Qt::NoModifier);
             QApplication::sendEvent(&h, &move);
         }},
        {"hidden", [](THaupt& h) { h.hide(); }},
        {"closed", [](THaupt& h) { h.close(); }},
    };
    for (const Case& c : cases) {
        ResetFirmwareState();
        PinnedClock clock;
        THaupt haupt(&clock);
        haupt.show();
        PressLeft(haupt, QPointF(40, 30));
        haupt.TimerRefreshTimer();
        c.lose(haupt);
        EXPECT_FALSE(haupt.Host().FingerDown()) << c.what;
        EXPECT_EQ(TouchSample, kNoTouch) << c.what;
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(40, 30), QPointF(40, 30), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(&haupt, &release);
        EXPECT_EQ(TouchSample, kNoTouch) << c.what;
    }
}

// A right-click while "+" is held on the warm water edit: the menu opens, the
// finger lifts, and the value stops where it was instead of repeating on.
TEST(Haupt, ARightClickWhilePlusIsHeldStopsTheRepeat) {
    PinnedClock clock;
    THaupt haupt(&clock);
    haupt.show();
    for (int i = 0; i < 300; ++i) haupt.TimerRefreshTimer();
    GoToPage(Page::kWarmWater);
    for (int i = 0; i < 100; ++i) haupt.TimerRefreshTimer();
    PressLeft(haupt, QPointF(289, 224));  // edit
    haupt.TimerRefreshTimer();
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(289, 224), QPointF(289, 224), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(&haupt, &up);
    for (int i = 0; i < 50; ++i) haupt.TimerRefreshTimer();
    ASSERT_TRUE(AppState.editActive);

    PressLeft(haupt, QPointF(191, 224));  // plus
    for (int i = 0; i < 3; ++i) haupt.TimerRefreshTimer();
    const u16 held = AppState.editValue;
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(191, 224), haupt.mapToGlobal(QPoint(191, 224)));
    QApplication::sendEvent(&haupt, &menu);
    for (int i = 0; i < 200; ++i) haupt.TimerRefreshTimer();
    haupt.popupMenu->close();
    EXPECT_EQ(AppState.editValue, held);
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
