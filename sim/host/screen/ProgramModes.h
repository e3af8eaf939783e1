// The screen modes of standin-host.exe, for a host already set up with the
// library and its module classes.
#pragma once

#include <string>

#include "sim/host/standin/StandinHost.h"
#include "sim/profile/BoardProfile.h"

// Opens the dialog named by its template (Q7_DEVSEL, TORQ7_ADDLG,
// TORQ7_DIDLG, TORQ7_DODLG, TORQ7_DADLG, TORQ7_ABOUT) the way a user does
// and saves a picture of it as a BMP file. 0 when saved, 3 when the dialog
// did not open (the library does not offer it), 1 on other failures.
int RunDialogPicture(standin::StandinHost& host, const std::string& dialog, const std::string& file);
// The dialogs RunDialogPicture knows how to open, for the command line's check.
bool IsPictureDialog(const std::string& dialog);
std::string PictureDialogNames();   // comma-separated

// Where a session stores the worksheet: `save` (empty: a file the user
// names), and beside it the boards the driver offers (ProfileBeside), unless
// that file is `boardRead`, the profile the session read, and the session
// offers its boards as read (`boardsKept`). A file the session did not write
// is replaced only with `overwrite`.
struct SessionFiles {
    std::string save;
    std::string boardRead;
    bool boardsKept = false;
    bool overwrite = false;
};

// Shows the host's main window with its menu (the vendor popup places
// modules) and the worksheet's modules, whose settings dialogs a double
// click opens (the window takes no input while one is open). Save stores
// the worksheet and `boards` as SessionFiles says; closing with changes not
// saved asks first. Returns when the user has closed the window.
int RunInteractive(standin::StandinHost& host, const SessionFiles& files, const standin::BoardProfile& boards);
