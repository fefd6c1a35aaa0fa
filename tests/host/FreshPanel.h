// A panel driver over a plant, settings and fault history as a program start
// finds them: the host sets only some of their fields at start, the rest are
// zero because the program just began. Tests in one process must neither see
// the values of the last one nor leave theirs behind.
#pragma once

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "panel/settings/Settings.h"
#include "tests/host/PanelDriver.h"

struct ZeroedPlant {
    ZeroedPlant() { Zero(); }
    // And the next test finds it as fresh as this one did.
    ~ZeroedPlant() { Zero(); }
    ZeroedPlant(const ZeroedPlant&) = delete;
    ZeroedPlant& operator=(const ZeroedPlant&) = delete;
    static void Zero() {
        Plant = PlantValues{};
        ControllerLink = ControllerLinkRecord{};
        Settings = SettingsBlock{};
        for (FaultHistoryEntry& e : FaultHistory) e = FaultHistoryEntry{};
    }
};

class FreshPanel : private ZeroedPlant, public PanelDriver {};
