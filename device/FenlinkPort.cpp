#include "device/FenlinkPort.h"

namespace {
void* Record(DeviceHandle device) { return device == kNoDevice ? nullptr : reinterpret_cast<void*>(device); }

// Endpoint addresses are 1-255 (0 is the default control pipe, never a bulk pipe).
bool IsEndpoint(PipeHandle pipe) { return pipe > 0 && pipe <= 0xFF; }
}  // namespace

DeviceHandle FenlinkPort::OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass,
                                   uint32_t vendorId, uint32_t productId, uint32_t release) {
    void* device = calls_.Open(int32_t(mask), int32_t(deviceClass), int32_t(deviceSubClass),
                               int32_t(vendorId), int32_t(productId), int32_t(release));
    return device == nullptr ? kNoDevice : reinterpret_cast<DeviceHandle>(device);
}

void FenlinkPort::Close(DeviceHandle device) {
    if (device != kNoDevice) calls_.Close(Record(device));
}

PipeHandle FenlinkPort::OpenPipe(DeviceHandle device, uint32_t interfaceNumber, uint32_t pipeNumber) {
    if (device == kNoDevice || interfaceNumber > 0xFF || pipeNumber > 0xFF) return kNoPipe;
    uint8_t endpoint = 0;
    if (calls_.GetPipeEndpoint(Record(device), uint8_t(interfaceNumber), uint8_t(pipeNumber), &endpoint) ==
            0 ||
        endpoint == 0)
        return kNoPipe;
    return PipeHandle(endpoint);
}

int32_t FenlinkPort::Check(DeviceHandle device) {
    return device == kNoDevice ? 1 : calls_.Check(Record(device));
}

// Fenlink's control transfers carry a 16-bit length: a longer one is refused, not cut short.
int32_t FenlinkPort::SendData(DeviceHandle device, uint32_t length, const uint8_t* buffer) {
    if (device == kNoDevice || length > 0xFFFF) return 0;
    return calls_.SendData(Record(device), uint16_t(length), buffer);
}

int32_t FenlinkPort::ReceiveData(DeviceHandle device, uint32_t length, uint8_t* buffer) {
    if (device == kNoDevice || length > 0xFFFF) return 0;
    return calls_.ReceiveData(Record(device), uint16_t(length), buffer);
}

bool FenlinkPort::WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                            uint32_t& done) {
    done = 0;
    if (device == kNoDevice || !IsEndpoint(pipe)) return false;
    // A zero-length write still needs a buffer: Fenlink refuses a null one.
    const uint8_t none = 0;
    uint32_t moved = 0;
    const bool ok = calls_.BulkWrite(Record(device), uint8_t(pipe), data ? data : &none, count, &moved) != 0;
    done = ok ? moved : 0;
    return ok;
}

bool FenlinkPort::ReadPipe(DeviceHandle device, PipeHandle pipe, uint8_t* buffer, uint32_t count,
                           uint32_t& done) {
    done = 0;
    if (device == kNoDevice || !IsEndpoint(pipe) || buffer == nullptr) return false;
    uint32_t moved = 0;
    const bool ok = calls_.BulkRead(Record(device), uint8_t(pipe), buffer, count, &moved) != 0;
    done = ok ? moved : 0;
    return ok;
}

void FenlinkPort::ClosePipe(DeviceHandle, PipeHandle) {}
