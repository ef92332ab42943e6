#include "convert/SourceRecords.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/File.h"
#include "checksum/HexText.h"
#include "checksum/Kernels.h"
#include "base/ResultCodes.h"

namespace hxw {

LineReader::LineReader(File& file, size_t bufferSize)
    : file_(file),
      buffer_(new char[std::min(bufferSize, kFirstBuffer)]),
      capacity_(std::min(bufferSize, kFirstBuffer)),
      preferred_(bufferSize) {}

bool LineReader::Next(std::string_view& line) {
    for (;;) {
        const char* data = buffer_.get();
        if (const void* lf = std::memchr(data + begin_, '\n', end_ - begin_)) {
            const size_t stop = static_cast<size_t>(static_cast<const char*>(lf) - data);
            size_t len = stop - begin_;
            if (len > 0 && data[stop - 1] == '\r') --len;
            line = std::string_view(data + begin_, len);
            begin_ = stop + 1;
            return true;
        }
        if (eof_) {
            if (begin_ == end_) return false;
            line = std::string_view(data + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        // Keep the unfinished line, then fill the rest of the buffer.
        const size_t rest = end_ - begin_;
        size_t want = capacity_;
        if (rest == capacity_) {
            if (capacity_ >= kMaxLine) {
                failed_ = tooLong_ = true;
                return false;
            }
            want = capacity_ * 2;
        }
        if (filled_ && want < preferred_) want = preferred_;
        if (want != capacity_) {
            std::unique_ptr<char[]> bigger(new (std::nothrow) char[want]);
            if (!bigger) {
                failed_ = true;
                return false;
            }
            std::memcpy(bigger.get(), buffer_.get() + begin_, rest);
            buffer_ = std::move(bigger);
            capacity_ = want;
        } else if (begin_ > 0) {
            std::memmove(buffer_.get(), buffer_.get() + begin_, rest);
        }
        begin_ = 0;
        end_ = rest;
        const size_t room = static_cast<size_t>(std::min<uint64_t>(capacity_ - end_, left_));
        const size_t got = room ? file_.Read(buffer_.get() + end_, room) : 0;
        left_ -= got;
        filled_ = got == room;
        if (got == 0) {
            eof_ = true;
            if (room && file_.Handle() && std::ferror(file_.Handle())) {
                failed_ = true;
                return false;
            }
        }
        end_ += got;
    }
}

uint8_t SumHexPairs(const char* text, size_t len) {
    // Plain digits first; only text with a pair that is not two digits needs the lenient reading.
    const size_t pairs = len / 2;
    uint8_t sum = 0;
    if (SumPlainPairs(text, pairs, sum)) return sum;
    unsigned lenient = 0;
    for (size_t i = 0; i < pairs; ++i) lenient += ParseHexPair(text + 2 * i, 2);
    return static_cast<uint8_t>(lenient);
}

void DecodeBytes(const DataRecord& record, uint8_t* out) {
    if (record.Bytes) {
        std::memcpy(out, record.Bytes, record.Count);
        return;
    }
    if (!DecodePlainPairs(record.Digits, record.Count, out))
        for (size_t i = 0; i < record.Count; ++i) out[i] = ParseHexPair(record.Digits + 2 * i, 2);
}

namespace {
// The data text of a record: want characters from position at, cut at the line's end, in whole pairs.
size_t DataPairs(std::string_view line, size_t at, size_t want) {
    if (at >= line.size()) return 0;
    const size_t have = line.size() - at;
    return (want < have ? want : have) / 2;
}
}  // namespace

bool RecordReader::Interpret(std::string_view line, DataRecord& record) {
    const char* p = line.data();
    const size_t len = line.size();
    if (format_ == SourceFormat::Hex) {
        if (len < 11 || p[0] != ':') return false;
        const uint32_t count = ParseHexPair(p + 1, 2);
        const uint32_t address = ParseHexField(p + 3, 4, 4);
        switch (ParseHexPair(p + 7, 2)) {
            case 0x00:
            case 0x81:
                record.Address = address + offset_;
                record.Digits = p + 9;
                record.Count = DataPairs(line, 9, 2 * size_t{count});
                return record.Count > 0;
            case 0x02:
                offset_ = ParseHexField(p + 9, len - 9, 4) * 16;
                return false;
            case 0x04:
            case 0xFF:
                offset_ = ParseHexField(p + 9, len - 9, 4) << 16;
                return false;
            case 0x05:
                offset_ = ParseHexField(p + 9, len - 9, 8);
                return false;
            default:
                return false;
        }
    }
    if (len < 10 || p[0] != 'S') return false;
    size_t digits = 0;
    switch (p[1]) {
        case '1':
            digits = 4;
            break;
        case '2':
            digits = 6;
            break;
        case '3':
            digits = 8;
            break;
        default:
            return false;
    }
    // The count covers address, data and checksum: the data bytes are what is left of it.
    const int count = static_cast<int>(ParseHexPair(p + 2, 2)) - static_cast<int>(digits / 2) - 1;
    if (count <= 0) return false;
    record.Address = ParseHexField(p + 4, len - 4, digits);
    record.Digits = p + 4 + digits;
    record.Count = DataPairs(line, 4 + digits, 2 * static_cast<size_t>(count));
    return record.Count > 0;
}

namespace {
// The first n (1..7) bytes of x as memory holds them, the others zero.
inline uint64_t LowBytes(uint64_t x, size_t n) {
    uint64_t keep = (uint64_t{1} << (8 * n)) - 1;
    if (std::endian::native == std::endian::big) keep = ~(~uint64_t{0} >> (8 * n));
    return x & keep;
}
}  // namespace

bool PlainLine::Decode(SourceFormat format, std::string_view line) {
    const bool hex = format == SourceFormat::Hex;
    const size_t skip = hex ? 1 : 2;  // ':' or "Sn"
    if (line.size() < (hex ? 11 : 10) || line[0] != (hex ? ':' : 'S') || (line.size() - skip) % 2 != 0)
        return false;
    Pairs = (line.size() - skip) / 2;
    if (Pairs > kMaxPairs || !DecodePlainPairs(line.data() + skip, Pairs, Bytes)) return false;
    // The count field names every pair after it: HEX counts the data bytes (address, type and
    // checksum come on top), S-records count everything after the count itself.
    if (Bytes[0] != (hex ? Pairs - 5 : Pairs - 1)) return false;
    // Eight bytes at a time: pairwise into 16-bit lanes, then the lanes gathered by one multiply
    // (8 * 255 fits a lane). The last word is read whole (Bytes has room) with the bytes past
    // the record masked off; the sum is taken modulo 256, so lanes may carry over.
    unsigned sum = 0;
    size_t i = 0;
    auto add = [&sum](uint64_t x) {
        const uint64_t lanes = (x & 0x00FF00FF00FF00FFull) + ((x >> 8) & 0x00FF00FF00FF00FFull);
        sum += static_cast<unsigned>((lanes * 0x0001000100010001ull) >> 48);
    };
    for (; i + 8 <= Pairs; i += 8) {
        uint64_t x;
        std::memcpy(&x, Bytes + i, 8);
        add(x);
    }
    if (const size_t rest = Pairs - i) {
        uint64_t x;
        std::memcpy(&x, Bytes + i, 8);
        add(LowBytes(x, rest));
    }
    return static_cast<uint8_t>(sum) == (hex ? 0x00 : 0xFF);
}

bool RecordReader::InterpretPlain(std::string_view line, const PlainLine& plain, DataRecord& record) {
    const uint8_t* b = plain.Bytes;
    if (format_ == SourceFormat::Hex) {
        // Only data records take the short way; the offset records, rare, read their text.
        if (b[3] != 0x00 && b[3] != 0x81) return Interpret(line, record);
        record.Address = (uint32_t{b[1]} << 8 | b[2]) + offset_;
        record.Digits = line.data() + 9;
        record.Count = b[0];
        record.Bytes = b + 4;
        return record.Count > 0;
    }
    size_t width = 0;
    switch (line[1]) {
        case '1':
            width = 2;
            break;
        case '2':
            width = 3;
            break;
        case '3':
            width = 4;
            break;
        default:
            return false;
    }
    if (b[0] <= width + 1) return false;  // no data bytes
    uint32_t address = 0;
    for (size_t i = 0; i < width; ++i) address = address << 8 | b[1 + i];
    record.Address = address;
    record.Digits = line.data() + 4 + 2 * width;
    record.Count = b[0] - width - 1;
    record.Bytes = b + 1 + width;
    return true;
}

uint32_t ValidateLine(SourceFormat format, std::string_view line, std::string& detail) {
    char text[96];
    const bool hex = format == SourceFormat::Hex;
    if (line[0] != (hex ? ':' : 'S')) {
        detail = hex ? "line does not begin with ':'" : "line does not begin with 'S'";
        return hex ? rc::HexData : rc::MotData;
    }
    const size_t least = hex ? 11 : 10;
    if (line.size() < least) {
        std::snprintf(text, sizeof text, "line too short (%zu characters, at least %zu needed)", line.size(),
                      least);
        detail = text;
        return rc::Format00;
    }
    const uint8_t sum =
        hex ? SumHexPairs(line.data() + 1, line.size() - 1) : SumHexPairs(line.data() + 2, line.size() - 2);
    const uint8_t expected = hex ? 0x00 : 0xFF;
    if (sum != expected) {
        std::snprintf(text, sizeof text, "checksum %02X, expected %02X", static_cast<unsigned>(sum),
                      static_cast<unsigned>(expected));
        detail = text;
        return hex ? rc::HexData : rc::MotData;
    }
    return rc::Ok;
}

}  // namespace hxw
