#include "convert/SourceFacts.h"

#include <algorithm>
#include <cstdio>

#include "checksum/HexText.h"

namespace hxw {
namespace {
void Note(SourceFacts& facts, std::string type, uint64_t number) {
    if (facts.IgnoredRecords++ == 0) facts.FirstIgnoredLine = number;
    if (std::find(facts.IgnoredTypes.begin(), facts.IgnoredTypes.end(), type) == facts.IgnoredTypes.end())
        facts.IgnoredTypes.push_back(std::move(type));
}
}  // namespace

void SourceFacts::OtherLine(SourceFormat format, std::string_view line, uint64_t number) {
    if (format == SourceFormat::Hex) {
        if (line.size() < 11 || line[0] != ':') return;
        const unsigned type = ParseHexPair(line.data() + 7, 2);
        if (type <= 0x05 || type == 0x81 || type == 0xFF) return;
        char text[4];
        std::snprintf(text, sizeof text, "%02X", type);
        Note(*this, text, number);
        return;
    }
    if (line.size() < 10 || line[0] != 'S' || (line[1] >= '0' && line[1] <= '9')) return;
    Note(*this, std::string(line.substr(0, 2)), number);
}

std::vector<SourceFacts::Run> SourceFacts::SortedRuns() const {
    std::vector<Run> runs = Runs;
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.First < b.First; });
    std::vector<Run> joined;
    for (const Run& run : runs) {
        if (!joined.empty() && run.First <= joined.back().Last + 1)
            joined.back().Last = std::max(joined.back().Last, run.Last);
        else
            joined.push_back(run);
    }
    return joined;
}

void SourceFacts::Append(const SourceFacts& later, uint64_t lines) {
    for (const Run& run : later.Runs) AddRun(run);
    if (later.IgnoredRecords && IgnoredRecords == 0) FirstIgnoredLine = later.FirstIgnoredLine + lines;
    IgnoredRecords += later.IgnoredRecords;
    for (const std::string& type : later.IgnoredTypes)
        if (std::find(IgnoredTypes.begin(), IgnoredTypes.end(), type) == IgnoredTypes.end())
            IgnoredTypes.push_back(type);
}

}  // namespace hxw
