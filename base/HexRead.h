// The one reading of hexadecimal text: leading blanks are skipped, reading stops at the first
// character that is not a hexadecimal digit (either case), a text without digits is 0, and the
// value is cut to the field's width. Record and HXW fields follow the C library's unsigned
// base-16 conversion on top of that: a sign and a "0x" prefix are accepted and a value beyond
// 32 bits reads as FFFFFFFF before the cut.
#pragma once
#include <cstdint>
#include <string_view>

namespace hxw {

enum class HexForm : uint8_t {
    Digits,    // blanks, then digits; a longer run keeps its low bits
    Prefixed,  // as Digits, and a "0x" prefix followed by a digit is passed over
    CLibrary,  // blanks, a sign, a "0x" prefix, digits; overflow saturates to FFFFFFFF
};

// text: the field's characters (nothing beyond them is looked at); bits: 8, 16 or 32.
uint32_t ReadHex(std::string_view text, unsigned bits = 32, HexForm form = HexForm::Digits);

// Whether text is nothing but 1 to maxDigits hexadecimal digits; value receives them.
bool ReadStrictHex(std::string_view text, size_t maxDigits, uint32_t& value);

}  // namespace hxw
