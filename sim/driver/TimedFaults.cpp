// Faults that begin at a clock time, for a profile that lets a board fail
// some time into a measurement.
#include "SimState.h"

namespace sim {

void DriverState::SetClock(SimClockFunction newClock)
{
    // A fault's time was given on the clock that ran then; on another clock
    // it would begin at a time nobody chose.
    if (newClock != clock)
        timedFaults.clear();
    clock = newClock;
}

bool DriverState::TakeTimedFault(std::uint32_t entry, std::uint32_t board, std::uint32_t now,
                                 std::int32_t* errorCode)
{
    for (auto fault = timedFaults.begin(); fault != timedFaults.end(); ++fault) {
        if (fault->entry != entry || (fault->board != kAnyBoard && fault->board != board))
            continue;
        // Compared as a signed difference, so that a clock wrapping around still counts on.
        if (static_cast<std::int32_t>(now - fault->fromTick) < 0)
            continue;
        *errorCode = fault->errorCode;
        if (fault->failures != kForever && --fault->failures == 0)
            timedFaults.erase(fault);
        return true;
    }
    return false;
}

}  // namespace sim
