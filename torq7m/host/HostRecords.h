// Records shared with the host. The host owns them, fixes every offset and
// stores some of them with the worksheet, so each layout is checked here.
// Addresses and handles inside the records are 32 bits wide, in the 64-bit
// test build as in the product.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CallConv.h"

using HostAddr32 = std::uint32_t;

template <typename T>
inline T* FromHost32(HostAddr32 value)
{
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(value));
}

inline HostAddr32 ToHost32(const void* address)
{
    return static_cast<HostAddr32>(reinterpret_cast<std::uintptr_t>(address));
}

// Window and GDI handles keep 32 significant bits on every Windows; they are
// sign-extended when widened.
template <typename H>
inline H HandleFromHost32(HostAddr32 value)
{
    return reinterpret_cast<H>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

template <typename H>
inline HostAddr32 HandleToHost32(H handle)
{
    return static_cast<HostAddr32>(reinterpret_cast<std::uintptr_t>(handle));
}

constexpr unsigned kMaxOutputHandles = 16;
constexpr unsigned kChannelStateSlots = 8;
constexpr unsigned kModuleNameSize = 13;
constexpr unsigned kModuleDescriptionSize = 41;

#pragma pack(push, 1)

struct ModuleRecord {
    HostAddr32 hwndModule;
    std::uint8_t hostReserved4[4];
    HostAddr32 dwAnimationArg;
    std::uint8_t hostReserved12[4];
    std::uint32_t bOutputEnable;
    std::uint8_t hostReserved20[20];
    char szName[kModuleNameSize];
    char szDescription[kModuleDescriptionSize];
    std::uint8_t hostReserved94[24];
    std::uint32_t uiInputChannels;
    std::uint8_t hostReserved122[704];
    std::uint32_t uiOutputChannels;
    std::uint8_t hostReserved830[66];
    HostAddr32 hOutputChannel[kMaxOutputHandles];
    HostAddr32 pModuleData;
    std::uint8_t hostReserved964[4];
    HostAddr32 pChannelState[kChannelStateSlots];
};

static_assert(offsetof(ModuleRecord, hwndModule) == 0, "module window");
static_assert(offsetof(ModuleRecord, dwAnimationArg) == 8, "animation argument");
static_assert(offsetof(ModuleRecord, bOutputEnable) == 16, "output enable");
static_assert(offsetof(ModuleRecord, szName) == 40, "name");
static_assert(offsetof(ModuleRecord, szDescription) == 53, "description");
static_assert(offsetof(ModuleRecord, uiInputChannels) == 118, "input count");
static_assert(offsetof(ModuleRecord, uiOutputChannels) == 826, "output count");
static_assert(offsetof(ModuleRecord, hOutputChannel) == 896, "output handles");
static_assert(offsetof(ModuleRecord, pModuleData) == 960, "module data");
static_assert(offsetof(ModuleRecord, pChannelState) == 968, "channel states");
static_assert(sizeof(ModuleRecord) == 1000, "module record");

// The host's record of one output channel; its address is the channel handle.
struct OutputChannelRecord {
    std::uint8_t hostReserved0[14];
    std::uint16_t wServedFlag;      // cleared by the producer on every serving call
    std::uint8_t hostReserved16[16];
};

static_assert(offsetof(OutputChannelRecord, wServedFlag) == 14, "served flag");
static_assert(sizeof(OutputChannelRecord) == 32, "output channel record");

struct DataBlock {
    std::uint8_t hostHeader[6];
    double dStartTime;        // seconds from the start of the measurement
    double dSampleDistance;   // seconds between samples
    std::uint16_t wSampleCount;
    // the samples follow: wSampleCount single-precision floats
};

static_assert(offsetof(DataBlock, dStartTime) == 6, "start time");
static_assert(offsetof(DataBlock, dSampleDistance) == 14, "sample distance");
static_assert(offsetof(DataBlock, wSampleCount) == 22, "sample count");
static_assert(sizeof(DataBlock) == 24, "block header");

inline float* BlockSamples(DataBlock* block)
{
    return reinterpret_cast<float*>(reinterpret_cast<std::uint8_t*>(block) + sizeof(DataBlock));
}

struct ChannelState {
    std::int32_t bBlockPending;
    std::uint32_t dwSamplesEmitted;
    std::int32_t nAnimationStep;
};

static_assert(offsetof(ChannelState, bBlockPending) == 0, "pending");
static_assert(offsetof(ChannelState, dwSamplesEmitted) == 4, "emitted");
static_assert(offsetof(ChannelState, nAnimationStep) == 8, "animation step");
static_assert(sizeof(ChannelState) == 12, "channel state");

struct ModuleClassInfo {
    HostAddr32 hInstance;
    HostAddr32 pszClassName;
    std::uint32_t dwModuleDataSize;
    std::uint32_t dwHostField12;      // 0
    std::uint32_t dwHostField16;      // 12
    std::uint32_t dwMenuCommand;
    HostAddr32 pszShortName;
    HostAddr32 pszLongName;
    std::uint32_t dwHostField32[3];   // 0
    HostAddr32 hIconBitmap;
    HostAddr32 hModuleBitmap;
    HostAddr32 pfnMessageHandler;
    HostAddr32 pfnProcess;
    std::uint8_t hostReserved60[120];
};

static_assert(offsetof(ModuleClassInfo, hInstance) == 0, "instance");
static_assert(offsetof(ModuleClassInfo, pszClassName) == 4, "class name");
static_assert(offsetof(ModuleClassInfo, dwModuleDataSize) == 8, "data size");
static_assert(offsetof(ModuleClassInfo, dwHostField12) == 12, "field 12");
static_assert(offsetof(ModuleClassInfo, dwHostField16) == 16, "field 16");
static_assert(offsetof(ModuleClassInfo, dwMenuCommand) == 20, "menu command");
static_assert(offsetof(ModuleClassInfo, pszShortName) == 24, "short name");
static_assert(offsetof(ModuleClassInfo, pszLongName) == 28, "long name");
static_assert(offsetof(ModuleClassInfo, dwHostField32) == 32, "fields 32-43");
static_assert(offsetof(ModuleClassInfo, hIconBitmap) == 44, "icon bitmap");
static_assert(offsetof(ModuleClassInfo, hModuleBitmap) == 48, "module bitmap");
static_assert(offsetof(ModuleClassInfo, pfnMessageHandler) == 52, "message handler");
static_assert(offsetof(ModuleClassInfo, pfnProcess) == 56, "process function");
static_assert(sizeof(ModuleClassInfo) == 180, "class info");

#pragma pack(pop)

constexpr unsigned kShortNameSize = 13;
constexpr unsigned kLongNameSize = 39;

// Module messages.
constexpr std::uint32_t MODMSG_CREATE = 101;
constexpr std::uint32_t MODMSG_DELETE = 102;
constexpr std::uint32_t MODMSG_SETUP = 103;
constexpr std::uint32_t MODMSG_LOADED = 105;
constexpr std::uint32_t MODMSG_START = 106;
constexpr std::uint32_t MODMSG_STOP = 107;

// Host symbol import messages, sent to the host's main window.
constexpr unsigned kMsgImportVariable = 30000;
constexpr unsigned kMsgImportFunction = 30001;

using ModuleMessageHandler = std::uint32_t(TORQ7_CALL*)(ModuleRecord* module, std::uint32_t message,
                                                         std::uint32_t param1, std::uint32_t param2);
using ModuleProcessFunction = std::uint32_t(TORQ7_CALL*)(ModuleRecord* module);
// The host ignores what a menu entry handler returns.
using MenuEntryHandler = std::int32_t(TORQ7_CALL*)(void);
