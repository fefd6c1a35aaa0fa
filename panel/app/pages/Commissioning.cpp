// The commissioning pages. Select on the entry starts the guided setup
// (behind the access code); at its end the question asks to commission now.
// The run writes a line for each step the plant reports, with a check mark
// when the step passed or the fault line when it failed; once it has ended,
// confirm leaves it. Home aborts a run.
#include "panel/app/pages/Commissioning.h"
#include "panel/StaticState.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Frame.h"
#include "panel/app/Plant.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"

namespace {

constexpr u8 kRunLines = 5;
constexpr u16 kNotPossibleMessageTicks = 1000;
// The message closes this many ticks before its timer runs out.
constexpr u16 kNotPossibleEarly = 10;
// The run writes one line every 34 pixels from base line 70 on.
constexpr u16 kFirstLine = 70;
constexpr u16 kLinePitch = 34;
// The fault that fails the zone valve's test.
constexpr u8 kZoneValveFault = 5;

// The run's phases: it waits for the plant's first step, tests the flow
// rate, has it adjusted, tests with the valve open (only with a fifth
// measurement row) and the zone valve; when it has ended, confirm leaves.
namespace RunPhase {
constexpr u8 kWaitForStart = 0;
constexpr u8 kTestFlow = 1;
constexpr u8 kAdjustFlow = 2;
constexpr u8 kFlowWithValve = 3;
constexpr u8 kZoneValve = 4;
constexpr u8 kEnded = 9;
constexpr u8 kConfirmShown = 10;
}  // namespace RunPhase

struct RunState {
    u8 phase;
    u16 line;  // base line of the current text line
    u16 lineEnd[kRunLines];
};

RunState run;

constexpr PageLabel kCommissioningLabels[] = {{Txt::kCommissioning, 10, 70}};
constexpr PageLabel kQuestionLabels[] = {{Txt::kCommissioningQuestionLine1, 10, 70},
                                         {Txt::kCommissioningQuestionLine2, 10, 104}};
constexpr PageLabel kNotPossibleLabels[] = {{Txt::kCommissioningNotPossibleLine1, 50, 104},
                                            {Txt::kCommissioningNotPossibleLine2, 50, 138}};

Outcome EntryButton(ButtonId id) {
    if (id != Button::kSelect) return Default();
    AppState.wizardMode = 1;
    return GoTo(AppState.accessLevel != 0 ? Page::kSupplementaryList : Page::kAccessCode);
}

Outcome QuestionButton(ButtonId id) {
    if (id == Button::kCancel) {
        const PageId origin = AppState.wizardMode == 2 ? Page::kStart : Page::kCommissioningEntry;
        AppState.wizardMode = 0;
        return GoTo(origin);
    }
    if (id != Button::kConfirm) return Default();
    if (ControllerLink.commissioningPossible == 0) return GoTo(Page::kCommissioningNotPossible);
    ControllerLink.commissioningRunning = 1;
    return GoTo(Page::kCommissioningRun);
}

u16& LineEnd(u16 baseLine) {
    static u16 spare;
    const u16 index = static_cast<u16>((baseLine - kFirstLine) / kLinePitch);
    if (baseLine < kFirstLine || index >= kRunLines) return spare;
    return run.lineEnd[index];
}

void RunText(const char* text, u16 baseLine) {
    DlTextAt(10, baseLine, text);
    LineEnd(baseLine) = static_cast<u16>(10 + TextWidth(text, FontSlot::kBody));
}

// The mark stands at x = 270 unless its line is longer; then it follows the
// text.
void CheckMark(u16 baseLine) {
    constexpr u16 kMarkX = 270;
    constexpr u16 kMarkWidth = 18;
    u16 x = LineEnd(baseLine) + 4;
    if (x < kMarkX) x = kMarkX;
    if (x > kScreenWidth - kMarkWidth) x = kScreenWidth - kMarkWidth;
    DlSetBackground(Colour::kPanelGrey);
    DlSetForeground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    DlImage(x, baseLine, Button::kConfirm, ImageSlot::kButtons);
}

// A failed step replaces its line by the fault line; the whole width is
// erased because the line may be longer than its check mark's place.
void ReplaceByFaultLine(u16 baseLine) {
    ClearField(10, static_cast<u16>(baseLine - kLinePitch + 1), kLastColumn, baseLine);
    DlSetForeground(Colour::kBlack);
    RunText(FaultLineText(), baseLine);
}

void NextLine(TextId textId) {
    run.line = static_cast<u16>(run.line + kLinePitch);
    RunText(Text(textId), run.line);
}

// A test's line ends with its check mark, or is replaced by the fault line.
void EndTest(bool passed) {
    if (passed) {
        CheckMark(run.line);
    } else {
        ReplaceByFaultLine(run.line);
    }
}

void ResetRun() {
    run.phase = RunPhase::kWaitForStart;
    run.line = kFirstLine;
    for (u16& end : run.lineEnd) end = 0;
}

void AdjustFlowStep(u8 step) {
    if (step == 3) {
        BeginValueDrawing();
        CheckMark(kFirstLine + kLinePitch);
        DlSetForeground(Colour::kBlack);
        const bool fifthRow = Plant.fifthRowShown != 0;
        NextLine(fifthRow ? Txt::kCommissioningFlowRateValveOn : Txt::kCommissioningTestZoneValve);
        run.phase = fifthRow ? RunPhase::kFlowWithValve : RunPhase::kZoneValve;
    } else if (step == 0 && Plant.ventRequest == 0 && Plant.holdFlag == 0 && Plant.runCounter > 3 &&
               Settings.faultCode != 0) {
        BeginValueDrawing();
        run.line = static_cast<u16>(run.line + kLinePitch);
        RunText(FaultLineText(), run.line);
        run.phase = RunPhase::kEnded;
    } else if (Plant.ventRequest == 1 && run.line != kFirstLine + 2 * kLinePitch) {
        // Drawn once: the request stays set while the plant vents.
        BeginValueDrawing();
        run.line = kFirstLine + 2 * kLinePitch;
        RunText(Text(Txt::kCommissioningVent), run.line);
    }
}

// One step at most per tick, as the plant reports it.
Outcome RunCommissioning() {
    const u8 step = Plant.commissioningStep;
    switch (run.phase) {
        case RunPhase::kWaitForStart:
            if (step != 1) break;
            BeginValueDrawing();
            RunText(Text(Txt::kCommissioningTestFlowRate), kFirstLine);
            run.line = kFirstLine + kLinePitch;
            run.phase = RunPhase::kTestFlow;
            break;
        case RunPhase::kTestFlow:
            if (step == 0) {
                BeginValueDrawing();
                RunText(FaultLineText(), run.line);
                run.phase = RunPhase::kEnded;
            } else if (step == 2) {
                BeginValueDrawing();
                CheckMark(kFirstLine);
                DlSetForeground(Colour::kBlack);
                RunText(Text(Txt::kCommissioningAdjustFlowRate), run.line);
                run.phase = RunPhase::kAdjustFlow;
            }
            break;
        case RunPhase::kAdjustFlow: AdjustFlowStep(step); break;
        case RunPhase::kFlowWithValve:
            if (step != 4) break;
            BeginValueDrawing();
            EndTest(Settings.faultCode == 0);
            DlSetForeground(Colour::kBlack);
            NextLine(Txt::kCommissioningTestZoneValve);
            run.phase = RunPhase::kZoneValve;
            break;
        case RunPhase::kZoneValve:
            if (step != 0) break;
            BeginValueDrawing();
            EndTest(Settings.faultCode != kZoneValveFault);
            run.phase = RunPhase::kEnded;
            break;
        case RunPhase::kEnded:
            AppState.barButtons[3] = Button::kConfirm;
            DrawBarButton(kBarSlotX[3], kBarY, Button::kConfirm);
            run.phase = RunPhase::kConfirmShown;
            break;
        default: break;
    }
    return Stay();
}

Outcome RunButton(ButtonId id) {
    if (id == Button::kHome) {
        ControllerLink.commissioningRunning = 0;
        ControllerLink.commissioningAborted = 1;
        return Default();
    }
    if (id != Button::kConfirm) return Default();
    const PageId next = AppState.wizardMode == 1 ? Page::kCommissioningEntry : Page::kStart;
    AppState.wizardMode = 0;
    return GoTo(next);
}

void EnterNotPossible() { AppState.messageTimer = kNotPossibleMessageTicks; }

Outcome CloseNotPossible() {
    if (!CountDownMessage(kNotPossibleEarly)) return Stay();
    const PageId origin = AppState.wizardMode == 2 ? Page::kStart : Page::kCommissioningEntry;
    AppState.wizardMode = 0;
    return GoTo(origin);
}

}  // namespace

constexpr PageRecord CommissioningEntryPage = {
    .names = Names("commissioning entry", "commissioning-entry"),
    .nav = {.titleText = Txt::kCheck,
            .section = Section::kCheck,
            .bar = Bars::kEntryBar,
            .backPage = Page::kMenu,
            .prevPage = Page::kAlarmTransducer,
            .nextPage = Page::kVersions},
    .view = {.labels = kCommissioningLabels, .flags = PageFlag::kSelectLine},
    .does = {.onButton = EntryButton},
};

constexpr PageRecord CommissioningQuestionPage = {
    .names = Names("commissioning now", "commissioning-now"),
    .nav = {.titleText = Txt::kCommissioning, .section = Section::kCheck, .bar = Bars::kQuestionBar},
    .view = {.labels = kQuestionLabels},
    .does = {.onButton = QuestionButton},
};

constexpr PageRecord CommissioningRunPage = {
    .names = Names("commissioning run", "commissioning-run"),
    .nav = {.titleText = Txt::kCommissioning, .section = Section::kCheck},
    .view = {.build = ResetRun, .refresh = RunCommissioning},
    .does = {.onButton = RunButton},
    .gallery = "set commissioning.possible on; set commissioning.step 1; go commissioning-now; tap confirm",
};

constexpr PageRecord CommissioningNotPossiblePage = {
    .names = Names("commissioning not possible", "commissioning-not-possible"),
    .nav = {.titleText = Txt::kCommissioning, .section = Section::kCheck},
    .view = {.labels = kNotPossibleLabels, .refresh = CloseNotPossible},
    .does = {.enter = EnterNotPossible},
    .gallery = "set commissioning.possible off; go commissioning-now; tap confirm",
};

void ResetCommissioningStatics() { run = RunState{}; }
