// Loads a Fenlink.dll given on the command line, resolves its exports by ordinal and by name,
// and prints what they answer with no unit attached, for tests/e2e/test_exports.sh.
#include <windows.h>

#include <cstdio>

#include "transport/common/RavioFenlink.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    HMODULE dll = LoadLibraryA(argv[1]);
    std::printf("loaded %s\n", dll != nullptr ? "yes" : "no");
    if (dll == nullptr) return 1;
    auto open = reinterpret_cast<decltype(&Ravio_Open)>(
        reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(1))));
    auto check =
        reinterpret_cast<decltype(&Ravio_Check)>(reinterpret_cast<void*>(GetProcAddress(dll, "Ravio_Check")));
    auto bulkRead = reinterpret_cast<decltype(&Ravio_BulkRead)>(
        reinterpret_cast<void*>(GetProcAddress(dll, MAKEINTRESOURCEA(8))));
    if (open == nullptr || check == nullptr || bulkRead == nullptr) {
        std::printf("exports missing\n");
        return 1;
    }
    std::printf("open %s\n", open(0x0C, 0, 0, 0x1079, 0x0002, 0) == nullptr ? "null" : "device");
    std::printf("check %d\n", check(nullptr));
    unsigned char buffer[4];
    uint32_t count = 77;
    std::printf("bulk read %d %u\n", bulkRead(nullptr, 0x81, buffer, 4, &count), count);
    std::printf("freed %s\n", FreeLibrary(dll) ? "yes" : "no");
    return 0;
}
