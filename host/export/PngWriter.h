// PNG files for screenshots and golden pages, through libpng: 8-bit RGB out,
// any PNG in.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes width x height pixels given as 0xRRGGBB values, row by row; empty
// when the image cannot be encoded (no pixels, or fewer values than pixels).
// Compression favours speed: screenshots are written while a script runs.
std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& rgb);

// Decodes a PNG of any colour type and depth into 0xRRGGBB pixels (alpha is
// dropped, against black); false for a damaged file or an image over 16384
// pixels on a side.
bool DecodePng(const std::vector<std::uint8_t>& png, int& width, int& height, std::vector<std::uint32_t>& rgb);

// Reads and decodes a file of at most kMaxInputBytes; false with a message in
// `error` when it cannot.
bool ReadPng(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& rgb, std::string& error);

// Writes the file whole or not at all, as WriteOutputFile does (a special
// file such as a pipe is written into, never replaced). False with a message
// in `error` (the file name and the reason) when it cannot.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb,
              std::string& error);
