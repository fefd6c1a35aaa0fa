#include "host/export/PngWriter.h"

#include <png.h>

#include <filesystem>
#include <string_view>

#include "host/core/FileAccess.h"

namespace {

constexpr int kMaxSide = 16384;

}  // namespace

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& rgb) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide ||
        rgb.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return {};
    }
    std::vector<png_byte> raw(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < raw.size() / 3; ++i) {
        raw[3 * i] = static_cast<png_byte>(rgb[i] >> 16);
        raw[3 * i + 1] = static_cast<png_byte>(rgb[i] >> 8);
        raw[3 * i + 2] = static_cast<png_byte>(rgb[i]);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_FAST;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, raw.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    std::vector<std::uint8_t> png(size);
    if (!png_image_write_to_memory(&image, png.data(), &size, 0, raw.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    png.resize(size);
    return png;
}

bool DecodePng(const std::vector<std::uint8_t>& png, int& width, int& height, std::vector<std::uint32_t>& rgb) {
    width = height = 0;
    if (png.empty()) return false;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return false;
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> raw(PNG_IMAGE_SIZE(image));
    const png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, raw.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<std::uint32_t>(raw[3 * i]) << 16 | static_cast<std::uint32_t>(raw[3 * i + 1]) << 8 |
                 raw[3 * i + 2];
    }
    return true;
}

bool ReadPng(const std::string& path, int& width, int& height, std::vector<std::uint32_t>& rgb, std::string& error) {
    std::string text;
    std::string why;
    if (!ReadInputFile(path, text, why)) {
        error = "cannot read " + path + ": " + why;
        return false;
    }
    if (!DecodePng(std::vector<std::uint8_t>(text.begin(), text.end()), width, height, rgb)) {
        error = path + " is not a readable PNG image";
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb,
              std::string& error) {
    if (std::filesystem::path(path).filename().empty()) {
        error = "cannot write " + path + ": the name ends in a folder separator";
        return false;
    }
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    if (png.empty()) {
        error = "cannot encode the image for " + path;
        return false;
    }
    return WriteOutputFile(path, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), error);
}
