// Processors without the x86 kernels: none is offered, so only the table forms are ever chosen.
#include "checksum/KernelsSimd.h"

namespace hxw::simd {

const Features& Cpu() {
    static const Features none;
    return none;
}

uint16_t Crc16Clmul(uint16_t crc, const uint8_t* data, size_t size) { return Crc16Slice16(crc, data, size); }

uint64_t ByteSumSse2(const uint8_t* data, size_t size) {
    uint64_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum += data[i];
    return sum;
}

uint64_t ByteSumAvx2(const uint8_t* data, size_t size) { return ByteSumSse2(data, size); }

void EvenOddSumsSse2(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd) {
    for (size_t i = 0; i < size; ++i) (i % 2 ? odd : even) += data[i];
}

void EvenOddSumsAvx2(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd) {
    EvenOddSumsSse2(data, size, even, odd);
}

bool DecodePlainPairsSse41(const char* text, size_t pairs, uint8_t* out) {
    return DecodePlainPairsScalar(text, pairs, out);
}

bool DecodePlainPairsAvx2(const char* text, size_t pairs, uint8_t* out) {
    return DecodePlainPairsScalar(text, pairs, out);
}

bool SumPlainPairsSse41(const char* text, size_t pairs, uint8_t& sum) {
    return SumPlainPairsScalar(text, pairs, sum);
}

bool SumPlainPairsAvx2(const char* text, size_t pairs, uint8_t& sum) {
    return SumPlainPairsScalar(text, pairs, sum);
}

}  // namespace hxw::simd
