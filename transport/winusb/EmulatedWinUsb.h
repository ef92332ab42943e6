// Emulated WinUSB devices behind the WinUsbApi seam, for Fenlink's native tests: each device
// has an interface path, a descriptor answer, its first interface's pipes, a control-request
// answer and per-endpoint bulk queues, plus switches that make single platform calls fail.
#pragma once
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "transport/common/UsbDescriptor.h"
#include "transport/winusb/WinUsbApi.h"

namespace transport {

struct EmulatedUsbDevice {
    std::u16string path;
    bool createFails = false;
    bool initializeFails = false;

    std::vector<uint8_t> descriptor;  // returned as is: may be short, long or odd
    bool descriptorFails = false;     // also makes Check report "not answering"

    UsbInterfaceInfo interface { 0, 0, 0 };  // bNumEndpoints follows pipes unless set by hand
    bool interfaceFails = false;
    std::vector<UsbPipeInfo> pipes;
    std::set<uint8_t> pipeQueryFails;  // pipe indexes whose query fails

    bool controlFails = false;
    std::vector<uint8_t> controlReply;  // device-to-host data; at most this much is returned
    int shortWrite = 0;                 // host-to-device transfers report this many bytes fewer
    std::vector<UsbSetupPacket> controlSeen;
    std::vector<std::vector<uint8_t>> controlData;

    std::map<uint8_t, std::deque<std::vector<uint8_t>>> bulkToHost;
    std::map<uint8_t, std::vector<std::vector<uint8_t>>> bulkFromHost;
    std::map<uint8_t, uint32_t> timeouts;  // pipe id -> PIPE_TRANSFER_TIMEOUT set

    // A device that passes every open check with two bulk pipes (0x81 in, 0x02 out).
    static EmulatedUsbDevice Unit(const std::u16string& path, uint16_t vendorId = 0x1079,
                                  uint16_t productId = 0x0002, uint16_t release = 0x0100);
};

class EmulatedWinUsb : public WinUsbApi {
  public:
    // Devices enumerate in the order they are added; they must outlive this object.
    void Add(EmulatedUsbDevice& device) { devices_.push_back(&device); }

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

    int OpenFiles() const { return static_cast<int>(files_.size()); }
    int OpenUsbHandles() const { return static_cast<int>(usb_.size()); }
    int CreateCalls() const { return createCalls_; }

  private:
    EmulatedUsbDevice* Device(WinUsbInterfaceHandle handle) const;

    std::vector<EmulatedUsbDevice*> devices_;
    std::map<OsHandle, EmulatedUsbDevice*> files_;
    std::map<WinUsbInterfaceHandle, EmulatedUsbDevice*> usb_;
    OsHandle nextFile_ = 0x2001;
    uintptr_t nextUsb_ = 0x3001;
    int createCalls_ = 0;
};

}  // namespace transport
