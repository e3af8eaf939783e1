// Lays a board profile out in the simulated driver: boards, signals, ports, faults.
#include "BoardProfile.h"

namespace standin {

void ApplyBoardProfile(const BoardProfile& profile, SimTorq7Control& driver)
{
    for (std::uint32_t slot = 0; slot < kBoardSlots; ++slot)
        driver.SimTorq7_SetBoard(slot, nullptr);
    for (const BoardSlotProfile& board : profile.boards) {
        const std::uint32_t number = board.config.dwBoardNumber;
        driver.SimTorq7_SetBoard(board.slot, &board.config);
        driver.SimTorq7_SetBufferCapacity(number, board.bufferWords);
        driver.SimTorq7_SetBoardClock(number, board.clockLeadMs, board.clockPpm);
        for (const AnalogInputProfile& input : board.inputs) {
            driver.SimTorq7_SetSignal(number, input.channel, &input.signal);
            if (input.signal.dwKind == SIM_SIGNAL_REPLAY)
                driver.SimTorq7_SetReplay(number, input.channel, input.replayTimesMs.data(), input.replayCodes.data(),
                                          static_cast<std::uint32_t>(input.replayCodes.size()), input.replayFlags);
        }
        driver.SimTorq7_SetInputPattern(number, board.port.bytes.data(),
                                        static_cast<std::uint32_t>(board.port.bytes.size()));
        driver.SimTorq7_SetInputHold(number, board.port.hold ? 1 : 0);
        driver.SimTorq7_SetLoopback(number, board.port.loopback ? 1 : 0);
        for (const FaultProfile& fault : board.faults) {
            if (fault.atCall > 0)
                driver.SimTorq7_SetFault(fault.entry, number, static_cast<std::uint32_t>(fault.atCall - 1),
                                         fault.failures, fault.errorCode);
        }
    }
}

void ArmTimedFaults(const BoardProfile& profile, SimTorq7Control& driver, std::uint32_t startTick)
{
    for (const BoardSlotProfile& board : profile.boards) {
        for (const FaultProfile& fault : board.faults) {
            if (fault.atCall == 0)
                driver.SimTorq7_SetTimedFault(fault.entry, board.config.dwBoardNumber,
                                              startTick + static_cast<std::uint32_t>(fault.fromMs), fault.failures,
                                              fault.errorCode);
        }
    }
}

}  // namespace standin
