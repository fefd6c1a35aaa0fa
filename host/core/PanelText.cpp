#include "host/core/PanelText.h"

#include <charconv>

#include "panel/app/PageTable.h"
#include "panel/gfx/FontFormat.h"

std::string PanelTextToUtf8(const char* text) {
    std::string out;
    for (const char* s = text; s != nullptr && *s != 0; ++s) {
        const auto b = static_cast<std::uint8_t>(*s);
        char32_t c = b;
        if (b >= kPolishFirstCode && b < kPolishFirstCode + 16) c = kPolishCodePoints[b - kPolishFirstCode];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

const char* PageName(std::uint8_t page) { return PageRecordAt(page).names.name; }

std::string PageSlug(std::uint8_t page) { return PageRecordAt(page).names.slug; }

int FindPage(std::string_view word) {
    int number = 0;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), number);
    if (ec == std::errc() && end == word.data() + word.size()) return number >= 0 && number < kPageCount ? number : -1;
    for (int page = 0; page < kPageCount; ++page) {
        if (PageSlug(static_cast<std::uint8_t>(page)) == word) return page;
    }
    return -1;
}
