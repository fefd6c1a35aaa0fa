#include "panel/settings/Settings.h"

#include <cstring>

SettingsBlock Settings;
u8 AuxBlock[kAuxBlockBytes];
FaultHistoryEntry FaultHistory[kFaultHistoryEntries];
YieldHistory YieldHistoryBlock;
u16 VersionNumber;
StoreWrite StoreWriteQueue[kStoreQueueSlots];
u8 StoreWriteNext;

namespace {

constexpr u8 kErased = 0xFF;

// The distance from `base` to `p`, taken as an unsigned number, so a pointer
// before the block gives a huge distance and is refused.
bool InsideBlock(const void* p, const void* base, u32 size) {
    const auto distance = reinterpret_cast<std::uintptr_t>(p) - reinterpret_cast<std::uintptr_t>(base);
    return distance < size;
}

u32 DistanceFrom(const void* p, const void* base) {
    return static_cast<u32>(reinterpret_cast<std::uintptr_t>(p) - reinterpret_cast<std::uintptr_t>(base));
}

// Reads from the absent device: every byte is erased. The length is kept
// inside the block whatever the caller asks for.
void ReadErased(void* destination, u32 length, u32 room) {
    std::memset(destination, kErased, length < room ? length : room);
}

}  // namespace

void LoadSettingsDefaults() {
    Settings.byte0 = 0;
    Settings.byte1 = 0;
    Settings.byte2 = 1;
    Settings.language = 0;
    Settings.operatingMode = 0;
    Settings.supplementaryFunction = 0;
    Settings.loadStrategy = 0;
    Settings.warmWaterSetValue = 500;
    Settings.maxTankTemp = 800;
    Settings.maxTank2Temp = 800;
    Settings.extraSensorSetting = 0;
    Settings.shortcutFunction = 0;
    Settings.word16 = 50;
    Settings.word18 = 870;
    Settings.byte20 = 1;
    Settings.word21 = 25;
    Settings.word23 = 110;
    Settings.word25 = 2;
    Settings.word27 = 3500;
    Settings.word29 = 5800;
    Settings.word31 = 250;
    Settings.long33 = 0;
    Settings.pumpRuntime = 0;
    Settings.byte46 = 0;
    Settings.byte47 = 0;
    Settings.dailyYield = 0;
    Settings.totalYield = 0;
    Settings.stagnationMinutes = 0;
    Settings.long58 = 0;
    Settings.faultCode = 0;
    Settings.long63 = 0;
    Settings.byte67 = 0;
    Settings.commissioningYear = 10;
    Settings.commissioningMonth = 0;
    Settings.commissioningDay = 0;
    Settings.word71 = 0;
    Settings.byte73 = 1;
    Settings.word74 = 0;
    Settings.byte76 = 0;
    Settings.byte77 = 0;
    static constexpr char kUnknownSerial[12] = {'U', 'n', 'b', 'e', 'k', 'a', 'n', 'n', 't', ' ', ' ', '\0'};
    std::memcpy(Settings.serialNumber, kUnknownSerial, sizeof kUnknownSerial);
}

void QueueStoreWrite(u32 offset, const void* source, u32 length) {
    StoreWrite& slot = StoreWriteQueue[StoreWriteNext % kStoreQueueSlots];
    if (slot.length != 0) return;  // still holds a write: the request is dropped
    slot.offset = offset;
    slot.source = source;
    slot.length = length;
    StoreWriteNext = static_cast<u8>((StoreWriteNext + 1) % kStoreQueueSlots);
}

void StoreSettingsField(const void* field, u32 length) {
    if (!InsideBlock(field, &Settings, kSettingsBlockBytes)) return;
    QueueStoreWrite(kSettingsBlockOffset + DistanceFrom(field, &Settings), field, length);
}

void StoreAuxField(const void* field, u32 length) {
    if (!InsideBlock(field, AuxBlock, kAuxBlockBytes)) return;
    QueueStoreWrite(kAuxBlockOffset + DistanceFrom(field, AuxBlock), field, length);
}

void StoreFaultHistory() { QueueStoreWrite(kFaultHistoryOffset, FaultHistory, sizeof FaultHistory); }

void StoreYieldHistory() { QueueStoreWrite(kYieldHistoryOffset, &YieldHistoryBlock, sizeof YieldHistoryBlock); }

void StoreVersionNumber() { QueueStoreWrite(kVersionNumberOffset, &VersionNumber, sizeof VersionNumber); }

void LoadSettingsField(void* field, u32 length) {
    if (!InsideBlock(field, &Settings, kSettingsBlockBytes)) return;
    ReadErased(field, length, kSettingsBlockBytes - DistanceFrom(field, &Settings));
}

void LoadAuxBlock() { ReadErased(AuxBlock, sizeof AuxBlock, sizeof AuxBlock); }

void LoadFaultHistory() { ReadErased(FaultHistory, sizeof FaultHistory, sizeof FaultHistory); }

void LoadYieldHistory() { ReadErased(&YieldHistoryBlock, sizeof YieldHistoryBlock, sizeof YieldHistoryBlock); }

void LoadVersionNumber() {
    ReadErased(&VersionNumber, sizeof VersionNumber, sizeof VersionNumber);
    if (VersionNumber > 10000) VersionNumber = 10;
}

const FaultHistoryEntry* GetFaultHistoryEntry(u8 index) {
    if (index >= 2) return nullptr;
    if (FaultHistory[index].type == kFaultEntryEmpty) return nullptr;
    return &FaultHistory[index];
}
