#include "host/core/Canvas.h"

#include <algorithm>

void Canvas::Resize(int width, int height) {
    width_ = std::clamp(width, 0, kMaxWidth);
    height_ = std::clamp(height, 0, kMaxHeight);
}

void Canvas::FillRect(int x0, int y0, int x1, int y1, std::uint32_t rgb) {
    ++squares_;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_);
    y1 = std::min(y1, height_);
    if (x1 <= x0 || y1 <= y0) return;
    const std::uint32_t argb = 0xFF000000u | rgb;
    for (int y = y0; y < y1; ++y) {
        std::uint32_t* row = pixels_.data() + static_cast<std::size_t>(y) * kMaxWidth;
        std::fill(row + x0, row + x1, argb);
    }
    MarkDirty(x0, y0, x1, y1);
}

void Canvas::SetPixel(int x, int y, std::uint32_t rgb) {
    ++squares_;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * kMaxWidth + x] = 0xFF000000u | rgb;
    MarkDirty(x, y, x + 1, y + 1);
}

std::uint32_t Canvas::RgbAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * kMaxWidth + x] & 0xFFFFFFu;
}

void Canvas::MarkDirty(int x0, int y0, int x1, int y1) {
    if (dirty_.Empty()) {
        dirty_ = {x0, y0, x1, y1};
        return;
    }
    dirty_.x0 = std::min(dirty_.x0, x0);
    dirty_.y0 = std::min(dirty_.y0, y0);
    dirty_.x1 = std::max(dirty_.x1, x1);
    dirty_.y1 = std::max(dirty_.y1, y1);
}

DirtyRect Canvas::TakeDirty() {
    const DirtyRect taken = dirty_;
    dirty_ = {};
    return taken;
}
