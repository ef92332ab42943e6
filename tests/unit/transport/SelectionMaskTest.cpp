#include <gtest/gtest.h>

#include <cstring>

#include "transport/common/InterfaceGuid.h"
#include "transport/common/SelectionMask.h"

namespace transport {
namespace {

struct MaskCase {
    const char* what;
    Selection selection;
    UsbDeviceDescriptor descriptor;
    bool dorlink;  // expected with the 8-bit release compare
    bool fenlink;  // expected with the 16-bit release compare
};

UsbDeviceDescriptor Unit(uint16_t release = 0x0001) {
    return MakeDeviceDescriptor(0x1079, 0x0002, release, 0xFF, 0x01);
}

TEST(SelectionMask, TableOfCases) {
    const MaskCase cases[] = {
        {"empty mask accepts any identity", {0, 1, 2, 3, 4, 5}, Unit(), true, true},
        {"vendor and product equal", {0x0C, 0, 0, 0x1079, 0x0002, 0}, Unit(), true, true},
        {"product differs", {0x0C, 0, 0, 0x1079, 0x0100, 0}, Unit(), false, false},
        {"vendor differs, product not selected", {0x04, 0, 0, 0x1078, 0x0002, 0}, Unit(), false, false},
        {"unselected product ignored", {0x04, 0, 0, 0x1079, 0x9999, 0}, Unit(), true, true},
        {"vendor compared on its low 16 bits", {0x04, 0, 0, 0x7FFF1079, 0, 0}, Unit(), true, true},
        {"class compared on its low 8 bits", {0x01, 0x1FF, 0, 0, 0, 0}, Unit(), true, true},
        {"class differs", {0x01, 0xFE, 0, 0, 0, 0}, Unit(), false, false},
        {"subclass equal", {0x02, 0, 0x01, 0, 0, 0}, Unit(), true, true},
        {"subclass differs", {0x02, 0, 0x02, 0, 0, 0}, Unit(), false, false},
        {"release below 0x100", {0x10, 0, 0, 0, 0, 0x0001}, Unit(0x0001), true, true},
        // Dorlink widens the low 8 bits, so a release of 0x0101 can never match there.
        {"release 0x0101 asked as 0x0101", {0x10, 0, 0, 0, 0, 0x0101}, Unit(0x0101), false, true},
        {"release 0x0101 asked as 0x01", {0x10, 0, 0, 0, 0, 0x01}, Unit(0x0101), false, false},
        {"release argument 0x0201 against 0x0001", {0x10, 0, 0, 0, 0, 0x0201}, Unit(0x0001), true, false},
        {"all five fields", {0x1F, 0xFF, 0x01, 0x1079, 0x0002, 0x01}, Unit(0x0001), true, true},
        {"bits above 0x10 select nothing",
         {static_cast<int32_t>(0xFFFFFFE0), 9, 9, 9, 9, 9},
         Unit(),
         true,
         true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MatchesSelection(c.selection, c.descriptor, ReleaseWidth::Bits8), c.dorlink) << c.what;
        EXPECT_EQ(MatchesSelection(c.selection, c.descriptor, ReleaseWidth::Bits16), c.fenlink) << c.what;
    }
}

TEST(SelectionMask, DescriptorBytesRoundTrip) {
    const auto d = MakeDeviceDescriptor(0x1079, 0x0100, 0x0203, 0xEF, 0x02);
    const auto b = d.ToBytes();
    EXPECT_EQ(b[8], 0x79);
    EXPECT_EQ(b[9], 0x10);
    EXPECT_EQ(b[10], 0x00);
    EXPECT_EQ(b[11], 0x01);
    EXPECT_EQ(b[12], 0x03);
    EXPECT_EQ(b[13], 0x02);
    const auto back = UsbDeviceDescriptor::FromBytes(b.data());
    EXPECT_EQ(back.idVendor, 0x1079);
    EXPECT_EQ(back.idProduct, 0x0100);
    EXPECT_EQ(back.bcdDevice, 0x0203);
    EXPECT_EQ(back.bDeviceClass, 0xEF);
    EXPECT_EQ(back.bDeviceSubClass, 0x02);
}

TEST(InterfaceGuid, MemoryBytesAreTheAsciiText) {
    static_assert(sizeof kInterfaceGuid == 16);
    EXPECT_EQ(std::memcmp(&kInterfaceGuid, "3001USPGJPBROVIK", 16), 0);
    EXPECT_EQ(kInterfaceGuid.Data1, 0x31303033u);
    EXPECT_EQ(kInterfaceGuid.Data2, 0x5355);
    EXPECT_EQ(kInterfaceGuid.Data3, 0x4750);
    const uint8_t tail[8] = {0x4A, 0x50, 0x42, 0x52, 0x4F, 0x56, 0x49, 0x4B};
    EXPECT_EQ(std::memcmp(kInterfaceGuid.Data4, tail, 8), 0);
}

}  // namespace
}  // namespace transport
