#include "host/PngWriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <zlib.h>

namespace {

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(std::vector<std::uint8_t>& out, const char type[4], const std::vector<std::uint8_t>& body) {
    PutBigEndian(out, static_cast<std::uint32_t>(body.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), body.begin(), body.end());
    PutBigEndian(out, Crc32(out.data() + typeAt, body.size() + 4));
}

}  // namespace

std::vector<std::uint8_t> EncodePng(int width, int height, const std::vector<std::uint32_t>& rgb) {
    std::vector<std::uint8_t> raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = rgb[static_cast<std::size_t>(y) * width + x];
            raw.push_back(static_cast<std::uint8_t>(p >> 16));
            raw.push_back(static_cast<std::uint8_t>(p >> 8));
            raw.push_back(static_cast<std::uint8_t>(p));
        }
    }

    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> zlib(packedSize);
    if (compress2(zlib.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    zlib.resize(packedSize);

    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

namespace {

std::uint32_t ReadBigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

}  // namespace

bool DecodePng(const std::vector<std::uint8_t>& png, int& width, int& height, std::vector<std::uint32_t>& rgb) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || !std::equal(std::begin(kSignature), std::end(kSignature), png.begin())) return false;
    std::vector<std::uint8_t> packed;
    width = height = 0;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = ReadBigEndian(png, at);
        if (length > png.size() - at - 12) return false;
        const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                               png.begin() + static_cast<std::ptrdiff_t>(at + 8));
        const std::size_t body = at + 8;
        if (ReadBigEndian(png, body + length) != Crc32(png.data() + at + 4, length + 4)) return false;
        if (type == "IHDR") {
            if (length != 13 || png[body + 8] != 8 || png[body + 9] != 2 || png[body + 12] != 0) return false;
            width = static_cast<int>(ReadBigEndian(png, body));
            height = static_cast<int>(ReadBigEndian(png, body + 4));
        } else if (type == "IDAT") {
            packed.insert(packed.end(), png.begin() + static_cast<std::ptrdiff_t>(body),
                          png.begin() + static_cast<std::ptrdiff_t>(body + length));
        } else if (type == "IEND") {
            break;
        }
        at = body + length + 4;
    }
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
    const std::size_t rowBytes = 1 + 3 * static_cast<std::size_t>(width);
    std::vector<std::uint8_t> raw(rowBytes * static_cast<std::size_t>(height));
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, packed.data(), static_cast<uLong>(packed.size())) != Z_OK ||
        rawSize != raw.size()) {
        return false;
    }
    rgb.assign(static_cast<std::size_t>(width) * height, 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = raw.data() + rowBytes * static_cast<std::size_t>(y);
        if (row[0] != 0) return false;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 1 + 3 * x;
            rgb[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
        }
    }
    return true;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb,
              std::string& error) {
    const std::vector<std::uint8_t> png = EncodePng(width, height, rgb);
    if (png.empty()) {
        error = "cannot compress the image for " + path;
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}
