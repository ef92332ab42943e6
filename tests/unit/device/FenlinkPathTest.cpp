// The unit emulator behind an emulated WinUSB, under the production Fenlink core: the same
// stack as the emulated Fenlink.dll.
#include <gtest/gtest.h>

#include <cstring>

#include "device/emulator/UnitWinUsb.h"
#include "tests/unit/device/DeviceTestSupport.h"
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

}  // namespace
