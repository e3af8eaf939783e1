// The frame shared by the four settings dialogs: a working copy of the
// module's settings block, the channel bar, the channel names, the module's
// name and description, the board number, OK, Cancel and the about box.
// What differs between the classes is described by a SettingsDialogClass.
#pragma once

#include <cstdint>

#include "../modules/ClassTable.h"

struct ModuleRecord;

// A drop-down list of the lower settings area: filled on open, its choice
// taken into the working copy when the user closes the opened list.
struct SettingsList {
    int control;
    TextList items;
    int (*storedIndex)(const void* settings);
    void (*takeSelection)(void* settings, int selection);   // -1: no selection
};

struct SettingsDialogClass {
    const ClassDescription* description;   // the block's size, the channels and the board field
    const char* templateName;
    const char* sourceFile;          // the source name the host sees with the working copy
    std::int32_t allocLine;
    std::int32_t okFreeLine;
    std::int32_t cancelFreeLine;
    const SettingsList* lists;
    unsigned listCount;
    // Copies the fields that a start or a stop owns from the module's current
    // block into the working copy before OK writes it back; null when the
    // block has none.
    void (*keepRunFields)(void* settings, const void* current);
};

// Runs the class's dialog modally, owned by the module window.
std::uint32_t RunSettingsDialog(const SettingsDialogClass& dialogClass, ModuleRecord* module);
