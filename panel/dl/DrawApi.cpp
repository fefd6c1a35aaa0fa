#include "panel/dl/DrawApi.h"
#include "panel/StaticState.h"

#include "panel/Firmware.h"
#include "panel/dl/DisplayList.h"
#include "panel/dl/Interpreter.h"
#include "panel/gfx/Text.h"
#include "panel/gfx/fonts/Fonts.h"
#include "panel/gfx/images/Images.h"

namespace {

struct GraphicsSlots {
    const FontRecord* fonts[kFontSlotCount];
    u8 fontCount;
    const FontRecord* imageTables[kImageSlotCount];
    u8 imageTableCount;
    u16 droppedCommands;
};

GraphicsSlots slots;

// The producer protocol's room rule: the ring never holds more than 8191
// bytes. A producer without room waits for the interpreter; a command that
// still finds none is counted, never lost unnoticed.
bool HasRoom(u16 length) {
    if (static_cast<u32>(DlBytesUsed()) + length < kDlRingSize || DlWaitForRoom(length)) return true;
    if (slots.droppedCommands < 0xFFFF) ++slots.droppedCommands;
    return false;
}

// The length of a text, or max + 1 when it is longer than max (the scan stops
// there, so an unterminated or huge text is never read to its end).
u16 BoundedLength(const u8* text, u16 max) {
    u16 n = 0;
    while (n <= max && text[n] != 0) ++n;
    return n;
}

// Opens a command: checks room for its whole length and writes the opcode;
// the caller writes the operands.
bool BeginCommand(u8 opcode, u16 length) {
    if (!HasRoom(length)) return false;
    DlPutByte(opcode);
    return true;
}

bool BeginCommand(u8 opcode) { return BeginCommand(opcode, DlCommandLength(opcode)); }

u8 QueueSimple(u8 opcode) {
    if (!BeginCommand(opcode)) return kDlNoRoom;
    return kDlQueued;
}

u8 QueueByte(u8 opcode, u8 value) {
    if (!BeginCommand(opcode)) return kDlNoRoom;
    DlPutByte(value);
    return kDlQueued;
}

u8 QueueWord(u8 opcode, u16 value) {
    if (!BeginCommand(opcode)) return kDlNoRoom;
    DlPutWord(value);
    return kDlQueued;
}

u8 QueuePoint(u8 opcode, u16 x, u16 y) {
    if (!BeginCommand(opcode)) return kDlNoRoom;
    DlPutWord(x);
    DlPutWord(y);
    return kDlQueued;
}

u8 QueueImage(u8 opcode, u16 x, u16 y, u8 index, u8 slot) {
    if (slot >= slots.imageTableCount) return kDlNoSlot;
    if (!BeginCommand(opcode)) return kDlNoRoom;
    DlPutWord(x);
    DlPutWord(y);
    DlPutByte(index);
    DlPutByte(slot);
    return kDlQueued;
}

const u8* ImageRecord(u8 slot, u8 index) {
    const FontRecord* table = ImageTableInSlot(slot);
    return table != nullptr ? LookupGlyph(index, table) : nullptr;
}

}  // namespace

u8 DlDisplayOn() { return QueueSimple(DL_DISPLAY_ON); }
u8 DlDisplayOff() { return QueueSimple(DL_DISPLAY_OFF); }
u8 DlSetFlags(u8 flags) { return QueueByte(DL_SET_FLAGS, flags); }
u8 DlSetInverse(u8 state) { return QueueByte(DL_SET_INVERSE, state); }
u8 DlSetForeground(Rgb565 colour) { return QueueWord(DL_SET_FOREGROUND, colour); }
u8 DlSetBackground(Rgb565 colour) { return QueueWord(DL_SET_BACKGROUND, colour); }

u8 DlSetFont(u8 slot) {
    if (slot >= slots.fontCount) return kDlNoSlot;
    return QueueByte(DL_SET_FONT, slot);
}

u8 DlMoveTo(u16 x, u16 y) { return QueuePoint(DL_MOVE_TO, x, y); }
u8 DlLineTo(u16 x, u16 y) { return QueuePoint(DL_LINE_TO, x, y); }
u8 DlTextPos(u16 x, u16 y) { return QueuePoint(DL_TEXT_POS, x, y); }

u8 DlRect(u16 x1, u16 y1, u16 x2, u16 y2) {
    if (!BeginCommand(DL_RECT)) return kDlNoRoom;
    DlPutWord(x1);
    DlPutWord(y1);
    DlPutWord(x2);
    DlPutWord(y2);
    return kDlQueued;
}

u8 DlCircle(u16 x, u16 y, u8 radius, u8 quadrants) {
    if (!BeginCommand(DL_CIRCLE)) return kDlNoRoom;
    DlPutWord(x);
    DlPutWord(y);
    DlPutByte(radius);
    DlPutByte(quadrants);
    return kDlQueued;
}

u8 DlRoundRect(u16 x1, u16 y1, u16 x2, u16 y2, u8 radius, u8 corners) {
    if (!BeginCommand(DL_ROUND_RECT)) return kDlNoRoom;
    DlPutWord(x1);
    DlPutWord(y1);
    DlPutWord(x2);
    DlPutWord(y2);
    DlPutByte(radius);
    DlPutByte(corners);
    return kDlQueued;
}

u8 DlImage(u16 x, u16 y, u8 index, u8 slot) { return QueueImage(DL_IMAGE, x, y, index, slot); }
u8 DlImageBox(u16 x, u16 y, u8 index, u8 slot) { return QueueImage(DL_IMAGE_BOX, x, y, index, slot); }

u8 DlChar(u8 c) { return QueueByte(DL_CHAR, c); }

u8 DlText(const u8* text) {
    static constexpr u8 kEmpty[1] = {0};
    if (text == nullptr) text = kEmpty;
    const u16 n = BoundedLength(text, kDlTextMax);
    if (n > kDlTextMax || !BeginCommand(DL_TEXT, DlTextCommandLength(DL_TEXT, n))) return kDlNoRoom;
    DlPutString(text);
    return kDlQueued;
}

u8 DlTextAt(u16 x, u16 y, const u8* text) {
    static constexpr u8 kEmpty[1] = {0};
    if (text == nullptr) text = kEmpty;
    const u16 n = BoundedLength(text, kDlTextAtMax);
    if (n > kDlTextAtMax || !BeginCommand(DL_TEXT_AT, DlTextCommandLength(DL_TEXT_AT, n))) return kDlNoRoom;
    DlPutWord(x);
    DlPutWord(y);
    DlPutString(text);
    return kDlQueued;
}

u8 DlCharRotated(u16 angle, u8 c) {
    if (!BeginCommand(DL_CHAR_ROTATED)) return kDlNoRoom;
    DlPutWord(angle);
    DlPutByte(c);
    return kDlQueued;
}

u8 DlTextRotated(u16 angle, const u8* text) {
    static constexpr u8 kEmpty[1] = {0};
    if (text == nullptr) text = kEmpty;
    const u16 n = BoundedLength(text, kDlTextRotatedMax);
    if (n > kDlTextRotatedMax || !BeginCommand(DL_TEXT_ROTATED, DlTextCommandLength(DL_TEXT_ROTATED, n)))
        return kDlNoRoom;
    DlPutWord(angle);
    DlPutString(text);
    return kDlQueued;
}

u8 DlTouchCalibrate() { return QueueSimple(DL_TOUCH_CALIBRATE); }

u8 DlPutBytesReversed(const u8* bytes, u16 count) {
    if (bytes == nullptr || count == 0) return kDlQueued;
    if (!HasRoom(count)) return kDlNoRoom;
    for (u16 i = count; i > 0; --i) DlPutByte(bytes[i - 1]);
    return kDlQueued;
}

u8 RegisterFont(const FontRecord* font) {
    if (slots.fontCount >= kFontSlotCount) return 1;
    slots.fonts[slots.fontCount++] = font;
    return 0;
}

u8 RegisterImageTable(const FontRecord* table) {
    if (slots.imageTableCount >= kImageSlotCount) return 1;
    slots.imageTables[slots.imageTableCount++] = table;
    return 0;
}

u16 DlDroppedCommands() { return slots.droppedCommands; }

u8 RegisteredFontCount() { return slots.fontCount; }
u8 RegisteredImageTableCount() { return slots.imageTableCount; }

const FontRecord* FontInSlot(u8 slot) { return slot < slots.fontCount ? slots.fonts[slot] : nullptr; }

const FontRecord* ImageTableInSlot(u8 slot) { return slot < slots.imageTableCount ? slots.imageTables[slot] : nullptr; }

void ResetGraphicsSlots(const FontRecord* font0, const FontRecord* font1) {
    slots = {};
    slots.fonts[0] = font0;
    slots.fonts[1] = font1;
    slots.fontCount = 2;
}

u8 FontHeight(u8 slot) {
    // The height is read from glyph record 48 (the digit zero of the built-in
    // font); a font with fewer records answers with its line height instead.
    constexpr u8 kReferenceGlyph = 48;
    const FontRecord* font = FontInSlot(slot);
    if (font == nullptr) return 0;
    const u8* record = LookupGlyph(kReferenceGlyph, font);
    return record != nullptr ? GlyphHeight(record) : font->height;
}

u8 ImageHeight(u8 slot, u8 index) {
    const u8* record = ImageRecord(slot, index);
    return record != nullptr ? GlyphHeight(record) : 0;
}

u16 ImageWidth(u8 slot, u8 index) {
    const u8* record = ImageRecord(slot, index);
    return record != nullptr ? GlyphWidth(record) : 0;
}

u16 TextWidth(const u8* text, u8 slot) {
    const FontRecord* font = FontInSlot(slot);
    if (font == nullptr || text == nullptr) return 0;
    u16 sum = 0;
    for (; *text != 0; ++text) {
        const u8* record = GlyphLookup(*text, font, font->mapOrPalette);
        if (record != nullptr) sum = static_cast<u16>(sum + GlyphWidth(record));
    }
    return sum;
}

void RegisterGraphics() {
    const FontRecord* const tables[] = {&ImageTable0, &ImageTable1, &ImageTable2, &ImageTable3,
                                        &ImageTable4, &ImageTable5, &ImageTable6};
    for (const FontRecord* table : tables) RegisterImageTable(table);
    RegisterFont(&Font2);
    RegisterFont(&Font3);
    RegisterFont(&Font4);
}

void ResetDrawApiStatics() { slots = GraphicsSlots{}; }
