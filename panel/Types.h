// Short integer aliases so that the firmware reads like the tables it implements.
#pragma once

#include <cstdint>

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using i8 = std::int8_t;
using i16 = std::int16_t;
using i32 = std::int32_t;

// A 16-bit colour: red in bits 15-11, green in bits 10-5, blue in bits 4-0.
using Rgb565 = u16;

constexpr u16 kScreenWidth = 320;
constexpr u16 kScreenHeight = 240;
