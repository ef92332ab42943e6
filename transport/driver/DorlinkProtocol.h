// What Dorlink sends the unit's kernel driver: the I/O control codes and the 16-byte header of
// class and vendor control requests. Shared by the core and the emulated driver.
#pragma once
#include <array>
#include <cstdint>

namespace transport::dorlink {

// CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_BUFFERED, FILE_ANY_ACCESS)
constexpr uint32_t DriverCode(uint32_t function) { return 0x22u << 16 | function << 2; }

inline constexpr uint32_t kIoResetDevice = DriverCode(1);    // 0x220004
inline constexpr uint32_t kIoResetPipe = DriverCode(2);      // 0x220008, on a pipe handle
inline constexpr uint32_t kIoControlIn = DriverCode(3);      // 0x22000C header in, data out
inline constexpr uint32_t kIoControlOut = DriverCode(4);     // 0x220010 header + data in
inline constexpr uint32_t kIoGetDescriptor = DriverCode(5);  // 0x220014
inline constexpr uint32_t kIoGetAttached = DriverCode(6);    // 0x220018
inline constexpr uint32_t kIoGetStatus = DriverCode(8);      // 0x220020
inline constexpr uint32_t kIoSetTimeout = DriverCode(9);     // 0x220024

static_assert(kIoResetDevice == 0x220004 && kIoControlIn == 0x22000C && kIoGetAttached == 0x220018 &&
              kIoGetStatus == 0x220020 && kIoSetTimeout == 0x220024);

inline constexpr int kTableSize = 128;
inline constexpr int kStatusPolls = 1000;
inline constexpr std::size_t kMaxDevicePath = 259;  // characters, without the terminator
inline constexpr std::size_t kPipePathBuffer = 360;

enum class RequestKind { Vendor, Class };

// USB request-block function numbers of the Windows USB driver interface, by recipient 0-3.
inline constexpr uint16_t kVendorFunction[4] = {0x0017, 0x0018, 0x0019, 0x0020};
inline constexpr uint16_t kClassFunction[4] = {0x001A, 0x001B, 0x001C, 0x001F};

inline constexpr uint32_t kDirectionIn = 2;  // device to host
inline constexpr uint32_t kDirectionOut = 0;

constexpr std::size_t kControlRequestSize = 16;

// The header, decoded. Encode/Decode give the little-endian wire layout:
// 0 function(2) 2 reserved(2) 4 direction(4) 8 reserved(1) 9 request(1) 10 value(2)
// 12 index(2) 14 reserved(2).
struct ControlRequest {
    uint16_t function = 0;
    uint32_t direction = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;

    std::array<uint8_t, kControlRequestSize> Encode() const {
        std::array<uint8_t, kControlRequestSize> b{};
        b[0] = static_cast<uint8_t>(function);
        b[1] = static_cast<uint8_t>(function >> 8);
        for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<uint8_t>(direction >> (8 * i));
        b[9] = request;
        b[10] = static_cast<uint8_t>(value);
        b[11] = static_cast<uint8_t>(value >> 8);
        b[12] = static_cast<uint8_t>(index);
        b[13] = static_cast<uint8_t>(index >> 8);
        return b;
    }

    static ControlRequest Decode(const uint8_t* b) {
        ControlRequest r;
        r.function = static_cast<uint16_t>(b[0] | b[1] << 8);
        r.direction = static_cast<uint32_t>(b[4]) | static_cast<uint32_t>(b[5]) << 8 |
                      static_cast<uint32_t>(b[6]) << 16 | static_cast<uint32_t>(b[7]) << 24;
        r.request = b[9];
        r.value = static_cast<uint16_t>(b[10] | b[11] << 8);
        r.index = static_cast<uint16_t>(b[12] | b[13] << 8);
        return r;
    }
};

// Kind and recipient (0-3) of a function number; false for any other number.
inline bool DecodeFunction(uint16_t function, RequestKind& kind, int& recipient) {
    for (int i = 0; i < 4; ++i) {
        if (kVendorFunction[i] == function) {
            kind = RequestKind::Vendor;
            recipient = i;
            return true;
        }
        if (kClassFunction[i] == function) {
            kind = RequestKind::Class;
            recipient = i;
            return true;
        }
    }
    return false;
}

}  // namespace transport::dorlink
