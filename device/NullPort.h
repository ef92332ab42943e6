// The port of a program that has no transport to the unit: the unit is never found, so every
// operation ends with 0x4000 and nothing else is attempted.
#pragma once
#include "device/UnitPort.h"

class NullUnitPort final : public UnitPort {
  public:
    DeviceHandle OpenMask(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) override {
        return kNoDevice;
    }
    void Close(DeviceHandle) override {}
    PipeHandle OpenPipe(DeviceHandle, uint32_t, uint32_t) override { return kNoPipe; }
    int32_t Check(DeviceHandle) override { return 1; }
    int32_t SendData(DeviceHandle, uint32_t, const uint8_t*) override { return 0; }
    int32_t ReceiveData(DeviceHandle, uint32_t, uint8_t*) override { return 0; }
    bool WritePipe(DeviceHandle, PipeHandle, const uint8_t*, uint32_t, uint32_t& done) override {
        return (done = 0), false;
    }
    bool ReadPipe(DeviceHandle, PipeHandle, uint8_t*, uint32_t, uint32_t& done) override {
        return (done = 0), false;
    }
    void ClosePipe(DeviceHandle, PipeHandle) override {}
};
