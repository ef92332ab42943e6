// State shared by every operation of the engine.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include "base/Progress.h"

// Values shared by conversion, checksum and device operations. Every operation leaves its
// result code in LastResult; a successful checksum leaves its value in LastCheckSum.
struct EngineState {
    uint32_t LowestAddress = 0;
    uint32_t HighestAddress = 0;
    uint32_t LineCount = 0;
    uint32_t LastResult = 0;
    uint16_t LastCheckSum = 0;

    // Where the last failed source reading stopped (1-based line, 0 = not a source defect) and a
    // short account of why, for callers that can show more than the window's message.
    uint32_t DefectLine = 0;
    std::string DefectDetail;

    virtual ~EngineState() = default;
};
