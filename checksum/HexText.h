// Fast forms of the record and HXW field reading for the hot loops: plain digits take a table
// look-up, anything else goes to the one lenient reader (HexForm::CLibrary).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/HexRead.h"

namespace hxw {

// 0-15 for a hexadecimal digit, 0xFF otherwise.
struct HexDigitTable {
    uint8_t v[256];
    constexpr HexDigitTable() : v() {
        for (int i = 0; i < 256; ++i) v[i] = 0xFF;
        for (int i = 0; i < 10; ++i) v['0' + i] = static_cast<uint8_t>(i);
        for (int i = 0; i < 6; ++i) {
            v['a' + i] = static_cast<uint8_t>(10 + i);
            v['A' + i] = static_cast<uint8_t>(10 + i);
        }
    }
};
inline constexpr HexDigitTable kHexDigits{};
inline constexpr const uint8_t* kHexValue = kHexDigits.v;

inline bool IsHexDigit(char c) { return kHexValue[static_cast<uint8_t>(c)] != 0xFF; }

// A field of n characters (n <= 8) cut to its width: 2 characters give 8 bits, 4 give 16, 8 give 32.
inline uint32_t ParseHexField(const char* p, size_t len, size_t width) {
    if (len >= width) {  // the usual case: nothing but digits
        uint32_t v = 0;
        size_t i = 0;
        for (; i < width; ++i) {
            const uint8_t d = kHexValue[static_cast<uint8_t>(p[i])];
            if (d == 0xFF) break;
            v = v << 4 | d;
        }
        if (i == width) return v;
    }
    return ReadHex(std::string_view(p, len < width ? len : width), static_cast<unsigned>(4 * width),
                   HexForm::CLibrary);
}

// Two characters c0 c1 (index c0 | c1 << 8) read as a plain two-digit number: 0..255, or 0x100
// when either is not a hexadecimal digit. Lets hot loops check many pairs with one test.
const uint16_t* PairTable();

inline unsigned PairIndex(const char* p) {
    return static_cast<unsigned>(static_cast<uint8_t>(p[0])) |
           static_cast<unsigned>(static_cast<uint8_t>(p[1])) << 8;
}

// One two-character field at p (fewer characters if len < 2), cut to 8 bits; fast for plain digits.
inline uint8_t ParseHexPair(const char* p, size_t len) {
    if (len >= 2) {
        const uint8_t hi = kHexValue[static_cast<uint8_t>(p[0])];
        const uint8_t lo = kHexValue[static_cast<uint8_t>(p[1])];
        if (hi != 0xFF && lo != 0xFF) return static_cast<uint8_t>(hi << 4 | lo);
    }
    return static_cast<uint8_t>(ReadHex(std::string_view(p, len < 2 ? len : 2), 8, HexForm::CLibrary));
}

}  // namespace hxw
