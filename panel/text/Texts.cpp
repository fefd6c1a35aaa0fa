#include "panel/text/Texts.h"

#include "panel/gfx/FontFormat.h"
#include "panel/text/Translations.h"

namespace {

constexpr u32 kRowCount = sizeof(kTranslations) / sizeof(kTranslations[0]);

// One character of a UTF-8 string; length 0 marks a malformed sequence.
struct Utf8Char {
    char32_t code;
    u8 length;
};

constexpr Utf8Char DecodeUtf8(const char8_t* s) {
    const u8 lead = static_cast<u8>(s[0]);
    u8 length = 0;
    char32_t code = 0;
    if (lead < 0x80) return {lead, 1};
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else {
        return {0, 0};
    }
    for (u8 i = 1; i < length; ++i) {
        const u8 next = static_cast<u8>(s[i]);
        if ((next & 0xC0) != 0x80) return {0, 0};
        code = (code << 6) | (next & 0x3F);
    }
    return {code, length};
}

// Panel bytes of a translation, or -1 when it is malformed UTF-8 or holds a
// character that no font can show.
constexpr i32 PanelLength(const char8_t* text) {
    if (text == nullptr) return -1;
    i32 count = 0;
    for (const char8_t* s = text; *s != 0;) {
        const Utf8Char c = DecodeUtf8(s);
        if (c.length == 0 || PanelCodeOf(c.code) == 0) return -1;
        s += c.length;
        ++count;
    }
    return count;
}

// Each check below names the first offending row, or -1 when all rows pass.
constexpr i32 FirstRowOutOfOrder() {
    if (kRowCount != kTextCount) return static_cast<i32>(kRowCount);
    for (u32 row = 0; row < kRowCount; ++row) {
        if (kTranslations[row].id != row) return static_cast<i32>(row);
    }
    return -1;
}

constexpr i32 FirstRowWithBadCharacter() {
    for (u32 row = 0; row < kRowCount; ++row) {
        for (Language lang = 0; lang < kLanguageCount; ++lang) {
            if (PanelLength(kTranslations[row].text[lang]) < 0) return static_cast<i32>(row);
        }
    }
    return -1;
}

constexpr i32 FirstRowWithEmptySlot() {
    for (u32 row = 0; row < kRowCount; ++row) {
        for (Language lang = 0; lang < kLanguageCount; ++lang) {
            if (PanelLength(kTranslations[row].text[lang]) == 0) return static_cast<i32>(row);
        }
    }
    return -1;
}

// A slot holds its translation, the terminator and at least one more zero.
constexpr i32 FirstRowTooLong() {
    for (u32 row = 0; row < kRowCount; ++row) {
        for (Language lang = 0; lang < kLanguageCount; ++lang) {
            if (PanelLength(kTranslations[row].text[lang]) > kTranslations[row].slotWidth - 2) {
                return static_cast<i32>(row);
            }
        }
    }
    return -1;
}

// Each template below fails while being instantiated with the offending row,
// so that the compiler's message names it: "RowTooLong<58>" is text 58.
template <i32 Row>
struct RowOutOfOrder {
    static_assert(Row < 0, "the translation table needs one row per text, ids 0..136 in order");
    static constexpr bool ok = true;
};
template <i32 Row>
struct RowWithBadCharacter {
    static_assert(Row < 0, "a translation holds malformed UTF-8 or a character the panel fonts cannot show");
    static constexpr bool ok = true;
};
template <i32 Row>
struct RowWithEmptySlot {
    static_assert(Row < 0, "a translation is empty");
    static constexpr bool ok = true;
};
template <i32 Row>
struct RowTooLong {
    static_assert(Row < 0, "a translation is longer than its slot width minus 2 bytes");
    static constexpr bool ok = true;
};

static_assert(RowOutOfOrder<FirstRowOutOfOrder()>::ok);
static_assert(RowWithBadCharacter<FirstRowWithBadCharacter()>::ok);
static_assert(RowWithEmptySlot<FirstRowWithEmptySlot()>::ok);
static_assert(RowTooLong<FirstRowTooLong()>::ok);

constexpr u32 BlockBytes() {
    u32 total = 0;
    for (const Translation& row : kTranslations) total += kLanguageCount * row.slotWidth;
    return total;
}

constexpr u32 kBlockBytes = BlockBytes();

struct TextBlocks {
    u8 bytes[kBlockBytes];
};

// Seven slots per text back to back, each translation zero-padded to the end
// of its slot.
constexpr TextBlocks BuildBlocks() {
    TextBlocks blocks{};
    u32 slot = 0;
    for (const Translation& row : kTranslations) {
        for (Language lang = 0; lang < kLanguageCount; ++lang) {
            u32 at = slot;
            for (const char8_t* s = row.text[lang]; *s != 0;) {
                const Utf8Char c = DecodeUtf8(s);
                blocks.bytes[at++] = PanelCodeOf(c.code);
                s += c.length;
            }
            slot += row.slotWidth;
        }
    }
    return blocks;
}

constexpr TextBlocks kTextBlocks = BuildBlocks();

struct TextRecord {
    const u8* slots;
    u32 slotWidth;
};

struct TextIndex {
    TextRecord records[kTextCount];
};

constexpr TextIndex BuildIndex() {
    TextIndex index{};
    u32 offset = 0;
    for (u32 id = 0; id < kTextCount; ++id) {
        index.records[id] = {&kTextBlocks.bytes[offset], kTranslations[id].slotWidth};
        offset += kLanguageCount * kTranslations[id].slotWidth;
    }
    return index;
}

constexpr TextIndex kTextIndex = BuildIndex();

constexpr char kEmptyText[] = "";

}  // namespace

const char* GetText(TextId id, Language language) {
    if (language >= kLanguageCount) return kEmptyText;
    // Covers kNoText as well as every id without a record.
    if (id >= kTextCount) return kEmptyText;
    const TextRecord& record = kTextIndex.records[id];
    return reinterpret_cast<const char*>(record.slots + language * record.slotWidth);
}
