// WinUsbApi bound to SetupDi*W, CreateFileW and winusb.dll. The WinUsb_ entry points are
// looked up in winusb.dll on first use, so the library loads even where WinUSB is absent (its
// opens then find nothing).
#pragma once
#include "transport/winusb/WinUsbApi.h"

namespace transport {

class Win32WinUsbApi : public WinUsbApi {
  public:
    Lookup InterfacePath(uint32_t index, std::u16string& path) override;
    OsHandle CreateDeviceFile(const std::u16string& path) override;
    void CloseHandle(OsHandle file) override;
    bool Initialize(OsHandle file, WinUsbInterfaceHandle& handle) override;
    void Free(WinUsbInterfaceHandle handle) override;
    bool GetDescriptor(WinUsbInterfaceHandle handle, uint8_t type, uint8_t index, uint16_t language,
                       uint8_t* buffer, uint32_t size, uint32_t& transferred) override;
    bool QueryInterfaceSettings(WinUsbInterfaceHandle handle, uint8_t alternate,
                                UsbInterfaceInfo& info) override;
    bool QueryPipe(WinUsbInterfaceHandle handle, uint8_t alternate, uint8_t pipeIndex,
                   UsbPipeInfo& info) override;
    bool SetPipeTimeout(WinUsbInterfaceHandle handle, uint8_t pipeId, uint32_t milliseconds) override;
    bool ControlTransfer(WinUsbInterfaceHandle handle, const UsbSetupPacket& setup, uint8_t* buffer,
                         uint32_t size, uint32_t& transferred) override;
    bool ReadPipe(WinUsbInterfaceHandle handle, uint8_t pipeId, uint8_t* buffer, uint32_t size,
                  uint32_t& transferred) override;
    bool WritePipe(WinUsbInterfaceHandle handle, uint8_t pipeId, const uint8_t* buffer, uint32_t size,
                   uint32_t& transferred) override;
};

}  // namespace transport
