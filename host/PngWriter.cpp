#include "host/PngWriter.h"

#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

constexpr int kMaxSide = 16384;

std::string SystemReason(int error) { return std::strerror(error); }

// Writes all of `bytes` to a new file next to `path` and returns its name;
// empty with errno set when it cannot.
std::string WriteTemporary(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    // A hidden name that no other writer picks: the file's own name, the
    // process and an attempt number.
    std::string stem = ".";
    stem += target.filename().string();
    stem += '.';
    stem += std::to_string(getpid());
    stem += '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string leaf = stem;
        leaf += std::to_string(attempt);
        leaf += ".tmp";
        const std::string name = (folder / leaf).string();
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        const int writeError = done == bytes.size() ? 0 : (errno != 0 ? errno : EIO);
        const int closeError = close(fd) == 0 ? 0 : errno;
        if (writeError != 0 || closeError != 0) {
            unlink(name.c_str());
            errno = writeError != 0 ? writeError : closeError;
            return {};
        }
        return name;
    }
    errno = EEXIST;
    return {};
}

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
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path + ": " + SystemReason(errno);
        return false;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        error = "cannot read " + path + ": " + SystemReason(errno);
        return false;
    }
    if (!DecodePng(bytes, width, height, rgb)) {
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
    const std::string temporary = WriteTemporary(path, png);
    if (temporary.empty()) {
        error = "cannot write " + path + ": " + SystemReason(errno);
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int reason = errno;
        unlink(temporary.c_str());
        error = "cannot write " + path + ": " + SystemReason(reason);
        return false;
    }
    return true;
}
