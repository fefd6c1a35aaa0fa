#include "host/export/GifRecorder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "host/core/PanelHost.h"
#include "host/core/TouchRing.h"
#include "panel/hw/LcdQueue.h"

namespace {

constexpr int kPixels = kScreenWidth * kScreenHeight;

struct Rect {
    int x0 = kScreenWidth, y0 = kScreenHeight, x1 = 0, y1 = 0;  // right and bottom exclusive
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

const DirtyRect kWholeScreen{0, 0, kScreenWidth, kScreenHeight};

// The smallest rectangle that holds every pixel in which the two screens
// differ; each pixel outside `areas` is the same in both.
Rect ChangedArea(const std::vector<Rgb565>& before, const std::vector<Rgb565>& after,
                 const std::vector<DirtyRect>& areas) {
    Rect r;
    for (const DirtyRect& a : areas) {
        for (int x = a.x0; x < a.x1; ++x) {
            for (int y = a.y0; y < a.y1; ++y) {
                const std::size_t i = FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y));
                if (before.empty() || before[i] != after[i]) {
                    r.x0 = std::min(r.x0, x);
                    r.y0 = std::min(r.y0, y);
                    r.x1 = std::max(r.x1, x + 1);
                    r.y1 = std::max(r.y1, y + 1);
                }
            }
        }
    }
    return r;
}

bool DiffersIn(const std::vector<Rgb565>& copy, const Rgb565* screen, const std::vector<DirtyRect>& areas) {
    for (const DirtyRect& a : areas) {
        for (int x = a.x0; x < a.x1; ++x) {
            const std::size_t column = FramebufferIndex(static_cast<u16>(x), 0);
            if (!std::equal(screen + column + a.y0, screen + column + a.y1, copy.begin() + column + a.y0)) return true;
        }
    }
    return false;
}

void CopyAreas(const Rgb565* screen, std::vector<Rgb565>& copy, const std::vector<DirtyRect>& areas) {
    for (const DirtyRect& a : areas) {
        for (int x = a.x0; x < a.x1; ++x) {
            const std::size_t column = FramebufferIndex(static_cast<u16>(x), 0);
            std::copy(screen + column + a.y0, screen + column + a.y1, copy.begin() + column + a.y0);
        }
    }
}

// Areas collected over many ticks collapse into one that holds them all.
void AddAreas(std::vector<DirtyRect>& to, const std::vector<DirtyRect>& areas) {
    constexpr std::size_t kMostAreas = 64;
    to.insert(to.end(), areas.begin(), areas.end());
    if (to.size() <= kMostAreas) return;
    DirtyRect all = to.front();
    for (const DirtyRect& a : to)
        all = {std::min(all.x0, a.x0), std::min(all.y0, a.y0), std::max(all.x1, a.x1), std::max(all.y1, a.y1)};
    to.assign(1, all);
}

// Centiseconds of the GIF clock at `milliseconds` after the first frame,
// rounded, so that the delays add up to the real time without drift.
int Centiseconds(std::int64_t milliseconds) { return static_cast<int>((milliseconds + 5) / 10); }

// giflib's output function: the bytes go to the OutputFile behind UserData.
int WriteToFile(GifFileType* gif, const GifByteType* bytes, int size) {
    std::string why;
    auto* file = static_cast<OutputFile*>(gif->UserData);
    return size >= 0 && file->Write(bytes, static_cast<std::size_t>(size), why) ? size : 0;
}

std::string GifReason(int code) {
    const char* text = GifErrorString(code);
    return text != nullptr ? text : "GIF error " + std::to_string(code);
}

}  // namespace

GifRecorder::~GifRecorder() { Abandon(); }

bool GifRecorder::Start(const std::string& path, std::string& error) {
    Abandon();
    if (!file_.Open(path, error)) return false;
    int code = 0;
    GifFileType* gif = EGifOpen(&file_, WriteToFile, &code);
    if (gif == nullptr) {
        file_.Abandon();
        error = path + ": cannot write: " + GifReason(code);
        return false;
    }
    EGifSetGifVersion(gif, true);
    // No global colour table: every frame brings its own.
    bool ok = EGifPutScreenDesc(gif, kScreenWidth, kScreenHeight, 8, 0, nullptr) == GIF_OK;
    // Loop for ever.
    static const unsigned char kLoop[3] = {1, 0, 0};
    ok = ok && EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
         EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") == GIF_OK && EGifPutExtensionBlock(gif, 3, kLoop) == GIF_OK &&
         EGifPutExtensionTrailer(gif) == GIF_OK;
    if (!ok) {
        error = path + ": cannot write: " + GifReason(gif->Error);
        EGifCloseFile(gif, &code);
        file_.Abandon();
        return false;
    }
    gif_ = gif;
    path_ = path;
    failed_ = false;
    framesWritten_ = 0;
    written_.clear();
    pending_.clear();
    unwritten_.clear();
    return true;
}

void GifRecorder::Frame(const Rgb565* screen, std::int64_t milliseconds) {
    Frame(screen, milliseconds, {kWholeScreen});
}

void GifRecorder::Frame(const Rgb565* screen, std::int64_t milliseconds, const std::vector<DirtyRect>& changed) {
    if (gif_ == nullptr || failed_) return;
    if (pending_.empty()) {
        pending_.assign(screen, screen + kPixels);
        unwritten_.assign(1, kWholeScreen);
        pendingSince_ = milliseconds;
        firstTime_ = milliseconds;
        return;
    }
    if (!DiffersIn(pending_, screen, changed)) return;
    // A frame too short to be shown as it is gives way to the next one.
    if (milliseconds - pendingSince_ >= kMinFrameMilliseconds) {
        if (!WritePending(milliseconds)) return;
        pendingSince_ = milliseconds;
    }
    CopyAreas(screen, pending_, changed);
    AddAreas(unwritten_, changed);
}

void GifRecorder::Frame(const PanelHost& host, std::int64_t milliseconds, bool ring) {
    int x = 0;
    int y = 0;
    if (!ring) {
        Frame(host.Mirror(), milliseconds, host.Damage());
    } else if (!FingerOnPanel(x, y)) {
        Frame(host.Mirror(), milliseconds);
    } else {
        std::vector<Rgb565> screen(host.Mirror(), host.Mirror() + kPixels);
        DrawTouchRing(screen.data(), x, y);
        Frame(screen.data(), milliseconds);
    }
}

bool GifRecorder::WritePending(std::int64_t until) {
    Rect area = ChangedArea(written_, pending_, unwritten_);
    // A frame that changes nothing still carries its time: one pixel.
    if (area.Empty()) area = {0, 0, 1, 1};
    const int width = area.x1 - area.x0;
    const int height = area.y1 - area.y0;
    const std::size_t count = static_cast<std::size_t>(width) * height;

    std::vector<GifPixelType> indexes(count);
    std::vector<GifColorType> colours;
    std::unordered_map<Rgb565, GifPixelType> index;
    bool many = false;
    for (int y = area.y0; y < area.y1 && !many; ++y) {
        for (int x = area.x0; x < area.x1; ++x) {
            const Rgb565 c = pending_[FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y))];
            auto found = index.find(c);
            if (found == index.end()) {
                if (colours.size() == 256) {
                    many = true;
                    break;
                }
                const RgbTriple rgb = Rgb565ToRgb(c);
                colours.push_back({rgb.red, rgb.green, rgb.blue});
                found = index.emplace(c, static_cast<GifPixelType>(colours.size() - 1)).first;
            }
            indexes[static_cast<std::size_t>(y - area.y0) * width + (x - area.x0)] = found->second;
        }
    }
    int bits = GifBitSize(static_cast<int>(colours.size()));
    ColorMapObject* map = nullptr;
    if (!many) {
        map = GifMakeMapObject(1 << bits, nullptr);
        if (map != nullptr) std::copy(colours.begin(), colours.end(), map->Colors);
    } else {
        // More colours than a frame can hold: giflib picks 256 of them.
        std::vector<GifByteType> red(count), green(count), blue(count);
        for (int y = area.y0; y < area.y1; ++y) {
            for (int x = area.x0; x < area.x1; ++x) {
                const RgbTriple rgb = Rgb565ToRgb(pending_[FramebufferIndex(static_cast<u16>(x), static_cast<u16>(y))]);
                const std::size_t i = static_cast<std::size_t>(y - area.y0) * width + (x - area.x0);
                red[i] = rgb.red;
                green[i] = rgb.green;
                blue[i] = rgb.blue;
            }
        }
        bits = 8;
        map = GifMakeMapObject(256, nullptr);
        int size = 256;
        if (map != nullptr &&
            GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &size, red.data(),
                              green.data(), blue.data(), indexes.data(), map->Colors) != GIF_OK) {
            GifFreeMapObject(map);
            map = nullptr;
        }
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.TransparentColor = NO_TRANSPARENT_COLOR;
    control.DelayTime = std::max(1, Centiseconds(until - firstTime_) - Centiseconds(pendingSince_ - firstTime_));
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    bool ok = map != nullptr &&
              EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK &&
              EGifPutImageDesc(gif_, area.x0, area.y0, width, height, false, map) == GIF_OK;
    for (int row = 0; ok && row < height; ++row) {
        ok = EGifPutLine(gif_, indexes.data() + static_cast<std::size_t>(row) * width, width) == GIF_OK;
    }
    if (map != nullptr) GifFreeMapObject(map);
    if (!ok) {
        failed_ = true;
        return false;
    }
    if (written_.empty()) {
        written_ = pending_;
    } else {
        CopyAreas(pending_.data(), written_, unwritten_);
    }
    unwritten_.clear();
    ++framesWritten_;
    return true;
}

bool GifRecorder::Stop(std::int64_t milliseconds, std::string& error) {
    if (gif_ == nullptr) {
        error = "no animation is being recorded";
        return false;
    }
    // The last frame is shown long enough for a viewer to keep its time.
    if (!failed_ && !pending_.empty()) WritePending(std::max(milliseconds, pendingSince_ + kMinFrameMilliseconds));
    int code = 0;
    const bool closed = EGifCloseFile(gif_, &code) == GIF_OK;
    gif_ = nullptr;
    if (failed_ || !closed || pending_.empty()) {
        error = path_ + ": cannot write: " +
                (pending_.empty() ? std::string("no frame was recorded")
                 : failed_        ? "a frame failed"
                                  : GifReason(code));
        file_.Abandon();
        return false;
    }
    return file_.Commit(error);
}

void GifRecorder::Abandon() {
    if (gif_ == nullptr) return;
    int code = 0;
    EGifCloseFile(gif_, &code);
    gif_ = nullptr;
    file_.Abandon();
}
