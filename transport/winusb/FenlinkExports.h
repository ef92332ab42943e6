// How a Fenlink.dll is assembled: FenlinkExports.cpp (the eight exports and DllMain) forwards to
// one FenlinkCore whose WinUsbApi comes from FenlinkWinUsbApi(), defined once per DLL.
#pragma once
#include "transport/winusb/WinUsbApi.h"

// Called once, on process attach, under the loader lock: construct only, load nothing.
transport::WinUsbApi& FenlinkWinUsbApi();
