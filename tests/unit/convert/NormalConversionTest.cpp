#include <gtest/gtest.h>

#include <map>
#include <random>

#include "tests/support/TestFiles.h"
#include "engine/HxwConverter.h"
#include "base/ResultCodes.h"

using namespace testfiles;

namespace {
using Engine = HxwConverter;

class NormalConversion : public ::testing::Test {
  protected:
    NormalConversion() { engine.SetUpperHalfPath(dir / "Hxw.tmp"); }
    uint32_t Convert(const std::string& content, uint8_t mode = Auto, uint32_t start = 0, uint32_t end = 0,
                     uint8_t type = Normal) {
        WriteFile(dir / "src", content);
        return engine.CreateHxwFile(dir / "src", dir / "out.hxw", type, mode, start, end, progress);
    }
    std::string Out() { return ReadFile(dir / "out.hxw"); }
    std::string Body() { return Out().substr(512); }
    TempDir dir;
    Engine engine;
    RecordingProgress progress;
};

std::string WithSum(std::string header, uint16_t sum) {
    char f[8];
    std::snprintf(f, sizeof f, "%04X\r\n", sum);
    header.replace(40, 6, f);
    return header;
}
}  // namespace

TEST_F(NormalConversion, SingleAddressGivesTheWholeFile) {
    for (const auto& source : {Lines({HexRecord(0, 0x1234, {0x56}), ":00000001FF"}),
                               Lines({SRecord('1', 0x1234, {0x56}), SRecord('9', 0, {})}, "\n")}) {
        ASSERT_EQ(Convert(source), rc::Ok);
        std::string want = WithSum(Header(0x1200, 0x1234, "0"), 0x3422) + std::string(0x34, '\xFF') + "\x56";
        EXPECT_EQ(Out(), want);
        EXPECT_EQ(engine.LastCheckSum, 0x3422);
        EXPECT_EQ(engine.LastResult, rc::Ok);
    }
}

TEST_F(NormalConversion, AutoAndManualDomains) {
    std::vector<uint8_t> ramp(16);
    for (int i = 0; i < 16; ++i) ramp[i] = static_cast<uint8_t>(0xA0 + i);
    struct Case {
        std::string name;
        std::string source;
        uint8_t mode;
        uint32_t start, end;
        uint32_t headerStart, headerEnd;
        std::map<uint32_t, uint8_t> bytes;  // address -> byte; every other address holds FF
    } cases[] = {
        {"auto spans lowest to highest",
         Lines({HexRecord(0, 0x1234, {1}), HexRecord(0, 0x5678, {2})}),
         Auto,
         0,
         0,
         0x1200,
         0x5678,
         {{0x1234, 1}, {0x5678, 2}}},
        {"manual cuts a record at both ends",
         Lines({HexRecord(0, 0xF8, ramp)}),
         Manual,
         0x100,
         0x1FF,
         0x100,
         0x1FF,
         {{0x100, 0xA8},
          {0x101, 0xA9},
          {0x102, 0xAA},
          {0x103, 0xAB},
          {0x104, 0xAC},
          {0x105, 0xAD},
          {0x106, 0xAE},
          {0x107, 0xAF}}},
        {"manual start off the page keeps the base",
         Lines({HexRecord(0, 0x1000, ramp)}),
         Manual,
         0x1005,
         0x1006,
         0x1000,
         0x1006,
         {{0x1005, 0xA5}, {0x1006, 0xA6}}},
        {"later record wins",
         Lines({HexRecord(0, 0x10, {1, 2, 3}), HexRecord(0, 0x11, {9})}),
         Auto,
         0,
         0,
         0x00,
         0x12,
         {{0x10, 1}, {0x11, 9}, {0x12, 3}}},
        {"data after the end-of-file record",
         Lines({HexRecord(0, 0x10, {1}), ":00000001FF", HexRecord(0, 0x12, {3})}),
         Auto,
         0,
         0,
         0x00,
         0x12,
         {{0x10, 1}, {0x12, 3}}},
        {"manual domain beyond the data",
         Lines({HexRecord(0, 0x10, {1})}),
         Manual,
         0x0,
         0x20F,
         0x0,
         0x20F,
         {{0x10, 1}}},
        {"s-records of all widths",
         Lines({SRecord('1', 0x10, {1}), SRecord('2', 0x11, {2}), SRecord('3', 0x12, {3})}),
         Auto,
         0,
         0,
         0x00,
         0x12,
         {{0x10, 1}, {0x11, 2}, {0x12, 3}}},
        {"lf line ends",
         Lines({HexRecord(0, 0x10, {1, 2})}, "\n"),
         Auto,
         0,
         0,
         0x00,
         0x11,
         {{0x10, 1}, {0x11, 2}}},
        {"segment offset",
         Lines({HexRecord(2, 0, {0x00, 0x01}), HexRecord(0, 0x2, {7})}),
         Auto,
         0,
         0,
         0x00,
         0x12,
         {{0x12, 7}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Convert(c.source, c.mode, c.start, c.end), rc::Ok);
        const std::string out = Out();
        const std::string body = out.substr(512);
        EXPECT_EQ(out.substr(0, 40), Header(c.headerStart, c.headerEnd, "0").substr(0, 40));
        ASSERT_EQ(body.size(), c.headerEnd - c.headerStart + 1);
        unsigned sum = 0;
        for (uint32_t a = c.headerStart; a <= c.headerEnd; ++a) {
            const auto it = c.bytes.find(a);
            const uint8_t want = it == c.bytes.end() ? 0xFF : it->second;
            EXPECT_EQ(static_cast<uint8_t>(body[a - c.headerStart]), want) << std::hex << a;
            sum += want;
        }
        EXPECT_EQ(engine.LastCheckSum, sum & 0xFFFF);
        EXPECT_EQ(out.substr(40, 6), WithSum(Header(0, 0, "0"), sum & 0xFFFF).substr(40, 6));
    }
}

TEST_F(NormalConversion, LineEndsAndFormatsGiveTheSameImage) {
    const std::vector<std::string> hex = {HexRecord(0, 0x100, {1, 2, 3, 4}), HexRecord(0, 0x180, {5, 6}), "",
                                          ":00000001FF"};
    ASSERT_EQ(Convert(Lines(hex, "\r\n")), rc::Ok);
    const std::string crlf = Out();
    ASSERT_EQ(Convert(Lines(hex, "\n")), rc::Ok);
    EXPECT_EQ(Out(), crlf);
    ASSERT_EQ(Convert(Lines({SRecord('1', 0x100, {1, 2, 3, 4}), "", SRecord('1', 0x180, {5, 6})})), rc::Ok);
    EXPECT_EQ(Out(), crlf);
}

TEST_F(NormalConversion, RefusalsKeepAnEarlierFile) {
    const std::string good = Lines({HexRecord(0, 0x10, {1})});
    struct Case {
        std::string name;
        std::string source;
        uint8_t type, mode;
        uint32_t start, end;
        uint32_t code;
    } cases[] = {
        {"start above end", good, Normal, Manual, 0x2000, 0x1000, rc::Address},
        {"720 end above 0FFF", good, Series720, Manual, 0, 0x1000, rc::EndAddress},
        {"4500 end above 3FFF", good, Series4500, Manual, 0, 0x4000, rc::EndAddress},
        {"4500 start above end", good, Series4500, Manual, 0x4001, 0x4000, rc::Address},
        {"all 2^32 addresses", good, Normal, Manual, 0, 0xFFFFFFFF, rc::Address},
        {"first line begins with a blank", " " + good, Normal, Auto, 0, 0, rc::Format00},
        {"defect on the last line", good + ":0100100001ED\r\n", Normal, Auto, 0, 0, rc::HexData},
        {"no data", Lines({":00000001FF"}), Normal, Auto, 0, 0, rc::NoData},
        {"auto range of all 2^32 addresses",
         Lines({HexRecord(0, 0, {1}), HexLinear(0xFFFF), HexRecord(0, 0xFFFF, {2})}), Normal, Auto, 0, 0,
         rc::Address},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(dir / "out.hxw", "earlier image");
        EXPECT_EQ(Convert(c.source, c.mode, c.start, c.end, c.type), c.code);
        EXPECT_EQ(engine.LastResult, c.code);
        EXPECT_EQ(Out(), "earlier image");
        EXPECT_FALSE(Exists(dir / "out.hxw.tessmark-part"));
    }
    // The 720 and 4500 limits themselves pass the domain check.
    EXPECT_TRUE(engine.CheckDomain(Series720, 0, 0xFFF));
    EXPECT_TRUE(engine.CheckDomain(Series4500, 0x3FFF, 0x3FFF));
    EXPECT_TRUE(engine.CheckDomain(Normal, 0, 0xFFFFFFFF));

    WriteFile(dir / "src", good);
    EXPECT_EQ(engine.CreateHxwFile(dir / "src", dir / "no-such-folder/out.hxw", Normal, Auto, 0, 0, progress),
              rc::FileOpen);
    EXPECT_EQ(engine.CreateHxwFile(dir / "missing", dir / "out.hxw", Normal, Auto, 0, 0, progress),
              rc::FileOpen);
}

TEST_F(NormalConversion, ProgressCoversEveryLine) {
    std::vector<std::string> lines;
    for (unsigned a = 0; a < 5000 * 16; a += 16) lines.push_back(HexRecord(0, a & 0xFFFF, {1, 2}));
    lines.insert(lines.begin() + 100, "");
    ASSERT_EQ(Convert(Lines(lines)), rc::Ok);
    ASSERT_EQ(progress.ranges.size(), 1u);
    EXPECT_EQ(progress.ranges[0], std::make_pair(0u, 5001u));
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.front(), 0u);
    EXPECT_EQ(progress.positions.back(), 5000u);
    EXPECT_TRUE(std::is_sorted(progress.positions.begin(), progress.positions.end()));
    EXPECT_LT(progress.positions.size(), 2000u);  // thinned out, not one per line
}

TEST_F(NormalConversion, UnsortedSourceOverSeveralMegabytesMatchesAModel) {
    // Records scattered over 6 MiB, partly descending, partly overlapping: the image must be what
    // applying them in file order to an FF-filled memory gives.
    std::mt19937 rng(3);
    std::vector<std::string> lines;
    std::map<uint32_t, uint8_t> model;
    uint32_t lowest = 0xFFFFFFFF, highest = 0;
    uint32_t upper = 0xFFFF;
    for (int i = 0; i < 4000; ++i) {
        uint32_t address = (i % 3 == 0) ? rng() % (6u << 20) : (i * 1531u) % (6u << 20);
        if (i == 0) address = 0x400;
        std::vector<uint8_t> data(1 + rng() % 32);
        for (auto& b : data) b = static_cast<uint8_t>(rng());
        if ((address >> 16) != upper) {
            upper = address >> 16;
            lines.push_back(HexLinear(upper));
        }
        if ((address & 0xFFFF) + data.size() > 0x10000) data.resize(0x10000 - (address & 0xFFFF));
        lines.push_back(HexRecord(0, address & 0xFFFF, data));
        for (size_t k = 0; k < data.size(); ++k) model[address + k] = data[k];
        lowest = std::min(lowest, address);
        highest = std::max<uint32_t>(highest, address + data.size() - 1);
    }
    ASSERT_EQ(Convert(Lines(lines)), rc::Ok);
    const std::string body = Body();
    const uint32_t base = lowest & ~0xFFu;
    ASSERT_EQ(body.size(), highest - base + 1);
    std::string want(body.size(), '\xFF');
    for (const auto& [a, b] : model) want[a - base] = static_cast<char>(b);
    EXPECT_TRUE(body == want);
}
