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
    // A non-empty line the pre-scan accepted, number counting from the source's first line: data
    // says it held a data record, which is then in record.
    void Line(SourceFormat format, std::string_view line, uint64_t number, bool data, const DataRecord& record) {
        if (data)
            AddRun({record.Address, uint64_t{record.Address} + record.Count - 1});
        else
            OtherLine(format, line, number);
    }
    // The runs in address order, overlapping and adjacent ones joined.
    std::vector<Run> SortedRuns() const;
    // The facts of the lines that follow these, whose numbers count from lines after them.
    void Append(const SourceFacts& later, uint64_t lines);

  private:
    // A run that continues or overlaps the last one is joined to it.
    void AddRun(const Run& run) {
        if (!Runs.empty() && run.First >= Runs.back().First && run.First <= Runs.back().Last + 1) {
            if (run.Last > Runs.back().Last) Runs.back().Last = run.Last;
        } else {
            Runs.push_back(run);
        }
    }
    // A line without a data record: noted when its type is one neither format defines.
    void OtherLine(SourceFormat format, std::string_view line, uint64_t number);
};

}  // namespace hxw
