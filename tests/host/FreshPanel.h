// A panel driver over a plant record as a program start finds it: the host
// sets only some plant values at start, the rest are zero because the program
// just began. Tests in one process must not see the values of the last one.
#pragma once

#include "panel/app/AppState.h"
#include "panel/app/Plant.h"
#include "tests/host/PanelDriver.h"

struct ZeroedPlant {
    ZeroedPlant() {
        Plant = PlantValues{};
        ControllerLink = ControllerLinkRecord{};
    }
};

class FreshPanel : private ZeroedPlant, public PanelDriver {};
