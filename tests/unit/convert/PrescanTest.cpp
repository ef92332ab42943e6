#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"
#include "engine/HxwConverter.h"
#include "base/ResultCodes.h"
#include "convert/SourceRecords.h"

using namespace testfiles;

namespace {
using Engine = HxwConverter;

class Prescan : public ::testing::Test {
  protected:
    Prescan() { engine.SetUpperHalfPath(dir / "Hxw.tmp"); }
    bool Run(const std::string& content, uint8_t type = Normal) {
        WriteFile(dir / "src", content);
        return engine.PrescanSource(dir / "src", type);
    }
    std::vector<std::string> UpperLines() {
        std::vector<std::string> out;
        const std::string text = ReadFile(dir / "Hxw.tmp");
        size_t at = 0;
        while (at < text.size()) {
            const size_t crlf = text.find("\r\n", at);
            if (crlf == std::string::npos) {
                out.push_back("NO CRLF: " + text.substr(at));
                break;
            }
            out.push_back(text.substr(at, crlf - at));
            at = crlf + 2;
        }
        return out;
    }
    TempDir dir;
    Engine engine;
};

const std::string kData = HexRecord(0, 0x1000, {1, 2, 3, 4});
const std::string kEof = ":00000001FF";
}  // namespace

TEST_F(Prescan, DefectsGiveTheirCodeAndLine) {
    struct Case {
        std::string content;
        uint32_t code;
        uint32_t line;
    } cases[] = {
        {"", rc::Format00, 1},
        {"\r\n" + kData + "\r\n", rc::Format00, 1},
        {" " + kData + "\r\n", rc::Format00, 1},
        {"X" + kData + "\r\n", rc::Format00, 1},
        {Lines({kData, ":00000001F"}), rc::Format00, 2},
        {Lines({kData, ":00000001FE"}), rc::HexData, 2},
        {Lines({kData, "", kData, "S10500001234B3"}), rc::HexData, 4},
        {Lines({kData, kData.substr(0, kData.size() - 1) + "0"}), rc::HexData, 2},
        {Lines({SRecord('0', 0, {0x41}), "S00600004844521C"}), rc::MotData, 2},
        {Lines({SRecord('1', 0, {1}), ":00000001FF"}), rc::MotData, 2},
        {Lines({SRecord('1', 0, {1}), "S9030000F"}), rc::Format00, 2},
        {Lines({kEof}), rc::NoData, 0},
        {Lines({SRecord('0', 0, {0x41}), SRecord('9', 0, {})}), rc::NoData, 0},
        {Lines({HexRecord(0, 0, {})}), rc::NoData, 0},  // a record without bytes is no data
        {Lines({HexLinear(0xFFFF), HexRecord(0, 0xFFFE, {1, 2, 3})}), rc::Address, 2},
        {Lines({SRecord('3', 0xFFFFFFFF, {1, 2})}), rc::Address, 1},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Run(c.content)) << c.content;
        EXPECT_EQ(engine.LastResult, c.code) << c.content;
        EXPECT_EQ(engine.DefectLine, c.line) << c.content;
    }
    EXPECT_FALSE(engine.PrescanSource(dir / "missing.hex", Normal));
    EXPECT_EQ(engine.LastResult, rc::FileOpen);
}

TEST_F(Prescan, RangeAndLineCount) {
    struct Case {
        std::string content;
        uint32_t lowest, highest, lines;
    } cases[] = {
        {Lines({HexRecord(0, 0x1234, {0x56})}), 0x1234, 0x1234, 1},
        {Lines({kData, "", HexRecord(0, 0x0800, {9, 9}), kEof}), 0x800, 0x1003, 4},
        {Lines({kData, kEof}, "\n"), 0x1000, 0x1003, 2},
        {kData + "\r\n" + kEof, 0x1000, 0x1003, 2},                     // no line end after the last line
        {Lines({kEof, HexRecord(0, 0x2000, {1})}), 0x2000, 0x2000, 2},  // data after end of file count
        {Lines({HexRecord(5, 0, {0x00, 0x02, 0x00, 0x00}), HexRecord(0, 0x10, {1, 2})}), 0x20010, 0x20011, 2},
        {Lines({HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0x10, {1})}), 0x10010, 0x10010, 2},
        {Lines({HexRecord(0, 0, {}), kData}), 0x1000, 0x1003, 2},  // empty record changes nothing
        {Lines({SRecord('0', 0, {0x41}), SRecord('2', 0x123456, {1, 2}), SRecord('8', 0, {})}), 0x123456,
         0x123457, 3},
        {Lines({HexLinear(0xFFFF), HexRecord(0, 0xFFFE, {1, 2})}), 0xFFFFFFFE, 0xFFFFFFFF, 2},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Run(c.content)) << c.content << " " << std::hex << engine.LastResult;
        EXPECT_EQ(engine.LowestAddress, c.lowest) << c.content;
        EXPECT_EQ(engine.HighestAddress, c.highest) << c.content;
        EXPECT_EQ(engine.LineCount, c.lines) << c.content;
    }
}

TEST_F(Prescan, UpperHalfFileForTheSeries) {
    std::vector<std::string> lower, upper;
    for (unsigned a = 0; a < 0x100; a += 16) lower.push_back(HexRecord(0, a, std::vector<uint8_t>(16, 0x11)));
    for (unsigned a = 0x1000; a < 0x1100; a += 16)
        upper.push_back(HexRecord(0, a, std::vector<uint8_t>(16, 0x22)));
    std::vector<std::string> all = lower;
    all.insert(all.end(), upper.begin(), upper.end());
    all.push_back(kEof);
    ASSERT_TRUE(Run(Lines(all), Series720));
    EXPECT_EQ(engine.LowestAddress, 0u);
    EXPECT_EQ(engine.HighestAddress, 0x10FFu);
    EXPECT_EQ(engine.LineCount, 17u);  // up to and including the first upper record
    EXPECT_EQ(UpperLines(), upper);

    // No upper record: the marker line alone.
    ASSERT_TRUE(Run(Lines(lower), Series4500));
    EXPECT_EQ(UpperLines(), std::vector<std::string>{"Creation of a Hxw file goes wrong."});
    EXPECT_EQ(engine.LineCount, 16u);

    // A record that starts below the boundary is lower half even if it runs across it.
    const std::string across = HexRecord(0, 0x0FF0, std::vector<uint8_t>(32, 0x33));
    ASSERT_TRUE(Run(Lines({across, upper[0]}), Series720));
    EXPECT_EQ(UpperLines(), std::vector<std::string>{upper[0]});

    // Offset records are not copied; the line is copied as it stands.
    ASSERT_TRUE(Run(Lines({HexLinear(0), lower[0], HexLinear(0), upper[0]}), Series720));
    EXPECT_EQ(UpperLines(), std::vector<std::string>{upper[0]});

    // The other types leave the file alone.
    WriteFile(dir / "Hxw.tmp", "keep me");
    ASSERT_TRUE(Run(Lines(all), Normal));
    ASSERT_TRUE(Run(Lines(all), Byte4Mode));
    EXPECT_EQ(ReadFile(dir / "Hxw.tmp"), "keep me");
    EXPECT_EQ(engine.LineCount, all.size());

    // An upper-half file that cannot be created.
    engine.SetUpperHalfPath(dir / "no-such-folder/Hxw.tmp");
    EXPECT_FALSE(Run(Lines(all), Series720));
    EXPECT_EQ(engine.LastResult, rc::FileOpen);
}

TEST_F(Prescan, EndlessLineIsRefusedWithoutReadingItWhole) {
    // A binary file without line ends, or a runaway line: refused, memory stays bounded.
    const std::string endless(hxw::LineReader::kMaxLine + 1000, '0');
    struct Case {
        std::string content;
        uint32_t line;
    } cases[] = {{":" + endless, 1}, {Lines({kData, kData}) + ":" + endless + "\r\n" + kData, 3}};
    for (const auto& c : cases) {
        EXPECT_FALSE(Run(c.content));
        EXPECT_EQ(engine.LastResult, rc::Format00);
        EXPECT_EQ(engine.DefectLine, c.line);
    }
}
