// The one way a picture of the panel is taken: screenshots and screen checks
// of the runner, the window's screenshots and clipboard, the gallery and its
// contact sheets, and the tests all read the window's image here.
#pragma once

#include <cstdint>
#include <vector>

class PanelHost;

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;  // 0xRRGGBB, row by row

    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

// What the window shows, at `zoom` 1..3 panel pixels a side (0: at the
// window's own zoom); with `ring`, the finger's ring where a finger is down.
ScreenImage CaptureScreen(const PanelHost& host, int zoom = 0, bool ring = false);
