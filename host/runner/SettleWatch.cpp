#include "host/runner/SettleWatch.h"

#include "host/core/Scene.h"
#include "panel/Firmware.h"
#include "panel/dl/DisplayList.h"
#include "panel/hw/LcdQueue.h"

bool SettleWatch::Settled(const PanelHost& host) {
    const Scene& scene = host.GetScene();
    const Rgb565* now = PanelFramebuffer;
    constexpr std::size_t kPixels = static_cast<std::size_t>(kScreenWidth) * kScreenHeight;
    // Since a look one tick ago, the screen changed only where the tick's
    // controller wrote; after any other gap it is looked at whole.
    static const std::vector<DirtyRect> kWhole{{0, 0, kScreenWidth, kScreenHeight}};
    const bool nextTick = last_.size() == kPixels && host.TicksRun() <= seenTick_ + 1;
    const std::vector<DirtyRect>& areas = nextTick ? host.Damage() : kWhole;
    if (last_.size() != kPixels) last_.assign(kPixels, 0);
    seenTick_ = host.TicksRun();
    bool same = quiet_ >= 0 && scene.Revision() == revision_;
    // Only pixels that moved are looked up among the animations.
    std::vector<SceneBox> animated;
    bool animationsRead = false;
    for (const DirtyRect& area : areas) {
        for (int x = area.x0; x < area.x1; ++x) {
            for (int y = area.y0; y < area.y1; ++y) {
                const std::size_t i = static_cast<std::size_t>(x) * kScreenHeight + y;
                if (now[i] == last_[i]) continue;
                last_[i] = now[i];
                if (!same) continue;
                if (!animationsRead) {
                    animated = scene.AnimatedBoxes();
                    animationsRead = true;
                }
                bool inside = false;
                for (const SceneBox& box : animated) inside = inside || box.Contains(x, y);
                same = inside;
            }
        }
    }
    revision_ = scene.Revision();
    quiet_ = same ? quiet_ + 1 : 0;
    return quiet_ >= quietTicks_ && DlBytesUsed() == 0 && LcdQueueCount() == 0;
}
