// tessmark-cli's default unit on Windows: the system's transport, Dorlink.dll beside the 32-bit
// program or Fenlink.dll beside the 64-bit one.
#include "cli/DeviceCommands.h"
#include "device/win32/SystemPort.h"

namespace {
class SystemUnit final : public CliUnit {
  public:
    UnitPort& Port() override { return SystemUnitPort(); }
};
}  // namespace

std::unique_ptr<CliUnit> MakeDefaultUnit(std::string&) { return std::make_unique<SystemUnit>(); }

const char* UnitHelp() {
    return sizeof(void*) == 8
               ? "Without --unit the unit is reached through Fenlink.dll beside the program (WinUSB).\n"
                 "With --unit emulator:DIR a unit emulator inside this program answers instead,\n"
                 "keeping its file in the folder DIR.\n"
               : "Without --unit the unit is reached through Dorlink.dll beside the program (the unit's\n"
                 "kernel driver). With --unit emulator:DIR a unit emulator inside this program answers\n"
                 "instead, keeping its file in the folder DIR.\n";
}
