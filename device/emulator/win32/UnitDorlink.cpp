// The emulated Dorlink.dll: the production export code and Dorlink core over the emulated
// kernel driver, whose one device is the unit emulator. Under Wine the production Tessmark.exe
// and tessmark-cli.exe talk to it as to the real unit.
//
// TESSMARK_UNIT_DIR names the folder where the emulated unit keeps its file between runs;
// without it the folder is "unit" beside this DLL. TESSMARK_UNIT_FAULT takes a fault list as
// ParseUnitFaults reads it (for example "refuse-open" or "final-result=1234,acks=20"); a list it
// cannot read makes the unit refuse every open, so a mistyped fault never passes unnoticed.
// The unit lives as long as the process; each open of the device by Dorlink is one session of
// it, and fault counters (fail-bulk=N ...) count within a session.
#include "device/emulator/UnitDevice.h"
#include "device/emulator/UnitEmulator.h"
#include "device/emulator/win32/UnitEnvironment.h"
#include "transport/driver/DorlinkExports.h"
#include "transport/driver/win32/EmulatedWinDriverOs.h"

transport::DriverOs& DorlinkDriverOs() {
    // Built on first use, during process attach: nothing here starts a thread or waits.
    static UnitEmulator unit(UnitFolderFromEnvironment(), UnitFaultsFromEnvironment());
    static UnitDevice device(unit);
    static transport::EmulatedWinDriverOs os;
    static const bool attached = (os.Attach(device), true);
    (void)attached;
    return os;
}
