#include "host/runner/PanelStates.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "host/core/Scene.h"
#include "panel/app/AppState.h"
#include "panel/app/Draw.h"
#include "panel/app/Navigation.h"
#include "panel/app/PageTable.h"
#include "panel/app/TextTables.h"
#include "panel/hw/TouchStage.h"
#include "panel/settings/Settings.h"

namespace {

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
// plant state or behind a dialog are reached the way their record says.
void ShowPage(StateDriver& d, int page) {
    const char* steps = PageRecordAt(static_cast<u8>(page)).gallery;
    if (steps == nullptr) {
        d.Go(page);
    } else {
        d.Play(steps);
    }
}

std::vector<std::string> WordsOf(std::string_view step) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = step.find_first_not_of(' ', at)) != std::string_view::npos) {
        const std::size_t end = step.find(' ', at);
        words.emplace_back(step.substr(at, end - at));
        at = end;
    }
    return words;
}

// The button whose picture has this name ("plus", "next").
int ButtonNamed(const std::string& name) {
    const std::string_view canonical = CanonicalSceneName(name);
    for (int id = 0; id < kButtonCount; ++id) {
        if (PictureName(ImageSlot::kButtons, id) == canonical) return id;
    }
    return -1;
}

// One step: set NAME VALUE, go PAGE, tap BUTTON, or repeat N and a step.
bool PlayStep(StateDriver& d, const std::vector<std::string>& words, std::size_t first) {
    const std::size_t n = words.size() - first;
    if (n == 0) return false;
    const std::string& verb = words[first];
    if (verb == "repeat" && n >= 3) {
        int times = 0;
        const std::string& count = words[first + 1];
        const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), times);
        if (ec != std::errc() || end != count.data() + count.size()) return false;
        for (int i = 0; i < times; ++i) {
            if (!PlayStep(d, words, first + 2)) return false;
        }
        return true;
    }
    if (verb == "set" && n == 3) return d.Set(words[first + 1].c_str(), words[first + 2].c_str());
    if (verb == "go" && n == 2) {
        const int page = FindPage(words[first + 1]);
        if (page >= 0) d.Go(page);
        return page >= 0;
    }
    if (verb == "tap" && n == 2) {
        const int button = ButtonNamed(words[first + 1]);
        if (button >= 0) d.TapButton(static_cast<unsigned char>(button));
        return button >= 0;
    }
    return false;
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

// Every page, and the states that show the texts no page shows by default.
void AddGalleryStates(std::vector<PanelState>& states) {
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
}

using CheckOnly = std::function<void(int page, const std::string& suffix, std::function<void(StateDriver&)> show)>;

// Every value of the settings that show a text, on their value pages, and the
// history's text for each fault and each status.
void AddValueStates(const CheckOnly& checkOnly) {
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

// For the fit check only: every place a text can stand.
void AddCheckStates(std::vector<PanelState>& states) {
    const CheckOnly checkOnly = [&states](int page, const std::string& suffix, std::function<void(StateDriver&)> show) {
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
    AddValueStates(checkOnly);
}

}  // namespace

const std::vector<PanelState>& PanelStates() {
    static const std::vector<PanelState> kStates = [] {
        std::vector<PanelState> states;
        AddGalleryStates(states);
        AddCheckStates(states);
        return states;
    }();
    return kStates;
}

StateDriver::StateDriver(Language language, int zoom, bool pictures)
    : language_(language), zoom_(zoom), pictures_(pictures) {
    // The runner's clock is pinned at its start time, as the gallery's
    // pictures show it. The settling reads the framebuffer; the canvas is
    // painted once a state is on the screen, for its picture.
    panel_.Host().SetPainting(false);
}

void StateDriver::Show(const PanelState& state) {
    // Each state begins from what a fresh program finds.
    error_.clear();
    panel_.Restart();
    PanelHost& host = panel_.Host();
    host.SetZoom(zoom_);
    Settings.language = language_;
    // Steps on the way only need their drawing done; a picture needs the
    // screen still, the start page's pipes drawn.
    quietTicks_ = kDrawnTicks;
    state.show(*this);
    quietTicks_ = pictures_ && state.pictured ? kSettledTicks : kDrawnTicks;
    Settle();
    if (pictures_ && state.pictured) {
        host.SetPainting(true);
        host.FullRepaint();
        host.SetPainting(false);
    }
}

bool StateDriver::Set(const char* name, const char* value) {
    PlantValue parsed;
    std::string why;
    if (!PlantModel::Parse(name, value, parsed, why)) return false;
    panel_.Plant().Set(parsed);
    return true;
}

void StateDriver::Play(std::string_view steps) {
    while (error_.empty() && !steps.empty()) {
        const std::size_t end = steps.find(';');
        const std::string_view step = steps.substr(0, end);
        steps = end == std::string_view::npos ? std::string_view() : steps.substr(end + 1);
        if (!PlayStep(*this, WordsOf(step), 0)) error_ = "cannot play '" + std::string(step) + "'";
    }
}

void StateDriver::Go(int page) {
    GoToPage(static_cast<u8>(page));
    Settle();
}

void StateDriver::TapButton(unsigned char id) {
    for (u8 slot = 0; slot < kTouchRegionCount; ++slot) {
        const TouchRegion* region = TouchRegionAt(slot);
        if (region == nullptr || region->id < 0 || (region->id & 0xFF) != id) continue;
        panel_.Tap((region->x1 + region->x2) / 2, (region->y1 + region->y2) / 2);
        Settle();
        return;
    }
}

void StateDriver::Settle() {
    SettleWatch watch(quietTicks_);
    for (int tick = 0; tick < kMaxSettleTicks && !watch.Settled(panel_.Host()); ++tick) panel_.Ticks(1);
}
