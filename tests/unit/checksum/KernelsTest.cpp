// Every fast kernel against the plain loop it replaces, on random data at every alignment.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "checksum/HexText.h"
#include "checksum/Kernels.h"

using namespace hxw;

namespace {
constexpr size_t kMaxLength = 4096;

// One bit at a time, straight from the polynomial: the reference for every CRC kernel.
uint16_t BitwiseCrcStep(uint16_t crc, uint8_t b) {
    unsigned c = crc ^ b;
    for (int i = 0; i < 8; ++i) c = (c & 1) ? (c >> 1) ^ 0x8408 : c >> 1;
    return static_cast<uint16_t>(c);
}

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

// Copies data into a buffer of exactly its size, so a kernel that reads past the end trips the
// address sanitizer.
std::vector<uint8_t> Exact(const uint8_t* data, size_t n) { return std::vector<uint8_t>(data, data + n); }

template <class Kernel>
std::string Name(Kernel k) {
    return KernelName(k);
}
}  // namespace

TEST(CrcKernels, EveryKernelEqualsTheBitwiseLoopAtEveryAlignmentAndLength) {
    const auto data = RandomBytes(kMaxLength + 64, 11);
    std::mt19937 rng(12);
    for (CrcKernel kernel : {CrcKernel::Bytewise, CrcKernel::Slice16, CrcKernel::Clmul}) {
        if (!KernelAvailable(kernel)) continue;
        for (size_t align = 0; align < 16; ++align) {
            const uint16_t init = static_cast<uint16_t>(rng());
            uint16_t expected = init;
            for (size_t len = 0; len <= kMaxLength; ++len) {
                const uint8_t* p = data.data() + align;
                ASSERT_EQ(Crc16With(kernel, init, p, len), expected)
                    << Name(kernel) << " align " << align << " length " << len << " init " << init;
                expected = BitwiseCrcStep(expected, p[len]);
            }
        }
    }
}

TEST(CrcKernels, PublishedCheckValuesAndExactBuffers) {
    const std::string check = "123456789";
    const auto* p = reinterpret_cast<const uint8_t*>(check.data());
    const auto big = RandomBytes(100000, 13);
    for (CrcKernel kernel : {CrcKernel::Bytewise, CrcKernel::Slice16, CrcKernel::Clmul}) {
        if (!KernelAvailable(kernel)) continue;
        EXPECT_EQ(Crc16With(kernel, 0x0000, p, 9), 0x2189) << Name(kernel);
        EXPECT_EQ(Crc16With(kernel, 0xFFFF, p, 9), 0x6F91) << Name(kernel);
        for (size_t len : {64u, 65u, 127u, 128u, 129u, 4095u, 99999u}) {
            const auto exact = Exact(big.data(), len);
            EXPECT_EQ(Crc16With(kernel, 0x1D0F, exact.data(), len),
                      Crc16With(CrcKernel::Bytewise, 0x1D0F, exact.data(), len))
                << Name(kernel) << " length " << len;
        }
    }
    // Continuing over pieces gives the CRC of the whole.
    const uint16_t whole = Crc16(0xFFFF, big.data(), big.size());
    EXPECT_EQ(Crc16(Crc16(0xFFFF, big.data(), 777), big.data() + 777, big.size() - 777), whole);
}

TEST(SumKernels, EveryKernelEqualsTheBytewiseLoopAtEveryAlignmentAndLength) {
    const auto data = RandomBytes(kMaxLength + 64, 21);
    for (SumKernel kernel : {SumKernel::Bytewise, SumKernel::Sse2, SumKernel::Avx2}) {
        if (!KernelAvailable(kernel)) continue;
        for (size_t align = 0; align < 32; ++align) {
            const uint8_t* p = data.data() + align;
            uint64_t total = 0, even = 0, odd = 0;
            for (size_t len = 0; len <= kMaxLength; ++len) {
                ASSERT_EQ(ByteSumWith(kernel, p, len), total)
                    << Name(kernel) << " align " << align << " length " << len;
                uint64_t e = 5, o = 7;  // the kernels add to what is there
                EvenOddSumsWith(kernel, p, len, e, o);
                ASSERT_EQ(e, even + 5) << Name(kernel) << " align " << align << " length " << len;
                ASSERT_EQ(o, odd + 7) << Name(kernel) << " align " << align << " length " << len;
                total += p[len];
                (len % 2 ? odd : even) += p[len];
            }
        }
    }
}

TEST(SumKernels, AllOnesNeverOverflowAndExactBuffers) {
    std::vector<uint8_t> ones(1 << 20, 0xFF);
    for (SumKernel kernel : {SumKernel::Bytewise, SumKernel::Sse2, SumKernel::Avx2}) {
        if (!KernelAvailable(kernel)) continue;
        EXPECT_EQ(ByteSumWith(kernel, ones.data(), ones.size()), 255u << 20) << Name(kernel);
        uint64_t e = 0, o = 0;
        EvenOddSumsWith(kernel, ones.data(), ones.size() - 1, e, o);
        EXPECT_EQ(e, 255u << 19);
        EXPECT_EQ(o, (255u << 19) - 255);
        for (size_t len : {31u, 32u, 33u, 65u}) {
            const auto exact = Exact(ones.data(), len);
            EXPECT_EQ(ByteSumWith(kernel, exact.data(), len), 255u * len) << Name(kernel);
        }
    }
}

namespace {
// The reference: two table look-ups per pair.
bool ReferenceDecode(const char* text, size_t pairs, std::vector<uint8_t>& out) {
    out.assign(pairs, 0);
    bool plain = true;
    for (size_t i = 0; i < pairs; ++i) {
        const uint8_t hi = kHexValue[static_cast<uint8_t>(text[2 * i])];
        const uint8_t lo = kHexValue[static_cast<uint8_t>(text[2 * i + 1])];
        if (hi == 0xFF || lo == 0xFF) plain = false;
        out[i] = static_cast<uint8_t>(hi << 4 | (lo & 0xF));
    }
    return plain;
}

uint8_t ReferenceSum(const std::vector<uint8_t>& bytes) {
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    return static_cast<uint8_t>(sum);
}

std::string RandomDigits(size_t n, std::mt19937& rng) {
    static const char digits[] = "0123456789abcdefABCDEF";
    std::string s(n, '0');
    for (auto& c : s) c = digits[rng() % 22];
    return s;
}

constexpr HexKernel kHexKernels[] = {HexKernel::Scalar, HexKernel::Sse41, HexKernel::Avx2};
}  // namespace

TEST(HexKernels, PlainTextOfEveryRecordLengthAtEveryAlignment) {
    std::mt19937 rng(31);
    for (HexKernel kernel : kHexKernels) {
        if (!KernelAvailable(kernel)) continue;
        for (size_t pairs = 0; pairs <= 255; ++pairs) {
            for (size_t align = 0; align < 32; align += (pairs < 40 ? 1 : 7)) {
                const std::string text = std::string(align, 'x') + RandomDigits(2 * pairs, rng);
                const std::vector<char> exact(text.begin() + static_cast<long>(align), text.end());
                std::vector<uint8_t> expected, got(pairs + 1, 0xA5);
                ASSERT_TRUE(ReferenceDecode(exact.data(), pairs, expected));
                ASSERT_TRUE(DecodePlainPairsWith(kernel, exact.data(), pairs, got.data()))
                    << Name(kernel) << " pairs " << pairs << " align " << align;
                EXPECT_EQ(got[pairs], 0xA5) << "wrote past the end";
                got.resize(pairs);
                ASSERT_EQ(got, expected) << Name(kernel) << " pairs " << pairs << " align " << align;
                uint8_t sum = 0;
                ASSERT_TRUE(SumPlainPairsWith(kernel, exact.data(), pairs, sum));
                ASSERT_EQ(sum, ReferenceSum(expected))
                    << Name(kernel) << " pairs " << pairs << " align " << align;
            }
        }
    }
}

TEST(HexKernels, ANonDigitAtAnyPositionOfAnyRecordLengthIsNoticed) {
    // Neighbours of the digit ranges, the line ends, blanks, signs and bytes above 0x7F.
    const char strangers[] = {'/',
                              ':',
                              '@',
                              'G',
                              '`',
                              'g',
                              ' ',
                              '\r',
                              '\n',
                              '\0',
                              '+',
                              '-',
                              'x',
                              'X',
                              static_cast<char>(0x80),
                              static_cast<char>(0xB0),
                              static_cast<char>(0xC1),
                              static_cast<char>(0xE6),
                              static_cast<char>(0xFF)};
    std::mt19937 rng(41);
    for (HexKernel kernel : kHexKernels) {
        if (!KernelAvailable(kernel)) continue;
        for (size_t pairs = 1; pairs <= 255; ++pairs) {
            const std::string digits = RandomDigits(2 * pairs, rng);
            for (size_t at = 0; at < 2 * pairs; ++at) {
                std::vector<char> text(digits.begin(), digits.end());
                text[at] = strangers[rng() % sizeof strangers];
                std::vector<uint8_t> got(pairs);
                ASSERT_FALSE(DecodePlainPairsWith(kernel, text.data(), pairs, got.data()))
                    << Name(kernel) << " pairs " << pairs << " position " << at << " char "
                    << static_cast<int>(static_cast<uint8_t>(text[at]));
                uint8_t sum = 0;
                ASSERT_FALSE(SumPlainPairsWith(kernel, text.data(), pairs, sum))
                    << Name(kernel) << " pairs " << pairs << " position " << at;
            }
        }
    }
}

TEST(HexKernels, EveryCharacterValueInEitherHalfOfAPair) {
    std::mt19937 rng(51);
    for (HexKernel kernel : kHexKernels) {
        if (!KernelAvailable(kernel)) continue;
        for (size_t pairs : {1u, 8u, 16u, 33u, 64u}) {
            const std::string digits = RandomDigits(2 * pairs, rng);
            for (int c = 0; c < 256; ++c) {
                for (size_t half = 0; half < 2; ++half) {
                    std::vector<char> text(digits.begin(), digits.end());
                    const size_t at = 2 * (rng() % pairs) + half;
                    text[at] = static_cast<char>(c);
                    std::vector<uint8_t> expected, got(pairs);
                    const bool plain = ReferenceDecode(text.data(), pairs, expected);
                    ASSERT_EQ(DecodePlainPairsWith(kernel, text.data(), pairs, got.data()), plain)
                        << Name(kernel) << " char " << c;
                    uint8_t sum = 0;
                    ASSERT_EQ(SumPlainPairsWith(kernel, text.data(), pairs, sum), plain)
                        << Name(kernel) << " char " << c;
                    if (plain) {
                        EXPECT_EQ(sum, ReferenceSum(expected)) << Name(kernel) << " char " << c;
                    }
                    if (plain) {
                        EXPECT_EQ(got, expected) << Name(kernel) << " char " << c;
                    }
                }
            }
        }
    }
}

TEST(HexKernels, SumsOfLongTextWrapOnlyModulo256) {
    std::mt19937 rng(61);
    for (HexKernel kernel : kHexKernels) {
        if (!KernelAvailable(kernel)) continue;
        for (size_t pairs : {4111u, 4112u, 4113u, 20000u}) {
            for (const std::string& text : {std::string(2 * pairs, 'F'), RandomDigits(2 * pairs, rng)}) {
                std::vector<uint8_t> expected;
                ASSERT_TRUE(ReferenceDecode(text.data(), pairs, expected));
                uint8_t sum = 0;
                ASSERT_TRUE(SumPlainPairsWith(kernel, text.data(), pairs, sum));
                EXPECT_EQ(sum, ReferenceSum(expected)) << Name(kernel) << " pairs " << pairs;
            }
        }
    }
}
