#include "tests/unit/transport/DorlinkFixture.h"

namespace transport {
namespace {

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

}  // namespace
}  // namespace transport
