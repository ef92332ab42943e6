// The emulated Fenlink.dll: the production export code and Fenlink core over an emulated
// WinUSB whose one device is the unit emulator. Under Wine the production x86_64 Tessmark.exe
// and tessmark-cli.exe talk to it as to the real unit.
//
// TESSMARK_UNIT_DIR and TESSMARK_UNIT_FAULT as for the emulated Dorlink.dll. A session of the
// unit runs from one open of the link to its close, so fault counters count per operation.
#include "device/emulator/UnitEmulator.h"
#include "device/emulator/UnitWinUsb.h"
#include "device/emulator/win32/UnitEnvironment.h"
#include "transport/winusb/FenlinkExports.h"

transport::WinUsbApi& FenlinkWinUsbApi() {
    // Built during process attach: nothing here starts a thread or waits.
    static UnitEmulator unit(UnitFolderFromEnvironment(), UnitFaultsFromEnvironment());
    static UnitWinUsb api(unit);
    return api;
}
