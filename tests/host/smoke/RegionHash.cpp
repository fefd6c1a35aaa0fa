// Prints a hash of the pixels of a rectangle of a window, so that a shell
// test can tell whether part of the window changed; with a 1 x 1 rectangle
// it prints the pixel's colour as RRGGBB instead. Given a file name as well,
// it also writes the rectangle as a PNG, for the runner to compare with.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/export/PngWriter.h"

int main(int argc, char* argv[]) {
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: region_hash WINDOW_ID X Y WIDTH HEIGHT [OUT.png]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "region_hash: cannot open the display\n");
        return 1;
    }
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    const int x = std::atoi(argv[2]);
    const int y = std::atoi(argv[3]);
    const unsigned width = static_cast<unsigned>(std::atoi(argv[4]));
    const unsigned height = static_cast<unsigned>(std::atoi(argv[5]));
    XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "region_hash: cannot read the window's pixels\n");
        XCloseDisplay(display);
        return 1;
    }
    std::uint64_t hash = 14695981039346656037ull;
    std::vector<std::uint32_t> rgb;
    for (unsigned row = 0; row < height; ++row) {
        for (unsigned column = 0; column < width; ++column) {
            const unsigned long pixel = XGetPixel(image, static_cast<int>(column), static_cast<int>(row)) & 0xFFFFFFul;
            hash = (hash ^ pixel) * 1099511628211ull;
            rgb.push_back(static_cast<std::uint32_t>(pixel));
        }
    }
    if (argc == 7) {
        std::string why;
        if (!WritePng(argv[6], static_cast<int>(width), static_cast<int>(height), rgb, why)) {
            std::fprintf(stderr, "region_hash: %s\n", why.c_str());
            XDestroyImage(image);
            XCloseDisplay(display);
            return 1;
        }
    }
    if (width == 1 && height == 1) {
        std::printf("%06lx\n", XGetPixel(image, 0, 0) & 0xFFFFFFul);
    } else {
        std::printf("%016llx\n", static_cast<unsigned long long>(hash));
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
