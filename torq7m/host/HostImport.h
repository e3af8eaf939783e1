// The host's variables and functions, obtained by name from the host's main
// window at start-up and kept for the library's life.
#pragma once

#include <cstdint>

#include "HostFunctions.h"

struct HWND__;

// Values and addresses of the host variables the library uses.
struct HostVariables {
    HostAddr32 hInstVireo;
    HostAddr32 MainMenu;
    HostAddr32 pCurrentModulePtr;   // "&CurrentModulePtr": where the host keeps the current module
    HostAddr32 hBitChannel;         // address of the host's channel tab bitmap handles
    HostAddr32 hBitLessMore;        // address of the host's arrow bitmap handles
};

struct HostFunctions {
    hostfn::NewMemAlloc NewMemAlloc;
    hostfn::NewDoMemFree NewDoMemFree;
    hostfn::DefineDllModule DefineDllModule;
    hostfn::DefineDllVariable DefineDllVariable;
    hostfn::RegisterModuleClass RegisterModuleClass;
    hostfn::PerformDefaultAction PerformDefaultAction;
    hostfn::NewReleaseOutputBlock NewReleaseOutputBlock;
    hostfn::GetCurrentOutputBlock GetCurrentOutputBlock;
    hostfn::GetInputBlock GetInputBlock;
    hostfn::NewReleaseInputBlock NewReleaseInputBlock;
    hostfn::ChangeModuleSize ChangeModuleSize;
    hostfn::ShowWarning ShowWarning;
    hostfn::StopExperiment StopExperiment;
    hostfn::CreateStackedFontIndirect CreateStackedFontIndirect;
    hostfn::DeleteStackedObject DeleteStackedObject;
    hostfn::RegisterMenuEntry RegisterMenuEntry;
};

extern HostVariables g_hostVars;
extern HostFunctions g_host;
extern HWND__* g_hwndHostMain;

// Asks the host for every name in order; 0 at the first required name the
// host does not know.
int ImportHostSymbols(HWND__* hostMain);

// DefineDllModule, then the seven library variables; 0 at the first refusal.
int BindLibraryVariables();
