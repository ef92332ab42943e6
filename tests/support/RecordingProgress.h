// A progress bar for tests: keeps the current range and position and records every call.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Progress.h"

class RecordingProgress final : public Progress {
  public:
    void SetRange(uint32_t low, uint32_t high) override {
        range = {low, high};
        ranges.emplace_back(low, high);
        calls.push_back("range " + std::to_string(low) + "-" + std::to_string(high));
    }
    void SetPos(uint32_t position) override {
        pos = position;
        positions.push_back(position);
        calls.push_back("pos " + std::to_string(position));
    }
    std::pair<uint32_t, uint32_t> GetRange() const override { return range; }

    std::pair<uint32_t, uint32_t> range{0, 100};  // as a fresh progress bar has it
    uint32_t pos = 0;
    std::vector<std::pair<uint32_t, uint32_t>> ranges;
    std::vector<uint32_t> positions;
    std::vector<std::string> calls;  // "range LOW-HIGH" / "pos P", in call order
};
