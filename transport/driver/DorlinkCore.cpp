#include "transport/driver/DorlinkCore.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

namespace transport {

using namespace dorlink;

void DorlinkCore::ResetTable() {
    for (auto& e : table_) {
        e.DevicePath[0] = 0;
        e.DeviceHandle = kInvalidHandle;
    }
}

void DorlinkCore::CloseAll() {
    for (int32_t slot = 0; slot < kTableSize; ++slot) Close(slot);
}

bool DorlinkCore::IsOpen(int32_t slot) const {
    return slot >= 0 && slot < kTableSize && table_[slot].DeviceHandle != kInvalidHandle;
}

std::string DorlinkCore::SlotPath(int32_t slot) const {
    if (slot < 0 || slot >= kTableSize) return {};
    return table_[slot].DevicePath;
}

OsHandle DorlinkCore::StoredHandle(int32_t slot) const {
    if (slot < 0 || slot >= kTableSize) return kInvalidHandle;
    return table_[slot].DeviceHandle;
}

std::string DorlinkCore::PipePath(const std::string& devicePath, uint8_t interfaceNumber,
                                  uint8_t pipeNumber) {
    char buffer[kPipePathBuffer];
    // A 259-character device path plus the 13-character suffix always fits.
    std::snprintf(buffer, sizeof buffer, "%s\\if%03dpipe%03d", devicePath.c_str(), interfaceNumber,
                  pipeNumber);
    return buffer;
}

int32_t DorlinkCore::OpenMask(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId,
                              int32_t productId, int32_t release) {
    const Selection selection{mask, deviceClass, deviceSubClass, vendorId, productId, release};
    for (uint32_t index = 0;; ++index) {
        std::string path;
        if (os_.InterfacePath(index, path) != DriverOs::Lookup::Found) return -1;
        // A path that does not fit a table entry could not be stored whole; such a device is skipped.
        if (path.size() > kMaxDevicePath) continue;

        const OsHandle handle = os_.OpenPath(path);
        if (handle == kInvalidHandle) continue;

        bool answered = false;
        for (int poll = 0; poll < kStatusPolls && !answered; ++poll) {
            const uint8_t request[4] = {0, 0, 0, 0};  // recipient device, index 0
            uint8_t status[2] = {};
            answered = Ioctl(handle, kIoGetStatus, request, sizeof request, status, sizeof status);
        }
        if (!answered) {
            os_.CloseHandle(handle);
            continue;
        }

        const uint8_t descriptorRequest[4] = {1, 0, 0, 0};  // device descriptor, index 0, language 0
        DeviceDescriptorBytes descriptor{};
        if (!Ioctl(handle, kIoGetDescriptor, descriptorRequest, sizeof descriptorRequest, descriptor.data(),
                   static_cast<uint32_t>(descriptor.size())) ||
            !MatchesSelection(selection, UsbDeviceDescriptor::FromBytes(descriptor.data()),
                              ReleaseWidth::Bits8)) {
            os_.CloseHandle(handle);
            continue;
        }

        int32_t taken = -1;
        {
            std::lock_guard<std::mutex> guard(lock_);
            for (int32_t slot = 0; slot < kTableSize; ++slot) {
                if (table_[slot].DeviceHandle == kInvalidHandle) {
                    table_[slot].DeviceHandle = handle;
                    std::memcpy(table_[slot].DevicePath, path.c_str(), path.size() + 1);
                    taken = slot;
                    break;
                }
            }
        }
        if (taken >= 0) return taken;
        os_.CloseHandle(handle);
    }
}

void DorlinkCore::Close(int32_t slot) {
    if (slot < 0 || slot >= kTableSize) return;
    std::lock_guard<std::mutex> guard(lock_);
    DeviceSlot& e = table_[slot];
    if (e.DeviceHandle != kInvalidHandle) os_.CloseHandle(e.DeviceHandle);
    e.DevicePath[0] = 0;
    e.DeviceHandle = kInvalidHandle;
}

OsHandle DorlinkCore::OpenPipe(int32_t slot, int32_t interfaceNumber, int32_t pipeNumber) {
    if (!IsOpen(slot)) return kInvalidHandle;
    return os_.OpenPath(PipePath(table_[slot].DevicePath, static_cast<uint8_t>(interfaceNumber),
                                 static_cast<uint8_t>(pipeNumber)));
}

int32_t DorlinkCore::ControlRequest(RequestKind kind, int32_t slot, int32_t direction, int32_t recipient,
                                    int32_t request, int32_t value, int32_t index, int32_t length,
                                    void* buffer) {
    if (!IsOpen(slot)) return 0;
    const uint32_t to = static_cast<uint8_t>(recipient);
    if (to > 3) return 0;

    dorlink::ControlRequest header;
    header.function = kind == RequestKind::Vendor ? kVendorFunction[to] : kClassFunction[to];
    header.direction = direction != 0 ? kDirectionIn : kDirectionOut;
    header.request = static_cast<uint8_t>(request);
    header.value = static_cast<uint16_t>(value);
    header.index = static_cast<uint16_t>(index);
    const auto bytes = header.Encode();
    const uint16_t size = static_cast<uint16_t>(length);
    const OsHandle handle = table_[slot].DeviceHandle;

    if (direction != 0)
        return Ioctl(handle, kIoControlIn, bytes.data(), kControlRequestSize, buffer, size) ? 1 : 0;

    // A missing data buffer would be read from address 0; refuse instead of crashing the caller.
    if (size != 0 && buffer == nullptr) return 0;
    // The header and the data stage go down as one block. An allocation failure must come back as
    // a failed request, never as an exception through the exported function.
    const uint32_t blockSize = kControlRequestSize + size;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[blockSize]);
    if (!block) return 0;
    std::memcpy(block.get(), bytes.data(), kControlRequestSize);
    if (size != 0) std::memcpy(block.get() + kControlRequestSize, buffer, size);
    return Ioctl(handle, kIoControlOut, block.get(), blockSize, nullptr, 0) ? 1 : 0;
}

int32_t DorlinkCore::Check(int32_t slot) {
    if (!IsOpen(slot)) return 1;
    uint32_t attached = 0;
    if (Ioctl(table_[slot].DeviceHandle, kIoGetAttached, nullptr, 0, &attached, sizeof attached) &&
        attached != 0)
        return 0;
    return 2;
}

int32_t DorlinkCore::ResetPipe(OsHandle pipe) {
    return Ioctl(pipe, kIoResetPipe, nullptr, 0, nullptr, 0) ? 1 : 0;
}

int32_t DorlinkCore::ResetDevice(int32_t slot) {
    return Ioctl(StoredHandle(slot), kIoResetDevice, nullptr, 0, nullptr, 0) ? 1 : 0;
}

int32_t DorlinkCore::GetDeviceDescriptor(int32_t slot, void* buffer) {
    const uint8_t request[4] = {1, 0, 0, 0};
    return Ioctl(StoredHandle(slot), kIoGetDescriptor, request, sizeof request, buffer,
                 static_cast<uint32_t>(kDeviceDescriptorSize))
               ? 1
               : 0;
}

int32_t DorlinkCore::GetConfigurationDescriptor(int32_t slot, void* buffer, int32_t bufferSize) {
    const uint8_t request[4] = {2, 0, 0, 0};
    return Ioctl(StoredHandle(slot), kIoGetDescriptor, request, sizeof request, buffer,
                 static_cast<uint32_t>(bufferSize))
               ? 1
               : 0;
}

int32_t DorlinkCore::GetStatusEndpoint(int32_t slot, uint16_t endpoint, void* buffer) {
    const uint8_t request[4] = {2, 0, static_cast<uint8_t>(endpoint), static_cast<uint8_t>(endpoint >> 8)};
    return Ioctl(StoredHandle(slot), kIoGetStatus, request, sizeof request, buffer, 2) ? 1 : 0;
}

int32_t DorlinkCore::ReceiveTimeOut(int32_t slot, uint32_t timeout) {
    const uint8_t request[4] = {static_cast<uint8_t>(timeout), static_cast<uint8_t>(timeout >> 8),
                                static_cast<uint8_t>(timeout >> 16), static_cast<uint8_t>(timeout >> 24)};
    return Ioctl(StoredHandle(slot), kIoSetTimeout, request, sizeof request, nullptr, 0) ? 1 : 0;
}

}  // namespace transport
