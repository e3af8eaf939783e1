#include "HostImport.h"

#include <windows.h>

#include "LibraryVariables.h"

HostVariables g_hostVars;
HostFunctions g_host;
HWND g_hwndHostMain;

extern "C" {
volatile double fGlobalMilliSecondsPerSample;
volatile std::uint32_t uiGlobalBlockSize;
volatile std::int32_t bAnimation;
volatile std::int32_t bExperimentIsRunning;
volatile std::int32_t bExperimentIsPaused;
volatile std::uint32_t dwExperimentStartTimeTicks;
volatile std::int32_t BBoxModul;
}

namespace {

// The answer to every name is kept; only some are used after start-up.
HostAddr32 g_variableSlots[59];
HostAddr32 g_functionSlots[102];

struct VariableName {
    const char* name;
    bool required;
    HostAddr32* use;   // where the library reads the answer, or null
};

constexpr bool kRequired = true;
constexpr bool kStoredWithoutTest = false;

const VariableName kVariableNames[] = {
    {"hInstVireo", kRequired, &g_hostVars.hInstVireo},
    {"MainMenu", kRequired, &g_hostVars.MainMenu},
    {"GlobalModuleClass", kRequired, nullptr},
    {"&hwndDesk", kRequired, nullptr},
    {"&Module", kRequired, nullptr},
    {"&ViewModule", kRequired, nullptr},
    {"&wNumberOfModules", kRequired, nullptr},
    {"&uiHighModuleNumber", kRequired, nullptr},
    {"&CurrentModule", kRequired, nullptr},
    {"&CurrentModulePtr", kRequired, &g_hostVars.pCurrentModulePtr},
    {"uiVersionsTyp", kRequired, nullptr},
    {"uiDistributorTyp", kRequired, nullptr},
    {"bDateDayLeadingZero", kStoredWithoutTest, nullptr},
    {"bDateMonthLeadingZero", kStoredWithoutTest, nullptr},
    {"bDateYearLong", kStoredWithoutTest, nullptr},
    {"wDateFormat", kStoredWithoutTest, nullptr},
    {"bTime24h", kStoredWithoutTest, nullptr},
    {"bTimeLeadingZero", kStoredWithoutTest, nullptr},
    {"TimeTrenn", kRequired, nullptr},
    {"DezTrenn", kRequired, nullptr},
    {"bDecLeadingZero", kStoredWithoutTest, nullptr},
    {"DateTrenn", kRequired, nullptr},
    {"&bDisplayWithoutWnd", kRequired, nullptr},
    {"&bPauseIsDisabled", kRequired, nullptr},
    {"&LAYER_OutputParam", kRequired, nullptr},
    {"&StreamOptionen", kRequired, nullptr},
    {"&TempStreamOptionen", kRequired, nullptr},
    {"&CJ_Refs", kRequired, nullptr},
    {"&CJ_Temp", kRequired, nullptr},
    {"hBitChannel", kRequired, &g_hostVars.hBitChannel},
    {"hBitLessMore", kRequired, &g_hostVars.hBitLessMore},
    {"hDkGrayPen", kRequired, nullptr},
    {"hPipePenRed", kRequired, nullptr},
    {"hPipePenGreen", kRequired, nullptr},
    {"hLightRedBrush", kRequired, nullptr},
    {"hGreenBrush", kRequired, nullptr},
    {"InitialStartupDir", kRequired, nullptr},
    {"ExeFileDir", kRequired, nullptr},
    {"NameOfFlowChart", kRequired, nullptr},
    {"FullNameOfFlowChart", kRequired, nullptr},
    {"ProgFileNameIni", kRequired, nullptr},
    {"DefStreamingDir", kRequired, nullptr},
    {"DefFlowchartDir", kRequired, nullptr},
    {"DefDataDir", kRequired, nullptr},
    {"DefDeviceDir", kRequired, nullptr},
    {"DefUtilityDir", kRequired, nullptr},
    {"GlobalFlowChartInfo.Author", kRequired, nullptr},
    {"GlobalFlowChartInfo.Company", kRequired, nullptr},
    {"GlobalFlowChartInfo.Department", kRequired, nullptr},
    {"GlobalFlowChartInfo.Title", kRequired, nullptr},
    {"GlobalFlowChartInfo.Info", kRequired, nullptr},
    {"DapSetup", kRequired, nullptr},
    {"&ExperimentStartTime", kRequired, nullptr},
    {"&StartingTimeTicks", kRequired, nullptr},
    {"&SysInfo", kRequired, nullptr},
    {"&SysOpt", kRequired, nullptr},
    {"&DdeInstance", kRequired, nullptr},
    {"&ToolTip", kRequired, nullptr},
    {"&nWindowOrder", kRequired, nullptr},
};
static_assert(sizeof(kVariableNames) / sizeof(kVariableNames[0]) == sizeof(g_variableSlots) / sizeof(HostAddr32),
              "one slot per variable name");

struct FunctionName {
    const char* name;
    void* use;   // the function pointer the library calls through, or null
};

template <typename F>
void* Use(F& function)
{
    return &function;
}

const FunctionName kFunctionNames[] = {
    {"NewMemAlloc", Use(g_host.NewMemAlloc)},
    {"NewMemReAlloc", nullptr},
    {"NewDoMemFree", Use(g_host.NewDoMemFree)},
    {"DefineDllModule", Use(g_host.DefineDllModule)},
    {"DefineDllVariable", Use(g_host.DefineDllVariable)},
    {"RegisterModuleClass", Use(g_host.RegisterModuleClass)},
    {"PerformDefaultAction", Use(g_host.PerformDefaultAction)},
    {"NewReleaseOutputBlock", Use(g_host.NewReleaseOutputBlock)},
    {"GetCurrentOutputBlock", Use(g_host.GetCurrentOutputBlock)},
    {"GetInputFifo", nullptr},
    {"GetInputBlock", Use(g_host.GetInputBlock)},
    {"NewReleaseInputBlock", Use(g_host.NewReleaseInputBlock)},
    {"ChangeModuleSize", Use(g_host.ChangeModuleSize)},
    {"ChangeModuleName", nullptr},
    {"ChangeNameInString", nullptr},
    {"SendModuleMessage", nullptr},
    {"SendModChanMessage", nullptr},
    {"CopyChannelName", nullptr},
    {"FillUnitList", nullptr},
    {"MODUL_InitAll", nullptr},
    {"MODUL_DestroyAll", nullptr},
    {"InitMatrixNew", nullptr},
    {"ShowWarning", Use(g_host.ShowWarning)},
    {"EnableAllWindows", nullptr},
    {"ShowInternalError", nullptr},
    {"StopExperiment", Use(g_host.StopExperiment)},
    {"PauseExperiment", nullptr},
    {"CurrentExperimentTime", nullptr},
    {"DispatchQueuedMessages", nullptr},
    {"BBox_FullEnter", nullptr},
    {"BBox_FullLeave", nullptr},
    {"BBox_LightEnter", nullptr},
    {"BBox_LightLeave", nullptr},
    {"CreateSatellite", nullptr},
    {"UpdateSatellite", nullptr},
    {"RemoveUselessSatellites", nullptr},
    {"CreateStackedPen", nullptr},
    {"CreateStackedPenIndirect", nullptr},
    {"CreateStackedFontIndirect", Use(g_host.CreateStackedFontIndirect)},
    {"CreateStackedSolidBrush", nullptr},
    {"CreateStackedBrushIndirect", nullptr},
    {"DeleteStackedObject", Use(g_host.DeleteStackedObject)},
    {"do_fft", nullptr},
    {"EditText", nullptr},
    {"LoadInterpolationTable", nullptr},
    {"LoadTableFromFile", nullptr},
    {"SearchForFileToLoad", nullptr},
    {"DoesFileExistAndMsg", nullptr},
    {"AskForFilenameChange", nullptr},
    {"CheckCreateDir", nullptr},
    {"InitPrinter", nullptr},
    {"PrintHeader", nullptr},
    {"ExitPrinter", nullptr},
    {"PrintFooter", nullptr},
    {"NextPage", nullptr},
    {"CheckedCreateFile", nullptr},
    {"CheckedOpenFile", nullptr},
    {"CreateAndShowToolTipWindow", nullptr},
    {"SendPanelMessage", nullptr},
    {"GlStr_RegisterByText", nullptr},
    {"GlStr_UnregisterByText", nullptr},
    {"ExpandString", nullptr},
    {"ExpandStringNumber", nullptr},
    {"ExpandVarNumber", nullptr},
    {"ExpandUnitString", nullptr},
    {"ExpandUnit", nullptr},
    {"GlStr_RegisterByNumber", nullptr},
    {"GlStr_UnregisterByNumber", nullptr},
    {"GlStr_Set", nullptr},
    {"GlStr_Get", nullptr},
    {"GlStr_PrefixGet", nullptr},
    {"GlVar_RegisterByNumber", nullptr},
    {"GlVar_UnregisterByNumber", nullptr},
    {"GlVar_Set", nullptr},
    {"GlVar_Get", nullptr},
    {"GlVar_PrefixGet", nullptr},
    {"GlVar_VarStringGet", nullptr},
    {"GlVar_SetSyntax", nullptr},
    {"GlStr_SetSyntax", nullptr},
    {"SetMenuForGlobalStrings", nullptr},
    {"SetMenuForGlobalVars", nullptr},
    {"DeleteMenuForGlobalStrings", nullptr},
    {"DeleteMenuForGlobalVars", nullptr},
    {"ShowVarsAndSelect", nullptr},
    {"DsbHasChanged", nullptr},
    {"RegisterMenuEntry", Use(g_host.RegisterMenuEntry)},
    {"RegisterExtraMemory", nullptr},
    {"FindModuleByName", nullptr},
    {"AddExtMemInstance", nullptr},
    {"RemoveExtMemInstance", nullptr},
    {"RegisterNewWorksheetNotification", nullptr},
    {"RegisterTimeBase", nullptr},
    {"UnregisterTimeBase", nullptr},
    {"SetTimeBase", nullptr},
    {"SetTimeBaseTime", nullptr},
    {"IncTimeBaseTime", nullptr},
    {"GetTimeBaseBlockSize", nullptr},
    {"GetTimeBaseSampleDistance", nullptr},
    {"GetTimeBaseTime", nullptr},
    {"FillTimeBaseCombo", nullptr},
    {"GetTimeBaseComboID", nullptr},
    {"TimeBaseDialog", nullptr},
};
static_assert(sizeof(kFunctionNames) / sizeof(kFunctionNames[0]) == sizeof(g_functionSlots) / sizeof(HostAddr32),
              "one slot per function name");

HostAddr32 AskHost(UINT message, const char* name)
{
    return static_cast<HostAddr32>(SendMessageA(g_hwndHostMain, message, 0, reinterpret_cast<LPARAM>(name)));
}

struct LibraryVariable {
    const char* name;
    volatile void* address;
    std::uint32_t size;
};

const LibraryVariable kLibraryVariables[] = {
    {"fGlobalMilliSecondsPerSample", &fGlobalMilliSecondsPerSample, sizeof(fGlobalMilliSecondsPerSample)},
    {"uiGlobalBlockSize", &uiGlobalBlockSize, sizeof(uiGlobalBlockSize)},
    {"bAnimation", &bAnimation, sizeof(bAnimation)},
    {"bExperimentIsRunning", &bExperimentIsRunning, sizeof(bExperimentIsRunning)},
    {"bExperimentIsPaused", &bExperimentIsPaused, sizeof(bExperimentIsPaused)},
    {"dwExperimentStartTimeTicks", &dwExperimentStartTimeTicks, sizeof(dwExperimentStartTimeTicks)},
    {"BBoxModul", &BBoxModul, sizeof(BBoxModul)},
};

}  // namespace

int ImportHostSymbols(HWND hostMain)
{
    g_hwndHostMain = hostMain;
    unsigned slot = 0;
    for (const VariableName& v : kVariableNames) {
        const HostAddr32 answer = AskHost(kMsgImportVariable, v.name);
        g_variableSlots[slot++] = answer;
        if (v.use)
            *v.use = answer;
        if (answer == 0 && v.required)
            return 0;
    }
    slot = 0;
    for (const FunctionName& f : kFunctionNames) {
        const HostAddr32 answer = AskHost(kMsgImportFunction, f.name);
        g_functionSlots[slot++] = answer;
        if (answer == 0)
            return 0;
        if (f.use) {
            void* function = FromHost32<void>(answer);
            *static_cast<void**>(f.use) = function;
        }
    }
    return 1;
}

int BindLibraryVariables()
{
    if (g_host.DefineDllModule() == 0)
        return 0;
    for (const LibraryVariable& v : kLibraryVariables) {
        if (g_host.DefineDllVariable(v.name, const_cast<void*>(v.address), v.size) == 0)
            return 0;
    }
    return 1;
}
