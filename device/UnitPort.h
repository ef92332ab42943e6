// The transport as the link sees it: the six Ravio_ calls the program binds, plus the
// operating system's own read, write and close on the two pipe handles they hand out.
// Production binds it to Dorlink; tests and the command line's emulator bind it in-process.
#pragma once
#include <cstdint>

// An operating-system handle of one pipe, as an integer; -1 is the invalid-handle value.
using PipeHandle = std::intptr_t;
constexpr PipeHandle kNoPipe = -1;

class UnitPort {
  public:
    virtual ~UnitPort() = default;

    // Ravio_Open_mask: slot 0-127 of the first matching device, -1 when none.
    virtual int32_t OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass, uint32_t vendorId,
                             uint32_t productId, uint32_t release) = 0;
    // Ravio_Close.
    virtual void Close(int32_t slot) = 0;
    // Ravio_OpenPipe: a pipe handle, kNoPipe when the slot is not open or the pipe cannot be opened.
    virtual PipeHandle OpenPipe(int32_t slot, uint32_t interfaceNumber, uint32_t pipeNumber) = 0;
    // Ravio_Check: 0 open and answering, 1 not open, 2 open but not answering.
    virtual int32_t Check(int32_t slot) = 0;
    // Ravio_SendData / Ravio_ReceiveData: non-zero on success.
    virtual int32_t SendData(int32_t slot, uint32_t length, const uint8_t* buffer) = 0;
    virtual int32_t ReceiveData(int32_t slot, uint32_t length, uint8_t* buffer) = 0;

    // One synchronous write or read on a pipe handle; done receives the bytes moved.
    virtual bool WritePipe(PipeHandle pipe, const uint8_t* data, uint32_t count, uint32_t& done) = 0;
    virtual bool ReadPipe(PipeHandle pipe, uint8_t* buffer, uint32_t count, uint32_t& done) = 0;
    virtual void ClosePipe(PipeHandle pipe) = 0;
};
