// The link's port over Fenlink, the 64-bit WinUSB transport. Fenlink names a device by the
// address of its record and a pipe by its endpoint address, so the port maps the link's pipes
// onto it this way:
//   OpenMask              Ravio_Open with the same six selection arguments (null: kNoDevice)
//   OpenPipe(i, n)        Ravio_GetPipeEndpoint(i, n): the endpoint address is the pipe handle
//   WritePipe / ReadPipe  Ravio_BulkWrite / Ravio_BulkRead on that endpoint, one blocking
//                         transfer each (Fenlink gives every pipe a 5000 ms time-out)
//   SendData / ReceiveData, Check, Close   the calls of the same names
//   ClosePipe             nothing: an endpoint address is not a handle of its own
// The calls come as a table so the mapping can be exercised over the Fenlink core in-process;
// on Windows the table holds Fenlink.dll's imports.
#pragma once
#include <cstdint>

#include "device/UnitPort.h"

struct FenlinkCalls {
    void* (*Open)(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId,
                  int32_t productId, int32_t release);
    void (*Close)(void* device);
    int32_t (*Check)(void* device);
    int32_t (*SendData)(void* device, uint16_t length, const void* buffer);
    int32_t (*ReceiveData)(void* device, uint16_t length, void* buffer);
    int32_t (*GetPipeEndpoint)(void* device, uint8_t interfaceNumber, uint8_t n, uint8_t* endpoint);
    int32_t (*BulkWrite)(void* device, uint8_t endpoint, const void* buffer, uint32_t length,
                         uint32_t* count);
    int32_t (*BulkRead)(void* device, uint8_t endpoint, void* buffer, uint32_t length, uint32_t* count);
};

class FenlinkPort final : public UnitPort {
  public:
    explicit FenlinkPort(const FenlinkCalls& calls) : calls_(calls) {}

    DeviceHandle OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass, uint32_t vendorId,
                          uint32_t productId, uint32_t release) override;
    void Close(DeviceHandle device) override;
    PipeHandle OpenPipe(DeviceHandle device, uint32_t interfaceNumber, uint32_t pipeNumber) override;
    int32_t Check(DeviceHandle device) override;
    int32_t SendData(DeviceHandle device, uint32_t length, const uint8_t* buffer) override;
    int32_t ReceiveData(DeviceHandle device, uint32_t length, uint8_t* buffer) override;
    bool WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                   uint32_t& done) override;
    bool ReadPipe(DeviceHandle device, PipeHandle pipe, uint8_t* buffer, uint32_t count,
                  uint32_t& done) override;
    void ClosePipe(DeviceHandle device, PipeHandle pipe) override;

  private:
    FenlinkCalls calls_;
};
