// What the window lends the tools that work its panel from beside it, the
// script player and the inspector: the panel, the firmware's timer, and the
// window's own ways of touching, zooming, setting and ticking the panel, so
// that what they do takes the path the user's hand takes (and lands in the
// recordings the same way).
#pragma once

#include <functional>

#include "host/core/PanelHost.h"

class QTimer;

struct PanelControls {
    PanelHost& host;
    // The firmware's 12 ms timer.
    QTimer& timer;
    // One tick of that timer, with all the window does around it.
    std::function<void()> tick;
    // The left button pressed, moved and released, in the display's
    // coordinates (panel pixels times the zoom).
    std::function<void(int x, int y)> press;
    std::function<void(int x, int y)> drag;
    std::function<void()> release;
    // A zoom of 1, 2 or 3, as its menu item chooses it.
    std::function<void(int zoom)> zoom;
    // The panel clock from now on, running on in real time.
    std::function<void(const WallTime& time)> setClock;
};
