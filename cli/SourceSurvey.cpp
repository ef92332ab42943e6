#include "cli/SourceSurvey.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/File.h"
#include "checksum/HexText.h"
#include "convert/SourceRecords.h"

namespace {
// Record types that carry something for one of the formats, data or not.
bool KnownHexType(unsigned type) { return type <= 0x05 || type == 0x81 || type == 0xFF; }
bool KnownSType(char type) { return type >= '0' && type <= '9'; }
}  // namespace

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

bool SurveySource(const std::string& path, SourceSurvey& survey, const std::atomic<bool>* stop) {
    survey = SourceSurvey{};
    hxw::File file;
    if (!file.Open(path, "rb")) return false;
    hxw::LineReader lines(file);
    std::string_view line;
    uint64_t number = 0;
    bool formatKnown = false;
    hxw::SourceFormat format = hxw::SourceFormat::Hex;
    hxw::RecordReader records(format);
    std::vector<AddressRun> runs;
    auto note = [&](const std::string& type) {
        if (survey.IgnoredRecords++ == 0) survey.FirstIgnoredLine = number;
        if (std::find(survey.IgnoredTypes.begin(), survey.IgnoredTypes.end(), type) ==
            survey.IgnoredTypes.end())
            survey.IgnoredTypes.push_back(type);
    };
    while (lines.Next(line)) {
        ++number;
        if (stop && (number & 0xFFF) == 0 && stop->load(std::memory_order_relaxed)) return false;
        if (!formatKnown) {
            // The first line decides the format, as for the conversion.
            if (line.empty() || (line[0] != ':' && line[0] != 'S')) return false;
            format = line[0] == ':' ? hxw::SourceFormat::Hex : hxw::SourceFormat::SRecord;
            records = hxw::RecordReader(format);
            formatKnown = true;
        }
        if (format == hxw::SourceFormat::Hex && line.size() >= 11 && line[0] == ':') {
            const unsigned type = hxw::ParseHexPair(line.data() + 7, 2);
            if (!KnownHexType(type)) {
                char text[4];
                std::snprintf(text, sizeof text, "%02X", type);
                note(text);
            }
        } else if (format == hxw::SourceFormat::SRecord && line.size() >= 10 && line[0] == 'S') {
            if (!KnownSType(line[1])) note(std::string(line.substr(0, 2)));
        }
        hxw::DataRecord record;
        if (!records.Interpret(line, record)) continue;
        const uint64_t first = record.Address;
        const uint64_t last = first + record.Count - 1;
        if (!runs.empty() && first >= runs.back().First && first <= runs.back().Last + 1)
            runs.back().Last = std::max(runs.back().Last, last);
        else
            runs.push_back({first, last});
    }
    if (lines.Failed()) return false;
    std::sort(runs.begin(), runs.end(),
              [](const AddressRun& a, const AddressRun& b) { return a.First < b.First; });
    for (const auto& run : runs) {
        if (!survey.Data.empty() && run.First <= survey.Data.back().Last + 1)
            survey.Data.back().Last = std::max(survey.Data.back().Last, run.Last);
        else
            survey.Data.push_back(run);
    }
    std::sort(survey.IgnoredTypes.begin(), survey.IgnoredTypes.end());
    return true;
}

BackgroundSurvey::BackgroundSurvey(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return;
    thread_ = std::thread([this, path] { ok_ = SurveySource(path, survey_, &stop_); });
}

BackgroundSurvey::~BackgroundSurvey() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

const SourceSurvey* BackgroundSurvey::Result() {
    if (thread_.joinable()) thread_.join();
    return ok_ ? &survey_ : nullptr;
}
