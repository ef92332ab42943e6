#include "convert/SplitScan.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

#include "base/File.h"
#include "checksum/HexText.h"
#include "convert/PrescanLine.h"

namespace hxw {
namespace {
// How far before the split the last offset record is looked for; HEX files carry one every
// 64 KiB of data, far closer than this.
constexpr size_t kOffsetWindow = size_t{1} << 20;
// How far after the middle a line end is looked for.
constexpr size_t kLineEndWindow = size_t{1} << 20;

bool OffsetRecord(std::string_view line) {
    if (line.size() < 11 || line[0] != ':') return false;
    const unsigned type = ParseHexPair(line.data() + 7, 2);
    return type == 0x02 || type == 0x04 || type == 0x05 || type == 0xFF;
}

// The HEX address offset in force at position at of file: that of the last offset record before
// it (0 when there is none from the file's start on). False when none lies within the window.
bool OffsetBefore(File& file, uint64_t at, uint32_t& offset) {
    const uint64_t begin = at > kOffsetWindow ? at - kOffsetWindow : 0;
    std::vector<char> text(static_cast<size_t>(at - begin));
    if (!file.Seek(begin) || !file.ReadExact(text.data(), text.size())) return false;
    // The lines from the last one back; text ends with the line end just before at.
    size_t end = text.size();
    while (end > 0) {
        size_t stop = end;
        if (text[stop - 1] == '\n') --stop;
        const size_t lf = stop == 0 ? std::string_view::npos : std::string_view(text.data(), stop).rfind('\n');
        const size_t start = lf == std::string_view::npos ? 0 : lf + 1;
        std::string_view line(text.data() + start, stop - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // The window's first line may be cut, unless the window starts with the file.
        const bool whole = lf != std::string_view::npos || begin == 0;
        if (whole && OffsetRecord(line)) {
            RecordReader records(SourceFormat::Hex);
            DataRecord ignored;
            records.Interpret(line, ignored);
            offset = records.Offset();
            return true;
        }
        if (lf == std::string_view::npos) break;
        end = start;
    }
    offset = 0;
    return begin == 0;
}
}  // namespace

std::unique_ptr<SecondPart> SecondPart::Start(const std::string& source, StreamedImage& first, bool facts,
                                              uint64_t at) {
    const bool forced = at != UINT64_MAX;
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(source, error);
    if (error) return nullptr;
    if (!forced && (size < kLeast || std::thread::hardware_concurrency() < 2)) return nullptr;
    File file;
    if (!file.Open(source, "rb")) return nullptr;
    char mark = 0;
    if (!file.ReadExact(&mark, 1) || (mark != ':' && mark != 'S')) return nullptr;
    const SourceFormat format = mark == ':' ? SourceFormat::Hex : SourceFormat::SRecord;
    // The split: just after the first line end from the middle (or from at) on.
    const uint64_t look = forced ? std::min(at, size) : size / 2;
    std::vector<char> text(static_cast<size_t>(std::min<uint64_t>(kLineEndWindow, size - look)));
    if (text.empty() || !file.Seek(look) || !file.ReadExact(text.data(), text.size())) return nullptr;
    const void* lf = std::memchr(text.data(), '\n', text.size());
    if (!lf) return nullptr;
    const uint64_t from = look + static_cast<uint64_t>(static_cast<const char*>(lf) - text.data()) + 1;
    if (from >= size) return nullptr;  // nothing after it
    uint32_t offset = 0;
    if (format == SourceFormat::Hex && !OffsetBefore(file, from, offset)) return nullptr;
    return std::unique_ptr<SecondPart>(new SecondPart(source, format, from, offset, facts, first));
}

SecondPart::SecondPart(const std::string& source, SourceFormat format, uint64_t from, uint32_t offset,
                       bool facts, StreamedImage& first)
    : source_(source), format_(format), from_(from), offset_(offset), facts_(facts), image_(first.MakeTail(handOff_)) {
    first.ShareBase(handOff_);
    thread_ = std::thread([this] { Run(); });
}

SecondPart::~SecondPart() {
    stop_ = true;
    // A second half waiting for a base the first will not give any more.
    handOff_.Publish(-1);
    if (thread_.joinable()) thread_.join();
}

const PartScan& SecondPart::Wait() {
    // The first half is read: if it had no data record, it gave no base, and never will.
    handOff_.Publish(-1);
    if (thread_.joinable()) thread_.join();
    return scan_;
}

void SecondPart::Run() {
    PartScan& scan = scan_;
    File file;
    if (!file.Open(source_, "rb") || !file.Seek(from_)) {
        scan.ReadFailed = true;
        image_->FinishTail();
        return;
    }
    LineReader lines(file);
    RecordReader records(format_, offset_);
    PlainLine plain;
    DataRecord record;
    std::string_view line;
    uint32_t number = 0;
    while (lines.Next(line)) {
        ++number;
        if ((number & 0xFFF) == 0 && stop_.load(std::memory_order_relaxed)) break;
        if (line.empty()) continue;
        bool data = false;
        if (const uint32_t code = ScanLine(format_, line, records, plain, record, data, scan.Detail)) {
            scan.Code = code;
            scan.DefectLine = number;
            break;
        }
        if (facts_) scan.Facts.Line(format_, line, number, data, record);
        if (!data) continue;
        scan.Lowest = std::min(scan.Lowest, record.Address);
        scan.Highest = std::max(scan.Highest, static_cast<uint32_t>(record.Address + record.Count - 1));
        image_->Record(record);
    }
    scan.Lines = number;
    if (!scan.Code) {
        scan.TooLong = lines.LineTooLong();
        scan.ReadFailed = lines.Failed() && !scan.TooLong;
    }
    image_->FinishTail();
}

}  // namespace hxw
