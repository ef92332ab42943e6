// The one-walk conversions (Normal Auto and the two word modes) against the general passes: over a table of sources both must
// leave the same file (or none), the same result code, defect line and detail, the same
// pre-scan figures and checksum, and the same progress range and end positions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "base/ResultCodes.h"
#include "convert/SourceFacts.h"
#include "engine/HxwConverter.h"

using namespace testfiles;

namespace {
using Engine = HxwConverter;

struct Outcome {
    uint32_t result = 0;
    uint32_t line = 0;
    std::string detail;
    uint32_t lowest = 0, highest = 0, lines = 0;
    uint16_t sum = 0;
    std::string file;  // the target after the conversion ("OLD" when it was kept)
    bool partLeft = false;
    RecordingProgress progress;
    // The pre-scan's facts of the source: the data runs sorted and joined, the ignored records.
    std::vector<std::pair<uint64_t, uint64_t>> runs;
    uint64_t ignored = 0, firstIgnored = 0;
    std::vector<std::string> ignoredTypes;
};

Outcome Convert(const std::string& content, uint8_t type, bool fast, uint64_t splitAt = UINT64_MAX,
                bool* split = nullptr) {
    TempDir dir;
    Engine engine;
    engine.SetUpperHalfPath(dir / "Hxw.tmp");
    engine.SetFastPaths(fast);
    engine.SetSplitAt(splitAt);
    hxw::SourceFacts facts;
    engine.CollectSourceFacts(&facts);
    WriteFile(dir / "src", content);
    WriteFile(dir / "out.hxw", "OLD");
    Outcome o;
    o.result = engine.CreateHxwFile(dir / "src", dir / "out.hxw", type, Auto, 0, 0, o.progress);
    o.line = engine.DefectLine;
    o.detail = engine.DefectDetail;
    o.lowest = engine.LowestAddress;
    o.highest = engine.HighestAddress;
    o.lines = engine.LineCount;
    o.sum = engine.LastCheckSum;
    o.file = ReadFile(dir / "out.hxw");
    if (split) *split = engine.LastScanSplit();
    for (const auto& run : facts.SortedRuns()) o.runs.push_back({run.First, run.Last});
    o.ignored = facts.IgnoredRecords;
    o.firstIgnored = facts.FirstIgnoredLine;
    o.ignoredTypes = facts.IgnoredTypes;
    // Nothing but the source and the target may remain: no temporary file.
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(dir / "src").parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name != "src" && name != "out.hxw") o.partLeft = true;
    }
    return o;
}

std::vector<uint8_t> Run16(uint8_t seed) {
    std::vector<uint8_t> v(16);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(seed * 37 + i * 11);
    return v;
}

// Five ascending HEX data records at 0x1000..0x104F, as a base for the defect cases.
std::vector<std::string> FiveRecords() {
    std::vector<std::string> l;
    for (unsigned i = 0; i < 5; ++i)
        l.push_back(HexRecord(0, 0x1000 + 16 * i, Run16(static_cast<uint8_t>(i))));
    return l;
}

std::vector<std::string> FiveSRecords() {
    std::vector<std::string> l;
    for (unsigned i = 0; i < 5; ++i)
        l.push_back(SRecord('3', 0x20000 + 16 * i, Run16(static_cast<uint8_t>(i))));
    return l;
}

std::string With(std::vector<std::string> lines, size_t at, const std::string& replacement) {
    lines[at] = replacement;
    return Lines(lines);
}

std::string BadSum(std::string line) {
    line.back() = line.back() == '0' ? '1' : '0';
    return line;
}

// A HEX line of the given digits with a last pair that makes the pair sum 0.
std::string Closed(const std::string& digits) {
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < digits.size(); i += 2) sum += std::stoul(digits.substr(i, 2), nullptr, 16);
    return ":" + digits + Hex2(0x100 - (sum & 0xFF));
}

struct Case {
    std::string name;
    std::string source;
    bool streamed;  // the one walk is expected to carry it through
};

std::vector<Case> Cases() {
    const auto eof = HexRecord(1, 0, {});
    std::vector<Case> c = {
        {"ascending CR LF", Lines(FiveRecords()) + eof + "\r\n", true},
        {"ascending LF", Lines(FiveRecords(), "\n") + eof + "\n", true},
        {"last line without a line end", Lines(FiveRecords()) + eof, true},
        {"gapped", Lines({HexRecord(0, 0x1234, Run16(1)), HexRecord(0, 0x5678, Run16(2)), eof}), true},
        {"adjacent", Lines({HexRecord(0, 0x100, Run16(1)), HexRecord(0, 0x110, Run16(2))}), true},
        {"descending", Lines({HexRecord(0, 0x200, Run16(1)), HexRecord(0, 0x100, Run16(2))}), false},
        {"overlapping", Lines({HexRecord(0, 0x100, Run16(1)), HexRecord(0, 0x108, Run16(2))}), false},
        {"same address twice", Lines({HexRecord(0, 0x100, Run16(1)), HexRecord(0, 0x100, Run16(2))}), false},
        {"ascending then back",
         Lines({HexRecord(0, 0x100, Run16(1)), HexRecord(0, 0x300, Run16(2)), HexRecord(0, 0x200, Run16(3))}),
         false},
        {"64 KiB boundary by linear records",
         Lines({HexRecord(0, 0xFFF0, Run16(1)), HexLinear(1), HexRecord(0, 0x0000, Run16(2))}), true},
        {"record across 64 KiB",
         Lines({HexRecord(0, 0xFFF8, Run16(1)), HexLinear(1), HexRecord(0, 0x10, Run16(2))}), true},
        {"last byte at FFFFFFFF",
         Lines({HexLinear(0xFFFF), HexRecord(0, 0xFFE0, Run16(1)), HexRecord(0, 0xFFF0, Run16(2))}), true},
        {"record past FFFFFFFF", Lines({HexLinear(0xFFFF), HexRecord(0, 0xFFF8, Run16(1))}), false},
        {"all 2^32 addresses",
         Lines({HexRecord(0, 0x0000, Run16(1)), HexLinear(0xFFFF), HexRecord(0, 0xFFF0, Run16(2))}), false},
        {"segment records",
         Lines({HexRecord(2, 0, {0x10, 0x00}), HexRecord(0, 0x10, Run16(1)), HexRecord(2, 0, {0x20, 0x00}),
                HexRecord(0, 0x0, Run16(2))}),
         true},
        {"segment wrap goes back",
         Lines({HexRecord(2, 0, {0xFF, 0xFF}), HexRecord(0, 0xFFF0, Run16(1)), HexRecord(2, 0, {0x00, 0x00}),
                HexRecord(0, 0x0, Run16(2))}),
         false},
        {"start linear address as offset",
         Lines({HexRecord(5, 0, {0x00, 0x03, 0x00, 0x00}), HexRecord(0, 0x10, Run16(1))}), true},
        {"data after the end record",
         Lines({HexRecord(0, 0x10, Run16(1)), eof, HexRecord(0, 0x20, Run16(2))}), true},
        {"blank lines", Lines({"", HexRecord(0, 0x10, Run16(1)), "", "", HexRecord(0, 0x40, Run16(2)), ""}),
         true},
        {"records without data",
         Lines({HexRecord(0, 0x500, {}), HexRecord(0, 0x10, Run16(1)), HexRecord(0, 0, {})}), true},
        {"type 81 data and type FF offset",
         Lines({HexRecord(0x81, 0x10, Run16(1)), HexRecord(0xFF, 0, {0x00, 0x02}),
                HexRecord(0, 0x0, Run16(2))}),
         true},
        {"lower-case digits",
         Lines({Closed("10001000"
                       "0123456789abcdef0123456789abcdef")}),
         true},
        {"count past the line end",
         Lines({Closed("20001000"
                       "000102030405060708090A0B0C0D0E0F")}),
         true},
        {"S1 S2 S3 ascending",
         Lines({SRecord('0', 0, {'h', 'd', 'r'}), SRecord('1', 0x1000, Run16(1)),
                SRecord('2', 0x20000, Run16(2)), SRecord('3', 0x3000000, Run16(3)), SRecord('7', 0, {})}),
         true},
        {"S-records descending", Lines({SRecord('3', 0x3000, Run16(1)), SRecord('1', 0x1000, Run16(2))}),
         false},
        {"S-records LF", Lines(FiveSRecords(), "\n"), true},
        {"empty file", "", false},
        {"first line blank", "\r\n" + Lines(FiveRecords()), false},
        {"first line unknown", "#" + Lines(FiveRecords()), false},
        {"no data record", Lines({HexLinear(1), eof}), false},
    };
    // A data pair that is not two digits reads leniently ("0G" is 0); the checksum still holds.
    {
        std::string line = HexRecord(0, 0x10, Bytes({0, 1, 2, 3}));
        line[9] = '0';
        line[10] = 'G';
        c.push_back({"lenient data pair", Lines({line}), true});
    }
    // Every defect kind at the first, a middle and the last line, of both formats.
    const size_t where[] = {0, 2, 4};
    for (size_t at : where) {
        const auto hex = FiveRecords();
        const auto srec = FiveSRecords();
        const std::string pos = at == 0 ? "first" : at == 2 ? "middle" : "last";
        c.push_back({("HEX lead character, " + pos), With(hex, at, "X" + hex[at].substr(1)), false});
        c.push_back({("HEX checksum, " + pos), With(hex, at, BadSum(hex[at])), false});
        c.push_back({("HEX too short, " + pos), With(hex, at, ":00000001F"), false});
        c.push_back({("S lead character, " + pos), With(srec, at, "T" + srec[at].substr(1)), false});
        c.push_back({("S checksum, " + pos), With(srec, at, BadSum(srec[at])), false});
        c.push_back({("S too short, " + pos), With(srec, at, "S1030000F"), false});
        c.push_back({"HEX defect after going back, " + pos,
                     Lines({HexRecord(0, 0x900, Run16(9))}) + With(hex, at, BadSum(hex[at])), false});
    }
    return c;
}
}  // namespace

void ExpectSame(const Outcome& fast, const Outcome& general) {
    EXPECT_EQ(fast.result, general.result);
    EXPECT_EQ(fast.line, general.line);
    EXPECT_EQ(fast.detail, general.detail);
    EXPECT_EQ(fast.lowest, general.lowest);
    EXPECT_EQ(fast.highest, general.highest);
    EXPECT_EQ(fast.lines, general.lines);
    EXPECT_EQ(fast.sum, general.sum);
    EXPECT_TRUE(fast.file == general.file) << "the HXW files differ";
    if (general.result == rc::Ok) {
        EXPECT_EQ(fast.runs, general.runs);
        EXPECT_EQ(fast.ignored, general.ignored);
        EXPECT_EQ(fast.firstIgnored, general.firstIgnored);
        EXPECT_EQ(fast.ignoredTypes, general.ignoredTypes);
    }
    EXPECT_FALSE(fast.partLeft);
    EXPECT_FALSE(general.partLeft);
    EXPECT_EQ(fast.progress.ranges, general.progress.ranges);
    if (!general.progress.positions.empty()) {
        ASSERT_FALSE(fast.progress.positions.empty());
        EXPECT_EQ(fast.progress.positions.front(), general.progress.positions.front());
        EXPECT_EQ(fast.progress.positions.back(), general.progress.positions.back());
    } else {
        EXPECT_TRUE(fast.progress.positions.empty());
    }
    if (general.result != rc::Ok) {
        EXPECT_EQ(fast.file, "OLD") << "a failed conversion replaced the file";
    }
}

TEST(FastPath, OneWalkEqualsTheGeneralPassesOverATableOfSources) {
    for (const uint8_t type : {uint8_t(Normal), uint8_t(Byte4Mode), uint8_t(Byte8Mode)})
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name + " as type " + std::to_string(type));
        const Outcome fast = Convert(c.source, type, true);
        const Outcome general = Convert(c.source, type, false);
        ExpectSame(fast, general);
        // The one walk shows by its progress: only the first and the last position.
        const bool streamed =
            general.result == rc::Ok && general.lines > 2 && fast.progress.positions.size() <= 2;
        if (general.lines > 2) {
            EXPECT_EQ(streamed, c.streamed) << "walk taken: " << streamed;
        }
    }
}

// A source read in two halves at once, split at every line start in turn, for Normal and both word
// modes: the same as the general passes each time, whether the halves' records continue each
// other or not.
TEST(FastPath, TwoHalvesEqualTheGeneralPassesAtEverySplit) {
    std::vector<Case> cases = Cases();
    // Offset records on both sides of the split, and halves that overlap or go back.
    cases.push_back({"linear records in both halves",
                     Lines({HexLinear(1), HexRecord(0, 0x10, Run16(1)), HexRecord(0, 0x20, Run16(2)), HexLinear(2),
                            HexRecord(0, 0x10, Run16(3)), HexLinear(3), HexRecord(0, 0x0, Run16(4))}),
                     true});
    cases.push_back({"second half overlaps the first",
                     Lines({HexRecord(0, 0x100, Run16(1)), HexRecord(0, 0x110, Run16(2)),
                            HexRecord(0, 0x118, Run16(3)), HexRecord(0, 0x200, Run16(4))}),
                     false});
    cases.push_back({"records of unknown types in both halves",
                     Lines({HexRecord(0x07, 0, {1, 2}), HexRecord(0, 0x10, Run16(1)), HexRecord(0x42, 0, {3}),
                            HexRecord(0, 0x20, Run16(2)), HexRecord(0x07, 0, {4}), HexRecord(0x09, 0, {})}),
                     true});
    cases.push_back({"long blank run between the halves",
                     Lines({HexRecord(0, 0x10, Run16(1)), HexLinear(0x0300), HexRecord(0, 0x20, Run16(2))}), true});
    // Records of one 256-address block on both sides of the split, for the word modes' blocks.
    cases.push_back({"one block across the halves",
                     Lines({HexRecord(0, 0x1004, Bytes({1, 2, 3})), HexRecord(0, 0x1010, Run16(1)),
                            HexRecord(0, 0x1021, Run16(2)), HexRecord(0, 0x10F8, Run16(3)),
                            HexRecord(0, 0x1208, Bytes({4, 5}))}),
                     true});
    size_t splits = 0;
    for (const uint8_t type : {uint8_t(Normal), uint8_t(Byte4Mode), uint8_t(Byte8Mode)})
    for (const Case& c : cases) {
        const Outcome general = Convert(c.source, type, false);
        for (size_t at = 0; at <= c.source.size(); ++at) {
            if (at > 0 && c.source[at - 1] != '\n') continue;
            SCOPED_TRACE(c.name + " as type " + std::to_string(type) + ", split at " + std::to_string(at));
            bool split = false;
            const Outcome fast = Convert(c.source, type, true, at, &split);
            ExpectSame(fast, general);
            splits += split;
            // Halves that continue each other are joined into one image, without the general passes.
            if (split && c.streamed && general.result == rc::Ok && general.lines > 2) {
                EXPECT_LE(fast.progress.positions.size(), 2u) << "the halves were not joined";
            }
        }
    }
    // The halves were in fact read apart (a split after the last line has no second half).
    EXPECT_GT(splits, cases.size());
}

// What the pre-scan tells a report: the data runs, and the records of types neither format
// defines, with the first one's line and the types in the order they came.
TEST(FastPath, SourceFactsNameTheDataRunsAndTheIgnoredRecords) {
    const struct {
        const char* name;
        std::string source;
        std::vector<std::pair<uint64_t, uint64_t>> runs;
        uint64_t ignored, first;
        std::vector<std::string> types;
    } cases[] = {
        {"HEX",
         Lines({HexRecord(0, 0x10, Run16(1)), HexRecord(0x42, 0, {3}), HexRecord(0, 0x20, Run16(2)),
                HexRecord(0x07, 0, {4}), HexRecord(0x42, 0, {}), HexRecord(0, 0x100, Run16(3)),
                HexRecord(1, 0, {})}),
         {{0x10, 0x2F}, {0x100, 0x10F}},
         3,
         2,
         {"42", "07"}},
        {"S-records",
         Lines({SRecord('0', 0, {'h'}), SRecord('1', 0x1000, Run16(1)), SRecord('X', 0, {1, 2}),
                SRecord('1', 0x1008, Run16(2)), SRecord('9', 0, {})}),
         {{0x1000, 0x1017}},
         1,
         3,
         {"SX"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool fast : {true, false}) {
            const Outcome o = Convert(c.source, Normal, fast);
            ASSERT_EQ(o.result, rc::Ok);
            EXPECT_EQ(o.runs, c.runs);
            EXPECT_EQ(o.ignored, c.ignored);
            EXPECT_EQ(o.firstIgnored, c.first);
            EXPECT_EQ(o.ignoredTypes, c.types);
        }
    }
}
