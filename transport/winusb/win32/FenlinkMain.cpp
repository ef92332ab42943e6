// The production Fenlink.dll talks to WinUSB.
#include "transport/winusb/FenlinkExports.h"
#include "transport/winusb/win32/Win32WinUsbApi.h"

transport::WinUsbApi& FenlinkWinUsbApi() {
    static transport::Win32WinUsbApi api;
    return api;
}
