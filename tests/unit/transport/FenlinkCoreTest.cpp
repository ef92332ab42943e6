#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "transport/winusb/EmulatedWinUsb.h"
#include "transport/winusb/FenlinkCore.h"

namespace transport {
namespace {

std::u16string PathNo(int i) {
    std::u16string p = u"\\\\?\\usb#vid_1079&pid_0002#";
    for (char c : std::to_string(i)) p += static_cast<char16_t>(c);
    return p + u"#{31303033-5355-4750-4a50-42524f56494b}";
}

class FenlinkTest : public ::testing::Test {
  protected:
    FenlinkTest() { core.Setup(); }

    EmulatedUsbDevice& Add(EmulatedUsbDevice d) {
        devices.push_back(std::make_unique<EmulatedUsbDevice>(std::move(d)));
        api.Add(*devices.back());
        return *devices.back();
    }
    EmulatedUsbDevice& AddUnit(uint16_t product = 0x0002) {
        return Add(EmulatedUsbDevice::Unit(PathNo(static_cast<int>(devices.size())), 0x1079, product));
    }
    void* OpenUnit(uint16_t product = 0x0002) { return core.Open(0x0C, 0, 0, 0x1079, product, 0); }
    UsbDeviceContext* Record(void* h) { return core.Valid(h); }

    std::vector<std::unique_ptr<EmulatedUsbDevice>> devices;
    EmulatedWinUsb api;
    FenlinkCore core{api};
};

TEST_F(FenlinkTest, OpenRecordsTheDeviceAndItsPipes) {
    EmulatedUsbDevice& unit = AddUnit();
    void* h = OpenUnit();
    UsbDeviceContext* r = Record(h);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(static_cast<void*>(r), h);
    EXPECT_EQ(r->InUse, 1);
    EXPECT_EQ(std::u16string(r->DevicePath), unit.path);
    EXPECT_EQ(r->PipeTimeout, 5000u);
    ASSERT_EQ(r->PipeCount, 2);
    EXPECT_EQ(r->Pipes[0].EndpointAddress, 0x81);
    EXPECT_EQ(r->Pipes[1].EndpointAddress, 0x02);
    EXPECT_EQ(r->Pipes[1].PipeIndex, 1);
    EXPECT_EQ(unit.timeouts, (std::map<uint8_t, uint32_t>{{0x81, 5000}, {0x02, 5000}}));
    EXPECT_EQ(api.OpenFiles(), 1);
    EXPECT_EQ(api.OpenUsbHandles(), 1);
}

TEST_F(FenlinkTest, NoDeviceGivesNull) {
    EXPECT_EQ(OpenUnit(), nullptr);
    EXPECT_EQ(core.OpenCount(), 0);
}

struct Fault {
    const char* what;
    std::function<void(EmulatedUsbDevice&)> apply;
};

TEST_F(FenlinkTest, ADeviceFailingAnyOpenStepIsReleasedAndTheNextOneIsTaken) {
    const Fault faults[] = {
        {"file cannot be opened", [](auto& d) { d.createFails = true; }},
        {"WinUsb_Initialize fails", [](auto& d) { d.initializeFails = true; }},
        {"descriptor read fails", [](auto& d) { d.descriptorFails = true; }},
        {"no descriptor bytes", [](auto& d) { d.descriptor.clear(); }},
        {"descriptor longer than 18 bytes", [](auto& d) { d.descriptor.resize(19); }},
        {"descriptor type is not 1", [](auto& d) { d.descriptor[1] = 2; }},
        {"bLength 0", [](auto& d) { d.descriptor[0] = 0; }},
        {"bMaxPacketSize0 0", [](auto& d) { d.descriptor[7] = 0; }},
        {"bMaxPacketSize0 65", [](auto& d) { d.descriptor[7] = 65; }},
        {"vendor 0", [](auto& d) { d.descriptor[8] = d.descriptor[9] = 0; }},
        {"product 0 (short descriptor leaves it 0)", [](auto& d) { d.descriptor.resize(10); }},
        {"another product", [](auto& d) { d.descriptor[10] = 3; }},
        {"interface query fails", [](auto& d) { d.interfaceFails = true; }},
        {"no endpoints", [](auto& d) { d.pipes.clear(); }},
        {"only control and isochronous pipes",
         [](auto& d) {
             d.pipes = {{UsbPipeType::Control, 0x81, 64, 0}, {UsbPipeType::Isochronous, 0x02, 64, 0}};
         }},
        {"pipe id 0 or packet size 0",
         [](auto& d) {
             d.pipes = {{UsbPipeType::Bulk, 0, 64, 0}, {UsbPipeType::Bulk, 0x02, 0, 0}};
         }},
        {"every pipe query fails",
         [](auto& d) {
             d.pipeQueryFails = {0, 1};
         }},
    };
    for (const auto& f : faults) {
        devices.clear();
        api = EmulatedWinUsb();
        core.Teardown();
        core.Setup();
        EmulatedUsbDevice& bad = AddUnit();
        f.apply(bad);
        EmulatedUsbDevice& good = AddUnit();
        void* h = OpenUnit();
        ASSERT_NE(Record(h), nullptr) << f.what;
        EXPECT_EQ(std::u16string(Record(h)->DevicePath), good.path) << f.what;
        EXPECT_EQ(core.OpenCount(), 1) << f.what;
        EXPECT_EQ(api.OpenFiles(), 1) << f.what;       // the faulty device's file was closed
        EXPECT_EQ(api.OpenUsbHandles(), 1) << f.what;  // and its WinUSB handle freed
    }
}

TEST_F(FenlinkTest, MinimalAcceptableDescriptorValues) {
    EmulatedUsbDevice& unit = AddUnit();
    unit.descriptor[7] = 1;  // bMaxPacketSize0 at its lower bound
    EXPECT_NE(OpenUnit(), nullptr);
    EmulatedUsbDevice& other = AddUnit();
    other.descriptor[7] = 64;  // and at its upper bound
    EXPECT_NE(OpenUnit(), nullptr);
}

TEST_F(FenlinkTest, AlreadyOpenDevicesAreSkipped) {
    EmulatedUsbDevice& first = AddUnit();
    EmulatedUsbDevice& second = AddUnit();
    void* a = OpenUnit();
    void* b = OpenUnit();
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(std::u16string(Record(a)->DevicePath), first.path);
    EXPECT_EQ(std::u16string(Record(b)->DevicePath), second.path);
    EXPECT_EQ(OpenUnit(), nullptr);
    EXPECT_EQ(api.CreateCalls(), 2);  // the open devices were never opened a second time

    // The same interface listed again with other letter case counts as open too.
    EmulatedUsbDevice upper =
        EmulatedUsbDevice::Unit(u"\\\\?\\USB#VID_1079&PID_0002#0#{31303033-5355-4750-4A50-42524F56494B}");
    Add(upper);
    EXPECT_EQ(OpenUnit(), nullptr);
    EXPECT_EQ(api.CreateCalls(), 2);

    core.Close(a);
    EXPECT_EQ(OpenUnit(), a);  // the lowest free record is reused
}

TEST_F(FenlinkTest, ReleaseComparedOnSixteenBits) {
    Add(EmulatedUsbDevice::Unit(PathNo(0), 0x1079, 0x0002, 0x0101));
    EXPECT_EQ(core.Open(0x10, 0, 0, 0, 0, 0x01), nullptr);
    EXPECT_NE(core.Open(0x10, 0, 0, 0, 0, 0x0101), nullptr);
}

TEST_F(FenlinkTest, OverlongPathIsCutToTheRecordAndNeverOverruns) {
    EmulatedUsbDevice& unit = Add(EmulatedUsbDevice::Unit(std::u16string(400, u'x')));
    // The cut path names nothing that can be opened; the device behind it is passed over.
    EmulatedUsbDevice& good = AddUnit();
    void* h = OpenUnit();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(std::u16string(Record(h)->DevicePath), good.path);
    // The exact 259-character path fits whole.
    unit.path = std::u16string(kFenlinkPathChars - 1, u'y');
    void* second = OpenUnit();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(std::u16string(Record(second)->DevicePath), unit.path);
}

TEST_F(FenlinkTest, AtMost128DevicesOpen) {
    for (int i = 0; i < kFenlinkRecords + 1; ++i) AddUnit();
    for (int i = 0; i < kFenlinkRecords; ++i) ASSERT_NE(OpenUnit(), nullptr) << i;
    EXPECT_EQ(OpenUnit(), nullptr);
    EXPECT_EQ(core.OpenCount(), kFenlinkRecords);
    EXPECT_EQ(api.OpenFiles(), kFenlinkRecords);
}

TEST_F(FenlinkTest, PipeEndpointWalk) {
    EmulatedUsbDevice& unit = AddUnit();
    unit.interface = {3, 0, 0};
    unit.pipes = {{UsbPipeType::Bulk, 0x81, 64, 0},
                  {UsbPipeType::Control, 0x82, 64, 0},
                  {UsbPipeType::Interrupt, 0x83, 8, 1},
                  {UsbPipeType::Isochronous, 0x84, 64, 1},
                  {UsbPipeType::Bulk, 0x02, 64, 0}};
    void* h = OpenUnit();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(unit.timeouts.size(), 3u);  // bulk and interrupt pipes only

    struct Case {
        uint8_t interfaceNumber, n;
        int32_t result;
        uint8_t endpoint;
    };
    const Case cases[] = {{3, 0, 1, 0x81}, {3, 1, 1, 0x83},
                          {3, 2, 1, 0x02}, {3, 3, 0, 0},  // n equal to the number of usable pipes
                          {0, 0, 0, 0},    {3, 255, 0, 0}};
    for (const auto& c : cases) {
        uint8_t endpoint = 0xEE;
        EXPECT_EQ(core.GetPipeEndpoint(h, c.interfaceNumber, c.n, &endpoint), c.result) << int(c.n);
        EXPECT_EQ(endpoint, c.endpoint) << int(c.n);
    }
    EXPECT_EQ(core.GetPipeEndpoint(h, 3, 0, nullptr), 0);
    uint8_t untouched = 0xEE;
    EXPECT_EQ(core.GetPipeEndpoint(nullptr, 3, 0, &untouched), 0);
    EXPECT_EQ(untouched, 0xEE);
}

TEST_F(FenlinkTest, PipesBeyondThe32ndGetATimeoutButNoEntry) {
    EmulatedUsbDevice& unit = AddUnit();
    unit.pipes.clear();
    for (int i = 0; i < 40; ++i)
        unit.pipes.push_back({UsbPipeType::Bulk, static_cast<uint8_t>(0x81 + i), 64, 0});
    void* h = OpenUnit();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(Record(h)->PipeCount, kFenlinkMaxPipes);
    EXPECT_EQ(unit.timeouts.size(), 40u);
    uint8_t endpoint = 0;
    EXPECT_EQ(core.GetPipeEndpoint(h, 0, 31, &endpoint), 1);
    EXPECT_EQ(endpoint, 0x81 + 31);
    EXPECT_EQ(core.GetPipeEndpoint(h, 0, 32, &endpoint), 0);
}

TEST_F(FenlinkTest, CheckResults) {
    EmulatedUsbDevice& unit = AddUnit();
    void* h = OpenUnit();
    int dummy = 0;
    EXPECT_EQ(core.Check(nullptr), 1);
    EXPECT_EQ(core.Check(&dummy), 1);  // not one of the records
    EXPECT_EQ(core.Check(h), 0);
    unit.descriptorFails = true;
    EXPECT_EQ(core.Check(h), 2);
    core.Close(h);
    EXPECT_EQ(core.Check(h), 1);  // a closed record
}

TEST_F(FenlinkTest, SendAndReceiveSucceedOnlyOnTheExactLength) {
    EmulatedUsbDevice& unit = AddUnit();
    void* h = OpenUnit();
    ASSERT_NE(h, nullptr);

    EXPECT_EQ(core.SendData(h, 8, "<041A80>"), 1);
    ASSERT_EQ(unit.controlSeen.size(), 1u);
    EXPECT_EQ(unit.controlSeen[0].RequestType, 0x41);
    EXPECT_EQ(unit.controlSeen[0].Request, 0);
    EXPECT_EQ(unit.controlSeen[0].Value, 0);
    EXPECT_EQ(unit.controlSeen[0].Index, 0);
    EXPECT_EQ(unit.controlSeen[0].Length, 8);
    EXPECT_EQ(unit.controlData[0], (std::vector<uint8_t>{'<', '0', '4', '1', 'A', '8', '0', '>'}));

    unit.shortWrite = 1;
    EXPECT_EQ(core.SendData(h, 8, "<041A80>"), 0);
    unit.shortWrite = 0;
    EXPECT_EQ(core.SendData(h, 0, nullptr), 1);

    unit.controlReply = {'{', '0', '}'};
    char buffer[64] = {};
    EXPECT_EQ(core.ReceiveData(h, 64, buffer), 0);  // three bytes are not 64
    EXPECT_EQ(std::string(buffer, 3), "{0}");       // though they did arrive
    EXPECT_EQ(unit.controlSeen.back().RequestType, 0xC1);
    EXPECT_EQ(unit.controlSeen.back().Length, 64);
    EXPECT_EQ(core.ReceiveData(h, 3, buffer), 1);

    unit.controlFails = true;
    EXPECT_EQ(core.ReceiveData(h, 3, buffer), 0);
    EXPECT_EQ(core.SendData(h, 3, "abc"), 0);

    const auto seen = unit.controlSeen.size();
    EXPECT_EQ(core.SendData(nullptr, 3, "abc"), 0);
    EXPECT_EQ(core.ReceiveData(nullptr, 3, buffer), 0);
    EXPECT_EQ(core.SendData(h, 3, nullptr), 0);
    EXPECT_EQ(unit.controlSeen.size(), seen);
}

TEST_F(FenlinkTest, BulkTransfers) {
    EmulatedUsbDevice& unit = AddUnit();
    void* h = OpenUnit();
    ASSERT_NE(h, nullptr);
    unit.bulkToHost[0x81].push_back({1, 2, 3, 4});
    uint8_t data[16] = {};
    uint32_t count = 99;
    EXPECT_EQ(core.BulkRead(h, 0x81, data, sizeof data, &count), 1);
    EXPECT_EQ(count, 4u);
    count = 99;
    EXPECT_EQ(core.BulkRead(h, 0x81, data, sizeof data, &count), 0);  // nothing arrives
    EXPECT_EQ(count, 0u);                                             // but the count was reset
    count = 99;
    EXPECT_EQ(core.BulkWrite(h, 0x02, "hello", 5, &count), 1);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(core.BulkWrite(h, 0x06, "x", 1, &count), 1);  // need not be a recorded pipe
    EXPECT_EQ(unit.bulkFromHost[0x02].size(), 1u);

    struct Refused {
        const char* what;
        void* handle;
        uint8_t endpoint;
        bool buffer, countPtr;
    };
    const Refused refused[] = {{"endpoint 0", h, 0, true, true},
                               {"null buffer", h, 0x81, false, true},
                               {"null count", h, 0x81, true, false},
                               {"null handle", nullptr, 0x81, true, true},
                               {"stray handle", data, 0x81, true, true}};
    for (const auto& r : refused) {
        count = 77;
        uint32_t* c = r.countPtr ? &count : nullptr;
        uint8_t* b = r.buffer ? data : nullptr;
        EXPECT_EQ(core.BulkRead(r.handle, r.endpoint, b, 4, c), 0) << r.what;
        EXPECT_EQ(core.BulkWrite(r.handle, r.endpoint, b, 4, c), 0) << r.what;
        EXPECT_EQ(count, 77u) << r.what;  // untouched
    }
}

TEST_F(FenlinkTest, CloseAndTeardown) {
    AddUnit();
    AddUnit();
    void* a = OpenUnit();
    void* b = OpenUnit();
    int dummy = 0;
    core.Close(nullptr);
    core.Close(&dummy);
    core.Close(reinterpret_cast<char*>(a) + 1);  // inside a record, but not its address
    EXPECT_EQ(core.OpenCount(), 2);
    core.Close(a);
    EXPECT_EQ(core.OpenCount(), 1);
    EXPECT_EQ(api.OpenFiles(), 1);
    EXPECT_EQ(api.OpenUsbHandles(), 1);
    core.Close(a);  // twice is harmless
    EXPECT_EQ(core.OpenCount(), 1);

    core.Teardown();
    EXPECT_EQ(api.OpenFiles(), 0);
    EXPECT_EQ(api.OpenUsbHandles(), 0);
    EXPECT_EQ(core.Check(b), 1);
    EXPECT_EQ(OpenUnit(), nullptr);  // exports fail while not set up
    core.Setup();
    EXPECT_NE(OpenUnit(), nullptr);
}

}  // namespace
}  // namespace transport
