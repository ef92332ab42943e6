// What the operations of one engine leave for each other and for their caller.
#pragma once
#include <cstdint>
#include <string>

#include "base/Progress.h"

// Every operation leaves its result code in LastResult; a successful checksum leaves its value
// in LastCheckSum; the pre-scan leaves the source's address range and line count.
struct SharedState {
    uint32_t LowestAddress = 0;
    uint32_t HighestAddress = 0;
    uint32_t LineCount = 0;
    uint32_t LastResult = 0;
    uint16_t LastCheckSum = 0;

    // Where the last failed source reading stopped (1-based line, 0 = not a source defect) and a
    // short account of why, for callers that can show more than the window's message.
    uint32_t DefectLine = 0;
    std::string DefectDetail;
};
