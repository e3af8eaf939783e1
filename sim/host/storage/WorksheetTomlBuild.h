// The records of a TOML worksheet, built from the values of its keys once
// the reader has checked them: building never fails.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "WorksheetToml.h"
#include "WorksheetTomlKeys.h"

namespace standin {
namespace sheet {

// Connections name modules by name: how many of `modules` have `name` (code
// page 932), and in *index the last of them.
std::size_t ModulesNamed(const std::vector<StoredModule>& modules, const std::string& name, std::size_t* index);

// From the values of kTimeBaseKeys.
void BuildTimeBase(const KeyValues& values, StoredWorksheet* worksheet);
// From the values of kModuleKeys and the choice of each settings field of
// its class: the settings block the named fields describe, with the raw
// patches written over it in their order.
StoredModule BuildModule(const KeyValues& values, const std::vector<int>& choices);
// From the values of kConnectionKeys.
StoredConnection BuildConnection(const KeyValues& values);

}  // namespace sheet
}  // namespace standin
