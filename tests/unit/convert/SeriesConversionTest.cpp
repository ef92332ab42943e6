#include <gtest/gtest.h>

#include <map>

#include "tests/support/TestFiles.h"
#include "base/File.h"
#include "engine/HxwConverter.h"
#include "base/ResultCodes.h"

using namespace testfiles;

namespace {
using Engine = HxwConverter;

std::vector<uint8_t> Fill(size_t n, uint8_t v) { return std::vector<uint8_t>(n, v); }

// Records of 16 bytes covering from..to (inclusive), every byte the same value.
std::vector<std::string> Range16(uint32_t from, uint32_t to, uint8_t value) {
    std::vector<std::string> out;
    for (uint32_t a = from; a <= to; a += 16) out.push_back(HexRecord(0, a, Fill(16, value)));
    return out;
}

std::vector<std::string> Concat(std::vector<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

class SeriesConversion : public ::testing::Test {
  protected:
    SeriesConversion() { engine.SetUpperHalfPath(dir / "Hxw.tmp"); }
    uint32_t Convert(const std::vector<std::string>& lines, uint8_t type, uint8_t mode = Auto,
                     uint32_t start = 0, uint32_t end = 0) {
        WriteFile(dir / "src", Lines(lines));
        return engine.CreateHxwFile(dir / "src", dir / "out.hxw", type, mode, start, end, progress);
    }
    std::string Out() { return ReadFile(dir / "out.hxw"); }
    TempDir dir;
    Engine engine;
    RecordingProgress progress;
};

// The expected file: header start..end, blank words, then the given words by address.
std::string Expected(uint32_t start, uint32_t end, uint8_t type, const std::map<uint32_t, uint16_t>& words) {
    const uint16_t blank = type == Series720 ? 0x01FF : 0x03FF;
    std::string body;
    unsigned sum = 0;
    for (uint32_t a = start; a <= end; ++a) {
        const auto it = words.find(a);
        const uint16_t w = it == words.end() ? blank : it->second;
        body += static_cast<char>(w & 0xFF);
        body += static_cast<char>(w >> 8);
        sum += w;
    }
    std::string header = Header(start, end, type == Series720 ? "1" : "3");
    char field[8];
    std::snprintf(field, sizeof field, "%04X\r\n", sum & 0xFFFF);
    header.replace(40, 6, field);
    return header + body;
}
}  // namespace

TEST_F(SeriesConversion, WordsFromBothHalves) {
    std::map<uint32_t, uint16_t> full;
    for (uint32_t a = 0; a < 0x1000; ++a) full[a] = 0x0100 | 0x5A;
    struct Case {
        std::string name;
        std::vector<std::string> lines;
        uint8_t type, mode;
        uint32_t start, end;
        uint32_t headerStart, headerEnd;
        std::map<uint32_t, uint16_t> words;
    } cases[] = {
        {"720 low bit of the high part",
         {HexRecord(0, 0, {0x12}), HexRecord(0, 0x1000, {0x03})},
         Series720,
         Auto,
         0,
         0,
         0,
         0,
         {{0, 0x0112}}},
        {"720 FE and FF",
         {HexRecord(0, 0, {0x10, 0x20}), HexRecord(0, 0x1000, {0xFE, 0xFF})},
         Series720,
         Auto,
         0,
         0,
         0,
         1,
         {{0, 0x0010}, {1, 0x0120}}},
        {"4500 five bits of each",
         {HexRecord(0, 0x10, {0xE5}), HexRecord(0, 0x4010, {0x1B})},
         Series4500,
         Auto,
         0,
         0,
         0,
         0x10,
         {{0x10, 0x0365}}},
        {"4500 l=FF u=FF and l=21 u=02",
         {HexRecord(0, 0x20, {0xFF, 0x21}), HexRecord(0, 0x4020, {0xFF, 0x02})},
         Series4500,
         Auto,
         0,
         0,
         0,
         0x21,
         {{0x20, 0x03FF}, {0x21, 0x0041}}},
        {"s-records",
         {SRecord('1', 0, {0x12}), SRecord('1', 0x1000, {0x03}), SRecord('9', 0, {})},
         Series720,
         Auto,
         0,
         0,
         0,
         0,
         {{0, 0x0112}}},
        {"upper half before the lower half stops the reading",
         {HexRecord(0, 0x1000, {1, 1}), HexRecord(0, 0, {0xAA, 0xBB})},
         Series720,
         Auto,
         0,
         0,
         0,
         1,
         {}},
        {"full 720 source", Concat({Range16(0, 0xFFF, 0x5A), Range16(0x1000, 0x1FFF, 0x01)}), Series720, Auto,
         0, 0, 0, 0xFFF, full},
        {"manual cuts a record",
         {HexRecord(0, 0xF8, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}),
          HexRecord(0, 0x1100, Fill(8, 1))},
         Series720,
         Manual,
         0x100,
         0x1FF,
         0x100,
         0x1FF,
         {{0x100, 0x108},
          {0x101, 0x109},
          {0x102, 0x10A},
          {0x103, 0x10B},
          {0x104, 0x10C},
          {0x105, 0x10D},
          {0x106, 0x10E},
          {0x107, 0x10F}}},
        {"first upper record holding an address wins",
         {HexRecord(0, 0, {0x00}), HexRecord(0, 0x1000, {0x01}), HexRecord(0, 0x1000, {0x00})},
         Series720,
         Auto,
         0,
         0,
         0,
         0,
         {{0, 0x0100}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Convert(c.lines, c.type, c.mode, c.start, c.end), rc::Ok) << std::hex << engine.LastResult;
        const std::string want = Expected(c.headerStart & ~0xFFu, c.headerEnd, c.type, c.words);
        EXPECT_TRUE(Out() == want) << Out().substr(0, 48);
        EXPECT_EQ(engine.LastCheckSum, static_cast<uint16_t>(std::stoul(want.substr(40, 4), nullptr, 16)));
    }
    // Manual: the bytes land at offsets 512..527.
    ASSERT_EQ(Convert(cases[7].lines, Series720, Manual, 0x100, 0x1FF), rc::Ok);
    EXPECT_EQ(Out().substr(512, 4), std::string("\x08\x01\x09\x01", 4));
}

TEST_F(SeriesConversion, RefusalsKeepAnEarlierFile) {
    struct Case {
        std::string name;
        std::vector<std::string> lines;
        uint8_t type;
        uint32_t code;
    } cases[] = {
        {"720 lower byte without partner",
         {HexRecord(0, 0, {1, 2}), HexRecord(0, 0x1000, {1})},
         Series720,
         rc::Format01},
        {"4500 lower byte without partner",
         {HexRecord(0, 0, {1}), HexRecord(0, 0x4001, {1})},
         Series4500,
         rc::Format02},
        {"4500 no upper half at all", {HexRecord(0, 0, {1})}, Series4500, rc::Format02},
        {"record across the boundary looks beyond the upper half",
         Concat({{HexRecord(0, 0x0FF0, Fill(32, 7))}, Range16(0x1000, 0x1FFF, 1)}), Series720, rc::Format01},
        {"no data below the boundary", {HexRecord(0, 0x1000, {1})}, Series720, rc::Param01},
        {"4500 source beyond 7FFF",
         {HexRecord(0, 0, {1}), HexRecord(0, 0x8000, {1})},
         Series4500,
         rc::Param02},
        {"start above the masked end", Concat({Range16(0x100, 0x1FF, 1), Range16(0x1000, 0x10FF, 1)}),
         Series720, rc::Address},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "out.hxw", "earlier");
        EXPECT_EQ(Convert(c.lines, c.type), c.code);
        EXPECT_EQ(engine.LastResult, c.code);
        EXPECT_EQ(Out(), "earlier");
    }
}

TEST_F(SeriesConversion, AnHxwFileThatCannotBeCreatedIsReportedBeforeTheDomainChecks) {
    // The HXW file is created first, so a bad target wins over a bad domain.
    struct Case {
        std::string name;
        std::vector<std::string> lines;
        uint8_t type;
    } cases[] = {
        {"no data below the boundary", {HexRecord(0, 0x1000, {1})}, Series720},
        {"4500 source beyond 7FFF", {HexRecord(0, 0, {1}), HexRecord(0, 0x8000, {1})}, Series4500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "src", Lines(c.lines));
        EXPECT_EQ(
            engine.CreateHxwFile(dir / "src", dir / "no-such-folder/out.hxw", c.type, Auto, 0, 0, progress),
            rc::FileOpen);
    }
}

TEST_F(SeriesConversion, LookupReadsTheUpperHalfFileByItsRules) {
    WriteFile(dir / "Hxw.tmp", Lines({HexRecord(0, 0x1000, {0x11, 0x22}), HexRecord(0, 0x1001, {0x99, 0x33}),
                                      "creation of a HXW file goes WRONG.", HexRecord(0, 0x1010, {0x44})}));
    struct Case {
        uint32_t address;
        uint8_t type;
        uint32_t code;
        uint8_t byte;
    } cases[] = {
        {0x1000, Series720, rc::Ok, 0x11},     {0x1001, Series720, rc::Ok, 0x22},  // first match wins
        {0x1002, Series720, rc::Ok, 0x33},     {0x1003, Series720, rc::Format01, 0},
        {0x1010, Series720, rc::Format01, 0},  // after the marker line
        {0x1010, Series4500, rc::Format02, 0},
    };
    for (const auto& c : cases) {
        uint8_t byte = 0;
        EXPECT_EQ(engine.FindUpperByte(c.address, c.type, byte), c.code) << std::hex << c.address;
        if (c.code == rc::Ok) {
            EXPECT_EQ(byte, c.byte) << std::hex << c.address;
        }
    }
    hxw::RemoveFile(dir / "Hxw.tmp");
    uint8_t byte = 0;
    EXPECT_EQ(engine.FindUpperByte(0x1000, Series720, byte), rc::FileOpen);
}

TEST_F(SeriesConversion, ProgressStopsAtTheFirstUpperRecord) {
    const auto lines = Concat({Range16(0, 0xFF, 1), Range16(0x1000, 0x10FF, 1), {":00000001FF"}});
    ASSERT_EQ(Convert(lines, Series720), rc::Ok);
    EXPECT_EQ(engine.LineCount, 17u);
    ASSERT_EQ(progress.ranges.size(), 1u);
    EXPECT_EQ(progress.ranges[0], std::make_pair(0u, 17u));
    EXPECT_EQ(progress.positions.front(), 0u);
    EXPECT_EQ(progress.positions.back(), 16u);
}
