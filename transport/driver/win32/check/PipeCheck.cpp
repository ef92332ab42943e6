// Drives a Dorlink.dll built over the emulated driver (EchoUnit) through its ordinal imports,
// the way Tessmark does, and prints what came back for tests/e2e/test_exports.sh to check.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "transport/common/Ravio.h"

int main() {
    const int32_t slot = Ravio_Open_mask(0x0C, 0, 0, 0x1079, 0x0002, 0);
    std::printf("open %d\n", slot);
    std::printf("other product %d\n", Ravio_Open_mask(0x0C, 0, 0, 0x1079, 0x0100, 0));
    std::printf("check %d\n", Ravio_Check(slot));
    HANDLE in = Ravio_OpenPipe(slot, 0, 0);
    HANDLE out = Ravio_OpenPipe(slot, 0, 1);
    std::printf("pipes %s\n",
                in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE ? "valid" : "invalid");
    std::printf("missing pipe %s\n",
                Ravio_OpenPipe(slot, 0, 7) == INVALID_HANDLE_VALUE ? "invalid" : "valid");

    char reply[65] = {};
    const int32_t sent = Ravio_SendData(slot, 8, "<041A80>");
    const int32_t received = Ravio_ReceiveData(slot, 64, reply);
    std::printf("control %d %d %s\n", sent, received, reply);

    unsigned char block[256];
    for (int i = 0; i < 256; ++i) block[i] = static_cast<unsigned char>(i * 7 + 1);
    DWORD n = 0;
    const BOOL w1 = WriteFile(out, block, sizeof block, &n, nullptr);
    const BOOL w0 = WriteFile(out, block, 0, &n, nullptr);
    unsigned char back[257] = {};
    DWORD r1 = 0, r2 = 0;
    const BOOL ok1 = ReadFile(in, back, 256, &r1, nullptr);
    const bool same = ok1 && r1 == 256 && std::memcmp(back, block, 256) == 0;
    std::printf("bulk %s %lu\n", w1 && same ? "echoed" : "broken", static_cast<unsigned long>(r1));
    std::memset(back, 0, sizeof back);
    const BOOL ok2 = ReadFile(in, back, 256, &r2, nullptr);
    std::printf("zero-length %s\n",
                w0 && ok2 && r2 == 3 && std::memcmp(back, "ZLP", 3) == 0 ? "seen" : "lost");

    Ravio_Close(slot);
    CloseHandle(in);
    CloseHandle(out);
    Ravio_Close(-1);
    Ravio_Close(500);
    std::printf("after close %d\n", Ravio_Check(slot));
    std::printf("reopen %d\n", Ravio_Open());
    return 0;
}
