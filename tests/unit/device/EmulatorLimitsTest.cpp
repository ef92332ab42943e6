// The unit emulator under extreme fault settings: scripted reads in any number cost no memory,
// every transfer keeps its boundary, and a failed transfer ends the exchange.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstring>

#include "device/emulator/UnitEmulator.h"
#include "tests/support/DeviceTestSupport.h"

namespace {

// Peak resident memory of this process so far, in MiB.
long PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

bool Command(UnitEmulator& unit, const std::string& frame) {
    return unit.ControlOut(reinterpret_cast<const uint8_t*>(frame.data()), uint32_t(frame.size()));
}

std::string Read(UnitEmulator& unit) {
    uint8_t buf[65] = {};
    if (!unit.ControlIn(buf, 64)) return "(failed)";
    return std::string(reinterpret_cast<char*>(buf), strnlen(reinterpret_cast<char*>(buf), 64));
}

TEST(UnitEmulatorLimits, HugeScriptedCountsAreProducedAsReadAndCostNoMemory) {
    struct Case {
        const char* faults;
        char first;  // what the reads before the reply begin with
    } cases[] = {
        {"acks=999999999", '\x06'},
        {"acks=0,unterminated=999999999", '{'},
        {"acks=999999999,unterminated=999999999", '\x06'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        TempFolder dir;
        UnitEmulator unit(dir.str());
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(c.faults, unit.Faults(), error)) << error;
        const long before = PeakMiB();
        ASSERT_TRUE(unit.Open());
        ASSERT_TRUE(Command(unit, "<041A80>"));
        for (int i = 0; i < 100000; ++i) {
            const std::string read = Read(unit);
            ASSERT_FALSE(read.empty());
            ASSERT_EQ(read[0], c.first) << "read " << i;
            if (read[0] == '{') {
                ASSERT_EQ(read.size(), 64u);
            }
        }
        // A sanity bound: queued up front, these counts took gigabytes.
        EXPECT_LT(PeakMiB() - before, 64);
        // A new command drops what was left of the old script at once.
        unit.Faults().Acks = 2;
        unit.Faults().Unterminated = 1;
        ASSERT_TRUE(Command(unit, "<049999>"));
        EXPECT_EQ(Read(unit), "\x06");
        EXPECT_EQ(Read(unit), "\x06");
        EXPECT_EQ(Read(unit), "{" + std::string(63, '0'));
        EXPECT_EQ(Read(unit), "{9999000E02}");
        EXPECT_EQ(Read(unit), "(failed)");
        unit.Close();
    }
}

TEST(UnitEmulatorLimits, UploadTransfersAreSingleBlocksWhateverTheHostAsksFor) {
    struct Case {
        uint32_t ask;
        std::vector<uint32_t> served;
    } cases[] = {
        {4096, {256, 256, 256, 232}},
        {256, {256, 256, 256, 232}},
        {100, {100, 100, 100, 100, 100, 100, 100, 100, 100, 100}},
        {1000, {256, 256, 256, 232}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ask);
        TempFolder dir;
        UnitEmulator unit(dir.str());
        unit.Faults().Acks = 0;
        UnitFileInfo info;
        info.Name = "P.HXW";
        info.Size = 1000;
        ASSERT_TRUE(unit.StoreFile(info, Pattern(1000)));
        ASSERT_TRUE(unit.Open());
        ASSERT_TRUE(Command(unit, "<043201>"));
        std::vector<uint8_t> got, buffer(c.ask);
        std::vector<uint32_t> sizes;
        for (;;) {
            uint32_t done = 0;
            ASSERT_TRUE(unit.BulkIn(buffer.data(), c.ask, done));
            if (done == 0) break;
            sizes.push_back(done);
            got.insert(got.end(), buffer.begin(), buffer.begin() + done);
        }
        EXPECT_EQ(sizes, c.served);
        EXPECT_EQ(got, Pattern(1000));
        EXPECT_EQ(unit.SessionLog().BulkIn, c.served);
        EXPECT_EQ(Read(unit), "{320100" "0000}");
    }
}

TEST(UnitEmulatorLimits, AFailedTransferEndsTheExchangeWithoutBusyAnswers) {
    for (bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        TempFolder dir;
        UnitEmulator unit(dir.str());
        unit.Faults().Acks = 0;
        unit.Faults().FailBulk = 2;
        UnitFileInfo info;
        info.Name = "P.HXW";
        info.Size = 1000;
        ASSERT_TRUE(unit.StoreFile(info, Pattern(1000)));
        ASSERT_TRUE(unit.Open());
        uint8_t block[256] = {};
        uint32_t done = 0;
        if (upload) {
            ASSERT_TRUE(Command(unit, "<043201>"));
            EXPECT_TRUE(unit.BulkIn(block, 256, done));
            EXPECT_FALSE(unit.BulkIn(block, 256, done));
            EXPECT_TRUE(unit.BulkIn(block, 256, done));
            EXPECT_EQ(done, 0u);  // nothing more comes
        } else {
            ASSERT_TRUE(Command(unit, "<273200P.HXW000003E80000000000000000000020>"));
            EXPECT_EQ(Read(unit), "{320000" "0000}");
            EXPECT_TRUE(unit.BulkOut(block, 256));
            EXPECT_FALSE(unit.BulkOut(block, 256));
        }
        // No reply will come, and the unit says so at once instead of acknowledging for seconds.
        EXPECT_EQ(Read(unit), "(failed)");
        unit.Close();
    }
}

}  // namespace
