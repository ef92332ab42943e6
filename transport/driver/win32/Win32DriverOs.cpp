#include "transport/driver/win32/Win32DriverOs.h"

#include <windows.h>
// windows.h first: setupapi.h relies on its types.
#include <setupapi.h>

#include <cstdlib>
#include <cstring>

#include "transport/common/Win32InterfaceGuid.h"

namespace transport {

namespace {

HANDLE ToHandle(OsHandle h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

DriverOs::Lookup Win32DriverOs::InterfacePath(uint32_t index, std::string& path) {
    const GUID guid = ClassGuid();
    HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return Lookup::NoDevice;

    Lookup result = Lookup::NoDevice;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    DWORD size = 0;
    if (SetupDiEnumDeviceInterfaces(set, nullptr, &guid, index, &data) &&
        !SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &size, nullptr) &&
        GetLastError() == ERROR_INSUFFICIENT_BUFFER && size >= sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::calloc(1, size));
        if (detail != nullptr) {
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (SetupDiGetDeviceInterfaceDetailA(set, &data, detail, size, nullptr, nullptr)) {
                // The path ends within the block even if the system forgot its terminator.
                const std::size_t room = size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
                path.assign(detail->DevicePath, strnlen(detail->DevicePath, room));
                result = Lookup::Found;
            }
            std::free(detail);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return result;
}

OsHandle Win32DriverOs::OpenPath(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    return reinterpret_cast<OsHandle>(h);
}

bool Win32DriverOs::IoControl(OsHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                              uint32_t outSize) {
    DWORD returned = 0;
    return DeviceIoControl(ToHandle(handle), code, const_cast<void*>(in), inSize, out, outSize, &returned,
                           nullptr) != FALSE;
}

void Win32DriverOs::CloseHandle(OsHandle handle) { ::CloseHandle(ToHandle(handle)); }

}  // namespace transport
