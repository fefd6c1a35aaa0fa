#include "host/runner/OpcodeName.h"

#include "panel/dl/DisplayList.h"

namespace {

constexpr const char* kOpcodeNames[kDlOpcodeCount] = {
    "DL_DISPLAY_ON",     "DL_DISPLAY_OFF",
    "DL_SET_FLAGS",      "DL_SET_INVERSE",
    "DL_SET_FOREGROUND", "DL_SET_BACKGROUND",
    "DL_SET_FONT",       nullptr,
    "DL_MOVE_TO",        "DL_LINE_TO",
    "DL_RECT",           "DL_CIRCLE",
    "DL_ROUND_RECT",     "DL_IMAGE",
    "DL_IMAGE_BOX",      "DL_TEXT_POS",
    "DL_CHAR",           "DL_TEXT",
    "DL_TEXT_AT",        "DL_CHAR_ROTATED",
    "DL_TEXT_ROTATED",   "DL_TOUCH_CALIBRATE",
};

}  // namespace

std::string OpcodeName(std::uint8_t opcode) {
    if (opcode < kDlOpcodeCount && kOpcodeNames[opcode] != nullptr) return kOpcodeNames[opcode];
    return "opcode " + std::to_string(opcode);
}
