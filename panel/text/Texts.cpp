#include "panel/text/Texts.h"

#include "panel/text/TextData.h"

namespace {

constexpr u32 kLanguageBlockBytes = TextData::kBlockBytes / kLanguageCount;
static_assert(TextData::kBlockBytes % kLanguageCount == 0);

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
        index.records[id] = {&TextData::kBlocks[offset], TextData::kSlotWidths[id]};
        offset += kLanguageCount * TextData::kSlotWidths[id];
    }
    return index;
}

constexpr TextIndex kTextIndex = BuildIndex();

// A preview of one language's texts that the host installs whole: the same
// slots as the built-in table, one language at a time.
struct TextOverride {
    u8 active[kLanguageCount];
    u8 slots[kLanguageCount][kLanguageBlockBytes];
};

TextOverride overrides;

constexpr u32 OffsetInLanguage(TextId id) {
    u32 offset = 0;
    for (u32 i = 0; i < id; ++i) offset += TextData::kSlotWidths[i];
    return offset;
}

struct LanguageOffsets {
    u32 of[kTextCount];
};

constexpr LanguageOffsets BuildOffsets() {
    LanguageOffsets o{};
    for (u32 id = 0; id < kTextCount; ++id) o.of[id] = OffsetInLanguage(static_cast<TextId>(id));
    return o;
}

constexpr LanguageOffsets kLanguageOffsets = BuildOffsets();

constexpr char kEmptyText[] = "";

u32 Length(const char* text, u32 limit) {
    u32 n = 0;
    while (n < limit && text[n] != 0) ++n;
    return n;
}

}  // namespace

const char* GetText(TextId id, Language language) {
    if (language >= kLanguageCount) return kEmptyText;
    // Covers kNoText as well as every id without a record.
    if (id >= kTextCount) return kEmptyText;
    if (overrides.active[language]) {
        return reinterpret_cast<const char*>(&overrides.slots[language][kLanguageOffsets.of[id]]);
    }
    const TextRecord& record = kTextIndex.records[id];
    return reinterpret_cast<const char*>(record.slots + language * record.slotWidth);
}

u32 TextSlotWidth(TextId id) { return id < kTextCount ? kTextIndex.records[id].slotWidth : 0; }

bool OverrideTexts(Language language, const char* const texts[kTextCount]) {
    if (language >= kLanguageCount || texts == nullptr) return false;
    // Everything is checked before anything is copied, so a refused set leaves
    // the texts shown so far untouched.
    for (u32 id = 0; id < kTextCount; ++id) {
        const u32 width = TextData::kSlotWidths[id];
        if (texts[id] == nullptr) return false;
        const u32 n = Length(texts[id], width);
        if (n == 0 || n > width - 2) return false;
    }
    overrides.active[language] = 0;
    for (u32 id = 0; id < kTextCount; ++id) {
        const u32 width = TextData::kSlotWidths[id];
        u8* slot = &overrides.slots[language][kLanguageOffsets.of[id]];
        const u32 n = Length(texts[id], width);
        for (u32 i = 0; i < width; ++i) slot[i] = i < n ? static_cast<u8>(texts[id][i]) : 0;
    }
    overrides.active[language] = 1;
    return true;
}

void ClearTextOverrides() {
    for (u8& a : overrides.active) a = 0;
}
