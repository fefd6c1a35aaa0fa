// The LCD controller's command queue, its emulation, and the pixel store.
//
// The raster layer never writes pixels itself: it appends bus transfers to the
// LcdQueue, and once per interpreter run LcdFlush replays them through an
// emulation of the controller into PanelFramebuffer.
#pragma once

#include "panel/Types.h"

constexpr u16 kLcdQueueSize = 30720;
constexpr u16 kLcdWorkBudget = 9900;
constexpr u16 kLcdDataBit = 0x100;

// Controller registers that the emulation understands.
constexpr u8 kLcdRegDisplayControl = 0x07;
constexpr u8 kLcdRegMemoryWrite = 0x22;
constexpr u8 kLcdRegVerticalWindow = 0x44;
constexpr u8 kLcdRegWindowStart = 0x45;
constexpr u8 kLcdRegWindowEnd = 0x46;
constexpr u8 kLcdRegCursorColumn = 0x4E;
constexpr u8 kLcdRegCursorRow = 0x4F;

// Column-major: pixel (x, y) is element x * 240 + y.
extern Rgb565 PanelFramebuffer[kScreenWidth * kScreenHeight];

// The element of pixel (x, y) in the framebuffer or any copy of it; a
// coordinate off the screen wraps round instead of leaving the table.
constexpr u32 FramebufferIndex(u16 x, u16 y) {
    return static_cast<u32>(x % kScreenWidth) * kScreenHeight + y % kScreenHeight;
}

inline Rgb565& FramebufferAt(u16 x, u16 y) { return PanelFramebuffer[FramebufferIndex(x, y)]; }

// One row of the controller's start-up sequence; a nonzero delay calls the
// delay hook after the write.
struct LcdInitStep {
    u8 reg;
    u8 delay;
    u16 value;
};
constexpr u8 kLcdInitStepCount = 32;
extern const LcdInitStep LcdStartupSequence[kLcdInitStepCount];

// Writers. They do not check the room left: the interpreter plans every command
// within LcdQueueFree before it starts it. Debug builds stop on a violation;
// release builds drop the entries that do not fit.
void LcdWriteRegister(u8 reg, u16 value);
void LcdSelectRegister(u8 reg);
void LcdSetWindow(u16 x0, u8 y0, u16 x1, u8 y1);
void LcdWritePixel(Rgb565 colour);

i32 LcdQueueFree();
i32 LcdWorkBudget();

// Entries queued so far, and read access for tests and tools.
u16 LcdQueueCount();
u16 LcdQueueEntry(u16 index);
u16 LcdHighWaterMark();

// Replays `count` queued entries through the controller emulation. The caller
// empties the queue afterwards.
void LcdFlush(u16 count);

// The end of every interpreter run: records the high-water mark, flushes all
// queued entries and empties the queue.
void LcdApplyQueue();

// The engine reset's part of the queue: memory-write flag, write index,
// high-water mark and the flush position back to zero. Cursor, window and
// pixel latch keep their values, as on the panel.
void LcdResetQueue();

// The delay hook of the start-up sequence; the emulation needs no delays.
void LcdDelay(u8 milliseconds);

// A part of the framebuffer: columns x0..x1 and rows y0..y1, both inclusive.
struct LcdArea {
    u16 x0;
    u16 y0;
    u16 x1;
    u16 y1;
};

// What the controller wrote since the last LcdClearDamage, so that the host
// repaints that and compares nothing: every pixel stored lies in one of these
// areas. Areas that touch or nearly do are merged, and there are never more
// than kLcdDamageAreas; when a new area finds no room it joins the one that
// it enlarges least.
constexpr u8 kLcdDamageAreas = 8;
u8 LcdDamageCount();
// An area of the damage; an index past the count reads as the pixel at 0, 0.
LcdArea LcdDamageArea(u8 index);
void LcdClearDamage();

// A read-only view for tools on the host: during a flush, each area the
// controller has just written, exactly (a run of pixels between two register
// writes, cut into its first row, its whole rows and its last row), with the
// queue position of the run's first pixel. It must not queue or flush. Null
// (the default) costs one test per run; a firmware reset leaves it in place.
using LcdWriteObserver = void (*)(const LcdArea& area, u16 firstEntry);
void LcdSetWriteObserver(LcdWriteObserver observer);

// Controller state, read by tests.
struct LcdControllerState {
    u16 readPosition;
    u16 entriesLeft;
    u8 expectingHighByte;
    u16 pixelLatch;
    u16 verticalWindow;
    u16 windowStartColumn;
    u16 windowEndColumn;
    u16 cursorColumn;
    u16 cursorRow;
    u8 memoryWriteStarted;
};
const LcdControllerState& LcdController();
