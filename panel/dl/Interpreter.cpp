#include "panel/dl/Interpreter.h"

#include <cstdint>

#include "panel/Check.h"
#include "panel/Firmware.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/DrawApi.h"
#include "panel/dl/InterpreterState.h"
#include "panel/gfx/Context.h"
#include "panel/gfx/Raster.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Services.h"
#include "panel/hw/TouchStage.h"

const CostCoefficients CostTable[kCostTableSize] = {
    {258, 69000, 0},     {560, 77000, 0},      // edges of a rectangle
    {86, 340, 61000},    {56, 561, 58000},     // band of a background fill
    {3851, 62000, 0},    {9478, 58000, 0},     // outline quarter circle
    {3405, 203, 62000},  {7130, 440, 60000},   // filled quarter circle
    {173, 489, 63000},   {93, 557, 59000},     // opaque glyph or image
    {2497, 1415, 61000}, {3393, 3466, 62000},  // transparent glyph or image
    {93, 681, 63000},    {93, 557, 59000},     // opaque even-depth coverage image
    {2593, 1700, 60000}, {3393, 3466, 62000},  // transparent even-depth coverage image
    {3718, 76000, 0},    {6698, 55000, 0},     // rotated glyph, large or axis-aligned
    {6263, 112000, 0},   {7429, 134000, 0},    // rotated glyph, filtered
};

InterpreterState Interp;

namespace {

// Host wiring, not firmware state: a firmware reset leaves it in place.
DlObserver observer = nullptr;
DlObserver engineObserver = nullptr;

inline void NotifyEngine(u8 event) {
    if (engineObserver != nullptr) engineObserver(event);
}

// A line's work is ten per unit of its length; the cap keeps a line between
// far off-screen points startable with the full budget.
constexpr i32 kLineWorkPerPixel = 10;
constexpr i32 kLineLengthCap = 990;
// Each pixel of a slanted line is a window plus a pixel; a straight line is
// one window and its pixels. No line sets more pixels than the screen is wide.
constexpr i32 kLcdWindowEntries = 22;
constexpr i32 kLcdPixelEntries = 2;
constexpr i32 kLineMaxPixels = kScreenWidth;

i32 Abs(i32 v) { return v < 0 ? -v : v; }

void StepLineTo() {
    InterpreterState& st = Interp;
    LineProgress& p = st.line;
    if (st.opPhase == 0) {
        p.x = DlPeekWord(1);
        p.y = static_cast<u8>(DlPeekWord(3));
        const i32 dx = Abs(p.x - st.lineX);
        const i32 dy = Abs(p.y - st.lineY);
        MoveTo(st.lineX, st.lineY);
        st.opPhase = 1;
        const i32 d = dx + dy;
        st.pendingWork = (d < kLineLengthCap ? d : kLineLengthCap) * kLineWorkPerPixel;
        // Ten entries per unit of length undercounts short and diagonal lines,
        // whose pixels each need a window of their own.
        i32 pixels = (dx > dy ? dx : dy) + 1;
        if (pixels > kLineMaxPixels) pixels = kLineMaxPixels;
        const i32 entries = pixels * (kLcdWindowEntries + kLcdPixelEntries);
        st.pendingQueue = st.pendingWork > entries ? st.pendingWork : entries;
    }
    // A resumed line checks again: a run normally starts with an empty queue,
    // but nothing else guarantees that the room it waited for is there.
    if (!FitsBudget()) return;
    st.lineX = static_cast<u16>(p.x);
    st.lineY = static_cast<u8>(p.y);
    LineTo(st.lineX, st.lineY);
    CompleteCommand(DlCommandLength(DL_LINE_TO));
}

void StepSetInverse() {
    InterpreterState& st = Interp;
    if (DlPeekByte(1) != st.inverseState) {
        st.inverseState = st.inverseState == 0 ? 1 : 0;
        const GfxContext& context = CurrentContext();
        const Rgb565 fore = context.foreColour;
        const Rgb565 back = context.backColour;
        SetBackColour(fore);
        SetForeColour(back);
    }
    CompleteCommand(DlCommandLength(DL_SET_INVERSE));
}

void Step() {
    InterpreterState& st = Interp;
    const u8 opcode = DlPeekByte(0);
    // Producers write whole commands, so a fixed-length command that is not
    // all there can only come from raw bytes: it is dropped with them.
    if (opcode < kDlOpcodeCount && !DlCarriesText(opcode) && DlCommandLength(opcode) > DlBytesUsed()) {
        CompleteCommand(DlBytesUsed());
        return;
    }
    switch (opcode) {
        case DL_DISPLAY_ON:
            DisplayOn();
            CompleteCommand(DlCommandLength(DL_DISPLAY_ON));
            break;
        case DL_DISPLAY_OFF:
            DisplayOff();
            CompleteCommand(DlCommandLength(DL_DISPLAY_OFF));
            break;
        case DL_SET_FLAGS:
            st.drawFlags = DlPeekByte(1);
            CompleteCommand(DlCommandLength(DL_SET_FLAGS));
            break;
        case DL_SET_INVERSE: StepSetInverse(); break;
        case DL_SET_FOREGROUND:
            SetForeColour(DlPeekWord(1));
            CompleteCommand(DlCommandLength(DL_SET_FOREGROUND));
            break;
        case DL_SET_BACKGROUND:
            SetBackColour(DlPeekWord(1));
            CompleteCommand(DlCommandLength(DL_SET_BACKGROUND));
            break;
        case DL_SET_FONT:
            SetFont(FontInSlot(DlPeekByte(1)));
            CompleteCommand(DlCommandLength(DL_SET_FONT));
            break;
        case DL_MOVE_TO:
            st.lineX = DlPeekWord(1);
            st.lineY = static_cast<u8>(DlPeekWord(3));
            SetContextFlags(0);
            MoveTo(st.lineX, st.lineY);
            CompleteCommand(DlCommandLength(DL_MOVE_TO));
            break;
        case DL_LINE_TO: StepLineTo(); break;
        case DL_RECT: StepRect(); break;
        case DL_CIRCLE: StepCircle(); break;
        case DL_ROUND_RECT: StepRoundRect(); break;
        case DL_IMAGE: StepImage(); break;
        case DL_IMAGE_BOX: StepImageBox(); break;
        case DL_TEXT_POS:
            SetTextPosition(DlPeekWord(1), static_cast<u8>(DlPeekWord(3)));
            CompleteCommand(DlCommandLength(DL_TEXT_POS));
            break;
        case DL_CHAR: StepChar(); break;
        case DL_TEXT: StepText(); break;
        case DL_TEXT_AT: StepTextAt(); break;
        case DL_CHAR_ROTATED: StepCharRotated(); break;
        case DL_TEXT_ROTATED: StepTextRotated(); break;
        case DL_TOUCH_CALIBRATE: StepTouchCalibrate(); break;
        default:
            // No producer writes these; dropping one byte lets the interpreter
            // find the next command instead of stopping the display.
            CompleteCommand(DlCommandLength(opcode));
            break;
    }
}

// A run's steps: until the ring is empty or a step ends the run.
void RunSteps() {
    InterpreterState& st = Interp;
    while (DlBytesUsed() != 0) {
        ReloadBudgets();
        NotifyEngine(kDlStepBegin);
        Step();
        if (st.stopFlag) break;
    }
}

}  // namespace

i32 CostEstimate(u8 k, i32 a, i32 b, i32 c) {
    PANEL_CHECK(k < kCostTableSize, "cost table index out of range");
    if (k >= kCostTableSize) return INT32_MAX;
    const CostCoefficients& e = CostTable[k];
    // Wide operands could overflow 32 bits; the estimate saturates instead.
    const std::int64_t sum =
        static_cast<std::int64_t>(e.c0) * a + static_cast<std::int64_t>(e.c1) * b + static_cast<std::int64_t>(e.c2) * c;
    const std::int64_t value = sum / 256;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<i32>(value);
}

bool FitsBudget() {
    InterpreterState& st = Interp;
    if (st.workBudget < st.pendingWork || st.queueBudget < st.pendingQueue) {
        st.stopFlag = 1;
        NotifyEngine(kDlBudgetChecked);
        return false;
    }
    NotifyEngine(kDlBudgetChecked);
    return true;
}

void ReloadBudgets() {
    Interp.queueBudget = LcdQueueFree();
    Interp.workBudget = LcdWorkBudget();
}

void Estimate(u8 k, i32 a, i32 b, i32 c) {
    Interp.pendingWork = CostEstimate(k, a, b, c);
    Interp.pendingQueue = CostEstimate(static_cast<u8>(k + 1), a, b, c);
}

void DlSetObserver(DlObserver fn) { observer = fn; }

void DlSetEngineObserver(DlObserver fn) { engineObserver = fn; }

void DlNotifyEngine(u8 event) { NotifyEngine(event); }

void DlNotify(u8 event) {
    if (observer != nullptr) observer(event);
    NotifyEngine(event);
}

void CompleteCommand(u16 length) {
    DlNotify(kDlCompleted);
    // The read index never passes the write index, whatever a command claims.
    const u16 used = DlBytesUsed();
    DlAdvanceRead(length < used ? length : used);
    Interp.opPhase = 0;
}

u8 GetDrawFlags() { return Interp.drawFlags; }
u8 GetInverseState() { return Interp.inverseState; }
u8 GetOpPhase() { return Interp.opPhase; }
i32 PendingWorkEstimate() { return Interp.pendingWork; }
i32 PendingQueueEstimate() { return Interp.pendingQueue; }
u8 IsCalibrating() { return Interp.calibrationActive; }

void DlInit() {
    Interp = {};
    DlResetRing();
    LcdResetQueue();
    ResetGraphicsSlots(&Font0, &Font1);
    ResetTouchStage();
    InitContexts();
    // The queue is flushed but not emptied: the first run applies these
    // entries once more, without visible effect.
    LcdFlush(LcdQueueCount());
    DlSetFlags(kDrawFill);
    DlRect(0, 0, kScreenWidth - 1, kScreenHeight - 1);
    DlSetFlags(kDrawOutline | kDrawFill);
    DlDisplayOn();
    SetDisplayLevel(kDefaultDisplayLevel);
    DlMoveTo(0, 0);
}

void DisplayListRun() {
    InterpreterState& st = Interp;
    NotifyEngine(kDlRunBegin);
    st.running = 1;
    st.stopFlag = 0;
    DlMaskIndices();
    RunTouchStage();
    RunSteps();
    NotifyEngine(kDlRunEnd);
    LcdApplyQueue();
    st.running = 0;
}

// Input faster than the drawing (pages changed every tick by a script) once
// filled the ring, and the commands that found no room were lost: the page
// stayed half drawn. Now the producer waits, as it would for the drawing task
// on the panel: every command is drawn, in order, and the screen ends as if
// the input had come slowly. Each round is a run without the touch stage;
// a step refused for its budget always fits the empty queue of the next one.
bool DlWaitForRoom(u16 length) {
    InterpreterState& st = Interp;
    const auto fits = [length] { return static_cast<u32>(DlBytesUsed()) + length < kDlRingSize; };
    if (st.running) return fits();
    st.running = 1;
    // Far more rounds than a full ring of full-screen fills needs; a bound
    // all the same, so that a step that never finishes cannot hang the panel.
    constexpr i32 kMaxRounds = 1 << 16;
    for (i32 round = 0; round < kMaxRounds && !fits(); ++round) {
        if (DlBytesUsed() == 0 || DlPeekByte(0) == DL_TOUCH_CALIBRATE) break;
        NotifyEngine(kDlRunBegin);
        st.stopFlag = 0;
        while (!fits() && DlBytesUsed() != 0 && DlPeekByte(0) != DL_TOUCH_CALIBRATE) {
            ReloadBudgets();
            NotifyEngine(kDlStepBegin);
            Step();
            if (st.stopFlag) break;
        }
        NotifyEngine(kDlRunEnd);
        LcdApplyQueue();
    }
    st.running = 0;
    return fits();
}
