// The interpreter's state record, shared only by the interpreter loop and the
// long drawing operations, which together form one module.
#pragma once

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"

struct InterpreterState {
    u8 stopFlag;
    u8 opPhase;
    // Progress registers of the command in progress.
    i32 a, b, c, d;
    i32 r, s, t, m, n;
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

// Background fill of columns a..c, rows b..d, in bands; true when finished.
bool FillRowsChunked();
void ClipQuadrant(u16 x, u8 y, u16 r, u8 mode);
void DrawCross(u16 x, u16 y, bool erase);
