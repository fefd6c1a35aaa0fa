#include "panel/app/AppState.h"

#include "panel/Firmware.h"

namespace {

constexpr u8 N = 255;
constexpr u16 kNoTitle = 65535;

constexpr PageDescriptor kEmptyPage = {kNoTitle, 0, {N, N, N, N}, 0, 0, 0, 0};

}  // namespace

// title, section, bar, back, previous, next, cancel
constexpr PageDescriptor PageTable[kPageCount] = {
    {0, 0, {9, N, N, 10}, 0, 0, 0, 0},        // 0 start page
    {2, 0, {3, 1, 2, 4}, 0, 0, 0, 0},         // 1 menu
    {8, 1, {3, N, 2, 7}, 1, 0, 3, 0},         // 2 temperatures 1
    {8, 1, {3, 1, N, N}, 1, 2, 0, 0},         // 3 outside temperature, flow rate
    {8, 1, {3, 1, N, N}, 1, 3, 0, 0},         // 4 extra sensors
    {9, 1, {3, N, N, N}, 2, 0, 0, 0},         // 5 collector chart
    {4, 2, {3, N, 5, 7}, 1, 0, 0, 0},         // 6 yields
    {35, 2, {3, N, N, N}, 6, 0, 0, 0},        // 7 daily-yield chart
    {4, 2, {12, N, N, 11}, 0, 0, 0, 6},       // 8 delete total yield?
    {4, 2, {N, N, N, N}, 0, 0, 0, 0},         // 9 total yield deleted
    {5, 3, {3, N, 2, 8}, 1, 0, 0, 10},        // 10 warm water set value
    {5, 3, {3, 1, 2, 8}, 1, 10, 13, 0},       // 11 load strategy
    {28, 3, {12, 1, 2, 11}, 0, 0, 0, 11},     // 12 list: load strategy
    {5, 3, {3, 1, 2, 8}, 1, 0, 14, 13},       // 13 time
    {5, 3, {3, 1, 2, 8}, 1, 13, 15, 14},      // 14 date
    {5, 3, {3, 1, 2, 8}, 1, 14, 17, 0},       // 15 language
    {36, 3, {12, 1, 2, 11}, 0, 0, 0, 15},     // 16 list: language
    {5, 3, {3, 1, N, 8}, 1, 15, 0, 0},        // 17 shortcut key function
    {40, 3, {12, 1, 2, 11}, 0, 0, 0, 17},     // 18 list: shortcut function
    {6, 4, {3, 14, 13, 11}, 0, 0, 0, 0},      // 19 access code
    {6, 4, {N, N, N, N}, 0, 0, 0, 0},         // 20 wrong access code
    {6, 4, {3, N, 2, 8}, 1, 0, 0, 0},         // 21 supplementary function
    {43, 4, {12, 1, 2, 11}, 0, 0, 0, 0},      // 22 list: supplementary function
    {6, 4, {3, 1, 2, 8}, 1, 0, 0, 0},         // 23 maximum tank temperature
    {6, 4, {3, 1, N, 8}, 1, 23, 0, 0},        // 24 maximum temperature of tank 2
    {6, 4, {3, 1, N, 8}, 1, 23, 0, 0},        // 25 maximum supply temperature
    {7, 5, {3, N, 2, 4}, 1, 0, 27, 0},        // 26 faults entry
    {7, 5, {3, 1, 2, 8}, 1, 26, 29, 0},       // 27 operating mode
    {59, 5, {12, 1, 2, 11}, 0, 0, 0, 27},     // 28 list: operating mode
    {7, 5, {3, 1, 2, N}, 1, 27, 30, 0},       // 29 controller status
    {7, 5, {3, 1, 2, N}, 1, 29, 31, 0},       // 30 pump runtime, stagnation
    {7, 5, {3, 1, 2, 8}, 1, 30, 32, 31},      // 31 solar pump
    {7, 5, {3, 1, 2, 8}, 1, 31, 0, 0},        // 32 zone valve
    {79, 5, {12, 1, 2, 11}, 0, 0, 0, 32},     // 33 list: zone valve
    {7, 5, {3, 1, 2, 8}, 1, 32, 36, 0},       // 34 switching valve
    {80, 5, {12, 1, 2, 11}, 0, 0, 0, 34},     // 35 list: switching valve
    {7, 5, {3, 1, 2, 8}, 1, 0, 38, 0},        // 36 acoustic alarm transducer
    {89, 5, {12, 1, 2, 11}, 0, 0, 0, 36},     // 37 list: transducer
    {7, 5, {3, 1, 2, 4}, 1, 36, 39, 0},       // 38 commissioning entry
    {7, 5, {3, 1, N, N}, 1, 38, 0, 0},        // 39 versions
    {90, 5, {12, N, N, 11}, 0, 0, 0, 0},      // 40 commissioning now?
    {90, 5, {N, N, N, N}, 0, 0, 0, 0},        // 41 commissioning run
    {90, 5, {N, N, N, N}, 0, 0, 0, 0},        // 42 commissioning not possible
    {58, 7, {3, N, 2, 5}, 26, 0, 0, 0},       // 43 current fault
    {58, 7, {3, 1, 2, 5}, 26, 0, 0, 0},       // 44 fault history entry
    {kNoTitle, 0, {N, N, N, N}, 0, 0, 0, 0},  // 45 confirmation dialog
};

AppStateRecord AppState;
ControllerLinkRecord ControllerLink;

const PageDescriptor& PageAt(u8 page) { return page < kPageCount ? PageTable[page] : kEmptyPage; }

void InitAppState() {
    AppState = AppStateRecord{};
    AppState.currentPage = 0;
    AppState.redrawPending = 1;
    AppState.faultLampShown = 255;
    AppState.touchX = -1;
    AppState.touchY = -1;
    AppState.hitButton = Button::kNone;
    AppState.lastButton = Button::kNone;
    for (u8& slot : AppState.barButtons) slot = Button::kNone;
    AppState.schematicDelay = 500;
    ControllerLink.acousticAlarm = 0;
}
