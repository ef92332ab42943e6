#include "convert/ConversionOps.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/AtomicReplace.h"
#include "base/File.h"
#include "base/Format.h"
#include "convert/ConvertCommon.h"
#include "convert/ImageWriter.h"
#include "convert/PrescanLine.h"
#include "convert/RecordWalk.h"
#include "convert/SourceFacts.h"
#include "base/ResultCodes.h"
#include "convert/SourceCopy.h"
#include "convert/SourceRecords.h"
#include "convert/SplitScan.h"
#include "convert/StreamedNormal.h"

namespace hxw {

bool WriteHeaderBlock(File& file, uint32_t start, uint32_t end, const char* typeLine) {
    char header[512];
    std::memset(header, ' ', sizeof header);
    char text[64];
    const int n = std::snprintf(text, sizeof text, "OMK-ZV HXW file.\r\n%08X,%08X\r\n%s\r\n",
                                static_cast<unsigned>(start), static_cast<unsigned>(end), typeLine);
    std::memcpy(header, text, static_cast<size_t>(n));
    return file.Seek(0) && file.Write(header, sizeof header);
}

bool OpenImageFile(File& file, const std::string& path) {
    if (!file.Open(path, "wb")) return false;
    file.WriteBackEvery(kWriteBackStep);
    return true;
}

ProgressTicker::ProgressTicker(Progress& progress, uint32_t lines)
    : progress_(progress), step_(std::max<uint32_t>(1, lines / 1024)) {
    progress_.SetRange(0, lines);
}

void ProgressTicker::Send() {
    progress_.SetPos(pending_);
    sent_ = pending_;
    any_ = true;
    next_ = pending_ + step_;
    if (next_ < pending_) next_ = UINT32_MAX;
}

}  // namespace hxw

namespace {
constexpr const char* kUpperHalfMarker = "Creation of a Hxw file goes wrong.";

// The first address of the upper half for the series types; 0 for the other types.
uint32_t UpperHalfBoundary(uint8_t type) {
    if (type == Series720) return 0x1000;
    if (type == Series4500) return 0x4000;
    return 0;
}
}  // namespace

uint32_t ConversionOps::CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type,
                                      uint8_t mode, uint32_t start, uint32_t end, Progress& progress) {
    state_.DefectLine = 0;
    state_.DefectDetail.clear();
    if (mode != Auto && !CheckDomain(type, start, end)) return state_.LastResult;
    // The image would take the source's place while it is still being read.
    if (hxw::SameFile(source, hxw)) {
        state_.DefectDetail = "the HXW file " + hxw + " is the source itself";
        return state_.LastResult = rc::FileOpen;
    }
    // The passes read the source more than once: a pipe or a device is read once into a copy.
    hxw::SourceCopy copy;
    const bool once = hxw::KindOf(source) == hxw::PathKind::Other;
    if (once) {
        if (const uint32_t code = copy.CopyFrom(source)) {
            state_.DefectDetail = copy.Problem();
            return state_.LastResult = code;
        }
    }
    const std::string& from = once ? copy.Path() : source;
    // Normal Auto and the word modes (whose domain is always the data's) can be had in one walk.
    const bool oneWalk = (type == Normal && mode == Auto) || type == Byte4Mode || type == Byte8Mode;
    if (fastPaths_ && oneWalk && StreamAscending(from, hxw, type, progress)) return state_.LastResult;
    if (!PrescanSource(from, type)) return state_.LastResult;
    ConvertSource(from, hxw, type, mode, start, end, progress);
    return state_.LastResult;
}

bool ConversionOps::CheckDomain(uint8_t type, uint32_t start, uint32_t end) {
    uint32_t limit = 0xFFFFFFFF;
    if (type == Series720) limit = 0x0FFF;
    if (type == Series4500) limit = 0x3FFF;
    if (start > end) {
        state_.LastResult = rc::Address;
        state_.DefectDetail = hxw::Format("start %08X lies above end %08X", unsigned(start), unsigned(end));
        return false;
    }
    if (end > limit) {
        state_.LastResult = rc::EndAddress;
        state_.DefectDetail = hxw::Format("end %08X lies above %08X", unsigned(end), unsigned(limit));
        return false;
    }
    return true;
}

bool ConversionOps::PrescanSource(const std::string& source, uint8_t type) {
    state_.LowestAddress = 0xFFFFFFFF;
    state_.HighestAddress = 0;
    state_.LineCount = 0;
    state_.DefectLine = 0;
    state_.DefectDetail.clear();
    auto fail = [&](uint32_t code, uint32_t line, std::string detail) {
        state_.LastResult = code;
        state_.DefectLine = line;
        state_.DefectDetail = std::move(detail);
        return false;
    };

    if (facts_) facts_->Clear();
    hxw::File file;
    if (!file.Open(source, "rb")) return fail(rc::FileOpen, 0, "cannot open " + source);
    // The image built as the source is read can take a large source in two halves at once.
    std::unique_ptr<hxw::SecondPart> second;
    if (splitImage_) second = hxw::SecondPart::Start(source, *splitImage_, facts_ != nullptr, splitAt_);
    lastSplit_ = second != nullptr;
    hxw::LineReader lines(file);
    if (second) lines.Limit(second->From());
    std::string_view line;
    if (!lines.Next(line)) {
        if (lines.LineTooLong()) return fail(rc::Format00, 1, "the first line is longer than 16 MiB");
        if (lines.Failed()) return fail(rc::FileRead, 0, "cannot read " + source);
        return fail(rc::Format00, 1, "the file is empty");
    }
    if (line.empty() || (line[0] != ':' && line[0] != 'S'))
        return fail(rc::Format00, 1, "the first line begins with neither ':' nor 'S'");
    const hxw::SourceFormat format = line[0] == ':' ? hxw::SourceFormat::Hex : hxw::SourceFormat::SRecord;

    const uint32_t boundary = UpperHalfBoundary(type);
    hxw::File upper;
    if (boundary && !upper.Open(upperHalfPath_, "wb"))
        return fail(rc::FileOpen, 0, "cannot create the upper-half file " + upperHalfPath_);
    bool copied = false;
    bool counting = true;
    hxw::RecordReader records(format);
    hxw::DataRecord record;
    hxw::PlainLine plain;
    std::string detail;
    uint32_t number = 0;
    uint32_t lowest = 0xFFFFFFFF;
    uint32_t highest = 0;
    uint32_t counted = 0;
    do {
        ++number;
        if (counting) ++counted;
        if (line.empty()) continue;
        bool data = false;
        if (const uint32_t code = hxw::ScanLine(format, line, records, plain, record, data, detail)) {
            state_.LineCount = counted;
            return fail(code, number, detail);
        }
        if (facts_) facts_->Line(format, line, number, data, record);
        if (!data) continue;
        const uint64_t last = uint64_t{record.Address} + record.Count - 1;
        lowest = std::min(lowest, record.Address);
        highest = std::max(highest, static_cast<uint32_t>(last));
        if (prescanVisitor_) prescanVisitor_->Record(record);
        if (boundary && record.Address >= boundary) {
            if (!upper.Write(line.data(), line.size()) || !upper.Write("\r\n", 2)) {
                state_.LineCount = counted;
                return fail(rc::FileWrite, 0, "cannot write the upper-half file " + upperHalfPath_);
            }
            copied = true;
            counting = false;
        }
    } while (lines.Next(line));
    state_.LowestAddress = lowest;
    state_.HighestAddress = highest;
    state_.LineCount = counted;
    if (lines.LineTooLong()) return fail(rc::Format00, number + 1, "line longer than 16 MiB");
    if (lines.Failed()) return fail(rc::FileRead, 0, "cannot read " + source);
    if (second) {
        // The second half's lines follow the first half's: its findings come after them.
        const hxw::PartScan& rest = second->Wait();
        if (records.Offset() != second->Offset()) {
            // It was read with another offset than the first half leaves: only the general
            // passes can tell what it holds.
            splitGaveUp_ = true;
            return false;
        }
        counted += rest.Lines;
        state_.LineCount = counted;
        if (rest.Code) {
            state_.LowestAddress = 0xFFFFFFFF;
            state_.HighestAddress = 0;
            return fail(rest.Code, number + rest.DefectLine, rest.Detail);
        }
        if (facts_) facts_->Append(rest.Facts, number);
        number += rest.Lines;
        lowest = std::min(lowest, rest.Lowest);
        highest = std::max(highest, rest.Highest);
        state_.LowestAddress = lowest;
        state_.HighestAddress = highest;
        if (rest.TooLong) return fail(rc::Format00, number + 1, "line longer than 16 MiB");
        if (rest.ReadFailed) return fail(rc::FileRead, 0, "cannot read " + source);
        // Records out of order across the halves leave the image unusable: the general passes.
        splitImage_->Join(second->Image());
    }
    if (boundary) {
        if (!copied &&
            (!upper.Write(kUpperHalfMarker, std::strlen(kUpperHalfMarker)) || !upper.Write("\r\n", 2)))
            return fail(rc::FileWrite, 0, "cannot write the upper-half file " + upperHalfPath_);
        if (!upper.Close())
            return fail(rc::FileWrite, 0, "cannot write the upper-half file " + upperHalfPath_);
    }
    if (lowest > highest) return fail(rc::NoData, 0, "the source holds no data record");
    state_.LastResult = rc::Ok;
    return true;
}

bool ConversionOps::ConvertSource(const std::string& source, const std::string& hxw, uint8_t type,
                                  uint8_t mode, uint32_t start, uint32_t end, Progress& progress) {
    hxw::File file;
    if (!file.Open(source, "rb")) {
        state_.LastResult = rc::FileOpen;
        state_.DefectDetail = "cannot open " + source;
        return false;
    }
    char mark = 0;
    if (!file.ReadExact(&mark, 1) || (mark != ':' && mark != 'S') || !file.Seek(0)) {
        state_.LastResult = rc::Format00;
        state_.DefectDetail = "the first line begins with neither ':' nor 'S'";
        return false;
    }
    // Build the image beside the target and put it in place only when it is complete, so a
    // failed conversion never destroys an earlier file.
    hxw::AtomicReplace save(hxw);
    if (!save.Begin()) {
        state_.LastResult = rc::FileOpen;
        state_.DefectDetail = save.Refusal().empty() ? "cannot create " + hxw : hxw + " " + save.Refusal();
        return false;
    }
    const std::string& part = save.TempPath();
    const hxw::SourceFormat format = mark == ':' ? hxw::SourceFormat::Hex : hxw::SourceFormat::SRecord;
    uint32_t code = rc::Param01;  // a type the conversion does not know
    switch (type) {
        case Normal:
            code = ConvertNormal(part, file, format, mode, start, end, progress);
            break;
        case Series720:
        case Series4500:
            code = ConvertSeries(part, file, format, type, mode, start, end, progress);
            break;
        case Byte4Mode:
        case Byte8Mode:
            // The word modes take their domain from the data only.
            code = ConvertWordMode(part, file, type, format, progress);
            break;
        default:
            break;
    }
    file.Close();
    if (code == rc::Ok && !save.Commit()) {
        code = rc::FileWrite;
        state_.DefectDetail = "cannot replace " + hxw;
    }
    if (code != rc::Ok) save.Discard();
    if (code != rc::Ok && state_.DefectDetail.empty()) {
        if (code == rc::FileOpen) state_.DefectDetail = "cannot create " + hxw;
        if (code == rc::FileWrite) state_.DefectDetail = "cannot write " + hxw;
        if (code == rc::FileRead) state_.DefectDetail = "cannot read " + source;
        if (code == rc::Param01 && type != Series720 && type != Series4500)
            state_.DefectDetail = "unknown HXW file type " + std::to_string(type);
    }
    state_.LastResult = code;
    return code == rc::Ok;
}

namespace {
// Normal: the bytes of each record that lie inside first..last go to the image at their address
// (in Auto every byte is inside).
class NormalVisitor : public hxw::RecordVisitor {
  public:
    NormalVisitor(hxw::ImageWriter& image, uint32_t base, uint32_t first, uint32_t last)
        : image_(image), base_(base), first_(first), last_(last) {}

    uint32_t Record(const hxw::DataRecord& record) {
        const uint64_t recordLast = uint64_t{record.Address} + record.Count - 1;
        const uint64_t from = std::max<uint64_t>(record.Address, first_);
        const uint64_t to = std::min<uint64_t>(recordLast, last_);
        if (from > to) return hxw::kWalkOn;
        hxw::DecodeBytes(record, bytes_);
        if (!image_.Write(from - base_, bytes_ + (from - record.Address), static_cast<size_t>(to - from + 1)))
            return rc::FileWrite;
        return hxw::kWalkOn;
    }

  private:
    hxw::ImageWriter& image_;
    uint32_t base_;
    uint32_t first_;
    uint32_t last_;
    uint8_t bytes_[256];
};
}  // namespace

uint32_t ConversionOps::ConvertNormal(const std::string& hxw, hxw::File& source, hxw::SourceFormat format,
                                      uint8_t mode, uint32_t start, uint32_t end, Progress& progress) {
    const uint32_t first = mode != Auto ? start : state_.LowestAddress;
    const uint32_t last = mode != Auto ? end : state_.HighestAddress;
    if (first > last) return state_.LastResult = rc::Address;
    const uint32_t base = first & 0xFFFFFF00u;
    const uint64_t size = uint64_t{last} - base + 1;
    if (size > 0xFFFFFFFFu) {
        state_.DefectDetail = "the image would span all 2^32 addresses";
        return state_.LastResult = rc::Address;
    }

    hxw::File out;
    if (!hxw::OpenImageFile(out, hxw)) return state_.LastResult = rc::FileOpen;
    if (!hxw::WriteHeaderBlock(out, base, last, "0")) return state_.LastResult = rc::FileWrite;
    hxw::ImageWriter image(out, 512, size, [](uint8_t* p, uint64_t, size_t n) { std::memset(p, 0xFF, n); });
    NormalVisitor visit(image, base, first, last);
    if (const uint32_t code = hxw::WalkRecords(source, format, state_.LineCount, progress, visit))
        return state_.LastResult = code;
    if (!image.Finish() || !out.Close()) return state_.LastResult = rc::FileWrite;
    return sums_.SumImage(hxw, Normal, true);
}
