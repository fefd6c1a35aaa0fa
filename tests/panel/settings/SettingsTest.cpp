#include "panel/settings/Settings.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

const u8* BlockByte(u32 offset) { return reinterpret_cast<const u8*>(&Settings) + offset; }

TEST(Settings, StoringAFieldQueuesItsImageOffsetAndLength) {
    StoreSettingsField(SETTINGS_FIELD(supplementaryFunction));
    StoreSettingsField(SETTINGS_FIELD(warmWaterSetValue));
    StoreSettingsField(SETTINGS_FIELD(totalYield));
    StoreFaultHistory();
    StoreYieldHistory();
    StoreVersionNumber();
    StoreAuxField(AuxBlock + 5, 1);
    EXPECT_EQ(StoreWriteNext, 7);
    EXPECT_EQ(StoreWriteQueue[0].source, BlockByte(5));
    const std::pair<u32, u32> expected[] = {{1029, 1},   {1031, 2},  {1074, 4}, {10240, 110},
                                            {11264, 31}, {11776, 2}, {517, 1}};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(std::pair(u32{StoreWriteQueue[i].offset}, u32{StoreWriteQueue[i].length}), expected[i]) << i;
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
    EXPECT_EQ(StoreWriteQueue[0].offset, 1024u);
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
