// The application's state record, its page and button ids, and the few
// operations that every layer of the application shares.
//
// Exactly one page is current. Every tick runs DispatchTouch, BuildPage and
// RefreshPage (Navigation.cpp) in this order; each page is one record in
// pages/ (Page.h says what a record holds), listed in PageTable.cpp.
#pragma once

#include "panel/Types.h"

using PageId = u8;
using ButtonId = u8;

constexpr u8 kPageCount = 46;

// The pages, named after what they show. List pages end in "List"; the
// message pages close by themselves after a while.
namespace Page {
constexpr PageId kStart = 0;
constexpr PageId kMenu = 1;
constexpr PageId kMeasurement = 2;
constexpr PageId kMeasurementFlow = 3;
constexpr PageId kMeasurementExtra = 4;
constexpr PageId kCollectorChart = 5;
constexpr PageId kSolarYields = 6;
constexpr PageId kDailyYieldChart = 7;
constexpr PageId kDeleteYieldQuestion = 8;
constexpr PageId kYieldDeleted = 9;
constexpr PageId kWarmWater = 10;
constexpr PageId kLoadStrategy = 11;
constexpr PageId kLoadStrategyList = 12;
constexpr PageId kTime = 13;
constexpr PageId kDate = 14;
constexpr PageId kLanguage = 15;
constexpr PageId kLanguageList = 16;
constexpr PageId kShortcut = 17;
constexpr PageId kShortcutList = 18;
constexpr PageId kAccessCode = 19;
constexpr PageId kWrongAccessCode = 20;
constexpr PageId kSupplementary = 21;
constexpr PageId kSupplementaryList = 22;
constexpr PageId kMaxTank = 23;
constexpr PageId kMaxTank2 = 24;
constexpr PageId kMaxSupply = 25;
constexpr PageId kFaultsEntry = 26;
constexpr PageId kOperatingMode = 27;
constexpr PageId kOperatingModeList = 28;
constexpr PageId kControllerStatus = 29;
constexpr PageId kRuntime = 30;
constexpr PageId kSolarPump = 31;
constexpr PageId kZoneValve = 32;
constexpr PageId kZoneValveList = 33;
constexpr PageId kSwitchingValve = 34;
constexpr PageId kSwitchingValveList = 35;
constexpr PageId kAlarmTransducer = 36;
constexpr PageId kAlarmTransducerList = 37;
constexpr PageId kCommissioningEntry = 38;
constexpr PageId kVersions = 39;
constexpr PageId kCommissioningQuestion = 40;
constexpr PageId kCommissioningRun = 41;
constexpr PageId kCommissioningNotPossible = 42;
constexpr PageId kCurrentFault = 43;
constexpr PageId kFaultHistory = 44;
constexpr PageId kConfirmDialog = 45;
}  // namespace Page
static_assert(Page::kConfirmDialog + 1 == kPageCount);

// A bottom-bar button's id is also the index of its icon in image table 3.
namespace Button {
constexpr ButtonId kHome = 0;
constexpr ButtonId kPrevious = 1;
constexpr ButtonId kNext = 2;
constexpr ButtonId kBack = 3;
constexpr ButtonId kSelect = 4;
constexpr ButtonId kDelete = 5;
constexpr ButtonId kFaults = 6;
constexpr ButtonId kChart = 7;
constexpr ButtonId kEdit = 8;
constexpr ButtonId kLanguageShortcut = 9;
constexpr ButtonId kMenu = 10;
constexpr ButtonId kConfirm = 11;
constexpr ButtonId kCancel = 12;
constexpr ButtonId kPlus = 13;
constexpr ButtonId kMinus = 14;
constexpr ButtonId kMeasurementShortcut = 15;
constexpr ButtonId kYieldsShortcut = 16;
constexpr ButtonId kGuidedSetup = 17;
constexpr ButtonId kYes = 18;
constexpr ButtonId kNo = 19;
constexpr ButtonId kNone = 255;
}  // namespace Button

constexpr u8 kButtonCount = 20;

// The numbers accepted on the access-code page; AccessCodeB also offers the
// delete button on the fault-history page.
constexpr u8 AccessCodeA = 36;
constexpr u8 AccessCodeB = 71;

// No fault code: the fault lamp is drawn on the next refresh.
constexpr u8 kLampRedraw = 255;

constexpr u16 kHoldTicks = 1500;
constexpr u8 kRepeatStart = 30;
constexpr u8 kRepeatStep = 5;
constexpr u8 kKeyClickTicks = 10;

struct AppStateRecord {
    u8 currentPage;
    u8 redrawPending;
    u8 faultLampShown;  // kLampRedraw forces a redraw of the lamp
    i16 touchX;         // -1 when nothing touches
    i16 touchY;
    u8 hitButton;
    u8 lastButton;
    u16 holdTicks;
    u8 clickArmed;
    u8 repeatInterval;
    u8 barButtons[4];
    u8 selectedRow;  // also the number being entered on the access-code page
    u8 shownRow;
    u8 maxRow;
    u8 listScroll;
    u8 menuReturnRow;
    u8 menuShownRow;
    u8 editActive;
    u16 editValue;
    u8 justBuilt;
    u8 shownValue;
    u8 accessLevel;  // 0 or the accepted access code
    u8 historyAfterCode;
    u8 wizardMode;  // 0 off, 1 from the commissioning page, 2 from the start page
    u16 messageTimer;
    u16 dialogTimer;
    u8 historyIndex;
    u8 dialogReturnPage;
    u16 schematicDelay;
};

extern AppStateRecord AppState;

// Controller values and manual outputs that live in memory only.
struct ControllerLinkRecord {
    u16 extraSensorWord;  // not 0 offers the extra-sensor measurement page
    u8 commissioningPossible;
    u8 commissioningRunning;
    u8 commissioningAborted;
    u8 zoneValveOn;
    u8 switchingValveOn;
    u8 acousticAlarm;
};

extern ControllerLinkRecord ControllerLink;

// The on/off lists show "on" in row 0 and "off" in row 1: an output's value
// and its row map onto each other the same way in both directions.
constexpr u8 OnOffRow(u8 value) { return static_cast<u8>(1 - value); }

// Whether the extra-sensor measurement page is offered.
bool ExtraSensorsOffered();

// The key click that a touch acts with.
void KeyClick();

// One tick of a message page's timer; true once it has come down to `end`.
bool CountDownMessage(u16 end);
