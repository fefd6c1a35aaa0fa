#include "panel/dl/DisplayList.h"

#include <gtest/gtest.h>

#include <vector>

#include "panel/dl/DrawApi.h"

namespace {

void PutBytes(int n) {
    for (int i = 0; i < n; ++i) DlPutByte(static_cast<u8>(i));
}

std::vector<u8> Peek(u8 n) {
    std::vector<u8> bytes;
    for (u8 i = 0; i < n; ++i) bytes.push_back(DlPeekByte(i));
    return bytes;
}

TEST(DisplayListTest, UsedAndFreeFollowTheRingAcrossItsEndAndTheCountersWrap) {
    DlResetRing();
    EXPECT_EQ(DlBytesFree(), 8192);
    PutBytes(8000);
    DlAdvanceRead(8000);
    PutBytes(292);
    DlMaskIndices();
    EXPECT_EQ(DlReadIndex(), 8000);
    EXPECT_EQ(DlWriteIndex(), 100);
    EXPECT_EQ(DlBytesUsed(), 292);
    EXPECT_EQ(DlBytesFree(), 8192 - 292);
    DlAdvanceRead(292);
    DlMaskIndices();
    EXPECT_EQ(DlReadIndex(), 100);
    EXPECT_EQ(DlBytesUsed(), 0);

    // Without masking, both counters run past 65535.
    DlResetRing();
    for (int round = 0; round < 8; ++round) {
        PutBytes(8000);
        DlAdvanceRead(8000);
    }
    PutBytes(1530);
    DlAdvanceRead(1530);
    EXPECT_EQ(DlReadIndex(), 65530);
    PutBytes(90);
    EXPECT_EQ(DlWriteIndex(), 84);
    EXPECT_EQ(DlBytesUsed(), 90);
}

TEST(DisplayListTest, ACommandMayFillTheRingToAllButOneByte) {
    DlResetRing();
    PutBytes(8182);
    EXPECT_EQ(DlRect(1, 2, 3, 4), kDlQueued);
    EXPECT_EQ(DlBytesUsed(), 8191);
}

TEST(DisplayListTest, OperandsAreBigEndianAlsoAcrossTheRingsEnd) {
    DlResetRing();
    ASSERT_EQ(DlMoveTo(300, 200), kDlQueued);
    EXPECT_EQ(Peek(5), (std::vector<u8>{8, 0x01, 0x2C, 0x00, 0xC8}));
    EXPECT_EQ(DlPeekWord(3), 200);
    DlAdvanceRead(5);
    ASSERT_EQ(DlText("abc"), kDlQueued);
    EXPECT_EQ(Peek(5), (std::vector<u8>{17, 'a', 'b', 'c', 0}));

    // A word straddling the end is read across it.
    DlResetRing();
    PutBytes(8191);
    DlAdvanceRead(8191);
    DlPutWord(0xABCD);
    DlMaskIndices();
    EXPECT_EQ(DlWriteIndex(), 1);
    EXPECT_EQ(Peek(2), (std::vector<u8>{0xAB, 0xCD}));
    EXPECT_EQ(DlPeekWord(0), 0xABCD);
}

}  // namespace
