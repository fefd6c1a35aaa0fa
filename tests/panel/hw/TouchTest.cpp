#include "panel/hw/Touch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "panel/hw/TouchStage.h"

namespace {

u8 HitAt(int x, int y) {
    TouchSample = MakeTouchSample(x, y);
    RunTouchStage();
    return GetHitButton();
}

TEST(TouchTest, RegionsAreHitOnlyStrictlyInsideTheirBorders) {
    ResetTouchStage();
    AddTouchButton(4, 10, 30, 20, 40);
    // Neighbours sharing an edge: the edge belongs to neither.
    AddTouchButton(5, 20, 30, 30, 40);
    const struct {
        int x, y;
        u8 hit;
    } points[] = {{10, 35, kNoButton}, {11, 35, 4}, {19, 35, 4},         {20, 35, kNoButton},
                  {15, 30, kNoButton}, {15, 31, 4}, {15, 40, kNoButton}, {21, 35, 5}};
    for (const auto& p : points) EXPECT_EQ(HitAt(p.x, p.y), p.hit) << p.x << "," << p.y;

    u16 x = 0, y = 0;
    GetTouchPoint(&x, &y);
    EXPECT_EQ((std::pair<u16, u16>(x, y)), (std::pair<u16, u16>(21, 35)));
    TouchSample = kNoTouch;
    RunTouchStage();
    GetTouchPoint(&x, &y);
    EXPECT_EQ(x, 0xFFFF);
}

TEST(TouchTest, OverlappingRegionsResolveToTheLowerSlot) {
    ResetTouchStage();
    AddTouchButton(9, 0, 0, 100, 100);
    AddTouchButton(3, 40, 40, 60, 60);
    EXPECT_EQ(HitAt(50, 50), 9);
    RemoveTouchButton(9);
    EXPECT_EQ(HitAt(50, 50), 3);
    // The freed slot 0 comes first again.
    AddTouchButton(7, 45, 45, 55, 55);
    EXPECT_EQ(TouchRegionAt(0)->id, 7);
    EXPECT_EQ(HitAt(50, 50), 7);
}

TEST(TouchTest, AddingAnIdTakesTheFirstFreeOrMatchingRecordAndRemoveAllFreesEverything) {
    ResetTouchStage();
    for (u8 id = 0; id < 4; ++id) AddTouchButton(id == 3 ? 7 : id, id, id, 50, 50);
    RemoveTouchButton(0);
    AddTouchButton(7, 100, 100, 200, 200);
    EXPECT_EQ(TouchRegionAt(0)->x1, 100);
    EXPECT_EQ(TouchRegionAt(3)->x1, 3);

    // A full table changes nothing.
    RemoveTouchButton(kNoButton);
    for (u8 id = 0; id < kTouchRegionCount; ++id) AddTouchButton(id, 0, 0, 10, 10);
    AddTouchButton(99, 200, 200, 300, 230);
    EXPECT_EQ(HitAt(250, 215), kNoButton);
    RemoveTouchButton(kNoButton);
    EXPECT_EQ(HitAt(5, 5), kNoButton);
    EXPECT_EQ(TouchRegionAt(kTouchRegionCount), nullptr);
}

TEST(TouchTest, ATouchedSliderMapsTheColumnOntoItsRangeInSteps) {
    ResetTouchStage();
    AddTouchSlider(1, 100, 50, 200, 70, 0, 100, 10, -1);
    const auto slideTo = [](int x) {
        TouchSample = MakeTouchSample(x, 60);
        RunTouchStage();
        return TouchSliderAt(0)->value;
    };
    EXPECT_EQ(slideTo(150), 50);
    EXPECT_EQ(slideTo(124), 20);  // 24 rounds to the nearest step
    EXPECT_EQ(slideTo(126), 30);
    // A step of 0 rounds to whole values instead of dividing by it.
    AddTouchSlider(1, 100, 50, 200, 70, -50, 50, 0, 0);
    EXPECT_EQ(slideTo(175), 25);
    EXPECT_EQ(slideTo(200), 25);  // on the border the value stays
    RemoveTouchSlider(kNoButton);
    EXPECT_LT(TouchSliderAt(0)->id, 0);
}

TEST(TouchTest, TheSignalCountdownIsLimitedTo128AndCountsDownToZero) {
    ResetTouchStage();
    TouchSample = kNoTouch;
    SetSignalCountdown(200);
    RunTouchStage();
    EXPECT_EQ(GetSignalCountdown(), 127);
    for (int run = 2; run <= 129; ++run) {
        RunTouchStage();
        EXPECT_EQ(GetSignalCountdown(), std::max(0, 128 - run)) << run;
    }
}

TEST(TouchTest, TouchAverageWaitsForLiftThenSettlesThenAverages100Samples) {
    i32 state = 40, count = 0, x = 0, y = 0;
    int finished = 0;
    const auto run = [&](u32 sample, int calls, i32 mode) {
        TouchSample = sample;
        for (int i = 0; i < calls; ++i) finished += TouchAverage(&state, &count, &x, &y, mode);
    };
    // A pen still down does not count as lifted, but the corner sample 0 does;
    // settling then needs 20 touched calls, and untouched ones wait.
    run(MakeTouchSample(5, 5), 10, 0);
    EXPECT_EQ(state, 40);
    run(0, 5, 0);
    run(kNoTouch, 25, 0);
    EXPECT_EQ(state, 20);
    run(MakeTouchSample(1000, 1000), 20, 0);
    EXPECT_EQ(state, 0);
    EXPECT_EQ(count, 0);

    run(MakeTouchSample(100, 50), 1, 1);
    run(MakeTouchSample(111, 50), 99, 1);
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(count, 100);
    // A running mean truncated at every step: 100, 105, 107, 108, 108, ...
    EXPECT_EQ(x, 108);
    EXPECT_EQ(y, 50);
    TouchSample = kNoTouch;
    EXPECT_EQ(TouchAverage(&state, &count, &x, &y, 1), 1);
}

}  // namespace
