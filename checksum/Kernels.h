// Inner loops of the checksums and of reading hexadecimal record text, in the fastest form the
// processor offers. Each loop has a plain reference form, kept and tested against the faster
// ones; the best available form is chosen once, the first time it is needed, by asking the
// processor (the Windows builds run on any x86, so nothing is assumed at build time).
#pragma once
#include <cstddef>
#include <cstdint>

namespace hxw {

enum class CrcKernel { Bytewise, Slice16, Clmul };
enum class SumKernel { Bytewise, Sse2, Avx2 };
enum class HexKernel { Scalar, Sse41, Avx2 };

bool KernelAvailable(CrcKernel kernel);
bool KernelAvailable(SumKernel kernel);
bool KernelAvailable(HexKernel kernel);
// Names for reports ("clmul", "avx2", ...).
const char* KernelName(CrcKernel kernel);
const char* KernelName(SumKernel kernel);
const char* KernelName(HexKernel kernel);

// The reflected CRC-CCITT (polynomial 0x8408, no final XOR) continued from crc over data.
uint16_t Crc16With(CrcKernel kernel, uint16_t crc, const uint8_t* data, size_t size);
uint16_t Crc16(uint16_t crc, const uint8_t* data, size_t size);

// Sum of all bytes of data.
uint64_t ByteSumWith(SumKernel kernel, const uint8_t* data, size_t size);
uint64_t ByteSum(const uint8_t* data, size_t size);
// Adds the bytes at even positions of data (0, 2, ...) to even and those at odd positions to odd.
void EvenOddSumsWith(SumKernel kernel, const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd);
void EvenOddSums(const uint8_t* data, size_t size, uint64_t& even, uint64_t& odd);

// Turns pairs two-character hexadecimal numbers at text (2 * pairs characters, upper or lower
// case) into bytes. True when every character is a hexadecimal digit; false otherwise, and out
// then holds nothing useful: such text needs the lenient field reading.
bool DecodePlainPairsWith(HexKernel kernel, const char* text, size_t pairs, uint8_t* out);
bool DecodePlainPairs(const char* text, size_t pairs, uint8_t* out);
// The sum modulo 256 of the same numbers; true when every character is a hexadecimal digit.
bool SumPlainPairsWith(HexKernel kernel, const char* text, size_t pairs, uint8_t& sum);
bool SumPlainPairs(const char* text, size_t pairs, uint8_t& sum);

}  // namespace hxw
