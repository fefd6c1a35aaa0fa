// The persistent settings image: its layout, its record formats, the defaults
// of the settings block and the store's write queue.
//
// The firmware keeps a RAM copy of each stored block, changes the copy, and
// queues a write of the changed bytes. On the desktop nothing drains the
// queue, so nothing persists between runs, and reads yield erased bytes.
#pragma once

#include <bit>
#include <cstddef>

#include "panel/Types.h"
#include "panel/hw/Clock.h"

static_assert(std::endian::native == std::endian::little, "the stored records are the RAM copies' bytes");

// Offsets of the blocks in the SettingsImage.
constexpr u32 kAuxBlockOffset = 512;
constexpr u32 kSettingsBlockOffset = 1024;
constexpr u32 kFaultHistoryOffset = 10240;
constexpr u32 kYieldHistoryOffset = 11264;
constexpr u32 kVersionNumberOffset = 11776;

constexpr u8 kAuxBlockBytes = 6;
constexpr u8 kSettingsBlockBytes = 104;
constexpr u8 kFaultHistoryEntries = 5;
constexpr u8 kFaultEntryEmpty = 255;
constexpr u8 kYieldHistoryDays = 14;

#pragma pack(push, 1)
struct SettingsBlock {
    u8 byte0;
    u8 byte1;
    u8 byte2;
    u8 language;
    u8 operatingMode;          // 0 automatic, 1 off, 2 test, 3 manual
    u8 supplementaryFunction;  // 0 none, 1 two-tank system, 2 heating support
    u8 loadStrategy;
    u16 warmWaterSetValue;  // tenths of a degree
    u16 maxTankTemp;
    u16 maxTank2Temp;  // also the maximum supply temperature of the heating circuits
    u8 extraSensorSetting;
    u8 shortcutFunction;  // 0 measurement, 1 solar yields, 2 language
    u8 byte15;
    u16 word16;
    u16 word18;
    u8 byte20;
    u16 word21;
    u16 word23;
    u16 word25;
    u16 word27;
    u16 word29;
    u16 word31;
    u32 long33;
    u32 pumpRuntime;  // seconds
    u8 bytes41[5];
    u8 byte46;
    u8 byte47;
    u16 dailyYield;
    u32 totalYield;
    u32 stagnationMinutes;
    u32 long58;
    u8 faultCode;  // 0 = no fault
    u32 long63;
    u8 byte67;
    u8 commissioningYear;  // year within the century
    u8 commissioningMonth;
    u8 commissioningDay;  // 0 = not commissioned
    u16 word71;
    u8 byte73;
    u16 word74;
    u8 byte76;
    u8 byte77;
    u8 bytes78[2];
    char serialNumber[12];
    u8 bytes92[12];
};

struct FaultHistoryEntry {
    u8 type;  // 255 = empty slot
    PANEL_CLOCK_FIELDS
    u8 faultCode;
    i16 collectorTemp;  // TSA, tenths of a degree
    i16 tankTemp;       // TSE
    i16 outsideTemp;    // TAM
    i16 flow;           // V, tenths
    u8 operatingModeIndex;
    u8 controllerStateIndex;
};

struct YieldHistory {
    u16 index;                    // 4711 after the total yield was deleted
    u8 count;                     // valid entries, 0..14
    u16 days[kYieldHistoryDays];  // tenths of a kWh, oldest first
};
#pragma pack(pop)

static_assert(sizeof(SettingsBlock) == kSettingsBlockBytes);
static_assert(offsetof(SettingsBlock, warmWaterSetValue) == 7);
static_assert(offsetof(SettingsBlock, pumpRuntime) == 37);
static_assert(offsetof(SettingsBlock, totalYield) == 50);
static_assert(offsetof(SettingsBlock, faultCode) == 62);
static_assert(offsetof(SettingsBlock, commissioningDay) == 70);
static_assert(offsetof(SettingsBlock, serialNumber) == 80);
static_assert(sizeof(FaultHistoryEntry) == 22);
static_assert(sizeof(YieldHistory) == 31);

// The RAM copies.
extern SettingsBlock Settings;
extern u8 AuxBlock[kAuxBlockBytes];
extern FaultHistoryEntry FaultHistory[kFaultHistoryEntries];
extern YieldHistory YieldHistoryBlock;
extern u16 VersionNumber;

// One pending write: `length` bytes from `source` to image offset `offset`.
struct StoreWrite {
    u32 offset;
    const void* source;
    u32 length;  // 0 = free slot
};
constexpr u8 kStoreQueueSlots = 32;
extern StoreWrite StoreWriteQueue[kStoreQueueSlots];
extern u8 StoreWriteNext;

void LoadSettingsDefaults();
void QueueStoreWrite(u32 offset, const void* source, u32 length);
void StoreSettingsField(const void* field, u32 length);
void StoreAuxField(const void* field, u32 length);
void StoreFaultHistory();
void StoreYieldHistory();
void StoreVersionNumber();
void LoadSettingsField(void* field, u32 length);
void LoadAuxBlock();
void LoadFaultHistory();
void LoadYieldHistory();
void LoadVersionNumber();
const FaultHistoryEntry* GetFaultHistoryEntry(u8 index);

// Address of a settings field for the store operations; packed fields cannot
// have their address taken directly.
#define SETTINGS_FIELD(field) \
    (reinterpret_cast<u8*>(&Settings) + offsetof(SettingsBlock, field)), sizeof(SettingsBlock::field)
