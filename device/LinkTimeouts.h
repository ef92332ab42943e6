// How long the link waits for the unit before it gives up.
#pragma once
#include <cstdint>

struct LinkTimeouts {
    // Every single USB transfer of our own ports.
    uint32_t TransferMs = 5000;
    // A reply wait that sees only reads which are neither a frame nor an acknowledgement.
    uint32_t JunkWaitMs = 30000;
    // A reply wait kept going by acknowledgements (the unit is busy), in all.
    uint32_t BusyWaitMs = 600000;
    // The clock the reply wait reads, in microseconds; null for the system's steady clock. A
    // scripted clock makes a wait's end depend on the reads alone (fuzzing, tests).
    uint64_t (*NowUs)() = nullptr;

    // The command line's --timeout: one bound for everything.
    static LinkTimeouts All(uint32_t ms) { return LinkTimeouts{ms, ms, ms}; }
};
