// The link's port over Dorlink, the 32-bit transport through the unit's kernel driver: its six
// imports for the device and the system's own calls on the pipe handles it hands out.
#include "device/win32/SystemPort.h"

#include <windows.h>

#include "device/UnitPort.h"
#include "transport/common/Ravio.h"

namespace {
class DorlinkPort final : public UnitPort {
  public:
    DeviceHandle OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass, uint32_t vendorId,
                          uint32_t productId, uint32_t release) override {
        int32_t slot = Ravio_Open_mask(int32_t(mask), int32_t(deviceClass), int32_t(deviceSubClass),
                                       int32_t(vendorId), int32_t(productId), int32_t(release));
        return slot < 0 ? kNoDevice : slot;
    }
    void Close(DeviceHandle slot) override { Ravio_Close(int32_t(slot)); }
    PipeHandle OpenPipe(DeviceHandle slot, uint32_t interfaceNumber, uint32_t pipeNumber) override {
        return reinterpret_cast<PipeHandle>(
            Ravio_OpenPipe(int32_t(slot), int32_t(interfaceNumber), int32_t(pipeNumber)));
    }
    int32_t Check(DeviceHandle slot) override { return Ravio_Check(int32_t(slot)); }
    int32_t SendData(DeviceHandle slot, uint32_t length, const uint8_t* buffer) override {
        return Ravio_SendData(int32_t(slot), int32_t(length), buffer);
    }
    int32_t ReceiveData(DeviceHandle slot, uint32_t length, uint8_t* buffer) override {
        return Ravio_ReceiveData(int32_t(slot), int32_t(length), buffer);
    }
    bool WritePipe(DeviceHandle, PipeHandle pipe, const uint8_t* data, uint32_t count,
                   uint32_t& done) override {
        DWORD n = 0;
        BOOL ok = WriteFile(reinterpret_cast<HANDLE>(pipe), data, count, &n, nullptr);
        done = n;
        return ok != FALSE;
    }
    bool ReadPipe(DeviceHandle, PipeHandle pipe, uint8_t* buffer, uint32_t count, uint32_t& done) override {
        DWORD n = 0;
        BOOL ok = ReadFile(reinterpret_cast<HANDLE>(pipe), buffer, count, &n, nullptr);
        done = n;
        return ok != FALSE;
    }
    void ClosePipe(DeviceHandle, PipeHandle pipe) override { CloseHandle(reinterpret_cast<HANDLE>(pipe)); }
};
}  // namespace

UnitPort& SystemUnitPort() {
    static DorlinkPort port;
    return port;
}
