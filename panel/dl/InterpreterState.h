// The interpreter's state record, shared only by the interpreter loop and the
// long drawing operations, which together form one module.
#pragma once

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"

// A background fill still to do: columns left..right of rows top..bottom, in
// screen coordinates. top moves down band by band as the fill goes on.
struct FillBand {
    i32 left;
    i32 top;
    i32 right;
    i32 bottom;
};

// The progress of each command that may take several steps. A command owns its
// own record from its first step until it completes; the others stay unused.
struct LineProgress {
    i32 x;  // the end point, kept while the line waits for room
    i32 y;
};

struct RectProgress {
    FillBand fill;  // inside the outline when there is one
};

struct CircleProgress {
    i32 x;
    i32 y;
    i32 radius;
    u8 style;      // DrawQuadrants style bits
    u8 quadrants;  // mask bits of the quadrants still to draw, from bit `next` on
    u8 next;       // the quadrant that bit 0 of `quadrants` stands for
};

struct RoundRectProgress {
    i32 left;
    i32 top;
    i32 right;
    i32 bottom;
    i32 radius;
    u8 style;    // DrawQuadrants style bits of the corners
    u8 inset;    // 1 when the outline frames the fill, which stays inside it
    u8 corners;  // mask of the rounded corners
    FillBand fill;
};

struct ImageProgress {
    i32 left;
    i32 top;
    i32 nextRow;  // 1-based first row of the next band
};

struct TextProgress {
    i32 next;   // the character to draw next, counted from the first
    i32 angle;  // rotated commands only
};

// The screen clear, then the averaging of the touches on the target in hand.
struct CalibrationProgress {
    FillBand clear;
    i32 waitState;
    i32 samples;
    i32 averageX;
    i32 averageY;
};

struct InterpreterState {
    u8 stopFlag;
    u8 opPhase;
    LineProgress line;
    RectProgress rect;
    CircleProgress circle;
    RoundRectProgress roundRect;
    ImageProgress image;
    FillBand imageBox;
    TextProgress text;
    CalibrationProgress calibration;
    // The glyph or image record and the cost pair of the command in progress.
    const u8* record;
    u8 costWork;
    u8 costQueue;
    i32 pendingWork;
    i32 pendingQueue;
    i32 workBudget;
    i32 queueBudget;
    u16 lineX;
    u8 lineY;
    u8 drawFlags;
    u8 inverseState;
    u8 calibrationActive;
    u8 running;  // 1 while a run or a producer's wait executes commands
};

extern InterpreterState Interp;

// Tells the engine observer (Interpreter.h) of an event; the scene's observer
// hears only through DlNotify.
void DlNotifyEngine(u8 event);

// Reload both budgets before the next step.
void ReloadBudgets();
// Sets both pending estimates from the cost pair starting at k.
void Estimate(u8 k, i32 a, i32 b, i32 c);
// The command at DlReadIndex is done: the next one starts at phase 0.
void CompleteCommand(u16 length);

// The steps of the commands that may take several runs; each resumes at the
// phase where it stopped.
void StepRect();
void StepCircle();
void StepRoundRect();
void StepImage();
void StepImageBox();
void StepChar();
void StepText();
void StepTextAt();
void StepCharRotated();
void StepTextRotated();
void StepTouchCalibrate();
