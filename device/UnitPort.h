// The transport as the link sees it: open a device by selection mask, check it, open the pipes of
// an interface, control data out and in, bulk data out and in on a pipe, close. Dorlink's slot
// and pipe handles, Fenlink's handle and endpoint numbers and libusb's device and endpoint all
// fit in the two integer handles.
#pragma once
#include <cstdint>

// One open device, as the transport names it; kNoDevice when none is open.
using DeviceHandle = std::intptr_t;
constexpr DeviceHandle kNoDevice = -1;
// One pipe of an open device, as the transport names it; kNoPipe when none is open.
using PipeHandle = std::intptr_t;
constexpr PipeHandle kNoPipe = -1;

class UnitPort {
  public:
    virtual ~UnitPort() = default;

    // Opens the first device whose descriptor matches every field the mask selects (bit 0
    // class, 1 subclass, 2 vendor, 3 product, 4 release); kNoDevice when none matches or the
    // match cannot be opened.
    virtual DeviceHandle OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass,
                                  uint32_t vendorId, uint32_t productId, uint32_t release) = 0;
    // Closes the device; a handle that is not open is ignored. Pipes are closed on their own.
    virtual void Close(DeviceHandle device) = 0;
    // Opens pipe pipeNumber of interface interfaceNumber; kNoPipe when the device is not open
    // or the pipe does not exist.
    virtual PipeHandle OpenPipe(DeviceHandle device, uint32_t interfaceNumber, uint32_t pipeNumber) = 0;
    // 0 when the device is open and answering, 1 when it is not open, 2 when it is open but
    // does not answer.
    virtual int32_t Check(DeviceHandle device) = 0;
    // One control transfer out (length bytes of buffer) or in (up to length bytes into
    // buffer); non-zero on success, 0 on any failure.
    virtual int32_t SendData(DeviceHandle device, uint32_t length, const uint8_t* buffer) = 0;
    virtual int32_t ReceiveData(DeviceHandle device, uint32_t length, uint8_t* buffer) = 0;

    // One synchronous bulk write or read on a pipe of the device; done receives the bytes
    // moved (0 on failure). False on any failure, including a closed device or pipe.
    virtual bool WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                           uint32_t& done) = 0;
    virtual bool ReadPipe(DeviceHandle device, PipeHandle pipe, uint8_t* buffer, uint32_t count,
                          uint32_t& done) = 0;
    // Releases the pipe handle; it may outlive the device's Close.
    virtual void ClosePipe(DeviceHandle device, PipeHandle pipe) = 0;
};
