// The one record walk of the conversion passes: which records a visitor is handed, how its answer
// ends the walk, what the progress bar is told and how a failed read comes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/File.h"
#include "base/ResultCodes.h"
#include "convert/RecordWalk.h"
#include "tests/support/TestFiles.h"

using namespace testfiles;

namespace {
constexpr uint32_t kNever = 0xFFFFFFFFu;  // no record has this index

// Collects "address:digits" of each record; at record number answerAt (0-based) it answers
// answer instead of going on. With stopLine set, the walk ends before a line equal to it.
struct Collector : hxw::RecordVisitor {
    uint32_t answerAt = kNever;
    uint32_t answer = hxw::kWalkOn;
    std::string stopLine;
    std::vector<std::string> seen;

    bool EndsBefore(std::string_view line) const { return !stopLine.empty() && line == stopLine; }
    uint32_t Record(const hxw::DataRecord& r) {
        seen.push_back(Hex2(r.Address >> 24) + Hex2(r.Address >> 16) + Hex2(r.Address >> 8) +
                       Hex2(r.Address) + ":" + std::string(r.Digits, 2 * r.Count));
        return seen.size() - 1 == size_t{answerAt} ? answer : hxw::kWalkOn;
    }
};

struct Walked {
    uint32_t code;
    std::vector<std::string> seen;
    RecordingProgress progress;
};

Walked Walk(const std::string& content, hxw::SourceFormat format, uint32_t lineCount, Collector visit) {
    TempDir dir;
    WriteFile(dir / "src", content);
    hxw::File file;
    EXPECT_TRUE(file.Open(dir / "src", "rb"));
    Walked w;
    w.code = hxw::WalkRecords(file, format, lineCount, w.progress, visit);
    w.seen = visit.seen;
    return w;
}

// Eight HEX lines: an offset, a blank line, five data records (one without data) and the end.
std::string EightHexLines() {
    return Lines({HexLinear(0x0012), "", HexRecord(0, 0x0010, {1, 2}), HexRecord(0, 0x0020, {}),
                  HexRecord(0, 0x0030, {3}), HexRecord(0, 0x0040, {4}), HexRecord(0, 0x0050, {5, 6}),
                  HexRecord(1, 0, {})});
}
}  // namespace

TEST(RecordWalk, HandsTheDataRecordsToTheVisitorAndEndsAsItAnswers) {
    const std::vector<std::string> all = {"00120010:0102", "00120030:03", "00120040:04", "00120050:0506"};
    struct Case {
        std::string name;
        uint32_t answerAt;
        uint32_t answer;
        uint32_t code;
        size_t seen;  // how many of all the visitor got
    } cases[] = {
        {"every record", kNever, hxw::kWalkOn, rc::Ok, 4},
        {"ended as complete at the second", 1, hxw::kWalkEnd, rc::Ok, 2},
        {"a failure at the second", 1, rc::FileWrite, rc::FileWrite, 2},
        {"a failure at the last", 3, rc::Format01, rc::Format01, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Collector visit;
        visit.answerAt = c.answerAt;
        visit.answer = c.answer;
        const Walked w = Walk(EightHexLines(), hxw::SourceFormat::Hex, 8, visit);
        EXPECT_EQ(w.code, c.code);
        EXPECT_EQ(w.seen, std::vector<std::string>(all.begin(), all.begin() + c.seen));
    }
}

TEST(RecordWalk, ReadsTheFormatItIsGiven) {
    const std::string content =
        Lines({SRecord('0', 0, {'h'}), SRecord('1', 0x1234, {0xAB}), SRecord('2', 0x123456, {0xCD}),
               SRecord('3', 0x12345678, {0xEF}), HexRecord(0, 0x10, {1}), SRecord('9', 0, {})});
    const Walked s = Walk(content, hxw::SourceFormat::SRecord, 6, Collector{});
    EXPECT_EQ(s.code, rc::Ok);
    EXPECT_EQ(s.seen, (std::vector<std::string>{"00001234:AB", "00123456:CD", "12345678:EF"}));
    const Walked h = Walk(content, hxw::SourceFormat::Hex, 6, Collector{});
    EXPECT_EQ(h.code, rc::Ok);
    EXPECT_EQ(h.seen, std::vector<std::string>{"00000010:01"});
}

TEST(RecordWalk, AVisitorMayEndTheWalkBeforeALineOfItsOwn) {
    Collector visit;
    visit.stopLine = HexRecord(0, 0x0040, {4});
    const Walked w = Walk(EightHexLines(), hxw::SourceFormat::Hex, 8, visit);
    EXPECT_EQ(w.code, rc::Ok);
    EXPECT_EQ(w.seen, (std::vector<std::string>{"00120010:0102", "00120030:03"}));
}

TEST(RecordWalk, ProgressFollowsTheLinesReadAndStaysPutAfterAFailure) {
    // 8 lines of a count of 8: every position; of 4096 (a step of 4): 0 and 4, then the last
    // position when the walk ends complete, and nothing more after a failure.
    struct Case {
        std::string name;
        uint32_t lineCount;
        uint32_t answerAt;
        uint32_t answer;
        std::vector<std::string> calls;
    } cases[] = {
        {"every line",
         8,
         kNever,
         hxw::kWalkOn,
         {"range 0-8", "pos 0", "pos 1", "pos 2", "pos 3", "pos 4", "pos 5", "pos 6", "pos 7"}},
        {"thinned out, the last kept",
         4096,
         kNever,
         hxw::kWalkOn,
         {"range 0-4096", "pos 0", "pos 4", "pos 7"}},
        {"ended as complete", 4096, 2, hxw::kWalkEnd, {"range 0-4096", "pos 0", "pos 4", "pos 5"}},
        {"a failure", 4096, 2, rc::FileWrite, {"range 0-4096", "pos 0", "pos 4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Collector visit;
        visit.answerAt = c.answerAt;
        visit.answer = c.answer;
        const Walked w = Walk(EightHexLines(), hxw::SourceFormat::Hex, c.lineCount, visit);
        EXPECT_EQ(w.progress.calls, c.calls);
    }
}

TEST(RecordWalk, AFileThatCannotBeReadGivesFileRead) {
    TempDir dir;
    WriteFile(dir / "src", EightHexLines());
    hxw::File file;
    ASSERT_TRUE(file.Open(dir / "src", "ab"));  // open, but not for reading
    Collector visit;
    RecordingProgress progress;
    EXPECT_EQ(hxw::WalkRecords(file, hxw::SourceFormat::Hex, 8, progress, visit), rc::FileRead);
    EXPECT_TRUE(visit.seen.empty());
    EXPECT_EQ(progress.calls, std::vector<std::string>{"range 0-8"});
}

TEST(RecordWalk, AnEmptyFileIsACompleteWalkWithoutPositions) {
    const Walked w = Walk("", hxw::SourceFormat::Hex, 0, Collector{});
    EXPECT_EQ(w.code, rc::Ok);
    EXPECT_TRUE(w.seen.empty());
    EXPECT_EQ(w.progress.calls, std::vector<std::string>{"range 0-0"});
}
