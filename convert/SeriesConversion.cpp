// 720 Series and 4500 Series: every word of the lower half is joined with its high part, which
// the pre-scan left in the upper-half file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/File.h"
#include "base/Format.h"
#include "convert/ConversionOps.h"
#include "convert/ConvertCommon.h"
#include "convert/ImageWriter.h"
#include "convert/RecordWalk.h"
#include "base/ResultCodes.h"
#include "convert/SourceRecords.h"

namespace hxw {

// The bytes of the upper-half file for one window of addresses, first record in file order
// winning. Lookups outside the window read the file from its start, as without an index.
struct UpperHalfIndex {
    uint32_t first = 0;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> present;
};

}  // namespace hxw

namespace {
struct SeriesParams {
    uint32_t lowerTop;  // last word address of the lower half
    uint32_t distance;  // from a word address to its high part
    uint32_t highestSource;
    uint32_t endMask;
    uint8_t blankHigh;  // high byte of the blank word
    uint32_t lookupFailure;
};

SeriesParams ParamsFor(uint8_t type) {
    if (type == Series720) return {0x0FFF, 0x1000, 0x1FFF, 0x0FFF, 0x01, rc::Format01};
    return {0x3FFF, 0x4000, 0x7FFF, 0x3FFF, 0x03, rc::Format02};
}

uint16_t JoinWord(uint8_t type, uint8_t low, uint8_t high) {
    if (type == Series720) return static_cast<uint16_t>(low | (high & 0x01) << 8);
    return static_cast<uint16_t>((low & 0x1F) | (high & 0x1F) << 5);
}

bool IsMarkerLine(std::string_view line) {
    static const char kMarker[] = "creation of a hxw file goes wrong.";
    if (line.size() != sizeof kMarker - 1) return false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kMarker[i]) return false;
    }
    return true;
}

// The records of the upper-half file up to its marker line, each to visit until it returns false.
template <class Visit>
class UpperHalfVisitor : public hxw::RecordVisitor {
  public:
    explicit UpperHalfVisitor(Visit& visit) : visit_(visit) {}
    static bool EndsBefore(std::string_view line) { return IsMarkerLine(line); }
    uint32_t Record(const hxw::DataRecord& record) { return visit_(record) ? hxw::kWalkOn : hxw::kWalkEnd; }

  private:
    Visit& visit_;
};

// Walks the data records of the upper-half file until the marker line; visit(record) returns
// false to stop. 0, 0x7000 (cannot open) or 0x7005 (cannot read).
template <class Visit>
uint32_t WalkUpperHalf(const std::string& path, hxw::SourceFormat format, Visit visit) {
    hxw::File file;
    if (!file.Open(path, "rb")) return rc::FileOpen;
    UpperHalfVisitor<Visit> upper(visit);
    return hxw::RecordWalk(file, format).Run(upper);
}

// The lower half of a series source, word by word: each byte joined with its high part from the
// upper-half file. Auto uses every byte; Manual drops bytes below first and stops at the first
// above last.
class SeriesVisitor : public hxw::RecordVisitor {
  public:
    SeriesVisitor(ConversionOps& ops, std::string& detail, hxw::ImageWriter& image, uint8_t type, bool manual,
                  uint32_t first, uint32_t last, uint32_t base, uint32_t headerEnd)
        : ops_(ops),
          detail_(detail),
          image_(image),
          params_(ParamsFor(type)),
          type_(type),
          manual_(manual),
          first_(first),
          last_(last),
          base_(base),
          headerEnd_(headerEnd) {}

    uint32_t Record(const hxw::DataRecord& record) {
        // The upper half begins: the lower half is done.
        if (record.Address > params_.lowerTop) return hxw::kWalkEnd;
        hxw::DecodeBytes(record, bytes_);
        size_t i = 0;
        if (manual_ && record.Address < first_) i = std::min<size_t>(first_ - record.Address, record.Count);
        const size_t from = i;
        size_t built = 0;
        for (; i < record.Count; ++i) {
            const uint32_t address = record.Address + static_cast<uint32_t>(i);
            if (manual_ && address > last_) break;
            uint8_t high = 0;
            if (const uint32_t code = ops_.FindUpperByte(address + params_.distance, type_, high)) {
                detail_ = code == params_.lookupFailure
                              ? hxw::Format("no upper byte for address %04X (looked for at %04X)",
                                            unsigned(address), unsigned(address + params_.distance))
                              : "cannot read the upper-half file " + ops_.UpperHalfPath();
                return code;
            }
            const uint16_t word = JoinWord(type_, bytes_[i], high);
            buffer_[2 * built] = static_cast<uint8_t>(word);
            buffer_[2 * built + 1] = static_cast<uint8_t>(word >> 8);
            ++built;
        }
        if (!built) return hxw::kWalkOn;
        // Words outside the image (only possible from a damaged upper-half file) are not written.
        const uint64_t firstWord = uint64_t{record.Address} + from;
        const uint64_t lastWord = std::min<uint64_t>(firstWord + built - 1, headerEnd_);
        if (firstWord < base_ || firstWord > lastWord) return hxw::kWalkOn;
        if (!image_.Write((firstWord - base_) * 2, buffer_,
                          static_cast<size_t>(lastWord - firstWord + 1) * 2))
            return rc::FileWrite;
        return hxw::kWalkOn;
    }

  private:
    ConversionOps& ops_;
    std::string& detail_;
    hxw::ImageWriter& image_;
    const SeriesParams params_;
    const uint8_t type_;
    const bool manual_;
    const uint32_t first_;
    const uint32_t last_;
    const uint32_t base_;
    const uint32_t headerEnd_;
    uint8_t bytes_[256];
    uint8_t buffer_[512];
};
}  // namespace

ConversionOps::ConversionOps(SharedState& state, CheckSumOps& sums) : state_(state), sums_(sums) {}
ConversionOps::~ConversionOps() = default;

uint32_t ConversionOps::FindUpperByte(uint32_t address, uint8_t type, uint8_t& byte) {
    const SeriesParams params = ParamsFor(type);
    if (indexUpperHalf_ && !upperIndex_) {
        // The addresses a series conversion can ask for: the high parts of the lower half and of
        // a record that starts in it and runs on.
        auto index = std::make_unique<hxw::UpperHalfIndex>();
        index->first = params.distance;
        const size_t size = params.lowerTop + 1 + 256;
        index->bytes.assign(size, 0);
        index->present.assign(size, 0);
        uint8_t digits[256];
        const uint32_t code = WalkUpperHalf(upperHalfPath_, upperFormat_, [&](const hxw::DataRecord& r) {
            const uint64_t from = std::max<uint64_t>(r.Address, index->first);
            const uint64_t to =
                std::min<uint64_t>(uint64_t{r.Address} + r.Count, uint64_t{index->first} + size);
            if (from >= to) return true;
            hxw::DecodeBytes(r, digits);
            for (uint64_t a = from; a < to; ++a) {
                const size_t at = static_cast<size_t>(a - index->first);
                if (index->present[at]) continue;  // an earlier record holds it
                index->present[at] = 1;
                index->bytes[at] = digits[a - r.Address];
            }
            return true;
        });
        if (code) return state_.LastResult = code;
        upperIndex_ = std::move(index);
    }
    if (upperIndex_ && address >= upperIndex_->first &&
        address - upperIndex_->first < upperIndex_->bytes.size()) {
        const size_t at = address - upperIndex_->first;
        if (!upperIndex_->present[at]) return params.lookupFailure;
        byte = upperIndex_->bytes[at];
        return rc::Ok;
    }
    bool found = false;
    const uint32_t code = WalkUpperHalf(upperHalfPath_, upperFormat_, [&](const hxw::DataRecord& r) {
        if (address < r.Address || uint64_t{address} >= uint64_t{r.Address} + r.Count) return true;
        const char* digits = r.Digits + 2 * (address - r.Address);
        hxw::DataRecord one{address, digits, 1};
        hxw::DecodeBytes(one, &byte);
        found = true;
        return false;
    });
    if (code) return state_.LastResult = code;
    return found ? rc::Ok : params.lookupFailure;
}

uint32_t ConversionOps::ConvertSeries(const std::string& hxw, hxw::File& source, hxw::SourceFormat format,
                                      uint8_t type, uint8_t mode, uint32_t start, uint32_t end,
                                      Progress& progress) {
    const SeriesParams params = ParamsFor(type);
    const uint32_t first = mode != Auto ? start : state_.LowestAddress;
    const uint32_t last = mode != Auto ? end : state_.HighestAddress;
    // The file is created before the domain is looked at: a target that cannot be created is
    // reported as such whatever the domain. (It is the temporary file; a refusal removes it.)
    hxw::File out;
    if (!hxw::OpenImageFile(out, hxw)) return state_.LastResult = rc::FileOpen;
    if (first > params.lowerTop) {
        state_.DefectDetail = hxw::Format("the image would start at %08X, above the lower half (%04X)", unsigned(first),
                              unsigned(params.lowerTop));
        return state_.LastResult = rc::Param01;
    }
    if (last > params.highestSource) {
        state_.DefectDetail = hxw::Format("the source reaches %08X, above %04X", unsigned(last), unsigned(params.highestSource));
        return state_.LastResult = rc::Param02;
    }
    const uint32_t base = first & 0xFFFFFF00u;
    const uint32_t headerEnd = last & params.endMask;
    if (first > headerEnd) {
        // The words would run backwards: there is no image to write.
        state_.DefectDetail = hxw::Format("the image would start at %08X, above its end %08X", unsigned(first), unsigned(headerEnd));
        return state_.LastResult = rc::Address;
    }
    const uint32_t words = headerEnd - base + 1;

    if (!hxw::WriteHeaderBlock(out, base, headerEnd, type == Series720 ? "1" : "3"))
        return state_.LastResult = rc::FileWrite;
    const uint8_t blankHigh = params.blankHigh;
    hxw::ImageWriter image(out, 512, uint64_t{words} * 2, [blankHigh](uint8_t* p, uint64_t offset, size_t n) {
        for (size_t i = 0; i < n; ++i) p[i] = (offset + i) % 2 ? blankHigh : 0xFF;
    });

    upperIndex_.reset();
    upperFormat_ = format;
    indexUpperHalf_ = true;
    SeriesVisitor visit(*this, state_.DefectDetail, image, type, mode != Auto, first, last, base, headerEnd);
    const uint32_t code = hxw::WalkRecords(source, format, state_.LineCount, progress, visit);
    upperIndex_.reset();
    indexUpperHalf_ = false;
    if (code) return state_.LastResult = code;
    if (!image.Finish() || !out.Close()) return state_.LastResult = rc::FileWrite;
    return sums_.SumImage(hxw, type, true);
}
