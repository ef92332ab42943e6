// The pre-scan of a large source in two parts at once: the second half (from a line start near the
// middle) is read on a thread of its own, on the second processor core, while the pre-scan reads
// the first half; its records go into the same image file at their places. The HEX address offset
// in force at the second half's start is taken from the last offset record before it; the
// pre-scan checks it against the offset its own reading arrives at, and a source where the two
// differ, or where the halves' records do not continue each other in ascending order, takes the
// general passes instead.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "convert/SourceFacts.h"
#include "convert/StreamedNormal.h"

namespace hxw {

// What the pre-scan's rules found in the second half, its lines counted from its first one.
struct PartScan {
    uint32_t Lines = 0;       // lines read, the defect line included
    uint32_t Code = 0;        // 0, or the first defect's code
    uint32_t DefectLine = 0;  // of that defect
    std::string Detail;
    uint32_t Lowest = 0xFFFFFFFF;
    uint32_t Highest = 0;
    bool TooLong = false;     // reading stopped at a line longer than LineReader::kMaxLine
    bool ReadFailed = false;
    SourceFacts Facts;        // when asked for
};

class SecondPart {
  public:
    // Sources smaller than this are read in one part: a thread would cost more than it saves.
    static constexpr uint64_t kLeast = uint64_t{8} << 20;
    // Starts the second half of source, whose first half builds first. Null when the source is
    // read in one part (small, a single core, no line end in its second half, no offset record
    // close enough before it). at, when not UINT64_MAX, puts the split at the first line start at
    // or after it, whatever the size (for tests).
    // facts: the second half's SourceFacts are kept too.
    static std::unique_ptr<SecondPart> Start(const std::string& source, StreamedImage& first, bool facts,
                                             uint64_t at = UINT64_MAX);
    // Stops the thread early when it still runs, and waits for it.
    ~SecondPart();
    SecondPart(const SecondPart&) = delete;
    SecondPart& operator=(const SecondPart&) = delete;

    // Where the second half begins: the first half ends there.
    uint64_t From() const { return from_; }
    // The HEX address offset the second half was read with.
    uint32_t Offset() const { return offset_; }
    // Waits for the second half: its figures, and its image complete and closed.
    const PartScan& Wait();
    const StreamedImage& Image() const { return *image_; }

  private:
    SecondPart(const std::string& source, SourceFormat format, uint64_t from, uint32_t offset, bool facts,
               StreamedImage& first);
    void Run();

    std::string source_;
    SourceFormat format_;
    uint64_t from_;
    uint32_t offset_;
    bool facts_;
    BaseHandOff handOff_;
    std::unique_ptr<StreamedImage> image_;
    PartScan scan_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace hxw
