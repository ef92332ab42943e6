// What Fenlink asks of the setup API and WinUSB. The production binding calls SetupDi*W,
// CreateFileW and WinUsb_*; EmulatedWinUsb stands in for them in tests. Names and semantics
// follow the WinUSB calls one to one, so the core reads like the platform code it replaces.
#pragma once
#include <cstdint>
#include <string>

#include "transport/driver/DriverOs.h"  // OsHandle, kInvalidHandle

namespace transport {

using WinUsbInterfaceHandle = void*;

enum class UsbPipeType : uint8_t { Control = 0, Isochronous = 1, Bulk = 2, Interrupt = 3 };

struct UsbInterfaceInfo {
    uint8_t bInterfaceNumber = 0;
    uint8_t bAlternateSetting = 0;
    uint8_t bNumEndpoints = 0;
};

struct UsbPipeInfo {
    UsbPipeType PipeType = UsbPipeType::Control;
    uint8_t PipeId = 0;
    uint16_t MaximumPacketSize = 0;
    uint8_t Interval = 0;
};

struct UsbSetupPacket {
    uint8_t RequestType = 0;
    uint8_t Request = 0;
    uint16_t Value = 0;
    uint16_t Index = 0;
    uint16_t Length = 0;
};

class WinUsbApi {
  public:
    virtual ~WinUsbApi() = default;

    enum class Lookup { Found, NoDevice };
    // Interface path (UTF-16) at this enumeration index of the present devices of the class.
    // NoDevice covers every failure of the lookup: no set, no interface, no detail.
    virtual Lookup InterfacePath(uint32_t index, std::u16string& path) = 0;

    // CreateFileW: read/write, shared read/write, existing, normal attributes + overlapped.
    virtual OsHandle CreateDeviceFile(const std::u16string& path) = 0;
    virtual void CloseHandle(OsHandle file) = 0;

    virtual bool Initialize(OsHandle file, WinUsbInterfaceHandle& handle) = 0;
    virtual void Free(WinUsbInterfaceHandle handle) = 0;
    virtual bool GetDescriptor(WinUsbInterfaceHandle handle, uint8_t type, uint8_t index, uint16_t language,
                               uint8_t* buffer, uint32_t size, uint32_t& transferred) = 0;
    virtual bool QueryInterfaceSettings(WinUsbInterfaceHandle handle, uint8_t alternate,
                                        UsbInterfaceInfo& info) = 0;
    virtual bool QueryPipe(WinUsbInterfaceHandle handle, uint8_t alternate, uint8_t pipeIndex,
                           UsbPipeInfo& info) = 0;
    // PIPE_TRANSFER_TIMEOUT, a 4-byte value in milliseconds.
    virtual bool SetPipeTimeout(WinUsbInterfaceHandle handle, uint8_t pipeId, uint32_t milliseconds) = 0;
    virtual bool ControlTransfer(WinUsbInterfaceHandle handle, const UsbSetupPacket& setup, uint8_t* buffer,
                                 uint32_t size, uint32_t& transferred) = 0;
    virtual bool ReadPipe(WinUsbInterfaceHandle handle, uint8_t pipeId, uint8_t* buffer, uint32_t size,
                          uint32_t& transferred) = 0;
    virtual bool WritePipe(WinUsbInterfaceHandle handle, uint8_t pipeId, const uint8_t* buffer, uint32_t size,
                           uint32_t& transferred) = 0;
};

}  // namespace transport
