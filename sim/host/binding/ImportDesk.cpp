// The import desk: the host objects handed out through the symbol import,
// and the answers a test chose.
#include "ImportDesk.h"

#include <cstring>

#include "HostArena.h"
#include "HostBitmaps.h"
#include "HostNames.h"

namespace standin {

// Address of the host function behind a name of kHostFunctionNames, or of a
// trap that reports the call (HostFunctionTable.cpp).
std::uintptr_t HostFunctionAddress(std::size_t index);

namespace {

constexpr std::size_t kHostAreaSize = 64;
constexpr std::uint32_t kDefaultActionMark = 0x7F000000;

}  // namespace

ImportDesk::ImportDesk(HINSTANCE instance, HMENU mainMenu)
{
    createHostObjects(instance, mainMenu);
}

ImportDesk::~ImportDesk()
{
    for (HGDIOBJ object : gdiObjects_)
        DeleteObject(object);
    for (void* block : hostAreas_)
        ArenaFree(block);
}

void ImportDesk::createHostObjects(HINSTANCE instance, HMENU mainMenu)
{
    const auto text = [this](const char* value) {
        const std::size_t size = std::strlen(value) + 1;
        void* copy = ArenaAllocate(size);
        std::memcpy(copy, value, size);
        hostAreas_.push_back(copy);
        return reinterpret_cast<std::uintptr_t>(copy);
    };
    const auto area = [this](std::size_t size) {
        void* block = ArenaAllocate(size);
        hostAreas_.push_back(block);
        return block;
    };
    const auto bitmaps = [this, &area](HBITMAP (*make)(unsigned state), unsigned count) {
        auto* handles = static_cast<HostAddr32*>(area(sizeof(HostAddr32) * count));
        for (unsigned state = 0; state < count; ++state) {
            HBITMAP bitmap = make(state);
            gdiObjects_.push_back(bitmap);
            handles[state] = HandleToHost32(bitmap);
        }
        return reinterpret_cast<std::uintptr_t>(handles);
    };
    const auto gdi = [this](HGDIOBJ object) {
        gdiObjects_.push_back(object);
        return static_cast<std::uintptr_t>(HandleToHost32(object));
    };
    for (const HostVariableName& variable : kHostVariables) {
        std::uintptr_t value = 0;
        switch (variable.kind) {
        case VariableKind::Value: value = variable.value; break;
        case VariableKind::Area: value = reinterpret_cast<std::uintptr_t>(area(kHostAreaSize)); break;
        case VariableKind::Text: value = text(variable.text); break;
        case VariableKind::Instance: value = HandleToHost32(instance); break;
        case VariableKind::MainMenu: value = HandleToHost32(mainMenu); break;
        case VariableKind::ChannelBitmaps:
            value = bitmaps(MakeChannelBitmap, kChannelBitmapStates);
            break;
        case VariableKind::LessMoreBitmaps:
            value = bitmaps(MakeLessMoreBitmap, kLessMoreBitmapStates);
            break;
        case VariableKind::CurrentModulePtr:
            currentModulePtr_ = static_cast<HostAddr32*>(area(sizeof(HostAddr32)));
            value = reinterpret_cast<std::uintptr_t>(currentModulePtr_);
            break;
        case VariableKind::Pen: value = gdi(CreatePen(PS_SOLID, 1, variable.value)); break;
        case VariableKind::Brush: value = gdi(CreateSolidBrush(variable.value)); break;
        }
        variableValues_.push_back(value);
    }
}

std::uintptr_t ImportDesk::answer(unsigned message, const std::string& name) const
{
    std::uintptr_t answer = 0;
    std::lock_guard<std::mutex> lock(mutex_);
    if (message == kMsgImportVariable) {
        for (std::size_t i = 0; i < kHostVariableCount; ++i) {
            if (name == kHostVariables[i].name)
                answer = variableValues_[i];
        }
        const auto chosen = variableOverrides_.find(name);
        if (chosen != variableOverrides_.end())
            answer = chosen->second;
    } else {
        for (std::size_t i = 0; i < kHostFunctionCount; ++i) {
            if (name == kHostFunctionNames[i])
                answer = HostFunctionAddress(i);
        }
        const auto chosen = functionOverrides_.find(name);
        if (chosen != functionOverrides_.end())
            answer = chosen->second;
    }
    return answer;
}

void ImportDesk::overrideVariable(const std::string& name, std::uint32_t value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    variableOverrides_[name] = value;
}

void ImportDesk::overrideFunction(const std::string& name, std::uintptr_t address)
{
    std::lock_guard<std::mutex> lock(mutex_);
    functionOverrides_[name] = address;
}

void ImportDesk::setDefineDllModuleResult(std::uint32_t result)
{
    std::lock_guard<std::mutex> lock(mutex_);
    defineModuleResult_ = result;
}

void ImportDesk::setDefineDllVariableResult(std::size_t callIndex, std::uint32_t result)
{
    std::lock_guard<std::mutex> lock(mutex_);
    defineVariableResults_[callIndex] = result;
}

void ImportDesk::setDefaultActionResult(std::optional<std::uint32_t> result)
{
    std::lock_guard<std::mutex> lock(mutex_);
    defaultActionResult_ = result;
}

void ImportDesk::setAllocationFilter(std::function<bool(std::uint32_t, const std::string&, std::int32_t)> filter)
{
    std::lock_guard<std::mutex> lock(mutex_);
    allocationFilter_ = std::move(filter);
}

std::uint32_t ImportDesk::defineDllModuleResult() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return defineModuleResult_;
}

std::uint32_t ImportDesk::defineDllVariableResult(std::size_t callIndex) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto chosen = defineVariableResults_.find(callIndex);
    return chosen != defineVariableResults_.end() ? chosen->second : 1;
}

std::uint32_t ImportDesk::defaultActionResult(std::uint32_t message) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return defaultActionResult_.value_or(kDefaultActionMark | message);
}

bool ImportDesk::allowsAllocation(std::uint32_t size, const std::string& file, std::int32_t line) const
{
    // The filter runs without the lock: a test's filter may take its own.
    std::function<bool(std::uint32_t, const std::string&, std::int32_t)> filter;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        filter = allocationFilter_;
    }
    return !filter || filter(size, file, line);
}

}  // namespace standin
