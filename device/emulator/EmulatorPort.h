// The unit emulator behind the link's UnitPort, in-process: what the command line's
// "--unit emulator:DIR" and the device tests talk to. It keeps score of open slots and pipe
// handles so a test can see that every exit closed the link.
#pragma once
#include <set>

#include "device/UnitPort.h"
#include "device/emulator/UnitEmulator.h"

class EmulatorPort : public UnitPort {
  public:
    explicit EmulatorPort(UnitEmulator& unit) : unit_(unit) {}

    DeviceHandle OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass, uint32_t vendorId,
                          uint32_t productId, uint32_t release) override;
    void Close(DeviceHandle slot) override;
    PipeHandle OpenPipe(DeviceHandle slot, uint32_t interfaceNumber, uint32_t pipeNumber) override;
    int32_t Check(DeviceHandle slot) override;
    int32_t SendData(DeviceHandle slot, uint32_t length, const uint8_t* buffer) override;
    int32_t ReceiveData(DeviceHandle slot, uint32_t length, uint8_t* buffer) override;
    bool WritePipe(DeviceHandle, PipeHandle pipe, const uint8_t* data, uint32_t count,
                   uint32_t& done) override;
    bool ReadPipe(DeviceHandle, PipeHandle pipe, uint8_t* buffer, uint32_t count, uint32_t& done) override;
    void ClosePipe(DeviceHandle, PipeHandle pipe) override;

    // Nothing open: no slot and no pipe handle.
    bool AllClosed() const { return !slotOpen_ && pipes_.empty(); }
    // Calls to the open function, for tests of the product ID fallback.
    const std::vector<uint32_t>& ProductsAsked() const { return productsAsked_; }
    void ClearProductsAsked() { productsAsked_.clear(); }

  private:
    UnitEmulator& unit_;
    bool slotOpen_ = false;
    PipeHandle nextHandle_ = 0x100;
    PipeHandle in_ = kNoPipe, out_ = kNoPipe;  // the current session's pipes 0 and 1
    std::set<PipeHandle> pipes_;
    std::vector<uint32_t> productsAsked_;
};
