// The link to the unit and the four device operations.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "convert/EngineState.h"

class UnitPort;

// The unit's description of the file it holds: the tail of the download command and the
// answer of the file information request.
struct UnitFileInfo {
    std::string Name;             // at most 21 characters
    uint32_t Size = 0;
    uint32_t CreationTime = 0;    // DOS date-time
    uint32_t LastWriteTime = 0;   // DOS date-time
    uint16_t LastAccessDate = 0;  // DOS date
    uint8_t Attributes = 0;
};

using SecurityRecord = std::array<uint8_t, 512>;

// security, buzzer: 0 or 1; id and count as the page holds them.
SecurityRecord BuildSecurityRecord(int security, const std::string& id, const std::string& count, int buzzer);

class DeviceOps : public virtual EngineState {
public:
    // The transport the operations use; without one every open fails with 0x4000.
    void SetUnitPort(UnitPort* port) { port_ = port; }
    UnitPort* Port() const { return port_; }

    uint32_t ReadUnitFileInfo(UnitFileInfo& info);
    // name: the file name without its folder, as the unit is to store it.
    uint32_t DownloadFile(const std::string& path, const std::string& name, Progress& progress);
    // folder ends in a path separator; nameOut receives the unit's file name on success.
    uint32_t UploadFile(const std::string& folder, std::string& nameOut, Progress& progress);
    uint32_t SendSecurityRecord(const SecurityRecord& record);

protected:
    UnitPort* port_ = nullptr;
};
