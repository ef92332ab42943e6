// tessmark-cli's default unit where the build has no transport (no libusb): the unit is never
// found, so a device command without --unit ends with 0x4000.
#include "cli/DeviceCommands.h"
#include "device/NullPort.h"

namespace {
class NoUnit final : public CliUnit {
  public:
    UnitPort& Port() override { return port_; }

  private:
    NullUnitPort port_;
};
}  // namespace

std::unique_ptr<CliUnit> MakeDefaultUnit(std::string&) { return std::make_unique<NoUnit>(); }

const char* UnitHelp() {
    return "This tessmark-cli was built without libusb: without --unit no unit is found. With\n"
           "--unit emulator:DIR a unit emulator inside this program answers, keeping its file in\n"
           "the folder DIR.\n";
}
