// How the libusb port picks a device by the selection mask, which endpoint a pipe number
// names, and how it reads a user's choice of unit.
#include <gtest/gtest.h>
#include <libusb.h>

#include <vector>

#include "device/libusb/UsbSelection.h"

namespace {
TEST(MatchesSelection, ComparesOnlyTheFieldsTheMaskSelects) {
    libusb_device_descriptor unit{};
    unit.bDeviceClass = 0xFF;
    unit.bDeviceSubClass = 0x01;
    unit.idVendor = 0x1079;
    unit.idProduct = 0x0002;
    unit.bcdDevice = 0x0123;
    struct Case {
        uint32_t mask, cls, sub, vendor, product, release;
        bool match;
    } cases[] = {
        {0x00, 9, 9, 9, 9, 9, true},            // an empty mask accepts anything
        {0x0C, 0, 0, 0x1079, 0x0002, 0, true},  // the link's own request
        {0x0C, 0, 0, 0x1079, 0x0100, 0, false},
        {0x04, 0, 0, 0x11079, 0, 0, true},  // vendor compared as 16 bits
        {0x08, 0, 0, 0, 0x10002, 0, true},  // product as 16 bits
        {0x01, 0x1FF, 0, 0, 0, 0, true},    // class as 8 bits
        {0x01, 0x00, 0, 0, 0, 0, false},
        {0x02, 0, 0x101, 0, 0, 0, true},  // subclass as 8 bits
        {0x02, 0, 0x02, 0, 0, 0, false},
        {0x10, 0, 0, 0, 0, 0x0123, true},   // release as 16 bits
        {0x10, 0, 0, 0, 0, 0x0023, false},  // its low 8 bits alone do not match
        {0x1F, 0xFF, 0x01, 0x1079, 0x0002, 0x0123, true},
        {0x1F, 0xFF, 0x01, 0x1079, 0x0002, 0x0124, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesSelection(unit, c.mask, c.cls, c.sub, c.vendor, c.product, c.release), c.match)
            << std::hex << "mask " << c.mask << " class " << c.cls << " sub " << c.sub << " vendor "
            << c.vendor << " product " << c.product << " release " << c.release;
    }
}

libusb_endpoint_descriptor Endpoint(uint8_t address, uint8_t type) {
    libusb_endpoint_descriptor e{};
    e.bLength = LIBUSB_DT_ENDPOINT_SIZE;
    e.bDescriptorType = LIBUSB_DT_ENDPOINT;
    e.bEndpointAddress = address;
    e.bmAttributes = type;
    e.wMaxPacketSize = 64;
    return e;
}

TEST(PipeEndpoint, CountsBulkAndInterruptEndpointsOfAlternateSettingZero) {
    // Interface 0: an isochronous endpoint (not a pipe), bulk IN, control-typed (not a pipe),
    // interrupt OUT, bulk OUT. Interface 1 lists alternate setting 1 before 0.
    std::vector<libusb_endpoint_descriptor> eps0 = {
        Endpoint(0x83, LIBUSB_TRANSFER_TYPE_ISOCHRONOUS), Endpoint(0x81, LIBUSB_TRANSFER_TYPE_BULK),
        Endpoint(0x04, LIBUSB_TRANSFER_TYPE_CONTROL), Endpoint(0x05, LIBUSB_TRANSFER_TYPE_INTERRUPT),
        Endpoint(0x02, LIBUSB_TRANSFER_TYPE_BULK)};
    std::vector<libusb_endpoint_descriptor> eps1alt1 = {Endpoint(0x86, LIBUSB_TRANSFER_TYPE_BULK)};
    std::vector<libusb_endpoint_descriptor> eps1alt0 = {Endpoint(0x87, LIBUSB_TRANSFER_TYPE_INTERRUPT)};

    libusb_interface_descriptor if0{};
    if0.bInterfaceNumber = 0;
    if0.bNumEndpoints = uint8_t(eps0.size());
    if0.endpoint = eps0.data();
    libusb_interface_descriptor if1[2]{};
    if1[0].bInterfaceNumber = 1;
    if1[0].bAlternateSetting = 1;
    if1[0].bNumEndpoints = 1;
    if1[0].endpoint = eps1alt1.data();
    if1[1].bInterfaceNumber = 1;
    if1[1].bAlternateSetting = 0;
    if1[1].bNumEndpoints = 1;
    if1[1].endpoint = eps1alt0.data();
    libusb_interface interfaces[2]{};
    interfaces[0].altsetting = &if0;
    interfaces[0].num_altsetting = 1;
    interfaces[1].altsetting = if1;
    interfaces[1].num_altsetting = 2;
    libusb_config_descriptor config{};
    config.bNumInterfaces = 2;
    config.interface = interfaces;

    struct Case {
        uint8_t itf, n;
        int endpoint;
    } cases[] = {
        {0, 0, 0x81}, {0, 1, 0x05}, {0, 2, 0x02}, {0, 3, -1},  // past the last pipe
        {1, 0, 0x87},                                          // alternate setting 0, wherever listed
        {1, 1, -1},   {2, 0, -1},                              // no such interface
    };
    for (const auto& c : cases)
        EXPECT_EQ(PipeEndpoint(config, c.itf, c.n), c.endpoint) << int(c.itf) << "/" << int(c.n);

    libusb_config_descriptor empty{};
    EXPECT_EQ(PipeEndpoint(empty, 0, 0), -1);
}

TEST(UnitChoice, TellsAPlaceFromASerialNumber) {
    struct Case {
        const char* text;
        bool place;
    } cases[] = {
        {"1-4", true},   {"3-1.2", true}, {"12-3.4.5", true}, {"1-", false},   {"-4", false}, {"1-4.", false},
        {"1-.4", false}, {"A1-4", false}, {"TM0001", false},  {"1-4a", false}, {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(LooksLikePortPath(c.text), c.place) << c.text;

    const uint8_t ports[] = {1, 2, 10};
    EXPECT_EQ(PortPathText(3, ports, 3), "3-1.2.10");
    EXPECT_EQ(PortPathText(1, ports, 1), "1-1");
    EXPECT_EQ(PortPathText(2, ports, 0), "2");
}
}  // namespace
