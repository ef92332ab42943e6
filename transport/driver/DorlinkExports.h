// How a Dorlink.dll is assembled: the exported Ravio_ functions and DllMain (DorlinkExports.cpp,
// built as the OBJECT library dorlink_exports together with Dorlink.def) forward to one
// DorlinkCore. The core's DriverOs comes from DorlinkDriverOs(), which each DLL defines once:
// the production Dorlink.dll in win32/Win32DriverOs.cpp, a variant DLL in its own source.
#pragma once
#include "transport/driver/DriverOs.h"

// Called once, on process attach, while the loader lock is held: construct the object (a
// function-local static is fine) but start no threads and wait for nothing here.
transport::DriverOs& DorlinkDriverOs();
