// The unit emulator behind an emulated WinUSB, under the production Fenlink core: the same
// stack as the emulated Fenlink.dll. Then the link's Fenlink port over it, as the x86_64
// programs use it.
#include <gtest/gtest.h>

#include <cstring>

#include "base/ResultCodes.h"
#include "engine/HxwConverter.h"
#include "device/FenlinkPort.h"
#include "device/emulator/UnitWinUsb.h"
#include "tests/support/DeviceTestSupport.h"
#include "transport/winusb/FenlinkCore.h"

namespace {

struct FenlinkStack {
    TempFolder unitDir;
    UnitEmulator unit{unitDir.str()};
    UnitWinUsb api{unit};
    transport::FenlinkCore core{api};
    FenlinkStack() { core.Setup(); }
    ~FenlinkStack() { core.Teardown(); }
    void* OpenUnit(int32_t product = 0x0002) { return core.Open(0x0C, 0, 0, 0x1079, product, 0); }
};

TEST(FenlinkUnit, OpensWithTwoBulkPipesOnInterfaceZeroAndTheirTimeOut) {
    FenlinkStack s;
    void* h = s.OpenUnit();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(s.unit.IsOpen());
    EXPECT_EQ(s.core.Check(h), 0);
    uint8_t ep = 0xEE;
    ASSERT_EQ(s.core.GetPipeEndpoint(h, 0, 0, &ep), 1);
    EXPECT_EQ(ep, 0x81);  // pipe 0: unit to host
    ASSERT_EQ(s.core.GetPipeEndpoint(h, 0, 1, &ep), 1);
    EXPECT_EQ(ep, 0x02);  // pipe 1: host to unit
    EXPECT_EQ(s.core.GetPipeEndpoint(h, 0, 2, &ep), 0);
    EXPECT_EQ(s.core.GetPipeEndpoint(h, 1, 0, &ep), 0);
    EXPECT_EQ(s.api.PipeTimeout(0x81), 5000u);
    EXPECT_EQ(s.api.PipeTimeout(0x02), 5000u);
    // One link at a time: the open unit is not found again.
    EXPECT_EQ(s.OpenUnit(), nullptr);
    s.core.Close(h);
    EXPECT_FALSE(s.unit.IsOpen());
    EXPECT_EQ(s.core.OpenCount(), 0);
    EXPECT_NE(s.OpenUnit(), nullptr);
}

TEST(FenlinkUnit, ControlDataCarriesTheUnitsFrames) {
    FenlinkStack s;
    void* h = s.OpenUnit();
    ASSERT_NE(h, nullptr);
    const char frame[] = "<041A80>";
    ASSERT_EQ(s.core.SendData(h, 8, frame), 1);
    std::string reply;
    uint8_t buf[65] = {};
    for (int i = 0; i < 8 && (reply.empty() || reply[0] == '\x06'); ++i) {
        ASSERT_EQ(s.core.ReceiveData(h, 64, buf), 1);
        reply.assign(reinterpret_cast<char*>(buf), strnlen(reinterpret_cast<char*>(buf), 64));
    }
    EXPECT_EQ(reply.substr(0, 11), "{1A80000000");
    EXPECT_EQ(s.unit.SessionLog().Commands, (std::vector<std::string>{"<041A80>"}));
    // Nothing more to say: the unit stalls the request.
    EXPECT_EQ(s.core.ReceiveData(h, 64, buf), 0);
}

TEST(FenlinkUnit, ABulkReadWithNothingToHandOutFailsAtItsTimeOut) {
    FenlinkStack s;
    void* h = s.OpenUnit();
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(
        s.api.SetPipeTimeout(reinterpret_cast<transport::UsbDeviceContext*>(h)->WinUsbHandle, 0x81, 20));
    uint8_t buf[256];
    uint32_t count = 77;
    EXPECT_EQ(s.core.BulkRead(h, 0x81, buf, sizeof buf, &count), 0);
    EXPECT_EQ(count, 0u);
    // The pipe to the unit is not a way back, nor the other way round.
    EXPECT_EQ(s.core.BulkRead(h, 0x02, buf, sizeof buf, &count), 0);
    EXPECT_EQ(s.core.BulkWrite(h, 0x81, buf, 4, &count), 0);
}

TEST(FenlinkUnit, FaultsShowAsWinUsbWouldSeeThem) {
    struct Case {
        const char* faults;
        int32_t product;
        bool opens;
        int32_t check;
    };
    for (const Case& c : {Case{"refuse-open", 0x0002, false, 1}, Case{"fail-check", 0x0002, true, 2},
                          Case{"product=0100", 0x0002, false, 1}, Case{"product=0100", 0x0100, true, 0}}) {
        FenlinkStack s;
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(c.faults, s.unit.Faults(), error));
        void* h = s.OpenUnit(c.product);
        EXPECT_EQ(h != nullptr, c.opens) << c.faults;
        EXPECT_EQ(s.core.Check(h), c.check) << c.faults;
        s.core.Close(h);
        EXPECT_FALSE(s.unit.IsOpen()) << c.faults;
    }
}

// The link's Fenlink port over the core, as the x86_64 programs use it over Fenlink.dll.
transport::FenlinkCore* g_core = nullptr;
const FenlinkCalls kCoreCalls{
    [](int32_t m, int32_t c, int32_t s, int32_t v, int32_t p, int32_t r) {
        return g_core->Open(m, c, s, v, p, r);
    },
    [](void* d) { g_core->Close(d); },
    [](void* d) { return g_core->Check(d); },
    [](void* d, uint16_t n, const void* b) { return g_core->SendData(d, n, b); },
    [](void* d, uint16_t n, void* b) { return g_core->ReceiveData(d, n, b); },
    [](void* d, uint8_t i, uint8_t n, uint8_t* e) { return g_core->GetPipeEndpoint(d, i, n, e); },
    [](void* d, uint8_t e, const void* b, uint32_t n, uint32_t* c) {
        return g_core->BulkWrite(d, e, b, n, c);
    },
    [](void* d, uint8_t e, void* b, uint32_t n, uint32_t* c) { return g_core->BulkRead(d, e, b, n, c); },
};

struct PortStack : FenlinkStack {
    FenlinkPort port{kCoreCalls};
    HxwConverter ops;
    PortStack() {
        g_core = &core;
        ops.SetUnitPort(&port);
        ops.SetUploadPause(0);
    }
    ~PortStack() { g_core = nullptr; }
};

TEST(FenlinkPort, DownloadInfoUploadAndSecurityThroughTheCore) {
    PortStack s;
    TempFolder pc, dest;
    auto data = Pattern(256 * 3 + 128);
    WriteBytes(pc.file("CORE.HXW"), data);
    RecordingProgress progress;
    ASSERT_EQ(s.ops.DownloadFile(pc.file("CORE.HXW"), "CORE.HXW", progress), 0u);
    EXPECT_EQ(s.unit.SessionLog().BulkOut, (std::vector<uint32_t>{256, 256, 256, 128, 0}));
    EXPECT_EQ(s.core.OpenCount(), 0);
    EXPECT_FALSE(s.unit.IsOpen());

    ASSERT_TRUE(s.ops.OpenLink());
    EXPECT_EQ(s.ops.PipeIn, PipeHandle(0x81));
    EXPECT_EQ(s.ops.PipeOut, PipeHandle(0x02));
    UnitFileInfo info;
    ASSERT_EQ(s.ops.ReadUnitFileInfo(info), 0u);
    s.ops.CloseLink();
    EXPECT_EQ(info.Name, "CORE.HXW");
    EXPECT_EQ(info.Size, data.size());
    EXPECT_EQ(s.core.OpenCount(), 0);

    std::string name;
    ASSERT_EQ(s.ops.UploadFile(dest.folder(), name, progress), 0u);
    EXPECT_EQ(name, "CORE.HXW");
    EXPECT_EQ(ReadBytes(dest.file("CORE.HXW")), data);
    EXPECT_EQ(s.ops.SendSecurityRecord(BuildSecurityRecord(1, "AB", "7", 1)), 0u);
    EXPECT_EQ(s.core.OpenCount(), 0);
    EXPECT_FALSE(s.unit.IsOpen());
}

TEST(FenlinkPort, UnitFaultsGiveTheLinksCodesAndLeaveNothingOpen) {
    struct Case {
        const char* faults;
        uint32_t result;
    };
    for (const Case& c : {Case{"refuse-open", rc::UsbInit}, Case{"fail-check", rc::UsbInit},
                          Case{"product=0300", rc::UsbInit}, Case{"product=0100", 0},
                          Case{"fail-send=1", rc::UsbSend}, Case{"fail-receive=1", rc::UsbReceive},
                          Case{"fail-bulk=2", rc::UsbReceive}, Case{"final-result=1234", 0x1234}}) {
        PortStack s;
        TempFolder pc;
        WriteBytes(pc.file("F.HXW"), Pattern(600));
        std::string error;
        ASSERT_TRUE(ParseUnitFaults(c.faults, s.unit.Faults(), error));
        RecordingProgress progress;
        EXPECT_EQ(s.ops.DownloadFile(pc.file("F.HXW"), "F.HXW", progress), c.result) << c.faults;
        EXPECT_EQ(s.core.OpenCount(), 0) << c.faults;
        EXPECT_FALSE(s.unit.IsOpen()) << c.faults;
    }
}

TEST(FenlinkPort, RefusesWhatFenlinkCannotCarry) {
    PortStack s;
    DeviceHandle device = s.port.OpenMask(0x0C, 0, 0, 0x1079, 0x0002, 0);
    ASSERT_NE(device, kNoDevice);
    EXPECT_EQ(s.port.Check(device), 0);
    EXPECT_EQ(s.port.OpenPipe(device, 0, 2), kNoPipe);
    EXPECT_EQ(s.port.OpenPipe(device, 0x100, 0), kNoPipe);  // not cut down to interface 0
    uint8_t buffer[4] = {};
    uint32_t done = 7;
    EXPECT_FALSE(s.port.WritePipe(device, kNoPipe, buffer, 4, done));
    EXPECT_EQ(done, 0u);
    done = 7;
    EXPECT_FALSE(s.port.ReadPipe(device, 0x100 | 0x81, buffer, 4, done));
    EXPECT_EQ(done, 0u);
    std::vector<uint8_t> big(0x10000, '<');
    EXPECT_EQ(s.port.SendData(device, uint32_t(big.size()), big.data()), 0);  // not cut to 16 bits
    EXPECT_TRUE(s.unit.SessionLog().Commands.empty());
    s.port.Close(device);
    EXPECT_EQ(s.port.Check(device), 1);
    EXPECT_EQ(s.port.Check(kNoDevice), 1);
    EXPECT_EQ(s.port.OpenMask(0x0C, 0, 0, 0x1079, 0x0003, 0), kNoDevice);
}

}  // namespace
