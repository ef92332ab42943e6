// HEX / S-record to HXW conversion.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "checksum/CheckSumOps.h"
#include "convert/SourceRecords.h"

enum HxwFileType : uint8_t { Normal = 0, Series720 = 1, Series4500 = 3, Byte4Mode = 4, Byte8Mode = 8 };
enum DomainMode : uint8_t { Auto = 0, Manual = 1 };

namespace hxw {
class File;
class PrescanVisitor;
class StreamedImage;
struct SourceFacts;
struct UpperHalfIndex;
}  // namespace hxw

// The conversion part of the engine: the pre-scan's range and the result codes go to the
// engine's shared state; every pass ends with the sum of the checksum part.
class ConversionOps {
  public:
    ConversionOps(SharedState& state, CheckSumOps& sums);
    ~ConversionOps();
    ConversionOps(const ConversionOps&) = delete;
    ConversionOps& operator=(const ConversionOps&) = delete;

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

    // The conversion passes. source is open for binary reading at its beginning; format is the
    // one its first character names (':' Intel HEX, 'S' S-record). mode 0 takes the
    // domain from the pre-scan (Auto), any other value start..end (Manual). They write hxw
    // directly and end with the sum written into its header.
    uint32_t ConvertNormal(const std::string& hxw, hxw::File& source, hxw::SourceFormat format, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress);

    // 720 Series (type 1) and 4500 Series (type 3): words joined from the lower half of the source
    // and their high parts in the upper-half file.
    uint32_t ConvertSeries(const std::string& hxw, hxw::File& source, hxw::SourceFormat format, uint8_t type,
                           uint8_t mode, uint32_t start, uint32_t end, Progress& progress);
    // The byte of address in the upper-half file (first record in file order that holds it), read
    // by the record layout of the source being converted (of the last series conversion, HEX
    // before any). 0x5001 (720 Series) or 0x5002 (4500 Series) when no record holds it; 0x7000
    // when the file cannot be opened. The file is read once per conversion into an index.
    uint32_t FindUpperByte(uint32_t address, uint8_t type, uint8_t& byte);

    // 4Byte Mode (mode 4) and 8Byte Mode (mode 8), Auto domain only.
    uint32_t ConvertWordMode(const std::string& hxw, hxw::File& source, uint8_t mode,
                             hxw::SourceFormat format, Progress& progress);
    // The header and the blank body of a word-mode image of lowest..highest; nothing for other modes.
    uint32_t CreateWordModeImage(const std::string& hxw, uint8_t mode, uint32_t lowest, uint32_t highest);
    // The attribute of address: 4 or 8 where a whole 4- or 8-byte unit starts within the record
    // (remaining = data bytes after this one in the same record), 1 otherwise.
    static uint8_t WriteUnit(uint32_t address, uint16_t remaining, uint8_t mode);

    // Conversions whose result can be had in fewer passes take them (the default); off, every
    // conversion takes the general passes, which are the reference the shorter ones must equal.
    void SetFastPaths(bool on) { fastPaths_ = on; }
    // Where a source read in two halves is split: at the first line start from at on, whatever its
    // size (UINT64_MAX, the default: from the middle of a large source). For tests.
    void SetSplitAt(uint64_t at) { splitAt_ = at; }
    // Where each pre-scan puts what it sees of the source for a report (null: nowhere).
    void CollectSourceFacts(hxw::SourceFacts* facts) { facts_ = facts; }
    // Whether the last pre-scan read its source in two halves.
    bool LastScanSplit() const { return lastSplit_; }

  private:
    SharedState& state_;
    CheckSumOps& sums_;

    // Normal Auto or a word mode (type) in one walk; false when the source needs the general
    // passes (then nothing of the walk remains).
    bool StreamAscending(const std::string& source, const std::string& hxw, uint8_t type, Progress& progress);

    hxw::PrescanVisitor* prescanVisitor_ = nullptr;
    // The image the pre-scan builds, which may take the source in two halves.
    hxw::StreamedImage* splitImage_ = nullptr;
    bool splitGaveUp_ = false;
    bool lastSplit_ = false;
    hxw::SourceFacts* facts_ = nullptr;
    uint64_t splitAt_ = UINT64_MAX;
    bool fastPaths_ = true;
    std::string upperHalfPath_ = "Hxw.tmp";
    // The upper-half records of the running series conversion, read on first use; outside a
    // conversion each lookup reads the file.
    std::unique_ptr<hxw::UpperHalfIndex> upperIndex_;
    bool indexUpperHalf_ = false;
    hxw::SourceFormat upperFormat_ = hxw::SourceFormat::Hex;
};
