#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/TestFiles.h"
#include "base/File.h"
#include "convert/ImageWriter.h"
#include "base/ResultCodes.h"
#include "convert/SourceRecords.h"

using namespace testfiles;
using hxw::DataRecord;
using hxw::RecordReader;
using hxw::SourceFormat;

namespace {
struct Interpreted {
    bool data;
    uint32_t address;
    std::string digits;
};

// Feeds lines to one reader (so offsets carry over) and collects what each line gave.
std::vector<Interpreted> Interpret(SourceFormat format, const std::vector<std::string>& lines) {
    RecordReader reader(format);
    std::vector<Interpreted> out;
    for (const auto& l : lines) {
        DataRecord r;
        const bool data = reader.Interpret(l, r);
        out.push_back({data, data ? r.Address : 0, data ? std::string(r.Digits, 2 * r.Count) : ""});
    }
    return out;
}
}  // namespace

TEST(SourceRecords, HexRecordTypesAndOffsets) {
    struct Case {
        std::vector<std::string> lines;
        Interpreted last;  // what the last line gives
    } cases[] = {
        {{":0212340001027B"}, {true, 0x1234, "0102"}},
        {{":0212348101027B"}, {true, 0x1234, "0102"}},                         // 81 is data too
        {{":020000021000EC", ":0100100055xx"}, {true, 0x10010, "55"}},         // segment: x16
        {{":020000040001F9", ":0100100055xx"}, {true, 0x10010, "55"}},         // linear: <<16
        {{":0200000F0001F9", ":0100100055xx"}, {true, 0x10, "55"}},            // unknown type: no offset
        {{":020000FF0001F9", ":0100100055xx"}, {true, 0x10010, "55"}},         // FF acts as 04
        {{":0400000512345678xx", ":0100100055xx"}, {true, 0x12345688, "55"}},  // 05 taken whole
        {{":00000001FF"}, {false, 0, ""}},                                     // end of file: ignored
        {{":00000001FF", ":0100200066xx"}, {true, 0x20, "66"}},                // reading goes on after it
        {{":10000000AABBC"}, {true, 0, "AABB"}},       // count beyond the line: cut, odd dropped
        {{":020000001"}, {false, 0, ""}},              // 10 characters: passed over
        {{":0000000000"}, {false, 0, ""}},             // data record without bytes
        {{"S1130000AABB"}, {false, 0, ""}},            // wrong mark for HEX
        {{":0300000001020304"}, {true, 0, "010203"}},  // checksum digits not data
    };
    for (const auto& c : cases) {
        const auto got = Interpret(SourceFormat::Hex, c.lines).back();
        EXPECT_EQ(got.data, c.last.data) << c.lines.back();
        EXPECT_EQ(got.address, c.last.address) << c.lines.back();
        EXPECT_EQ(got.digits, c.last.digits) << c.lines.back();
    }
}

TEST(SourceRecords, SRecordTypes) {
    struct Case {
        std::string line;
        Interpreted want;
    } cases[] = {
        {"S1051234AABBxx", {true, 0x1234, "AABB"}},
        {"S206123456AABBxx", {true, 0x123456, "AABB"}},
        {"S30712345678AABBxx", {true, 0x12345678, "AABB"}},
        {"S00600004844521B", {false, 0, ""}},
        {"S9030000FC", {false, 0, ""}},
        {"S5030001FB", {false, 0, ""}},
        {"S1031234xx", {false, 0, ""}},        // count 3: no data bytes
        {"S1021234xxxx", {false, 0, ""}},      // count below that
        {"S1FF1234AA", {true, 0x1234, "AA"}},  // count beyond the line: cut at its end
        {"S10512", {false, 0, ""}},            // too short
        {":051234AABB", {false, 0, ""}},
    };
    for (const auto& c : cases) {
        const auto got = Interpret(SourceFormat::SRecord, {c.line}).back();
        EXPECT_EQ(got.data, c.want.data) << c.line;
        EXPECT_EQ(got.address, c.want.address) << c.line;
        EXPECT_EQ(got.digits, c.want.digits) << c.line;
    }
}

TEST(SourceRecords, ValidationOrderAndChecksums) {
    struct Case {
        SourceFormat format;
        std::string line;
        uint32_t code;
    } cases[] = {
        {SourceFormat::Hex, ":00000001FF", 0},
        {SourceFormat::Hex, ":00000001F", rc::Format00},  // 10 characters
        {SourceFormat::Hex, ":00000001FE", rc::HexData},
        {SourceFormat::Hex, "00000001FF0", rc::HexData},  // mark tested before length and sum
        {SourceFormat::Hex, " :00000001FF", rc::HexData},
        {SourceFormat::Hex, ":100000000102", rc::HexData},  // count beyond the line, pairs do not sum to 0
        {SourceFormat::Hex, ":1000000001EF", 0},            // ... and they do
        {SourceFormat::Hex, ":00000001FF00", 0},            // further pairs count in the sum
        {SourceFormat::Hex, ":00000001FF1", 0},             // an odd last digit is ignored
        {SourceFormat::SRecord, "S00600004844521B", 0},
        {SourceFormat::SRecord, "S00600004844521C", rc::MotData},
        {SourceFormat::SRecord, "S9030000FC", 0},
        {SourceFormat::SRecord, "S9030000F", rc::Format00},
        {SourceFormat::SRecord, ":9030000FC", rc::MotData},
    };
    for (const auto& c : cases) {
        std::string detail;
        EXPECT_EQ(hxw::ValidateLine(c.format, c.line, detail), c.code) << c.line;
    }
    std::string detail;
    hxw::ValidateLine(SourceFormat::Hex, ":00000001FE", detail);
    EXPECT_EQ(detail, "checksum FF, expected 00");
}

TEST(SourceRecords, LineReaderEndsAndLongLines) {
    TempDir dir;
    const std::string longLine(3000, 'x');
    WriteFile(dir / "l.txt", "a\r\nb\n\r\nc\rd\n" + longLine + "\r\nlast\r");
    hxw::File f;
    ASSERT_TRUE(f.Open(dir / "l.txt", "rb"));
    hxw::LineReader reader(f, 16);  // a tiny buffer, so lines straddle refills
    std::vector<std::string> got;
    std::string_view line;
    while (reader.Next(line)) got.emplace_back(line);
    EXPECT_FALSE(reader.Failed());
    const std::vector<std::string> want = {"a", "b", "", "c\rd", longLine, "last\r"};
    EXPECT_EQ(got, want);
}

TEST(ImageWriter, OutOfOrderWritesLandWhereAModelSaysWithAnySmallWindow) {
    TempDir dir;
    std::mt19937 rng(11);
    for (size_t window : {7u, 64u, 1000u}) {
        const uint64_t size = 5000;
        std::string model(size, '\xFF');
        for (size_t i = 0; i < size; i += 2) model[i + 1] = 1;  // a two-byte blank, as for the series
        hxw::File f;
        ASSERT_TRUE(f.Open(dir / "w.bin", "wb"));
        ASSERT_TRUE(f.Write("HEAD", 4));
        hxw::ImageWriter w(
            f, 4, size,
            [](uint8_t* p, uint64_t off, size_t n) {
                for (size_t i = 0; i < n; ++i) p[i] = (off + i) % 2 ? 1 : 0xFF;
            },
            window);
        for (int k = 0; k < 300; ++k) {
            // Mostly ascending with jumps back, like overlapping or unsorted records.
            const uint64_t off = (k % 5 == 4) ? rng() % size : std::min<uint64_t>(k * 16, size - 1);
            const size_t n = std::min<uint64_t>(1 + rng() % 40, size - off);
            std::vector<uint8_t> data(n);
            for (auto& b : data) b = static_cast<uint8_t>(rng());
            ASSERT_TRUE(w.Write(off, data.data(), n));
            std::memcpy(&model[off], data.data(), n);
        }
        ASSERT_TRUE(w.Finish());
        ASSERT_TRUE(f.Close());
        EXPECT_EQ(ReadFile(dir / "w.bin"), "HEAD" + model) << "window " << window;
    }
}

namespace {
// Reads a line both ways with one reader state each (the offset carried over from prefix) and
// expects the same verdict, record and bytes wherever the short way takes the line.
void ExpectPlainReadingAgrees(SourceFormat format, const std::vector<std::string>& prefix,
                              const std::string& line, bool expectPlain) {
    RecordReader full(format), quick(format);
    for (const auto& p : prefix) {
        DataRecord ignored;
        full.Interpret(p, ignored);
        quick.Interpret(p, ignored);
    }
    hxw::PlainLine plain;
    const bool isPlain = plain.Decode(format, line);
    EXPECT_EQ(isPlain, expectPlain) << line;
    if (!isPlain) return;
    std::string detail;
    EXPECT_EQ(hxw::ValidateLine(format, line, detail), rc::Ok) << line << ": " << detail;
    DataRecord a, b;
    const bool dataA = full.Interpret(line, a);
    const bool dataB = quick.InterpretPlain(line, plain, b);
    ASSERT_EQ(dataA, dataB) << line;
    if (!dataA) return;
    EXPECT_EQ(a.Address, b.Address) << line;
    EXPECT_EQ(a.Count, b.Count) << line;
    EXPECT_EQ(a.Digits, b.Digits) << line;
    ASSERT_NE(b.Bytes, nullptr);
    std::vector<uint8_t> decoded(a.Count);
    hxw::DecodeBytes(a, decoded.data());
    EXPECT_EQ(std::vector<uint8_t>(b.Bytes, b.Bytes + b.Count), decoded) << line;
}
}  // namespace

TEST(SourceRecords, PlainLinesReadOnceAgreeWithTheFullRules) {
    const std::vector<std::string> offset = {":020000040801F1"};
    struct Case {
        SourceFormat format;
        std::vector<std::string> prefix;
        std::string line;
        bool plain;
    } cases[] = {
        {SourceFormat::Hex, {}, ":10010000214601360121470136007EFE09D2190140", true},
        {SourceFormat::Hex, offset, ":10010000214601360121470136007EFE09D2190140", true},
        {SourceFormat::Hex, {}, ":10010000214601360121470136007efe09d2190140", true},   // lower case
        {SourceFormat::Hex, {}, HexRecord(0x81, 0, {1, 2, 3, 4}), true},               // type 81
        {SourceFormat::Hex, {}, ":00000001FF", true},                                  // end record
        {SourceFormat::Hex, {}, ":020000040801F1", true},                              // offset record
        {SourceFormat::Hex, {}, ":0000000000", true},                                  // no data bytes
        {SourceFormat::Hex, {}, ":10010000214601360121470136007EFE09D2190141", false},  // checksum
        {SourceFormat::Hex, {}, ":10010000214601360121470136007EFE09D219014000", false},  // longer
        {SourceFormat::Hex, {}, ":10010000214601360121470136007EFE09D21901", false},      // shorter
        {SourceFormat::Hex, {}, ":10010000214601360121470136007EFE09D2190140 ", false},   // odd length
        {SourceFormat::Hex, {}, ":1001000021460136012147013600 EFE09D2190140", false},    // a space
        {SourceFormat::Hex, {}, "S1130000285F245F2212226A000424290008237C2A", false},    // other mark
        {SourceFormat::SRecord, {}, "S1130000285F245F2212226A000424290008237C2A", true},
        {SourceFormat::SRecord, {}, SRecord('2', 0x010000, {0x21, 0x22, 0x23, 0x24, 0x25}), true},
        {SourceFormat::SRecord, {}, SRecord('3', 0x08000000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), true},
        {SourceFormat::SRecord, {}, "S0030000FC", true},                              // header
        {SourceFormat::SRecord, {}, "S9030000FC", true},                              // end
        {SourceFormat::SRecord, {}, "S1030000FC", true},                              // no data bytes
        {SourceFormat::SRecord, {}, "S1130000285F245F2212226A000424290008237C2B", false},  // checksum
        {SourceFormat::SRecord, {}, "S1130000285F245F2212226A000424290008237C", false},    // shorter
        {SourceFormat::SRecord, {}, "S1130000285F245F2212226A000424290008237C2A00", false},  // longer
        {SourceFormat::SRecord, {}, "S1130000285F245F2212226A00042429000823G72A", false},    // not a digit
    };
    for (const auto& c : cases) ExpectPlainReadingAgrees(c.format, c.prefix, c.line, c.plain);
}

TEST(SourceRecords, PlainReadingAgreesOnEveryLengthAndEveryChangedCharacter) {
    std::mt19937 rng(7);
    for (SourceFormat format : {SourceFormat::Hex, SourceFormat::SRecord}) {
        for (unsigned count = 0; count <= 255; ++count) {
            std::vector<uint8_t> data(count);
            for (auto& d : data) d = static_cast<uint8_t>(rng());
            const unsigned address = rng() & 0xFFFF;
            std::string line;
            if (format == SourceFormat::Hex) {
                line = HexRecord(0, address, data);
            } else {
                if (count > 252) continue;  // the S1 count field holds address, data and checksum
                line = SRecord('1', address, data);
            }
            ExpectPlainReadingAgrees(format, {}, line, true);
            // One changed character at a random place: whatever the short way takes, it reads alike.
            std::string changed = line;
            const size_t at = 1 + rng() % (line.size() - 1);
            changed[at] = "0F9aZ :"[rng() % 7];
            hxw::PlainLine plain;
            if (plain.Decode(format, changed)) ExpectPlainReadingAgrees(format, {}, changed, true);
        }
    }
}
