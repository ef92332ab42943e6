// The production Dorlink.dll talks to the unit's real kernel driver.
#include "transport/driver/DorlinkExports.h"
#include "transport/driver/win32/Win32DriverOs.h"

transport::DriverOs& DorlinkDriverOs() {
    static transport::Win32DriverOs os;
    return os;
}
