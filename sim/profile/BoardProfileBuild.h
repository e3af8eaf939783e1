// A board profile's records, built from the values read and checked from its tables.
#pragma once

#include "BoardProfile.h"
#include "BoardProfileKeys.h"
#include "CsvTable.h"

namespace standin {
namespace profile_keys {

// The slot, its configuration, buffer and clock; its inputs, port and faults
// are added as they are read.
BoardSlotProfile BuildBoard(const BoardValues& read);
// The signal in codes of the channel's range.
AnalogInputProfile BuildAnalogInput(const AnalogInputValues& read);
// The recording's rows (their times rising) in ms and codes, and where they came from.
void BuildReplay(const AnalogInputValues& read, const CsvTable& csv, int timeIndex, int valueIndex,
                 AnalogInputProfile* input);
DigitalInputProfile BuildDigitalInput(const DigitalInputValues& read);
FaultProfile BuildFault(const FaultValues& read);

}  // namespace profile_keys
}  // namespace standin
