// The display list: an 8192-byte ring of drawing commands that the drawing API
// fills and the interpreter drains a little every tick.
//
// Both indices are free-running 16-bit counters and every access masks them
// with 8191; since 65536 is a multiple of 8192 the masking stays consistent
// when a counter wraps. A command of n bytes is accepted only while
// DlBytesUsed() + n < 8192, so the ring never holds more than 8191 bytes and a
// full ring can be told from an empty one. Operands are big-endian.
#pragma once

#include "panel/Types.h"

constexpr u16 kDlRingSize = 8192;
constexpr u16 kDlRingMask = kDlRingSize - 1;

// Opcodes. 7 and 22..255 are not assigned.
constexpr u8 DL_DISPLAY_ON = 0;
constexpr u8 DL_DISPLAY_OFF = 1;
constexpr u8 DL_SET_FLAGS = 2;
constexpr u8 DL_SET_INVERSE = 3;
constexpr u8 DL_SET_FOREGROUND = 4;
constexpr u8 DL_SET_BACKGROUND = 5;
constexpr u8 DL_SET_FONT = 6;
constexpr u8 DL_MOVE_TO = 8;
constexpr u8 DL_LINE_TO = 9;
constexpr u8 DL_RECT = 10;
constexpr u8 DL_CIRCLE = 11;
constexpr u8 DL_ROUND_RECT = 12;
constexpr u8 DL_IMAGE = 13;
constexpr u8 DL_IMAGE_BOX = 14;
constexpr u8 DL_TEXT_POS = 15;
constexpr u8 DL_CHAR = 16;
constexpr u8 DL_TEXT = 17;
constexpr u8 DL_TEXT_AT = 18;
constexpr u8 DL_CHAR_ROTATED = 19;
constexpr u8 DL_TEXT_ROTATED = 20;
constexpr u8 DL_TOUCH_CALIBRATE = 21;
constexpr u8 kDlOpcodeCount = 22;

// DrawFlags bits, set by DL_SET_FLAGS. Bits 0-1 together select the style of
// circles, texts and images.
constexpr u8 kDrawOutline = 0x01;
constexpr u8 kDrawFill = 0x02;
constexpr u8 kDrawStyleMask = 0x03;
constexpr u8 kDrawAlignRight = 0x10;  // alone: x names the right end
constexpr u8 kDrawAlignCentreX = 0x20;
constexpr u8 kDrawAlignTop = 0x40;  // alone: y names the top row
constexpr u8 kDrawAlignCentreY = 0x80;

// Every command's length in bytes, opcode included, by opcode: the whole
// command, or for the three text commands the fixed part before the text (the
// text and its terminating 0 come on top). The producers' room checks, the
// interpreter and the long operations all take their lengths from here. An
// unassigned opcode is dropped one byte at a time.
constexpr u8 kDlCommandLength[kDlOpcodeCount] = {1, 1, 2, 2, 3, 3, 2, 1, 5, 5, 9, 7, 11, 7, 7, 5, 2, 1, 5, 4, 3, 1};

constexpr bool DlCarriesText(u8 opcode) {
    return opcode == DL_TEXT || opcode == DL_TEXT_AT || opcode == DL_TEXT_ROTATED;
}

constexpr u8 DlCommandLength(u8 opcode) { return opcode < kDlOpcodeCount ? kDlCommandLength[opcode] : 1; }

// The whole length of a text command whose text is n bytes long.
constexpr u16 DlTextCommandLength(u8 opcode, u16 n) { return static_cast<u16>(DlCommandLength(opcode) + n + 1); }

constexpr u8 kDlTextFixed = DlCommandLength(DL_TEXT);
constexpr u8 kDlTextAtFixed = DlCommandLength(DL_TEXT_AT);
constexpr u8 kDlTextRotatedFixed = DlCommandLength(DL_TEXT_ROTATED);

// The longest text each text command can carry: the interpreter addresses
// operands by an 8-bit offset from the opcode.
constexpr u16 kDlTextMax = 254;
constexpr u16 kDlTextAtMax = 250;
constexpr u16 kDlTextRotatedMax = 252;

u16 DlWriteIndex();
u16 DlReadIndex();

u16 DlBytesUsed();
u16 DlBytesFree();

// Writers; they do not check room, the producer checks once per command.
void DlPutByte(u8 b);
void DlPutWord(u16 w);
void DlPutString(const u8* s);

// Readers, relative to the opcode at DlReadIndex; they never move the index.
u8 DlPeekByte(u8 offset);
u16 DlPeekWord(u8 offset);

// The interpreter's side: consume a completed command, and reduce both stored
// indices to ring positions at the start of every run.
void DlAdvanceRead(u16 count);
void DlMaskIndices();

// The engine reset: both indices back to 0.
void DlResetRing();
