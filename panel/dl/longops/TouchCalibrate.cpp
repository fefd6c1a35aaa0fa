// DL_TOUCH_CALIBRATE: clears the screen, then shows a cross on each of five
// targets in turn and averages the touches on it, one step per run. A centre
// average off the middle starts the whole procedure again; commands queued
// behind it wait until it succeeds.
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/dl/longops/LongOp.h"
#include "panel/gfx/Context.h"
#include "panel/hw/TouchStage.h"

namespace {

constexpr u8 kClearPhase = 1;
constexpr u8 kFirstTargetPhase = 2;  // then an arm and a collect phase per target
constexpr u8 kLastTargetPhase = 11;

constexpr u16 kCrossArm = 20;
constexpr u16 kTargetLeft = 30;
constexpr u16 kTargetTop = 30;
constexpr u16 kTargetRight = 290;
constexpr u16 kTargetBottom = 210;
constexpr u16 kTargetCentreX = (kTargetLeft + kTargetRight) / 2;
constexpr u16 kTargetCentreY = (kTargetTop + kTargetBottom) / 2;
constexpr i32 kCentreTolerance = 5;
constexpr i32 kAverageWait = 40;

struct Target {
    u16 x;
    u16 y;
};
constexpr Target kTargets[] = {{kTargetLeft, kTargetTop},
                               {kTargetRight, kTargetTop},
                               {kTargetLeft, kTargetBottom},
                               {kTargetRight, kTargetBottom},
                               {kTargetCentreX, kTargetCentreY}};
constexpr u8 kCentreTarget = 4;

// Erasing draws the same strokes in the background colour.
void DrawCross(const Target& target, bool erase) {
    SetContextFlags(erase ? kContextInverse : 0);
    MoveTo(static_cast<u16>(target.x - kCrossArm), static_cast<u8>(target.y));
    LineTo(static_cast<u16>(target.x + kCrossArm), static_cast<u8>(target.y));
    MoveTo(target.x, static_cast<u8>(target.y - kCrossArm));
    LineTo(target.x, static_cast<u8>(target.y + kCrossArm));
}

// A cross is two straight strokes of 41 pixels; the edge estimate of their
// combined length covers them.
bool CrossFits() {
    Estimate(kCostEdges, 4 * kCrossArm, 1, 0);
    return FitsBudget();
}

void Arm(u8 target) {
    InterpreterState& st = Interp;
    CalibrationProgress& p = st.calibration;
    if (!CrossFits()) return;
    DrawCross(kTargets[target], false);
    p.waitState = kAverageWait;
    p.samples = 0;
    p.averageX = 0;
    p.averageY = 0;
    ++st.opPhase;
    st.stopFlag = 1;
}

// The calibration values that a corner target's average goes into. The first
// target on a side sets the side's value; the second one averages with it.
struct CornerValues {
    u8 xValue;
    bool xSecond;
    u8 yValue;
    bool ySecond;
};
constexpr CornerValues kCornerValues[] = {{kCalibrationLeft, false, kCalibrationTop, false},
                                          {kCalibrationRight, false, kCalibrationTop, true},
                                          {kCalibrationLeft, true, kCalibrationBottom, false},
                                          {kCalibrationRight, true, kCalibrationBottom, true}};

void StoreValue(u8 which, i32 v, bool second) {
    if (second) v = (TouchCalibrationValue(which) + v) / 2;
    SetTouchCalibrationValue(which, static_cast<u16>(v));
}

void StoreTarget(u8 target, i32 x, i32 y) {
    if (target >= kCentreTarget) return;
    const CornerValues& values = kCornerValues[target];
    StoreValue(values.xValue, x, values.xSecond);
    StoreValue(values.yValue, y, values.ySecond);
}

void Collect(u8 target) {
    InterpreterState& st = Interp;
    CalibrationProgress& p = st.calibration;
    st.stopFlag = 1;
    const u8 mode = target == kCentreTarget ? 1 : 0;
    if (TouchAverage(&p.waitState, &p.samples, &p.averageX, &p.averageY, mode) == 0) return;
    // The average stays complete, so a cross that cannot be erased in this
    // run is erased in the next one; the values are stored only then.
    if (!CrossFits()) return;
    StoreTarget(target, p.averageX, p.averageY);
    DrawCross(kTargets[target], true);
    if (target != kCentreTarget) {
        ++st.opPhase;
        return;
    }
    const bool centred = longop::Abs(p.averageX - kTargetCentreX) <= kCentreTolerance &&
                         longop::Abs(p.averageY - kTargetCentreY) <= kCentreTolerance;
    if (centred) {
        st.calibrationActive = 0;
        CompleteCommand(DlCommandLength(DL_TOUCH_CALIBRATE));
    } else {
        st.opPhase = 0;
    }
}

}  // namespace

void StepTouchCalibrate() {
    InterpreterState& st = Interp;
    if (st.opPhase == 0) {
        st.calibrationActive = 1;
        st.calibration.clear = {0, 0, longop::kLastColumn, longop::kLastRow};
        st.opPhase = kClearPhase;
    }
    if (st.opPhase == kClearPhase) {
        st.stopFlag = 1;
        if (!longop::FillRowsChunked(st.calibration.clear)) return;
        st.opPhase = kFirstTargetPhase;
        ReloadBudgets();
    }
    if (st.opPhase > kLastTargetPhase) {
        CompleteCommand(DlCommandLength(DL_TOUCH_CALIBRATE));
        return;
    }
    const u8 target = static_cast<u8>((st.opPhase - kFirstTargetPhase) / 2);
    if ((st.opPhase - kFirstTargetPhase) % 2 == 0) {
        Arm(target);
    } else {
        Collect(target);
    }
}
