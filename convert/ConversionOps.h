// HEX / S-record to HXW conversion.
#pragma once
#include <cstdint>
#include <string>

#include "checksum/CheckSumOps.h"

enum HxwFileType : uint8_t { Normal = 0, Series720 = 1, Series4500 = 3, Byte4Mode = 4, Byte8Mode = 8 };
enum DomainMode : uint8_t { Auto = 0, Manual = 1 };

class ConversionOps : public CheckSumOps {
public:
    // Where the pre-scan of the series types keeps the upper-half records ("Hxw.tmp").
    void SetUpperHalfPath(std::string path) { upperHalfPath_ = std::move(path); }
    const std::string& UpperHalfPath() const { return upperHalfPath_; }

    uint32_t CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress);
    bool CheckDomain(uint8_t type, uint32_t start, uint32_t end);
    bool PrescanSource(const std::string& source, uint8_t type);
    bool ConvertSource(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                       uint32_t start, uint32_t end, Progress& progress);

private:
    std::string upperHalfPath_ = "Hxw.tmp";
};
