// Control requests through the Dorlink core: the request header for every kind, the data
// requests and the device requests.
#include "tests/unit/transport/DorlinkFixture.h"

namespace transport {
namespace {

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
