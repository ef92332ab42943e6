// The unit emulator's own rules: fault lists, frame checks and what it keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "device/emulator/UnitEmulator.h"
#include "tests/support/DeviceTestSupport.h"

namespace {

TEST(ParseUnitFaults, ReadsEveryFaultAndNamesABadOne) {
    UnitFaults f;
    std::string error;
    ASSERT_TRUE(
        ParseUnitFaults("refuse-open,fail-check,product=0100,info-result=1,first-result=A2,"
                        "final-result=ffff,fail-send=2,fail-receive=3,fail-bulk=4,acks=5,"
                        "unterminated=6,short-info,name=a,b\\c",
                        f, error));
    EXPECT_TRUE(f.RefuseOpen);
    EXPECT_TRUE(f.FailCheck);
    EXPECT_EQ(f.ProductId, 0x0100);
    EXPECT_EQ(f.InfoResult, 1u);
    EXPECT_EQ(f.FirstResult, 0xA2u);
    EXPECT_EQ(f.FinalResult, 0xFFFFu);
    EXPECT_EQ(f.FailSend, 2u);
    EXPECT_EQ(f.FailReceive, 3u);
    EXPECT_EQ(f.FailBulk, 4u);
    EXPECT_EQ(f.Acks, 5u);
    EXPECT_EQ(f.Unterminated, 6u);
    EXPECT_TRUE(f.ShortInfo);
    EXPECT_TRUE(f.HasName);
    EXPECT_EQ(f.Name, "a,b\\c");

    for (const char* bad : {"refuse", "acks=x", "product=10000", "fail-bulk=", "final-result=123456789"}) {
        UnitFaults g;
        EXPECT_FALSE(ParseUnitFaults(bad, g, error)) << bad;
        EXPECT_EQ(error, bad);
    }
    UnitFaults none;
    EXPECT_TRUE(ParseUnitFaults("", none, error));
    EXPECT_FALSE(none.RefuseOpen);
}

std::string Send(UnitEmulator& unit, const std::string& frame) {
    EXPECT_TRUE(unit.ControlOut(reinterpret_cast<const uint8_t*>(frame.data()), uint32_t(frame.size())));
    uint8_t buf[65] = {};
    std::string reply;
    while (unit.ControlIn(buf, 64)) {
        reply.assign(reinterpret_cast<char*>(buf), strnlen(reinterpret_cast<char*>(buf), 64));
        if (!reply.empty() && reply[0] != '\x06') break;
    }
    return reply;
}

TEST(UnitEmulator, AnswersBadFramesAndCommandsWithItsOwnCodes) {
    TempFolder dir;
    UnitEmulator unit(dir.str());
    ASSERT_TRUE(unit.Open());
    struct Case {
        std::string frame, reply;
    } cases[] = {
        {"<051A80>",
         "{000000"
         "0E01}"},  // length does not match
        {"041A80",
         "{000000"
         "0E01}"},
        {"<049999>",
         "{999900"
         "0E02}"},
        {"<0A3200X.HXW0>",
         "{320000"
         "0E03}"},  // no file information
        {"<043201>",
         "{320100"
         "0E04}"},  // nothing held
        {"<041A80>",
         "{1A8000"
         "0000"
         "00000000"
         "00000000"
         "00000000"
         "0000"
         "00}"},
    };
    for (const auto& c : cases) EXPECT_EQ(Send(unit, c.frame), c.reply) << c.frame;
    unit.Close();
    EXPECT_FALSE(unit.ControlOut(reinterpret_cast<const uint8_t*>("<041A80>"), 8)) << "closed";
}

TEST(UnitEmulator, KeepsItsFileInTheFolderAndIgnoresADamagedOne) {
    TempFolder dir;
    UnitFileInfo info;
    info.Name = "KEEP.HXW";
    info.CreationTime = 0x3D9B51CC;
    info.LastWriteTime = 0x3D9B51CD;
    info.LastAccessDate = 0x3D9B;
    info.Attributes = 0x21;
    auto data = Pattern(300);
    {
        UnitEmulator unit(dir.str());
        ASSERT_TRUE(unit.StoreFile(info, data));
    }
    UnitEmulator again(dir.str());
    UnitFileInfo read;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(again.StoredFile(read, bytes));
    EXPECT_EQ(read.Name, "KEEP.HXW");
    EXPECT_EQ(read.Size, 300u);
    EXPECT_EQ(read.CreationTime, 0x3D9B51CCu);
    EXPECT_EQ(read.LastWriteTime, 0x3D9B51CDu);
    EXPECT_EQ(read.LastAccessDate, 0x3D9B);
    EXPECT_EQ(read.Attributes, 0x21);
    EXPECT_EQ(bytes, data);

    // Data that does not match its description is no file.
    WriteBytes(dir.file("unit.bin"), Pattern(299));
    EXPECT_FALSE(again.StoredFile(read, bytes));
}

}  // namespace
