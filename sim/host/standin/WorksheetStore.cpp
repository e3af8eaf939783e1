// Storing the host's worksheet as a file, and placing a worksheet read
// from one (ReadWorksheet, either format).
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "HostRooms.h"
#include "sim/host/storage/WorksheetToml.h"
#include "sim/text/CodePage.h"
#include "sim/text/FileNames.h"

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
