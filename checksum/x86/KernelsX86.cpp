// x86 kernel bodies. Each function carries its own target attribute, so the file builds for any
// x86 and a function runs only after Cpu() has found its instructions.
#include <cpuid.h>
#include <immintrin.h>

#include "checksum/HexText.h"
#include "checksum/KernelsSimd.h"

namespace hxw::simd {
namespace {

// Extended register state the operating system saves on a task switch (XCR0).
uint64_t EnabledState() {
    uint32_t low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return uint64_t{high} << 32 | low;
}

Features Detect() {
    Features f;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return f;
    f.Sse2 = (d & bit_SSE2) != 0;
    f.Sse41 = f.Sse2 && (c & bit_SSSE3) && (c & bit_SSE4_1);
    f.Pclmul = f.Sse41 && (c & bit_PCLMUL);
    // AVX2 needs the processor's support and the system's saving of the 256-bit registers.
    const bool avx = (c & bit_OSXSAVE) && (c & bit_AVX) && (EnabledState() & 6) == 6;
    unsigned a7 = 0, b7 = 0, c7 = 0, d7 = 0;
    if (avx && f.Sse41 && __get_cpuid_count(7, 0, &a7, &b7, &c7, &d7)) f.Avx2 = (b7 & bit_AVX2) != 0;
    return f;
}

// x^n modulo the CRC-CCITT polynomial x^16 + x^12 + x^5 + 1, as a 64-bit operand in the bit order
// of the reflected CRC: the coefficient of x^e at bit 63 - e.
constexpr uint64_t Fold(unsigned n) {
    uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & 0x10000) r ^= 0x11021;
    }
    uint64_t v = 0;
    for (unsigned e = 0; e < 16; ++e)
        if (r >> e & 1) v |= uint64_t{1} << (63 - e);
    return v;
}

// A 128-bit block in reflected order holds x^127 ... x^64 in its low half H and x^63 ... x^0 in its
// high half L. Moving it d bits further on is H * x^(d+64) + L * x^d; the carry-less products of a
// reflected pair come out one bit short, hence the constants x^(d+63) and x^(d-1).
constexpr uint64_t kFold128High = Fold(128 + 63), kFold128Low = Fold(128 - 1);
constexpr uint64_t kFold512High = Fold(512 + 63), kFold512Low = Fold(512 - 1);

__attribute__((target("pclmul,sse4.1"))) inline __m128i FoldBlock(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("sse2"))) inline __m128i Load(const uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

__attribute__((target("sse2"))) inline uint64_t Lanes(__m128i v) {
    alignas(16) uint64_t q[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(q), v);
    return q[0] + q[1];
}

__attribute__((target("avx2"))) inline uint64_t Lanes(__m256i v) {
    alignas(32) uint64_t q[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(q), v);
    return q[0] + q[1] + q[2] + q[3];
}

// Sixteen characters to their digit values; ok keeps a zero byte wherever a character was not a
// hexadecimal digit.
__attribute__((target("sse4.1"))) inline __m128i Nibbles(__m128i c, __m128i& ok) {
    const __m128i digit = _mm_sub_epi8(c, _mm_set1_epi8('0'));
    const __m128i letter = _mm_sub_epi8(_mm_or_si128(c, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i isLetter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    ok = _mm_and_si128(ok, _mm_or_si128(isDigit, isLetter));
    return _mm_blendv_epi8(_mm_add_epi8(letter, _mm_set1_epi8(10)), digit, isDigit);
}

__attribute__((target("avx2"))) inline __m256i Nibbles(__m256i c, __m256i& ok) {
    const __m256i digit = _mm256_sub_epi8(c, _mm256_set1_epi8('0'));
    const __m256i letter = _mm256_sub_epi8(_mm256_or_si256(c, _mm256_set1_epi8(0x20)), _mm256_set1_epi8('a'));
    const __m256i isDigit = _mm256_cmpeq_epi8(_mm256_min_epu8(digit, _mm256_set1_epi8(9)), digit);
    const __m256i isLetter = _mm256_cmpeq_epi8(_mm256_min_epu8(letter, _mm256_set1_epi8(5)), letter);
    ok = _mm256_and_si256(ok, _mm256_or_si256(isDigit, isLetter));
    return _mm256_blendv_epi8(_mm256_add_epi8(letter, _mm256_set1_epi8(10)), digit, isDigit);
}

// Pairs i..pairs by table look-ups; false when one of them is not two digits.
inline bool TailPairs(const char* text, size_t i, size_t pairs, uint8_t* out) {
    const uint16_t* table = PairTable();
    unsigned flags = 0;
    for (; i < pairs; ++i) {
        const unsigned v = table[PairIndex(text + 2 * i)];
        out[i] = static_cast<uint8_t>(v);
        flags |= v;
    }
    return (flags & 0x100) == 0;
}

inline bool TailSum(const char* text, size_t i, size_t pairs, unsigned& sum) {
    const uint16_t* table = PairTable();
    unsigned flags = 0;
    for (; i < pairs; ++i) {
        const unsigned v = table[PairIndex(text + 2 * i)];
        sum += v;
        flags |= v;
    }
    return (flags & 0x100) == 0;
}

}  // namespace

const Features& Cpu() {
    static const Features features = Detect();
    return features;
}

__attribute__((target("pclmul,sse4.1"))) uint16_t Crc16Clmul(uint16_t crc, const uint8_t* p, size_t size) {
    if (size < 64) return Crc16Slice16(crc, p, size);
    // The initial value acts as if XORed into the first two bytes.
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(crc));
    __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
    p += 64;
    size -= 64;
    const __m128i k512 =
        _mm_set_epi64x(static_cast<long long>(kFold512Low), static_cast<long long>(kFold512High));
    while (size >= 64) {
        x0 = _mm_xor_si128(FoldBlock(x0, k512), Load(p));
        x1 = _mm_xor_si128(FoldBlock(x1, k512), Load(p + 16));
        x2 = _mm_xor_si128(FoldBlock(x2, k512), Load(p + 32));
        x3 = _mm_xor_si128(FoldBlock(x3, k512), Load(p + 48));
        p += 64;
        size -= 64;
    }
    const __m128i k128 =
        _mm_set_epi64x(static_cast<long long>(kFold128Low), static_cast<long long>(kFold128High));
    __m128i x = _mm_xor_si128(FoldBlock(x0, k128), x1);
    x = _mm_xor_si128(FoldBlock(x, k128), x2);
    x = _mm_xor_si128(FoldBlock(x, k128), x3);
    while (size >= 16) {
        x = _mm_xor_si128(FoldBlock(x, k128), Load(p));
        p += 16;
        size -= 16;
    }
    // The folded block is congruent to everything read so far: its CRC from 0 is the CRC so far.
    alignas(16) uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
    return Crc16Slice16(Crc16Slice16(0, rest, 16), p, size);
}

__attribute__((target("sse2"))) uint64_t ByteSumSse2(const uint8_t* data, size_t size) {
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, b = zero;
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        a = _mm_add_epi64(a, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)), zero));
        b = _mm_add_epi64(
            b, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + 16)), zero));
    }
    uint64_t sum = Lanes(_mm_add_epi64(a, b));
    for (; i < size; ++i) sum += data[i];
    return sum;
}

__attribute__((target("avx2"))) uint64_t ByteSumAvx2(const uint8_t* data, size_t size) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i a = zero, b = zero;
    size_t i = 0;
    for (; i + 64 <= size; i += 64) {
        a = _mm256_add_epi64(
            a, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i)), zero));
        b = _mm256_add_epi64(
            b, _mm256_sad_epu8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + 32)), zero));
    }
    uint64_t sum = Lanes(_mm256_add_epi64(a, b));
    for (; i < size; ++i) sum += data[i];
    return sum;
}

__attribute__((target("sse2"))) void EvenOddSumsSse2(const uint8_t* data, size_t size, uint64_t& even,
                                                     uint64_t& odd) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi16(0x00FF);
    __m128i e = zero, o = zero;
    size_t i = 0;
    for (; i + 16 <= size; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        e = _mm_add_epi64(e, _mm_sad_epu8(_mm_and_si128(v, low), zero));
        o = _mm_add_epi64(o, _mm_sad_epu8(_mm_srli_epi16(v, 8), zero));
    }
    even += Lanes(e);
    odd += Lanes(o);
    for (; i < size; ++i) (i % 2 ? odd : even) += data[i];
}

__attribute__((target("avx2"))) void EvenOddSumsAvx2(const uint8_t* data, size_t size, uint64_t& even,
                                                     uint64_t& odd) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_set1_epi16(0x00FF);
    __m256i e = zero, o = zero;
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        e = _mm256_add_epi64(e, _mm256_sad_epu8(_mm256_and_si256(v, low), zero));
        o = _mm256_add_epi64(o, _mm256_sad_epu8(_mm256_srli_epi16(v, 8), zero));
    }
    even += Lanes(e);
    odd += Lanes(o);
    for (; i < size; ++i) (i % 2 ? odd : even) += data[i];
}

// Pairs at..at+7 into out; a character that is no digit clears its lane of ok.
__attribute__((target("sse4.1"))) inline void EightPairs(const char* text, size_t at, uint8_t* out, __m128i& ok) {
    const __m128i a = Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * at)), ok);
    const __m128i bytes = _mm_packus_epi16(_mm_maddubs_epi16(a, _mm_set1_epi16(0x0110)), _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + at), bytes);
}

// The hex kernels take 32, 16 and 8 pairs per step as far as they go and finish with table
// look-ups, all in one function: records are short, so a call saved is time saved.

__attribute__((target("sse4.1"))) bool DecodePlainPairsSse41(const char* text, size_t pairs, uint8_t* out) {
    const __m128i weights = _mm_set1_epi16(0x0110);  // first character * 16 + second
    __m128i ok = _mm_set1_epi8(-1);
    size_t i = 0;
    for (; i + 16 <= pairs; i += 16) {
        const __m128i a = Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i)), ok);
        const __m128i b = Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i + 16)), ok);
        const __m128i bytes = _mm_packus_epi16(_mm_maddubs_epi16(a, weights), _mm_maddubs_epi16(b, weights));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
    }
    if (i + 8 <= pairs) {
        EightPairs(text, i, out, ok);
        i += 8;
    }
    // Fewer than eight left: the eight that end the record, those before them decoded again.
    if (i < pairs && pairs >= 8) {
        EightPairs(text, pairs - 8, out, ok);
        i = pairs;
    }
    return TailPairs(text, i, pairs, out) && _mm_movemask_epi8(ok) == 0xFFFF;
}

__attribute__((target("avx2"))) bool DecodePlainPairsAvx2(const char* text, size_t pairs, uint8_t* out) {
    const __m256i weights = _mm256_set1_epi16(0x0110);
    __m256i ok = _mm256_set1_epi8(-1);
    size_t i = 0;
    for (; i + 32 <= pairs; i += 32) {
        const __m256i a = Nibbles(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 2 * i)), ok);
        const __m256i b =
            Nibbles(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 2 * i + 32)), ok);
        // The pack works per 128-bit lane; the permutation puts the four quarters back in order.
        const __m256i packed =
            _mm256_packus_epi16(_mm256_maddubs_epi16(a, weights), _mm256_maddubs_epi16(b, weights));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute4x64_epi64(packed, 0xD8));
    }
    if (i + 16 <= pairs) {
        const __m256i a = Nibbles(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 2 * i)), ok);
        const __m256i words = _mm256_maddubs_epi16(a, weights);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(words, words), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
        i += 16;
    }
    __m128i ok8 = _mm_set1_epi8(-1);
    if (i + 8 <= pairs) {
        EightPairs(text, i, out, ok8);
        i += 8;
    }
    // Fewer than eight left: the eight that end the record, those before them decoded again.
    if (i < pairs && pairs >= 8) {
        EightPairs(text, pairs - 8, out, ok8);
        i = pairs;
    }
    return TailPairs(text, i, pairs, out) && _mm256_movemask_epi8(ok) == -1 &&
           _mm_movemask_epi8(ok8) == 0xFFFF;
}

// The same walk, adding the values instead of storing them: 16-bit lanes wrap modulo 65536,
// which keeps the sum modulo 256 exact.
__attribute__((target("sse4.1"))) bool SumPlainPairsSse41(const char* text, size_t pairs, uint8_t& sum) {
    const __m128i weights = _mm_set1_epi16(0x0110);
    __m128i ok = _mm_set1_epi8(-1);
    __m128i acc = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 8 <= pairs; i += 8) {
        const __m128i a = Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i)), ok);
        acc = _mm_add_epi16(acc, _mm_maddubs_epi16(a, weights));
    }
    acc = _mm_add_epi16(acc, _mm_srli_si128(acc, 8));
    acc = _mm_add_epi16(acc, _mm_srli_si128(acc, 4));
    acc = _mm_add_epi16(acc, _mm_srli_si128(acc, 2));
    unsigned total = static_cast<unsigned>(_mm_cvtsi128_si32(acc));
    const bool plain = TailSum(text, i, pairs, total);
    sum = static_cast<uint8_t>(total);
    return plain && _mm_movemask_epi8(ok) == 0xFFFF;
}

__attribute__((target("avx2"))) bool SumPlainPairsAvx2(const char* text, size_t pairs, uint8_t& sum) {
    const __m256i weights = _mm256_set1_epi16(0x0110);
    __m256i ok = _mm256_set1_epi8(-1);
    __m256i acc = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 16 <= pairs; i += 16) {
        const __m256i a = Nibbles(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 2 * i)), ok);
        acc = _mm256_add_epi16(acc, _mm256_maddubs_epi16(a, weights));
    }
    __m128i ok8 = _mm_set1_epi8(-1);
    __m128i acc8 = _mm_add_epi16(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    if (i + 8 <= pairs) {
        const __m128i a = Nibbles(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i)), ok8);
        acc8 = _mm_add_epi16(acc8, _mm_maddubs_epi16(a, _mm_set1_epi16(0x0110)));
        i += 8;
    }
    acc8 = _mm_add_epi16(acc8, _mm_srli_si128(acc8, 8));
    acc8 = _mm_add_epi16(acc8, _mm_srli_si128(acc8, 4));
    acc8 = _mm_add_epi16(acc8, _mm_srli_si128(acc8, 2));
    unsigned total = static_cast<unsigned>(_mm_cvtsi128_si32(acc8));
    const bool plain = TailSum(text, i, pairs, total);
    sum = static_cast<uint8_t>(total);
    return plain && _mm256_movemask_epi8(ok) == -1 && _mm_movemask_epi8(ok8) == 0xFFFF;
}

}  // namespace hxw::simd
