// The ring that shows where the finger is, for videos and manual pictures.
// It is drawn over copies of the panel's picture (the window's image, a
// screenshot, a GIF frame), never into the panel's framebuffer, so the
// firmware and the display mirror never see it. Toolkit-free: the window and
// the runner draw the same ring.
#pragma once

#include <cstdint>

#include "host/Canvas.h"
#include "panel/Types.h"

// The panel pixel under the finger as the firmware reads it; false while no
// finger is down.
bool FingerOnPanel(int& x, int& y);

// The window pixels that a ring around panel pixel (x, y) covers, at `scale`
// window pixels per panel pixel.
DirtyRect TouchRingArea(int scale, int x, int y);

// Blends the ring into 0xAARRGGBB (or 0x00RRGGBB) pixels, `stride` pixels
// apart from row to row, clipped to width x height; pixels[0] is the window
// pixel (left, top).
void DrawTouchRing(std::uint32_t* pixels, int width, int height, int stride, int scale, int x, int y, int left = 0,
                   int top = 0);

// Blends the ring into a copy of the panel's screen (kScreenWidth x
// kScreenHeight Rgb565 values, column-major like the framebuffer).
void DrawTouchRing(Rgb565* screen, int x, int y);
