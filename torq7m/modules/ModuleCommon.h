// What the four module classes do alike.
#pragma once

#include <cstdint>

#include "../board/BoardTable.h"
#include "../host/HostRecords.h"
#include "BoardHolders.h"
#include "ChannelNames.h"
#include "ClassTable.h"

template <typename Data>
Data* ModuleDataOf(const ModuleRecord* module)
{
    return FromHost32<Data>(module->pModuleData);
}

inline ChannelState* ChannelStateOf(const ModuleRecord* module, unsigned channel)
{
    return FromHost32<ChannelState>(module->pChannelState[channel]);
}

// A host may report more channels than a class has; the library never goes
// past its own records and tables.
inline unsigned BoundedCount(std::uint32_t hostCount, unsigned classLimit)
{
    return hostCount < classLimit ? hostCount : classLimit;
}

// The create step once a board is chosen: the module claims the board in
// `slot` (0-15, present) for its kind and takes its number into the
// settings block.
void ClaimChosenBoard(const ModuleRecord* module, ModuleKind kind, int slot, std::uint16_t* boardNumber);

// Delete: the module gives up its claim on its board; the board is offered
// again once no other module of the kind holds it.
template <typename Data, ModuleKind Kind>
std::uint32_t ReleaseModuleBoard(ModuleRecord* module)
{
    LetBoardGo(module, Kind, ModuleDataOf<Data>(module)->wBoardNumber);
    return 1;
}

// Loaded: a module restored from a worksheet claims its stored board again.
template <typename Data, ModuleKind Kind>
std::uint32_t ReclaimModuleBoard(ModuleRecord* module)
{
    const std::uint16_t board = ModuleDataOf<Data>(module)->wBoardNumber;
    const int reclaimed = ReclaimBoardOnLoad(Kind, board);
    if (reclaimed)
        HoldBoard(module, Kind, board);
    return static_cast<std::uint32_t>(reclaimed);
}

// A newly placed module without channels gets its class's default counts.
void ApplyDefaultCounts(ModuleRecord* module, std::uint32_t inputs, std::uint32_t outputs);

// The class's default name of each of its channels: "ﾁｬﾝﾈﾙ 0", "ﾁｬﾝﾈﾙ 1", ...
void WriteDefaultChannelNames(const ClassDescription& row, char (*names)[kChannelNameSize]);

// Clears the animation counters of all eight channel state slots.
void ResetAnimationSteps(const ModuleRecord* module);

// Clears the pacing state of the module's first `count` output channels.
void ResetChannelStates(const ModuleRecord* module, unsigned count);

// A board failure during a measurement: the host stops the measurement
// first, then the driver's error code for the board is read for the message.
std::int32_t StopMeasurementAndGetError(std::uint16_t board);

// A failed port write or converter output: stops the measurement and warns
// with the driver's error code.
void WarnOutputFailure(std::uint16_t board);
