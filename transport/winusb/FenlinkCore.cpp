#include "transport/winusb/FenlinkCore.h"

#include <cstring>

namespace transport {

namespace {

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Interface paths are ASCII in practice; case is not significant in them.
bool SamePath(const char16_t* a, const char16_t* b) {
    for (;; ++a, ++b) {
        if (Fold(*a) != Fold(*b)) return false;
        if (*a == 0) return true;
    }
}

}  // namespace

void FenlinkCore::Reset(UsbDeviceContext& r) {
    std::memset(&r, 0, sizeof r);
    r.DeviceFile = kInvalidHandle;
    r.WinUsbHandle = nullptr;
    r.PipeTimeout = kFenlinkPipeTimeout;
}

void FenlinkCore::Release(UsbDeviceContext& r) {
    if (r.WinUsbHandle != nullptr) api_.Free(r.WinUsbHandle);
    r.WinUsbHandle = nullptr;
    if (r.DeviceFile != kInvalidHandle) api_.CloseHandle(r.DeviceFile);
    r.DeviceFile = kInvalidHandle;
    r.DevicePath[0] = 0;
    r.PipeCount = 0;
    std::memset(r.Pipes, 0, sizeof r.Pipes);
    r.InUse = 0;
}

void FenlinkCore::Setup() {
    if (setUp_) return;
    for (auto& r : records_) Reset(r);
    setUp_ = true;
}

void FenlinkCore::Teardown() {
    if (!setUp_) return;
    for (auto& r : records_)
        if (r.InUse) Release(r);
    setUp_ = false;
}

UsbDeviceContext* FenlinkCore::Valid(void* device) {
    if (!setUp_ || device == nullptr) return nullptr;
    for (auto& r : records_)
        if (static_cast<void*>(&r) == device) return r.InUse ? &r : nullptr;
    return nullptr;
}

int FenlinkCore::OpenCount() const {
    int n = 0;
    for (const auto& r : records_) n += r.InUse ? 1 : 0;
    return n;
}

bool FenlinkCore::AcceptsDescriptor(UsbDeviceContext& r, const Selection& selection) {
    uint8_t bytes[kDeviceDescriptorSize] = {};
    uint32_t transferred = 0;
    if (!api_.GetDescriptor(r.WinUsbHandle, 1, 0, 0, bytes, sizeof bytes, transferred)) return false;
    if (transferred < 1 || transferred > kDeviceDescriptorSize) return false;
    const auto d = UsbDeviceDescriptor::FromBytes(bytes);
    if (d.bDescriptorType != 1 || d.bLength == 0) return false;
    if (d.bMaxPacketSize0 < 1 || d.bMaxPacketSize0 > 64) return false;
    if (d.idVendor == 0 || d.idProduct == 0) return false;
    return MatchesSelection(selection, d, ReleaseWidth::Bits16);
}

bool FenlinkCore::RecordPipes(UsbDeviceContext& r) {
    std::memset(r.Pipes, 0, sizeof r.Pipes);
    r.PipeCount = 0;
    UsbInterfaceInfo info;
    if (!api_.QueryInterfaceSettings(r.WinUsbHandle, 0, info) || info.bNumEndpoints == 0) return false;
    int usable = 0;
    for (uint8_t i = 0; i < info.bNumEndpoints; ++i) {
        UsbPipeInfo pipe;
        if (!api_.QueryPipe(r.WinUsbHandle, 0, i, pipe)) continue;
        if (pipe.PipeId == 0 || pipe.MaximumPacketSize == 0) continue;
        if (pipe.PipeType == UsbPipeType::Control || pipe.PipeType == UsbPipeType::Isochronous) continue;
        ++usable;
        if (r.PipeCount < kFenlinkMaxPipes)
            r.Pipes[r.PipeCount++] = {pipe.PipeId, info.bInterfaceNumber, i, 1};
        api_.SetPipeTimeout(r.WinUsbHandle, pipe.PipeId, r.PipeTimeout);
    }
    return usable > 0;
}

void* FenlinkCore::Open(int32_t mask, int32_t deviceClass, int32_t deviceSubClass, int32_t vendorId,
                        int32_t productId, int32_t release) {
    if (!setUp_) return nullptr;
    const Selection selection{mask, deviceClass, deviceSubClass, vendorId, productId, release};
    for (uint32_t index = 0;;) {
        std::u16string found;
        if (api_.InterfacePath(index, found) != WinUsbApi::Lookup::Found) return nullptr;
        char16_t path[kFenlinkPathChars];
        const std::size_t n = found.size() < kFenlinkPathChars ? found.size() : kFenlinkPathChars - 1;
        std::memcpy(path, found.data(), n * sizeof(char16_t));
        path[n] = 0;
        ++index;

        bool alreadyOpen = false;
        for (const auto& r : records_) alreadyOpen = alreadyOpen || (r.InUse && SamePath(r.DevicePath, path));
        if (alreadyOpen) continue;

        UsbDeviceContext* record = nullptr;
        for (auto& r : records_) {
            if (!r.InUse) {
                record = &r;
                break;
            }
        }
        if (record == nullptr) return nullptr;
        Reset(*record);
        record->InUse = 1;

        const OsHandle file = api_.CreateDeviceFile(path);
        if (file == kInvalidHandle) {
            Release(*record);
            continue;
        }
        WinUsbInterfaceHandle usb = nullptr;
        if (!api_.Initialize(file, usb)) {
            api_.CloseHandle(file);
            Release(*record);
            continue;
        }
        record->DeviceFile = file;
        record->WinUsbHandle = usb;
        std::memcpy(record->DevicePath, path, sizeof path);

        if (AcceptsDescriptor(*record, selection) && RecordPipes(*record)) return record;
        Release(*record);
    }
}

void FenlinkCore::Close(void* device) {
    if (UsbDeviceContext* r = Valid(device)) Release(*r);
}

int32_t FenlinkCore::Check(void* device) {
    UsbDeviceContext* r = Valid(device);
    if (r == nullptr || r->WinUsbHandle == nullptr) return 1;
    uint8_t bytes[kDeviceDescriptorSize];
    uint32_t transferred = 0;
    return api_.GetDescriptor(r->WinUsbHandle, 1, 0, 0, bytes, sizeof bytes, transferred) ? 0 : 2;
}

int32_t FenlinkCore::Control(void* device, uint8_t requestType, uint16_t length, uint8_t* buffer) {
    UsbDeviceContext* r = Valid(device);
    if (r == nullptr || r->WinUsbHandle == nullptr) return 0;
    // A missing buffer with a data stage would be dereferenced by the transfer.
    if (buffer == nullptr && length != 0) return 0;
    UsbSetupPacket setup;
    setup.RequestType = requestType;
    setup.Length = length;
    uint32_t transferred = 0;
    return api_.ControlTransfer(r->WinUsbHandle, setup, buffer, length, transferred) && transferred == length
               ? 1
               : 0;
}

int32_t FenlinkCore::SendData(void* device, uint16_t length, const void* buffer) {
    return Control(device, 0x41, length, static_cast<uint8_t*>(const_cast<void*>(buffer)));
}

int32_t FenlinkCore::ReceiveData(void* device, uint16_t length, void* buffer) {
    return Control(device, 0xC1, length, static_cast<uint8_t*>(buffer));
}

int32_t FenlinkCore::GetPipeEndpoint(void* device, uint8_t interfaceNumber, uint8_t n, uint8_t* endpoint) {
    UsbDeviceContext* r = Valid(device);
    if (r == nullptr || endpoint == nullptr) return 0;
    *endpoint = 0;
    int count = 0;
    for (int i = 0; i < r->PipeCount; ++i) {
        const PipeEntry& e = r->Pipes[i];
        if (!e.Valid || e.InterfaceNumber != interfaceNumber) continue;
        if (count == n) {
            *endpoint = e.EndpointAddress;
            return 1;
        }
        ++count;
    }
    return 0;
}

int32_t FenlinkCore::BulkWrite(void* device, uint8_t endpoint, const void* buffer, uint32_t length,
                               uint32_t* count) {
    UsbDeviceContext* r = Valid(device);
    if (r == nullptr || r->WinUsbHandle == nullptr || buffer == nullptr || count == nullptr || endpoint == 0)
        return 0;
    *count = 0;
    return api_.WritePipe(r->WinUsbHandle, endpoint, static_cast<const uint8_t*>(buffer), length, *count) ? 1
                                                                                                          : 0;
}

int32_t FenlinkCore::BulkRead(void* device, uint8_t endpoint, void* buffer, uint32_t length,
                              uint32_t* count) {
    UsbDeviceContext* r = Valid(device);
    if (r == nullptr || r->WinUsbHandle == nullptr || buffer == nullptr || count == nullptr || endpoint == 0)
        return 0;
    *count = 0;
    return api_.ReadPipe(r->WinUsbHandle, endpoint, static_cast<uint8_t*>(buffer), length, *count) ? 1 : 0;
}

}  // namespace transport
