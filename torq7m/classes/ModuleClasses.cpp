#include "ModuleClasses.h"

#include <windows.h>

#include <initializer_list>

#include "../host/HostImport.h"
#include "../host/LibraryInstance.h"
#include "../modules/ClassTable.h"
#include "../modules/ModuleCommon.h"
#include "../modules/ModuleHandlers.h"
#include "../res/resource.h"
#include "../ui/DeviceSelectDialog.h"
#include "../ui/SettingsDialogs.h"

namespace {

// Acknowledged without action.
constexpr std::uint32_t kMsgHostNotice1 = 1;
constexpr std::uint32_t kMsgHostNotice104 = 104;
constexpr std::uint32_t kMsgHostNotice201 = 201;

enum class Reply {
    Acknowledge,       // 1, nothing done
    HandlerResult,     // the handler's result
    AcknowledgeAfter,  // the handler runs, then 1 whatever it returned
};

struct DispatchEntry {
    std::uint32_t message;
    Reply reply;
    ModuleHandler handler;
};

struct DispatchTable {
    const DispatchEntry* entries;
    unsigned count;
};

template <unsigned N>
constexpr DispatchTable TableOf(const DispatchEntry (&entries)[N])
{
    return DispatchTable{entries, N};
}

// Placing a module takes two steps: the user chooses a board among those no
// module of the kind has claimed, then the module is created on it. 0 when
// no board was chosen.
template <ModuleKind Kind, ModuleCreator Create>
std::uint32_t PlaceModule(ModuleRecord* module)
{
    const int slot = DeviceSelectDialog(HandleFromHost32<HWND>(module->hwndModule), Kind);
    if (slot == kNoSlot)
        return 0;
    return Create(module, slot);
}

constexpr DispatchEntry kAdDispatch[] = {
    {kMsgHostNotice1, Reply::Acknowledge, nullptr},
    {MODMSG_CREATE, Reply::HandlerResult, PlaceModule<kKindAnalogInput, AdCreate>},
    {MODMSG_DELETE, Reply::AcknowledgeAfter, ReleaseModuleBoard<AdModuleData, kKindAnalogInput>},
    {MODMSG_SETUP, Reply::AcknowledgeAfter, AdSettingsDialog},
    {kMsgHostNotice104, Reply::Acknowledge, nullptr},
    {MODMSG_LOADED, Reply::HandlerResult, ReclaimModuleBoard<AdModuleData, kKindAnalogInput>},
    {MODMSG_START, Reply::HandlerResult, AdStart},
    {MODMSG_STOP, Reply::HandlerResult, AdStop},
    {kMsgHostNotice201, Reply::Acknowledge, nullptr},
};

constexpr DispatchEntry kDiDispatch[] = {
    {kMsgHostNotice1, Reply::Acknowledge, nullptr},
    {MODMSG_CREATE, Reply::HandlerResult, PlaceModule<kKindDigitalInput, DiCreate>},
    {MODMSG_DELETE, Reply::AcknowledgeAfter, ReleaseModuleBoard<DiModuleData, kKindDigitalInput>},
    {MODMSG_SETUP, Reply::AcknowledgeAfter, DiSettingsDialog},
    {kMsgHostNotice104, Reply::Acknowledge, nullptr},
    {MODMSG_LOADED, Reply::HandlerResult, ReclaimModuleBoard<DiModuleData, kKindDigitalInput>},
    {MODMSG_START, Reply::HandlerResult, DiStart},
    {MODMSG_STOP, Reply::AcknowledgeAfter, DiStop},
    {kMsgHostNotice201, Reply::Acknowledge, nullptr},
};

constexpr DispatchEntry kDoDispatch[] = {
    {kMsgHostNotice1, Reply::Acknowledge, nullptr},
    {MODMSG_CREATE, Reply::HandlerResult, PlaceModule<kKindDigitalOutput, DoCreate>},
    {MODMSG_DELETE, Reply::AcknowledgeAfter, ReleaseModuleBoard<DoModuleData, kKindDigitalOutput>},
    {MODMSG_SETUP, Reply::AcknowledgeAfter, DoSettingsDialog},
    {kMsgHostNotice104, Reply::Acknowledge, nullptr},
    {MODMSG_LOADED, Reply::HandlerResult, ReclaimModuleBoard<DoModuleData, kKindDigitalOutput>},
    {MODMSG_START, Reply::HandlerResult, DoStart},
    {MODMSG_STOP, Reply::HandlerResult, DoStop},
};

// The analog output's start checks that no other analog output measures on
// its board, and the stored range.
constexpr DispatchEntry kDaDispatch[] = {
    {kMsgHostNotice1, Reply::Acknowledge, nullptr},
    {MODMSG_CREATE, Reply::HandlerResult, PlaceModule<kKindAnalogOutput, DaCreate>},
    {MODMSG_DELETE, Reply::AcknowledgeAfter, ReleaseModuleBoard<DaModuleData, kKindAnalogOutput>},
    {MODMSG_SETUP, Reply::AcknowledgeAfter, DaSettingsDialog},
    {kMsgHostNotice104, Reply::Acknowledge, nullptr},
    {MODMSG_LOADED, Reply::HandlerResult, DaLoaded},
    {MODMSG_START, Reply::HandlerResult, DaStart},
    {MODMSG_STOP, Reply::HandlerResult, DaStop},
};

// What the host is told of a class beside its description.
struct ModuleClass {
    std::uint32_t menuCommand;
    UINT shortNameId;
    UINT longNameId;
    const char* iconBitmap;
    const char* moduleBitmap;
    DispatchTable dispatch;
    ModuleProcessFunction process;
};

// In registration order, the order of the class table.
constexpr ModuleClass kModuleClasses[kClassCount] = {
    {IDM_Q7DI, IDS_Q7DI_SHORT, IDS_Q7DI_LONG, "ICO_Q7DI", "BMP_Q7DI", TableOf(kDiDispatch), DiProcess},
    {IDM_Q7DO, IDS_Q7DO_SHORT, IDS_Q7DO_LONG, "ICO_Q7DO", "BMP_Q7DO", TableOf(kDoDispatch), DoProcess},
    {IDM_Q7DA, IDS_Q7DA_SHORT, IDS_Q7DA_LONG, "ICO_Q7DA", "BMP_Q7DA", TableOf(kDaDispatch), DaProcess},
    {IDM_Q7AD, IDS_Q7AD_SHORT, IDS_Q7AD_LONG, "ICO_Q7AD", "BMP_Q7AD", TableOf(kAdDispatch), AdProcess},
};

constexpr std::uint32_t kClassInfoField16 = 12;

// The host keeps pointers to these names for as long as the library is loaded.
char g_shortNames[kClassCount][kShortNameSize];
char g_longNames[kClassCount][kLongNameSize];
// The class bitmaps the host draws with, until the library is finished.
HBITMAP g_iconBitmaps[kClassCount];
HBITMAP g_moduleBitmaps[kClassCount];

std::uint32_t Dispatch(const ModuleClass& moduleClass, ModuleRecord* module, std::uint32_t message,
                       std::uint32_t param1, std::uint32_t param2)
{
    const DispatchTable& table = moduleClass.dispatch;
    for (unsigned i = 0; i < table.count; ++i) {
        const DispatchEntry& entry = table.entries[i];
        if (entry.message != message)
            continue;
        switch (entry.reply) {
        case Reply::Acknowledge:
            return 1;
        case Reply::HandlerResult:
            return entry.handler(module);
        case Reply::AcknowledgeAfter:
            entry.handler(module);
            return 1;
        }
    }
    return g_host.PerformDefaultAction(module, message, param1, param2);
}

// The host knows a class only by its handler's address, so each class has a
// handler of its own.
template <ClassIndex C>
std::uint32_t TORQ7_CALL HandleModuleMessage(ModuleRecord* module, std::uint32_t message, std::uint32_t param1,
                                             std::uint32_t param2)
{
    return Dispatch(kModuleClasses[C], module, message, param1, param2);
}

constexpr ModuleMessageHandler kMessageHandlers[kClassCount] = {
    HandleModuleMessage<kClassDi>,
    HandleModuleMessage<kClassDo>,
    HandleModuleMessage<kClassDa>,
    HandleModuleMessage<kClassAd>,
};

void RegisterModuleClass(unsigned index)
{
    const ClassDescription& description = kClassTable[index];
    const ModuleClass& moduleClass = kModuleClasses[index];
    ModuleClassInfo info = {};
    LoadStringA(g_hInstLibrary, moduleClass.shortNameId, g_shortNames[index], kShortNameSize);
    LoadStringA(g_hInstLibrary, moduleClass.longNameId, g_longNames[index], kLongNameSize);
    info.hInstance = HandleToHost32(g_hInstLibrary);
    info.pszClassName = ToHost32(description.className);
    info.dwModuleDataSize = description.dataSize;
    info.dwHostField16 = kClassInfoField16;
    info.dwMenuCommand = moduleClass.menuCommand;
    info.pszShortName = ToHost32(g_shortNames[index]);
    info.pszLongName = ToHost32(g_longNames[index]);
    g_iconBitmaps[index] = LoadBitmapA(g_hInstLibrary, moduleClass.iconBitmap);
    g_moduleBitmaps[index] = LoadBitmapA(g_hInstLibrary, moduleClass.moduleBitmap);
    info.hIconBitmap = HandleToHost32(g_iconBitmaps[index]);
    info.hModuleBitmap = HandleToHost32(g_moduleBitmaps[index]);
    info.pfnMessageHandler = ToHost32(reinterpret_cast<void*>(kMessageHandlers[index]));
    info.pfnProcess = ToHost32(reinterpret_cast<void*>(moduleClass.process));
    g_host.RegisterModuleClass(&info);
}

}  // namespace

void RegisterModuleClasses()
{
    for (unsigned index = 0; index < kClassCount; ++index)
        RegisterModuleClass(index);
}

void ReleaseClassBitmaps()
{
    for (HBITMAP* bitmaps : {g_iconBitmaps, g_moduleBitmaps}) {
        for (unsigned index = 0; index < kClassCount; ++index) {
            if (bitmaps[index])
                DeleteObject(bitmaps[index]);
            bitmaps[index] = nullptr;
        }
    }
}
