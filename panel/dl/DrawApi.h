// The drawing API: the only drawing interface the application sees.
//
// The queued operations append one display-list command each and return
// 0 (queued), 1 (no room in the ring, or a text too long for its command) or
// 2 (the font or image-table slot is not registered); nothing is queued unless
// the result is 0. The drawing happens later, in the interpreter. The
// immediate operations (registration, measuring, touch regions) act at once.
#pragma once

#include "panel/Types.h"
#include "panel/gfx/FontFormat.h"
#include "panel/hw/Services.h"
#include "panel/hw/TouchStage.h"

constexpr u8 kDlQueued = 0;
constexpr u8 kDlNoRoom = 1;
constexpr u8 kDlNoSlot = 2;

constexpr u8 kFontSlotCount = 20;
constexpr u8 kImageSlotCount = 40;

u8 DlDisplayOn();
u8 DlDisplayOff();
u8 DlSetFlags(u8 flags);
u8 DlSetInverse(u8 state);
u8 DlSetForeground(Rgb565 colour);
u8 DlSetBackground(Rgb565 colour);
u8 DlSetFont(u8 slot);
u8 DlMoveTo(u16 x, u16 y);
u8 DlLineTo(u16 x, u16 y);
u8 DlRect(u16 x1, u16 y1, u16 x2, u16 y2);
u8 DlCircle(u16 x, u16 y, u8 radius, u8 quadrants);
u8 DlRoundRect(u16 x1, u16 y1, u16 x2, u16 y2, u8 radius, u8 corners);
u8 DlImage(u16 x, u16 y, u8 index, u8 slot);
u8 DlImageBox(u16 x, u16 y, u8 index, u8 slot);
u8 DlTextPos(u16 x, u16 y);
u8 DlChar(u8 c);
u8 DlText(const u8* text);
u8 DlTextAt(u16 x, u16 y, const u8* text);
u8 DlCharRotated(u16 angle, u8 c);
u8 DlTextRotated(u16 angle, const u8* text);
u8 DlTouchCalibrate();

// The application's texts are plain char strings of font code points.
inline u8 DlText(const char* text) { return DlText(reinterpret_cast<const u8*>(text)); }
inline u8 DlTextAt(u16 x, u16 y, const char* text) { return DlTextAt(x, y, reinterpret_cast<const u8*>(text)); }
inline u8 DlTextRotated(u16 angle, const char* text) { return DlTextRotated(angle, reinterpret_cast<const u8*>(text)); }

// Appends count raw bytes, last byte first, without an opcode. Returns 1 and
// writes nothing when they would not fit the ring.
u8 DlPutBytesReversed(const u8* bytes, u16 count);

// Registration: the next free slot, 1 when the table is full.
u8 RegisterFont(const FontRecord* font);
u8 RegisterImageTable(const FontRecord* table);
u8 RegisteredFontCount();
u8 RegisteredImageTableCount();

// The record in a slot, or null when the slot is not registered.
const FontRecord* FontInSlot(u8 slot);
const FontRecord* ImageTableInSlot(u8 slot);

// The engine reset's part: fonts 0 and 1 in slots 0 and 1, no image tables.
void ResetGraphicsSlots(const FontRecord* font0, const FontRecord* font1);

// Measuring; an unregistered slot or a missing image gives 0.
u8 FontHeight(u8 slot);
u8 ImageHeight(u8 slot, u8 index);
u16 ImageWidth(u8 slot, u8 index);
u16 TextWidth(const u8* text, u8 slot);
inline u16 TextWidth(const char* text, u8 slot) { return TextWidth(reinterpret_cast<const u8*>(text), slot); }

// Commands refused for want of room since the engine reset. Producers wait
// for the interpreter when the ring is full (DlWaitForRoom), so this stays 0
// unless a wait was impossible.
u16 DlDroppedCommands();

// 1 while a touch calibration command runs.
u8 IsCalibrating();
