// Writes a board profile back as the TOML file that ReadBoardProfile reads.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "BoardProfile.h"
#include "BoardProfileKeys.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
#include "torq7m/modules/ClassTable.h"

namespace standin {

namespace {

using namespace profile_keys;

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// A TOML basic string: Windows paths carry backslashes.
std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

const SignalKind& KindOf(std::uint32_t kind)
{
    for (const SignalKind& known : kSignalKinds) {
        if (known.kind == kind)
            return known;
    }
    return kSignalKinds[0];
}

bool Allows(const SignalKind& kind, std::string_view key)
{
    return Takes(kAnalogInputKeys, key, SignalBit(kind.kind));
}

std::string FlagName(const std::vector<std::string>& names, const std::uint32_t* flags, std::uint32_t mask,
                     std::uint32_t set)
{
    for (std::size_t i = 0; i < names.size(); ++i) {
        if ((set & mask) == flags[i])
            return names[i];
    }
    return names[0];
}

// The signal back in volts of its range, with only the keys its kind takes.
void FormatInput(std::string* out, const AnalogInputProfile& input, const std::string& profilePath)
{
    const InputRangeText range = RangeText(static_cast<unsigned>(input.range));
    const double voltsPerCode = (range.high - range.low) / kCodes;
    const SignalKind& kind = KindOf(input.signal.dwKind);
    *out += "\n[[board.analog_input]]\nchannel = " + std::to_string(input.channel) + "\nrange = " +
            Quoted(range.plain) + "\nsignal = " + Quoted(kind.name) + "\n";
    if (kind.kind == SIM_SIGNAL_REPLAY) {
        const std::string file = profilePath.empty() ? input.replayFile : NameFrom(profilePath, input.replayFile);
        *out += "file = " + Quoted(Cp932ToUtf8(file)) + "\ncolumn = " + Quoted(input.replayColumn) +
                "\ntime_column = " + Quoted(input.replayTimeColumn) + "\ntime_unit = " +
                Quoted(kTimeUnits[input.replayTimeUnit]) + "\ninterpolate = " +
                Quoted(FlagName(kInterpolations, kInterpolationFlags, SIM_REPLAY_LINEAR, input.replayFlags)) +
                "\nat_end = " + Quoted(FlagName(kEnds, kEndFlags, SIM_REPLAY_LOOP, input.replayFlags)) + "\n";
        return;
    }
    *out += "offset = " + Number(input.signal.dCenter * voltsPerCode + range.low) + "\n";
    if (Allows(kind, "amplitude"))
        *out += "amplitude = " + Number(input.signal.dAmplitude * voltsPerCode) + "\n";
    if (Allows(kind, "period_ms"))
        *out += "period_ms = " + Number(input.signal.dPeriodMs) + "\nphase_deg = " +
                Number(input.signal.dPhaseMs / input.signal.dPeriodMs * 360.0) + "\n";
    if (Allows(kind, "seed"))
        *out += "seed = " + std::to_string(input.signal.dwSeed) + "\n";
}

// Every port source comes down to a list of bytes; the default port (a
// single 0) says nothing.
void FormatPort(std::string* out, const DigitalInputProfile& port)
{
    if (port.loopback) {
        *out += "\n[board.digital_input]\nsource = \"loopback\"\n";
        return;
    }
    if (port.bytes == std::vector<std::uint8_t>{0x00} && !port.hold)
        return;
    *out += "\n[board.digital_input]\nsource = \"pattern\"\nvalues = [";
    for (std::size_t i = 0; i < port.bytes.size(); ++i)
        *out += (i == 0 ? "" : ", ") + std::to_string(port.bytes[i]);
    *out += "]\nat_end = " + Quoted(kEnds[port.hold ? 1 : 0]) + "\n";
}

void FormatFault(std::string* out, const FaultProfile& fault)
{
    const std::string when =
        fault.atCall > 0 ? "at_call = " + std::to_string(fault.atCall) : "from_ms = " + std::to_string(fault.fromMs);
    *out += "\n[[board.fault]]\nentry = " + Quoted(kDriverEntryNames[fault.entry]) + "\n" + when +
            "\ncount = " + std::to_string(fault.failures == 0xFFFFFFFF ? 0u : fault.failures) +
            "\nerror = " + std::to_string(fault.errorCode) + "\n";
}

void FormatBoard(std::string* out, const BoardSlotProfile& board, const std::string& profilePath)
{
    *out += "\n[[board]]\nslot = " + std::to_string(board.slot) + "\nnumber = " +
            std::to_string(board.config.dwBoardNumber) + "\nport_address = " + Hex(board.config.dwIoPortAddress) +
            "\nport_length = " + std::to_string(board.config.dwIoPortLength) + "\nswitch = " +
            std::to_string(board.config.dwSwitchValue) + "\n";
    if (board.bufferWords != 0)
        *out += "buffer_words = " + std::to_string(board.bufferWords) + "\n";
    if (board.clockLeadMs != 0.0)
        *out += "clock_lead_ms = " + Number(board.clockLeadMs) + "\n";
    if (board.clockPpm != 0.0)
        *out += "clock_ppm = " + Number(board.clockPpm) + "\n";
    for (const AnalogInputProfile& input : board.inputs)
        FormatInput(out, input, profilePath);
    FormatPort(out, board.port);
    for (const FaultProfile& fault : board.faults)
        FormatFault(out, fault);
}

}  // namespace

std::string FormatBoardProfile(const BoardProfile& profile, const std::string& profilePath)
{
    std::string out = "# Boards of the stand-in host (format described in the README).\n";
    for (const BoardSlotProfile& board : profile.boards)
        FormatBoard(&out, board, profilePath);
    return out;
}

bool WriteBoardProfile(const std::string& path, const BoardProfile& profile, std::string* error)
{
    std::ofstream out(path, std::ios::binary);
    out << FormatBoardProfile(profile, path);
    out.close();
    if (out)
        return true;
    *error = Cp932ToUtf8(path) + ": " + std::strerror(errno);
    return false;
}

std::string ProfileBeside(const std::string& worksheetPath)
{
    constexpr char kToml[] = ".toml";
    const std::size_t nameStart = NameStart(worksheetPath);
    const std::size_t dot = worksheetPath.rfind('.');
    const bool toml =
        dot != std::string::npos && dot >= nameStart && worksheetPath.compare(dot, std::string::npos, kToml) == 0;
    return (toml ? worksheetPath.substr(0, dot) : worksheetPath) + ".board.toml";
}

}  // namespace standin
