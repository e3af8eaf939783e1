// The stand-in host's parts, each with its own file and lock, and the one
// pointer through which the host functions the library calls (which carry
// no context) reach them.
#pragma once

#include "StandinHost.h"
#include "sim/host/binding/HostNames.h"
#include "sim/host/binding/HostWindows.h"
#include "sim/host/binding/ImportDesk.h"
#include "sim/host/binding/LibraryBinding.h"
#include "sim/host/record/CallLog.h"
#include "sim/host/record/DialogWatch.h"
#include "sim/host/worksheet/HostWorksheet.h"
#include "sim/host/worksheet/Measurement.h"

namespace standin {

// Made in this order, ended in the reverse one: the worksheet's modules
// use the windows and the import desk's host variables.
struct HostRooms {
    explicit HostRooms(StandinHost* owner);
    ~HostRooms();
    HostRooms(const HostRooms&) = delete;
    HostRooms& operator=(const HostRooms&) = delete;

    StandinHost* owner;
    CallLog log;
    Measurement measurement;
    HostWindows windows;
    ImportDesk imports{windows.instance, windows.menu};
    DialogWatch dialogs{log};
    HostWorksheet worksheet{log, measurement, windows, imports};
    LibraryBinding binding;
};

// The one host whose functions the library calls; null while none exists.
extern HostRooms* g_host;

// The clock the library and the driver see.
std::uint32_t TORQ7_CALL HostClock();

}  // namespace standin
