// Placeholder until the link is in: every operation reports that the unit cannot be reached.
#include "device/DeviceOps.h"

#include "convert/ResultCodes.h"

SecurityRecord BuildSecurityRecord(int, const std::string&, const std::string&, int) { return {}; }

uint32_t DeviceOps::ReadUnitFileInfo(UnitFileInfo&) { return LastResult = rc::UsbInit; }
uint32_t DeviceOps::DownloadFile(const std::string&, const std::string&, Progress&) {
    return LastResult = rc::UsbInit;
}
uint32_t DeviceOps::UploadFile(const std::string&, std::string&, Progress&) { return LastResult = rc::UsbInit; }
uint32_t DeviceOps::SendSecurityRecord(const SecurityRecord&) { return LastResult = rc::UsbInit; }
