#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/support/TestFiles.h"
#include "engine/HxwConverter.h"
#include "checksum/HexText.h"
#include "base/ResultCodes.h"

using namespace testfiles;

namespace {
using Engine = HxwConverter;

std::string Body(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

uint16_t BytewiseCrc(uint16_t crc, const std::string& data) {
    for (unsigned char b : data) {
        unsigned c = (crc ^ b) & 0xFF;
        for (int i = 0; i < 8; ++i) c = (c & 1) ? (c >> 1) ^ 0x8408 : c >> 1;
        crc = static_cast<uint16_t>(c ^ (crc >> 8));
    }
    return crc;
}

class CheckSum : public ::testing::Test {
  protected:
    std::string Image(uint32_t start, uint32_t end, const char* type, const std::string& body,
                      const std::string& name = "a.hxw") {
        const std::string path = dir / name;
        WriteFile(path, Header(start, end, type) + body);
        return path;
    }
    TempDir dir;
    Engine engine;
};
}  // namespace

TEST(Crc16, TableEntriesAndPublishedCheckValues) {
    const uint8_t one = 1, top = 128, all = 255;
    EXPECT_EQ(Crc16Update(0, &one, 1), 0x1189);
    EXPECT_EQ(Crc16Update(0, &top, 1), 0x8408);
    EXPECT_EQ(Crc16Update(0, &all, 1), 0x0F78);
    const std::string check = "123456789";
    const auto* p = reinterpret_cast<const uint8_t*>(check.data());
    EXPECT_EQ(Crc16Update(0x0000, p, 9), 0x2189);  // CRC-16/KERMIT
    EXPECT_EQ(Crc16Update(0xFFFF, p, 9), 0x6F91);  // CRC-16/MCRF4XX
}

TEST(Crc16, EightBytesAtOnceMatchesOneByteAtATime) {
    std::mt19937 rng(5);
    for (size_t len : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 1000u}) {
        std::string data(len, '\0');
        for (auto& c : data) c = static_cast<char>(rng());
        for (uint16_t init : {0x0000, 0xFFFF, 0x1D0F}) {
            EXPECT_EQ(Crc16Update(init, reinterpret_cast<const uint8_t*>(data.data()), len),
                      BytewiseCrc(init, data))
                << "len " << len << " init " << init;
        }
    }
}

TEST(HexText, LenientFieldsReadLikeTheLibraryConversion) {
    struct Case {
        const char* text;
        size_t width;
        uint32_t value;
    } cases[] = {
        {"1A", 2, 0x1A},
        {"0G", 2, 0},
        {" 1", 2, 1},
        {"-1", 2, 0xFF},
        {"+F", 2, 0xF},
        {"zz", 2, 0},
        {"", 2, 0},
        {"0x1F", 4, 0x1F},
        {"0x", 2, 0},
        {"-001", 4, 0xFFFF},
        {"00001200", 8, 0x1200},
        {"  12ab", 8, 0x12AB},
        {"1234", 2, 0x12},
        {"abcdef12", 8, 0xABCDEF12},
        {"\t7", 2, 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(hxw::ParseHexField(c.text, std::strlen(c.text), c.width), c.value) << '"' << c.text << '"';
    EXPECT_EQ(hxw::ReadHex("123456789", 32, hxw::HexForm::CLibrary), 0xFFFFFFFFu);  // overflow saturates
    EXPECT_EQ(hxw::ParseHexPair("G5", 2), 0);
    EXPECT_EQ(hxw::ParseHexPair("5G", 2), 5);
}

TEST_F(CheckSum, SumOnesAndCrcOfSmallBodies) {
    struct Case {
        uint32_t start, end;
        const char* type;
        std::string body;
        uint8_t kind;
        uint32_t crcInit;
        uint16_t value;
    } cases[] = {
        {0x100, 0x102, "0", Body({1, 2, 3}), 0, 0, 0x0006},
        {0x100, 0x102, "0", Body({1, 2, 3}), 1, 0, 0xFFF9},
        {0, 299, "0", std::string(300, '\xFF'), 0, 0, 0x2AD4},
        {0x200, 0x208, "0", "123456789", 2, 0, 0x2189},
        {0x200, 0x208, "0", "123456789", 2, 0xFFFF, 0x6F91},
        {0x200, 0x208, "0", "123456789", 2, 0x1FFFF, 0x6F91},
        {0x10, 0x10, "1", Body({0x34, 0x12}), 0, 0, 0x1234},
        {0x10, 0x11, "3", Body({0xFF, 0x03, 0x01, 0x00}), 0, 0, 0x0400},
    };
    for (const auto& c : cases) {
        const auto path = Image(c.start, c.end, c.type, c.body);
        EXPECT_EQ(engine.CheckSumFile(path, c.kind, c.crcInit, false, 0, 0), rc::Ok);
        EXPECT_EQ(engine.LastCheckSum, c.value) << "kind " << int(c.kind) << " type " << c.type;
        EXPECT_EQ(engine.LastResult, rc::Ok);
    }
}

TEST_F(CheckSum, MagicLineMustMatchExactly) {
    const std::string tail = "00000000,00000002\r\n0\r\n";
    struct Case {
        std::string first;
        uint32_t code;
    } cases[] = {
        {"OMK-ZV HXW file.\r\n", rc::Ok},           {"OMK-ZV HXW file.\n", rc::Ok},
        {"OMK-ZV HXW file. \r\n", rc::HxwFormat00}, {"omk-zv hxw file.\r\n", rc::HxwFormat00},
        {" OMK-ZV HXW file.\r\n", rc::HxwFormat00}, {"", rc::HxwFormat00},
    };
    for (const auto& c : cases) {
        std::string file = c.first + tail;
        file.resize(512, ' ');
        // The address fields sit at fixed offsets whatever the line ends; keep them where readers look.
        if (c.code == rc::Ok) file = Header(0, 2, "0");
        WriteFile(dir / "m.hxw", file + Body({1, 2, 3}));
        EXPECT_EQ(engine.CheckSumFile(dir / "m.hxw", 0, 0, false, 0, 0), c.code) << c.first;
    }
    // LF-only lines: the reader takes the type from line 3 and the range from the fixed offsets.
    std::string lf = "OMK-ZV HXW file.\n00000000,00000002\n0\n";
    lf.resize(512, ' ');
    lf.replace(18, 8, "00000000");
    lf.replace(27, 8, "00000002");
    WriteFile(dir / "lf.hxw", lf + Body({1, 2, 3}));
    EXPECT_EQ(engine.CheckSumFile(dir / "lf.hxw", 0, 0, false, 0, 0), rc::Ok);
}

TEST_F(CheckSum, RefusalsByTypeLeaveTheLastValueAlone) {
    std::string wordBody(1024, '\0');
    struct Case {
        const char* type;
        int modeByte;  // -1: none
        uint8_t kind;
        uint32_t code;
    } cases[] = {
        {"1", -1, 1, rc::Hxw720},        {"1", -1, 2, rc::Hxw720},      {"3", -1, 1, rc::Hxw4500},
        {"3", -1, 2, rc::Hxw4500},       {"2", 4, 1, rc::Hxw4Byte},     {"2", 8, 2, rc::Hxw8Byte},
        {"2", 0x80, 1, rc::HxwFormat00}, {"5", -1, 0, rc::HxwFormat00}, {"5", -1, 2, rc::HxwFormat00},
        {"F", -1, 0, rc::HxwFormat00},
    };
    for (const auto& c : cases) {
        std::string body = std::string(1024, '\x01');
        if (c.modeByte >= 0) body[256] = static_cast<char>(c.modeByte);
        const auto path = Image(0, 3, c.type, body);
        engine.LastCheckSum = 0xBEEF;
        EXPECT_EQ(engine.CheckSumFile(path, c.kind, 0, false, 0, 0), c.code)
            << c.type << " kind " << int(c.kind);
        EXPECT_EQ(engine.LastResult, c.code);
        EXPECT_EQ(engine.LastCheckSum, 0xBEEF);
    }
    // The sum total of the same series file is computed.
    EXPECT_EQ(engine.CheckSumFile(Image(0, 0, "1", Body({0x34, 0x12})), 0, 0, false, 0, 0), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, 0x1234);
}

TEST_F(CheckSum, ManualDomainChecksInOrder) {
    std::string body;
    for (int i = 0; i < 0x100; ++i) body += static_cast<char>(i);
    const auto path = Image(0x1000, 0x10FF, "0", body);
    struct Case {
        uint32_t start, end;
        uint32_t code;
    } cases[] = {
        {0x0FFF, 0x10FF, rc::StartAddress},   {0x1000, 0x1100, rc::EndAddress}, {0x1010, 0x100F, rc::Address},
        {0x0FFF, 0x0FF0, rc::StartAddress},  // start below the header and above end: 0x6000 first
        {0x10FF, 0x1100, rc::EndAddress},    // end above the header: 0x6001 before 0x6002
        {0x1100, 0x10FF + 1, rc::EndAddress},
    };
    for (uint8_t kind : {1, 2}) {
        for (const auto& c : cases) {
            engine.LastCheckSum = 0x5A5A;
            EXPECT_EQ(engine.CheckSumFile(path, kind, 0, true, c.start, c.end), c.code);
            EXPECT_EQ(engine.LastCheckSum, 0x5A5A);
        }
        // The header's own range gives what Auto gives.
        ASSERT_EQ(engine.CheckSumFile(path, kind, 0xFFFF, false, 0, 0), rc::Ok);
        const uint16_t whole = engine.LastCheckSum;
        ASSERT_EQ(engine.CheckSumFile(path, kind, 0xFFFF, true, 0x1000, 0x10FF), rc::Ok);
        EXPECT_EQ(engine.LastCheckSum, whole);
    }
    // A part of the range: bytes 0x10..0x12 of the body.
    ASSERT_EQ(engine.CheckSumFile(path, 1, 0, true, 0x1010, 0x1012), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, 0xFFFF - (0x10 + 0x11 + 0x12));
    ASSERT_EQ(engine.CheckSumFile(path, 2, 0, true, 0x1010, 0x1012), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, BytewiseCrc(0, body.substr(0x10, 3)));
    // The sum total ignores a typed domain, even an impossible one.
    ASSERT_EQ(engine.CheckSumFile(path, 0, 0, false, 0, 0), rc::Ok);
    const uint16_t sum = engine.LastCheckSum;
    ASSERT_EQ(engine.CheckSumFile(path, 0, 0, true, 0x2000, 0x1000), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, sum);
}

TEST_F(CheckSum, DamagedFilesAreRefusedNotMisread) {
    struct Case {
        std::string file;
        uint8_t kind;
        uint32_t code;
    } cases[] = {
        {Header(0x100, 0x1FF, "0") + std::string(0xFF, '\x01'), 0, rc::FileRead},  // one byte short
        {Header(0x100, 0x1FF, "0") + std::string(0xFF, '\x01'), 1, rc::FileRead},
        {Header(0x100, 0x1FF, "0") + std::string(0xFF, '\x01'), 2, rc::FileRead},
        {Header(0x100, 0x100, "1") + "\x01", 0, rc::FileRead},                         // half a word
        {Header(0x200, 0x100, "0") + std::string(0x200, '\x01'), 0, rc::HxwFormat00},  // end below start
        {Header(0x200, 0x100, "0") + std::string(0x200, '\x01'), 2, rc::HxwFormat00},
        {Header(0x0, 0x1FF, "2") + std::string(512, '\0'), 0, rc::FileRead},  // needs two blocks
        {Header(0x0, 0x1FF, "2").substr(0, 300), 1, rc::FileRead},            // no mode byte
    };
    for (const auto& c : cases) {
        WriteFile(dir / "d.hxw", c.file);
        engine.LastCheckSum = 0x7777;
        EXPECT_EQ(engine.CheckSumFile(dir / "d.hxw", c.kind, 0, false, 0, 0), c.code);
        EXPECT_EQ(engine.LastCheckSum, 0x7777);
    }
    EXPECT_EQ(engine.CheckSumFile(dir / "missing.hxw", 0, 0, false, 0, 0), rc::FileOpen);
    EXPECT_EQ(engine.SumImage(dir / "missing.hxw", 0, false), rc::FileOpen);
    EXPECT_EQ(engine.CrcImage(dir / "missing.hxw", 0), rc::FileOpen);
}

TEST_F(CheckSum, WordModeSumSkipsAttributesPadAndTrailingShortBlock) {
    // Header start 0x1003: base 0x1000; the three addresses below the start do not count.
    std::string block(512, '\0');
    for (int j = 0; j < 256; ++j) block[j] = 1;
    for (int j = 256; j < 512; ++j) block[j] = 0x55;
    const auto path = Image(0x1003, 0x10FF, "2", block + std::string(100, '\x7F'));
    ASSERT_EQ(engine.CheckSumFile(path, 0, 0, false, 0, 0), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, 256 - 3);
    // Changing attributes changes nothing.
    std::string other = block;
    for (int j = 256; j < 512; ++j) other[j] = static_cast<char>(j);
    ASSERT_EQ(engine.SumWordModeImage(Image(0x1003, 0x10FF, "2", other, "b.hxw"), false), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, 256 - 3);
    // Addresses past the header end in the last block do not count.
    ASSERT_EQ(engine.SumWordModeImage(Image(0x1000, 0x100F, "2", block, "c.hxw"), false), rc::Ok);
    EXPECT_EQ(engine.LastCheckSum, 16);
}

TEST_F(CheckSum, WriteBackChangesOnlyTheField) {
    const auto path = Image(0x100, 0x102, "0", Body({1, 2, 3}));
    const std::string before = ReadFile(path);
    ASSERT_EQ(engine.WriteCheckSumField(path, 0x1A2B), rc::Ok);
    std::string after = ReadFile(path);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.substr(40, 6), "1A2B\r\n");
    after.replace(40, 6, before.substr(40, 6));
    EXPECT_EQ(after, before);

    ASSERT_EQ(engine.SumImage(path, 0, true), rc::Ok);
    EXPECT_EQ(ReadFile(path).substr(40, 6), "0006\r\n");
    EXPECT_EQ(engine.LastCheckSum, 6);

    EXPECT_EQ(engine.WriteCheckSumField(dir / "none.hxw", 1), rc::FileOpen);
    EXPECT_FALSE(Exists(dir / "none.hxw"));
}

TEST_F(CheckSum, ProgressRunsOverTheBodyWhenAsked) {
    RecordingProgress progress;
    engine.SetCheckSumProgress(&progress);
    const auto path = Image(0, 299, "0", std::string(300, '\x01'));
    ASSERT_EQ(engine.CheckSumFile(path, 2, 0, false, 0, 0), rc::Ok);
    ASSERT_FALSE(progress.ranges.empty());
    EXPECT_EQ(progress.ranges.front(), std::make_pair(0u, 1000u));
    ASSERT_FALSE(progress.positions.empty());
    EXPECT_EQ(progress.positions.back(), 1000u);
    // The write-back sum of a conversion never drives it.
    progress.positions.clear();
    ASSERT_EQ(engine.SumImage(path, 0, true), rc::Ok);
    EXPECT_TRUE(progress.positions.empty());
}

TEST_F(CheckSum, SumsOfLongBodiesMatchAPlainLoop) {
    std::mt19937 rng(9);
    for (uint32_t count : {1u, 7u, 8u, 9u, 1023u, 1024u, 1025u, 5000u, 70001u}) {
        std::string bytes(count, '\0'), words(2 * size_t{count}, '\0');
        for (auto& c : bytes) c = static_cast<char>(rng() | 0x80);  // high values stress the lanes
        for (auto& c : words) c = static_cast<char>(rng());
        unsigned byteSum = 0, wordSum = 0;
        for (unsigned char c : bytes) byteSum += c;
        for (size_t i = 0; i < words.size(); i += 2)
            wordSum += static_cast<unsigned char>(words[i]) + 256u * static_cast<unsigned char>(words[i + 1]);
        ASSERT_EQ(engine.SumImage(Image(0x1000, 0x1000 + count - 1, "0", bytes), 0, false), rc::Ok);
        EXPECT_EQ(engine.LastCheckSum, byteSum & 0xFFFF) << count;
        ASSERT_EQ(engine.OnesComplementImage(Image(0x1000, 0x1000 + count - 1, "0", bytes)), rc::Ok);
        EXPECT_EQ(engine.LastCheckSum, ~byteSum & 0xFFFF) << count;
        ASSERT_EQ(engine.SumImage(Image(0x1000, 0x1000 + count - 1, "3", words), 3, false), rc::Ok);
        EXPECT_EQ(engine.LastCheckSum, wordSum & 0xFFFF) << count;
    }
}
