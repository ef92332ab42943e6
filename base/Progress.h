// The page's progress bar as the engine sees it. Operations set a range, then move the position
// within it; the window binds it to its progress control, the command line to a terminal bar.
#pragma once
#include <cstdint>
#include <utility>

class Progress {
  public:
    virtual ~Progress() = default;
    // Sets the bar's range, low to high inclusive; the position is then low.
    virtual void SetRange(uint32_t low, uint32_t high) = 0;
    // Moves the bar to pos, a value inside the range.
    virtual void SetPos(uint32_t pos) = 0;
    // The range last set.
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
