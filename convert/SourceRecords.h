// Reading Intel HEX and Motorola S-record sources: lines through a large buffer, and the record
// rules every reader shares (fields, record types, address offset, record checksums).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace hxw {

class File;

// Hands out a file's lines one by one. A line is everything up to LF; a CR right before the LF
// is not part of it; the last line needs no LF. Memory is one buffer: small at first, as large as
// bufferSize once the file proves larger, and beyond that only for a longer line.
class LineReader {
  public:
    explicit LineReader(File& file, size_t bufferSize = 256 << 10);
    // Reads no more than limit bytes from where the file stands: that is its end then.
    void Limit(uint64_t limit) { left_ = limit; }
    // false at the physical end of the file or when reading failed (then Failed() is true).
    bool Next(std::string_view& line);
    bool Failed() const { return failed_; }
    // Reading stopped at a line longer than kMaxLine (no record is that long; a binary file
    // without line ends would otherwise be read whole into memory). Failed() is true then too.
    bool LineTooLong() const { return tooLong_; }
    static constexpr size_t kMaxLine = size_t{16} << 20;
    static constexpr size_t kFirstBuffer = size_t{64} << 10;

  private:
    File& file_;
    std::unique_ptr<char[]> buffer_;
    size_t capacity_;
    size_t preferred_;
    bool filled_ = false;  // the last read filled the buffer: more is likely to come
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool tooLong_ = false;
    uint64_t left_ = UINT64_MAX;
};

// The record mark of the first line decides the format of the whole file.
enum class SourceFormat { Hex, SRecord };

// A data record as the readers pass it on: absolute address and the hexadecimal text of its
// Count bytes (2 * Count characters).
struct DataRecord {
    uint32_t Address = 0;
    const char* Digits = nullptr;
    size_t Count = 0;
    // The Count bytes already decoded from Digits, when the reader had them; null otherwise.
    const uint8_t* Bytes = nullptr;
};

// The 8-bit sum of text read as consecutive two-character hexadecimal numbers; an odd last
// character is ignored.
uint8_t SumHexPairs(const char* text, size_t len);

// Turns Count two-digit fields into bytes.
void DecodeBytes(const DataRecord& record, uint8_t* out);

// A line whose every character after the record mark (and, for S-records, the type) is a
// hexadecimal digit, exactly as long as its count field says, and whose record checksum is
// right, decoded once into its bytes (count, address, type or data, checksum). Such a line
// passes ValidateLine, and InterpretPlain reads it as Interpret reads its text; any other line
// is left to those two.
struct PlainLine {
    static constexpr size_t kMaxPairs = 260;
    // Room for eight bytes more, which the checksum reads and masks off.
    uint8_t Bytes[kMaxPairs + 8];
    size_t Pairs = 0;
    // False when the line is not such a line (nothing else is promised then).
    bool Decode(SourceFormat format, std::string_view line);
};

// Interprets lines by the conversion-pass rules: a line without the record mark or too short is
// passed over; HEX offset records move the offset. Holds the HEX address offset between lines.
class RecordReader {
  public:
    explicit RecordReader(SourceFormat format, uint32_t offset = 0) : format_(format), offset_(offset) {}
    // True for a data record with at least one data byte (records without bytes are ignored).
    bool Interpret(std::string_view line, DataRecord& record);
    // The same for a line PlainLine has decoded into bytes, which the record then points into.
    bool InterpretPlain(std::string_view line, const PlainLine& plain, DataRecord& record);
    SourceFormat Format() const { return format_; }
    // The HEX address offset the lines so far have set.
    uint32_t Offset() const { return offset_; }

  private:
    SourceFormat format_;
    uint32_t offset_ = 0;
};

// The pre-scan's test of one non-empty line before it is interpreted: record mark, length and
// record checksum. Returns 0 or the failure code, with a short reason in detail.
uint32_t ValidateLine(SourceFormat format, std::string_view line, std::string& detail);

}  // namespace hxw
