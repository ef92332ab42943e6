// The program's single engine object: conversions, checksums and device operations, and the
// state they share. Callers (the window, the command line, tests) see this one object; inside,
// one part per area does the work on the state this object owns.
#pragma once
#include "base/SharedState.h"
#include "checksum/CheckSumOps.h"
#include "convert/ConversionOps.h"
#include "device/DeviceOps.h"

class HxwConverter : public SharedState, public LinkState {
  public:
    HxwConverter();
    ~HxwConverter();
    HxwConverter(const HxwConverter&) = delete;
    HxwConverter& operator=(const HxwConverter&) = delete;

    ConversionOps& Conversion() { return conversion_; }
    CheckSumOps& CheckSums() { return checkSums_; }
    DeviceOps& Device() { return device_; }
    const DeviceOps& Device() const { return device_; }

    // Conversion (see ConversionOps).
    void SetUpperHalfPath(std::string path) { conversion_.SetUpperHalfPath(std::move(path)); }
    const std::string& UpperHalfPath() const { return conversion_.UpperHalfPath(); }
    uint32_t CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress) {
        return conversion_.CreateHxwFile(source, hxw, type, mode, start, end, progress);
    }
    bool CheckDomain(uint8_t type, uint32_t start, uint32_t end) { return conversion_.CheckDomain(type, start, end); }
    bool PrescanSource(const std::string& source, uint8_t type) { return conversion_.PrescanSource(source, type); }
    bool ConvertSource(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                       uint32_t start, uint32_t end, Progress& progress) {
        return conversion_.ConvertSource(source, hxw, type, mode, start, end, progress);
    }
    uint32_t FindUpperByte(uint32_t address, uint8_t type, uint8_t& byte) {
        return conversion_.FindUpperByte(address, type, byte);
    }
    uint32_t CreateWordModeImage(const std::string& hxw, uint8_t mode, uint32_t lowest, uint32_t highest) {
        return conversion_.CreateWordModeImage(hxw, mode, lowest, highest);
    }
    void SetFastPaths(bool on) { conversion_.SetFastPaths(on); }
    void SetSplitAt(uint64_t at) { conversion_.SetSplitAt(at); }
    bool LastScanSplit() const { return conversion_.LastScanSplit(); }
    // Each conversion's pre-scan fills facts with where the source's data lie and which records
    // it ignored; facts must outlive the conversions (null: no facts are kept).
    void CollectSourceFacts(hxw::SourceFacts* facts) { conversion_.CollectSourceFacts(facts); }

    // Checksums (see CheckSumOps).
    uint32_t CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual, uint32_t start,
                          uint32_t end) {
        return checkSums_.CheckSumFile(path, kind, crcInit, manual, start, end);
    }
    uint32_t SumImage(const std::string& path, uint32_t type, bool writeBack) {
        return checkSums_.SumImage(path, type, writeBack);
    }
    uint32_t SumWordModeImage(const std::string& path, bool writeBack) {
        return checkSums_.SumWordModeImage(path, writeBack);
    }
    uint32_t OnesComplementImage(const std::string& path) { return checkSums_.OnesComplementImage(path); }
    uint32_t OnesComplementImage(const std::string& path, uint32_t start, uint32_t end) {
        return checkSums_.OnesComplementImage(path, start, end);
    }
    uint32_t CrcImage(const std::string& path, uint32_t crcInit) { return checkSums_.CrcImage(path, crcInit); }
    uint32_t CrcImage(const std::string& path, uint32_t crcInit, uint32_t start, uint32_t end) {
        return checkSums_.CrcImage(path, crcInit, start, end);
    }
    uint32_t WriteCheckSumField(const std::string& path, uint16_t value) {
        return checkSums_.WriteCheckSumField(path, value);
    }
    void SetCheckSumProgress(Progress* progress) { checkSums_.SetCheckSumProgress(progress); }

    // Device operations and the link (see DeviceOps).
    void SetUnitPort(UnitPort* port) { device_.SetUnitPort(port); }
    UnitPort* Port() const { return device_.Port(); }
    void SetUploadPause(uint32_t milliseconds) { device_.SetUploadPause(milliseconds); }
    void SetLinkTimeouts(const LinkTimeouts& timeouts) { device_.SetLinkTimeouts(timeouts); }
    const LinkTimeouts& Timeouts() const { return device_.Timeouts(); }
    uint32_t ReplyWaitExpiredMs() const { return device_.ReplyWaitExpiredMs(); }
    uint32_t ReadUnitFileInfo(UnitFileInfo& info) { return device_.ReadUnitFileInfo(info); }
    uint32_t DownloadFile(const std::string& path, const std::string& name, Progress& progress) {
        return device_.DownloadFile(path, name, progress);
    }
    uint32_t UploadFile(const std::string& folder, std::string& nameOut, Progress& progress) {
        return device_.UploadFile(folder, nameOut, progress);
    }
    uint32_t SendSecurityRecord(const SecurityRecord& record) { return device_.SendSecurityRecord(record); }
    bool OpenLink() { return device_.OpenLink(); }
    void CloseLink() { device_.CloseLink(); }
    bool SendCommand(const std::string& frame) { return device_.SendCommand(frame); }
    bool ReceiveReply(std::string& reply) { return device_.ReceiveReply(reply); }
    bool WriteData(const uint8_t* data, uint32_t count) { return device_.WriteData(data, count); }
    bool WriteZeroLength() { return device_.WriteZeroLength(); }
    bool ReadData(uint8_t* buffer, uint32_t count) { return device_.ReadData(buffer, count); }

  private:
    CheckSumOps checkSums_{*this};
    ConversionOps conversion_{*this, checkSums_};
    DeviceOps device_{*this, *this};
};
