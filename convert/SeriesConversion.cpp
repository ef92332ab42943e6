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

// Walks the data records of the upper-half file until the marker line; visit(record) returns
// false to stop. 0, 0x7000 (cannot open) or 0x7005 (cannot read).
template <class Visit>
uint32_t WalkUpperHalf(const std::string& path, char recordMark, Visit visit) {
    hxw::File file;
    if (!file.Open(path, "rb")) return rc::FileOpen;
    hxw::LineReader lines(file, 1 << 16);
    hxw::RecordReader records(recordMark == ':' ? hxw::SourceFormat::Hex : hxw::SourceFormat::SRecord);
    hxw::DataRecord record;
    std::string_view line;
    while (lines.Next(line)) {
        if (IsMarkerLine(line)) break;
        if (records.Interpret(line, record) && !visit(record)) break;
    }
    return lines.Failed() ? rc::FileRead : rc::Ok;
}
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
        const uint32_t code = WalkUpperHalf(upperHalfPath_, upperRecordMark_, [&](const hxw::DataRecord& r) {
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
    const uint32_t code = WalkUpperHalf(upperHalfPath_, upperRecordMark_, [&](const hxw::DataRecord& r) {
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

uint32_t ConversionOps::ConvertSeries(const std::string& hxw, hxw::File& source, char recordMark,
                                      uint8_t type, uint8_t mode, uint32_t start, uint32_t end,
                                      Progress& progress) {
    const SeriesParams params = ParamsFor(type);
    const uint32_t first = mode != Auto ? start : state_.LowestAddress;
    const uint32_t last = mode != Auto ? end : state_.HighestAddress;
    // The file is created before the domain is looked at: a target that cannot be created is
    // reported as such whatever the domain. (It is the temporary file; a refusal removes it.)
    hxw::File out;
    if (!out.Open(hxw, "wb")) return state_.LastResult = rc::FileOpen;
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
    upperRecordMark_ = recordMark;
    indexUpperHalf_ = true;
    hxw::LineReader lines(source);
    hxw::RecordReader records(recordMark == ':' ? hxw::SourceFormat::Hex : hxw::SourceFormat::SRecord);
    hxw::ProgressTicker ticker(progress, state_.LineCount);
    hxw::DataRecord record;
    uint8_t bytes[256];
    uint8_t buffer[512];
    std::string_view line;
    uint32_t before = 0;
    while (lines.Next(line)) {
        ticker.Line(before++);
        if (!records.Interpret(line, record)) continue;
        if (record.Address > params.lowerTop) break;  // the upper half begins: the lower half is done
        hxw::DecodeBytes(record, bytes);
        // Auto uses every byte; Manual drops bytes below the start and stops at the first above the end.
        size_t i = 0;
        if (mode != Auto && record.Address < first)
            i = std::min<size_t>(first - record.Address, record.Count);
        const size_t from = i;
        size_t built = 0;
        for (; i < record.Count; ++i) {
            const uint32_t address = record.Address + static_cast<uint32_t>(i);
            if (mode != Auto && address > last) break;
            uint8_t high = 0;
            if (const uint32_t code = FindUpperByte(address + params.distance, type, high)) {
                state_.DefectDetail = code == params.lookupFailure
                                   ? hxw::Format("no upper byte for address %04X (looked for at %04X)", unsigned(address),
                                                 unsigned(address + params.distance))
                                   : "cannot read the upper-half file " + upperHalfPath_;
                upperIndex_.reset();
                indexUpperHalf_ = false;
                return state_.LastResult = code;
            }
            const uint16_t word = JoinWord(type, bytes[i], high);
            buffer[2 * built] = static_cast<uint8_t>(word);
            buffer[2 * built + 1] = static_cast<uint8_t>(word >> 8);
            ++built;
        }
        if (!built) continue;
        // Words outside the image (only possible from a damaged upper-half file) are not written.
        const uint64_t firstWord = uint64_t{record.Address} + from;
        const uint64_t lastWord = std::min<uint64_t>(firstWord + built - 1, headerEnd);
        if (firstWord < base || firstWord > lastWord) continue;
        if (!image.Write((firstWord - base) * 2, buffer, static_cast<size_t>(lastWord - firstWord + 1) * 2)) {
            upperIndex_.reset();
            indexUpperHalf_ = false;
            return state_.LastResult = rc::FileWrite;
        }
    }
    ticker.Done();
    upperIndex_.reset();
    indexUpperHalf_ = false;
    if (lines.Failed()) return state_.LastResult = rc::FileRead;
    if (!image.Finish() || !out.Close()) return state_.LastResult = rc::FileWrite;
    return sums_.SumImage(hxw, type, true);
}
