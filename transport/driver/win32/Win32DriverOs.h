// DriverOs bound to the real Windows setup API and device I/O.
#pragma once
#include "transport/driver/DriverOs.h"

namespace transport {

class Win32DriverOs : public DriverOs {
  public:
    Lookup InterfacePath(uint32_t index, std::string& path) override;
    OsHandle OpenPath(const std::string& path) override;
    bool IoControl(OsHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                   uint32_t outSize) override;
    void CloseHandle(OsHandle handle) override;
};

}  // namespace transport
