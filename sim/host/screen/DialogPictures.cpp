// standin-host.exe --picture: each dialog is opened as a user opens it
// (placing a module, its setup message, the information button of its
// settings dialog), photographed at its first idle moment and closed again.
#include <cstdio>
#include <cstring>
#include <functional>

#include "ProgramModes.h"
#include "WindowPicture.h"
#include "torq7m/res/resource.h"

namespace {

using standin::HostModule;
using standin::StandinHost;

enum class OpenedBy { Placing, Settings, SettingsInformation };

struct PictureRecipe {
    const char* dialog;
    const char* moduleClass;
    OpenedBy openedBy;
    standin::Placement placement;
};

// Channel counts that show a channel bar with present and absent channels.
const PictureRecipe kRecipes[] = {
    {"Q7_DEVSEL", "TORQ7AD", OpenedBy::Placing, {}},
    {"TORQ7_ADDLG", "TORQ7AD", OpenedBy::Settings, {0, 4, "Q7AD-1"}},
    {"TORQ7_DIDLG", "TORQ7DI", OpenedBy::Settings, {0, 8, "Q7DIN-1"}},
    {"TORQ7_DODLG", "TORQ7DO", OpenedBy::Settings, {3, 0, "Q7DO-1"}},
    {"TORQ7_DADLG", "TORQ7DA", OpenedBy::Settings, {1, 0, "Q7DA-1"}},
    {"TORQ7_ABOUT", "TORQ7DI", OpenedBy::SettingsInformation, {0, 2, "Q7DIN-1"}},
};

void Press(HWND dialog, int id)
{
    SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0);
}

enum class Shot { NotOpened, Failed, Saved };

// The next dialog is photographed and then closed with `close`.
void PhotographNextDialog(StandinHost& host, const std::string& file, Shot* shot, int close)
{
    host.whenDialogOpens([file, shot, close](HWND dialog) {
        *shot = SaveWindowPicture(dialog, file) ? Shot::Saved : Shot::Failed;
        Press(dialog, close);
    });
}

HostModule* PlaceWithFirstBoard(StandinHost& host, const PictureRecipe& recipe)
{
    host.whenDialogOpens([](HWND dialog) { Press(dialog, IDOK); });
    return host.placeModule(recipe.moduleClass, recipe.placement);
}

const PictureRecipe* FindRecipe(const std::string& dialog)
{
    for (const PictureRecipe& candidate : kRecipes) {
        if (dialog == candidate.dialog)
            return &candidate;
    }
    return nullptr;
}

}  // namespace

bool IsPictureDialog(const std::string& dialog)
{
    return FindRecipe(dialog) != nullptr;
}

std::string PictureDialogNames()
{
    std::string names;
    for (const PictureRecipe& recipe : kRecipes)
        names += (names.empty() ? "" : ", ") + std::string(recipe.dialog);
    return names;
}

int RunDialogPicture(StandinHost& host, const std::string& dialog, const std::string& file)
{
    const PictureRecipe* recipe = FindRecipe(dialog);
    if (!recipe) {
        std::printf("no way known to open the dialog %s\n", dialog.c_str());
        return 1;
    }
    Shot shot = Shot::NotOpened;
    switch (recipe->openedBy) {
    case OpenedBy::Placing:
        PhotographNextDialog(host, file, &shot, IDCANCEL);
        host.placeModule(recipe->moduleClass, recipe->placement);
        break;
    case OpenedBy::Settings: {
        HostModule* module = PlaceWithFirstBoard(host, *recipe);
        if (!module)
            return 1;
        PhotographNextDialog(host, file, &shot, IDCANCEL);
        host.setupModule(module);
        break;
    }
    case OpenedBy::SettingsInformation: {
        HostModule* module = PlaceWithFirstBoard(host, *recipe);
        if (!module)
            return 1;
        // The settings dialog opens the about box; the about box is
        // photographed and closed, then the settings dialog is cancelled.
        host.whenDialogOpens([](HWND settings) {
            Press(settings, IDC_INFO);
            Press(settings, IDCANCEL);
        });
        PhotographNextDialog(host, file, &shot, IDOK);
        host.setupModule(module);
        break;
    }
    }
    switch (shot) {
    case Shot::NotOpened:
        std::printf("%s did not open\n", dialog.c_str());
        return 3;
    case Shot::Failed:
        std::printf("%s: the picture could not be saved\n", dialog.c_str());
        return 1;
    case Shot::Saved:
        break;
    }
    std::printf("%s: %s\n", dialog.c_str(), file.c_str());
    return 0;
}
