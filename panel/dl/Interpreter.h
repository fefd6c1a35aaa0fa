// The display-list interpreter: once per tick it runs the touch stage, executes
// queued commands as far as the work budget and the free LCD queue allow, and
// applies the LCD queue to the framebuffer. DlInit and DisplayListRun are
// declared in panel/Firmware.h.
#pragma once

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"

// A CostTable entry: the estimate is (c0 x a + c1 x b + c2 x c) / 256. Even
// entries estimate work, odd ones LCD-queue entries; they are used in pairs.
struct CostCoefficients {
    i32 c0;
    i32 c1;
    i32 c2;
};
constexpr u8 kCostTableSize = 20;
extern const CostCoefficients CostTable[kCostTableSize];

constexpr u8 kCostEdges = 0;
constexpr u8 kCostFill = 2;
constexpr u8 kCostOutlineQuadrant = 4;
constexpr u8 kCostFilledQuadrant = 6;
constexpr u8 kCostOpaqueGlyph = 8;
constexpr u8 kCostTransparentGlyph = 10;
constexpr u8 kCostOpaqueCoverage = 12;
constexpr u8 kCostTransparentCoverage = 14;
constexpr u8 kCostRotatedPlain = 16;
constexpr u8 kCostRotatedFiltered = 18;

i32 CostEstimate(u8 k, i32 a, i32 b, i32 c);

// Called by every drawing step before it draws: false (and the run ends) when
// the pending estimates exceed the budgets.
bool FitsBudget();

// A producer that finds no room for `length` more bytes waits for the
// interpreter: the commands ahead are drawn at once, within the producer's
// call, until the command fits. True when it fits. It cannot wait inside a
// run, nor behind a touch calibration, which needs touches to finish.
bool DlWaitForRoom(u16 length);

// Interpreter state, read by tests and tools.
u8 GetDrawFlags();
u8 GetInverseState();
u8 GetOpPhase();
i32 PendingWorkEstimate();
i32 PendingQueueEstimate();

// A read-only view of the drawing for tools on the host (the model of what
// the screen shows). The observer is told when a text or picture command has
// placed itself (the context's cursor stands at the text's start, the image
// progress holds the picture's corner) and when any command completes, in
// both cases while the command is still at the read index. It must not draw
// or change interpreter state. Null (the default) costs one test per command.
constexpr u8 kDlPlaced = 0;
constexpr u8 kDlCompleted = 1;
using DlObserver = void (*)(u8 event);
void DlSetObserver(DlObserver observer);
void DlNotify(u8 event);

// A second read-only view, for tools that watch the engine at work (the
// inspector, traces), beside the scene's. Besides the two events above it is
// told when a run begins and ends (the end comes before the LCD queue is
// flushed; a producer's wait for room runs too), when a step of the command
// at the read index begins, and when a step has checked its estimates against
// the budgets (StopFlag then says whether it fit; a picture is told only when
// it is drawn whole). The observer's rules hold.
constexpr u8 kDlRunBegin = 2;
constexpr u8 kDlStepBegin = 3;
constexpr u8 kDlBudgetChecked = 4;
constexpr u8 kDlRunEnd = 5;
void DlSetEngineObserver(DlObserver observer);
