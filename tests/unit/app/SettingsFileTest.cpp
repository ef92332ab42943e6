#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TempFolder.h"
#include "app/SettingsFile.h"
#include "app/TextUtil.h"
#include "base/HexRead.h"
#include "tests/support/ReplaceLog.h"

namespace {

// The file Save writes for the values below, line for line.
const char* const kSavedLines[] = {
    "[Tab ID]",
    "3",
    "",
    "[Hex file name]",
    "C:\\my work\\[v2] prog.hex",
    "",
    "[Hxw file type]",
    "8",
    "",
    "[Hxw file name]",
    "C:\\out (final)\\prog.hxw",
    "",
    "[Hxw Domain type]",
    "1",
    "",
    "[Hxw Domain addr]",
    "00001000",
    "12345678",
    "",
    "[Download file name]",
    "D:\\down load\\a.pbt",
    "",
    "[Upload file name]",
    "E:\\up\\",
    "",
    "[CheckSum file name]",
    "C:\\sum.fxw",
    "",
    "[CheckSum type]",
    "2",
    "00AB",
    "",
    "[Checksum domain type]",
    "1",
    "",
    "[CheckSum Domain addr]",
    "00000010",
    "FFFFFFFF",
    "",
};

std::string Joined(const char* end) {
    std::string text;
    for (const char* line : kSavedLines) text += std::string(line) + end;
    return text;
}

void Fill(SettingsFile& s) {
    s.tabId = 3;
    s.hexFileName = "C:\\my work\\[v2] prog.hex";
    s.hxwFileType = 8;
    s.hxwFileName = "C:\\out (final)\\prog.hxw";
    s.hxwDomainType = 1;
    s.hxwDomainStart = 0x1000;
    s.hxwDomainEnd = 0x12345678;
    s.downloadFileName = "D:\\down load\\a.pbt";
    s.uploadFileName = "E:\\up\\";
    s.checkSumFileName = "C:\\sum.fxw";
    s.checkSumType = 2;
    s.crcInitialValue = 0xAB;
    s.checkSumDomainType = 1;
    s.checkSumDomainStart = 0x10;
    s.checkSumDomainEnd = 0xFFFFFFFF;
}

void ExpectFilled(const SettingsFile& s) {
    EXPECT_EQ(s.tabId, 3);
    EXPECT_EQ(s.hexFileName, "C:\\my work\\[v2] prog.hex");
    EXPECT_EQ(s.hxwFileType, 8);
    EXPECT_EQ(s.hxwFileName, "C:\\out (final)\\prog.hxw");
    EXPECT_EQ(s.hxwDomainType, 1u);
    EXPECT_EQ(s.hxwDomainStart, 0x1000u);
    EXPECT_EQ(s.hxwDomainEnd, 0x12345678u);
    EXPECT_EQ(s.downloadFileName, "D:\\down load\\a.pbt");
    EXPECT_EQ(s.uploadFileName, "E:\\up\\");
    EXPECT_EQ(s.checkSumFileName, "C:\\sum.fxw");
    EXPECT_EQ(s.checkSumType, 2);
    EXPECT_EQ(s.crcInitialValue, 0xAB);
    EXPECT_EQ(s.checkSumDomainType, 1u);
    EXPECT_EQ(s.checkSumDomainStart, 0x10u);
    EXPECT_EQ(s.checkSumDomainEnd, 0xFFFFFFFFu);
}

void ExpectDefaults(const SettingsFile& s) {
    EXPECT_EQ(s.tabId, 0);
    EXPECT_EQ(s.hexFileName, "");
    EXPECT_EQ(s.hxwFileType, 0);
    EXPECT_EQ(s.hxwFileName, "");
    EXPECT_EQ(s.hxwDomainType, 0u);
    EXPECT_EQ(s.hxwDomainStart, 0u);
    EXPECT_EQ(s.hxwDomainEnd, 0u);
    EXPECT_EQ(s.downloadFileName, "");
    EXPECT_EQ(s.uploadFileName, "");
    EXPECT_EQ(s.checkSumFileName, "");
    EXPECT_EQ(s.checkSumType, 0);
    EXPECT_EQ(s.crcInitialValue, 0xFFFF);
    EXPECT_EQ(s.checkSumDomainType, 0u);
    EXPECT_EQ(s.checkSumDomainStart, 0u);
    EXPECT_EQ(s.checkSumDomainEnd, 0u);
}

TEST(SettingsFile, PathIsBesideTheExecutable) {
    EXPECT_EQ(SettingsFile("C:\\Tools\\").GetPath(), "C:\\Tools\\ZV.DEF");
    EXPECT_EQ(SettingsFile(FolderPart("C:\\Tools\\Tessmark.exe")).GetPath(), "C:\\Tools\\ZV.DEF");
}

TEST(SettingsFile, SaveWritesTheThirtyNineLinesWithCrLf) {
    TempFolder dir;
    SettingsFile settings(dir.Path());
    Fill(settings);
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(dir.Read("ZV.DEF"), Joined("\r\n"));
    EXPECT_FALSE(dir.Exists("ZV.DEF.tmp"));
}

TEST(SettingsFile, DefaultsAreSavedInTheirFixedWidths) {
    TempFolder dir;
    ASSERT_TRUE(SettingsFile(dir.Path()).Save());
    const std::string text = dir.Read("ZV.DEF");
    EXPECT_NE(text.find("[Hxw Domain addr]\r\n00000000\r\n00000000\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("[CheckSum type]\r\n0\r\nFFFF\r\n\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
}

TEST(SettingsFile, SavedFileLoadsBackUnchanged) {
    TempFolder dir;
    SettingsFile saved(dir.Path());
    Fill(saved);
    ASSERT_TRUE(saved.Save());
    SettingsFile loaded(dir.Path());
    ASSERT_TRUE(loaded.Load());
    ExpectFilled(loaded);
}

// Key case, line ends and stray lines do not change what is read.
TEST(SettingsFile, LoadsLowerCaseKeysLfEndsAndIgnoresStrayLines) {
    TempFolder dir;
    std::string text;
    for (const char* line : kSavedLines) {
        std::string l = line;
        if (!l.empty() && l[0] == '[') {
            for (char& c : l) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        text += l + "\n";
    }
    text = "stray line\n[Hex file]\n" + text + "[Unknown key]\n";
    dir.Write("ZV.DEF", text);
    SettingsFile settings(dir.Path());
    ASSERT_TRUE(settings.Load());
    ExpectFilled(settings);
}

TEST(SettingsFile, MissingFileLeavesTheObjectUnchanged) {
    TempFolder dir;
    SettingsFile settings(dir.Path());
    settings.hexFileName = "kept";
    EXPECT_FALSE(settings.Load());
    EXPECT_EQ(settings.hexFileName, "kept");
}

struct LoadCase {
    const char* name;
    const char* file;
    void (*check)(const SettingsFile&);
};

class SettingsFileLoad : public testing::TestWithParam<LoadCase> {};

TEST_P(SettingsFileLoad, ReadsTheFile) {
    TempFolder dir;
    dir.Write("ZV.DEF", GetParam().file);
    SettingsFile settings(dir.Path());
    ASSERT_TRUE(settings.Load());
    GetParam().check(settings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettingsFileLoad,
    testing::Values(
        LoadCase{"CrcOnly", "[CheckSum type]\r\n2\r\n1234\r\n",
                 [](const SettingsFile& s) {
                     EXPECT_EQ(s.checkSumType, 2);
                     EXPECT_EQ(s.crcInitialValue, 0x1234);
                     SettingsFile rest = s;  // everything else keeps its default
                     rest.checkSumType = 0;
                     rest.crcInitialValue = 0xFFFF;
                     ExpectDefaults(rest);
                 }},
        // The page number's value line is also taken as a key.
        LoadCase{"TabIdFollowedByKey", "[Tab ID]\r\n[Hex file name]\r\nC:\\a.hex\r\n",
                 [](const SettingsFile& s) {
                     EXPECT_EQ(s.tabId, 0);
                     EXPECT_EQ(s.hexFileName, "C:\\a.hex");
                 }},
        // Every other value line is consumed without being compared.
        LoadCase{"NameThatReadsLikeAKey", "[Hex file name]\r\n[Hxw file type]\r\n3\r\n",
                 [](const SettingsFile& s) {
                     EXPECT_EQ(s.hexFileName, "[Hxw file type]");
                     EXPECT_EQ(s.hxwFileType, 0);
                 }},
        LoadCase{"ValueMissingAtTheEnd", "[Hex file name]\r\nC:\\x.hex\r\n[Hxw Domain addr]\r\n0000ABCD",
                 [](const SettingsFile& s) {
                     EXPECT_EQ(s.hexFileName, "C:\\x.hex");
                     EXPECT_EQ(s.hxwDomainStart, 0xABCDu);
                     EXPECT_EQ(s.hxwDomainEnd, 0u);
                 }},
        // An empty value line is the value, not a skipped line.
        LoadCase{"EmptyNameLine", "[Hex file name]\r\n\r\n[Hxw file name]\r\nC:\\b.hxw\r\n",
                 [](const SettingsFile& s) {
                     EXPECT_EQ(s.hexFileName, "");
                     EXPECT_EQ(s.hxwFileName, "C:\\b.hxw");
                 }},
        // Keys are compared whole: blanks around them make them unknown lines.
        LoadCase{"KeyWithBlanksIsNoKey", " [Hex file name]\r\nC:\\x.hex\r\n[Hex file name] \r\nC:\\y.hex\r\n",
                 [](const SettingsFile& s) { EXPECT_EQ(s.hexFileName, ""); }},
        // Numbers are read leniently and cut to their field's width; no range check.
        LoadCase{"LenientNumbers",
                 "[Tab ID]\r\n7\r\n[Hxw file type]\r\n  108\r\n[Hxw Domain type]\r\nzz\r\n"
                 "[CheckSum type]\r\n2x\r\n123456\r\n[CheckSum Domain addr]\r\n123456789\r\n-5\r\n",
                 [](const SettingsFile& s) {
                     EXPECT_EQ(s.tabId, 7);
                     EXPECT_EQ(s.hxwFileType, 0x08);
                     EXPECT_EQ(s.hxwDomainType, 0u);
                     EXPECT_EQ(s.checkSumType, 2);
                     EXPECT_EQ(s.crcInitialValue, 0x3456);
                     EXPECT_EQ(s.checkSumDomainStart, 0x23456789u);
                     EXPECT_EQ(s.checkSumDomainEnd, 0u);
                 }},
        LoadCase{"StoredOnesComplementIsLoadedAsIs", "[CheckSum type]\r\n1\r\nFFFF\r\n",
                 [](const SettingsFile& s) { EXPECT_EQ(s.checkSumType, 1); }}),
    [](const testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(SettingsFile, SaveIntoAMissingFolderFailsSilently) {
    TempFolder dir;
    SettingsFile settings(dir.File("no such folder") + "/");
    EXPECT_FALSE(settings.Save());
}

TEST(SettingsFile, FailedSaveKeepsThePreviousFile) {
    TempFolder dir;
    dir.Write("ZV.DEF", "[Tab ID]\r\n2\r\n");
    // The new file cannot be put in place.
    ReplaceLog log;
    log.failing = "rename";
    SettingsFile settings(dir.Path());
    settings.tabId = 4;
    EXPECT_FALSE(settings.Save());
    EXPECT_EQ(dir.Read("ZV.DEF"), "[Tab ID]\r\n2\r\n");
}

TEST(SettingsFile, SaveReplacesAnExistingFile) {
    TempFolder dir;
    dir.Write("ZV.DEF", std::string(5000, '#'));
    SettingsFile settings(dir.Path());
    settings.tabId = 1;
    ASSERT_TRUE(settings.Save());
    const std::string text = dir.Read("ZV.DEF");
    EXPECT_EQ(text.rfind("[Tab ID]\r\n1\r\n\r\n", 0), 0u);
    EXPECT_EQ(text.find('#'), std::string::npos);
}

struct HexCase {
    const char* text;
    uint32_t value;
};

class ReadHexCase : public testing::TestWithParam<HexCase> {};

TEST_P(ReadHexCase, ReadsLeniently) { EXPECT_EQ(hxw::ReadHex(GetParam().text), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Table, ReadHexCase,
                         testing::Values(HexCase{"", 0}, HexCase{"1A2b", 0x1A2B}, HexCase{"  \tff", 0xFF},
                                         HexCase{"12g4", 0x12}, HexCase{"g", 0}, HexCase{"0x10", 0},
                                         HexCase{"-1", 0}, HexCase{"FFFFFFFF", 0xFFFFFFFF},
                                         HexCase{"123456789", 0x23456789}, HexCase{"001000", 0x1000}));

struct PathCase {
    const char* path;
    const char* name;
    const char* folder;
};

class PathParts : public testing::TestWithParam<PathCase> {};

TEST_P(PathParts, SplitsNameAndFolder) {
    EXPECT_EQ(FileNamePart(GetParam().path), GetParam().name);
    EXPECT_EQ(FolderPart(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Table, PathParts,
                         testing::Values(PathCase{"C:\\work\\prog.hxw", "prog.hxw", "C:\\work\\"},
                                         PathCase{"C:\\up\\x", "x", "C:\\up\\"},
                                         PathCase{"C:prog.hxw", "prog.hxw", "C:"},
                                         PathCase{"\\\\srv\\share\\a.b.hex", "a.b.hex", "\\\\srv\\share\\"},
                                         PathCase{"/tmp/dir/PROG.HXW", "PROG.HXW", "/tmp/dir/"},
                                         PathCase{"C:\\dir.v2\\noext", "noext", "C:\\dir.v2\\"},
                                         PathCase{"plain", "plain", ""}));

}  // namespace
