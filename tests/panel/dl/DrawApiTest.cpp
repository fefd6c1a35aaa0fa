#include "panel/dl/DrawApi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DlTestSupport.h"
#include "panel/gfx/fonts/Fonts.h"

namespace {

// Fills the ring behind a touch calibration: it waits for touches, so a
// producer cannot wait for room behind it and is refused.
void FillRing(int bytes) {
    DlPutByte(DL_TOUCH_CALIBRATE);
    for (int i = 1; i < bytes; ++i) DlPutByte(0);
}

TEST(DrawApiTest, AnUnregisteredSlotIsReportedBeforeAFullRing) {
    DlInit();
    RegisterGraphics();
    DlResetRing();
    FillRing(8191);
    const u16 before = DlWriteIndex();
    EXPECT_EQ(DlSetFont(5), kDlNoSlot);
    EXPECT_EQ(DlImage(0, 0, 0, 7), kDlNoSlot);
    EXPECT_EQ(DlImageBox(0, 0, 0, 40), kDlNoSlot);
    EXPECT_EQ(DlSetFont(4), kDlNoRoom);
    EXPECT_EQ(DlImage(0, 0, 0, 6), kDlNoRoom);
    EXPECT_EQ(DlWriteIndex(), before);
    EXPECT_EQ(DlDroppedCommands(), 2);  // a refusal is counted, never lost unnoticed
}

TEST(DrawApiTest, EveryProducerWritesTheLengthItsOpcodeHasInTheTable) {
    static const u8 kText[] = "abc";
    const struct {
        u8 opcode;
        u8 (*queue)();
    } cases[] = {
        {DL_DISPLAY_ON, [] { return DlDisplayOn(); }},
        {DL_DISPLAY_OFF, [] { return DlDisplayOff(); }},
        {DL_SET_FLAGS, [] { return DlSetFlags(1); }},
        {DL_SET_INVERSE, [] { return DlSetInverse(1); }},
        {DL_SET_FOREGROUND, [] { return DlSetForeground(1); }},
        {DL_SET_BACKGROUND, [] { return DlSetBackground(1); }},
        {DL_SET_FONT, [] { return DlSetFont(0); }},
        {DL_MOVE_TO, [] { return DlMoveTo(1, 2); }},
        {DL_LINE_TO, [] { return DlLineTo(1, 2); }},
        {DL_RECT, [] { return DlRect(1, 2, 3, 4); }},
        {DL_CIRCLE, [] { return DlCircle(1, 2, 3, 4); }},
        {DL_ROUND_RECT, [] { return DlRoundRect(1, 2, 3, 4, 5, 6); }},
        {DL_IMAGE, [] { return DlImage(1, 2, 3, 0); }},
        {DL_IMAGE_BOX, [] { return DlImageBox(1, 2, 3, 0); }},
        {DL_TEXT_POS, [] { return DlTextPos(1, 2); }},
        {DL_CHAR, [] { return DlChar('a'); }},
        {DL_TEXT, [] { return DlText(kText); }},
        {DL_TEXT_AT, [] { return DlTextAt(1, 2, kText); }},
        {DL_CHAR_ROTATED, [] { return DlCharRotated(90, 'a'); }},
        {DL_TEXT_ROTATED, [] { return DlTextRotated(90, kText); }},
        {DL_TOUCH_CALIBRATE, [] { return DlTouchCalibrate(); }},
    };
    DlInit();
    RegisterGraphics();
    for (const auto& c : cases) {
        DlResetRing();
        ASSERT_EQ(c.queue(), kDlQueued) << int{c.opcode};
        const u16 expected = DlCarriesText(c.opcode) ? DlTextCommandLength(c.opcode, 3) : DlCommandLength(c.opcode);
        EXPECT_EQ(DlWriteIndex(), expected) << int{c.opcode};
        EXPECT_EQ(DlPeekByte(0), c.opcode);
    }
    DlResetRing();
}

TEST(DrawApiTest, RegistrationFillsTheSlotsUpToTheirLimits) {
    DlInit();
    EXPECT_EQ(FontInSlot(2), nullptr);
    RegisterGraphics();
    // 0 while a slot was free, 1 once all are taken.
    for (int i = RegisteredFontCount(); i < kFontSlotCount; ++i) EXPECT_EQ(RegisterFont(&Font0), 0);
    EXPECT_EQ(RegisterFont(&Font1), 1);
    EXPECT_EQ(FontInSlot(kFontSlotCount - 1), &Font0);
    for (int i = RegisteredImageTableCount(); i < kImageSlotCount; ++i) {
        EXPECT_EQ(RegisterImageTable(ImageTableInSlot(0)), 0);
    }
    EXPECT_EQ(RegisterImageTable(ImageTableInSlot(1)), 1);
    EXPECT_EQ(ImageTableInSlot(kImageSlotCount), nullptr);
}

TEST(DrawApiTest, TextsLongerThanTheirCommandCanHoldAreRefused) {
    DlInit();
    // Each command holds 256 bytes with its opcode, operands and terminator.
    const struct {
        int fits;
        u8 (*queue)(const std::string&);
    } commands[] = {
        {254, [](const std::string& t) { return DlText(t.c_str()); }},
        {250, [](const std::string& t) { return DlTextAt(1, 2, t.c_str()); }},
        {252, [](const std::string& t) { return DlTextRotated(90, t.c_str()); }},
    };
    for (const auto& c : commands) {
        DlResetRing();
        EXPECT_EQ(c.queue(std::string(c.fits + 1, 'x')), kDlNoRoom) << c.fits;
        EXPECT_EQ(DlBytesUsed(), 0);
        EXPECT_EQ(c.queue(std::string(c.fits, 'x')), kDlQueued) << c.fits;
        EXPECT_EQ(DlBytesUsed(), 256);
    }
}

// A producer that finds the ring full waits: the commands ahead of it are
// drawn within its call, so nothing is lost and the screen ends in order.
TEST(DrawApiTest, AProducerWaitsForRoomInsteadOfLosingTheCommand) {
    dltest::Boot();
    const Rgb565 colours[] = {0xF800, 0x07E0, 0x001F};
    int accepted = 0;
    for (int i = 0; i < 650; ++i) {
        accepted += DlSetBackground(colours[i % 3]) == kDlQueued;
        accepted += DlSetFlags(kDrawFill) == kDlQueued;
        accepted += DlRect(0, 0, 319, 239) == kDlQueued;
        accepted += DlTextPos(10, 20) == kDlQueued;
        accepted += DlText("abc") == kDlQueued;
    }
    EXPECT_EQ(accepted, 5 * 650);
    EXPECT_EQ(DlDroppedCommands(), 0);
    ASSERT_GT(dltest::RunUntilIdle(5000), 0);
    EXPECT_EQ(dltest::Px(300, 200), colours[649 % 3]);
    EXPECT_LE(LcdHighWaterMark(), kLcdQueueSize);
}

TEST(DrawApiTest, MeasuringGivesZeroForMissingFontsAndImagesAndLeavesTheInterpreterAlone) {
    dltest::Boot();
    EXPECT_EQ((std::vector<u8>{FontHeight(5), FontHeight(0), FontHeight(3)}), (std::vector<u8>{0, 8, 24}));
    // The built-in font is six pixels wide throughout and has no glyph above 127.
    EXPECT_EQ((std::vector<u16>{TextWidth("abc", 9), TextWidth("Hello", 0), TextWidth("\xC8\xC8", 0)}),
              (std::vector<u16>{0, 30, 0}));
    EXPECT_EQ(ImageWidth(5, 1) + ImageHeight(5, 255) + ImageWidth(7, 0) + ImageHeight(39, 0), 0);
    DlSetFlags(0x13);
    EXPECT_GT(TextWidth("some text", 3), 0);
    EXPECT_EQ(GetDrawFlags(), kDrawOutline | kDrawFill);  // the queued flags are not yet drawn
    EXPECT_EQ(GetOpPhase(), 0);
}

}  // namespace
