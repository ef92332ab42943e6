// What the emulated transport DLLs read from their environment: where the unit keeps its file
// and which faults it shows. Shared by the emulated Dorlink.dll and Fenlink.dll.
#pragma once
#include <string>

#include "device/emulator/UnitEmulator.h"

// TESSMARK_UNIT_DIR, or "unit" beside the module that holds this code.
std::string UnitFolderFromEnvironment();
// TESSMARK_UNIT_FAULT as ParseUnitFaults reads it; a list it cannot read makes the unit refuse
// every open, so a mistyped fault never passes unnoticed.
UnitFaults UnitFaultsFromEnvironment();
