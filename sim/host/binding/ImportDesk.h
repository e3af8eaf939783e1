// The import desk: what the host answers to the library's symbol import
// (the host objects behind the variable names, the functions behind the
// function names) and the answers a test chose instead, for the import and
// for the host functions that answer with a plain value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "torq7m/host/HostRecords.h"

namespace standin {

class ImportDesk {
public:
    ImportDesk(HINSTANCE instance, HMENU mainMenu);
    ~ImportDesk();
    ImportDesk(const ImportDesk&) = delete;
    ImportDesk& operator=(const ImportDesk&) = delete;

    // The answer to message 30000 (variable) or 30001 (function); 0 for a
    // name the host does not know.
    std::uintptr_t answer(unsigned message, const std::string& name) const;
    // The host variable that holds the current module's record.
    HostAddr32* currentModulePtr() const { return currentModulePtr_; }

    // What a test chose, before setup.
    void overrideVariable(const std::string& name, std::uint32_t value);
    void overrideFunction(const std::string& name, std::uintptr_t address);
    void setDefineDllModuleResult(std::uint32_t result);
    void setDefineDllVariableResult(std::size_t callIndex, std::uint32_t result);
    void setDefaultActionResult(std::optional<std::uint32_t> result);
    void setAllocationFilter(std::function<bool(std::uint32_t, const std::string&, std::int32_t)> filter);

    // The answers of the host functions that answer with a plain value.
    std::uint32_t defineDllModuleResult() const;
    std::uint32_t defineDllVariableResult(std::size_t callIndex) const;   // 1 unless chosen
    std::uint32_t defaultActionResult(std::uint32_t message) const;
    bool allowsAllocation(std::uint32_t size, const std::string& file, std::int32_t line) const;

private:
    void createHostObjects(HINSTANCE instance, HMENU mainMenu);

    mutable std::mutex mutex_;   // guards the chosen answers
    std::map<std::string, std::uint32_t> variableOverrides_;
    std::map<std::string, std::uintptr_t> functionOverrides_;
    std::uint32_t defineModuleResult_ = 1;
    std::map<std::size_t, std::uint32_t> defineVariableResults_;
    std::optional<std::uint32_t> defaultActionResult_;
    std::function<bool(std::uint32_t, const std::string&, std::int32_t)> allocationFilter_;

    // Made before the library is loaded and kept until the host ends.
    std::vector<std::uintptr_t> variableValues_;   // per kHostVariables entry
    HostAddr32* currentModulePtr_ = nullptr;
    std::vector<void*> hostAreas_;
    std::vector<HGDIOBJ> gdiObjects_;
};

}  // namespace standin
