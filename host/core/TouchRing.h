// The ring that shows where the finger is, for videos and manual pictures.
// It is drawn over copies of the panel's picture (the window's image, a
// screenshot, a GIF frame), never into the panel's framebuffer, so the
// firmware and the display mirror never see it. Toolkit-free and in this
// header alone: the window, the runner and the web page's build share it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "host/core/Canvas.h"
#include "panel/Types.h"
#include "panel/gfx/Colour.h"
#include "panel/hw/LcdQueue.h"
#include "panel/hw/Touch.h"

// The window pixels that a ring around panel pixel (x, y) covers, at `scale`
// window pixels per panel pixel.
inline DirtyRect TouchRingArea(int scale, int x, int y);

namespace RingDrawing {

// A magenta ring: a colour the panel's pages never use, so it stands out on
// the yellow bar, the white pages and the black schematic alike.
inline constexpr int kRingRed = 230;
inline constexpr int kRingGreen = 0;
inline constexpr int kRingBlue = 130;
inline constexpr double kOpacity = 0.85;
inline constexpr double kRadius = 9.0;     // panel pixels, to the middle of the line
inline constexpr double kThickness = 2.0;  // panel pixels

// How much of window pixel (px, py) the ring covers, 0..1: a soft edge one
// window pixel wide, so the ring looks round at every scale.
inline double Coverage(int scale, int x, int y, int px, int py) {
    const double cx = (x + 0.5) * scale;
    const double cy = (y + 0.5) * scale;
    const double d = std::hypot(px + 0.5 - cx, py + 0.5 - cy);
    const double half = kThickness * scale / 2.0;
    return std::clamp(half + 0.5 - std::fabs(d - kRadius * scale), 0.0, 1.0);
}

inline int Blend(int under, int over, double alpha) {
    return static_cast<int>(std::lround(under + (over - under) * alpha));
}

// Visits the covered pixels of a picture whose first pixel is window pixel
// (left, top), with picture coordinates.
template <typename Visit>
inline void ForEachRingPixel(int scale, int x, int y, int left, int top, int width, int height, Visit visit) {
    const DirtyRect area = TouchRingArea(scale, x, y);
    for (int py = std::max(area.y0, top); py < std::min(area.y1, top + height); ++py) {
        for (int px = std::max(area.x0, left); px < std::min(area.x1, left + width); ++px) {
            const double alpha = Coverage(scale, x, y, px, py) * kOpacity;
            if (alpha > 0.0) visit(px - left, py - top, alpha);
        }
    }
}

}  // namespace RingDrawing

// The panel pixel under the finger as the firmware reads it; false while no
// finger is down.
inline bool FingerOnPanel(int& x, int& y) {
    if (TouchSample < 0) return false;
    x = TouchSample & 0xFFF;
    y = (TouchSample >> 12) & 0xFFF;
    return x < kScreenWidth && y < kScreenHeight;
}

inline DirtyRect TouchRingArea(int scale, int x, int y) {
    const int reach = static_cast<int>(std::ceil((RingDrawing::kRadius + RingDrawing::kThickness) * scale)) + 1;
    const int cx = x * scale + scale / 2;
    const int cy = y * scale + scale / 2;
    return {cx - reach, cy - reach, cx + reach + 1, cy + reach + 1};
}

// Blends the ring into 0xAARRGGBB (or 0x00RRGGBB) pixels, `stride` pixels
// apart from row to row, clipped to width x height; pixels[0] is the window
// pixel (left, top).
inline void DrawTouchRing(std::uint32_t* pixels, int width, int height, int stride, int scale, int x, int y,
                          int left = 0, int top = 0) {
    RingDrawing::ForEachRingPixel(scale, x, y, left, top, width, height, [&](int px, int py, double alpha) {
        std::uint32_t& p = pixels[static_cast<std::size_t>(py) * stride + px];
        const int r = RingDrawing::Blend(static_cast<int>(p >> 16 & 0xFF), RingDrawing::kRingRed, alpha);
        const int g = RingDrawing::Blend(static_cast<int>(p >> 8 & 0xFF), RingDrawing::kRingGreen, alpha);
        const int b = RingDrawing::Blend(static_cast<int>(p & 0xFF), RingDrawing::kRingBlue, alpha);
        p = (p & 0xFF000000u) | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    });
}

// Blends the ring into a copy of the panel's screen (kScreenWidth x
// kScreenHeight Rgb565 values, column-major like the framebuffer).
inline void DrawTouchRing(Rgb565* screen, int x, int y) {
    RingDrawing::ForEachRingPixel(1, x, y, 0, 0, kScreenWidth, kScreenHeight, [&](int px, int py, double alpha) {
        Rgb565& p = screen[FramebufferIndex(static_cast<u16>(px), static_cast<u16>(py))];
        const RgbTriple c = Rgb565ToRgb(p);
        const int r = RingDrawing::Blend(c.red, RingDrawing::kRingRed, alpha);
        const int g = RingDrawing::Blend(c.green, RingDrawing::kRingGreen, alpha);
        const int b = RingDrawing::Blend(c.blue, RingDrawing::kRingBlue, alpha);
        p = static_cast<Rgb565>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    });
}
