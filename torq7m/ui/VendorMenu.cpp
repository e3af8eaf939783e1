#include "VendorMenu.h"

void InstallVendorMenu() {}
