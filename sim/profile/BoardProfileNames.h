// The names a board profile gives signals, port sources, replay options and ranges, for its reader and formatter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/control/SimTorq7Control.h"

namespace standin {
namespace profile_names {

// Codes of the board's 12-bit converter over an input range.
constexpr double kCodes = 4096.0;

// What a channel's signal may say, per kind.

inline constexpr std::string_view kConstantKeys[] = {"channel", "range", "signal", "offset"};
inline constexpr std::string_view kPeriodicKeys[] = {"channel", "range", "signal", "offset", "amplitude", "period_ms",
                                              "phase_deg"};
inline constexpr std::string_view kNoiseKeys[] = {"channel", "range", "signal", "offset", "amplitude", "seed"};
inline constexpr std::string_view kReplayKeys[] = {"channel", "range",       "signal",    "file",
                                            "column",  "time_column", "time_unit", "interpolate", "at_end"};

struct KeySet {
    const std::string_view* keys;
    std::size_t count;
};

template <std::size_t N>
constexpr KeySet Keys(const std::string_view (&keys)[N])
{
    return {keys, N};
}

struct SignalKind {
    const char* name;
    SimSignalKind kind;
    KeySet keys;
};

inline constexpr SignalKind kSignalKinds[] = {
    {"constant", SIM_SIGNAL_CONSTANT, Keys(kConstantKeys)}, {"sine", SIM_SIGNAL_SINE, Keys(kPeriodicKeys)},
    {"square", SIM_SIGNAL_SQUARE, Keys(kPeriodicKeys)},     {"ramp", SIM_SIGNAL_RAMP, Keys(kPeriodicKeys)},
    {"triangle", SIM_SIGNAL_TRIANGLE, Keys(kPeriodicKeys)}, {"noise", SIM_SIGNAL_NOISE, Keys(kNoiseKeys)},
    {"replay", SIM_SIGNAL_REPLAY, Keys(kReplayKeys)},
};

// What the digital input port may say, per source.

inline constexpr std::string_view kPortConstantKeys[] = {"source", "value"};
inline constexpr std::string_view kPortCounterKeys[] = {"source", "start", "step"};
inline constexpr std::string_view kPortPatternKeys[] = {"source", "values", "at_end"};
inline constexpr std::string_view kPortLoopbackKeys[] = {"source"};
inline constexpr std::string_view kPortReplayKeys[] = {"source", "file", "column", "at_end"};

enum class PortSource { Constant, Counter, Pattern, Loopback, Replay };

struct PortSourceKind {
    const char* name;
    PortSource source;
    KeySet keys;
};

inline constexpr PortSourceKind kPortSources[] = {
    {"constant", PortSource::Constant, Keys(kPortConstantKeys)},
    {"counter", PortSource::Counter, Keys(kPortCounterKeys)},
    {"pattern", PortSource::Pattern, Keys(kPortPatternKeys)},
    {"loopback", PortSource::Loopback, Keys(kPortLoopbackKeys)},
    {"replay", PortSource::Replay, Keys(kPortReplayKeys)},
};

inline const std::vector<std::string> kInterpolations = {"hold", "linear"};
inline constexpr std::uint32_t kInterpolationFlags[] = {0, SIM_REPLAY_LINEAR};
inline const std::vector<std::string> kEnds = {"loop", "hold"};
inline constexpr std::uint32_t kEndFlags[] = {SIM_REPLAY_LOOP, 0};
inline const std::vector<std::string> kTimeUnits = {"s", "ms"};
inline constexpr double kMsPerUnit[] = {1000.0, 1.0};

template <typename Kind, std::size_t N>
std::vector<std::string> NamesOf(const Kind (&kinds)[N])
{
    std::vector<std::string> names;
    for (const Kind& kind : kinds)
        names.push_back(kind.name);
    return names;
}

// An input range of the analog input class as a profile names it.
struct InputRangeText {
    const char* label;   // as the settings dialog lists it (code page 932)
    std::string plain;   // the same in ASCII, for files typed by hand: "0..5V", "-2.5..2.5V"
    double low;
    double high;
};

InputRangeText RangeText(unsigned index);

// Both spellings of every range: its label (UTF-8) and its plain form; the
// range of choice i is i / 2.
std::vector<std::string> RangeChoices();

std::vector<std::string> DriverEntryNames();

}  // namespace profile_names
}  // namespace standin
