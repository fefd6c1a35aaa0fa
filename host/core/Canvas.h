// The window's off-screen image: the host core paints panel pixels into it as
// zoom x zoom squares, and the window shows it. Pixels are 0xFFRRGGBB, the
// toolkit's own 32-bit format, so the window shows the memory as it is.
#pragma once

#include <cstdint>
#include <vector>

struct DirtyRect {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // right and bottom exclusive
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

class Canvas {
public:
    static constexpr int kMaxWidth = 960;
    static constexpr int kMaxHeight = 720;

    Canvas() : pixels_(static_cast<std::size_t>(kMaxWidth) * kMaxHeight, 0xFF000000u) {}

    // Sets the client size; the image keeps its maximum stride so that the
    // window can wrap the same memory at every zoom.
    void Resize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return kMaxWidth; }

    // Fills [x0, x1) x [y0, y1), clipped to the client area, with a colour
    // given as 0xRRGGBB.
    void FillRect(int x0, int y0, int x1, int y1, std::uint32_t rgb);
    void SetPixel(int x, int y, std::uint32_t rgb);

    // The colour at (x, y) as 0xRRGGBB; 0 outside the client area.
    std::uint32_t RgbAt(int x, int y) const;
    const std::uint32_t* Pixels() const { return pixels_.data(); }

    // Bookkeeping for the window and the tests: the squares painted and the
    // area they cover since the last TakeDirty.
    std::uint64_t SquaresPainted() const { return squares_; }
    DirtyRect TakeDirty();

private:
    void MarkDirty(int x0, int y0, int x1, int y1);

    std::vector<std::uint32_t> pixels_;
    int width_ = 0;
    int height_ = 0;
    std::uint64_t squares_ = 0;
    DirtyRect dirty_;
};
