// The platform's transport behind the link.
#include "device/PlatformPort.h"

#include "device/UnitPort.h"

#ifdef _WIN32
#include <windows.h>

#include "transport/common/Ravio.h"

namespace {
// Dorlink's six imports and the system's own calls on the pipe handles it hands out.
class DorlinkPort final : public UnitPort {
  public:
    int32_t OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass, uint32_t vendorId,
                     uint32_t productId, uint32_t release) override {
        return Ravio_Open_mask(int32_t(mask), int32_t(deviceClass), int32_t(deviceSubClass),
                               int32_t(vendorId), int32_t(productId), int32_t(release));
    }
    void Close(int32_t slot) override { Ravio_Close(slot); }
    PipeHandle OpenPipe(int32_t slot, uint32_t interfaceNumber, uint32_t pipeNumber) override {
        return reinterpret_cast<PipeHandle>(
            Ravio_OpenPipe(slot, int32_t(interfaceNumber), int32_t(pipeNumber)));
    }
    int32_t Check(int32_t slot) override { return Ravio_Check(slot); }
    int32_t SendData(int32_t slot, uint32_t length, const uint8_t* buffer) override {
        return Ravio_SendData(slot, int32_t(length), buffer);
    }
    int32_t ReceiveData(int32_t slot, uint32_t length, uint8_t* buffer) override {
        return Ravio_ReceiveData(slot, int32_t(length), buffer);
    }
    bool WritePipe(PipeHandle pipe, const uint8_t* data, uint32_t count, uint32_t& done) override {
        DWORD n = 0;
        BOOL ok = WriteFile(reinterpret_cast<HANDLE>(pipe), data, count, &n, nullptr);
        done = n;
        return ok != FALSE;
    }
    bool ReadPipe(PipeHandle pipe, uint8_t* buffer, uint32_t count, uint32_t& done) override {
        DWORD n = 0;
        BOOL ok = ReadFile(reinterpret_cast<HANDLE>(pipe), buffer, count, &n, nullptr);
        done = n;
        return ok != FALSE;
    }
    void ClosePipe(PipeHandle pipe) override { CloseHandle(reinterpret_cast<HANDLE>(pipe)); }
};
}  // namespace

UnitPort& PlatformUnitPort() {
    static DorlinkPort port;
    return port;
}

#else

namespace {
// No native transport yet: the unit is never found, so every operation ends with 0x4000.
class NoUnitPort final : public UnitPort {
  public:
    int32_t OpenMask(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override { return -1; }
    void Close(int32_t) override {}
    PipeHandle OpenPipe(int32_t, uint32_t, uint32_t) override { return kNoPipe; }
    int32_t Check(int32_t) override { return 1; }
    int32_t SendData(int32_t, uint32_t, const uint8_t*) override { return 0; }
    int32_t ReceiveData(int32_t, uint32_t, uint8_t*) override { return 0; }
    bool WritePipe(PipeHandle, const uint8_t*, uint32_t, uint32_t& done) override {
        return (done = 0), false;
    }
    bool ReadPipe(PipeHandle, uint8_t*, uint32_t, uint32_t& done) override { return (done = 0), false; }
    void ClosePipe(PipeHandle) override {}
};
}  // namespace

UnitPort& PlatformUnitPort() {
    static NoUnitPort port;
    return port;
}
#endif
