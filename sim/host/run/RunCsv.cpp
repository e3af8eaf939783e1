// Naming and writing a run's CSV files: a file name per module and channel,
// no two alike (PlanFiles), then the rows as the blocks are released.
#include "RunCsv.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"
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

// The files of one module, each as its suffix after the module's name and
// its kind, channel by channel: the recorded channels, and the outputs the
// driver keeps (only with a driver).
struct Suffix {
    std::string text;
    unsigned channel;
    const char* kind;
    bool output;   // written at the end from what the driver kept
};

std::vector<Suffix> Suffixes(const HostModule& module, bool withDriver)
{
    std::vector<Suffix> suffixes;
    const std::string& cls = module.className();
    for (unsigned channel = 0; channel < module.outputs(); ++channel)
        suffixes.push_back({"-ch" + std::to_string(channel) + ".csv", channel, cls == "TORQ7DI" ? "digital" : "analog", false});
    for (unsigned channel = 0; withDriver && cls == "TORQ7DA" && channel < kDaChannels; ++channel)
        suffixes.push_back({"-codes-ch" + std::to_string(channel) + ".csv", channel, "codes", true});
    for (unsigned channel = 0; withDriver && cls == "TORQ7DO" && channel < module.inputs(); ++channel)
        suffixes.push_back({"-ch" + std::to_string(channel) + ".csv", channel, "port", true});
    return suffixes;
}

bool Taken(const std::vector<std::string>& given, const std::string& name)
{
    return std::any_of(given.begin(), given.end(), [&](const std::string& g) { return SameFileName(g, name); });
}

// Every file the run writes, recorded channels first, each in placement
// order. Names are given in placement order, and a module whose name an
// earlier module already has ("温度/1" and "温度_1", "ad" and "AD": one file
// on Windows), or one of whose files an earlier file already has ("X-codes"
// and "X" both give X-codes-ch0.csv), gets its number added until both are
// free, so no two files are ever one.
std::vector<CsvFile> PlanFiles(const StandinHost& host, const std::string& folder, bool withDriver)
{
    std::vector<std::string> bases;
    std::vector<std::string> names;
    std::vector<CsvFile> recorded;
    std::vector<CsvFile> outputs;
    for (const HostModule* module : host.modules()) {
        const std::vector<Suffix> suffixes = Suffixes(*module, withDriver);
        const auto clashes = [&](const std::string& base) {
            return Taken(bases, base) ||
                   std::any_of(suffixes.begin(), suffixes.end(), [&](const Suffix& s) { return Taken(names, base + s.text); });
        };
        std::string base = PlainFileName(*module);
        while (clashes(base))
            base += "_" + std::to_string(module->id());
        bases.push_back(base);
        for (const Suffix& suffix : suffixes) {
            names.push_back(base + suffix.text);
            (suffix.output ? outputs : recorded)
                .push_back({module->id(), suffix.channel, suffix.kind, suffix.output, folder + "/" + names.back()});
        }
    }
    recorded.insert(recorded.end(), outputs.begin(), outputs.end());
    return recorded;
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
std::string Manifest(const CsvFile& file, const HostModule& module)
{
    return ManifestField(file.path.substr(NameStart(file.path))) + "\t" + file.kind + "\t" +
           ManifestField(module.name()) + "\n";
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

// Whether the file can be written, found without changing it: opened to
// append, which keeps what it holds. One that was not there stays, empty,
// in csv->made.
bool CanWrite(RunCsv* csv, const std::string& path)
{
    if (IsFolder(path)) {
        errno = EISDIR;
        return Failed(csv, path);
    }
    const bool existed = FileExists(path);
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (!file)
        return Failed(csv, path);
    std::fclose(file);
    if (!existed)
        csv->made.push_back(path);
    return true;
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

bool OpenRunCsv(StandinHost& host, const std::string& folder, RunCsv* csv)
{
    csv->folder = folder;
    if (!MakeFolders(folder))
        return Failed(csv, folder);
    csv->heldEarlierRun = GetFileAttributesA((folder + "/channels.tsv").c_str()) != INVALID_FILE_ATTRIBUTES;
    csv->files = PlanFiles(host, folder, host.driver() != nullptr);
    bool writable = true;
    for (std::size_t i = 0; writable && i < csv->files.size(); ++i)
        writable = CanWrite(csv, csv->files[i].path);
    writable = writable && CanWrite(csv, folder + "/channels.tsv");
    if (!writable)
        AbandonRunCsv(csv);
    return writable;
}

void AbandonRunCsv(RunCsv* csv)
{
    for (const std::string& path : csv->made)
        DeleteFileA(path.c_str());
    csv->made.clear();
    csv->files.clear();
}

bool StartRunCsv(const StandinHost& host, RunCsv* csv)
{
    for (CsvFile& file : csv->files) {
        const HostModule* module = host.findModule(file.moduleId);
        if (file.output || !module)
            continue;
        file.file = OpenFile(csv, file.path);
        if (!file.file)
            return false;
        std::fprintf(file.file, "time_s,%s\n", HeaderCell(ChannelName(*module, file.channel)).c_str());
    }
    return true;
}

void WriteCsvBlock(RunCsv& csv, const HostModule& module, unsigned channel, const BlockView& block)
{
    for (CsvFile& file : csv.files) {
        if (!file.file || file.moduleId != module.id() || file.channel != channel)
            continue;
        for (std::uint32_t j = 0; j < block.count; ++j)
            std::fprintf(file.file, "%.6f,%.6f\n", block.startTime + j * block.sampleDistance, block.samples[j]);
    }
}

namespace {

// The codes an analog output received, one per driver call.
void WriteCodes(SimTorq7Control& driver, const HostModule& module, unsigned channel, std::FILE* file)
{
    std::uint32_t first = 0;
    const std::vector<std::uint16_t> codes = OutputCodes(driver, BoardOf(module), channel, &first);
    for (std::size_t i = 0; i < codes.size(); ++i)
        std::fprintf(file, "%zu,%u\n", first + i, codes[i]);
}

// A line of the digital output port after every write, as the board saw
// it: the module writes the port once per line and sample.
void WritePortLine(SimTorq7Control& driver, const HostModule& module, unsigned channel, std::FILE* file)
{
    const std::uint32_t total = driver.SimTorq7_GetOutPortHistory(BoardOf(module), nullptr, 0);
    std::vector<std::uint8_t> bytes(std::min(total, kDriverKeepsCodes));
    driver.SimTorq7_GetOutPortHistory(BoardOf(module), bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    const std::uint32_t first = total - static_cast<std::uint32_t>(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i)
        std::fprintf(file, "%zu,%d\n", first + i, (bytes[i] >> channel & 1) ? 5 : 0);
}

bool WriteOutput(SimTorq7Control& driver, const HostModule& module, const CsvFile& planned, RunCsv* csv)
{
    std::FILE* file = OpenFile(csv, planned.path);
    if (!file)
        return false;
    std::fprintf(file, "index,%s\n", HeaderCell(ChannelName(module, planned.channel)).c_str());
    if (module.className() == "TORQ7DA")
        WriteCodes(driver, module, planned.channel, file);
    else
        WritePortLine(driver, module, planned.channel, file);
    return CloseFile(csv, file, planned.path);
}

}  // namespace

bool CloseRunCsv(StandinHost& host, RunCsv* csv)
{
    bool written = true;
    std::string manifest;
    for (CsvFile& file : csv->files) {
        const HostModule* module = host.findModule(file.moduleId);
        if (file.file) {
            written &= CloseFile(csv, file.file, file.path);
            file.file = nullptr;
        } else if (module && host.driver()) {
            written &= WriteOutput(*host.driver(), *module, file, csv);
        }
        if (module)
            manifest += Manifest(file, *module);
    }
    csv->made.clear();
    const std::string path = csv->folder + "/channels.tsv";
    std::FILE* file = OpenFile(csv, path);
    if (!file)
        return false;
    std::fputs(manifest.c_str(), file);
    return CloseFile(csv, file, path) && written;
}

bool WriteRunCsv(StandinHost& host, const std::string& folder)
{
    RunCsv csv;
    if (!OpenRunCsv(host, folder, &csv) || !StartRunCsv(host, &csv))
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
