// The runner's `expect screen`: a picture of the window compared with a
// golden image, and the files that explain a difference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/core/Scene.h"

enum class GoldenVerdict { Matches, Differs, CannotCheck };

struct GoldenCheck {
    std::string golden;           // the golden image's path
    long tolerance = 0;           // differing pixels still accepted
    bool update = false;          // write the golden image instead of comparing
    int zoom = 1;                 // the window's zoom, for the message on a size mismatch
    std::string artifacts;        // the folder for .actual.png and .diff.png; empty: beside the golden image
    std::vector<SceneBox> masks;  // panel regions left out of the comparison (an animation)
};

// Compares `shown` (0xRRGGBB, row by row) with the golden image. Matches and
// update remove the .actual.png and .diff.png left by an earlier failure;
// Differs writes them and says so in `message` (or says why they could not
// be written: the difference stays a failed check); CannotCheck says why (no,
// unreadable or other-sized golden image, an update that cannot be written).
GoldenVerdict CompareWithGolden(const GoldenCheck& check, const std::vector<std::uint32_t>& shown, int width,
                                int height, std::string& message);
