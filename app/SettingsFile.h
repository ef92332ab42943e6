// The operator's last choices and the last page shown, kept in ZV.DEF beside the executable.
#pragma once
#include <cstdint>
#include <string>

class SettingsFile {
  public:
    // folder: the executable's drive and folder, ending in a path separator (may be empty: the
    // current folder).
    explicit SettingsFile(std::string folder = {}) : folder_(std::move(folder)) {}
    virtual ~SettingsFile() = default;

    // The full path of ZV.DEF.
    std::string GetPath() const;
    // True if the file could be opened: the values found in it are now in the object. False leaves
    // the object unchanged.
    bool Load();
    // Writes all 39 lines through a temporary file renamed over ZV.DEF, so a failure never leaves
    // half a file. False if it could not be written; the previous file is then untouched.
    bool Save() const;

    uint8_t hxwFileType = 0;
    uint8_t tabId = 0;
    std::string hxwFileName;
    std::string hexFileName;
    uint32_t hxwDomainType = 0;
    uint32_t hxwDomainStart = 0;
    uint32_t hxwDomainEnd = 0;
    std::string downloadFileName;
    std::string uploadFileName;
    std::string checkSumFileName;
    uint16_t crcInitialValue = 0xFFFF;
    uint8_t checkSumType = 0;
    uint32_t checkSumDomainType = 0;
    uint32_t checkSumDomainStart = 0;
    uint32_t checkSumDomainEnd = 0;

  private:
    std::string folder_;
};
