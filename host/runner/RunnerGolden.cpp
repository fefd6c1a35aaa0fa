#include "host/runner/RunnerGolden.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/export/PngWriter.h"
#include "host/runner/RunnerArtifacts.h"

namespace {

// The name of a file written beside a golden image: menu.png -> menu.SUFFIX.png.
std::string Beside(const std::string& golden, const char* suffix) {
    std::filesystem::path path(golden);
    const std::string stem = path.extension() == ".png" ? path.stem().string() : path.filename().string();
    return (path.parent_path() / (stem + "." + suffix + ".png")).string();
}

// Whether pixel i of a picture `width` wide at `zoom` lies in a mask.
bool Masked(const std::vector<SceneBox>& masks, std::size_t i, int width, int zoom) {
    const int x = static_cast<int>(i % static_cast<std::size_t>(width)) / zoom;
    const int y = static_cast<int>(i / static_cast<std::size_t>(width)) / zoom;
    for (const SceneBox& mask : masks) {
        if (mask.Contains(x, y)) return true;
    }
    return false;
}

// Magenta where the pictures differ, over a dimmed grey copy of the page, so
// that the marks are what the eye finds; masked regions are dark blue.
// Returns the number of differing pixels outside the masks.
long DiffPicture(const GoldenCheck& check, int width, const std::vector<std::uint32_t>& shown,
                 const std::vector<std::uint32_t>& golden, std::vector<std::uint32_t>& diff) {
    long differing = 0;
    diff.assign(shown.size(), 0);
    const int zoom = std::max(1, width / 320);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (!check.masks.empty() && Masked(check.masks, i, width, zoom)) {
            diff[i] = 0x202060u;
        } else if (shown[i] != golden[i]) {
            ++differing;
            diff[i] = 0xFF00FFu;
        } else {
            const std::uint32_t p = shown[i];
            const std::uint32_t grey = (((p >> 16) & 0xFFu) * 3 + ((p >> 8) & 0xFFu) * 6 + (p & 0xFFu)) / 10;
            const std::uint32_t dim = 0x60 + grey / 4;
            diff[i] = dim << 16 | dim << 8 | dim;
        }
    }
    return differing;
}

}  // namespace

GoldenVerdict CompareWithGolden(const GoldenCheck& check, const std::vector<std::uint32_t>& shown, int width,
                                int height, std::string& message) {
    const bool away = !check.artifacts.empty();
    const std::string actualPath =
        away ? ArtifactPath(check.artifacts, check.golden, ".actual.png") : Beside(check.golden, "actual");
    const std::string diffPath =
        away ? ArtifactPath(check.artifacts, check.golden, ".diff.png") : Beside(check.golden, "diff");
    std::error_code ec;
    const auto removeLeftovers = [&] {
        std::filesystem::remove(actualPath, ec);
        std::filesystem::remove(diffPath, ec);
    };
    if (check.update) {
        if (!WritePng(check.golden, width, height, shown, message)) return GoldenVerdict::CannotCheck;
        removeLeftovers();
        return GoldenVerdict::Matches;
    }
    if (!std::filesystem::exists(check.golden, ec)) {
        message = "no golden image " + check.golden + " (run with --update to write it)";
        return GoldenVerdict::CannotCheck;
    }
    int goldenWidth = 0;
    int goldenHeight = 0;
    std::vector<std::uint32_t> golden;
    if (!ReadPng(check.golden, goldenWidth, goldenHeight, golden, message)) return GoldenVerdict::CannotCheck;
    if (goldenWidth != width || goldenHeight != height) {
        message = "the golden image " + check.golden + " is " + std::to_string(goldenWidth) + "x" +
                  std::to_string(goldenHeight) + ", the window shows " + std::to_string(width) + "x" +
                  std::to_string(height) + " (zoom " + std::to_string(check.zoom) + ")";
        return GoldenVerdict::CannotCheck;
    }
    std::vector<std::uint32_t> diff;
    const long differing = DiffPicture(check, width, shown, golden, diff);
    if (differing <= check.tolerance) {
        removeLeftovers();
        return GoldenVerdict::Matches;
    }
    message = "expected screen " + check.golden + " (tolerance " + std::to_string(check.tolerance) + " pixels), got " +
              std::to_string(differing) + " differing pixels; ";
    std::string why;
    if ((away && !MakeFoldersFor(actualPath, why)) || !WritePng(actualPath, width, height, shown, why) ||
        !WritePng(diffPath, width, height, diff, why)) {
        message += "the pictures of the difference were not kept (" + why + ")";
    } else {
        message += "see " + actualPath + " and " + diffPath;
    }
    return GoldenVerdict::Differs;
}
