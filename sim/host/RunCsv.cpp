// Writing a run's recorded channels as CSV files.
#include "RunCsv.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CodePage.h"
#include "FileNames.h"
#include "torq7m/modules/ClassTable.h"

namespace standin {

namespace {

// The module's name as a file name: letters, digits, '-', '_' and Japanese
// characters as they are; anything else, which a file name may not hold or
// a script would trip over, as '_'.
std::string PlainFileName(const HostModule& module)
{
    std::string name = module.name();
    for (std::size_t at = 0; at < name.size(); ++at) {
        const auto c = static_cast<unsigned char>(name[at]);
        if (IsDBCSLeadByte(c) && at + 1 < name.size())
            ++at;
        else if (c < 0x80 ? !std::isalnum(c) && c != '-' && c != '_' : IsDBCSLeadByte(c))
            name[at] = '_';
    }
    return name.empty() ? "module" + std::to_string(module.id()) : name;
}

// The module's files' name. Names are given in placement order, and one that
// an earlier module already has ("温度/1" and "温度_1", "ad" and "AD": one
// file on Windows) gets the module's number added until it is free, so no
// two modules ever write into one file.
std::string FileName(const StandinHost& host, const HostModule& module)
{
    std::vector<std::string> given;
    for (const HostModule* each : host.modules()) {
        std::string name = PlainFileName(*each);
        while (std::any_of(given.begin(), given.end(), [&](const std::string& g) { return SameFileName(g, name); }))
            name += "_" + std::to_string(each->id());
        if (each == &module)
            return name;
        given.push_back(name);
    }
    return PlainFileName(module);
}

// A field of channels.tsv: a tab or line end would split it.
std::string ManifestField(const std::string& cp932)
{
    std::string text = Cp932ToUtf8(cp932);
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

// A header cell: commas and quotes would split or end it.
std::string HeaderCell(std::string name)
{
    for (char& c : name) {
        if (c == ',' || c == '"')
            c = '_';
    }
    return name.empty() ? "value" : name;
}

// One line of channels.tsv: the file's name in the folder, its kind and
// its module's name.
std::string Manifest(const std::string& path, const char* kind, const HostModule& module)
{
    return ManifestField(path.substr(NameStart(path))) + "\t" + kind + "\t" + ManifestField(module.name()) + "\n";
}

bool Failed(RunCsv* csv, const std::string& path)
{
    if (csv->error.empty())
        csv->error = Cp932ToUtf8(path) + ": " + std::strerror(errno);
    return false;
}

std::FILE* OpenFile(RunCsv* csv, const std::string& path)
{
    // Binary: the same bytes (LF line ends) on every system.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        Failed(csv, path);
    return file;
}

bool CloseFile(RunCsv* csv, std::FILE* file, const std::string& path)
{
    const bool written = !std::ferror(file);
    return std::fclose(file) == 0 && written ? true : Failed(csv, path);
}

}  // namespace

std::vector<std::uint16_t> OutputCodes(SimTorq7Control& driver, std::uint32_t board, std::uint32_t channel,
                                       std::uint32_t* first)
{
    const std::uint32_t total = driver.SimTorq7_GetOutputCodes(board, channel, nullptr, 0);
    std::vector<std::uint16_t> codes(std::min(total, kDriverKeepsCodes));
    driver.SimTorq7_GetOutputCodes(board, channel, codes.data(), static_cast<std::uint32_t>(codes.size()));
    if (first)
        *first = total - static_cast<std::uint32_t>(codes.size());
    return codes;
}

std::uint32_t BoardOf(const std::string& className, const void* data)
{
    const ClassDescription* row = FindClass(className.c_str());
    std::uint16_t board = 0;
    if (row && data)
        std::memcpy(&board, static_cast<const char*>(data) + row->boardOffset, sizeof board);
    return board;
}

std::uint32_t BoardOf(const HostModule& module)
{
    return BoardOf(module.className(), module.data());
}

std::string ChannelName(const HostModule& module, unsigned channel)
{
    // Every class's settings block begins with the channel names.
    const char* name = static_cast<const char*>(module.data()) + channel * kChannelNameSize;
    if ((channel + 1) * kChannelNameSize > module.dataSize())
        return "ch" + std::to_string(channel);
    return Cp932ToUtf8(std::string(name, strnlen(name, kChannelNameSize)));
}

bool OpenRunCsv(const StandinHost& host, const std::string& folder, RunCsv* csv)
{
    csv->folder = folder;
    if (!MakeFolders(folder))
        return Failed(csv, folder);
    csv->heldEarlierRun = GetFileAttributesA((folder + "/channels.tsv").c_str()) != INVALID_FILE_ATTRIBUTES;
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            ChannelCsv file{module->id(), channel,
                            folder + "/" + FileName(host, *module) + "-ch" + std::to_string(channel) + ".csv", nullptr};
            file.file = OpenFile(csv, file.path);
            if (!file.file) {
                for (const ChannelCsv& opened : csv->channels)
                    std::fclose(opened.file);
                csv->channels.clear();
                return false;
            }
            std::fprintf(file.file, "time_s,%s\n", HeaderCell(ChannelName(*module, channel)).c_str());
            csv->channels.push_back(file);
            csv->manifest += Manifest(file.path, module->className() == "TORQ7DI" ? "digital" : "analog", *module);
        }
    }
    return true;
}

void WriteCsvBlock(RunCsv& csv, const HostModule& module, unsigned channel, const BlockView& block)
{
    for (ChannelCsv& file : csv.channels) {
        if (file.moduleId != module.id() || file.channel != channel)
            continue;
        for (std::uint32_t j = 0; j < block.count; ++j)
            std::fprintf(file.file, "%.6f,%.6f\n", block.startTime + j * block.sampleDistance, block.samples[j]);
    }
}

namespace {

// The codes each analog output received, one per driver call.
bool WriteAnalogOutputs(SimTorq7Control& driver, const StandinHost& host, const HostModule& module, RunCsv* csv)
{
    for (std::uint32_t channel = 0; channel < kDaChannels; ++channel) {
        std::uint32_t first = 0;
        const std::vector<std::uint16_t> codes = OutputCodes(driver, BoardOf(module), channel, &first);
        const std::string path = csv->folder + "/" + FileName(host, module) + "-codes-ch" + std::to_string(channel) + ".csv";
        std::FILE* file = OpenFile(csv, path);
        if (!file)
            return false;
        std::fprintf(file, "index,%s\n", HeaderCell(ChannelName(module, channel)).c_str());
        for (std::size_t i = 0; i < codes.size(); ++i)
            std::fprintf(file, "%zu,%u\n", first + i, codes[i]);
        csv->manifest += Manifest(path, "codes", module);
        if (!CloseFile(csv, file, path))
            return false;
    }
    return true;
}

// Each line of the digital output port after every write, as the board saw
// it: the module writes the port once per line and sample.
bool WriteDigitalOutputs(SimTorq7Control& driver, const StandinHost& host, const HostModule& module, RunCsv* csv)
{
    const std::uint32_t total = driver.SimTorq7_GetOutPortHistory(BoardOf(module), nullptr, 0);
    std::vector<std::uint8_t> bytes(std::min(total, kDriverKeepsCodes));
    driver.SimTorq7_GetOutPortHistory(BoardOf(module), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    const std::uint32_t first = total - static_cast<std::uint32_t>(bytes.size());
    for (unsigned channel = 0; channel < module.inputs(); ++channel) {
        const std::string path = csv->folder + "/" + FileName(host, module) + "-ch" + std::to_string(channel) + ".csv";
        std::FILE* file = OpenFile(csv, path);
        if (!file)
            return false;
        std::fprintf(file, "index,%s\n", HeaderCell(ChannelName(module, channel)).c_str());
        for (std::size_t i = 0; i < bytes.size(); ++i)
            std::fprintf(file, "%zu,%d\n", first + i, (bytes[i] >> channel & 1) ? 5 : 0);
        csv->manifest += Manifest(path, "port", module);
        if (!CloseFile(csv, file, path))
            return false;
    }
    return true;
}

}  // namespace

bool CloseRunCsv(StandinHost& host, RunCsv* csv)
{
    bool written = true;
    for (ChannelCsv& file : csv->channels)
        written &= CloseFile(csv, file.file, file.path);
    csv->channels.clear();
    if (SimTorq7Control* driver = host.driver()) {
        for (const HostModule* module : host.modules()) {
            if (module->className() == "TORQ7DA")
                written &= WriteAnalogOutputs(*driver, host, *module, csv);
            else if (module->className() == "TORQ7DO")
                written &= WriteDigitalOutputs(*driver, host, *module, csv);
        }
    }
    const std::string path = csv->folder + "/channels.tsv";
    std::FILE* file = OpenFile(csv, path);
    if (!file)
        return false;
    std::fputs(csv->manifest.c_str(), file);
    return CloseFile(csv, file, path) && written;
}

bool WriteRunCsv(StandinHost& host, const std::string& folder)
{
    RunCsv csv;
    if (!OpenRunCsv(host, folder, &csv))
        return false;
    for (const HostModule* module : host.modules()) {
        for (unsigned channel = 0; channel < module->outputs(); ++channel) {
            for (const ReleasedBlock& block : host.releasedBlocks(module, channel))
                WriteCsvBlock(csv, *module, channel,
                              {block.startTime, block.sampleDistance, static_cast<std::uint32_t>(block.samples.size()),
                               block.samples.data()});
        }
    }
    return CloseRunCsv(host, &csv);
}

}  // namespace standin
