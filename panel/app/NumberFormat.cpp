#include "panel/app/NumberFormat.h"

void ToPackedBcd(u32 value, u8* bcd) {
    for (u8 i = 0; i < kPackedBytes; ++i) bcd[i] = 0;
    for (u8 p = 0; p < kPackedDigits && value != 0; ++p) {
        const u8 digit = static_cast<u8>(value % 10);
        value /= 10;
        bcd[p / 2] |= static_cast<u8>((p % 2 == 0) ? digit : digit << 4);
    }
}

void PutSeparator(u8& index, const NumberFormat& format, char* out) {
    char separator = ',';
    switch (format.flags & NumberFlag::kSeparatorMask) {
        case 1: separator = '.'; break;
        case 2: separator = ':'; break;
        case 3: separator = ' '; break;
        default: break;
    }
    out[index++] = separator;
}

void FormatNumber(const NumberFormat& format, i32 value, char* out) {
    const u8 first = format.firstDigit < kPackedDigits ? format.firstDigit : kPackedDigits;
    const u8 last = format.lastDigit > 0 ? format.lastDigit : 1;
    const bool isSigned = (format.flags & NumberFlag::kSigned) != 0;
    const bool leadingZeros = (format.flags & NumberFlag::kLeadingZeros) != 0;

    // The table's descriptors never reach this limit; it keeps a descriptor
    // with its separator at firstDigit from writing a character past the
    // buffer size that callers reserve.
    const u8 limit = static_cast<u8>(first + 2);

    u8 bcd[kPackedBytes] = {};
    bool negative = false;
    if (value != 0) {
        u32 magnitude = static_cast<u32>(value);
        if (isSigned && value < 0) {
            negative = true;
            magnitude = 0u - magnitude;
        }
        if ((format.flags & NumberFlag::kPackedBcd) != 0) {
            const u32 raw = static_cast<u32>(value);
            for (u8 i = 0; i < 4; ++i) bcd[i] = static_cast<u8>(raw >> (8 * i));
            bcd[4] = value < 0 ? 0xFF : 0x00;
        } else {
            ToPackedBcd(magnitude, bcd);
        }
    }

    u8 index = 0;
    bool started = false;
    for (u8 p = first; p >= last; --p) {
        const u8 byte = bcd[(p - 1) / 2];
        const u8 digit = (p % 2 == 1) ? (byte & 0x0F) : (byte >> 4);
        const bool atSeparator = format.separatorPos == static_cast<i8>(p);
        if (digit == 0 && !started && p != 1 && !leadingZeros && !atSeparator && p != last) continue;

        if (!started && isSigned && index < limit) out[index++] = negative ? '-' : ' ';
        if (atSeparator) {
            if (!started && index < limit) out[index++] = '0';
            if (index < limit) PutSeparator(index, format, out);
        }
        if (index < limit) out[index++] = static_cast<char>('0' + digit);
        started = true;
    }
    out[index] = '\0';
}

void FormatClock(u8 hour, u8 minute, u8 colonOn, char* out) {
    const u8 h = hour % 100;
    const u8 m = minute % 100;
    const i32 packed = (h / 10) << 12 | (h % 10) << 8 | (m / 10) << 4 | (m % 10);
    FormatNumber(colonOn != 0 ? Format::kClock : Format::kClockColonOff, packed, out);
}
