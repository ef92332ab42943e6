// Dorlink's device table and the fifteen Ravio_ operations, over a DriverOs. The exported
// functions of Dorlink.dll forward to one instance of this class.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "transport/common/SelectionMask.h"
#include "transport/driver/DorlinkProtocol.h"
#include "transport/driver/DriverOs.h"

namespace transport {

class DorlinkCore {
  public:
    explicit DorlinkCore(DriverOs& os) : os_(os) { ResetTable(); }
    ~DorlinkCore() = default;
    DorlinkCore(const DorlinkCore&) = delete;
    DorlinkCore& operator=(const DorlinkCore&) = delete;

    // Marks every entry free without closing anything (library load).
    void ResetTable();
    // Closes every open entry (library unload).
    void CloseAll();

    int32_t OpenMask(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId,
                     int32_t productId, int32_t release);
    int32_t Open() { return OpenMask(0, 0, 0, 0, 0, 0); }
    void Close(int32_t slot);
    OsHandle OpenPipe(int32_t slot, int32_t interfaceNumber, int32_t pipeNumber);
    int32_t ClassRequest(int32_t slot, int32_t direction, int32_t recipient, int32_t request, int32_t value,
                         int32_t index, int32_t length, void* buffer) {
        return ControlRequest(dorlink::RequestKind::Class, slot, direction, recipient, request, value, index,
                              length, buffer);
    }
    int32_t VendorRequest(int32_t slot, int32_t direction, int32_t recipient, int32_t request, int32_t value,
                          int32_t index, int32_t length, void* buffer) {
        return ControlRequest(dorlink::RequestKind::Vendor, slot, direction, recipient, request, value, index,
                              length, buffer);
    }
    int32_t Check(int32_t slot);
    int32_t ResetPipe(OsHandle pipe);
    int32_t ResetDevice(int32_t slot);
    int32_t GetDeviceDescriptor(int32_t slot, void* buffer);
    int32_t GetConfigurationDescriptor(int32_t slot, void* buffer, int32_t bufferSize);
    int32_t GetStatusEndpoint(int32_t slot, uint16_t endpoint, void* buffer);
    int32_t SendData(int32_t slot, int32_t length, const void* buffer) {
        return VendorRequest(slot, 0, 1, 0, 0, 0, length, const_cast<void*>(buffer));
    }
    int32_t ReceiveData(int32_t slot, int32_t length, void* buffer) {
        return VendorRequest(slot, 1, 1, 0, 0, 0, length, buffer);
    }
    int32_t ReceiveTimeOut(int32_t slot, uint32_t timeout);

    // For tests and diagnostics.
    bool IsOpen(int32_t slot) const;
    std::string SlotPath(int32_t slot) const;

    // "%s\if%03dpipe%03d"
    static std::string PipePath(const std::string& devicePath, uint8_t interfaceNumber, uint8_t pipeNumber);

  private:
    struct DeviceSlot {
        char DevicePath[dorlink::kMaxDevicePath + 1];
        OsHandle DeviceHandle;
    };

    int32_t ControlRequest(dorlink::RequestKind kind, int32_t slot, int32_t direction, int32_t recipient,
                           int32_t request, int32_t value, int32_t index, int32_t length, void* buffer);
    // The handle stored for a slot, valid or not; kInvalidHandle for a number outside the table.
    OsHandle StoredHandle(int32_t slot) const;
    bool Ioctl(OsHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize) {
        return os_.IoControl(handle, code, in, inSize, out, outSize);
    }

    DriverOs& os_;
    std::mutex lock_;
    std::array<DeviceSlot, dorlink::kTableSize> table_{};
};

}  // namespace transport
