#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/FakeUnit.h"
#include "transport/driver/DorlinkCore.h"
#include "transport/driver/EmulatedDriverOs.h"

namespace transport {
namespace {

using namespace dorlink;

EmulatedDriverOs::Options Refused() {
    EmulatedDriverOs::Options o;
    o.refuseOpen = true;
    return o;
}
EmulatedDriverOs::Options Exclusive() {
    EmulatedDriverOs::Options o;
    o.exclusive = true;
    return o;
}
EmulatedDriverOs::Options AtPath(const std::string& path) {
    EmulatedDriverOs::Options o;
    o.path = path;
    return o;
}

class DorlinkTest : public ::testing::Test {
  protected:
    EmulatedDriverOs os;
    DorlinkCore core{os};

    FakeUnit& Add(UsbDeviceDescriptor d = MakeDeviceDescriptor(0x1079, 0x0002),
                  EmulatedDriverOs::Options o = EmulatedDriverOs::Options()) {
        units.push_back(std::make_unique<FakeUnit>(d));
        os.Attach(*units.back(), o);
        return *units.back();
    }
    int32_t OpenUnit(int32_t product = 0x0002) { return core.OpenMask(0x0C, 0, 0, 0x1079, product, 0); }
    std::vector<EmulatedDriverOs::IoCall> CallsWith(uint32_t code) const {
        std::vector<EmulatedDriverOs::IoCall> out;
        for (auto& c : os.Calls())
            if (c.code == code) out.push_back(c);
        return out;
    }

    std::vector<std::unique_ptr<FakeUnit>> units;
};

TEST(DorlinkProtocol, ControlCodes) {
    EXPECT_EQ(kIoResetDevice, 0x220004u);
    EXPECT_EQ(kIoResetPipe, 0x220008u);
    EXPECT_EQ(kIoControlIn, 0x22000Cu);
    EXPECT_EQ(kIoControlOut, 0x220010u);
    EXPECT_EQ(kIoGetDescriptor, 0x220014u);
    EXPECT_EQ(kIoGetAttached, 0x220018u);
    EXPECT_EQ(kIoGetStatus, 0x220020u);
    EXPECT_EQ(kIoSetTimeout, 0x220024u);
}

TEST(DorlinkProtocol, PipePathFormat) {
    EXPECT_EQ(DorlinkCore::PipePath("\\\\?\\usb#x", 0, 1), "\\\\?\\usb#x\\if000pipe001");
    EXPECT_EQ(DorlinkCore::PipePath("D", 255, 12), "D\\if255pipe012");
    // The longest storable device path still gets its whole suffix.
    const std::string longest(kMaxDevicePath, 'p');
    EXPECT_EQ(DorlinkCore::PipePath(longest, 7, 200), longest + "\\if007pipe200");
}

TEST_F(DorlinkTest, NoDeviceGivesMinusOneAndLeavesTheTableEmpty) {
    EXPECT_EQ(core.Open(), -1);
    EXPECT_EQ(OpenUnit(), -1);
    for (int32_t s = 0; s < kTableSize; ++s) EXPECT_FALSE(core.IsOpen(s));
    EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(DorlinkTest, EmptyMaskTakesTheFirstDeviceWhateverItsIdentity) {
    Add(MakeDeviceDescriptor(0x1234, 0x5678, 0x0999, 7, 9));
    const int32_t slot = core.Open();
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(core.SlotPath(slot), os.PathOf(*units[0]));
}

TEST_F(DorlinkTest, SecondProductIdIsFoundWhenTheFirstIsAbsent) {
    Add(MakeDeviceDescriptor(0x1079, 0x0100));
    EXPECT_EQ(OpenUnit(0x0002), -1);
    EXPECT_EQ(os.OpenHandleCount(), 0);  // the mismatching device was closed again
    EXPECT_EQ(OpenUnit(0x0100), 0);
}

TEST_F(DorlinkTest, EnumerationSkipsDevicesThatFailAndTakesTheFirstGoodOne) {
    Add(MakeDeviceDescriptor(0x1079, 0x0002), Refused());  // 0: cannot be opened
    FakeUnit& silent = Add();                              // 1: status never answers
    silent.statusFailures = -1;
    Add(MakeDeviceDescriptor(0x1079, 0x0003));  // 2: another product
    Add().descriptorFails = true;               // 3: descriptor read fails
    FakeUnit& slow = Add();                     // 4: answers the 1000th status poll
    slow.statusFailures = kStatusPolls - 1;
    Add();  // 5: would also match

    const int32_t slot = OpenUnit();
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(core.SlotPath(slot), os.PathOf(slow));
    EXPECT_EQ(silent.statusRequests, kStatusPolls);  // given up after exactly 1000 attempts
    EXPECT_EQ(slow.statusRequests, kStatusPolls);
    EXPECT_EQ(os.OpenHandleCount(), 1);  // every rejected device was closed

    // The status polls ask for the device's status: recipient 0, index 0.
    for (const auto& c : CallsWith(kIoGetStatus)) EXPECT_EQ(c.input, (std::vector<uint8_t>{0, 0, 0, 0}));
    // The descriptor read asks for type 1, index 0, language 0, 18 bytes.
    for (const auto& c : CallsWith(kIoGetDescriptor)) {
        EXPECT_EQ(c.input, (std::vector<uint8_t>{1, 0, 0, 0}));
        EXPECT_EQ(c.outSize, 18u);
    }
}

TEST_F(DorlinkTest, TwoMatchingDevicesLowerIndexFirstThenTheOtherWhenExclusive) {
    FakeUnit& first = Add(MakeDeviceDescriptor(0x1079, 0x0002), Exclusive());
    FakeUnit& second = Add(MakeDeviceDescriptor(0x1079, 0x0002), Exclusive());
    EXPECT_EQ(OpenUnit(), 0);
    EXPECT_EQ(OpenUnit(), 1);
    EXPECT_EQ(core.SlotPath(0), os.PathOf(first));
    EXPECT_EQ(core.SlotPath(1), os.PathOf(second));
    EXPECT_EQ(OpenUnit(), -1);
}

TEST_F(DorlinkTest, SharedDeviceIsOpenedAgain) {
    Add();
    EXPECT_EQ(OpenUnit(), 0);
    EXPECT_EQ(OpenUnit(), 1);
    EXPECT_EQ(core.SlotPath(0), core.SlotPath(1));
}

TEST_F(DorlinkTest, TableHolds128DevicesAndReusesTheLowestFreeSlot) {
    Add();
    for (int32_t i = 0; i < kTableSize; ++i) ASSERT_EQ(OpenUnit(), i);
    EXPECT_EQ(OpenUnit(), -1);  // a matching device is present, but no slot is free
    EXPECT_EQ(os.OpenHandleCount(), kTableSize);
    core.Close(77);
    core.Close(5);
    EXPECT_EQ(OpenUnit(), 5);
    EXPECT_EQ(OpenUnit(), 77);
    core.CloseAll();
    EXPECT_EQ(os.OpenHandleCount(), 0);
    for (int32_t s = 0; s < kTableSize; ++s) EXPECT_FALSE(core.IsOpen(s));
}

TEST_F(DorlinkTest, ConcurrentOpensNeverShareASlot) {
    Add();
    constexpr int kThreads = 4;
    std::vector<std::vector<int32_t>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kTableSize / kThreads; ++i) got[t].push_back(OpenUnit());
        });
    for (auto& th : threads) th.join();
    std::set<int32_t> slots;
    for (const auto& v : got) slots.insert(v.begin(), v.end());
    EXPECT_EQ(slots.size(), static_cast<std::size_t>(kTableSize));
    EXPECT_EQ(slots.count(-1), 0u);
    EXPECT_EQ(os.OpenHandleCount(), kTableSize);
}

TEST_F(DorlinkTest, DevicePathLengthLimit) {
    const std::string fits(kMaxDevicePath, 'a');
    const std::string tooLong(kMaxDevicePath + 1, 'b');
    Add(MakeDeviceDescriptor(0x1079, 0x0002), AtPath(tooLong));
    Add(MakeDeviceDescriptor(0x1079, 0x0002), AtPath(fits));
    const int32_t slot = OpenUnit();
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(core.SlotPath(slot), fits);
    // The over-long path was skipped before anything was opened.
    EXPECT_EQ(os.OpenedPaths(), std::vector<std::string>{fits});
}

TEST_F(DorlinkTest, CloseIgnoresSlotsThatAreNotOpen) {
    Add();
    ASSERT_EQ(OpenUnit(), 0);
    for (int32_t bad : {-1, 1, 127, 128, 1000, -128, INT32_MIN, INT32_MAX}) core.Close(bad);
    EXPECT_TRUE(core.IsOpen(0));
    EXPECT_EQ(os.OpenHandleCount(), 1);
    core.Close(0);
    EXPECT_FALSE(core.IsOpen(0));
    EXPECT_EQ(core.SlotPath(0), "");
    EXPECT_EQ(os.OpenHandleCount(), 0);
    core.Close(0);  // twice is harmless
    EXPECT_EQ(core.Check(0), 1);
}

TEST_F(DorlinkTest, CheckResults) {
    FakeUnit& unit = Add();
    EXPECT_EQ(core.Check(0), 1);  // never opened
    EXPECT_EQ(core.Check(-1), 1);
    EXPECT_EQ(core.Check(128), 1);
    ASSERT_EQ(OpenUnit(), 0);
    EXPECT_EQ(core.Check(0), 0);
    unit.attachValue = 0;
    EXPECT_EQ(core.Check(0), 2);
    unit.attachValue = 7;
    unit.attachFails = true;
    EXPECT_EQ(core.Check(0), 2);
    os.Detach(unit);  // the device vanished: still in the table, not answering
    EXPECT_EQ(core.Check(0), 2);
    EXPECT_TRUE(core.IsOpen(0));
    core.Close(0);
    EXPECT_EQ(core.Check(0), 1);
}

TEST_F(DorlinkTest, OpenPipeFormsThePathFromTheLowBytes) {
    FakeUnit& unit = Add();
    unit.pipes[{2, 255}] = PipeDirection::Out;
    ASSERT_EQ(OpenUnit(), 0);
    os.ClearLog();
    const OsHandle in = core.OpenPipe(0, 0, 0);
    const OsHandle out = core.OpenPipe(0, 0x102, 0x7FF);
    EXPECT_NE(in, kInvalidHandle);
    EXPECT_NE(out, kInvalidHandle);
    EXPECT_EQ(core.OpenPipe(0, 0, 9), kInvalidHandle);  // the driver has no such pipe
    const std::string base = os.PathOf(unit);
    EXPECT_EQ(os.OpenedPaths(), (std::vector<std::string>{base + "\\if000pipe000", base + "\\if002pipe255",
                                                          base + "\\if000pipe009"}));

    // Pipes carry bytes as the operating system's file calls would.
    unit.toHost.push_back({1, 2, 3});
    uint8_t buffer[8] = {};
    std::size_t got = 0;
    EXPECT_TRUE(os.ReadPipe(in, buffer, sizeof buffer, got));
    EXPECT_EQ(got, 3u);
    EXPECT_TRUE(os.WritePipe(out, "xy", 2));
    EXPECT_TRUE(os.WritePipe(out, "", 0));
    EXPECT_EQ(unit.written, (std::vector<std::vector<uint8_t>>{{'x', 'y'}, {}}));
    EXPECT_FALSE(os.WritePipe(in, "z", 1));  // wrong direction

    // The library keeps no record of pipes: closing the slot leaves them to their owner.
    core.Close(0);
    EXPECT_EQ(os.OpenHandleCount(), 2);
}

TEST_F(DorlinkTest, OpenPipeOnAClosedSlotTouchesNothing) {
    Add();
    for (int32_t slot : {-1, 0, 5, 128}) EXPECT_EQ(core.OpenPipe(slot, 0, 0), kInvalidHandle);
    EXPECT_TRUE(os.OpenedPaths().empty());
}

struct ControlCase {
    RequestKind kind;
    int32_t recipient;
    uint16_t function;
};

TEST_F(DorlinkTest, ControlRequestHeaderForEveryKindRecipientAndDirection) {
    FakeUnit& unit = Add();
    unit.reply = {0xA1, 0xB2, 0xC3};
    ASSERT_EQ(OpenUnit(), 0);
    const ControlCase cases[] = {
        {RequestKind::Vendor, 0, 0x17},
        {RequestKind::Vendor, 1, 0x18},
        {RequestKind::Vendor, 2, 0x19},
        {RequestKind::Vendor, 3, 0x20},
        {RequestKind::Class, 0, 0x1A},
        {RequestKind::Class, 1, 0x1B},
        {RequestKind::Class, 2, 0x1C},
        {RequestKind::Class, 3, 0x1F},
        // Only the recipient's low 8 bits count.
        {RequestKind::Vendor, 0x101, 0x18},
    };
    for (const auto& c : cases) {
        for (int32_t direction : {0, 1, -5}) {
            os.ClearLog();
            unit.control.clear();
            uint8_t data[5] = {'h', 'e', 'l', 'l', 'o'};
            // request, value and index are cut to 8, 16 and 16 bits; length to 16 bits.
            const int32_t r =
                c.kind == RequestKind::Vendor
                    ? core.VendorRequest(0, direction, c.recipient, 0x1A5, 0x12345, 0x6789A, 0x10005, data)
                    : core.ClassRequest(0, direction, c.recipient, 0x1A5, 0x12345, 0x6789A, 0x10005, data);
            EXPECT_EQ(r, 1);
            const auto calls = os.Calls();
            ASSERT_EQ(calls.size(), 1u);
            const bool in = direction != 0;
            const std::vector<uint8_t> header = {static_cast<uint8_t>(c.function),
                                                 0,
                                                 0,
                                                 0,
                                                 in ? uint8_t{2} : uint8_t{0},
                                                 0,
                                                 0,
                                                 0,
                                                 0,
                                                 0xA5,
                                                 0x45,
                                                 0x23,
                                                 0x9A,
                                                 0x78,
                                                 0,
                                                 0};
            if (in) {
                EXPECT_EQ(calls[0].code, kIoControlIn);
                EXPECT_EQ(calls[0].input, header);
                EXPECT_EQ(calls[0].outSize, 5u);
                EXPECT_EQ(std::vector<uint8_t>(data, data + 5),
                          (std::vector<uint8_t>{0xA1, 0xB2, 0xC3, 0xA1, 0xB2}));
            } else {
                std::vector<uint8_t> expected = header;
                expected.insert(expected.end(), {'h', 'e', 'l', 'l', 'o'});
                EXPECT_EQ(calls[0].code, kIoControlOut);
                EXPECT_EQ(calls[0].input, expected);
                EXPECT_EQ(calls[0].outSize, 0u);
            }
            ASSERT_EQ(unit.control.size(), 1u);
            EXPECT_EQ(unit.control[0].setup.kind, c.kind);
            EXPECT_EQ(unit.control[0].setup.recipient, static_cast<uint8_t>(c.recipient));
            EXPECT_EQ(unit.control[0].setup.deviceToHost, in);
            EXPECT_EQ(unit.control[0].setup.request, 0xA5);
            EXPECT_EQ(unit.control[0].setup.value, 0x2345);
            EXPECT_EQ(unit.control[0].setup.index, 0x789A);
            EXPECT_EQ(unit.control[0].setup.length, 5);
        }
    }
}

TEST_F(DorlinkTest, RecipientAboveThreeOrClosedSlotFailsWithoutTouchingTheDevice) {
    FakeUnit& unit = Add();
    ASSERT_EQ(OpenUnit(), 0);
    os.ClearLog();
    uint8_t data[4] = {};
    for (int32_t recipient : {4, 5, 0xFF, -1, 0x7F}) {
        for (int32_t direction : {0, 1}) {
            EXPECT_EQ(core.VendorRequest(0, direction, recipient, 0, 0, 0, 4, data), 0) << recipient;
            EXPECT_EQ(core.ClassRequest(0, direction, recipient, 0, 0, 0, 4, data), 0) << recipient;
        }
    }
    for (int32_t slot : {-1, 1, 128}) {
        EXPECT_EQ(core.VendorRequest(slot, 0, 1, 0, 0, 0, 4, data), 0);
        EXPECT_EQ(core.SendData(slot, 4, data), 0);
        EXPECT_EQ(core.ReceiveData(slot, 4, data), 0);
    }
    EXPECT_TRUE(os.Calls().empty());
    EXPECT_TRUE(unit.control.empty());
}

TEST_F(DorlinkTest, ZeroLengthHostToDeviceSendsTheHeaderAlone) {
    FakeUnit& unit = Add();
    ASSERT_EQ(OpenUnit(), 0);
    os.ClearLog();
    EXPECT_EQ(core.VendorRequest(0, 0, 0, 9, 0, 0, 0, nullptr), 1);
    EXPECT_EQ(core.SendData(0, 0x10000, nullptr), 1);  // length's low 16 bits are 0
    const auto calls = os.Calls();
    ASSERT_EQ(calls.size(), 2u);
    for (const auto& c : calls) {
        EXPECT_EQ(c.code, kIoControlOut);
        EXPECT_EQ(c.input.size(), kControlRequestSize);
    }
    ASSERT_EQ(unit.control.size(), 2u);
    EXPECT_EQ(unit.control[1].setup.length, 0);
}

TEST_F(DorlinkTest, HostToDeviceWithoutABufferIsRefused) {
    Add();
    ASSERT_EQ(OpenUnit(), 0);
    os.ClearLog();
    EXPECT_EQ(core.SendData(0, 4, nullptr), 0);
    EXPECT_TRUE(os.Calls().empty());
}

TEST_F(DorlinkTest, SendAndReceiveDataAreVendorRequestsToTheInterface) {
    FakeUnit& unit = Add();
    unit.reply = {'{', '0', '}'};
    ASSERT_EQ(OpenUnit(), 0);
    os.ClearLog();
    EXPECT_EQ(core.SendData(0, 8, "<041A80>"), 1);
    char reply[64] = {};
    EXPECT_EQ(core.ReceiveData(0, 64, reply), 1);
    ASSERT_EQ(unit.control.size(), 2u);
    EXPECT_EQ(unit.control[0].data, (std::vector<uint8_t>{'<', '0', '4', '1', 'A', '8', '0', '>'}));
    const auto calls = os.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(std::vector<uint8_t>(calls[0].input.begin(), calls[0].input.begin() + 16),
              (std::vector<uint8_t>{0x18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls[1].input, (std::vector<uint8_t>{0x18, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls[1].outSize, 64u);
    EXPECT_EQ(reply[0], '{');

    unit.controlFails = true;  // the driver's verdict passes through
    EXPECT_EQ(core.SendData(0, 8, "<041A80>"), 0);
    EXPECT_EQ(core.ReceiveData(0, 64, reply), 0);
}

TEST_F(DorlinkTest, DescriptorStatusResetAndTimeoutRequests) {
    FakeUnit& unit = Add(MakeDeviceDescriptor(0x1079, 0x0002, 0x0042));
    ASSERT_EQ(OpenUnit(), 0);
    const OsHandle pipe = core.OpenPipe(0, 0, 1);
    os.ClearLog();

    uint8_t device[18] = {};
    EXPECT_EQ(core.GetDeviceDescriptor(0, device), 1);
    EXPECT_EQ(std::vector<uint8_t>(device, device + 18), [&] {
        auto b = unit.descriptor.ToBytes();
        return std::vector<uint8_t>(b.begin(), b.end());
    }());
    uint8_t config[4] = {};
    EXPECT_EQ(core.GetConfigurationDescriptor(0, config, sizeof config), 1);
    EXPECT_EQ(std::vector<uint8_t>(config, config + 4), (std::vector<uint8_t>{9, 2, 32, 0}));
    uint8_t status[2] = {0xEE, 0xEE};
    EXPECT_EQ(core.GetStatusEndpoint(0, 0x0181, status), 1);
    EXPECT_EQ(core.ResetDevice(0), 1);
    EXPECT_EQ(core.ResetPipe(pipe), 1);
    EXPECT_EQ(core.ReceiveTimeOut(0, 0x01020304), 1);

    const auto calls = os.Calls();
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].code, kIoGetDescriptor);
    EXPECT_EQ(calls[1].input, (std::vector<uint8_t>{2, 0, 0, 0}));
    EXPECT_EQ(calls[1].outSize, 4u);
    EXPECT_EQ(calls[2].code, kIoGetStatus);
    EXPECT_EQ(calls[2].input, (std::vector<uint8_t>{2, 0, 0x81, 0x01}));
    EXPECT_EQ(calls[3].code, kIoResetDevice);
    EXPECT_EQ(calls[4].code, kIoResetPipe);
    EXPECT_EQ(calls[4].handle, pipe);
    EXPECT_EQ(calls[5].code, kIoSetTimeout);
    EXPECT_EQ(calls[5].input, (std::vector<uint8_t>{4, 3, 2, 1}));

    // On a free slot the stored handle is invalid, so each of these fails.
    for (int32_t slot : {1, -1, 128}) {
        EXPECT_EQ(core.GetDeviceDescriptor(slot, device), 0);
        EXPECT_EQ(core.GetConfigurationDescriptor(slot, config, 4), 0);
        EXPECT_EQ(core.GetStatusEndpoint(slot, 1, status), 0);
        EXPECT_EQ(core.ResetDevice(slot), 0);
        EXPECT_EQ(core.ReceiveTimeOut(slot, 1), 0);
    }
    EXPECT_EQ(core.ResetPipe(kInvalidHandle), 0);
}

}  // namespace
}  // namespace transport
