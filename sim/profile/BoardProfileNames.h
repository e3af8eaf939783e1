// The names a board profile gives signals, port sources, replay options and ranges, for its reader and formatter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/control/SimTorq7Control.h"

namespace standin {
namespace profile_names {

// Codes of the board's 12-bit converter over an input range.
constexpr double kCodes = 4096.0;

// A channel's signal kinds; the keys each takes are in BoardProfileKeys.h.

struct SignalKind {
    const char* name;
    SimSignalKind kind;
};

inline constexpr SignalKind kSignalKinds[] = {
    {"constant", SIM_SIGNAL_CONSTANT}, {"sine", SIM_SIGNAL_SINE},   {"square", SIM_SIGNAL_SQUARE},
    {"ramp", SIM_SIGNAL_RAMP},         {"triangle", SIM_SIGNAL_TRIANGLE},
    {"noise", SIM_SIGNAL_NOISE},       {"replay", SIM_SIGNAL_REPLAY},
};

// The digital input port's sources; the keys each takes are in BoardProfileKeys.h.

enum class PortSource { Constant, Counter, Pattern, Loopback, Replay };

struct PortSourceKind {
    const char* name;
    PortSource source;
};

inline constexpr PortSourceKind kPortSources[] = {
    {"constant", PortSource::Constant}, {"counter", PortSource::Counter}, {"pattern", PortSource::Pattern},
    {"loopback", PortSource::Loopback}, {"replay", PortSource::Replay},
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
