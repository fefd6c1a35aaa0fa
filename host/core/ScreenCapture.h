// The one way a picture of the panel is taken: screenshots and screen checks
// of the runner, the window's screenshots and clipboard, the gallery and its
// contact sheets, the web page's frames and the tests all read the window's
// image here. (The Python module's Panel.screen is a view into that image,
// read in place, and takes no picture.)
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

// Rows [first, end) of what the window shows, at one panel pixel a side, into
// `to` (row y at y x 320): each pixel the bytes R, G, B, A in memory on a
// little-endian machine, as a browser's image data holds them.
void CaptureRowsRgba(const PanelHost& host, int first, int end, std::uint32_t* to);
