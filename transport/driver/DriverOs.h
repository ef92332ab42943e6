// What Dorlink asks of the operating system: the device interface path by enumeration index,
// opening a path as a file, synchronous device I/O control, and closing. The production binding
// is SetupDi* / CreateFileA / DeviceIoControl / CloseHandle; tests and the emulated variant of
// the DLL bind it to EmulatedDriverOs.
#pragma once
#include <cstdint>
#include <string>

namespace transport {

// An operating-system handle carried as an integer so the core stays portable; on Windows it is
// the HANDLE's bit pattern (INVALID_HANDLE_VALUE is -1).
using OsHandle = intptr_t;
inline constexpr OsHandle kInvalidHandle = -1;

class DriverOs {
  public:
    virtual ~DriverOs() = default;

    enum class Lookup { Found, NoDevice };
    // Interface path of the device at this enumeration index of the interface class
    // (present devices only). NoDevice ends the enumeration.
    virtual Lookup InterfacePath(uint32_t index, std::string& path) = 0;

    // Opens a device or pipe path for reading and writing, sharing both, existing only, no flags.
    // kInvalidHandle on failure.
    virtual OsHandle OpenPath(const std::string& path) = 0;

    // One synchronous DeviceIoControl; only the call's success counts, not the bytes returned.
    virtual bool IoControl(OsHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                           uint32_t outSize) = 0;

    virtual void CloseHandle(OsHandle handle) = 0;
};

}  // namespace transport
