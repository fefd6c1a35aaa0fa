// Number-to-text formatting driven by small format descriptors.
//
// Every number on the panel (temperatures, flow rates, yields, counters, chart
// labels, clock times) goes through FormatNumber with one of the descriptors of
// NumberFormats. The formatter works on packed decimal digits so that binary
// integers and values already held as packed BCD print the same way.
#pragma once

#include "panel/Types.h"

struct NumberFormat {
    u8 flags;         // NumberFlag bits and the separator kind
    u8 firstDigit;    // highest digit position printed (1 = units), at most 10
    u8 lastDigit;     // lowest digit position printed; lower digits are truncated
    i8 separatorPos;  // the separator goes just before this digit position; 0 = none
};
static_assert(sizeof(NumberFormat) == 4);

namespace NumberFlag {
constexpr u8 kSigned = 0x80;  // a sign column is printed: "-" or a blank
constexpr u8 kLeadingZeros = 0x40;
constexpr u8 kPackedBcd = 0x20;      // the value already holds packed BCD digits
constexpr u8 kSeparatorMask = 0x07;  // 1 ".", 2 ":", 3 " ", any other value ","
}  // namespace NumberFlag

constexpr u8 kPackedDigits = 10;
constexpr u8 kPackedBytes = 5;

constexpr u8 kNumberFormatCount = 27;

inline constexpr NumberFormat NumberFormats[kNumberFormatCount] = {
    {0x00, 1, 1, 0}, {0x00, 2, 1, 0},  {0x00, 3, 1, 0},  {0x00, 4, 1, 0}, {0x40, 3, 1, 0}, {0x00, 3, 1, 1},
    {0x00, 3, 1, 2}, {0x01, 3, 1, 2},  {0x21, 3, 1, 2},  {0x80, 3, 1, 0}, {0x80, 3, 1, 1}, {0x00, 4, 1, 1},
    {0x80, 4, 1, 1}, {0x00, 4, 1, 2},  {0x01, 4, 1, 2},  {0x22, 4, 1, 2}, {0x23, 4, 1, 2}, {0x21, 4, 1, 2},
    {0x00, 5, 1, 0}, {0x00, 8, 1, 0},  {0x00, 5, 1, 1},  {0x00, 5, 1, 2}, {0x00, 5, 1, 3}, {0x00, 6, 1, 2},
    {0x00, 9, 1, 2}, {0x00, 10, 3, 3}, {0x00, 10, 4, 0},
};

// The descriptors the pages use, by what they print.
namespace Format {
inline constexpr const NumberFormat& kWholeDegrees = NumberFormats[1];    // a temperature setting, "75"
inline constexpr const NumberFormat& kPercent = NumberFormats[2];         // "100"
inline constexpr const NumberFormat& kFourDigits = NumberFormats[3];      // a year, a daily yield
inline constexpr const NumberFormat& kSignedDegrees = NumberFormats[9];   // "-12", " 82"
inline constexpr const NumberFormat& kTemperature = NumberFormats[12];    // tenths of a degree, "-12,5"
inline constexpr const NumberFormat& kClock = NumberFormats[15];          // packed BCD "12:34"
inline constexpr const NumberFormat& kClockColonOff = NumberFormats[16];  // packed BCD "12 34"
inline constexpr const NumberFormat& kFiveDigits = NumberFormats[18];     // output, stagnation hours
inline constexpr const NumberFormat& kEightDigits = NumberFormats[19];    // total yield, pump runtime
}  // namespace Format

// Bytes a FormatNumber buffer needs for this descriptor: the digits, the sign
// column, the separator and the terminator.
constexpr u8 NumberBufferSize(const NumberFormat& format) {
    return static_cast<u8>((format.firstDigit < kPackedDigits ? format.firstDigit : kPackedDigits) + 3);
}

// Largest buffer any descriptor can need.
constexpr u8 kNumberTextMax = kPackedDigits + 3;

// Writes the NUL-terminated text of value into out, which must hold
// NumberBufferSize(format) bytes; nothing is ever written beyond them. Digits
// above firstDigit are dropped, digits below lastDigit are truncated. A
// negative value in an unsigned format prints the low digits of its unsigned
// 32-bit reading.
void FormatNumber(const NumberFormat& format, i32 value, char* out);

// The ten decimal digits of value into bcd[0..4], digit position p in byte
// (p - 1) / 2, the low nibble for odd p.
void ToPackedBcd(u32 value, u8* bcd);

// Writes the separator that the format's flags choose at out[index] and
// advances index.
void PutSeparator(u8& index, const NumberFormat& format, char* out);

// "H:MM" or "HH:MM" (colonOn != 0), or the same with a blank for the colon, so
// that a blinking colon keeps the text width. out must hold 7 bytes. Hours and
// minutes above 99 print their last two digits.
void FormatClock(u8 hour, u8 minute, u8 colonOn, char* out);
