// Storing and restoring worksheets (format in StandinHost.h).
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "HostState.h"

namespace standin {

namespace {

constexpr char kMagic[] = "standin-worksheet";
constexpr int kVersion = 1;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void CopyText(char* field, std::size_t size, const std::vector<std::uint8_t>& text)
{
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

std::string ToHex(const void* bytes, std::size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    const auto* byte = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < count; ++i) {
        text += kDigits[byte[i] >> 4];
        text += kDigits[byte[i] & 15];
    }
    return text;
}

bool FromHex(const std::string& text, std::vector<std::uint8_t>* bytes)
{
    bytes->clear();
    if (text.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes->push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return true;
}

}  // namespace

bool StandinHost::saveWorksheet(const std::string& path) const
{
    std::ofstream out(path, std::ios::binary);
    if (!out)
        return false;
    char timeBase[64];
    std::snprintf(timeBase, sizeof timeBase, "%.17g %u", state_->msPerSample, state_->blockSize);
    out << kMagic << ' ' << kVersion << '\n' << "timebase " << timeBase << '\n';
    std::vector<int> ids;
    for (const HostModule* module : modules()) {
        const ModuleRecord& record = *module->record();
        ids.push_back(module->id());
        out << "module " << module->className() << ' ' << record.uiInputChannels << ' ' << record.uiOutputChannels
            << '\n'
            << "name " << ToHex(record.szName, strnlen(record.szName, kModuleNameSize)) << '\n'
            << "description " << ToHex(record.szDescription, strnlen(record.szDescription, kModuleDescriptionSize))
            << '\n'
            << "data " << ToHex(module->data(), module->dataSize()) << '\n';
    }
    const auto indexOf = [&ids](int id) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (ids[i] == id)
                return i;
        }
        return ids.size();
    };
    for (const Connection& connection : state_->connections) {
        out << "connect " << indexOf(connection.fromId) << ' ' << connection.output << ' '
            << indexOf(connection.toId) << ' ' << connection.input << '\n';
    }
    return static_cast<bool>(out);
}

bool StandinHost::loadWorksheet(const std::string& path, std::vector<HostModule*>* placed)
{
    State& s = *state_;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line != std::string(kMagic) + " " + std::to_string(kVersion))
        return false;
    std::vector<StoredModule> stored;
    std::vector<Connection> links;
    double msPerSample = s.msPerSample;
    std::uint32_t blockSize = s.blockSize;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string keyword;
        if (!(fields >> keyword) || keyword[0] == '#')
            continue;
        std::string hex;
        bool ok = true;
        if (keyword == "timebase") {
            ok = static_cast<bool>(fields >> msPerSample >> blockSize);
        } else if (keyword == "module") {
            StoredModule module;
            ok = static_cast<bool>(fields >> module.className >> module.inputs >> module.outputs);
            stored.push_back(module);
        } else if (keyword == "connect") {
            Connection link{};
            ok = static_cast<bool>(fields >> link.fromId >> link.output >> link.toId >> link.input);
            links.push_back(link);
        } else if (stored.empty()) {
            ok = false;
        } else {
            fields >> hex;
            StoredModule& module = stored.back();
            std::vector<std::uint8_t>* target = keyword == "name"          ? &module.name
                                                : keyword == "description" ? &module.description
                                                : keyword == "data"        ? &module.data
                                                                           : nullptr;
            ok = target && FromHex(hex, target);
        }
        if (!ok)
            return false;
    }
    if (!s.canPlace(stored))
        return false;
    for (const Connection& link : links) {
        if (link.fromId < 0 || link.toId < 0 || static_cast<std::size_t>(link.fromId) >= stored.size() ||
            static_cast<std::size_t>(link.toId) >= stored.size() || link.output >= kMaxOutputHandles ||
            link.input >= kMaxInputs)
            return false;
    }
    setTimeBase(msPerSample, blockSize);
    const std::vector<ModuleEntry*> entries = s.placeStored(stored);
    for (const Connection& link : links)
        connect(entries[link.fromId]->module.get(), link.output, entries[link.toId]->module.get(), link.input);
    if (placed)
        placed->clear();
    for (ModuleEntry* entry : entries) {
        s.sendToModule(entry, MODMSG_LOADED, 0, 0);
        if (placed)
            placed->push_back(entry->module.get());
    }
    return true;
}

bool StandinHost::restoreModules(const std::vector<StoredModule>& stored, std::vector<HostModule*>* placed)
{
    if (!state_->canPlace(stored))
        return false;
    if (placed)
        placed->clear();
    for (ModuleEntry* entry : state_->placeStored(stored)) {
        state_->sendToModule(entry, MODMSG_LOADED, 0, 0);
        if (placed)
            placed->push_back(entry->module.get());
    }
    return true;
}

bool StandinHost::State::canPlace(const std::vector<StoredModule>& stored) const
{
    for (const StoredModule& module : stored) {
        if (!owner->findClass(module.className) || module.outputs > kChannelStateSlots || module.inputs > kMaxInputs)
            return false;
    }
    return true;
}

std::vector<ModuleEntry*> StandinHost::State::placeStored(const std::vector<StoredModule>& stored)
{
    std::vector<ModuleEntry*> placed;
    for (const StoredModule& module : stored) {
        ModuleEntry* entry = newEntry(*owner->findClass(module.className), module.inputs, module.outputs, "");
        HostModule& placedModule = *entry->module;
        ModuleRecord& record = *placedModule.record();
        CopyText(record.szName, kModuleNameSize, module.name);
        CopyText(record.szDescription, kModuleDescriptionSize, module.description);
        if (module.data.size() != placedModule.dataSize())
            fail("the stored data of a " + module.className + " module has " + std::to_string(module.data.size()) +
                 " bytes, the class declares " + std::to_string(placedModule.dataSize()));
        std::memcpy(placedModule.data(), module.data.data(),
                    std::min<std::size_t>(module.data.size(), placedModule.dataSize()));
        placed.push_back(entry);
    }
    return placed;
}

}  // namespace standin
