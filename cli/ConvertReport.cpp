#include "cli/ConvertReport.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "base/File.h"
#include "base/HexRead.h"
#include "cli/CliJson.h"
#include "cli/SourceSurvey.h"
#include "engine/HxwConverter.h"

namespace {
// How many data ranges a warning names before it only counts the rest.
constexpr size_t kNamedRanges = 8;
// Fill holes shorter than this count as part of the data around them.
constexpr uint64_t kPage = 256;

std::string RangeText(const AddressRun& run) {
    return Hex8(uint32_t(run.First)) + "h-" + Hex8(uint32_t(run.Last)) + "h";
}

std::string MiB(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", double(bytes) / double(1 << 20));
    return text;
}

std::string Percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f %%", share * 100.0);
    return text;
}
}  // namespace

void ReportConversion(const std::string& source, const std::string& hxwPath, uint8_t type,
                      const HxwConverter& engine, const SourceSurvey* found) {
    CliReport* report = CliReport::Current();
    // The image as written: its header's range and its size.
    char header[40] = {};
    uint64_t fileSize = 0;
    {
        hxw::File file;
        if (!file.Open(hxwPath, "rb") || !file.ReadExact(header, sizeof header)) return;
        std::error_code ec;
        fileSize = std::filesystem::file_size(hxwPath, ec);
        if (ec) return;
    }
    const uint32_t start = hxw::ReadHex(std::string_view(header + 18, 8));
    const uint32_t end = hxw::ReadHex(std::string_view(header + 27, 8));
    const uint64_t body = fileSize > 512 ? fileSize - 512 : 0;
    const bool series = type == 1 || type == 3;
    const bool wordMode = type == 4 || type == 8;
    // Addresses the body holds: a byte each (Normal), a word each (series), a data byte and an
    // attribute byte each (word modes, whole blocks of 256).
    const uint64_t addresses = series || wordMode ? body / 2 : body;
    const uint64_t last = addresses ? uint64_t{start} + addresses - 1 : start;

    if (report) {
        JsonObject& f = report->Fields();
        f.Str("start", Hex8(start)).Str("end", Hex8(end));
        f.Str("lowest", Hex8(engine.LowestAddress)).Str("highest", Hex8(engine.HighestAddress));
        f.Num("image_bytes", fileSize).Num("body_bytes", body).Num("addresses", addresses);
    }
    Say("Address range  %sh-%sh", Hex8(start).c_str(), Hex8(end).c_str());
    if (engine.LowestAddress != start || engine.HighestAddress != end)
        Say(" (source data %sh-%sh)", Hex8(engine.LowestAddress).c_str(),
            Hex8(engine.HighestAddress).c_str());
    Say("\nImage size     %llu bytes (512-byte header, %llu-byte body)\n", (unsigned long long)fileSize,
        (unsigned long long)body);

    if (!found) {
        Say("Data bytes     not known (the source could not be read again)\n");
        return;
    }
    const SourceSurvey& survey = *found;
    // The series images hold the lower half's bytes as their words' low parts.
    const uint64_t data = survey.DataWithin(start, last);
    const uint64_t fill = addresses > data ? addresses - data : 0;
    const double share = addresses ? double(fill) / double(addresses) : 0.0;
    Say("Data bytes     %llu\n", (unsigned long long)data);
    Say("Fill share     %s (%llu of %llu addresses hold no source data)\n", Percent(share).c_str(),
        (unsigned long long)fill, (unsigned long long)addresses);
    if (report) {
        report->Fields()
            .Num("data_bytes", data)
            .Num("fill_addresses", fill)
            .Real("fill_percent", share * 100.0, 2);
    }

    if (fileSize >= kSparseImageBytes && share > kSparseFillShare) {
        std::vector<AddressRun> ranges = survey.Joined(kPage);
        std::vector<JsonObject> listed;
        std::string names;
        for (size_t i = 0; i < ranges.size() && i < kNamedRanges; ++i) {
            if (i) names += ", ";
            names += RangeText(ranges[i]);
            listed.push_back(JsonObject()
                                 .Str("start", Hex8(uint32_t(ranges[i].First)))
                                 .Str("end", Hex8(uint32_t(ranges[i].Last)))
                                 .Num("bytes", ranges[i].Size()));
        }
        if (ranges.size() > kNamedRanges)
            names += " and " + std::to_string(ranges.size() - kNamedRanges) + " more";
        const auto largest =
            std::max_element(ranges.begin(), ranges.end(),
                             [](const AddressRun& a, const AddressRun& b) { return a.Size() < b.Size(); });
        std::string text =
            "the image is " + MiB(fileSize) + " and " + Percent(share) + " fill; its data lie in " + names;
        JsonObject details;
        details.Arr("data_ranges", listed).Num("data_ranges_total", ranges.size());
        if (largest != ranges.end()) {
            if (wordMode) {
                text += "; the word modes always span the whole source, so leave the records outside " +
                        RangeText(*largest) + " out of the source to crop it";
            } else {
                text += "; --start " + Hex8(uint32_t(largest->First)) + " --end " +
                        Hex8(uint32_t(largest->Last)) + " crops it to the largest (" +
                        std::to_string(largest->Size()) + " bytes)";
                details.Str("crop_start", Hex8(uint32_t(largest->First)))
                    .Str("crop_end", Hex8(uint32_t(largest->Last)));
            }
        }
        Warning("sparse-image", text, details);
    }
    if (survey.IgnoredRecords) {
        std::string types;
        for (size_t i = 0; i < survey.IgnoredTypes.size(); ++i) {
            if (i) types += ", ";
            types += survey.IgnoredTypes[i];
        }
        const std::string text = std::to_string(survey.IgnoredRecords) + " record" +
                                 (survey.IgnoredRecords == 1 ? "" : "s") +
                                 " of types the conversion ignores (" + types + ") left out, the first at " +
                                 source + ":" + std::to_string(survey.FirstIgnoredLine);
        JsonObject details;
        details.Num("count", survey.IgnoredRecords)
            .Num("first_line", survey.FirstIgnoredLine)
            .StrArr("types", survey.IgnoredTypes);
        Warning("ignored-records", text, details);
    }
}
