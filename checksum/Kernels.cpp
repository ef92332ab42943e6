#include "checksum/Kernels.h"

#include "checksum/HexText.h"
#include "checksum/KernelsSimd.h"

namespace hxw {
namespace {

// kCrc.t[0] is the byte table of the polynomial; kCrc.t[k][i] is the effect of byte i followed
// by k zero bytes, so sixteen bytes can be taken in one step.
struct CrcTables {
    uint16_t t[16][256];
    constexpr CrcTables() : t() {
        for (unsigned i = 0; i < 256; ++i) {
            unsigned c = i;
            for (int b = 0; b < 8; ++b) c = (c & 1) ? (c >> 1) ^ 0x8408u : c >> 1;
            t[0][i] = static_cast<uint16_t>(c);
        }
        for (int k = 1; k < 16; ++k)
            for (unsigned i = 0; i < 256; ++i)
                t[k][i] = static_cast<uint16_t>((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    }
};
constexpr CrcTables kCrc;

uint16_t Crc16Bytewise(uint16_t crc, const uint8_t* data, size_t size) {
    uint32_t c = crc;
    while (size--) c = kCrc.t[0][(c ^ *data++) & 0xFF] ^ (c >> 8);
    return static_cast<uint16_t>(c);
}

uint64_t ByteSumBytewise(const uint8_t* data, size_t size) {
    uint64_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

void EvenOddSumsBytewise(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd) {
    for (size_t i = 0; i < size; ++i) (i % 2 ? odd : even) += data[i];
}

CrcKernel BestCrc() {
    static const CrcKernel best = KernelAvailable(CrcKernel::Clmul) ? CrcKernel::Clmul : CrcKernel::Slice16;
    return best;
}

SumKernel BestSum() {
    static const SumKernel best = KernelAvailable(SumKernel::Avx2)   ? SumKernel::Avx2
                                  : KernelAvailable(SumKernel::Sse2) ? SumKernel::Sse2
                                                                     : SumKernel::Bytewise;
    return best;
}

HexKernel BestHex() {
    static const HexKernel best = KernelAvailable(HexKernel::Avx2)    ? HexKernel::Avx2
                                  : KernelAvailable(HexKernel::Sse41) ? HexKernel::Sse41
                                                                      : HexKernel::Scalar;
    return best;
}

using DecodeFunction = bool (*)(const char*, size_t, uint8_t*);
using SumFunction = bool (*)(const char*, size_t, uint8_t&);

DecodeFunction DecodeFor(HexKernel kernel) {
    if (kernel == HexKernel::Avx2) return simd::DecodePlainPairsAvx2;
    if (kernel == HexKernel::Sse41) return simd::DecodePlainPairsSse41;
    return DecodePlainPairsScalar;
}

SumFunction SumFor(HexKernel kernel) {
    if (kernel == HexKernel::Avx2) return simd::SumPlainPairsAvx2;
    if (kernel == HexKernel::Sse41) return simd::SumPlainPairsSse41;
    return SumPlainPairsScalar;
}

}  // namespace

uint16_t Crc16Slice16(uint16_t crc, const uint8_t* d, size_t size) {
    uint32_t c = crc;
    const auto& t = kCrc.t;
    while (size >= 16) {
        c ^= static_cast<uint32_t>(d[0]) | static_cast<uint32_t>(d[1]) << 8;
        c = t[15][c & 0xFF] ^ t[14][c >> 8] ^ t[13][d[2]] ^ t[12][d[3]] ^ t[11][d[4]] ^ t[10][d[5]] ^
            t[9][d[6]] ^ t[8][d[7]] ^ t[7][d[8]] ^ t[6][d[9]] ^ t[5][d[10]] ^ t[4][d[11]] ^ t[3][d[12]] ^
            t[2][d[13]] ^ t[1][d[14]] ^ t[0][d[15]];
        d += 16;
        size -= 16;
    }
    return Crc16Bytewise(static_cast<uint16_t>(c), d, size);
}

bool DecodePlainPairsScalar(const char* text, size_t pairs, uint8_t* out) {
    const uint16_t* table = PairTable();
    unsigned flags = 0;
    for (size_t i = 0; i < pairs; ++i) {
        const unsigned v = table[PairIndex(text + 2 * i)];
        out[i] = static_cast<uint8_t>(v);
        flags |= v;
    }
    return (flags & 0x100) == 0;
}

bool SumPlainPairsScalar(const char* text, size_t pairs, uint8_t& sum) {
    const uint16_t* table = PairTable();
    unsigned total = 0, flags = 0;
    for (size_t i = 0; i < pairs; ++i) {
        const unsigned v = table[PairIndex(text + 2 * i)];
        total += v;
        flags |= v;
    }
    sum = static_cast<uint8_t>(total);
    return (flags & 0x100) == 0;
}

bool KernelAvailable(CrcKernel kernel) {
    return kernel != CrcKernel::Clmul || (simd::Cpu().Pclmul && simd::Cpu().Sse41);
}

bool KernelAvailable(SumKernel kernel) {
    if (kernel == SumKernel::Sse2) return simd::Cpu().Sse2;
    if (kernel == SumKernel::Avx2) return simd::Cpu().Avx2;
    return true;
}

bool KernelAvailable(HexKernel kernel) {
    if (kernel == HexKernel::Sse41) return simd::Cpu().Sse41;
    if (kernel == HexKernel::Avx2) return simd::Cpu().Avx2;
    return true;
}

const char* KernelName(CrcKernel kernel) {
    return kernel == CrcKernel::Clmul ? "clmul" : kernel == CrcKernel::Slice16 ? "slice16" : "bytewise";
}

const char* KernelName(SumKernel kernel) {
    return kernel == SumKernel::Avx2 ? "avx2" : kernel == SumKernel::Sse2 ? "sse2" : "bytewise";
}

const char* KernelName(HexKernel kernel) {
    return kernel == HexKernel::Avx2 ? "avx2" : kernel == HexKernel::Sse41 ? "sse4.1" : "scalar";
}

uint16_t Crc16With(CrcKernel kernel, uint16_t crc, const uint8_t* data, size_t size) {
    switch (kernel) {
        case CrcKernel::Clmul:
            return simd::Crc16Clmul(crc, data, size);
        case CrcKernel::Slice16:
            return Crc16Slice16(crc, data, size);
        default:
            return Crc16Bytewise(crc, data, size);
    }
}

uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size) {
    return Crc16With(BestCrc(), crc, data, size);
}

uint64_t ByteSumWith(SumKernel kernel, const uint8_t* data, size_t size) {
    switch (kernel) {
        case SumKernel::Avx2:
            return simd::ByteSumAvx2(data, size);
        case SumKernel::Sse2:
            return simd::ByteSumSse2(data, size);
        default:
            return ByteSumBytewise(data, size);
    }
}

uint64_t ByteSum(const uint8_t* data, size_t size) { return ByteSumWith(BestSum(), data, size); }

void EvenOddSumsWith(SumKernel kernel, const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd) {
    switch (kernel) {
        case SumKernel::Avx2:
            return simd::EvenOddSumsAvx2(data, size, even, odd);
        case SumKernel::Sse2:
            return simd::EvenOddSumsSse2(data, size, even, odd);
        default:
            return EvenOddSumsBytewise(data, size, even, odd);
    }
}

void EvenOddSums(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd) {
    EvenOddSumsWith(BestSum(), data, size, even, odd);
}

bool DecodePlainPairsWith(HexKernel kernel, const char* text, size_t pairs, uint8_t* out) {
    return DecodeFor(kernel)(text, pairs, out);
}

bool DecodePlainPairs(const char* text, size_t pairs, uint8_t* out) {
    static const DecodeFunction decode = DecodeFor(BestHex());
    return decode(text, pairs, out);
}

bool SumPlainPairsWith(HexKernel kernel, const char* text, size_t pairs, uint8_t& sum) {
    return SumFor(kernel)(text, pairs, sum);
}

bool SumPlainPairs(const char* text, size_t pairs, uint8_t& sum) {
    static const SumFunction add = SumFor(BestHex());
    return add(text, pairs, sum);
}

}  // namespace hxw
