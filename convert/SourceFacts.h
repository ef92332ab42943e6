// What the pre-scan sees of a source beside its figures, for a report on the conversion: where the
// data lie and which records it passed over because their type means nothing to either format.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/SourceRecords.h"

namespace hxw {

struct SourceFacts {
    struct Run {
        uint64_t First = 0;  // inclusive
        uint64_t Last = 0;   // inclusive
    };
    // The data records' addresses in source order, a record that continues or overlaps the run
    // before it joined to it.
    std::vector<Run> Runs;
    // Records of a type the formats do not define (HEX types other than 00-05, 81 and FF,
    // S-record types other than S0-S9): how many, the first one's line, the types in the order
    // they first came.
    uint64_t IgnoredRecords = 0;
    uint64_t FirstIgnoredLine = 0;
    std::vector<std::string> IgnoredTypes;

    void Clear() { *this = SourceFacts{}; }
    void Data(uint32_t address, size_t count) {
        const uint64_t last = uint64_t{address} + count - 1;
        if (!Runs.empty() && address >= Runs.back().First && address <= Runs.back().Last + 1) {
            if (last > Runs.back().Last) Runs.back().Last = last;
        } else {
            Runs.push_back({address, last});
        }
    }
    // A line that holds no data record; number counts from the source's first line.
    void OtherLine(SourceFormat format, std::string_view line, uint64_t number);
    // The runs in address order, overlapping and adjacent ones joined.
    std::vector<Run> SortedRuns() const;
    // The facts of the lines that follow these, whose numbers count from lines after them.
    void Append(const SourceFacts& later, uint64_t lines);
};

}  // namespace hxw
