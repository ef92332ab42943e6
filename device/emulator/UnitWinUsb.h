// The unit emulator as WinUSB sees it: one device of the unit's interface class with two bulk
// pipes on interface 0 (0x81 unit to host, 0x02 host to unit) and the unit's text protocol on
// vendor requests to the interface. Behind FenlinkCore it lets the production Fenlink code (in
// tests, and in the emulated Fenlink.dll) talk to the unit.
//
// A session of the unit runs from WinUsb_Initialize to WinUsb_Free, so the unit's fault counters
// count per link. A refusing unit fails the initialisation; a unit that does not answer the
// check still answers the open's descriptor read and fails every later one.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "device/emulator/UnitEmulator.h"
#include "transport/winusb/WinUsbApi.h"

class UnitWinUsb : public transport::WinUsbApi {
  public:
    explicit UnitWinUsb(UnitEmulator& unit) : unit_(unit) {}

    static constexpr uint8_t PipeToHost = 0x81;  // interface 0, pipe 0
    static constexpr uint8_t PipeToUnit = 0x02;  // interface 0, pipe 1

    // The unit's interface path (it names the product ID the unit reports).
    std::u16string DevicePath() const;

    Lookup InterfacePath(uint32_t index, std::u16string& path) override;
    transport::OsHandle CreateDeviceFile(const std::u16string& path) override;
    void CloseHandle(transport::OsHandle file) override;
    bool Initialize(transport::OsHandle file, transport::WinUsbInterfaceHandle& handle) override;
    void Free(transport::WinUsbInterfaceHandle handle) override;
    bool GetDescriptor(transport::WinUsbInterfaceHandle handle, uint8_t type, uint8_t index,
                       uint16_t language, uint8_t* buffer, uint32_t size, uint32_t& transferred) override;
    bool QueryInterfaceSettings(transport::WinUsbInterfaceHandle handle, uint8_t alternate,
                                transport::UsbInterfaceInfo& info) override;
    bool QueryPipe(transport::WinUsbInterfaceHandle handle, uint8_t alternate, uint8_t pipeIndex,
                   transport::UsbPipeInfo& info) override;
    bool SetPipeTimeout(transport::WinUsbInterfaceHandle handle, uint8_t pipeId,
                        uint32_t milliseconds) override;
    bool ControlTransfer(transport::WinUsbInterfaceHandle handle, const transport::UsbSetupPacket& setup,
                         uint8_t* buffer, uint32_t size, uint32_t& transferred) override;
    bool ReadPipe(transport::WinUsbInterfaceHandle handle, uint8_t pipeId, uint8_t* buffer, uint32_t size,
                  uint32_t& transferred) override;
    bool WritePipe(transport::WinUsbInterfaceHandle handle, uint8_t pipeId, const uint8_t* buffer,
                   uint32_t size, uint32_t& transferred) override;

    // The transfer time-out a pipe was given (0: none set), for tests.
    uint32_t PipeTimeout(uint8_t pipeId) const;

  private:
    bool IsOurs(transport::WinUsbInterfaceHandle handle) const;

    UnitEmulator& unit_;
    mutable std::mutex mutex_;
    bool fileOpen_ = false;
    bool initialized_ = false;
    uint32_t descriptorReads_ = 0;
    std::map<uint8_t, uint32_t> timeouts_;
};
