// Renders every page of the panel in one language into a contact sheet, for
// reviewing layouts and translations: pagesheet LANGUAGE OUT.png
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/core/PanelHost.h"
#include "host/export/PngWriter.h"
#include "host/plant/PlantModel.h"
#include "panel/app/AppState.h"
#include "panel/app/Navigation.h"
#include "panel/hw/LcdQueue.h"
#include "panel/settings/Settings.h"

namespace {

class FixedClock final : public WallClock {
public:
    WallTime Now() override { return MakeWallTime(2026, 12, 6, 13, 47, 5); }
};

constexpr int kColumns = 6;
constexpr int kGap = 4;

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pagesheet LANGUAGE(0..6) OUT.png\n");
        return 2;
    }
    const int language = std::atoi(argv[1]);
    if (language < 0 || language > 6) {
        std::fprintf(stderr, "pagesheet: the language is a number from 0 to 6\n");
        return 2;
    }
    FixedClock clock;
    PlantModel plant;
    PanelHost host(clock, plant, 0xF0F0F0);
    host.Start();
    host.SetZoom(1);
    for (int i = 0; i < 300; ++i) host.Tick();
    Settings.language = static_cast<u8>(language);

    const int rows = (kPageCount + kColumns - 1) / kColumns;
    const int width = kColumns * (kScreenWidth + kGap) + kGap;
    const int height = rows * (kScreenHeight + kGap) + kGap;
    std::vector<std::uint32_t> sheet(static_cast<std::size_t>(width) * height, 0x404040);
    for (int page = 0; page < kPageCount; ++page) {
        GoToPage(static_cast<u8>(page));
        for (int i = 0; i < 60; ++i) host.Tick();
        const int ox = kGap + (page % kColumns) * (kScreenWidth + kGap);
        const int oy = kGap + (page / kColumns) * (kScreenHeight + kGap);
        for (int y = 0; y < kScreenHeight; ++y) {
            for (int x = 0; x < kScreenWidth; ++x) {
                sheet[static_cast<std::size_t>(oy + y) * width + ox + x] =
                    Rgb565ToRgb888(FramebufferAt(static_cast<u16>(x), static_cast<u16>(y)));
            }
        }
    }
    std::string error;
    if (!WritePng(argv[2], width, height, sheet, error)) {
        std::fprintf(stderr, "pagesheet: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
