// A small PNG encoder for screenshots and golden pages: 8-bit RGB, compressed
// with zlib.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes width x height pixels given as 0xRRGGBB values, row by row; empty
// when the compression fails.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& rgb);

// Decodes what EncodePng writes (8-bit RGB, no interlace, no row filters)
// into 0xRRGGBB pixels; false for anything else or a damaged file.
bool DecodePng(const std::vector<std::uint8_t>& png, int& width, int& height, std::vector<std::uint32_t>& rgb);

// Writes the file; false with a message in `error` when it cannot.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb,
              std::string& error);
