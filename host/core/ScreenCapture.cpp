#include "host/core/ScreenCapture.h"

#include "host/core/PanelHost.h"
#include "host/core/TouchRing.h"

ScreenImage CaptureScreen(const PanelHost& host, int zoom, bool ring) {
    const Canvas& canvas = host.GetCanvas();
    const int shown = host.Zoom();
    if (zoom < 1 || zoom > 3) zoom = shown;
    ScreenImage image{kScreenWidth * zoom, kScreenHeight * zoom, {}};
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const std::uint32_t* row = canvas.Pixels() + static_cast<std::size_t>(y / zoom * shown) * canvas.Stride();
        for (int x = 0; x < image.width; ++x)
            image.rgb[static_cast<std::size_t>(y) * image.width + x] = row[x / zoom * shown] & 0xFFFFFFu;
    }
    int x = 0;
    int y = 0;
    if (ring && FingerOnPanel(x, y))
        DrawTouchRing(image.rgb.data(), image.width, image.height, image.width, zoom, x, y);
    return image;
}
