// The device interface class both libraries enumerate: a GUID whose 16 bytes, in memory order,
// are the ASCII text "3001USPGJPBROVIK", i.e. {31303033-5355-4750-4A50-42524F56494B}.
#pragma once
#include <cstdint>
#include <cstring>

namespace transport {

inline constexpr char kInterfaceGuidText[] = "3001USPGJPBROVIK";

// Same layout as the Windows GUID structure; filled from the bytes as a little-endian machine
// would read them, so the in-memory bytes are exactly the text above.
struct InterfaceGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};

constexpr InterfaceGuid MakeInterfaceGuid() {
    auto b = [](int i) { return static_cast<uint32_t>(static_cast<uint8_t>(kInterfaceGuidText[i])); };
    InterfaceGuid g{};
    g.Data1 = b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
    g.Data2 = static_cast<uint16_t>(b(4) | b(5) << 8);
    g.Data3 = static_cast<uint16_t>(b(6) | b(7) << 8);
    for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<uint8_t>(b(8 + i));
    return g;
}

inline constexpr InterfaceGuid kInterfaceGuid = MakeInterfaceGuid();

static_assert(sizeof(InterfaceGuid) == 16);
static_assert(kInterfaceGuid.Data1 == 0x31303033 && kInterfaceGuid.Data2 == 0x5355 &&
              kInterfaceGuid.Data3 == 0x4750);

}  // namespace transport
