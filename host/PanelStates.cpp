#include "host/PanelStates.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "panel/Firmware.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/app/PageTable.h"
#include "panel/app/TextTables.h"
#include "panel/dl/DisplayList.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"

namespace {

constexpr int kPressTicks = 3;
constexpr int kAfterTapTicks = 3;
// A state that never settles (a message that keeps changing) is taken after this.
constexpr int kMaxSettleTicks = 600;
// Nothing drawn for this long: a step's drawing is done.
constexpr int kDrawnTicks = 3;

std::string FileOf(int page, const std::string& suffix) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d-", page);
    return number + PageSlug(static_cast<std::uint8_t>(page)) + (suffix.empty() ? "" : "-" + suffix);
}

std::string Number(int n) { return std::to_string(n); }

// A page as a user finds it: pages that only show something in a certain
// plant state or behind a dialog are reached that way.
void ShowPage(StateDriver& d, int page) {
    switch (page) {
        case Page::kMeasurementExtra:
            d.Set("extra.offered", "on");
            d.Set("collector1", "64.5");
            d.Set("outside1", "11.2");
            d.Set("collector2", "58.0");
            d.Set("outside2", "9.8");
            d.Go(page);
            break;
        case Page::kWrongAccessCode:
            d.Go(Page::kAccessCode);
            d.TapButton(Button::kConfirm);  // code 0 is wrong
            break;
        case Page::kSupplementary:
            d.Go(Page::kAccessCode);
            for (int i = 0; i < AccessCodeA; ++i) d.TapButton(Button::kPlus);
            d.TapButton(Button::kConfirm);
            break;
        case Page::kCommissioningRun:
        case Page::kCommissioningNotPossible:
            d.Set("commissioning.possible", page == Page::kCommissioningRun ? "on" : "off");
            if (page == Page::kCommissioningRun) d.Set("commissioning.step", "1");
            d.Go(Page::kCommissioningQuestion);
            d.TapButton(Button::kConfirm);
            break;
        case Page::kCurrentFault:
            d.Set("fault", "22");
            d.Go(page);
            break;
        case Page::kFaultHistory:
            d.Set("fault", "22");
            AppState.accessLevel = AccessCodeA;
            d.Go(Page::kCurrentFault);
            d.TapButton(Button::kNext);
            break;
        case Page::kConfirmDialog:
            d.Go(Page::kStart);
            d.Set("dialog", "on");
            break;
        default: d.Go(page); break;
    }
}

// The commissioning run through all its steps: each step's line stays on the
// page. With the second tank (fifth row) the run also tests the valve.
void RunAllSteps(StateDriver& d, bool fifthRow, bool failing) {
    if (fifthRow) Settings.supplementaryFunction = 1;
    d.Set("commissioning.possible", "on");
    d.Set("commissioning.step", "1");
    d.Go(Page::kCommissioningQuestion);
    d.TapButton(Button::kConfirm);
    d.Set("commissioning.step", "2");
    d.Settle();
    if (failing) {
        d.Set("commissioning.counter", "4");
        d.Set("fault", "22");
        d.Set("commissioning.step", "0");
        d.Settle();
        return;
    }
    d.Set("commissioning.vent", "on");
    d.Settle();
    d.Set("commissioning.step", "3");
    d.Settle();
    d.Set("commissioning.step", "4");
    d.Settle();
    d.Set("commissioning.step", "0");
    d.Settle();
}

// Selects row `row` of the menu or a list the way the arrows do.
void SelectRow(StateDriver& d, int page, int row) {
    d.Go(page);
    for (int i = 0; i < row; ++i) d.TapButton(Button::kNext);
}

void AddStates(std::vector<PanelState>& states) {
    for (int page = 0; page < kPageCount; ++page) {
        states.push_back({FileOf(page, ""), PageName(static_cast<std::uint8_t>(page)), page, true,
                          [page](StateDriver& d) { ShowPage(d, page); }});
    }

    // States that show the texts no page shows by default.
    states.push_back({FileOf(Page::kStart, "fault"), "start page with a fault", Page::kStart, true, [](StateDriver& d) {
                          d.Set("fault", "22");
                          d.Go(Page::kStart);
                      }});
    const auto twoTanks = [](int page) {
        return [page](StateDriver& d) {
            Settings.supplementaryFunction = 1;
            AppState.schematicDelay = 0;  // the second tank is drawn once the panel has run a while
            d.Go(page);
        };
    };
    for (const int page : {static_cast<int>(Page::kStart), static_cast<int>(Page::kMeasurement),
                           static_cast<int>(Page::kLoadStrategyList)}) {
        states.push_back({FileOf(page, "two-tanks"),
                          PageName(static_cast<std::uint8_t>(page)) + std::string(" with two tanks"), page, true,
                          twoTanks(page)});
    }
    states.push_back({FileOf(Page::kMeasurement, "heating-support"), "temperatures with heating support",
                      Page::kMeasurement, true, [](StateDriver& d) {
                          Settings.supplementaryFunction = 2;
                          d.Go(Page::kMeasurement);
                      }});
    states.push_back({FileOf(Page::kFaultHistory, "no-fault"), "fault history entry without a fault",
                      Page::kFaultHistory, true, [](StateDriver& d) {
                          PlantModel::AddHistory(0, MakeWallTime(2011, 4, 15, 12, 0, 0));
                          AppState.accessLevel = AccessCodeA;
                          d.Go(Page::kFaultHistory);
                      }});
    states.push_back({FileOf(Page::kCommissioningRun, "all-steps"), "commissioning run, every step",
                      Page::kCommissioningRun, true, [](StateDriver& d) { RunAllSteps(d, true, false); }});
    for (u8 code = 1; code < kFaultCodeCount; ++code) {
        if (FaultTextId(code) == kUnlistedFault || FaultTextId(code) == kNoText) continue;
        states.push_back({FileOf(Page::kCurrentFault, "fault-" + Number(code)), "current fault, fault " + Number(code),
                          Page::kCurrentFault, true, [code](StateDriver& d) {
                              d.Set("fault", std::to_string(code).c_str());
                              d.Go(Page::kCurrentFault);
                          }});
    }
    for (u8 status = 0; status < kControllerStatusCount; ++status) {
        states.push_back({FileOf(Page::kControllerStatus, "status-" + Number(status)),
                          "controller status " + Number(status), Page::kControllerStatus, true,
                          [status](StateDriver& d) {
                              d.Set("status", std::to_string(status).c_str());
                              d.Go(Page::kControllerStatus);
                          }});
    }

    // For the fit check only: every place a text can stand.
    const auto checkOnly = [&states](int page, const std::string& suffix, std::function<void(StateDriver&)> show) {
        states.push_back({FileOf(page, suffix), PageName(static_cast<std::uint8_t>(page)) + (", " + suffix), page,
                          false, std::move(show)});
    };
    checkOnly(Page::kCommissioningRun, "without-valve", [](StateDriver& d) { RunAllSteps(d, false, false); });
    checkOnly(Page::kCommissioningRun, "failing", [](StateDriver& d) { RunAllSteps(d, false, true); });
    for (int row = 1; row < 5; ++row) {
        checkOnly(Page::kMenu, "row-" + Number(row), [row](StateDriver& d) { SelectRow(d, Page::kMenu, row); });
    }
    for (u8 page = 0; page < kPageCount; ++page) {
        if (!IsListPage(page)) continue;
        const int rows = page == Page::kLoadStrategyList ? 4 : static_cast<int>(PageViewAt(page).rows.size());
        for (int row = 1; row < rows; ++row) {
            checkOnly(page, "row-" + Number(row), [page, row](StateDriver& d) {
                Settings.supplementaryFunction = 1;  // all four load strategies
                SelectRow(d, page, row);
            });
        }
    }
    // Every value of the settings that show a text, on their value pages.
    const struct {
        int page;
        u8* setting;
        int count;
    } values[] = {
        {Page::kLoadStrategy, &Settings.loadStrategy, 4},
        {Page::kShortcut, &Settings.shortcutFunction, 3},
        {Page::kSupplementary, &Settings.supplementaryFunction, 3},
        {Page::kOperatingMode, &Settings.operatingMode, 4},
        {Page::kStart, &Settings.operatingMode, 4},
    };
    for (const auto& v : values) {
        for (int value = 1; value < v.count; ++value) {
            u8* setting = v.setting;
            const int page = v.page;
            checkOnly(page, "value-" + Number(value), [setting, value, page](StateDriver& d) {
                if (setting != &Settings.supplementaryFunction) Settings.supplementaryFunction = 1;
                *setting = static_cast<u8>(value);
                d.Go(page);
            });
        }
    }
    for (const int page : {static_cast<int>(Page::kZoneValve), static_cast<int>(Page::kSwitchingValve),
                           static_cast<int>(Page::kAlarmTransducer)}) {
        checkOnly(page, "on", [page](StateDriver& d) {
            ControllerLink.zoneValveOn = 1;
            ControllerLink.switchingValveOn = 1;
            ControllerLink.acousticAlarm = 1;
            d.Go(page);
        });
    }
    // The history shows each fault's text, and each status beside a mode.
    for (u8 code = 1; code < kFaultCodeCount; ++code) {
        if (FaultTextId(code) == kUnlistedFault || FaultTextId(code) == kNoText) continue;
        checkOnly(Page::kFaultHistory, "fault-" + Number(code), [code](StateDriver& d) {
            PlantModel::AddHistory(code, MakeWallTime(2011, 4, 15, 12, 0, 0));
            AppState.accessLevel = AccessCodeA;
            d.Go(Page::kFaultHistory);
        });
    }
    for (u8 status = 0; status < kControllerStatusCount; ++status) {
        checkOnly(Page::kFaultHistory, "status-" + Number(status), [status](StateDriver& d) {
            d.Set("status", std::to_string(status).c_str());
            Settings.operatingMode = static_cast<u8>(status % 4);
            PlantModel::AddHistory(2, MakeWallTime(2011, 4, 15, 12, 0, 0));
            AppState.accessLevel = AccessCodeA;
            d.Go(Page::kFaultHistory);
        });
    }
}

}  // namespace

const std::vector<PanelState>& PanelStates() {
    static const std::vector<PanelState> kStates = [] {
        std::vector<PanelState> states;
        AddStates(states);
        return states;
    }();
    return kStates;
}

class StateDriver::Clock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2011, 4, 15, 12, 0, 0); }
};

StateDriver::StateDriver(Language language, int zoom, bool pictures)
    : clock_(std::make_unique<Clock>()),
      host_(*clock_, 0xF0F0F0),
      language_(language),
      zoom_(zoom),
      pictures_(pictures) {
    // The settling reads the framebuffer; the canvas is painted once a state
    // is on the screen, for its picture.
    host_.SetPainting(false);
    host_.SetPlantHook([this] { plant_.Apply(); });
}

StateDriver::~StateDriver() = default;

void StateDriver::Show(const PanelState& state) {
    // Each state begins from what a fresh program finds.
    ResetFirmwareState();
    host_.Start();
    host_.SetZoom(zoom_);
    plant_.Reset();
    Settings.language = language_;
    // Steps on the way only need their drawing done; a picture needs the
    // screen still, the start page's pipes drawn.
    quietTicks_ = kDrawnTicks;
    state.show(*this);
    quietTicks_ = pictures_ && state.pictured ? kSettledTicks : kDrawnTicks;
    Settle();
    if (pictures_ && state.pictured) {
        host_.SetPainting(true);
        host_.FullRepaint();
        host_.SetPainting(false);
    }
}

void StateDriver::Set(const char* name, const char* value) {
    PlantValue parsed;
    std::string why;
    if (PlantModel::Parse(name, value, parsed, why)) plant_.Set(parsed);
}

void StateDriver::Go(int page) {
    GoToPage(static_cast<u8>(page));
    Settle();
}

void StateDriver::TapButton(unsigned char id) {
    for (u8 slot = 0; slot < kTouchRegionCount; ++slot) {
        const TouchRegion* region = TouchRegionAt(slot);
        if (region == nullptr || region->id < 0 || (region->id & 0xFF) != id) continue;
        const int zoom = host_.Zoom();
        host_.MouseDown(MouseButton::Left, (region->x1 + region->x2) / 2 * zoom, (region->y1 + region->y2) / 2 * zoom);
        for (int i = 0; i < kPressTicks; ++i) host_.Tick();
        host_.MouseUp(MouseButton::Left);
        for (int i = 0; i < kAfterTapTicks; ++i) host_.Tick();
        Settle();
        return;
    }
}

void StateDriver::Settle() {
    SettleWatch watch(quietTicks_);
    for (int tick = 0; tick < kMaxSettleTicks && !watch.Settled(host_); ++tick) host_.Tick();
}

bool SettleWatch::Settled(const PanelHost& host) {
    const Scene& scene = host.GetScene();
    const Rgb565* now = PanelFramebuffer;
    constexpr std::size_t kPixels = static_cast<std::size_t>(kScreenWidth) * kScreenHeight;
    bool same = quiet_ >= 0 && scene.Revision() == revision_;
    // Mostly nothing moved at all; only then are the animations looked for.
    if (same && std::memcmp(now, last_.data(), kPixels * sizeof(Rgb565)) == 0) {
        ++quiet_;
        return quiet_ >= quietTicks_ && DlBytesUsed() == 0 && LcdQueueCount() == 0;
    }
    const std::vector<SceneBox> animated = scene.AnimatedBoxes();
    for (int x = 0; same && x < kScreenWidth; ++x) {
        for (int y = 0; y < kScreenHeight; ++y) {
            const std::size_t i = static_cast<std::size_t>(x) * kScreenHeight + y;
            if (now[i] == last_[i]) continue;
            bool inside = false;
            for (const SceneBox& box : animated) inside = inside || box.Contains(x, y);
            if (inside) continue;
            same = false;
            break;
        }
    }
    last_.assign(now, now + kScreenWidth * kScreenHeight);
    revision_ = scene.Revision();
    quiet_ = same ? quiet_ + 1 : 0;
    return quiet_ >= quietTicks_ && DlBytesUsed() == 0 && LcdQueueCount() == 0;
}
