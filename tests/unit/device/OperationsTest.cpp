// The four device operations against the unit emulator: block splitting, every failure code
// with the link closed afterwards, and files that come back byte for byte.
#include <gtest/gtest.h>

#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"
#include "device/emulator/EmulatorPort.h"
#include "device/emulator/UnitEmulator.h"
#include "tests/support/DeviceTestSupport.h"

namespace {

struct Bench {
    TempFolder pc;  // the operator's files
    TempFolder unitDir;
    UnitEmulator unit{unitDir.str()};
    EmulatorPort port{unit};
    HxwConverter ops;
    RecordingProgress progress;
    Bench() { ops.SetUnitPort(&port); }

    uint32_t Download(const std::string& name, const std::vector<uint8_t>& data) {
        WriteBytes(pc.file(name), data);
        return ops.DownloadFile(pc.file(name), name, progress);
    }
    void Hold(const std::string& name, const std::vector<uint8_t>& data) {
        UnitFileInfo info;
        info.Name = name;
        info.Size = uint32_t(data.size());
        info.Attributes = 0x20;
        ASSERT_TRUE(unit.StoreFile(info, data));
    }
};

TEST(DownloadFile, SplitsIntoBlocksAndEndsWholePacketRemaindersWithAZeroLengthWrite) {
    struct Case {
        uint32_t size;
        std::vector<uint32_t> writes;
        uint32_t rangeHigh;
    } cases[] = {
        {1, {1}, 10},
        {100, {100}, 10},
        {255, {255}, 10},
        {64, {64, 0}, 10},
        {256, {256}, 1},
        {512, {256, 256}, 2},
        {512 + 64, {256, 256, 64, 0}, 2},
        {512 + 128, {256, 256, 128, 0}, 2},
        {512 + 192, {256, 256, 192, 0}, 2},
        {512 + 100, {256, 256, 100}, 2},
        {4660,
         {256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 256, 52},
         18},
    };
    for (const auto& c : cases) {
        Bench b;
        auto data = Pattern(c.size);
        ASSERT_EQ(b.Download("PROG.HXW", data), 0u) << c.size;
        auto log = b.unit.SessionLog();
        EXPECT_EQ(log.BulkOut, c.writes) << c.size;
        EXPECT_EQ(b.progress.range, std::make_pair(0u, c.rangeHigh)) << c.size;
        EXPECT_EQ(b.progress.pos, c.rangeHigh) << c.size;
        UnitFileInfo held;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(b.unit.StoredFile(held, bytes));
        EXPECT_EQ(bytes, data);
        EXPECT_EQ(held.Name, "PROG.HXW");
        EXPECT_TRUE(b.port.AllClosed());
    }
}

TEST(DownloadFile, CommandCarriesNameSizeTimesAndAttributes) {
    Bench b;
    ASSERT_EQ(b.Download("PROG.HXW", Pattern(4660)), 0u);
    auto log = b.unit.SessionLog();
    ASSERT_EQ(log.Commands.size(), 1u);
    const std::string& frame = log.Commands[0];
    ASSERT_EQ(frame.size(), 46u);
    EXPECT_EQ(frame.substr(0, 23), "<2A3200PROG.HXW00001234");
    EXPECT_EQ(frame.back(), '>');
    // The stamps are the file's own, packed from local time; the directory bit is never set.
    UnitFileInfo held;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(b.unit.StoredFile(held, bytes));
    EXPECT_EQ(held.LastAccessDate, held.LastWriteTime >> 16);
    EXPECT_GE(held.LastWriteTime >> 25, uint32_t(2020 - 1980));
    EXPECT_EQ(held.Attributes & 0x10, 0);
    EXPECT_EQ(frame.substr(23, 22), [&] {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%08X%08X%04X%02X", held.CreationTime, held.LastWriteTime,
                      held.LastAccessDate, held.Attributes);
        return std::string(buf);
    }());
}

TEST(DownloadFile, RefusesBadFilesWithoutContactingTheUnit) {
    struct Case {
        const char* what;
        std::string name;
        int size;  // -1: no file
        uint32_t code;
    } cases[] = {
        {"missing", "NONE.HXW", -1, rc::FileOpen},
        {"empty", "EMPTY.HXW", 0, rc::NoData},
        {"22 characters", "ABCDEFGHIJKLMNOPQR.HXW", 10, rc::NameTooLong},
    };
    for (const auto& c : cases) {
        Bench b;
        if (c.size >= 0) WriteBytes(b.pc.file(c.name), Pattern(size_t(c.size)));
        EXPECT_EQ(b.ops.DownloadFile(b.pc.file(c.name), c.name, b.progress), c.code) << c.what;
        EXPECT_EQ(b.ops.LastResult, c.code);
        EXPECT_EQ(b.unit.SessionLog().Sessions, 0u) << c.what;
    }
    Bench b;
    EXPECT_EQ(b.ops.DownloadFile(b.pc.str(), "dir", b.progress), rc::FileOpen) << "a folder";
    EXPECT_EQ(b.Download("ABCDEFGHIJKLMNOPQ.HXW", Pattern(10)), 0u) << "21 characters";
}

// Every failure of every operation gives its code and leaves nothing open; a failed upload
// leaves no partial file and keeps an earlier file of the same name.
TEST(DeviceOperations, EveryFailureGivesItsCodeAndClosesTheLink) {
    enum Op { Down, Up, Sec };
    struct Case {
        const char* faults;
        Op op;
        uint32_t code;
    } cases[] = {
        {"refuse-open", Down, rc::UsbInit},
        {"refuse-open", Up, rc::UsbInit},
        {"refuse-open", Sec, rc::UsbInit},
        {"fail-check", Down, rc::UsbInit},
        {"fail-check", Up, rc::UsbInit},
        {"fail-check", Sec, rc::UsbInit},
        {"product=0300", Up, rc::UsbInit},
        {"fail-send=1", Down, rc::UsbSend},
        {"fail-send=1", Up, rc::UsbSend},
        {"fail-send=2", Up, rc::UsbSend},  // the upload command after the information request
        {"fail-send=1", Sec, rc::UsbSend},
        {"fail-receive=1", Down, rc::UsbReceive},
        {"fail-receive=1", Up, rc::UsbReceive},
        {"fail-receive=1", Sec, rc::UsbReceive},
        {"acks=0,fail-receive=2", Down, rc::UsbReceive},  // the final reply
        {"acks=0,fail-receive=2", Up, rc::UsbReceive},
        {"acks=0,fail-receive=2", Sec, rc::UsbReceive},
        {"first-result=1234", Down, 0x1234},
        {"first-result=1234", Sec, 0x1234},
        {"info-result=ABC", Up, 0xABC},
        {"final-result=5555", Down, 0x5555},
        {"final-result=5555", Up, 0x5555},
        {"final-result=5555", Sec, 0x5555},
        {"fail-bulk=1", Down, rc::UsbReceive},
        {"fail-bulk=3", Down, rc::UsbReceive},
        {"fail-bulk=1", Up, rc::UsbReceive},
        {"fail-bulk=3", Up, rc::UsbReceive},
        {"fail-bulk=2", Sec, rc::UsbReceive},
        {"short-info", Up, rc::UsbReceive},
        {"name=..\\evil.hxw", Up, rc::FileOpen},
        {"name=../evil.hxw", Up, rc::FileOpen},
        {"name=sub/PROG.HXW", Up, rc::FileOpen},
        {"name=C:PROG.HXW", Up, rc::FileOpen},
        {"name=", Up, rc::FileOpen},
    };
    const auto earlier = Pattern(300, 9);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.faults) + " op " + std::to_string(c.op));
        Bench b;
        b.Hold("PROG.HXW", Pattern(1000));
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(c.faults, b.unit.Faults(), error)) << error;
        WriteBytes(b.pc.file("PROG.HXW"), Pattern(1000, 5));
        TempFolder dest;
        WriteBytes(dest.file("PROG.HXW"), earlier);
        std::string name = "unchanged";
        uint32_t code = 0;
        switch (c.op) {
            case Down:
                code = b.ops.DownloadFile(b.pc.file("PROG.HXW"), "PROG.HXW", b.progress);
                break;
            case Up:
                code = b.ops.UploadFile(dest.folder(), name, b.progress);
                break;
            case Sec:
                code = b.ops.SendSecurityRecord(BuildSecurityRecord(1, "AB12", "100", 0));
                break;
        }
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(b.ops.LastResult, c.code);
        EXPECT_TRUE(b.port.AllClosed());
        EXPECT_FALSE(b.unit.IsOpen());
        EXPECT_EQ(b.ops.UsbSlot, -1);
        EXPECT_EQ(name, "unchanged");
        EXPECT_EQ(FolderEntries(dest.path()), std::vector<std::string>{"PROG.HXW"});
        EXPECT_EQ(ReadBytes(dest.file("PROG.HXW")), earlier);
        EXPECT_FALSE(fs::exists(dest.path().parent_path() / "evil.hxw"));
    }
}

TEST(DeviceOperations, AcknowledgementStormsAndUnterminatedRepliesAreWaitedOut) {
    for (const char* faults : {"acks=0", "acks=200", "unterminated=5", "acks=3,unterminated=3"}) {
        SCOPED_TRACE(faults);
        Bench b;
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(faults, b.unit.Faults(), error));
        auto data = Pattern(700);
        ASSERT_EQ(b.Download("A.HXW", data), 0u);
        TempFolder dest;
        std::string name;
        ASSERT_EQ(b.ops.UploadFile(dest.folder(), name, b.progress), 0u);
        EXPECT_EQ(ReadBytes(dest.file("A.HXW")), data);
        EXPECT_EQ(b.ops.SendSecurityRecord(BuildSecurityRecord(0, "", "", 1)), 0u);
        EXPECT_TRUE(b.port.AllClosed());
    }
}

TEST(OpenLink, FallsBackToTheSecondProductId) {
    Bench b;
    b.unit.Faults().ProductId = 0x0100;
    ASSERT_EQ(b.Download("P.HXW", Pattern(10)), 0u);
    EXPECT_EQ(b.port.ProductsAsked(), (std::vector<uint32_t>{0x0002, 0x0100}));
    b.unit.Faults().ProductId = 0x0002;
    b.port.ClearProductsAsked();
    ASSERT_EQ(b.Download("P.HXW", Pattern(10)), 0u);
    EXPECT_EQ(b.port.ProductsAsked(), (std::vector<uint32_t>{0x0002}));
}

TEST(UploadFile, ReadsBlocksAndRemainder) {
    struct Case {
        uint32_t size;
        std::vector<uint32_t> reads;
        uint32_t rangeHigh;
    } cases[] = {
        {100, {100}, 0},
        {256, {256}, 1},
        {512, {256, 256}, 2},
        {700, {256, 256, 188}, 2},
    };
    for (const auto& c : cases) {
        Bench b;
        auto data = Pattern(c.size, 3);
        b.Hold("UNIT.FXW", data);
        TempFolder dest;
        std::string name;
        ASSERT_EQ(b.ops.UploadFile(dest.folder(), name, b.progress), 0u) << c.size;
        EXPECT_EQ(name, "UNIT.FXW");
        EXPECT_EQ(ReadBytes(dest.file("UNIT.FXW")), data);
        EXPECT_EQ(FolderEntries(dest.path()), std::vector<std::string>{"UNIT.FXW"});
        auto log = b.unit.SessionLog();
        EXPECT_EQ(log.BulkIn, c.reads);
        EXPECT_EQ(log.Commands, (std::vector<std::string>{"<041A80>", "<043201>"}));
        EXPECT_EQ(b.progress.range, std::make_pair(0u, c.rangeHigh));
        EXPECT_EQ(b.progress.pos, c.rangeHigh);
        EXPECT_TRUE(b.port.AllClosed());
    }
}

TEST(UploadFile, RefusesEmptyUnitsAndMissingFolders) {
    {
        Bench b;  // holds no file: it reports size 0
        TempFolder dest;
        std::string name;
        EXPECT_EQ(b.ops.UploadFile(dest.folder(), name, b.progress), rc::NoData);
        EXPECT_TRUE(FolderEntries(dest.path()).empty());
        EXPECT_TRUE(b.port.AllClosed());
    }
    {
        Bench b;
        b.Hold("PROG.HXW", Pattern(10));
        std::string name;
        EXPECT_EQ(b.ops.UploadFile(b.pc.folder() + "no/such/", name, b.progress), rc::FileOpen);
        EXPECT_TRUE(b.port.AllClosed());
    }
}

// A destination that cannot be written under the unit's name is an open failure, found before
// the upload command goes out; it leaves no partial file and whatever stood there as it was.
TEST(UploadFile, UnwritableDestinationIsAnOpenFailureFoundBeforeTheTransfer) {
    struct Case {
        const char* what;
        bool folder;   // a folder of that name, else a read-only file
        bool nonRoot;  // the case holds only where permissions bind (not for root)
    } cases[] = {
        {"a folder of that name", true, false},
        {"a read-only file of that name", false, true},
    };
    for (const auto& c : cases) {
        if (c.nonRoot && ::geteuid() == 0) continue;
        SCOPED_TRACE(c.what);
        Bench b;
        b.Hold("PROG.HXW", Pattern(600));
        TempFolder dest;
        const auto earlier = Pattern(50, 4);
        if (c.folder) {
            fs::create_directories(dest.path() / "PROG.HXW" / "inside");
        } else {
            WriteBytes(dest.file("PROG.HXW"), earlier);
            fs::permissions(dest.file("PROG.HXW"), fs::perms::owner_read | fs::perms::group_read);
        }
        std::string name = "unchanged";
        EXPECT_EQ(b.ops.UploadFile(dest.folder(), name, b.progress), rc::FileOpen);
        EXPECT_EQ(name, "unchanged");
        EXPECT_EQ(b.unit.SessionLog().Commands, std::vector<std::string>{"<041A80>"});
        EXPECT_EQ(FolderEntries(dest.path()), std::vector<std::string>{"PROG.HXW"});
        if (c.folder)
            EXPECT_TRUE(fs::is_directory(dest.path() / "PROG.HXW"));
        else
            EXPECT_EQ(ReadBytes(dest.file("PROG.HXW")), earlier);
        EXPECT_TRUE(b.port.AllClosed());
        fs::permissions(dest.path(), fs::perms::owner_all);
    }
}

}  // namespace
