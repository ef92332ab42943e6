#include "device/emulator/UnitWinUsb.h"

#include <algorithm>
#include <cstring>

#include "transport/common/UsbDescriptor.h"

using transport::OsHandle;
using transport::UsbPipeType;
using transport::WinUsbInterfaceHandle;

namespace {
// Stand-ins for the device file and the WinUSB interface handle: the Fenlink core only hands
// them back to this object, never to the operating system.
constexpr OsHandle kUnitFile = 0x7E11;
WinUsbInterfaceHandle UnitHandle() { return reinterpret_cast<WinUsbInterfaceHandle>(uintptr_t(0x7E20)); }

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; }

bool SamePath(const std::u16string& a, const std::u16string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

// The unit's text protocol: vendor requests to the interface, request 0, value 0, index 0.
bool IsUnitRequest(const transport::UsbSetupPacket& setup) {
    return (setup.RequestType == 0x41 || setup.RequestType == 0xC1) && setup.Request == 0 &&
           setup.Value == 0 && setup.Index == 0;
}
}  // namespace

std::u16string UnitWinUsb::DevicePath() const {
    static const char16_t hex[] = u"0123456789abcdef";
    std::u16string pid;
    for (int shift = 12; shift >= 0; shift -= 4) pid += hex[(unit_.ProductId() >> shift) & 0xF];
    return u"\\\\?\\usb#vid_1079&pid_" + pid + u"#tessmark-emulated#{31303033-5355-4750-4a50-42524f56494b}";
}

transport::WinUsbApi::Lookup UnitWinUsb::InterfacePath(uint32_t index, std::u16string& path) {
    if (index != 0) return Lookup::NoDevice;
    path = DevicePath();
    return Lookup::Found;
}

OsHandle UnitWinUsb::CreateDeviceFile(const std::u16string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fileOpen_ || !SamePath(path, DevicePath())) return transport::kInvalidHandle;
    fileOpen_ = true;
    return kUnitFile;
}

void UnitWinUsb::CloseHandle(OsHandle file) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file == kUnitFile) fileOpen_ = false;
}

bool UnitWinUsb::Initialize(OsHandle file, WinUsbInterfaceHandle& handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (file != kUnitFile || !fileOpen_ || initialized_) return false;
    if (!unit_.Open()) return false;  // a refusing unit
    initialized_ = true;
    descriptorReads_ = 0;
    timeouts_.clear();
    handle = UnitHandle();
    return true;
}

void UnitWinUsb::Free(WinUsbInterfaceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (handle != UnitHandle() || !initialized_) return;
    initialized_ = false;
    unit_.Close();
}

bool UnitWinUsb::IsOurs(WinUsbInterfaceHandle handle) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return initialized_ && handle == UnitHandle();
}

bool UnitWinUsb::GetDescriptor(WinUsbInterfaceHandle handle, uint8_t type, uint8_t index, uint16_t language,
                               uint8_t* buffer, uint32_t size, uint32_t& transferred) {
    transferred = 0;
    if (!IsOurs(handle) || type != 1 || index != 0 || language != 0 || buffer == nullptr) return false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (descriptorReads_++ > 0 && !unit_.Answers()) return false;
    }
    const auto bytes = transport::MakeDeviceDescriptor(UnitEmulator::VendorId, unit_.ProductId()).ToBytes();
    transferred = uint32_t(std::min<std::size_t>(size, bytes.size()));
    std::memcpy(buffer, bytes.data(), transferred);
    return true;
}

bool UnitWinUsb::QueryInterfaceSettings(WinUsbInterfaceHandle handle, uint8_t alternate,
                                        transport::UsbInterfaceInfo& info) {
    if (!IsOurs(handle) || alternate != 0) return false;
    info = {0, 0, 2};
    return true;
}

bool UnitWinUsb::QueryPipe(WinUsbInterfaceHandle handle, uint8_t alternate, uint8_t pipeIndex,
                           transport::UsbPipeInfo& info) {
    if (!IsOurs(handle) || alternate != 0 || pipeIndex > 1) return false;
    info = {UsbPipeType::Bulk, pipeIndex == 0 ? PipeToHost : PipeToUnit, 64, 0};
    return true;
}

bool UnitWinUsb::SetPipeTimeout(WinUsbInterfaceHandle handle, uint8_t pipeId, uint32_t milliseconds) {
    if (!IsOurs(handle) || (pipeId != PipeToHost && pipeId != PipeToUnit)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    timeouts_[pipeId] = milliseconds;
    return true;
}

uint32_t UnitWinUsb::PipeTimeout(uint8_t pipeId) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = timeouts_.find(pipeId);
    return it == timeouts_.end() ? 0 : it->second;
}

bool UnitWinUsb::ControlTransfer(WinUsbInterfaceHandle handle, const transport::UsbSetupPacket& setup,
                                 uint8_t* buffer, uint32_t size, uint32_t& transferred) {
    transferred = 0;
    if (!IsOurs(handle) || !IsUnitRequest(setup)) return false;
    const uint32_t length = std::min<uint32_t>(setup.Length, size);
    if (length > 0 && buffer == nullptr) return false;
    const bool ok =
        setup.RequestType == 0x41 ? unit_.ControlOut(buffer, length) : unit_.ControlIn(buffer, length);
    if (!ok) return false;  // the unit stalls the request
    transferred = length;
    return true;
}

bool UnitWinUsb::ReadPipe(WinUsbInterfaceHandle handle, uint8_t pipeId, uint8_t* buffer, uint32_t size,
                          uint32_t& transferred) {
    transferred = 0;
    if (!IsOurs(handle) || pipeId != PipeToHost || buffer == nullptr) return false;
    // One transfer is at most one of the host's 256-byte reads. With nothing to hand out within
    // the pipe's time-out the transfer fails, as WinUSB's does (ERROR_SEM_TIMEOUT); a pipe that
    // was given none still gives up after 5 s, so an emulated read never hangs.
    uint32_t wait = PipeTimeout(pipeId);
    if (wait == 0) wait = 5000;
    uint32_t done = 0;
    if (!unit_.BulkIn(buffer, std::min<uint32_t>(size, unitlink::BlockSize), done, wait)) return false;
    if (done == 0 && size > 0) return false;
    transferred = done;
    return true;
}

bool UnitWinUsb::WritePipe(WinUsbInterfaceHandle handle, uint8_t pipeId, const uint8_t* buffer, uint32_t size,
                           uint32_t& transferred) {
    transferred = 0;
    if (!IsOurs(handle) || pipeId != PipeToUnit || (buffer == nullptr && size > 0)) return false;
    if (!unit_.BulkOut(buffer, size)) return false;
    transferred = size;
    return true;
}
