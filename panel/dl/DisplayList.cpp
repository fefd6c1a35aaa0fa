#include "panel/dl/DisplayList.h"
#include "panel/StaticState.h"

namespace {

struct Ring {
    u8 bytes[kDlRingSize];
    u16 writeIndex;
    u16 readIndex;
};

Ring ring;

}  // namespace

u16 DlWriteIndex() { return ring.writeIndex; }
u16 DlReadIndex() { return ring.readIndex; }

u16 DlBytesUsed() {
    const u16 w = ring.writeIndex;
    const u16 r = ring.readIndex;
    // The ring never holds 8192 bytes, so the count modulo 8192 is the count;
    // masking keeps it right even when a counter has wrapped past 65535.
    if (r <= w) return static_cast<u16>((w - r) & kDlRingMask);
    return static_cast<u16>((w + kDlRingSize - r) & kDlRingMask);
}

u16 DlBytesFree() { return static_cast<u16>(kDlRingSize - DlBytesUsed()); }

void DlPutByte(u8 b) {
    ring.bytes[ring.writeIndex & kDlRingMask] = b;
    ++ring.writeIndex;
}

void DlPutWord(u16 w) {
    DlPutByte(static_cast<u8>(w >> 8));
    DlPutByte(static_cast<u8>(w & 0xFF));
}

void DlPutString(const u8* s) {
    do {
        DlPutByte(*s);
    } while (*s++ != 0);
}

u8 DlPeekByte(u8 offset) { return ring.bytes[(ring.readIndex + offset) & kDlRingMask]; }

u16 DlPeekWord(u8 offset) {
    const u16 high = ring.bytes[(ring.readIndex + offset) & kDlRingMask];
    const u16 low = ring.bytes[(ring.readIndex + offset + 1) & kDlRingMask];
    return static_cast<u16>(high << 8 | low);
}

void DlAdvanceRead(u16 count) { ring.readIndex = static_cast<u16>(ring.readIndex + count); }

void DlMaskIndices() {
    ring.writeIndex &= kDlRingMask;
    ring.readIndex &= kDlRingMask;
}

void DlResetRing() {
    ring.writeIndex = 0;
    ring.readIndex = 0;
}

void ResetDisplayListStatics() { ring = Ring{}; }
