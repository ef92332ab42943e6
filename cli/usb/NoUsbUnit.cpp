// tessmark-cli built without libusb: "--unit usb" and the devices command say so.
#include "cli/CliCommon.h"
#include "cli/DeviceCommands.h"

std::unique_ptr<CliUnit> MakeUsbUnit(const std::string&, std::string& problem) {
    problem = "this tessmark-cli was built without libusb: --unit usb is not available";
    return nullptr;
}

int RunDevices(int, char**) {
    std::fprintf(stderr, "tessmark-cli: this build has no USB port of its own (built without libusb)\n");
    return kExitUsage;
}
