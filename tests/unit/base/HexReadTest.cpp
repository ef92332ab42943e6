#include <gtest/gtest.h>

#include "base/HexRead.h"

namespace {
using hxw::HexForm;

struct Case {
    const char* text;
    unsigned bits;
    HexForm form;
    uint32_t value;
};

constexpr HexForm D = HexForm::Digits, P = HexForm::Prefixed, C = HexForm::CLibrary;

const Case kCases[] = {
    // Every form: blanks, digits of either case, the first other character ends the number.
    {"", 32, D, 0},
    {"", 32, C, 0},
    {"1A2b", 32, D, 0x1A2B},
    {"  \tff", 32, D, 0xFF},
    {"\r\n7", 32, C, 7},
    {"12g4", 32, D, 0x12},
    {"g", 32, P, 0},
    {"zz", 8, C, 0},
    {"0G", 8, C, 0},
    {"FFFFFFFF", 32, D, 0xFFFFFFFF},
    // The field's width keeps the low bits.
    {"1234", 8, D, 0x34},
    {"ABCDE", 16, D, 0xBCDE},
    {"-1", 8, C, 0xFF},
    {"-001", 16, C, 0xFFFF},
    // Beyond 32 bits: the low bits, or FFFFFFFF as the C library gives.
    {"123456789", 32, D, 0x23456789},
    {"123456789", 32, P, 0x23456789},
    {"123456789", 32, C, 0xFFFFFFFF},
    // A sign only where the C library takes one.
    {"-1", 32, D, 0},
    {"+F", 8, C, 0xF},
    {"+F", 32, P, 0},
    // A 0x prefix only when a digit follows it.
    {"0x10", 32, D, 0},
    {"0x10", 32, P, 0x10},
    {"0x1F", 16, C, 0x1F},
    {"0x", 32, P, 0},
    {"0x", 8, C, 0},
    {"0xg", 32, C, 0},
    {"  0X2a", 32, P, 0x2A},
};

TEST(ReadHex, TableOfCases) {
    for (const Case& c : kCases)
        EXPECT_EQ(hxw::ReadHex(c.text, c.bits, c.form), c.value)
            << '"' << c.text << "\" bits " << c.bits << " form " << int(c.form);
}

TEST(ReadHex, LooksAtNothingBeyondTheField) {
    const std::string text = "12345678";
    EXPECT_EQ(hxw::ReadHex(std::string_view(text).substr(2, 2)), 0x34u);
    EXPECT_EQ(hxw::ReadHex(std::string_view(text).substr(8)), 0u);
}

TEST(ReadStrictHex, OnlyWholeRunsOfDigits) {
    struct Strict {
        const char* text;
        bool ok;
        uint32_t value;
    } cases[] = {{"0100", true, 0x100}, {"ffff", true, 0xFFFF}, {"123456789", false, 0}, {"", false, 0},
                 {" 12", false, 0},     {"0x12", false, 0},     {"+1", false, 0},        {"HEX", false, 0}};
    for (const auto& c : cases) {
        uint32_t v = 0;
        EXPECT_EQ(hxw::ReadStrictHex(c.text, 8, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}
}  // namespace
