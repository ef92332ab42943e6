#include "transport/winusb/EmulatedWinUsb.h"

#include <algorithm>
#include <cstring>

namespace transport {

EmulatedUsbDevice EmulatedUsbDevice::Unit(const std::u16string& path, uint16_t vendorId, uint16_t productId,
                                          uint16_t release) {
    EmulatedUsbDevice d;
    d.path = path;
    const auto bytes = MakeDeviceDescriptor(vendorId, productId, release).ToBytes();
    d.descriptor.assign(bytes.begin(), bytes.end());
    d.pipes = {{UsbPipeType::Bulk, 0x81, 64, 0}, {UsbPipeType::Bulk, 0x02, 64, 0}};
    return d;
}

WinUsbApi::Lookup EmulatedWinUsb::InterfacePath(uint32_t index, std::u16string& path) {
    if (index >= devices_.size()) return Lookup::NoDevice;
    path = devices_[index]->path;
    return Lookup::Found;
}

OsHandle EmulatedWinUsb::CreateDeviceFile(const std::u16string& path) {
    ++createCalls_;
    for (auto* d : devices_) {
        if (d->path == path && !d->createFails) {
            const OsHandle h = nextFile_;
            nextFile_ += 4;
            files_[h] = d;
            return h;
        }
    }
    return kInvalidHandle;
}

void EmulatedWinUsb::CloseHandle(OsHandle file) { files_.erase(file); }

bool EmulatedWinUsb::Initialize(OsHandle file, WinUsbInterfaceHandle& handle) {
    auto it = files_.find(file);
    if (it == files_.end() || it->second->initializeFails) return false;
    handle = reinterpret_cast<WinUsbInterfaceHandle>(nextUsb_);
    nextUsb_ += 8;
    usb_[handle] = it->second;
    return true;
}

void EmulatedWinUsb::Free(WinUsbInterfaceHandle handle) { usb_.erase(handle); }

EmulatedUsbDevice* EmulatedWinUsb::Device(WinUsbInterfaceHandle handle) const {
    auto it = usb_.find(handle);
    return it == usb_.end() ? nullptr : it->second;
}

bool EmulatedWinUsb::GetDescriptor(WinUsbInterfaceHandle handle, uint8_t type, uint8_t index,
                                   uint16_t language, uint8_t* buffer, uint32_t size, uint32_t& transferred) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr || d->descriptorFails || type != 1 || index != 0 || language != 0) return false;
    transferred = static_cast<uint32_t>(std::min<std::size_t>(size, d->descriptor.size()));
    std::memcpy(buffer, d->descriptor.data(), transferred);
    // An over-long answer reports its full length, as a misbehaving stack might.
    if (d->descriptor.size() > size) transferred = static_cast<uint32_t>(d->descriptor.size());
    return true;
}

bool EmulatedWinUsb::QueryInterfaceSettings(WinUsbInterfaceHandle handle, uint8_t alternate,
                                            UsbInterfaceInfo& info) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr || d->interfaceFails || alternate != 0) return false;
    info = d->interface;
    if (info.bNumEndpoints == 0) info.bNumEndpoints = static_cast<uint8_t>(d->pipes.size());
    return true;
}

bool EmulatedWinUsb::QueryPipe(WinUsbInterfaceHandle handle, uint8_t alternate, uint8_t pipeIndex,
                               UsbPipeInfo& info) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr || alternate != 0 || pipeIndex >= d->pipes.size() || d->pipeQueryFails.count(pipeIndex))
        return false;
    info = d->pipes[pipeIndex];
    return true;
}

bool EmulatedWinUsb::SetPipeTimeout(WinUsbInterfaceHandle handle, uint8_t pipeId, uint32_t milliseconds) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr) return false;
    d->timeouts[pipeId] = milliseconds;
    return true;
}

bool EmulatedWinUsb::ControlTransfer(WinUsbInterfaceHandle handle, const UsbSetupPacket& setup,
                                     uint8_t* buffer, uint32_t size, uint32_t& transferred) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr) return false;
    d->controlSeen.push_back(setup);
    transferred = 0;
    if (d->controlFails) return false;
    const uint32_t length = std::min<uint32_t>(size, setup.Length);
    if (setup.RequestType & 0x80) {
        transferred = static_cast<uint32_t>(std::min<std::size_t>(length, d->controlReply.size()));
        if (transferred) std::memcpy(buffer, d->controlReply.data(), transferred);
        d->controlData.emplace_back();
    } else {
        d->controlData.emplace_back(buffer, buffer + length);
        transferred = length - static_cast<uint32_t>(std::min<int>(d->shortWrite, static_cast<int>(length)));
    }
    return true;
}

bool EmulatedWinUsb::ReadPipe(WinUsbInterfaceHandle handle, uint8_t pipeId, uint8_t* buffer, uint32_t size,
                              uint32_t& transferred) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr) return false;
    auto& queue = d->bulkToHost[pipeId];
    if (queue.empty()) return false;  // nothing would arrive before the time-out
    transferred = static_cast<uint32_t>(std::min<std::size_t>(size, queue.front().size()));
    std::memcpy(buffer, queue.front().data(), transferred);
    queue.pop_front();
    return true;
}

bool EmulatedWinUsb::WritePipe(WinUsbInterfaceHandle handle, uint8_t pipeId, const uint8_t* buffer,
                               uint32_t size, uint32_t& transferred) {
    EmulatedUsbDevice* d = Device(handle);
    if (d == nullptr) return false;
    d->bulkFromHost[pipeId].emplace_back(buffer, buffer + size);
    transferred = size;
    return true;
}

}  // namespace transport
