// What the command line's report says of a converted source: where its data lie and which
// records the conversion passed over because their type means nothing to it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace hxw {
struct SourceFacts;
}

struct AddressRun {
    uint64_t First = 0;  // inclusive
    uint64_t Last = 0;   // inclusive
    uint64_t Size() const { return Last - First + 1; }
};

struct SourceSurvey {
    // The data addresses, sorted, without overlaps, adjacent runs joined.
    std::vector<AddressRun> Data;
    // Records of a type the formats do not define (HEX types other than 00-05, 81 and FF,
    // S-record types other than S0-S9): how many, the first one's line, the types seen.
    uint64_t IgnoredRecords = 0;
    uint64_t FirstIgnoredLine = 0;
    std::vector<std::string> IgnoredTypes;

    // Number of distinct data addresses within first..last.
    uint64_t DataWithin(uint64_t first, uint64_t last) const;
    // The data runs with gaps shorter than gap joined (fill holes inside a block of code).
    std::vector<AddressRun> Joined(uint64_t gap) const;
};

// The survey of what a conversion's pre-scan saw of its source: the runs sorted and joined, the
// ignored types sorted.
SourceSurvey SurveyOf(const hxw::SourceFacts& facts);
