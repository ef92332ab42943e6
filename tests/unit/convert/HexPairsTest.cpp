// The record-text readers (data bytes, record checksum sums) against a pair-by-pair lenient
// reading, on plain digits and on text with a stranger at any position.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "checksum/HexText.h"
#include "convert/ShortCopy.h"
#include "convert/SourceRecords.h"

namespace {
std::string RandomDigits(size_t n, std::mt19937& rng) {
    static const char digits[] = "0123456789abcdefABCDEF";
    std::string s(n, '0');
    for (auto& c : s) c = digits[rng() % 22];
    return s;
}

// Every pair read by itself, the way each field is defined.
std::vector<uint8_t> LenientBytes(const std::string& text, size_t pairs) {
    std::vector<uint8_t> out(pairs);
    for (size_t i = 0; i < pairs; ++i) out[i] = hxw::ParseHexPair(text.data() + 2 * i, 2);
    return out;
}

uint8_t LenientSum(const std::string& text) {
    unsigned sum = 0;
    for (uint8_t b : LenientBytes(text, text.size() / 2)) sum += b;
    return static_cast<uint8_t>(sum);
}

std::vector<uint8_t> Decoded(const std::string& text, size_t pairs) {
    hxw::DataRecord record;
    record.Digits = text.data();
    record.Count = pairs;
    std::vector<uint8_t> out(pairs);
    hxw::DecodeBytes(record, out.data());
    return out;
}
}  // namespace

TEST(HexPairs, DataBytesAndSumsEqualThePairByPairReading) {
    // Strangers include what the lenient reading still takes: blanks, signs, a 0x prefix.
    const char strangers[] = {' ', '+', '-', 'x', 'G', 'g', '/', ':', '\r', '\0', static_cast<char>(0xC6)};
    std::mt19937 rng(7);
    for (size_t pairs = 0; pairs <= 255; ++pairs) {
        const std::string digits = RandomDigits(2 * pairs + 1, rng);  // odd: the last character is ignored
        ASSERT_EQ(Decoded(digits, pairs), LenientBytes(digits, pairs)) << pairs;
        ASSERT_EQ(hxw::SumHexPairs(digits.data(), digits.size()), LenientSum(digits)) << pairs;
        for (size_t at = 0; at < 2 * pairs; ++at) {
            std::string text = digits;
            text[at] = strangers[rng() % sizeof strangers];
            ASSERT_EQ(Decoded(text, pairs), LenientBytes(text, pairs)) << pairs << " at " << at;
            ASSERT_EQ(hxw::SumHexPairs(text.data(), text.size()), LenientSum(text)) << pairs << " at " << at;
        }
    }
}

TEST(HexPairs, LongLinesAreSummedWhole) {
    std::mt19937 rng(8);
    for (size_t len : {510u, 511u, 512u, 513u, 514u, 1000u, 5000u}) {
        std::string text = RandomDigits(len, rng);
        EXPECT_EQ(hxw::SumHexPairs(text.data(), text.size()), LenientSum(text)) << len;
        text[len - 2] = ' ';  // a stranger in the last piece
        EXPECT_EQ(hxw::SumHexPairs(text.data(), text.size()), LenientSum(text)) << len;
    }
}

// The short copy of a record's bytes: every length a record can have, at every offset within a
// word, writes exactly those bytes and nothing on either side.
TEST(ShortCopy, EveryLengthAndOffsetCopiesExactlyItsBytes) {
    uint8_t source[300];
    for (size_t i = 0; i < sizeof source; ++i) source[i] = static_cast<uint8_t>(i * 7 + 3);
    for (size_t offset = 0; offset < 8; ++offset) {
        for (size_t n = 0; n <= 256; ++n) {
            uint8_t target[300];
            std::memset(target, 0xEE, sizeof target);
            hxw::CopyShort(target + 16 + offset, source + offset, n);
            for (size_t i = 0; i < sizeof target; ++i) {
                const bool inside = i >= 16 + offset && i < 16 + offset + n;
                const uint8_t want = inside ? source[offset + (i - 16 - offset)] : 0xEE;
                ASSERT_EQ(target[i], want) << "length " << n << ", offset " << offset << ", byte " << i;
            }
        }
    }
}
