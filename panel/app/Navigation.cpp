#include "panel/app/Navigation.h"

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Frame.h"
#include "panel/app/Lists.h"
#include "panel/app/PageTable.h"
#include "panel/dl/DrawApi.h"
#include "panel/hw/TouchStage.h"

namespace {

const PageRecord& CurrentPage() { return PageRecordAt(AppState.currentPage); }

// The page's bottom bar: its default buttons as the page changes them.
void DrawPageBar() {
    const PageRecord& page = CurrentPage();
    Bar slots = page.nav.bar;
    if (page.does.bar != nullptr) page.does.bar(slots.data());
    DrawBottomBar(slots.data());
}

// The target that the page's navigation gives a button; 0 for none.
PageId TargetOf(const PageDescriptor& nav, u8 id) {
    switch (id) {
        case Button::kPrevious: return nav.prevPage;
        case Button::kNext: return nav.nextPage;
        case Button::kBack: return nav.backPage;
        case Button::kCancel: return nav.cancelPage;
        default: return 0;
    }
}

bool IsEditorButton(u8 id) {
    return id == Button::kEdit || id == Button::kPlus || id == Button::kMinus || id == Button::kConfirm;
}

// The guided setup opens the edit of the page it has just entered: the edit
// leaves nothing to carry out, its bar comes with the page's build.
void OpenEdit() {
    const PageRecord& page = CurrentPage();
    if (page.does.onButton != nullptr) page.does.onButton(Button::kEdit);
    AppState.justBuilt = 1;
}

void Carry(const Outcome& outcome) {
    // A bar drawn when the page was just entered comes with its build.
    if (outcome.barChanged && !AppState.redrawPending) DrawPageBar();
    if (outcome.next == Next::kGo || outcome.next == Next::kGoAndEdit) GoToPage(outcome.target);
    if (outcome.next == Next::kGoAndEdit) OpenEdit();
}

// What a button does on every page that leaves it to the default.
void ActAlike(u8 id) {
    switch (id) {
        case Button::kHome:
            AppState.wizardMode = 0;
            if (AppState.currentPage != Page::kStart) GoToPage(Page::kStart);
            break;
        case Button::kPrevious:
        case Button::kNext:
            if (IsListPage(AppState.currentPage)) MoveSelection(id == Button::kPrevious, true);
            break;
        case Button::kFaults: GoToPage(Page::kCurrentFault); break;
        case Button::kLanguageShortcut:
            AppState.menuReturnRow = 2;
            GoToPage(Page::kLanguageList);
            break;
        case Button::kMenu:
            AppState.menuReturnRow = 0;
            GoToPage(Page::kMenu);
            break;
        case Button::kMeasurementShortcut:
            AppState.menuReturnRow = 0;
            GoToPage(Page::kMeasurement);
            break;
        case Button::kYieldsShortcut:
            AppState.menuReturnRow = 1;
            GoToPage(Page::kSolarYields);
            break;
        case Button::kGuidedSetup:
            AppState.wizardMode = 2;
            GoToPage(AppState.accessLevel != 0 ? Page::kSupplementaryList : Page::kAccessCode);
            break;
        case Button::kYes:
        case Button::kNo: GoToPage(AppState.dialogReturnPage); break;
        default: break;
    }
}

// A button acts on the current page: by the page's navigation target, else
// by the page's own handler, else as on every page. The editors' buttons
// have the refresh redraw the page's values at once.
void Act(u8 id) {
    const PageRecord& page = CurrentPage();
    const PageId target = TargetOf(page.nav, id);
    if (target != 0) {
        GoToPage(target);
        return;
    }
    const Outcome outcome = page.does.onButton != nullptr ? page.does.onButton(id) : Default();
    if (outcome.next == Next::kDefault) {
        ActAlike(id);
    } else {
        Carry(outcome);
    }
    if (IsEditorButton(id)) AppState.justBuilt = 1;
}

// A touch within the first line or the value line acts like the button that
// the line stands for.
void TouchLine(u8 flags, i16 y) {
    if (flags & PageFlag::kSelectLine) {
        if (!(35 < y && y < 63)) return;
        KeyClick();
        Act(Button::kSelect);
        AppState.holdTicks = kHoldTicks;
    } else if (flags & PageFlag::kValueLine) {
        if (!(110 < y && y < kValueLine && AppState.barButtons[3] == Button::kEdit)) return;
        KeyClick();
        AppState.holdTicks = kHoldTicks;
        Act(Button::kEdit);
    }
}

}  // namespace

void DispatchTouch() {
    u16 x = 0;
    u16 y = 0;
    GetTouchPoint(&x, &y);
    AppState.touchX = static_cast<i16>(x);
    AppState.touchY = static_cast<i16>(y);
    AppState.hitButton = GetHitButton();

    if (AppState.touchX == -1) {
        AppState.clickArmed = 1;
        AppState.lastButton = Button::kNone;
        AppState.holdTicks = 0;
        AppState.repeatInterval = kRepeatStart;
        return;
    }
    if (AppState.holdTicks != 0) {
        AppState.holdTicks -= 1;
        AppState.lastButton = Button::kNone;
        return;
    }
    if (AppState.hitButton == Button::kNone) {
        HandleFreeTouch();
        return;
    }
    if (AppState.hitButton == AppState.lastButton) return;

    AppState.lastButton = AppState.hitButton;
    if (AppState.clickArmed) {
        AppState.clickArmed = 0;
        KeyClick();
    }
    const u8 id = AppState.hitButton;
    Act(id);
    if (id == Button::kPlus || id == Button::kMinus) {
        if (AppState.repeatInterval > kRepeatStep) AppState.repeatInterval -= kRepeatStep;
        AppState.holdTicks = AppState.repeatInterval;
    } else {
        AppState.holdTicks = kHoldTicks;
    }
}

void HandleFreeTouch() {
    const i16 x = AppState.touchX;
    const i16 y = AppState.touchY;
    const u8 page = AppState.currentPage;

    if (kLamp.Touched(x, y) && AppState.faultLampShown != 0 && page != Page::kCurrentFault) {
        GoToPage(Page::kCurrentFault);
        KeyClick();
        return;
    }
    if (page > Page::kCommissioningEntry) return;

    const PageRecord& record = CurrentPage();
    if (record.does.onTouch != nullptr) {
        Carry(record.does.onTouch(x, y));
    } else if (IsListPage(page)) {
        TouchList(x, y);
    } else {
        TouchLine(record.view.flags, y);
    }
}

void GoToPage(u8 page) {
    // A target beyond the table (say a dialog's unset return page) shows the
    // start page rather than an empty frame.
    AppState.currentPage = page < kPageCount ? page : 0;
    AppState.redrawPending = 1;
    AppState.faultLampShown = kLampRedraw;
    AppState.selectedRow = 0;
    AppState.editActive = 0;
    EnterPage();
}

void EnterPage() {
    const PageRecord& page = CurrentPage();
    if (page.does.enter != nullptr) page.does.enter();
}

void BuildPage() {
    if (AppState.redrawPending == 0) return;
    AppState.redrawPending = 0;
    AppState.faultLampShown = kLampRedraw;
    const u8 id = AppState.currentPage;
    const PageRecord& page = CurrentPage();
    if ((page.view.flags & PageFlag::kOwnFrame) == 0) {
        DrawPageBar();
        DrawTitleBar(page.nav.titleText, page.nav.section, (page.view.flags & PageFlag::kTitleField) != 0);
        ClearContent();
        DlSetFont(FontSlot::kBody);
        DlSetFlags(DrawMode::kOutline);
        DlSetForeground(Colour::kBlack);
    }
    if (IsListPage(id)) {
        BuildList(ListRowCount(id));
    } else {
        for (const PageLabel& label : page.view.labels) Label(label.text, label.x, label.baseLine);
        if (page.view.build != nullptr) page.view.build();
    }
    AppState.justBuilt = 1;
}

void RefreshPage() {
    if (AppState.schematicDelay != 0) AppState.schematicDelay -= 1;
    UpdateFaultLamp();
    ArmValueDrawing();

    const u8 id = AppState.currentPage;
    const PageRecord& page = CurrentPage();
    if (IsListPage(id)) RefreshList(page.view, ListRowCount(id));
    if (page.view.refresh != nullptr) Carry(page.view.refresh());
    AppState.justBuilt = 0;
}
