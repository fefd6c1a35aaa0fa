#include "panel/hw/LcdQueue.h"
#include "panel/StaticState.h"

#include "panel/Check.h"

Rgb565 PanelFramebuffer[kScreenWidth * kScreenHeight];

const LcdInitStep LcdStartupSequence[kLcdInitStepCount] = {
    {0x07, 0, 0x0030}, {0x00, 0, 0x0001}, {0x10, 0, 0x0000}, {0x01, 0, 0x30F0}, {0x02, 0, 0x0600}, {0x03, 0, 0x6A38},
    {0x11, 0, 0x6870}, {0x0F, 0, 0x0000}, {0x0B, 0, 0x5308}, {0x0C, 0, 0x0003}, {0x0D, 0, 0x000A}, {0x0E, 0, 0x2E00},
    {0x1E, 0, 0x00BE}, {0x25, 0, 0x8000}, {0x26, 0, 0x7800}, {0x48, 0, 0x0000}, {0x49, 0, 0x00EF}, {0x4A, 0, 0x0000},
    {0x4B, 0, 0x00EF}, {0x4E, 0, 0x0000}, {0x4F, 0, 0x0000}, {0x12, 0, 0x08D9}, {0x31, 0, 0x0104}, {0x32, 0, 0x0100},
    {0x33, 0, 0x0305}, {0x34, 0, 0x0505}, {0x35, 0, 0x0305}, {0x36, 0, 0x0707}, {0x37, 0, 0x0300}, {0x3A, 0, 0x1200},
    {0x3B, 0, 0x0800}, {0x07, 0, 0x0030},
};

namespace {

struct LcdQueueState {
    u16 entries[kLcdQueueSize];
    u16 writeIndex;
    u16 highWater;
};

LcdQueueState queue;
LcdControllerState controller;

inline void Append(u16 entry) {
    PANEL_CHECK(queue.writeIndex < kLcdQueueSize, "LCD queue overflow: a writer appended past the queue's capacity");
    if (queue.writeIndex < kLcdQueueSize) {
        queue.entries[queue.writeIndex++] = entry;
    }
}

inline void AppendWord(u16 value) {
    Append(static_cast<u16>(kLcdDataBit | (value >> 8)));
    Append(static_cast<u16>(kLcdDataBit | (value & 0xFF)));
}

// Entries past the flushed count read as 0, so a transfer cut off by the count
// never reaches beyond what was queued.
inline u16 EntryOrZero(u32 position, u32 end) { return position < end ? queue.entries[position] : 0; }

}  // namespace

void LcdWriteRegister(u8 reg, u16 value) {
    PANEL_CHECK(queue.writeIndex <= kLcdQueueSize - 4, "LCD queue overflow: no room for a register write");
    Append(0x0000);
    Append(reg);
    AppendWord(value);
}

void LcdSelectRegister(u8 reg) {
    PANEL_CHECK(queue.writeIndex <= kLcdQueueSize - 2, "LCD queue overflow: no room for a register select");
    Append(0x0000);
    Append(reg);
}

void LcdSetWindow(u16 x0, u8 y0, u16 x1, u8 y1) {
    PANEL_CHECK(queue.writeIndex <= kLcdQueueSize - 22, "LCD queue overflow: no room for a window");
    LcdWriteRegister(kLcdRegVerticalWindow, static_cast<u16>((y1 << 8) + y0));
    LcdWriteRegister(kLcdRegWindowStart, x0);
    LcdWriteRegister(kLcdRegWindowEnd, x1);
    LcdWriteRegister(kLcdRegCursorColumn, x0);
    LcdWriteRegister(kLcdRegCursorRow, y0);
    LcdSelectRegister(kLcdRegMemoryWrite);
}

void LcdWritePixel(Rgb565 colour) {
    PANEL_CHECK(queue.writeIndex <= kLcdQueueSize - 2, "LCD queue overflow: no room for a pixel");
    AppendWord(colour);
}

i32 LcdQueueFree() { return static_cast<i32>(kLcdQueueSize) - queue.writeIndex; }

i32 LcdWorkBudget() { return kLcdWorkBudget; }

u16 LcdQueueCount() { return queue.writeIndex; }

u16 LcdQueueEntry(u16 index) { return index < kLcdQueueSize ? queue.entries[index] : 0; }

u16 LcdHighWaterMark() { return queue.highWater; }

const LcdControllerState& LcdController() { return controller; }

void LcdDelay(u8) {}

void LcdFlush(u16 count) {
    // The controller's registers live in locals during the replay: framebuffer
    // stores could otherwise alias them and force a reload per pixel.
    LcdControllerState c = controller;
    const u32 end = count < kLcdQueueSize ? count : kLcdQueueSize;
    const u16* entries = queue.entries;
    u32 position = 0;
    while (position < end) {
        const u16 e = entries[position];
        if (e & kLcdDataBit) {
            // Whole pixels stream through here: two data entries each.
            if (c.expectingHighByte && position + 1 < end && (entries[position + 1] & kLcdDataBit)) {
                const u16 pixel = static_cast<u16>(((e & 0xFF) << 8) | (entries[position + 1] & 0xFF));
                if (c.cursorColumn < kScreenWidth && c.cursorRow < kScreenHeight) {
                    c.pixelLatch = pixel;
                    PanelFramebuffer[c.cursorColumn * kScreenHeight + c.cursorRow] = pixel;
                }
                if (++c.cursorColumn > c.windowEndColumn) {
                    c.cursorColumn = c.windowStartColumn;
                    ++c.cursorRow;
                }
                position += 2;
                continue;
            }
            const bool onScreen = c.cursorColumn < kScreenWidth && c.cursorRow < kScreenHeight;
            if (c.expectingHighByte) {
                if (onScreen) c.pixelLatch = static_cast<u16>((e & 0xFF) << 8);
                c.expectingHighByte = 0;
            } else {
                if (onScreen) {
                    c.pixelLatch = static_cast<u16>(c.pixelLatch | (e & 0xFF));
                    PanelFramebuffer[c.cursorColumn * kScreenHeight + c.cursorRow] = c.pixelLatch;
                }
                if (++c.cursorColumn > c.windowEndColumn) {
                    c.cursorColumn = c.windowStartColumn;
                    ++c.cursorRow;
                }
                c.expectingHighByte = 1;
            }
            ++position;
            continue;
        }
        // A register index: this entry is its high byte, the next one names it.
        c.expectingHighByte = 1;
        const u8 reg = static_cast<u8>(EntryOrZero(position + 1, end) & 0xFF);
        u32 step = 4;
        if (reg == kLcdRegMemoryWrite) {
            c.memoryWriteStarted = 1;
            step = 2;
        } else {
            const u16 value = static_cast<u16>(((EntryOrZero(position + 2, end) & 0xFF) << 8) |
                                               (EntryOrZero(position + 3, end) & 0xFF));
            switch (reg) {
                case kLcdRegVerticalWindow: c.verticalWindow = value; break;
                case kLcdRegWindowStart: c.windowStartColumn = value; break;
                case kLcdRegWindowEnd: c.windowEndColumn = value; break;
                case kLcdRegCursorColumn: c.cursorColumn = value; break;
                case kLcdRegCursorRow: c.cursorRow = value; break;
                default: break;
            }
        }
        position += step;
    }
    c.readPosition = static_cast<u16>(position < end ? position : end);
    c.entriesLeft = 0;
    controller = c;
}

void LcdApplyQueue() {
    if (queue.writeIndex == 0) return;
    if (queue.writeIndex > queue.highWater) queue.highWater = queue.writeIndex;
    LcdFlush(queue.writeIndex);
    queue.writeIndex = 0;
}

void LcdResetQueue() {
    controller.memoryWriteStarted = 0;
    queue.writeIndex = 0;
    queue.highWater = 0;
    controller.readPosition = 0;
    controller.entriesLeft = 0;
}

void ResetLcdStatics() {
    queue = LcdQueueState{};
    controller = LcdControllerState{};
}
