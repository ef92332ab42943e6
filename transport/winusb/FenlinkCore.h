// Fenlink's 128 device records and its eight Ravio_ operations, over WinUsbApi. The exported
// functions of Fenlink.dll forward to one instance; a device handle is a record's address.
#pragma once
#include <array>
#include <cstdint>

#include "transport/common/SelectionMask.h"
#include "transport/winusb/WinUsbApi.h"

namespace transport {

inline constexpr int kFenlinkRecords = 128;
inline constexpr int kFenlinkMaxPipes = 32;
inline constexpr std::size_t kFenlinkPathChars = 260;  // with the terminator
inline constexpr uint32_t kFenlinkPipeTimeout = 5000;  // ms

struct PipeEntry {
    uint8_t EndpointAddress;
    uint8_t InterfaceNumber;
    uint8_t PipeIndex;
    int32_t Valid;
};

struct UsbDeviceContext {
    int32_t InUse;
    OsHandle DeviceFile;
    WinUsbInterfaceHandle WinUsbHandle;
    char16_t DevicePath[kFenlinkPathChars];
    uint32_t PipeTimeout;
    PipeEntry Pipes[kFenlinkMaxPipes];
    int32_t PipeCount;
};

class FenlinkCore {
  public:
    explicit FenlinkCore(WinUsbApi& api) : api_(api) {}
    FenlinkCore(const FenlinkCore&) = delete;
    FenlinkCore& operator=(const FenlinkCore&) = delete;

    // Process attach: reset every record (not in use) once.
    void Setup();
    // Process detach: release every record in use; exports fail until the next Setup.
    void Teardown();
    bool IsSetUp() const { return setUp_; }

    void* Open(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId, int32_t productId,
               int32_t release);
    void Close(void* device);
    int32_t Check(void* device);
    int32_t SendData(void* device, uint16_t length, const void* buffer);
    int32_t ReceiveData(void* device, uint16_t length, void* buffer);
    int32_t GetPipeEndpoint(void* device, uint8_t interfaceNumber, uint8_t n, uint8_t* endpoint);
    int32_t BulkWrite(void* device, uint8_t endpoint, const void* buffer, uint32_t length, uint32_t* count);
    int32_t BulkRead(void* device, uint8_t endpoint, void* buffer, uint32_t length, uint32_t* count);

    // The record a valid handle names, else null.
    UsbDeviceContext* Valid(void* device);
    int OpenCount() const;

  private:
    void Reset(UsbDeviceContext& r);
    void Release(UsbDeviceContext& r);
    bool AcceptsDescriptor(UsbDeviceContext& r, const Selection& selection);
    bool RecordPipes(UsbDeviceContext& r);
    int32_t Control(void* device, uint8_t requestType, uint16_t length, uint8_t* buffer);

    WinUsbApi& api_;
    bool setUp_ = false;
    std::array<UsbDeviceContext, kFenlinkRecords> records_{};
};

}  // namespace transport
