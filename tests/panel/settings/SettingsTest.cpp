#include "panel/settings/Settings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const u8* BlockByte(u32 offset) { return reinterpret_cast<const u8*>(&Settings) + offset; }

u16 BlockWord(u32 offset) {
    u16 v;
    std::memcpy(&v, BlockByte(offset), 2);
    return v;
}

TEST(Settings, DefaultsLandAtTheirStoredOffsets) {
    std::memset(&Settings, 0xEE, sizeof Settings);
    LoadSettingsDefaults();
    EXPECT_EQ(*BlockByte(2), 1);
    EXPECT_EQ(*BlockByte(3), 0);  // German
    EXPECT_EQ(BlockWord(7), 500);
    EXPECT_EQ(BlockWord(9), 800);
    EXPECT_EQ(BlockWord(11), 800);
    EXPECT_EQ(BlockWord(16), 50);
    EXPECT_EQ(BlockWord(18), 870);
    EXPECT_EQ(*BlockByte(20), 1);
    EXPECT_EQ(BlockWord(21), 25);
    EXPECT_EQ(BlockWord(23), 110);
    EXPECT_EQ(BlockWord(25), 2);
    EXPECT_EQ(BlockWord(27), 3500);
    EXPECT_EQ(BlockWord(29), 5800);
    EXPECT_EQ(BlockWord(31), 250);
    EXPECT_EQ(*BlockByte(68), 10);
    EXPECT_EQ(*BlockByte(70), 0);
    EXPECT_EQ(*BlockByte(73), 1);
    EXPECT_EQ(std::memcmp(BlockByte(80), "Unbekannt  \0", 12), 0);
    // Fields the defaults do not name are left as they were.
    EXPECT_EQ(*BlockByte(15), 0xEE);
    EXPECT_EQ(*BlockByte(78), 0xEE);
}

TEST(Settings, StoringAFieldQueuesItsImageOffsetAndLength) {
    StoreSettingsField(SETTINGS_FIELD(supplementaryFunction));
    EXPECT_EQ(StoreWriteQueue[0].offset, 1029u);
    EXPECT_EQ(StoreWriteQueue[0].source, BlockByte(5));
    EXPECT_EQ(StoreWriteQueue[0].length, 1u);

    StoreSettingsField(SETTINGS_FIELD(warmWaterSetValue));
    EXPECT_EQ(StoreWriteQueue[1].offset, 1031u);
    EXPECT_EQ(StoreWriteQueue[1].length, 2u);
    StoreSettingsField(SETTINGS_FIELD(totalYield));
    EXPECT_EQ(StoreWriteQueue[2].offset, 1074u);
    EXPECT_EQ(StoreWriteQueue[2].length, 4u);
    StoreFaultHistory();
    EXPECT_EQ(StoreWriteQueue[3].offset, 10240u);
    EXPECT_EQ(StoreWriteQueue[3].length, 110u);
    StoreYieldHistory();
    EXPECT_EQ(StoreWriteQueue[4].offset, 11264u);
    EXPECT_EQ(StoreWriteQueue[4].length, 31u);
    StoreVersionNumber();
    EXPECT_EQ(StoreWriteQueue[5].offset, 11776u);
    StoreAuxField(AuxBlock + 5, 1);
    EXPECT_EQ(StoreWriteQueue[6].offset, 517u);
    EXPECT_EQ(StoreWriteNext, 7);
}

TEST(Settings, PointersOutsideTheBlockAreRefused) {
    const u8* start = reinterpret_cast<const u8*>(&Settings);
    StoreSettingsField(start + 104, 1);
    StoreSettingsField(start - 1, 1);
    StoreAuxField(AuxBlock + 6, 1);
    StoreSettingsField(&VersionNumber, 2);
    EXPECT_EQ(StoreWriteNext, 0);
    EXPECT_EQ(StoreWriteQueue[0].length, 0u);
    StoreSettingsField(start + 103, 1);
    EXPECT_EQ(StoreWriteNext, 1);
}

TEST(Settings, WithoutADrainTheThirtyThirdWriteIsDropped) {
    for (int i = 0; i < 32; ++i) StoreSettingsField(BlockByte(static_cast<u32>(i)), 1);
    EXPECT_EQ(StoreWriteNext, 0);  // wrapped
    StoreSettingsField(SETTINGS_FIELD(language));
    for (u32 i = 0; i < 32; ++i) {
        EXPECT_EQ(StoreWriteQueue[i].offset, 1024u + i);
        EXPECT_EQ(StoreWriteQueue[i].length, 1u);
    }
    EXPECT_EQ(StoreWriteNext, 0);
}

TEST(Settings, ReadsFromTheAbsentDeviceYieldErasedBytes) {
    LoadSettingsDefaults();
    LoadSettingsField(SETTINGS_FIELD(warmWaterSetValue));
    EXPECT_EQ(+Settings.warmWaterSetValue, 0xFFFF);
    // A length past the block's end stops at the end.
    LoadSettingsField(reinterpret_cast<u8*>(&Settings) + 100, 50);
    EXPECT_EQ(*BlockByte(103), 0xFF);
    LoadVersionNumber();
    EXPECT_EQ(VersionNumber, 10);
    LoadFaultHistory();
    EXPECT_EQ(GetFaultHistoryEntry(0), nullptr);
    LoadYieldHistory();
    EXPECT_EQ(YieldHistoryBlock.count, 0xFF);
}

TEST(Settings, OnlyTheFirstTwoFaultEntriesCanBeReadBack) {
    for (auto& entry : FaultHistory) entry.type = 0;
    EXPECT_EQ(GetFaultHistoryEntry(0), &FaultHistory[0]);
    EXPECT_EQ(GetFaultHistoryEntry(1), &FaultHistory[1]);
    EXPECT_EQ(GetFaultHistoryEntry(2), nullptr);
    EXPECT_EQ(GetFaultHistoryEntry(255), nullptr);
    FaultHistory[1].type = kFaultEntryEmpty;
    EXPECT_EQ(GetFaultHistoryEntry(1), nullptr);
}

}  // namespace
