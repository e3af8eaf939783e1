// Builds the records of a board profile from the values of its tables.
#include "BoardProfileBuild.h"

#include "sim/text/FileNames.h"

namespace standin {
namespace profile_keys {

BoardSlotProfile BuildBoard(const BoardValues& read)
{
    BoardSlotProfile board;
    board.slot = static_cast<std::uint32_t>(read.slot);
    board.config = {1, static_cast<std::uint32_t>(read.number < 0 ? read.slot : read.number), 1,
                    static_cast<std::uint32_t>(read.address), static_cast<std::uint32_t>(read.length),
                    static_cast<std::uint32_t>(read.switchValue)};
    board.bufferWords = static_cast<std::uint32_t>(read.bufferWords);
    board.clockLeadMs = read.clockLeadMs;
    board.clockPpm = read.clockPpm;
    return board;
}

AnalogInputProfile BuildAnalogInput(const AnalogInputValues& read)
{
    AnalogInputProfile input;
    input.channel = static_cast<std::uint32_t>(read.channel);
    input.range = read.rangeChoice / 2;
    const InputRangeText range = RangeText(input.range);
    // The signal in codes of the channel's range, as the board's converter sees it.
    const double codesPerVolt = kCodes / (range.high - range.low);
    input.signal.dwKind = kSignalKinds[read.kindIndex].kind;
    input.signal.dCenter = (read.offset - range.low) * codesPerVolt;
    input.signal.dAmplitude = read.amplitude * codesPerVolt;
    input.signal.dPeriodMs = read.periodMs;
    input.signal.dPhaseMs = read.phaseDeg / 360.0 * read.periodMs;
    input.signal.dwSeed = static_cast<std::uint32_t>(read.seed);
    return input;
}

void BuildReplay(const AnalogInputValues& read, const CsvTable& csv, int timeIndex, int valueIndex,
                 AnalogInputProfile* input)
{
    const InputRangeText range = RangeText(input->range);
    const std::vector<double>& times = csv.columns[timeIndex];
    const std::vector<double>& values = csv.columns[valueIndex];
    for (std::size_t row = 0; row < times.size(); ++row) {
        input->replayTimesMs.push_back(times[row] * kMsPerUnit[read.timeUnit]);
        input->replayCodes.push_back((values[row] - range.low) * kCodes / (range.high - range.low));
    }
    input->replayFlags = kInterpolationFlags[read.interpolation] | kEndFlags[read.end];
    // In full, so that the recording is found from any other folder.
    input->replayFile = FullPath(csv.path);
    input->replayColumn = read.column;
    input->replayTimeColumn = read.timeColumn;
    input->replayTimeUnit = read.timeUnit;
}

DigitalInputProfile BuildDigitalInput(const DigitalInputValues& read)
{
    DigitalInputProfile port;
    port.hold = read.end == 1;
    switch (kPortSources[read.sourceIndex].source) {
    case PortSource::Constant: port.bytes = {static_cast<std::uint8_t>(read.value)}; break;
    // A counter read once per port read: 256 reads bring it round again.
    case PortSource::Counter:
        port.bytes.clear();
        for (std::int64_t i = 0; i < 256; ++i)
            port.bytes.push_back(static_cast<std::uint8_t>(read.start + read.step * i));
        break;
    case PortSource::Pattern:
    case PortSource::Replay: port.bytes = read.bytes; break;
    case PortSource::Loopback: port.loopback = true; break;
    }
    return port;
}

FaultProfile BuildFault(const FaultValues& read)
{
    FaultProfile fault;
    fault.entry = static_cast<std::uint32_t>(read.entry);
    fault.atCall = read.atCall;
    fault.fromMs = read.fromMs;
    fault.failures = read.count == 0 ? 0xFFFFFFFF : static_cast<std::uint32_t>(read.count);
    fault.errorCode = static_cast<std::int32_t>(read.error);
    return fault;
}

}  // namespace profile_keys
}  // namespace standin
