#include "cli/SourceSurvey.h"

#include <algorithm>

#include "convert/SourceFacts.h"

uint64_t SourceSurvey::DataWithin(uint64_t first, uint64_t last) const {
    uint64_t n = 0;
    for (const auto& run : Data) {
        const uint64_t a = std::max(first, run.First);
        const uint64_t b = std::min(last, run.Last);
        if (a <= b) n += b - a + 1;
    }
    return n;
}

std::vector<AddressRun> SourceSurvey::Joined(uint64_t gap) const {
    std::vector<AddressRun> out;
    for (const auto& run : Data) {
        if (!out.empty() && run.First - out.back().Last - 1 < gap)
            out.back().Last = run.Last;
        else
            out.push_back(run);
    }
    return out;
}

SourceSurvey SurveyOf(const hxw::SourceFacts& facts) {
    SourceSurvey survey;
    for (const auto& run : facts.SortedRuns()) survey.Data.push_back({run.First, run.Last});
    survey.IgnoredRecords = facts.IgnoredRecords;
    survey.FirstIgnoredLine = facts.FirstIgnoredLine;
    survey.IgnoredTypes = facts.IgnoredTypes;
    std::sort(survey.IgnoredTypes.begin(), survey.IgnoredTypes.end());
    return survey;
}
