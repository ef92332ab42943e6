// Drives the emulated Dorlink.dll (bin/emu) by ordinal, as Tessmark does, and prints what the
// unit did, for tests/e2e/test_unit_emulation_wine.sh:
//   unit_check sessions COUNT   COUNT uploads of the unit's file in one process, reading slowly;
//                               prints "session K: read R failed" or "session K: B blocks read"
//   unit_check acks READS       an information request, READS control reads; prints how many
//                               were acknowledgements and the process's peak memory
// The faults come from TESSMARK_UNIT_FAULT, as for every program over that DLL.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "transport/common/Ravio.h"

namespace {

int32_t OpenUnit() { return Ravio_Open_mask(0x0C, 0, 0, 0x1079, 0x0002, 0); }

void Upload(int session) {
    const int32_t slot = OpenUnit();
    if (slot < 0) {
        std::printf("session %d: no unit\n", session);
        return;
    }
    HANDLE in = Ravio_OpenPipe(slot, 0, 0);
    HANDLE out = Ravio_OpenPipe(slot, 0, 1);
    Ravio_SendData(slot, 8, "<043201>");
    unsigned char block[257];
    int reads = 0;
    bool failed = false;
    for (;;) {
        // Slow reads give a device pipe that runs ahead of the program every chance to.
        Sleep(20);
        DWORD n = 0;
        ++reads;
        if (!ReadFile(in, block, 256, &n, nullptr)) {
            failed = true;
            break;
        }
        if (n < 256) break;
    }
    if (failed)
        std::printf("session %d: read %d failed\n", session, reads);
    else
        std::printf("session %d: %d blocks read\n", session, reads);
    Ravio_Close(slot);
    CloseHandle(in);
    CloseHandle(out);
}

void Acks(int count) {
    const int32_t slot = OpenUnit();
    if (slot < 0) {
        std::printf("no unit\n");
        return;
    }
    Ravio_SendData(slot, 8, "<041A80>");
    int acks = 0;
    for (int i = 0; i < count; ++i) {
        char reply[65] = {};
        if (!Ravio_ReceiveData(slot, 64, reply)) break;
        if (reply[0] == 0x06) ++acks;
    }
    Ravio_Close(slot);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("acks %d of %d\n", acks, count);
    std::printf("peak %lu MB\n", static_cast<unsigned long>(memory.PeakWorkingSetSize >> 20));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: unit_check sessions COUNT | acks READS\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    if (std::strcmp(argv[1], "sessions") == 0) {
        for (int i = 1; i <= count; ++i) Upload(i);
    } else if (std::strcmp(argv[1], "acks") == 0) {
        Acks(count);
    } else {
        return 2;
    }
    return 0;
}
