// Storing and restoring worksheets: TOML (WorksheetToml.h), and the earlier
// hexadecimal files, which are still read.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "CodePage.h"
#include "FileNames.h"
#include "HexText.h"
#include "HostRooms.h"
#include "WorksheetToml.h"

namespace standin {

namespace {

void CopyText(char* field, std::size_t size, const std::string& text)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

bool Refuse(std::string* error, const std::string& what)
{
    if (error)
        *error = what;
    return false;
}

// The time base of a timebase line, checked as the TOML worksheet's is.
bool ReadTimeBase(std::istringstream& fields, StoredWorksheet* worksheet, std::string* problem)
{
    double blockSize = 0.0;
    std::string rest;
    if (!(fields >> worksheet->msPerSample >> blockSize) || (fields >> rest))
        return false;
    std::ostringstream range;
    if (!(worksheet->msPerSample >= kLowestMsPerSample && worksheet->msPerSample <= kHighestMsPerSample))
        range << "milliseconds per sample " << worksheet->msPerSample << ", outside " << kLowestMsPerSample << ".."
              << kHighestMsPerSample;
    else if (!(blockSize >= 1 && blockSize <= kLargestBlock) || blockSize != std::floor(blockSize))
        range << "block size " << blockSize << ", outside the whole numbers 1.." << kLargestBlock;
    *problem = range.str();
    worksheet->blockSize = problem->empty() ? static_cast<std::uint32_t>(blockSize) : 0;
    worksheet->hasTimeBase = problem->empty();
    return problem->empty();
}

// The earlier format: plain text, one item per line, fields separated by
// single spaces, '#' lines are comments:
//   standin-worksheet 1
//   timebase <milliseconds per sample> <samples per block>
//   module <class name> <input count> <output count>
//   name <hex bytes>          the module's name (code page 932 bytes)
//   description <hex bytes>   its description
//   data <hex bytes>          its whole ModuleData block
//   connect <from module> <output channel> <to module> <input channel>
// name, description and data belong to the module line above them;
// modules are numbered from 0 in the order of their module lines.
bool ReadHexWorksheet(const std::string& path, StoredWorksheet* worksheet, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    int number = 1;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string keyword;
        if (!(fields >> keyword) || keyword[0] == '#')
            continue;
        std::string hex;
        std::vector<std::uint8_t> bytes;
        bool ok = true;
        std::string problem;
        if (keyword == "timebase") {
            ok = ReadTimeBase(fields, worksheet, &problem);
        } else if (keyword == "module") {
            StoredModule module;
            ok = static_cast<bool>(fields >> module.className >> module.inputs >> module.outputs);
            worksheet->modules.push_back(module);
        } else if (keyword == "connect") {
            StoredConnection link{};
            ok = static_cast<bool>(fields >> link.from >> link.output >> link.to >> link.input);
            worksheet->connections.push_back(link);
        } else if (worksheet->modules.empty()) {
            ok = false;
        } else {
            fields >> hex;
            StoredModule& module = worksheet->modules.back();
            ok = FromHex(hex, &bytes);
            if (keyword == "name")
                module.name.assign(bytes.begin(), bytes.end());
            else if (keyword == "description")
                module.description.assign(bytes.begin(), bytes.end());
            else if (keyword == "data")
                module.data = bytes;
            else
                ok = false;
        }
        if (!ok)
            return Refuse(error, Cp932ToUtf8(path) + ":" + std::to_string(number) + ": " +
                                     (problem.empty() ? "cannot be read: " + line : problem));
    }
    return true;
}

// Whether every stored module's class is registered and its counts fit.
bool CanPlace(const StandinHost& host, const std::vector<StoredModule>& stored)
{
    for (const StoredModule& module : stored) {
        if (!host.findClass(module.className) || module.outputs > kChannelStateSlots || module.inputs > kMaxInputs)
            return false;
    }
    return true;
}

// Places the stored modules with their data (no message sent); fewer when
// the host's memory has no room left.
std::vector<ModuleEntry*> PlaceStored(const StandinHost& host, HostWorksheet& sheet, CallLog& log,
                                      const std::vector<StoredModule>& stored)
{
    std::vector<ModuleEntry*> placed;
    for (const StoredModule& module : stored) {
        ModuleEntry* entry = sheet.place(*host.findClass(module.className), module.inputs, module.outputs, "");
        if (!entry) {
            log.fail("no host memory left for a " + module.className + " module");
            break;
        }
        HostModule& placedModule = *entry->module;
        ModuleRecord& record = *placedModule.record();
        CopyText(record.szName, kModuleNameSize, module.name);
        CopyText(record.szDescription, kModuleDescriptionSize, module.description);
        if (module.data.size() != placedModule.dataSize())
            log.fail("the stored data of a " + module.className + " module has " + std::to_string(module.data.size()) +
                     " bytes, the class declares " + std::to_string(placedModule.dataSize()));
        std::memcpy(placedModule.data(), module.data.data(),
                    std::min<std::size_t>(module.data.size(), placedModule.dataSize()));
        placed.push_back(entry);
    }
    return placed;
}

}  // namespace

bool StandinHost::saveWorksheet(const std::string& path, std::string* error) const
{
    StoredWorksheet worksheet;
    worksheet.hasTimeBase = true;
    worksheet.msPerSample = rooms_->measurement.msPerSample;
    worksheet.blockSize = rooms_->measurement.blockSize;
    std::vector<int> ids;
    for (const HostModule* module : modules()) {
        const ModuleRecord& record = *module->record();
        ids.push_back(module->id());
        const auto* data = static_cast<const std::uint8_t*>(module->data());
        worksheet.modules.push_back({module->className(), record.uiInputChannels, record.uiOutputChannels,
                                     std::string(record.szName, strnlen(record.szName, kModuleNameSize)),
                                     std::string(record.szDescription, strnlen(record.szDescription, kModuleDescriptionSize)),
                                     std::vector<std::uint8_t>(data, data + module->dataSize())});
    }
    const auto indexOf = [&ids](int id) {
        return static_cast<std::size_t>(std::find(ids.begin(), ids.end(), id) - ids.begin());
    };
    for (const Connection& connection : rooms_->worksheet.connections())
        worksheet.connections.push_back(
            {indexOf(connection.fromId), connection.output, indexOf(connection.toId), connection.input});
    if (IsFolder(path))
        return Refuse(error, Cp932ToUtf8(path) + ": is a folder: name the worksheet's file");
    // Folders that do not exist yet are made, as --csv makes its folder.
    const std::size_t name = NameStart(path);
    if (name > 1 && !MakeFolders(path.substr(0, name - 1)))
        return Refuse(error, Cp932ToUtf8(path) + ": " + std::strerror(errno));
    std::ofstream out(path, std::ios::binary);
    out << FormatWorksheetToml(worksheet);
    out.close();
    return out ? true : Refuse(error, Cp932ToUtf8(path) + ": " + std::strerror(errno));
}

bool ReadWorksheet(const std::string& path, StoredWorksheet* worksheet, std::string* error)
{
    std::string first;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return Refuse(error, CannotOpen(path));
        std::getline(in, first);
    }
    if (!first.empty() && first.back() == '\r')
        first.pop_back();
    return first == kHexWorksheetMagic ? ReadHexWorksheet(path, worksheet, error)
                                       : ReadWorksheetToml(path, worksheet, error);
}

bool StandinHost::loadWorksheet(const std::string& path, std::vector<HostModule*>* placed, std::string* error)
{
    StoredWorksheet worksheet;
    std::string problem;
    if (!ReadWorksheet(path, &worksheet, &problem))
        return Refuse(error, problem);
    return placeWorksheet(worksheet, path, placed, error);
}

bool StandinHost::placeWorksheet(const StoredWorksheet& worksheet, const std::string& path,
                                 std::vector<HostModule*>* placed, std::string* error)
{
    for (const StoredModule& module : worksheet.modules) {
        if (!findClass(module.className))
            return Refuse(error, Cp932ToUtf8(path) + ": the class " + module.className + " is not registered");
        if (module.outputs > kChannelStateSlots || module.inputs > kMaxInputs)
            return Refuse(error, Cp932ToUtf8(path) + ": a " + module.className + " module with too many channels");
    }
    for (const StoredConnection& link : worksheet.connections) {
        if (link.from >= worksheet.modules.size() || link.to >= worksheet.modules.size() ||
            link.output >= kMaxOutputHandles || link.input >= kMaxInputs)
            return Refuse(error, Cp932ToUtf8(path) + ": a connection between modules or channels that do not exist");
    }
    if (worksheet.hasTimeBase)
        setTimeBase(worksheet.msPerSample, worksheet.blockSize);
    std::vector<HostModule*> restored;
    for (ModuleEntry* entry : PlaceStored(*this, rooms_->worksheet, rooms_->log, worksheet.modules))
        restored.push_back(entry->module.get());
    if (restored.size() < worksheet.modules.size())
        return Refuse(error, Cp932ToUtf8(path) + ": the host has no memory left for its modules");
    for (const StoredConnection& link : worksheet.connections)
        connect(restored[link.from], link.output, restored[link.to], link.input);
    for (HostModule* module : restored)
        rooms_->worksheet.send(rooms_->worksheet.entryOf(module), MODMSG_LOADED, 0, 0);
    if (placed)
        *placed = restored;
    return true;
}

bool StandinHost::restoreModules(const std::vector<StoredModule>& stored, std::vector<HostModule*>* placed)
{
    if (!CanPlace(*this, stored))
        return false;
    if (placed)
        placed->clear();
    for (ModuleEntry* entry : PlaceStored(*this, rooms_->worksheet, rooms_->log, stored)) {
        rooms_->worksheet.send(entry, MODMSG_LOADED, 0, 0);
        if (placed)
            placed->push_back(entry->module.get());
    }
    return true;
}

}  // namespace standin
