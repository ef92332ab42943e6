// What the pages ask of the program: one call per operation and the last checksum. The window
// runs these on its HxwConverter (ConverterOperations); tests put a double here to choose the
// results.
#pragma once
#include <cstdint>
#include <string>

#include "base/Progress.h"
#include "device/DeviceOps.h"

class HxwConverter;

class PageOperations {
  public:
    virtual ~PageOperations() = default;
    // Each returns the operation's result code (0 success), as HxwConverter does.
    virtual uint32_t CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type,
                                   uint8_t mode, uint32_t start, uint32_t end, Progress& progress) = 0;
    virtual uint32_t CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual,
                                  uint32_t start, uint32_t end) = 0;
    virtual uint32_t DownloadFile(const std::string& path, const std::string& name, Progress& progress) = 0;
    virtual uint32_t UploadFile(const std::string& folder, std::string& nameOut, Progress& progress) = 0;
    virtual uint32_t SendSecurityRecord(const SecurityRecord& record) = 0;
    // The checksum the last successful conversion or checksum computation left.
    virtual uint16_t LastCheckSum() const = 0;
};

// The pages' calls passed on to the program's one engine object.
class ConverterOperations : public PageOperations {
  public:
    explicit ConverterOperations(HxwConverter& converter) : converter_(converter) {}
    uint32_t CreateHxwFile(const std::string& source, const std::string& hxw, uint8_t type, uint8_t mode,
                           uint32_t start, uint32_t end, Progress& progress) override;
    uint32_t CheckSumFile(const std::string& path, uint8_t kind, uint32_t crcInit, bool manual,
                          uint32_t start, uint32_t end) override;
    uint32_t DownloadFile(const std::string& path, const std::string& name, Progress& progress) override;
    uint32_t UploadFile(const std::string& folder, std::string& nameOut, Progress& progress) override;
    uint32_t SendSecurityRecord(const SecurityRecord& record) override;
    uint16_t LastCheckSum() const override;

  private:
    HxwConverter& converter_;
};
