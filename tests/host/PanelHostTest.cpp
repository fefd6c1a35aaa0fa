#include "host/core/PanelHost.h"
#include "host/plant/PlantModel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <utility>
#include <vector>

#include "panel/app/Plant.h"
#include "panel/hw/Clock.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"

namespace {

class PinnedClock final : public WallClock {
public:
    WallTime now = MakeWallTime(2026, 12, 6, 0, 30, 15);
    WallTime Now() override { return now; }
};

constexpr std::uint32_t kButtonFace = 0xF0F0F0;

class PanelHostTest : public ::testing::Test {
protected:
    void StartAt(int hour) {
        clock.now.hour = hour;
        host.Start();
        host.SetZoom(1);
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) host.Tick();
    }

    PinnedClock clock;
    PlantModel plant;
    PanelHost host{clock, plant, kButtonFace};
};

TEST(CollectorCurve, StaysBetweenTenAndHundredTwentyDegreesAllDay) {
    for (int h = 0; h < 24; ++h)
        for (int i = 0; i < kCollectorCurveLength; ++i) {
            const int value = CollectorCurveValue(h, i);
            EXPECT_TRUE(value >= 100 && value < 1200) << "hour " << h << " entry " << i << ": " << value;
        }
}

TEST_F(PanelHostTest, StartStampsTheLoggedFaultAndMirrorsTheFramebuffer) {
    StartAt(0);
    EXPECT_EQ(CollectorCurveCount, kCollectorCurveLength);
    EXPECT_EQ(TouchSample, kNoTouch);
    // The fault logged at start carries the start's wall time; there is no third.
    const FaultHistoryEntry* second = GetFaultHistoryEntry(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ((std::vector<long>{second->minute, second->year, second->weekday}), (std::vector<long>{30, 2026, 0}));
    EXPECT_EQ(GetFaultHistoryEntry(2), nullptr);

    // The mirror's start value never reaches the screen.
    EXPECT_EQ(std::memcmp(host.Mirror(), PanelFramebuffer, sizeof PanelFramebuffer), 0);
    EXPECT_EQ(host.GetCanvas().RgbAt(319, 239), Rgb565ToRgb888(FramebufferAt(319, 239)));
}

TEST_F(PanelHostTest, TickFeedsThePanelClockWithSundayAsZero) {
    StartAt(9);
    clock.now = MakeWallTime(2026, 12, 6, 23, 59, 58);  // a Sunday
    Ticks(1);
    const PanelClockRecord& c = PanelClock;
    EXPECT_EQ((std::vector<long>{c.hour, c.minute, c.second, c.day, c.month, c.year, c.weekday}),
              (std::vector<long>{23, 59, 58, 6, 12, 2026, 0}));
    clock.now = MakeWallTime(2011, 4, 16, 8, 0, 0);  // a Saturday
    Ticks(1);
    EXPECT_EQ(PanelClock.weekday, 6);
    EXPECT_EQ(PanelClock.reserved, 0);
}

TEST_F(PanelHostTest, SupplementaryFunctionDecidesTheFifthReadingOnTheNextTick) {
    StartAt(0);
    const struct {
        u8 setting;
        i16 reading;
        u8 shown;
    } cases[] = {{2, 521, 1}, {1, 741, 1}, {0, 741, 0}, {7, 741, 0}};
    for (const auto& c : cases) {
        Settings.supplementaryFunction = c.setting;
        Ticks(1);
        EXPECT_EQ(Plant.fifthRowTemp, c.reading) << int(c.setting);
        EXPECT_EQ(Plant.fifthRowTwinTemp, c.reading);
        EXPECT_EQ(Plant.fifthRowShown, c.shown);
    }
}

TEST_F(PanelHostTest, CloseIsRefusedThenHappensOnTheTenthTickWithoutWorkOrPainting) {
    StartAt(0);
    Ticks(3);
    EXPECT_FALSE(host.CloseQuery());
    // Pending work that a running tick would flush and paint.
    LcdSetWindow(0, 0, 0, 0);
    LcdWritePixel(0x1234);
    FramebufferAt(5, 5) = 0xF800;
    const auto squares = host.GetCanvas().SquaresPainted();

    for (int i = 0; i < 5; ++i) EXPECT_EQ(host.Tick(), TickResult::Closing);
    // A second request restarts the countdown at 10.
    EXPECT_FALSE(host.CloseQuery());
    for (int i = 0; i < 9; ++i) EXPECT_EQ(host.Tick(), TickResult::Closing);
    EXPECT_TRUE(host.TimerEnabled());
    EXPECT_EQ(host.Tick(), TickResult::Close);
    EXPECT_FALSE(host.TimerEnabled());

    EXPECT_EQ(LcdQueueCount(), 24);
    EXPECT_EQ(host.GetCanvas().SquaresPainted(), squares);
    EXPECT_EQ(PanelFramebuffer[0], 0);
    // The window's own close request is now granted.
    EXPECT_TRUE(host.CloseQuery());
}

TEST_F(PanelHostTest, ZoomResizesAndRepaintsEverySquare) {
    StartAt(0);
    FramebufferAt(2, 1) = 0xF800;
    for (int zoom : {3, 2, 1, 3}) {
        const auto before = host.GetCanvas().SquaresPainted();
        host.SetZoom(zoom);
        EXPECT_EQ(host.GetCanvas().Width(), 320 * zoom);
        EXPECT_EQ(host.GetCanvas().Height(), 240 * zoom);
        EXPECT_EQ(host.GetCanvas().SquaresPainted() - before, 1u + 320u * 240u);  // background + every pixel
        for (int dy = 0; dy < zoom; ++dy)
            for (int dx = 0; dx < zoom; ++dx)
                EXPECT_EQ(host.GetCanvas().RgbAt(2 * zoom + dx, 1 * zoom + dy), 0xFF0000u);
        EXPECT_EQ(host.GetCanvas().RgbAt(2 * zoom + zoom, zoom), 0u);
    }
}

TEST_F(PanelHostTest, TickRepaintPaintsOnlyThePixelsThatChanged) {
    StartAt(0);
    host.SetZoom(2);
    Ticks(1);
    const auto before = host.GetCanvas().SquaresPainted();
    host.GetCanvas().TakeDirty();
    host.TickRepaint();
    EXPECT_EQ(host.GetCanvas().SquaresPainted(), before);  // a static panel costs no painting
    EXPECT_TRUE(host.GetCanvas().TakeDirty().Empty());

    // Through the controller, as the firmware writes; one pixel gets the
    // value it had.
    for (const auto& [x, y, colour] :
         {std::tuple<u16, u8, Rgb565>{10, 20, 0xFFFF}, {300, 200, 0x001F}, {0, 0, PanelFramebuffer[0]}}) {
        LcdSetWindow(x, y, x, y);
        LcdWritePixel(colour);
    }
    LcdApplyQueue();
    host.TickRepaint();
    EXPECT_EQ(host.GetCanvas().SquaresPainted() - before, 2u);
    EXPECT_EQ(host.GetCanvas().RgbAt(21, 41), 0xFFFFFFu);
    EXPECT_EQ(host.GetCanvas().RgbAt(601, 401), 0x0000FFu);
    const DirtyRect dirty = host.GetCanvas().TakeDirty();
    EXPECT_EQ((std::vector<int>{dirty.x0, dirty.y0, dirty.x1, dirty.y1}), (std::vector<int>{20, 40, 602, 402}));
}

TEST_F(PanelHostTest, MouseBecomesTheTouchSample) {
    StartAt(0);
    host.SetZoom(2);
    host.MouseDown(MouseButton::Left, 100, 50);
    EXPECT_EQ(TouchSample, MakeTouchSample(50, 25));
    // The right button is no pen.
    host.MouseDown(MouseButton::Right, 10, 10);
    host.MouseUp(MouseButton::Right);
    EXPECT_EQ(TouchSample, MakeTouchSample(50, 25));
    Ticks(1);
    host.MouseUp(MouseButton::Left);
    EXPECT_EQ(TouchSample, kNoTouch);
    // Moving without a held touch changes nothing.
    const PointerShift idle = host.MouseMove(700, 700);
    EXPECT_EQ(TouchSample, kNoTouch);
    EXPECT_EQ(std::pair(idle.dx, idle.dy), std::pair(0, 0));
}

TEST_F(PanelHostTest, DragOutsideKeepsTheTouchOnThePanelEdge) {
    StartAt(0);
    host.MouseDown(MouseButton::Left, 10, 10);
    // At zoom 3 the correction is counted in panel pixels: the pointer is
    // pulled back only part of the way.
    const struct {
        int zoom, x, y;
        u16 panelX, panelY;
        int dx, dy;
    } moves[] = {{1, 330, 100, 319, 100, -11, 0}, {1, -7, 250, 0, 239, 7, -11}, {3, 1000, -30, 319, 0, -14, 10}};
    for (const auto& m : moves) {
        host.SetZoom(m.zoom);
        const PointerShift shift = host.MouseMove(m.x, m.y);
        EXPECT_EQ(TouchSample, MakeTouchSample(m.panelX, m.panelY)) << m.x << ", " << m.y;
        EXPECT_EQ(std::pair(shift.dx, shift.dy), std::pair(m.dx, m.dy)) << m.x << ", " << m.y;
    }
}

// Mouse events and ticks as a script: "p X Y" press, "m X Y" move, "r"
// release, "t" one tick. Each tick records the column its touch stage saw
// (-1 for no touch).
std::vector<int> SeenColumns(PanelHost& host, const std::vector<std::vector<int>>& script) {
    std::vector<int> seen;
    for (const std::vector<int>& step : script) {
        switch (step[0]) {
            case 'p': host.MouseDown(MouseButton::Left, step[1], step[2]); break;
            case 'm': host.MouseMove(step[1], step[2]); break;
            case 'r': host.MouseUp(MouseButton::Left); break;
            case 't': {
                host.Tick();
                u16 x = 0;
                u16 y = 0;
                GetTouchPoint(&x, &y);
                seen.push_back(x == kNoTouchPoint ? -1 : x);
                break;
            }
            default: break;
        }
    }
    return seen;
}

TEST_F(PanelHostTest, EveryPressIsSeenDownAndEveryReleaseUpWhateverTheirPace) {
    const std::vector<int> p10 = {'p', 10, 5}, p20 = {'p', 20, 5}, m30 = {'m', 30, 5}, r = {'r'}, t = {'t'};
    struct Case {
        const char* what;
        std::vector<std::vector<int>> script;
        std::vector<int> seen;
    };
    const std::vector<Case> cases = {
        {"human pace: as before", {t, p10, t, m30, t, t, r, t, t}, {-1, 10, 30, 30, -1, -1}},
        {"press and release within a tick", {t, p10, r, t, t, t}, {-1, 10, -1, -1}},
        {"a double click is two touches", {p10, r, p20, r, t, t, t, t, t}, {10, -1, 20, -1, -1}},
        {"moves before the release still count", {p10, m30, r, t, t}, {30, -1}},
        {"a release and a new press within a tick", {p10, t, r, p20, t, t, t}, {10, -1, 20, 20}},
        {"moves while a release waits follow the new press", {p10, r, p20, m30, t, t, t}, {10, -1, 30}},
        {"a release without a press does nothing", {r, t, p10, t}, {-1, 10}},
    };
    for (const Case& c : cases) {
        StartAt(0);
        EXPECT_EQ(SeenColumns(host, c.script), c.seen) << c.what;
        EXPECT_EQ(host.PendingTouchEvents(), 0u) << c.what;
    }
}

}  // namespace
