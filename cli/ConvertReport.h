// What the command line says about a finished conversion besides its result line: the image's
// address range, its size, how much of it is source data and how much fill, and warnings for an
// image that is large and mostly fill and for records the conversion passed over.
#pragma once
#include <cstdint>
#include <string>

class HxwConverter;

struct SourceSurvey;

// type: the HxwFileType converted to; survey: the look over the source, null when it could not
// be had. Prints on stdout (unless JSON is wanted), warns on stderr and adds the fields to the
// running command's report.
void ReportConversion(const std::string& source, const std::string& hxw, uint8_t type,
                      const HxwConverter& engine, const SourceSurvey* survey);

// An image at least this large and more than kSparseFillShare fill gets a warning.
constexpr uint64_t kSparseImageBytes = uint64_t{16} << 20;
constexpr double kSparseFillShare = 0.90;
