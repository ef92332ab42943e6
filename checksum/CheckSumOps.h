// Sum total, one's complement and CRC of HXW images, and the checksum field write-back.
#pragma once
#include <cstdint>
#include <string>

#include "convert/EngineState.h"

class CheckSumOps : public virtual EngineState {
public:
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
};
