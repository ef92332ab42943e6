// State shared by every operation of the engine, and the progress seam the operations drive.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

// The page's progress bar as the engine sees it. Operations set a range, then move the
// position; the window binds it to PBM_SETRANGE32/PBM_SETPOS, the command line to a terminal bar.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void SetRange(uint32_t low, uint32_t high) = 0;
    virtual void SetPos(uint32_t pos) = 0;
    virtual std::pair<uint32_t, uint32_t> GetRange() const = 0;
};

// A progress bar that nobody watches.
class NullProgress final : public Progress {
public:
    void SetRange(uint32_t low, uint32_t high) override { range_ = {low, high}; }
    void SetPos(uint32_t) override {}
    std::pair<uint32_t, uint32_t> GetRange() const override { return range_; }

private:
    std::pair<uint32_t, uint32_t> range_{0, 100};
};

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
