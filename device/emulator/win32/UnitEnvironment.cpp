#include "device/emulator/win32/UnitEnvironment.h"

#include <windows.h>

#include <cstdlib>

namespace {
std::string ThisModuleFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&ThisModuleFolder), &self)) {
        return ".";
    }
    char path[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return ".";
    std::string folder(path, n);
    size_t cut = folder.find_last_of("\\/");
    return cut == std::string::npos ? "." : folder.substr(0, cut);
}
}  // namespace

std::string UnitFolderFromEnvironment() {
    const char* dir = std::getenv("TESSMARK_UNIT_DIR");
    if (dir && *dir) return dir;
    return ThisModuleFolder() + "\\unit";
}

UnitFaults UnitFaultsFromEnvironment() {
    UnitFaults faults;
    const char* text = std::getenv("TESSMARK_UNIT_FAULT");
    std::string bad;
    if (text && !ParseUnitFaults(text, faults, bad)) {
        faults = UnitFaults{};
        faults.RefuseOpen = true;
    }
    return faults;
}
