// The keys of each table of a board profile, and the values read from one
// table before its records are built. A new key is read and checked from one
// line of its table; it also needs the value it fills here, its place in the
// records (BoardProfile.h, BoardProfileBuild.cpp) and its line in the profile
// written back (BoardProfileFormat.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BoardProfileNames.h"
#include "KeyTable.h"

namespace standin {
namespace profile_keys {

using namespace profile_names;

constexpr std::int64_t kLastSlot = kBoardSlots - 1;
constexpr std::int64_t kMaxCount = 0x7FFFFFFF;
constexpr std::int64_t kMaxWord = 0xFFFFFFFF;
// A board whose clock is a second off, or a crystal off by a thousandth, is broken rather than skewed.
constexpr double kClockLeadLimitMs = 1000.0;
constexpr double kClockPpmLimit = 1000.0;

// The lists a choice is made from, as functions so that a constexpr table can name them.
inline std::vector<std::string> SignalNames() { return NamesOf(kSignalKinds); }
inline std::vector<std::string> PortSourceNames() { return NamesOf(kPortSources); }
inline std::vector<std::string> TimeUnitNames() { return kTimeUnits; }
inline std::vector<std::string> InterpolationNames() { return kInterpolations; }
inline std::vector<std::string> EndNames() { return kEnds; }

// [[board]]

struct BoardValues {
    std::int64_t slot = 0;
    std::int64_t number = -1;   // the slot's own
    std::int64_t address = 0;
    std::int64_t length = 32;
    std::int64_t switchValue = 0;
    std::int64_t bufferWords = 0;
    double clockLeadMs = 0.0;
    double clockPpm = 0.0;
};

inline constexpr Key<BoardValues> kBoardKeys[] = {
    IntegerKey("slot", &BoardValues::slot, 0, kLastSlot).required(),
    IntegerKey("number", &BoardValues::number, 0, 0xFFFE),
    IntegerKey("port_address", &BoardValues::address, 0, kMaxWord),
    IntegerKey("port_length", &BoardValues::length, 0, kMaxWord),
    IntegerKey("switch", &BoardValues::switchValue, 0, kMaxWord),
    IntegerKey("buffer_words", &BoardValues::bufferWords, 0, kMaxWord),
    NumberKey("clock_lead_ms", &BoardValues::clockLeadMs, -kClockLeadLimitMs, kClockLeadLimitMs),
    NumberKey("clock_ppm", &BoardValues::clockPpm, -kClockPpmLimit, kClockPpmLimit),
    OwnKey<BoardValues>("analog_input"),
    OwnKey<BoardValues>("digital_input"),
    OwnKey<BoardValues>("fault"),
};

// [[board.analog_input]]: each signal kind takes its own keys.

constexpr std::uint32_t SignalBit(SimSignalKind kind)
{
    return 1u << kind;
}

constexpr std::uint32_t kPeriodicSignals =
    SignalBit(SIM_SIGNAL_SINE) | SignalBit(SIM_SIGNAL_SQUARE) | SignalBit(SIM_SIGNAL_RAMP) | SignalBit(SIM_SIGNAL_TRIANGLE);
constexpr std::uint32_t kNoiseSignal = SignalBit(SIM_SIGNAL_NOISE);
constexpr std::uint32_t kReplaySignal = SignalBit(SIM_SIGNAL_REPLAY);
// The signals the driver makes itself rather than replays.
constexpr std::uint32_t kMadeSignals = SignalBit(SIM_SIGNAL_CONSTANT) | kPeriodicSignals | kNoiseSignal;

struct AnalogInputValues {
    std::int64_t channel = 0;
    int rangeChoice = 0;   // of RangeChoices(): the range is rangeChoice / 2
    int kindIndex = 0;     // of kSignalKinds
    double offset = 0.0;   // the range's low end when absent
    double amplitude = 0.0;
    double periodMs = 1000.0;
    double phaseDeg = 0.0;
    std::int64_t seed = 1;
    std::string file;
    std::string column;
    std::string timeColumn = "time_s";
    int timeUnit = 0;
    int interpolation = 0;
    int end = 0;
};

inline constexpr Key<AnalogInputValues> kAnalogInputKeys[] = {
    IntegerKey("channel", &AnalogInputValues::channel, 0, 7).required().at(Step::Choose),
    ChoiceKey("range", &AnalogInputValues::rangeChoice, RangeChoices).at(Step::Choose),
    ChoiceKey("signal", &AnalogInputValues::kindIndex, SignalNames).required().at(Step::Choose),
    NumberKey("offset", &AnalogInputValues::offset, -1e6, 1e6).takenBy(kMadeSignals),
    NumberKey("amplitude", &AnalogInputValues::amplitude, 0.0, 1e6).takenBy(kPeriodicSignals | kNoiseSignal),
    NumberKey("period_ms", &AnalogInputValues::periodMs, 0.01, 1e9).takenBy(kPeriodicSignals),
    NumberKey("phase_deg", &AnalogInputValues::phaseDeg, -360.0, 360.0).takenBy(kPeriodicSignals),
    IntegerKey("seed", &AnalogInputValues::seed, 0, kMaxWord).takenBy(kNoiseSignal),
    TextKey("file", &AnalogInputValues::file).required().at(Step::Recording).takenBy(kReplaySignal),
    TextKey("column", &AnalogInputValues::column).at(Step::Recording).takenBy(kReplaySignal),
    TextKey("time_column", &AnalogInputValues::timeColumn).takenBy(kReplaySignal),
    ChoiceKey("time_unit", &AnalogInputValues::timeUnit, TimeUnitNames).takenBy(kReplaySignal),
    ChoiceKey("interpolate", &AnalogInputValues::interpolation, InterpolationNames).takenBy(kReplaySignal),
    ChoiceKey("at_end", &AnalogInputValues::end, EndNames).takenBy(kReplaySignal),
};

// [board.digital_input]: each port source takes its own keys.

constexpr std::uint32_t SourceBit(PortSource source)
{
    return 1u << static_cast<unsigned>(source);
}

struct DigitalInputValues {
    int sourceIndex = 0;   // of kPortSources
    std::int64_t value = 0;
    std::int64_t start = 0;
    std::int64_t step = 1;
    std::vector<std::uint8_t> bytes;   // of a pattern or a recording, checked
    std::string file;
    std::string column;
    int end = 0;
};

inline constexpr Key<DigitalInputValues> kDigitalInputKeys[] = {
    ChoiceKey("source", &DigitalInputValues::sourceIndex, PortSourceNames).required().at(Step::Choose),
    IntegerKey("value", &DigitalInputValues::value, 0, 255).required().takenBy(SourceBit(PortSource::Constant)),
    IntegerKey("start", &DigitalInputValues::start, 0, 255).takenBy(SourceBit(PortSource::Counter)),
    IntegerKey("step", &DigitalInputValues::step, 1, 255).takenBy(SourceBit(PortSource::Counter)),
    OwnKey<DigitalInputValues>("values").takenBy(SourceBit(PortSource::Pattern)),
    TextKey("file", &DigitalInputValues::file).required().at(Step::Recording).takenBy(SourceBit(PortSource::Replay)),
    TextKey("column", &DigitalInputValues::column).at(Step::Recording).takenBy(SourceBit(PortSource::Replay)),
    ChoiceKey("at_end", &DigitalInputValues::end, EndNames)
        .takenBy(SourceBit(PortSource::Pattern) | SourceBit(PortSource::Replay)),
};

// [[board.fault]]

struct FaultValues {
    int entry = 0;   // SimEntry
    std::int64_t atCall = 0;
    std::int64_t fromMs = 0;
    std::int64_t count = 1;   // 0: every call from then on
    std::int64_t error = 0;
};

inline constexpr Key<FaultValues> kFaultKeys[] = {
    ChoiceKey("entry", &FaultValues::entry, DriverEntryNames).required(),
    IntegerKey("at_call", &FaultValues::atCall, 1, kMaxCount),
    IntegerKey("from_ms", &FaultValues::fromMs, 0, kMaxCount),
    IntegerKey("count", &FaultValues::count, 0, kMaxCount),
    IntegerKey("error", &FaultValues::error, INT32_MIN, INT32_MAX).required(),
};

}  // namespace profile_keys
}  // namespace standin
