// Records what the panel shows as an animated GIF (through giflib), at 1:1
// panel pixels and with the panel's own timing: a frame is kept only when the
// screen changed, and it lasts until the next change. Toolkit-free: the window
// and the runner feed it the display mirror after every tick, with the areas
// that the tick repainted, so that only those are compared.
//
// Each frame holds only the rectangle that changed since the frame before,
// with a colour table of its own. A frame that would show for less than
// kMinFrameMilliseconds is replaced by the change after it, because viewers
// stretch such short frames to a tenth of a second and the whole animation
// would then run slow.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/core/Canvas.h"
#include "host/core/FileAccess.h"
#include "panel/Types.h"

struct GifFileType;
class PanelHost;

class GifRecorder {
public:
    static constexpr int kMinFrameMilliseconds = 20;

    GifRecorder() = default;
    ~GifRecorder();
    GifRecorder(const GifRecorder&) = delete;
    GifRecorder& operator=(const GifRecorder&) = delete;

    // Opens a temporary file beside `path` (or, for a special file such as a
    // pipe, the file itself); the GIF replaces `path` only at Stop. False
    // with the reason when the file cannot be created.
    bool Start(const std::string& path, std::string& error);

    // The panel's screen (the display mirror: kScreenWidth x kScreenHeight,
    // column-major) at `milliseconds` of panel time since any fixed moment.
    void Frame(const Rgb565* screen, std::int64_t milliseconds);
    // The same when the screen can differ from the one of the call before
    // only within `changed` (panel pixels, right and bottom exclusive).
    void Frame(const Rgb565* screen, std::int64_t milliseconds, const std::vector<DirtyRect>& changed);
    // What the host shows after a tick (its display mirror), with the finger's
    // ring when `ring`; without a ring only the areas the tick repainted can
    // have changed.
    void Frame(const PanelHost& host, std::int64_t milliseconds, bool ring);

    // Writes the last frame, lasting until `milliseconds`, and puts the GIF in
    // place. False with "PATH: reason" when it could not be written; no file
    // is left behind then.
    bool Stop(std::int64_t milliseconds, std::string& error);

    // Drops the recording and its temporary file.
    void Abandon();

    bool Recording() const { return gif_ != nullptr; }
    const std::string& Path() const { return path_; }
    // Frames written so far (the pending one not counted).
    int FramesWritten() const { return framesWritten_; }

private:
    bool WritePending(std::int64_t until);

    GifFileType* gif_ = nullptr;
    std::string path_;
    OutputFile file_;
    bool failed_ = false;
    int framesWritten_ = 0;
    std::vector<Rgb565> written_;  // the screen as the written frames leave it
    std::vector<Rgb565> pending_;  // shown since pendingSince_, not yet written
    // Where pending_ may differ from written_.
    std::vector<DirtyRect> unwritten_;
    std::int64_t pendingSince_ = 0;
    std::int64_t firstTime_ = 0;
};
