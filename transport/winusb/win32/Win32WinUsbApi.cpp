#include "transport/winusb/win32/Win32WinUsbApi.h"

#include <windows.h>
// windows.h first: the setup API and WinUSB headers rely on its types.
#include <setupapi.h>
#include <winusb.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "transport/common/Win32InterfaceGuid.h"

namespace transport {

namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

struct WinUsbEntries {
    decltype(&WinUsb_Initialize) Initialize = nullptr;
    decltype(&WinUsb_Free) Free = nullptr;
    decltype(&WinUsb_GetDescriptor) GetDescriptor = nullptr;
    decltype(&WinUsb_QueryInterfaceSettings) QueryInterfaceSettings = nullptr;
    decltype(&WinUsb_QueryPipe) QueryPipe = nullptr;
    decltype(&WinUsb_SetPipePolicy) SetPipePolicy = nullptr;
    decltype(&WinUsb_ControlTransfer) ControlTransfer = nullptr;
    decltype(&WinUsb_ReadPipe) ReadPipe = nullptr;
    decltype(&WinUsb_WritePipe) WritePipe = nullptr;
    bool complete = false;
};

template <typename T>
void Resolve(HMODULE module, const char* name, T& entry) {
    entry = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded on first use, never in DllMain.
const WinUsbEntries& Entries() {
    static const WinUsbEntries entries = [] {
        WinUsbEntries e;
        HMODULE m = LoadLibraryA("winusb.dll");
        if (m == nullptr) return e;
        Resolve(m, "WinUsb_Initialize", e.Initialize);
        Resolve(m, "WinUsb_Free", e.Free);
        Resolve(m, "WinUsb_GetDescriptor", e.GetDescriptor);
        Resolve(m, "WinUsb_QueryInterfaceSettings", e.QueryInterfaceSettings);
        Resolve(m, "WinUsb_QueryPipe", e.QueryPipe);
        Resolve(m, "WinUsb_SetPipePolicy", e.SetPipePolicy);
        Resolve(m, "WinUsb_ControlTransfer", e.ControlTransfer);
        Resolve(m, "WinUsb_ReadPipe", e.ReadPipe);
        Resolve(m, "WinUsb_WritePipe", e.WritePipe);
        e.complete = e.Initialize && e.Free && e.GetDescriptor && e.QueryInterfaceSettings && e.QueryPipe &&
                     e.SetPipePolicy && e.ControlTransfer && e.ReadPipe && e.WritePipe;
        return e;
    }();
    return entries;
}

}  // namespace

WinUsbApi::Lookup Win32WinUsbApi::InterfacePath(uint32_t index, std::u16string& path) {
    const GUID guid = ClassGuid();
    HDEVINFO set = SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return Lookup::NoDevice;

    Lookup result = Lookup::NoDevice;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    DWORD size = 0;
    if (SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data)) {
        const BOOL sized = SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &size, nullptr);
        if ((sized || GetLastError() == ERROR_INSUFFICIENT_BUFFER) &&
            size >= sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
            auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(std::calloc(1, size));
            if (detail != nullptr) {
                detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
                if (SetupDiGetDeviceInterfaceDetailW(set, &data, detail, size, nullptr, nullptr)) {
                    const std::size_t room =
                        (size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
                    const std::size_t n = wcsnlen(detail->DevicePath, room);
                    path.assign(reinterpret_cast<const char16_t*>(detail->DevicePath), n);
                    result = Lookup::Found;
                }
                std::free(detail);
            }
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

OsHandle Win32WinUsbApi::CreateDeviceFile(const std::u16string& path) {
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    return reinterpret_cast<OsHandle>(h);
}

void Win32WinUsbApi::CloseHandle(OsHandle file) { ::CloseHandle(reinterpret_cast<HANDLE>(file)); }

bool Win32WinUsbApi::Initialize(OsHandle file, WinUsbInterfaceHandle& handle) {
    const auto& e = Entries();
    if (!e.complete) return false;
    WINUSB_INTERFACE_HANDLE h = nullptr;
    if (!e.Initialize(reinterpret_cast<HANDLE>(file), &h)) return false;
    handle = h;
    return true;
}

void Win32WinUsbApi::Free(WinUsbInterfaceHandle handle) {
    if (Entries().complete) Entries().Free(handle);
}

bool Win32WinUsbApi::GetDescriptor(WinUsbInterfaceHandle handle, uint8_t type, uint8_t index,
                                   uint16_t language, uint8_t* buffer, uint32_t size, uint32_t& transferred) {
    ULONG n = 0;
    const bool ok = Entries().GetDescriptor(handle, type, index, language, buffer, size, &n) != FALSE;
    transferred = n;
    return ok;
}

bool Win32WinUsbApi::QueryInterfaceSettings(WinUsbInterfaceHandle handle, uint8_t alternate,
                                            UsbInterfaceInfo& info) {
    USB_INTERFACE_DESCRIPTOR d{};
    if (!Entries().QueryInterfaceSettings(handle, alternate, &d)) return false;
    info.bInterfaceNumber = d.bInterfaceNumber;
    info.bAlternateSetting = d.bAlternateSetting;
    info.bNumEndpoints = d.bNumEndpoints;
    return true;
}

bool Win32WinUsbApi::QueryPipe(WinUsbInterfaceHandle handle, uint8_t alternate, uint8_t pipeIndex,
                               UsbPipeInfo& info) {
    WINUSB_PIPE_INFORMATION p{};
    if (!Entries().QueryPipe(handle, alternate, pipeIndex, &p)) return false;
    info.PipeType = static_cast<UsbPipeType>(p.PipeType);
    info.PipeId = p.PipeId;
    info.MaximumPacketSize = p.MaximumPacketSize;
    info.Interval = p.Interval;
    return true;
}

bool Win32WinUsbApi::SetPipeTimeout(WinUsbInterfaceHandle handle, uint8_t pipeId, uint32_t milliseconds) {
    ULONG value = milliseconds;
    return Entries().SetPipePolicy(handle, pipeId, PIPE_TRANSFER_TIMEOUT, sizeof value, &value) != FALSE;
}

bool Win32WinUsbApi::ControlTransfer(WinUsbInterfaceHandle handle, const UsbSetupPacket& setup,
                                     uint8_t* buffer, uint32_t size, uint32_t& transferred) {
    WINUSB_SETUP_PACKET packet{};
    packet.RequestType = setup.RequestType;
    packet.Request = setup.Request;
    packet.Value = setup.Value;
    packet.Index = setup.Index;
    packet.Length = setup.Length;
    ULONG n = 0;
    const bool ok = Entries().ControlTransfer(handle, packet, buffer, size, &n, nullptr) != FALSE;
    transferred = n;
    return ok;
}

bool Win32WinUsbApi::ReadPipe(WinUsbInterfaceHandle handle, uint8_t pipeId, uint8_t* buffer, uint32_t size,
                              uint32_t& transferred) {
    ULONG n = 0;
    const bool ok = Entries().ReadPipe(handle, pipeId, buffer, size, &n, nullptr) != FALSE;
    transferred = n;
    return ok;
}

bool Win32WinUsbApi::WritePipe(WinUsbInterfaceHandle handle, uint8_t pipeId, const uint8_t* buffer,
                               uint32_t size, uint32_t& transferred) {
    ULONG n = 0;
    const bool ok =
        Entries().WritePipe(handle, pipeId, const_cast<uint8_t*>(buffer), size, &n, nullptr) != FALSE;
    transferred = n;
    return ok;
}

}  // namespace transport
