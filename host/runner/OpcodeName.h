// The drawing engine's command names, as the monitor and the trace show them.
#pragma once

#include <cstdint>
#include <string>

// "DL_TEXT_AT", or "opcode 7" for one no producer writes.
std::string OpcodeName(std::uint8_t opcode);
