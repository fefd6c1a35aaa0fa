// A small PNG encoder for screenshots: 8-bit RGB, stored (uncompressed)
// deflate blocks, so it needs no compression library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes width x height pixels given as 0xRRGGBB values, row by row.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& rgb);

// Writes the file; false with a message in `error` when it cannot.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb,
              std::string& error);
