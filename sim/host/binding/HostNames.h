// The names the host answers through its main window: 59 variables
// (message 30000) and 102 functions (message 30001), in the order in which
// the library asks for them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace standin {

enum class VariableKind {
    Value,             // a plain number
    Area,              // address of a zeroed host variable ("&name", arrays)
    Text,              // address of a zero-terminated string
    Instance,          // the host's instance handle
    MainMenu,          // the main window's menu
    ChannelBitmaps,    // address of the channel tab bitmap handles, one per state
    LessMoreBitmaps,   // address of the arrow bitmap handles, one per state
    CurrentModulePtr,  // address of the variable holding the current module
    Pen,               // a pen of colour `value`
    Brush,             // a brush of colour `value`
};

struct HostVariableName {
    const char* name;
    VariableKind kind;
    std::uint32_t value;
    const char* text;
};

constexpr std::uint32_t Rgb(unsigned r, unsigned g, unsigned b)
{
    return r | (g << 8) | (b << 16);
}

inline constexpr HostVariableName kHostVariables[] = {
    {"hInstVireo", VariableKind::Instance, 0, nullptr},
    {"MainMenu", VariableKind::MainMenu, 0, nullptr},
    {"GlobalModuleClass", VariableKind::Area, 0, nullptr},
    {"&hwndDesk", VariableKind::Area, 0, nullptr},
    {"&Module", VariableKind::Area, 0, nullptr},
    {"&ViewModule", VariableKind::Area, 0, nullptr},
    {"&wNumberOfModules", VariableKind::Area, 0, nullptr},
    {"&uiHighModuleNumber", VariableKind::Area, 0, nullptr},
    {"&CurrentModule", VariableKind::Area, 0, nullptr},
    {"&CurrentModulePtr", VariableKind::CurrentModulePtr, 0, nullptr},
    {"uiVersionsTyp", VariableKind::Value, 1, nullptr},
    {"uiDistributorTyp", VariableKind::Value, 1, nullptr},
    {"bDateDayLeadingZero", VariableKind::Value, 1, nullptr},
    {"bDateMonthLeadingZero", VariableKind::Value, 1, nullptr},
    {"bDateYearLong", VariableKind::Value, 1, nullptr},
    {"wDateFormat", VariableKind::Value, 1, nullptr},
    {"bTime24h", VariableKind::Value, 1, nullptr},
    {"bTimeLeadingZero", VariableKind::Value, 1, nullptr},
    {"TimeTrenn", VariableKind::Value, ':', nullptr},
    {"DezTrenn", VariableKind::Value, '.', nullptr},
    {"bDecLeadingZero", VariableKind::Value, 1, nullptr},
    {"DateTrenn", VariableKind::Value, '/', nullptr},
    {"&bDisplayWithoutWnd", VariableKind::Area, 0, nullptr},
    {"&bPauseIsDisabled", VariableKind::Area, 0, nullptr},
    {"&LAYER_OutputParam", VariableKind::Area, 0, nullptr},
    {"&StreamOptionen", VariableKind::Area, 0, nullptr},
    {"&TempStreamOptionen", VariableKind::Area, 0, nullptr},
    {"&CJ_Refs", VariableKind::Area, 0, nullptr},
    {"&CJ_Temp", VariableKind::Area, 0, nullptr},
    {"hBitChannel", VariableKind::ChannelBitmaps, 0, nullptr},
    {"hBitLessMore", VariableKind::LessMoreBitmaps, 0, nullptr},
    {"hDkGrayPen", VariableKind::Pen, Rgb(64, 64, 64), nullptr},
    {"hPipePenRed", VariableKind::Pen, Rgb(255, 0, 0), nullptr},
    {"hPipePenGreen", VariableKind::Pen, Rgb(0, 160, 0), nullptr},
    {"hLightRedBrush", VariableKind::Brush, Rgb(255, 160, 160), nullptr},
    {"hGreenBrush", VariableKind::Brush, Rgb(0, 160, 0), nullptr},
    {"InitialStartupDir", VariableKind::Text, 0, "C:\\StandinHost"},
    {"ExeFileDir", VariableKind::Text, 0, "C:\\StandinHost"},
    {"NameOfFlowChart", VariableKind::Text, 0, "untitled"},
    {"FullNameOfFlowChart", VariableKind::Text, 0, "C:\\StandinHost\\untitled"},
    {"ProgFileNameIni", VariableKind::Text, 0, "C:\\StandinHost\\standin.ini"},
    {"DefStreamingDir", VariableKind::Text, 0, "C:\\StandinHost\\Stream"},
    {"DefFlowchartDir", VariableKind::Text, 0, "C:\\StandinHost\\Worksheets"},
    {"DefDataDir", VariableKind::Text, 0, "C:\\StandinHost\\Data"},
    {"DefDeviceDir", VariableKind::Text, 0, "C:\\StandinHost\\Devices"},
    {"DefUtilityDir", VariableKind::Text, 0, "C:\\StandinHost\\Utility"},
    {"GlobalFlowChartInfo.Author", VariableKind::Text, 0, ""},
    {"GlobalFlowChartInfo.Company", VariableKind::Text, 0, ""},
    {"GlobalFlowChartInfo.Department", VariableKind::Text, 0, ""},
    {"GlobalFlowChartInfo.Title", VariableKind::Text, 0, ""},
    {"GlobalFlowChartInfo.Info", VariableKind::Text, 0, ""},
    {"DapSetup", VariableKind::Value, 1, nullptr},
    {"&ExperimentStartTime", VariableKind::Area, 0, nullptr},
    {"&StartingTimeTicks", VariableKind::Area, 0, nullptr},
    {"&SysInfo", VariableKind::Area, 0, nullptr},
    {"&SysOpt", VariableKind::Area, 0, nullptr},
    {"&DdeInstance", VariableKind::Area, 0, nullptr},
    {"&ToolTip", VariableKind::Area, 0, nullptr},
    {"&nWindowOrder", VariableKind::Area, 0, nullptr},
};

inline constexpr const char* kHostFunctionNames[] = {
    "NewMemAlloc", "NewMemReAlloc", "NewDoMemFree", "DefineDllModule", "DefineDllVariable",
    "RegisterModuleClass", "PerformDefaultAction", "NewReleaseOutputBlock", "GetCurrentOutputBlock",
    "GetInputFifo", "GetInputBlock", "NewReleaseInputBlock", "ChangeModuleSize", "ChangeModuleName",
    "ChangeNameInString", "SendModuleMessage", "SendModChanMessage", "CopyChannelName", "FillUnitList",
    "MODUL_InitAll", "MODUL_DestroyAll", "InitMatrixNew", "ShowWarning", "EnableAllWindows",
    "ShowInternalError", "StopExperiment", "PauseExperiment", "CurrentExperimentTime",
    "DispatchQueuedMessages", "BBox_FullEnter", "BBox_FullLeave", "BBox_LightEnter", "BBox_LightLeave",
    "CreateSatellite", "UpdateSatellite", "RemoveUselessSatellites", "CreateStackedPen",
    "CreateStackedPenIndirect", "CreateStackedFontIndirect", "CreateStackedSolidBrush",
    "CreateStackedBrushIndirect", "DeleteStackedObject", "do_fft", "EditText", "LoadInterpolationTable",
    "LoadTableFromFile", "SearchForFileToLoad", "DoesFileExistAndMsg", "AskForFilenameChange",
    "CheckCreateDir", "InitPrinter", "PrintHeader", "ExitPrinter", "PrintFooter", "NextPage",
    "CheckedCreateFile", "CheckedOpenFile", "CreateAndShowToolTipWindow", "SendPanelMessage",
    "GlStr_RegisterByText", "GlStr_UnregisterByText", "ExpandString", "ExpandStringNumber",
    "ExpandVarNumber", "ExpandUnitString", "ExpandUnit", "GlStr_RegisterByNumber",
    "GlStr_UnregisterByNumber", "GlStr_Set", "GlStr_Get", "GlStr_PrefixGet", "GlVar_RegisterByNumber",
    "GlVar_UnregisterByNumber", "GlVar_Set", "GlVar_Get", "GlVar_PrefixGet", "GlVar_VarStringGet",
    "GlVar_SetSyntax", "GlStr_SetSyntax", "SetMenuForGlobalStrings", "SetMenuForGlobalVars",
    "DeleteMenuForGlobalStrings", "DeleteMenuForGlobalVars", "ShowVarsAndSelect", "DsbHasChanged",
    "RegisterMenuEntry", "RegisterExtraMemory", "FindModuleByName", "AddExtMemInstance",
    "RemoveExtMemInstance", "RegisterNewWorksheetNotification", "RegisterTimeBase", "UnregisterTimeBase",
    "SetTimeBase", "SetTimeBaseTime", "IncTimeBaseTime", "GetTimeBaseBlockSize",
    "GetTimeBaseSampleDistance", "GetTimeBaseTime", "FillTimeBaseCombo", "GetTimeBaseComboID",
    "TimeBaseDialog",
};

inline constexpr std::size_t kHostVariableCount = sizeof(kHostVariables) / sizeof(kHostVariables[0]);
inline constexpr std::size_t kHostFunctionCount = sizeof(kHostFunctionNames) / sizeof(kHostFunctionNames[0]);
static_assert(kHostVariableCount == 59, "host variables");
static_assert(kHostFunctionCount == 102, "host functions");

// The library variables that the host keeps current once they are bound,
// in the order in which the library binds them.
struct LibraryVariableName {
    const char* name;
    std::uint32_t size;
};

inline constexpr LibraryVariableName kLibraryVariables[] = {
    {"fGlobalMilliSecondsPerSample", 8}, {"uiGlobalBlockSize", 4},          {"bAnimation", 4},
    {"bExperimentIsRunning", 4},         {"bExperimentIsPaused", 4},        {"dwExperimentStartTimeTicks", 4},
    {"BBoxModul", 4},
};
inline constexpr std::size_t kLibraryVariableCount = sizeof(kLibraryVariables) / sizeof(kLibraryVariables[0]);

// Channel tab states 0..3 and arrow states 0..5, each drawn from one bitmap.
inline constexpr unsigned kChannelBitmapStates = 4;
inline constexpr unsigned kLessMoreBitmapStates = 6;

}  // namespace standin
