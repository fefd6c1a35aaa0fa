#include "panel/hw/LcdQueue.h"
#include "panel/StaticState.h"

#include "panel/Check.h"

#include <cstdint>

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

struct LcdDamageState {
    LcdArea areas[kLcdDamageAreas];
    u8 count;
};

LcdDamageState damage;

// Host wiring, not firmware state: a firmware reset leaves it in place.
LcdWriteObserver writeObserver = nullptr;

// Pixels that a merge may add beyond the two areas it joins: the glyphs of a
// text and the bands of a fill join, fields far apart stay apart.
constexpr u32 kMergeSlack = 64;

constexpr u16 kLastColumn = kScreenWidth - 1;

u32 Size(const LcdArea& a) { return static_cast<u32>(a.x1 - a.x0 + 1) * static_cast<u32>(a.y1 - a.y0 + 1); }

LcdArea Union(const LcdArea& a, const LcdArea& b) {
    return {a.x0 < b.x0 ? a.x0 : b.x0, a.y0 < b.y0 ? a.y0 : b.y0, a.x1 > b.x1 ? a.x1 : b.x1, a.y1 > b.y1 ? a.y1 : b.y1};
}

bool Contains(const LcdArea& outer, const LcdArea& inner) {
    return outer.x0 <= inner.x0 && outer.y0 <= inner.y0 && inner.x1 <= outer.x1 && inner.y1 <= outer.y1;
}

void AddDamage(LcdArea area) {
    for (u8 i = 0; i < damage.count; ++i) {
        if (Contains(damage.areas[i], area)) return;
    }
    // An area that joins another cheaply takes its place, and may then join
    // a third.
    for (u8 i = 0; i < damage.count;) {
        const LcdArea joined = Union(damage.areas[i], area);
        if (Size(joined) > Size(damage.areas[i]) + Size(area) + kMergeSlack) {
            ++i;
            continue;
        }
        area = joined;
        damage.areas[i] = damage.areas[--damage.count];
        i = 0;
    }
    if (damage.count < kLcdDamageAreas) {
        damage.areas[damage.count++] = area;
        return;
    }
    u8 best = 0;
    u32 bestGrowth = UINT32_MAX;
    for (u8 i = 0; i < damage.count; ++i) {
        const u32 growth = Size(Union(damage.areas[i], area)) - Size(damage.areas[i]);
        if (growth < bestGrowth) {
            bestGrowth = growth;
            best = i;
        }
    }
    damage.areas[best] = Union(damage.areas[best], area);
}

void Report(u16 x0, u16 y0, u16 x1, u16 y1, u16 firstEntry) {
    if (x0 > kLastColumn || x1 < x0 || y1 < y0) return;
    const LcdArea area{x0, y0, x1 < kLastColumn ? x1 : kLastColumn, y1};
    writeObserver(area, firstEntry);
}

// The pixels stored since the last register write: the cursor walked from the
// first to the last along rows that end at the window's end column and begin
// again at its start column. Only stored pixels count, so every row lies on
// the screen.
struct PixelRun {
    u16 firstColumn;
    u16 firstRow;
    u16 lastColumn;
    u16 lastRow;
    u16 firstEntry;
    bool open;
};

void CloseRun(PixelRun& run, u16 windowStart, u16 windowEnd) {
    if (!run.open) return;
    run.open = false;
    if (run.firstRow == run.lastRow) {
        const LcdArea row{run.firstColumn, run.firstRow, run.lastColumn, run.lastRow};
        AddDamage(row);
        if (writeObserver != nullptr) Report(row.x0, row.y0, row.x1, row.y1, run.firstEntry);
        return;
    }
    // A cursor set right of the end column stores one pixel in its first row.
    const u16 firstRowEnd = run.firstColumn > windowEnd ? run.firstColumn : windowEnd;
    const u16 rowEnd = windowEnd > windowStart ? windowEnd : windowStart;
    const u16 lastRowStart = windowStart < run.lastColumn ? windowStart : run.lastColumn;
    u16 left = run.firstColumn < lastRowStart ? run.firstColumn : lastRowStart;
    u16 right = firstRowEnd > rowEnd ? firstRowEnd : rowEnd;
    if (right > kLastColumn) right = kLastColumn;
    AddDamage({left, run.firstRow, right, run.lastRow});
    if (writeObserver == nullptr) return;
    Report(run.firstColumn, run.firstRow, firstRowEnd, run.firstRow, run.firstEntry);
    if (run.lastRow > run.firstRow + 1) {
        Report(windowStart, static_cast<u16>(run.firstRow + 1), rowEnd, static_cast<u16>(run.lastRow - 1),
               run.firstEntry);
    }
    Report(lastRowStart, run.lastRow, run.lastColumn, run.lastRow, run.firstEntry);
}

inline void StorePixel(PixelRun& run, const LcdControllerState& c, u32 position) {
    PanelFramebuffer[c.cursorColumn * kScreenHeight + c.cursorRow] = c.pixelLatch;
    if (!run.open) {
        run.open = true;
        run.firstColumn = c.cursorColumn;
        run.firstRow = c.cursorRow;
        run.firstEntry = static_cast<u16>(position);
    }
    run.lastColumn = c.cursorColumn;
    run.lastRow = c.cursorRow;
}

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
    PixelRun run{};
    const u32 end = count < kLcdQueueSize ? count : kLcdQueueSize;
    const u16* entries = queue.entries;
    u32 position = 0;
    while (position < end) {
        const u16 e = entries[position];
        if (e & kLcdDataBit) {
            // Whole pixels stream through here: two data entries each.
            if (c.expectingHighByte && position + 1 < end && (entries[position + 1] & kLcdDataBit)) {
                if (c.cursorColumn < kScreenWidth && c.cursorRow < kScreenHeight) {
                    c.pixelLatch = static_cast<u16>(((e & 0xFF) << 8) | (entries[position + 1] & 0xFF));
                    StorePixel(run, c, position);
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
                    StorePixel(run, c, position);
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
        CloseRun(run, c.windowStartColumn, c.windowEndColumn);
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
    CloseRun(run, c.windowStartColumn, c.windowEndColumn);
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

u8 LcdDamageCount() { return damage.count; }

LcdArea LcdDamageArea(u8 index) { return index < damage.count ? damage.areas[index] : LcdArea{0, 0, 0, 0}; }

void LcdClearDamage() { damage.count = 0; }

void LcdSetWriteObserver(LcdWriteObserver observer) { writeObserver = observer; }

void ResetLcdStatics() {
    queue = LcdQueueState{};
    controller = LcdControllerState{};
    damage = LcdDamageState{};
}
