#include "device/emulator/UnitDevice.h"

#include <algorithm>

using transport::ControlSetup;
using transport::PipeDirection;

UnitDevice::UnitDevice(UnitEmulator& unit) : unit_(unit) {}

UnitDevice::~UnitDevice() { unit_.Close(); }

void UnitDevice::SessionStart() { unit_.Open(); }

void UnitDevice::SessionEnd() { unit_.Close(); }

bool UnitDevice::DeviceDescriptor(transport::DeviceDescriptorBytes& out) {
    if (unit_.Faults().RefuseOpen) return false;
    out = transport::MakeDeviceDescriptor(UnitEmulator::VendorId, unit_.ProductId()).ToBytes();
    return true;
}

bool UnitDevice::AttachValue(uint32_t& value) {
    value = unit_.Answers() ? 1 : 0;
    return true;
}

bool UnitDevice::IsUnitRequest(const ControlSetup& setup) {
    return setup.kind == transport::dorlink::RequestKind::Vendor && setup.recipient == 1 &&
           setup.request == 0 && setup.value == 0 && setup.index == 0;
}

bool UnitDevice::ControlIn(const ControlSetup& setup, uint8_t* data) {
    return IsUnitRequest(setup) && unit_.ControlIn(data, setup.length);
}

bool UnitDevice::ControlOut(const ControlSetup& setup, const uint8_t* data) {
    return IsUnitRequest(setup) && unit_.ControlOut(data, setup.length);
}

PipeDirection UnitDevice::Pipe(uint8_t interfaceNumber, uint8_t pipeNumber) {
    if (interfaceNumber != 0) return PipeDirection::None;
    if (pipeNumber == 0) return PipeDirection::In;
    if (pipeNumber == 1) return PipeDirection::Out;
    return PipeDirection::None;
}

bool UnitDevice::PipeWrite(uint8_t interfaceNumber, uint8_t pipeNumber, const uint8_t* data,
                           std::size_t length) {
    if (Pipe(interfaceNumber, pipeNumber) != PipeDirection::Out) return false;
    return unit_.BulkOut(data, uint32_t(length));
}

bool UnitDevice::PipeRead(uint8_t interfaceNumber, uint8_t pipeNumber, uint8_t* data, std::size_t capacity,
                          std::size_t& got) {
    got = 0;
    if (Pipe(interfaceNumber, pipeNumber) != PipeDirection::In) return false;
    // One transfer is at most one of the host's 256-byte reads, so a pipe that keeps transfers
    // whole never hands the host more than it asked for.
    uint32_t done = 0;
    bool ok = unit_.BulkIn(data, uint32_t(std::min<std::size_t>(capacity, unitlink::BlockSize)), done);
    got = done;
    return ok;
}
