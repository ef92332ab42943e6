// Sum total, one's complement and CRC of HXW images, and the checksum field write-back.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/SharedState.h"

// What a reader learns from an HXW file's first lines: the file type (low 8 bits of line 3)
// and, for type 2, the mode byte at offset 768 (-1 when the file is too short to hold it).
struct HxwHeaderInfo {
    uint8_t Type = 0;
    int ModeByte = -1;
};

// Reads the magic, the type line and the mode byte. 0, 0x7000 (cannot open) or 0x8000 (no magic).
uint32_t ReadHxwHeaderInfo(const std::string& path, HxwHeaderInfo& info);

// The reflected CRC-CCITT (poly 0x8408, no final XOR) continued over data; what CrcImage computes.
uint16_t Crc16Update(uint16_t crc, const uint8_t* data, size_t size);

// The checksum part of the engine: its results go to the engine's shared state.
class CheckSumOps {
  public:
    explicit CheckSumOps(SharedState& state) : state_(state) {}
    CheckSumOps(const CheckSumOps&) = delete;
    CheckSumOps& operator=(const CheckSumOps&) = delete;

    // kind: 0 sum total, 1 one's complement, anything else CRC. manual: use start..end.
    uint32_t CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual,
                          uint32_t start, uint32_t end);
    uint32_t SumImage(const std::string& path, uint32_t type, bool writeBack);
    uint32_t SumWordModeImage(const std::string& path, bool writeBack);
    uint32_t OnesComplementImage(const std::string& path);
    uint32_t OnesComplementImage(const std::string& path, uint32_t start, uint32_t end);
    uint32_t CrcImage(const std::string& path, uint32_t crcInit);
    uint32_t CrcImage(const std::string& path, uint32_t crcInit, uint32_t start, uint32_t end);
    uint32_t WriteCheckSumField(const std::string& path, uint16_t value);

    // A progress bar for the computations over the body (range 0..1000); none by default, and the
    // sum that ends each conversion never drives it.
    void SetCheckSumProgress(Progress* progress) { checkSumProgress_ = progress; }

  private:
    enum class Domain { Header, Manual };
    uint32_t ComplementOrCrc(const std::string& path, bool crc, uint32_t crcInit, Domain domain,
                             uint32_t start, uint32_t end);

    SharedState& state_;
    Progress* checkSumProgress_ = nullptr;
};
