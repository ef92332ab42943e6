// The processor-specific kernel bodies behind checksum/Kernels.h. One body is built: x86/ on x86
// processors, generic/ (which offers none of them) everywhere else.
#pragma once
#include <cstddef>
#include <cstdint>

namespace hxw::simd {

struct Features {
    bool Sse2 = false;
    bool Sse41 = false;
    bool Pclmul = false;
    bool Avx2 = false;
};
// What this processor and operating system support; asked once.
const Features& Cpu();

// Each may be called only when Cpu() reports its instruction set.
uint16_t Crc16Clmul(uint16_t crc, const uint8_t* data, size_t size);
uint64_t ByteSumSse2(const uint8_t* data, size_t size);
uint64_t ByteSumAvx2(const uint8_t* data, size_t size);
void EvenOddSumsSse2(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd);
void EvenOddSumsAvx2(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd);
bool DecodePlainPairsSse41(const char* text, size_t pairs, uint8_t* out);
bool DecodePlainPairsAvx2(const char* text, size_t pairs, uint8_t* out);
bool SumPlainPairsSse41(const char* text, size_t pairs, uint8_t& sum);
bool SumPlainPairsAvx2(const char* text, size_t pairs, uint8_t& sum);

}  // namespace hxw::simd

namespace hxw {
// The table CRC, sixteen bytes per step; the SIMD CRC finishes with it.
uint16_t Crc16Slice16(uint16_t crc, const uint8_t* data, size_t size);
// The table decoder; the SIMD decoders finish short tails with it.
bool DecodePlainPairsScalar(const char* text, size_t pairs, uint8_t* out);
bool SumPlainPairsScalar(const char* text, size_t pairs, uint8_t& sum);
}  // namespace hxw
