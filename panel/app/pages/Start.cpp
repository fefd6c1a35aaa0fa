// The start page: the plant schematic with its tank colours, sun, frost and
// status icons, the turning pump wheel, the flowing pipes and the
// temperatures, or the fault view while a fault is set; its bar offers the
// shortcut key, the guided setup until the first commissioning, and the menu.
#include "panel/app/pages/Start.h"
#include "panel/StaticState.h"

#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Frame.h"
#include "panel/app/NumberFormat.h"
#include "panel/app/Plant.h"
#include "panel/dl/DrawApi.h"
#include "panel/settings/Settings.h"
#include "panel/text/Texts.h"

namespace {

// The dash patterns of an animated pipe: 0 hot and still, 1 hot and flowing,
// 2 cold and still, 3 cold and flowing.
constexpr u8 kPipeSets = 4;
constexpr u8 kPipePhases = 8;
constexpr Rgb565 PipeColours[kPipeSets][kPipePhases] = {
    {0xF800, 0xF800, 0xF800, 0xF800, 0xF800, 0xF800, 0xF800, 0xF800},
    {0xFB0C, 0xF986, 0xF800, 0xC800, 0x9800, 0xC800, 0xF800, 0xF986},
    {0x651F, 0x651F, 0x651F, 0x651F, 0x651F, 0x651F, 0x651F, 0x651F},
    {0x651F, 0x649F, 0x5C1F, 0x33BE, 0x0B3C, 0x33BE, 0x5C1F, 0x5C9F},
};

// Ticks between two steps of the pipe animation.
constexpr u8 kFlowStepTicks = 25;

constexpr u8 kUndecided = 255;
constexpr u8 kModeNeverDrawn = 99;
constexpr u16 kMaxPumpPeriod = 200;

struct TankState {
    u8 upper;  // 0 cold, 1 hot, kUndecided
    u8 lower;
    u8 maxShown;
};

struct SchematicState {
    TankState tank[2];
    u8 sunShown;
    u8 frostShown;
    u8 iconShown[2];
    u8 pumpRunning;
    u8 pumpPhase;
    u16 pumpCounter;
    i16 collectorShown;  // whole degrees, or kNoValue before the first draw
    i16 lowerTankShown;
    i16 tankTopShown;
    i16 tank2TopShown;
    u8 operatingModeShown;
    u8 faultShown;  // the fault code of the fault view, 0 = none
    u8 flowPhase;
    u8 flowCounter;
};

SchematicState state;

// Where a tank is drawn and what it reads.
struct TankView {
    u16 x0;
    u16 x1;
    i16 topTemp;
    u8 topPresent;
    i16 lowerTemp;
    u8 full;
};

void FillHalf(u8 hot, u16 x0, u16 y0, u16 x1, u16 y1) {
    const Rgb565 colour = hot ? Colour::kRed : Colour::kBlue;
    DlSetForeground(colour);
    DlSetBackground(colour);
    DlSetFlags(DrawMode::kFilled);
    DlRect(x0, y0, x1, y1);
}

// The halves switch with a hysteresis around the warm water set value: hot
// above set - 4 K, cold again below set - 5 K. While a tank top sensor shows
// the upper half cold, the lower half turns hot only above set + 10 K.
void RefreshTank(TankState& tank, const TankView& view) {
    if (!view.full && tank.maxShown) {
        tank.upper = kUndecided;
        tank.lower = kUndecided;
    }
    const i32 s = Settings.warmWaterSetValue;

    const i32 top = view.topPresent ? view.topTemp : view.lowerTemp;
    u8 upper = tank.upper;
    if (top < s - 50 || upper == kUndecided) upper = 0;
    if (top > s - 40) upper = 1;

    const i32 t = view.lowerTemp;
    u8 lower = tank.lower;
    if (t < s - 50 || lower == kUndecided) {
        lower = 0;
    } else if (view.topPresent && upper == 0 && t < s + 100) {
        lower = 0;
    }
    if (t > s - 40 && (!view.topPresent || upper == 1 || t > s + 100)) lower = 1;

    if (upper != tank.upper) {
        FillHalf(upper, view.x0 + 3, 117, view.x1 - 3, 159);
        tank.maxShown = 0;
    }
    if (lower != tank.lower) {
        FillHalf(lower, view.x0 + 3, 160, view.x1 - 3, 201);
        tank.maxShown = 0;
    }
    tank.upper = upper;
    tank.lower = lower;

    if (view.full && !tank.maxShown) {
        DlSetFlags(DrawMode::kOutline);
        DlSetForeground(Colour::kBlack);
        DlSetFont(FontSlot::kSmall);
        DlTextAt(view.x0 + 5, 166, "Max");
        DlSetFlags(DrawMode::kFilled);
    }
    tank.maxShown = view.full ? 1 : 0;
}

// Whole degrees, rounded half away from zero: the division truncates towards
// zero, so a negative reading rounds by subtracting the half.
i16 WholeDegrees(i16 tenths) { return static_cast<i16>(tenths >= 0 ? (tenths + 5) / 10 : (tenths - 5) / 10); }

void DegreesText(i16 degrees, char* out, u8 capacity) {
    FormatNumber(Format::kSignedDegrees, degrees, out);
    u8 n = 0;
    while (out[n] != 0) ++n;
    Append(out, n, capacity, kSpacedDegrees);
}

// A temperature in font 1; right = 0 prints it at the field's bottom left,
// otherwise right-aligned to end at right.
void Temperature(i16& shown, i16 tenths, u16 x0, u16 y0, u16 x1, u16 y1, u16 right) {
    const i16 degrees = WholeDegrees(tenths);
    if (degrees == shown) return;
    shown = degrees;
    ClearField(x0, y0, x1, y1);
    DlSetFont(FontSlot::kSmall);
    DlSetForeground(Colour::kBlack);
    char text[kNumberTextMax + 4];
    DegreesText(degrees, text, sizeof text);
    if (right == 0) {
        DlText(text);
    } else {
        PrintRightAligned(text, right, y1, FontSlot::kSmall);
    }
}

// A picture that shows while a condition holds and is erased when it ends.
void Toggle(u8& shown, u8 wanted, u16 x, u16 y, u8 index, u8 slot, Rgb565 colour) {
    wanted = wanted ? 1 : 0;
    if (wanted == shown) return;
    shown = wanted;
    if (wanted) {
        DlSetFlags(DrawMode::kOutline);
        DlSetForeground(colour);
        DlImage(x, y, index, slot);
    } else {
        ClearField(x, static_cast<u16>(y - 50), static_cast<u16>(x + 50), y);
    }
}

// Both status icons share one place: when either goes, the place is cleared
// and the one still set is drawn again.
void StatusIcons() {
    const u8 wanted[2] = {static_cast<u8>(Plant.plantFlags & 0x01 ? 1 : 0),
                          static_cast<u8>(Plant.plantFlags & 0x40 ? 1 : 0)};
    const u8 icons[2] = {5, 7};
    if ((state.iconShown[0] && !wanted[0]) || (state.iconShown[1] && !wanted[1])) {
        ClearField(300, 42, 318, 60);
        state.iconShown[0] = 0;
        state.iconShown[1] = 0;
    }
    for (u8 i = 0; i < 2; ++i) {
        if (!wanted[i] || state.iconShown[i]) continue;
        DlSetFlags(DrawMode::kOutline);
        DlSetForeground(Colour::kBlack);
        DlImage(300, 60, icons[i], ImageSlot::kSections);
        state.iconShown[i] = 1;
    }
}

void Pump() {
    const u16 speed = Plant.pumpSpeed;
    if (speed == 0 && state.pumpRunning) {
        DlSetBackground(Colour::kYellow);
        DlSetFlags(DrawMode::kOutline);
        DlImage(206, 170, 0, ImageSlot::kPumps);
        state.pumpCounter = 0;
    }
    if (speed != 0) {
        u16 period = static_cast<u16>(5000 / speed);
        if (period > kMaxPumpPeriod) period = kMaxPumpPeriod;
        state.pumpCounter += 1;
        if (state.pumpCounter >= period) {
            state.pumpCounter = 0;
            state.pumpPhase = static_cast<u8>((state.pumpPhase + 3) % 4);
            DlSetBackground(Colour::kYellow);
            DlSetFlags(DrawMode::kOutline);
            DlImage(206, 170, state.pumpPhase, ImageSlot::kPumps);
        }
    }
    state.pumpRunning = speed != 0 ? 1 : 0;
}

constexpr Bar kStartBar = {Button::kLanguageShortcut, Bars::N, Bars::N, Button::kMenu};
constexpr ButtonId kShortcutIcons[] = {Button::kMeasurementShortcut, Button::kYieldsShortcut,
                                       Button::kLanguageShortcut};

// The first slot holds the shortcut key's icon, or the faults button while a
// fault is set; the guided setup is offered until the first commissioning.
void StartBar(u8* slot) {
    slot[0] = Settings.shortcutFunction < 3 ? kShortcutIcons[Settings.shortcutFunction] : Button::kNone;
    if (Settings.faultCode != 0) slot[0] = Button::kFaults;
    if (Settings.commissioningDay == 0) slot[1] = Button::kGuidedSetup;
}

void FaultView() {
    ClearContent();
    if (AppState.barButtons[0] != Button::kFaults) {
        Bar slots = kStartBar;
        StartBar(slots.data());
        DrawBottomBar(slots.data());
    }
    DlSetBackground(Colour::kBlack);
    DlSetFlags(DrawMode::kOutline);
    DlImage(44, 155, 0, ImageSlot::kFaultPicture);
    if (Settings.language < kLanguageCount) DlImage(134, 130, Settings.language, ImageSlot::kFaultLabel);
    DlSetBackground(Colour::kPanelGrey);
    DlSetFont(FontSlot::kTitle);
    DlSetForeground(Colour::kRed);
    PrintRightAligned(FaultLineText(), 276, 185, FontSlot::kTitle);
    state.faultShown = Settings.faultCode;
}

void OperatingMode() {
    const u8 mode = Settings.operatingMode;
    if (mode == state.operatingModeShown) return;
    state.operatingModeShown = mode;
    ClearField(10, 185, 75, 204);
    if (mode == 0) return;
    DlSetFont(FontSlot::kSmall);
    DlSetForeground(Colour::kRed);
    DlText(OperatingModeText(mode));
}

struct Flow {
    u8 phase;
    i32 colour;  // the foreground last queued in this step, -1 = none yet
};

void PipeStep(Flow& flow, u8 set, u8 k) {
    const Rgb565 colour = PipeColours[set][(flow.phase + k) % kPipePhases];
    if (colour != flow.colour) {
        DlSetForeground(colour);
        flow.colour = colour;
    }
}

// A horizontal pipe: |length| three-pixel dashes across it, going right for a
// positive length and left for a negative one.
void H(Flow& flow, u16 x, u16 y, i16 length, u8 set) {
    const u16 n = static_cast<u16>(length < 0 ? -length : length);
    for (u16 k = 0; k < n; ++k) {
        const u16 px = static_cast<u16>(length > 0 ? x + k : x - k);
        PipeStep(flow, set, static_cast<u8>(k % kPipePhases));
        DlMoveTo(px, static_cast<u16>(y - 1));
        DlLineTo(px, static_cast<u16>(y + 1));
    }
}

void V(Flow& flow, u16 x, u16 y, i16 length, u8 set) {
    const u16 n = static_cast<u16>(length < 0 ? -length : length);
    for (u16 k = 0; k < n; ++k) {
        const u16 py = static_cast<u16>(length > 0 ? y + k : y - k);
        PipeStep(flow, set, static_cast<u8>(k % kPipePhases));
        DlMoveTo(static_cast<u16>(x - 1), py);
        DlLineTo(static_cast<u16>(x + 1), py);
    }
}

// One tick of the pipe animation; reset starts it over from phase 0.
void AnimateFlow(u8 reset) {
    if (reset) {
        state.flowPhase = 0;
        state.flowCounter = 0;
    }
    state.flowCounter += 1;
    if (state.flowCounter >= kFlowStepTicks) state.flowCounter = 0;
    if (state.flowCounter != 0) return;

    const bool flowing = Plant.flowRate > 0;
    const bool v = ControllerLink.switchingValveOn && flowing && Settings.supplementaryFunction != 0;
    state.flowPhase = static_cast<u8>((state.flowPhase + kPipePhases - 1) % kPipePhases);

    Flow flow{state.flowPhase, -1};
    DlSetFlags(DrawMode::kOutline);
    H(flow, 178, 193, 40, v || !flowing ? 2 : 3);
    V(flow, 218, 193, -24, flowing ? 3 : 2);
    V(flow, 218, 145, -85, flowing ? 3 : 2);
    V(flow, 212, 64, 61, flowing ? 1 : 0);
    H(flow, v ? 207 : 212, 125, v ? -30 : -35, v || !flowing ? 0 : 1);
    const u8 supplementary = Settings.supplementaryFunction;
    if (supplementary == 1) {
        H(flow, 252, 193, -33, v ? 3 : 2);
        H(flow, v ? 212 : 223, 125, v ? 41 : 30, v ? 1 : 0);
    } else if (supplementary == 2) {
        H(flow, 254, 193, -35, v ? 3 : 2);
        H(flow, v ? 212 : 223, 125, v ? 38 : 27, v ? 1 : 0);
        V(flow, 249, 125, 47, v ? 1 : 0);
        H(flow, 249, 171, 6, v ? 1 : 0);
    }
    // The gaps at the switching valve show which way the hot water goes.
    if (supplementary == 1 || supplementary == 2) {
        if (v) {
            ClearField(208, 124, 210, 126);
        } else {
            ClearField(214, 124, 216, 126);
            ClearField(220, 124, 222, 126);
        }
    }
}

void ResetSchematic() {
    state = SchematicState{};
    for (TankState& tank : state.tank) {
        tank.upper = kUndecided;
        tank.lower = kUndecided;
    }
    state.collectorShown = kNoValue;
    state.lowerTankShown = kNoValue;
    state.tankTopShown = kNoValue;
    state.tank2TopShown = kNoValue;
    state.operatingModeShown = kModeNeverDrawn;
    AnimateFlow(1);
}

Outcome RefreshStartPage() {
    const u8 fault = Settings.faultCode;
    if (fault != 0) {
        // A fresh build cleared the page, so the view is drawn again even for
        // the fault it showed before the page was left.
        if (fault != state.faultShown || AppState.justBuilt) FaultView();
        return Stay();
    }
    if (state.faultShown != 0) {
        state.faultShown = 0;
        AppState.redrawPending = 1;
        return Stay();
    }

    Toggle(state.sunShown, Plant.controllerStatus == 4, 74, 99, 1, ImageSlot::kWeather, Colour::kYellow);
    Toggle(state.frostShown, Plant.frost, 20, 99, 0, ImageSlot::kWeather, Colour::kBlue);
    StatusIcons();

    RefreshTank(state.tank[0],
                {140, 180, Plant.tankTopTemp, Plant.tankTopPresent, Plant.lowerTankTemp, Plant.tankFull[0]});
    if (Settings.supplementaryFunction == 1 && AppState.schematicDelay == 0) {
        RefreshTank(state.tank[1], {250, 290, Plant.fifthRowTwinTemp, Plant.fifthSensorPresent,
                                    Plant.lowerSecondTankTemp, Plant.tankFull[1]});
        if (Plant.fifthSensorPresent) {
            Temperature(state.tank2TopShown, Plant.fifthRowTwinTemp, 253, 87, kLastColumn, 105, 0);
        }
    }

    Pump();
    AnimateFlow(0);

    Temperature(state.collectorShown, Plant.collectorTemp, 150, 37, 210, 55, 0);
    Temperature(state.lowerTankShown, Plant.lowerTankTemp, 75, 185, 130, 204, 130);
    if (Plant.tankTopPresent) {
        Temperature(state.tankTopShown, Plant.tankTopTemp, 75, 125, 130, 144, 130);
    } else if (state.tankTopShown != kNoValue) {
        // A sensor that went missing leaves no stale reading behind.
        state.tankTopShown = kNoValue;
        ClearField(75, 125, 130, 144);
    }
    OperatingMode();
    return Stay();
}

// Built only while no fault is set: with a fault the refresh draws the fault
// view instead.
void BuildStartPage() {
    if (Settings.faultCode != 0) return;
    DlSetFlags(DrawMode::kOutline);
    ResetSchematic();
    DlSetForeground(Colour::kBlack);
    DlRoundRect(140, 114, 180, 204, 7, 15);
    DlSetBackground(Colour::kYellow);
    DlImage(183, 80, 1, ImageSlot::kPlant);
    DlImage(206, 170, 0, ImageSlot::kPumps);
    if (Settings.supplementaryFunction == 1) {
        DlSetForeground(Colour::kBlack);
        DlRoundRect(250, 114, 290, 204, 7, 15);
    } else if (Settings.supplementaryFunction == 2) {
        DlImage(255, 199, 0, ImageSlot::kPlant);
    }
}

}  // namespace

constexpr PageRecord StartPage = {
    .names = Names("start page", "start-page"),
    .nav = {.titleText = Txt::kStartTitle, .bar = kStartBar},
    .view = {.flags = PageFlag::kTitleField, .build = BuildStartPage, .refresh = RefreshStartPage},
    .does = {.bar = StartBar},
};

void ResetStartPageStatics() { state = SchematicState{}; }
