// The vendor popup in the host's main menu. Its place in start-up is fixed
// here; the menu itself arrives with the about box.
#pragma once

void InstallVendorMenu();
