// The recorded channels of a run as CSV files, one per channel, as
// standin-host.exe --csv writes them and scripts/plot-run.sh draws them:
//   <module>-ch<N>.csv        time_s,value   every sample the module released
//   <module>-codes-ch<N>.csv  index,code     analog output modules: every code
//                                            the driver received
// A board profile can replay the first kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StandinHost.h"

namespace standin {

// The driver's board of a module (every class stores it in its settings block).
std::uint32_t BoardOf(const HostModule& module);
// The codes the driver received for one analog output of a board, oldest first.
std::vector<std::uint16_t> OutputCodes(SimTorq7Control& driver, std::uint32_t board, std::uint32_t channel);
// False when a file cannot be written.
bool WriteRunCsv(StandinHost& host, const std::string& folder);

}  // namespace standin
