#include "device/emulator/EmulatorPort.h"

namespace {
constexpr int32_t kSlot = 0;
}

DeviceHandle EmulatorPort::OpenMask(uint32_t mask, uint32_t deviceClass, uint32_t deviceSubClass,
                                    uint32_t vendorId, uint32_t productId, uint32_t release) {
    productsAsked_.push_back(productId);
    // The unit describes itself as class 0, subclass 0, release 0.
    if (((mask & 0x01) && (deviceClass & 0xFF) != 0) || ((mask & 0x02) && (deviceSubClass & 0xFF) != 0) ||
        ((mask & 0x04) && (vendorId & 0xFFFF) != UnitEmulator::VendorId) ||
        ((mask & 0x08) && (productId & 0xFFFF) != unit_.ProductId()) ||
        ((mask & 0x10) && (release & 0xFF) != 0)) {
        return -1;
    }
    // One unit, one open at a time.
    if (slotOpen_ || !unit_.Open()) return -1;
    slotOpen_ = true;
    return kSlot;
}

void EmulatorPort::Close(DeviceHandle slot) {
    if (slot != kSlot || !slotOpen_) return;
    slotOpen_ = false;
    in_ = out_ = kNoPipe;
    unit_.Close();
}

PipeHandle EmulatorPort::OpenPipe(DeviceHandle slot, uint32_t interfaceNumber, uint32_t pipeNumber) {
    if (slot != kSlot || !slotOpen_ || (interfaceNumber & 0xFF) != 0 || (pipeNumber & 0xFF) > 1)
        return kNoPipe;
    PipeHandle h = nextHandle_++;
    pipes_.insert(h);
    ((pipeNumber & 0xFF) == 0 ? in_ : out_) = h;
    return h;
}

int32_t EmulatorPort::Check(DeviceHandle slot) {
    if (slot != kSlot || !slotOpen_) return 1;
    return unit_.Answers() ? 0 : 2;
}

int32_t EmulatorPort::SendData(DeviceHandle slot, uint32_t length, const uint8_t* buffer) {
    if (slot != kSlot || !slotOpen_) return 0;
    return unit_.ControlOut(buffer, length & 0xFFFF) ? 1 : 0;
}

int32_t EmulatorPort::ReceiveData(DeviceHandle slot, uint32_t length, uint8_t* buffer) {
    if (slot != kSlot || !slotOpen_) return 0;
    return unit_.ControlIn(buffer, length & 0xFFFF) ? 1 : 0;
}

// A pipe handle outlives its slot (the host closes it itself), but the unit behind it is
// gone once the slot is closed.
bool EmulatorPort::WritePipe(DeviceHandle, PipeHandle pipe, const uint8_t* data, uint32_t count,
                             uint32_t& done) {
    done = 0;
    if (!pipes_.count(pipe) || pipe != out_) return false;
    if (!unit_.BulkOut(data, count)) return false;
    done = count;
    return true;
}

bool EmulatorPort::ReadPipe(DeviceHandle, PipeHandle pipe, uint8_t* buffer, uint32_t count, uint32_t& done) {
    done = 0;
    if (!pipes_.count(pipe) || pipe != in_) return false;
    return unit_.BulkIn(buffer, count, done);
}

void EmulatorPort::ClosePipe(DeviceHandle, PipeHandle pipe) { pipes_.erase(pipe); }
