#include "host/core/ScreenCapture.h"

#include "host/core/PanelHost.h"
#include "host/core/TouchRing.h"

namespace {

// Row y of a picture at `zoom` panel pixels a side, `width` pixels, taken from
// the canvas painted at the window's zoom (0xFFRRGGBB) and converted.
template <typename Convert>
void CaptureRow(const PanelHost& host, int zoom, int y, int width, std::uint32_t* to, Convert convert) {
    const Canvas& canvas = host.GetCanvas();
    const int shown = host.Zoom();
    const std::uint32_t* row = canvas.Pixels() + static_cast<std::size_t>(y / zoom * shown) * canvas.Stride();
    for (int x = 0; x < width; ++x) to[x] = convert(row[x / zoom * shown]);
}

}  // namespace

ScreenImage CaptureScreen(const PanelHost& host, int zoom, bool ring) {
    if (zoom < 1 || zoom > 3) zoom = host.Zoom();
    ScreenImage image{kScreenWidth * zoom, kScreenHeight * zoom, {}};
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        CaptureRow(host, zoom, y, image.width, image.rgb.data() + static_cast<std::size_t>(y) * image.width,
                   [](std::uint32_t argb) { return argb & 0xFFFFFFu; });
    }
    int x = 0;
    int y = 0;
    if (ring && FingerOnPanel(x, y))
        DrawTouchRing(image.rgb.data(), image.width, image.height, image.width, zoom, x, y);
    return image;
}

void CaptureRowsRgba(const PanelHost& host, int first, int end, std::uint32_t* to) {
    for (int y = first; y < end; ++y) {
        CaptureRow(host, 1, y, kScreenWidth, to + static_cast<std::size_t>(y) * kScreenWidth, [](std::uint32_t argb) {
            return (argb & 0xFF00FF00u) | ((argb >> 16) & 0xFFu) | ((argb & 0xFFu) << 16);
        });
    }
}
