// HEX / S-record to HXW conversion.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "checksum/CheckSumOps.h"

enum HxwFileType : uint8_t { Normal = 0, Series720 = 1, Series4500 = 3, Byte4Mode = 4, Byte8Mode = 8 };
enum DomainMode : uint8_t { Auto = 0, Manual = 1 };

namespace hxw {
class File;
struct UpperHalfIndex;
}  // namespace hxw

class ConversionOps : public CheckSumOps {
public:
    ConversionOps();
    ~ConversionOps() override;

    // Where the pre-scan of the series types keeps the upper-half records ("Hxw.tmp").
    void SetUpperHalfPath(std::string path) { upperHalfPath_ = std::move(path); }
    const std::string& UpperHalfPath() const { return upperHalfPath_; }

    // The whole conversion: domain check, pre-scan, conversion pass. The HXW file is replaced
    // only when the conversion succeeds; a failed one leaves an earlier file as it was.
    uint32_t CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress);
    bool CheckDomain(uint8_t type, uint32_t start, uint32_t end);
    bool PrescanSource(const std::string& source, uint8_t type);
    bool ConvertSource(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                       uint32_t start, uint32_t end, Progress& progress);

    // The conversion passes. source is open for binary reading at its beginning; recordMark is
    // the first character of its first line (':' Intel HEX, 'S' S-record). mode 0 takes the
    // domain from the pre-scan (Auto), any other value start..end (Manual). They write hxw
    // directly and end with the sum written into its header.
    uint32_t ConvertNormal(const std::string& hxw, hxw::File& source, char recordMark, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress);

private:
    std::string upperHalfPath_ = "Hxw.tmp";
};
