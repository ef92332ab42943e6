// The link's frames, replies and fields, byte for byte, and the security record.
#include <gtest/gtest.h>

#include <cstring>

#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"
#include "tests/support/DeviceTestSupport.h"

namespace {

TEST(FrameCommand, FramesPayloadWithTwoDigitLength) {
    struct Case {
        std::string payload, frame;
    } cases[] = {
        {"1A80", "<041A80>"},
        {"3201", "<043201>"},
        {"", "<00>"},
        {std::string(42, 'P'), "<2A" + std::string(42, 'P') + ">"},
        {"3200security.sec000002000000000000000000000000",
         "<2E3200security.sec000002000000000000000000000000>"},
    };
    for (const auto& c : cases) EXPECT_EQ(DeviceOps::FrameCommand(c.payload), c.frame) << c.payload;
}

TEST(HexField, ReadsLenientHexadecimal) {
    struct Case {
        std::string text;
        size_t offset, count;
        uint32_t value;
    } cases[] = {
        {"{xxxxxx0000}", 7, 4, 0},
        {"{xxxxxx1A2b}", 7, 4, 0x1A2B},
        {"{xxxxxx00F}", 7, 4, 0xF},  // the "}" ends the digits
        {"{xxxxxx7}", 7, 4, 7},      // past the end counts as absent
        {"{xx}", 7, 4, 0},           // shorter than the field: no digits
        {"  12zz", 0, 6, 0x12},      // leading blanks skipped
        {"zz12", 0, 4, 0},           // no digits
        {"FFFFFFFF", 0, 8, 0xFFFFFFFF},
        {"3D9B51CC3D9B", 4, 8, 0x51CC3D9B},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceOps::HexField(c.text, c.offset, c.count), c.value) << c.text << " @" << c.offset;
    }
}

TEST(PackDosDateTime, PacksLocalTimeAndHoldsTheFormatsRange) {
    EXPECT_EQ(PackDosDateTime(2010, 12, 27, 10, 14, 24), 0x3D9B51CCu);
    EXPECT_EQ(PackDosDateTime(2010, 12, 27, 10, 14, 25), 0x3D9B51CCu);  // odd seconds drop
    EXPECT_EQ(PackDosDateTime(1980, 1, 1, 0, 0, 0), 0x00210000u);
    EXPECT_EQ(PackDosDateTime(1970, 6, 1, 12, 0, 0), 0x00210000u);  // before the format's start
    EXPECT_EQ(PackDosDateTime(2107, 12, 31, 23, 59, 58), 0xFF9FBF7Du);
    EXPECT_EQ(PackDosDateTime(2200, 1, 1, 0, 0, 0), 0xFF9FBF7Du);  // after its end
}

struct Exchange {
    ScriptPort port;
    HxwConverter ops;
    Exchange() {
        ops.SetUnitPort(&port);
        EXPECT_TRUE(ops.OpenLink());
    }
};

TEST(ReadUnitFileInfo, DecodesTheExampleReply) {
    Exchange x;
    x.port.replies = {"\x06", "{xxxxxx0000PROG.HXW000010003D9B51CC3D9B51CC3D9B20}"};
    UnitFileInfo info;
    ASSERT_EQ(x.ops.ReadUnitFileInfo(info), 0u);
    EXPECT_EQ(x.port.sent, std::vector<std::string>{"<041A80>"});
    EXPECT_EQ(info.Name, "PROG.HXW");
    EXPECT_EQ(info.Size, 0x1000u);
    EXPECT_EQ(info.CreationTime, 0x3D9B51CCu);
    EXPECT_EQ(info.LastWriteTime, 0x3D9B51CCu);
    EXPECT_EQ(info.LastAccessDate, 0x3D9B);
    EXPECT_EQ(info.Attributes, 0x20);
    EXPECT_TRUE(x.port.open) << "the link stays open for the next command";
}

TEST(ReadUnitFileInfo, NameLengthFollowsFromTheFrame) {
    const std::string tail =
        "00000010"
        "00000000"
        "00000000"
        "0000"
        "00"
        "}";
    struct Case {
        std::string name;
    } cases[] = {{"ABCDEFGHIJKLMNOPQ.HXW"}, {""}, {"a.b"}};
    for (const auto& c : cases) {
        Exchange x;
        x.port.replies = {
            "{1A8000"
            "0000" +
            c.name + tail};
        UnitFileInfo info;
        ASSERT_EQ(x.ops.ReadUnitFileInfo(info), 0u) << c.name;
        EXPECT_EQ(info.Name, c.name);
        EXPECT_EQ(info.Size, 0x10u);
    }
}

TEST(ReadUnitFileInfo, ShortSuccessfulReplyIsAReceptionFailure) {
    Exchange x;
    x.port.replies = {"{xxxxxx0000PROG.HXW}"};
    UnitFileInfo info;
    EXPECT_EQ(x.ops.ReadUnitFileInfo(info), rc::UsbReceive);
    EXPECT_FALSE(x.port.open);
    EXPECT_EQ(x.port.pipesOpen, 0);
}

TEST(ReceiveReply, SkipsWhatIsNotAFrameAndReadsTheResultField) {
    struct Case {
        std::deque<std::string> reads;
        bool ok;
        uint32_t result;
        std::string frame;
    } cases[] = {
        {{"{xxxxxx0000}"}, true, 0, "{xxxxxx0000}"},
        {{"\x06", "\x06", "\x06", "{xxxxxx0000}"}, true, 0, "{xxxxxx0000}"},
        {{"{xxxxxx0000", "junk", "", "{xxxxxx0000}"}, true, 0, "{xxxxxx0000}"},
        {{"\x06{xxxxxx1234}", "{xxxxxx0000}"}, true, 0, "{xxxxxx0000}"},  // a read led by 0x06 is no reply
        {{"{xxxxxx7E01}"}, false, 0x7E01, "{xxxxxx7E01}"},
        {{"{abc}"}, true, 0, "{abc}"},                                      // too short for a result: 0
        {{std::string("{xxxxxx0000}\0zz}", 16)}, true, 0, "{xxxxxx0000}"},  // ends at the first zero
        {{"{" + std::string(63, '0')}, false, rc::UsbReceive, ""},  // 64 bytes, no "}", then no more reads
        {{}, false, rc::UsbReceive, ""},
    };
    for (const auto& c : cases) {
        Exchange x;
        x.ops.LastResult = 0x1234;
        x.port.replies = c.reads;
        std::string frame;
        EXPECT_EQ(x.ops.ReceiveReply(frame), c.ok) << c.frame;
        EXPECT_EQ(x.ops.LastResult, c.result) << c.frame;
        EXPECT_EQ(frame, c.frame);
    }
}

TEST(BuildSecurityRecord, LaysOutSettingsCheckLineAndBlanks) {
    struct Case {
        int security;
        std::string id, count;
        int buzzer;
        std::string text;
    } cases[] = {
        {1, "AB12", "100", 0, "SECURITY=1\r\nID=AB12\r\nCOUNT=  100\r\nBUZZER=0\r\n"},
        {0, "AB", "12", 1, "SECURITY=0\r\nID=  AB\r\nCOUNT=   12\r\nBUZZER=1\r\n"},
        {0, "", "", 1, "SECURITY=0\r\nID=    \r\nCOUNT=     \r\nBUZZER=1\r\n"},
        {1, "Z9z9", "99999", 1, "SECURITY=1\r\nID=Z9z9\r\nCOUNT=99999\r\nBUZZER=1\r\n"},
        // Longer than the page allows: cut, so the record keeps its layout.
        {1, "ABCDEFG", "1234567", 0, "SECURITY=1\r\nID=ABCD\r\nCOUNT=12345\r\nBUZZER=0\r\n"},
    };
    for (const auto& c : cases) {
        SecurityRecord r = BuildSecurityRecord(c.security, c.id, c.count, c.buzzer);
        std::string expected = c.text + "CRC=0722\r\n" + std::string(458, ' ');
        ASSERT_EQ(expected.size(), 512u);
        EXPECT_EQ(std::string(r.begin(), r.end()), expected) << c.id;
    }
}

TEST(SendSecurityRecord, SendsFixedCommandThenTwoBlocks) {
    Exchange x;
    x.ops.CloseLink();
    x.port.replies = {"\x06",
                      "{320000"
                      "0000}",
                      "{320000"
                      "0000}"};
    EXPECT_EQ(x.ops.SendSecurityRecord(BuildSecurityRecord(1, "AB12", "100", 0)), 0u);
    EXPECT_EQ(x.port.sent, std::vector<std::string>{"<2E3200security.sec000002000000000000000000000000>"});
    EXPECT_FALSE(x.port.open);
    EXPECT_EQ(x.port.pipesOpen, 0);
}

TEST(IsSafeUnitFileName, AcceptsOnlyNamesOfOneFileInsideTheFolder) {
    struct Case {
        std::string name;
        bool safe;
    } cases[] = {
        {"PROG.HXW", true},   {"a b-c_d.fxw", true}, {"x.y.z", true},         {"", false},
        {".", false},         {"..", false},         {"..\\evil.hxw", false}, {"../evil.hxw", false},
        {"sub/x.hxw", false}, {"sub\\x.hxw", false}, {"C:x.hxw", false},      {"a..b", true},
        {"tab\there", false}, {"nl\n", false},       {"CON", false},          {"nul.txt", false},
        {"com1.hxw", false},  {"LPT9", false},       {"COMPUTER.HXW", true},  {"CONFIG.SYS", true},
        // Dots inside a name are just characters; only the whole name "." or ".." is special.
        {"x..y", true}, {"...x", true}, {".hidden", true}, {"a.b..c.hxw", true}, {"...", false},
        // Windows drops a trailing dot or blank, which would write a file of another name.
        {"PROG.", false}, {"PROG.HXW.", false}, {"PROG ", false}, {"PROG.HXW ", false}, {" PROG", true},
        // Console devices, and device names with any extension or blanks before it.
        {"CONIN$", false}, {"conout$", false}, {"CONIN$.txt", false}, {"CONOUT$.HXW", false},
        {"CONIN", true}, {"CONIN$X", true}, {"con .hxw", false}, {"aux.tar.gz", false},
        {"prn", false}, {"COM9", false}, {"lpt1.fxw", false}, {"COM10", true}, {"LPT", true},
        {"COM\xC2\xB9", false}, {"LPT\xC2\xB3.hxw", false}, {"COM\xC2\xB9X", true},
        // Other controls and separators anywhere in the name.
        {"a\x7F", false}, {"a\x1F" "b", false}, {"a:b", false}, {"dir/", false}, {"\\x", false},
        {"name with spaces.hxw", true}, {"\xC3\xA9t\xC3\xA9.hxw", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsSafeUnitFileName(c.name), c.safe) << c.name;
}

TEST(OpenLink, FailsWithoutAPortAndCloseIsHarmlessThen) {
    HxwConverter ops;
    EXPECT_FALSE(ops.OpenLink());
    EXPECT_EQ(ops.UsbSlot, -1);
    ops.CloseLink();
    NullProgress progress;
    std::string name;
    EXPECT_EQ(ops.UploadFile("/tmp/", name, progress), rc::UsbInit);
    EXPECT_EQ(ops.LastResult, rc::UsbInit);
}

}  // namespace
