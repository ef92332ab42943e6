// The device operations through the production Dorlink core and the emulated kernel driver,
// with the unit emulator as the USB device: the same stack as the emulated Dorlink.dll.
#include <gtest/gtest.h>

#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"
#include "device/emulator/UnitDevice.h"
#include "tests/support/DeviceTestSupport.h"
#include "transport/driver/DorlinkCore.h"
#include "transport/driver/EmulatedDriverOs.h"

namespace {

// The link's port over the core, with the emulated driver standing in for the file calls.
class CorePort : public UnitPort {
  public:
    CorePort(transport::DorlinkCore& core, transport::EmulatedDriverOs& os) : core_(core), os_(os) {}
    DeviceHandle OpenMask(uint32_t mask, uint32_t c, uint32_t s, uint32_t v, uint32_t p, uint32_t r) override {
        return core_.OpenMask(int32_t(mask), int32_t(c), int32_t(s), int32_t(v), int32_t(p), int32_t(r));
    }
    void Close(DeviceHandle slot) override { core_.Close(int32_t(slot)); }
    PipeHandle OpenPipe(DeviceHandle slot, uint32_t i, uint32_t p) override {
        return core_.OpenPipe(int32_t(slot), int32_t(i), int32_t(p));
    }
    int32_t Check(DeviceHandle slot) override { return core_.Check(int32_t(slot)); }
    int32_t SendData(DeviceHandle slot, uint32_t length, const uint8_t* buffer) override {
        return core_.SendData(int32_t(slot), int32_t(length), buffer);
    }
    int32_t ReceiveData(DeviceHandle slot, uint32_t length, uint8_t* buffer) override {
        return core_.ReceiveData(int32_t(slot), int32_t(length), buffer);
    }
    bool WritePipe(DeviceHandle, PipeHandle pipe, const uint8_t* data, uint32_t count, uint32_t& done) override {
        bool ok = os_.WritePipe(pipe, data, count);
        done = ok ? count : 0;
        return ok;
    }
    bool ReadPipe(DeviceHandle, PipeHandle pipe, uint8_t* buffer, uint32_t count, uint32_t& done) override {
        size_t got = 0;
        bool ok = os_.ReadPipe(pipe, buffer, count, got);
        done = uint32_t(got);
        return ok;
    }
    void ClosePipe(DeviceHandle, PipeHandle pipe) override { os_.CloseHandle(pipe); }

  private:
    transport::DorlinkCore& core_;
    transport::EmulatedDriverOs& os_;
};

struct Stack {
    TempFolder unitDir;
    UnitEmulator unit{unitDir.str()};
    UnitDevice device{unit};
    transport::EmulatedDriverOs os;
    transport::DorlinkCore core{os};
    CorePort port{core, os};
    HxwConverter ops;
    Stack() {
        os.Attach(device);
        ops.SetUnitPort(&port);
    }
};

TEST(DorlinkPath, DownloadInfoUploadAndSecurityThroughTheCore) {
    Stack s;
    TempFolder pc, dest;
    auto data = Pattern(256 * 3 + 128);
    WriteBytes(pc.file("CORE.HXW"), data);
    RecordingProgress progress;
    ASSERT_EQ(s.ops.DownloadFile(pc.file("CORE.HXW"), "CORE.HXW", progress), 0u);
    EXPECT_EQ(s.unit.SessionLog().BulkOut, (std::vector<uint32_t>{256, 256, 256, 128, 0}));
    EXPECT_EQ(s.os.OpenHandleCount(), 0);

    ASSERT_TRUE(s.ops.OpenLink());
    UnitFileInfo info;
    ASSERT_EQ(s.ops.ReadUnitFileInfo(info), 0u);
    s.ops.CloseLink();
    EXPECT_EQ(info.Name, "CORE.HXW");
    EXPECT_EQ(info.Size, data.size());

    std::string name;
    ASSERT_EQ(s.ops.UploadFile(dest.folder(), name, progress), 0u);
    EXPECT_EQ(name, "CORE.HXW");
    EXPECT_EQ(ReadBytes(dest.file("CORE.HXW")), data);
    EXPECT_EQ(s.ops.SendSecurityRecord(BuildSecurityRecord(1, "AB", "7", 1)), 0u);
    EXPECT_EQ(s.os.OpenHandleCount(), 0);
}

TEST(DorlinkPath, RefusedOrSilentUnitGivesTheOpenFailure) {
    for (const char* faults : {"refuse-open", "fail-check", "product=0300"}) {
        Stack s;
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(faults, s.unit.Faults(), error));
        EXPECT_EQ(s.ops.SendSecurityRecord(BuildSecurityRecord(0, "", "", 0)), rc::UsbInit) << faults;
        EXPECT_EQ(s.os.OpenHandleCount(), 0) << faults;
    }
    Stack s;
    s.unit.Faults().ProductId = 0x0100;
    EXPECT_EQ(s.ops.SendSecurityRecord(BuildSecurityRecord(0, "", "", 0)), 0u);
}

TEST(DorlinkPath, FaultCountersStartAgainWithEverySession) {
    enum Op { Down, Up, Info };
    struct Case {
        const char* faults;
        Op op;
        uint32_t code;
        std::vector<uint32_t> bulkOut;  // the host's writes the unit saw, each session
    } cases[] = {
        {"fail-bulk=2", Down, rc::UsbReceive, {256, 256}},
        {"fail-bulk=3", Down, rc::UsbReceive, {256, 256, 256}},
        {"fail-bulk=2", Up, rc::UsbReceive, {}},
        {"fail-send=2", Up, rc::UsbSend, {}},
        {"fail-receive=1", Info, rc::UsbReceive, {}},
        {"acks=0,fail-receive=2", Down, rc::UsbReceive, {256, 256, 256, 128, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.faults);
        Stack s;
        TempFolder pc, dest;
        WriteBytes(pc.file("P.HXW"), Pattern(256 * 3 + 128));
        RecordingProgress progress;
        ASSERT_EQ(s.ops.DownloadFile(pc.file("P.HXW"), "P.HXW", progress), 0u);
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(c.faults, s.unit.Faults(), error)) << error;
        // The same fault strikes in every operation, not once in the process's life.
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE(round);
            uint32_t code = 0;
            std::string name;
            UnitFileInfo info;
            switch (c.op) {
                case Down:
                    code = s.ops.DownloadFile(pc.file("P.HXW"), "P.HXW", progress);
                    EXPECT_EQ(s.unit.SessionLog().BulkOut, c.bulkOut);
                    break;
                case Up:
                    code = s.ops.UploadFile(dest.folder(), name, progress);
                    break;
                case Info:
                    code = s.ops.OpenLink() ? s.ops.ReadUnitFileInfo(info) : rc::UsbInit;
                    s.ops.CloseLink();
                    break;
            }
            EXPECT_EQ(code, c.code);
            EXPECT_EQ(s.os.OpenHandleCount(), 0);
            EXPECT_FALSE(s.unit.IsOpen());
        }
        s.unit.Faults() = UnitFaults{};
        std::string name;
        EXPECT_EQ(s.ops.UploadFile(dest.folder(), name, progress), 0u);
        EXPECT_EQ(ReadBytes(dest.file("P.HXW")), Pattern(256 * 3 + 128));
    }
}

TEST(DorlinkPath, TheDriverKeepsOnlyItsLatestCallsThroughALongBusyWait) {
    Stack s;
    s.unit.Faults().Acks = 50000;
    ASSERT_TRUE(s.ops.OpenLink());
    UnitFileInfo info;
    EXPECT_EQ(s.ops.ReadUnitFileInfo(info), 0u);
    s.ops.CloseLink();
    const auto calls = s.os.Calls();
    ASSERT_EQ(calls.size(), transport::EmulatedDriverOs::kRecordLimit);
    // The newest calls are the ones kept: the last is the read that brought the reply.
    EXPECT_EQ(calls.back().code, transport::dorlink::kIoControlIn);
    EXPECT_TRUE(calls.back().ok);
    s.os.ClearLog();
    EXPECT_TRUE(s.os.Calls().empty());
}

}  // namespace
