// Downloads over ports that misbehave in the data phase, and a round trip that outlives its
// emulator: what reaches the unit and what comes back.
#include <gtest/gtest.h>

#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"
#include "device/emulator/EmulatorPort.h"
#include "device/emulator/UnitEmulator.h"
#include "tests/support/DeviceTestSupport.h"

namespace {

// Shrinks the file being sent once the data phase has begun.
class ShrinkingPort : public EmulatorPort {
  public:
    ShrinkingPort(UnitEmulator& unit, std::string path) : EmulatorPort(unit), path_(std::move(path)) {}
    bool WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                   uint32_t& done) override {
        fs::resize_file(path_, 10);
        return EmulatorPort::WritePipe(device, pipe, data, count, done);
    }

  private:
    std::string path_;
};

TEST(DownloadFile, ReadFailureInTheDataPhaseIsAReadFailure) {
    TempFolder pc, unitDir;
    UnitEmulator unit(unitDir.str());
    ShrinkingPort port(unit, pc.file("P.HXW"));
    HxwConverter ops;
    ops.SetUnitPort(&port);
    // Larger than any stdio buffer, so the shrinking is seen.
    WriteBytes(pc.file("P.HXW"), Pattern(40000));
    NullProgress progress;
    EXPECT_EQ(ops.DownloadFile(pc.file("P.HXW"), "P.HXW", progress), rc::FileRead);
    EXPECT_TRUE(port.AllClosed());
    UnitFileInfo held;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(unit.StoredFile(held, bytes)) << "the unit kept no partial file";
}

// A pipe that refuses zero-length writes.
class NoZeroLengthPort : public EmulatorPort {
  public:
    using EmulatorPort::EmulatorPort;
    bool WritePipe(DeviceHandle device, PipeHandle pipe, const uint8_t* data, uint32_t count,
                   uint32_t& done) override {
        if (count == 0) return (done = 0), false;
        return EmulatorPort::WritePipe(device, pipe, data, count, done);
    }
};

TEST(DownloadFile, AFailedZeroLengthPacketDoesNotFailTheDownload) {
    for (uint32_t size : {64u, 256u + 128u, 512u + 192u}) {
        TempFolder pc, unitDir;
        UnitEmulator unit(unitDir.str());
        NoZeroLengthPort port(unit);
        HxwConverter ops;
        ops.SetUnitPort(&port);
        const auto data = Pattern(size);
        WriteBytes(pc.file("Z.HXW"), data);
        NullProgress progress;
        EXPECT_EQ(ops.DownloadFile(pc.file("Z.HXW"), "Z.HXW", progress), 0u) << size;
        UnitFileInfo held;
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(unit.StoredFile(held, bytes)) << size;
        EXPECT_EQ(bytes, data);
        EXPECT_TRUE(port.AllClosed());
    }
}

TEST(DeviceOperations, DownloadInfoUploadRoundTripSurvivesANewEmulator) {
    TempFolder pc, unitDir, dest;
    auto data = Pattern(5000, 42);
    WriteBytes(pc.file("ROUND.PBT"), data);
    {
        UnitEmulator unit(unitDir.str());
        EmulatorPort port(unit);
        HxwConverter ops;
        ops.SetUnitPort(&port);
        RecordingProgress progress;
        ASSERT_EQ(ops.DownloadFile(pc.file("ROUND.PBT"), "ROUND.PBT", progress), 0u);
    }
    // A later run: the unit still holds the file.
    UnitEmulator unit(unitDir.str());
    EmulatorPort port(unit);
    HxwConverter ops;
    ops.SetUnitPort(&port);
    ASSERT_TRUE(ops.OpenLink());
    UnitFileInfo info;
    ASSERT_EQ(ops.ReadUnitFileInfo(info), 0u);
    ops.CloseLink();
    EXPECT_EQ(info.Name, "ROUND.PBT");
    EXPECT_EQ(info.Size, 5000u);
    EXPECT_TRUE(port.AllClosed());

    // The security record does not replace the unit's file.
    ASSERT_EQ(ops.SendSecurityRecord(BuildSecurityRecord(1, "AB12", "100", 0)), 0u);
    std::vector<uint8_t> record;
    ASSERT_TRUE(unit.LastSecurityRecord(record));
    auto expected = BuildSecurityRecord(1, "AB12", "100", 0);
    EXPECT_EQ(record, std::vector<uint8_t>(expected.begin(), expected.end()));

    std::string name;
    RecordingProgress progress;
    ASSERT_EQ(ops.UploadFile(dest.folder(), name, progress), 0u);
    EXPECT_EQ(name, "ROUND.PBT");
    EXPECT_EQ(ReadBytes(dest.file("ROUND.PBT")), data);
    EXPECT_TRUE(port.AllClosed());
}

}  // namespace
