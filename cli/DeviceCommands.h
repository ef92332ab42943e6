// The unit a device command talks to: the default one of the build, the unit through libusb
// ("--unit usb[:CHOICE]", the default where libusb is), or the unit emulator in-process
// ("--unit emulator:DIR").
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "device/LinkTimeouts.h"

class UnitPort;
class DeviceOps;

class CliUnit {
  public:
    virtual ~CliUnit() = default;
    virtual UnitPort& Port() = 0;
    // The bounds of --timeout, for the transport's own transfers.
    virtual void SetTimeouts(const LinkTimeouts&) {}
    // Checked before anything is sent to the unit; false and a reason stop the command.
    virtual bool Ready(std::string& /*problem*/) { return true; }
    // What the user can do about a failed operation's code; "" when the transport knows nothing more.
    virtual std::string Explain(uint32_t /*code*/, const DeviceOps& /*engine*/) { return {}; }
};

// The unit through libusb: choice "" for the only attached unit, "BUS-PORT" or a serial number
// for one of several. Null and a reason where this build has no USB port.
std::unique_ptr<CliUnit> MakeUsbUnit(const std::string& choice, std::string& problem);
// The unit a device command reaches without --unit: the system's transport on Windows, the only
// attached unit through libusb where the build has libusb, and otherwise none (every operation
// then ends with 0x4000). Null and a reason when it cannot be had.
std::unique_ptr<CliUnit> MakeDefaultUnit(std::string& problem);
// What the device commands' help says about reaching the unit with this build.
const char* UnitHelp();

// unitArg: "" for the default unit, "emulator:DIR" for the emulator keeping its file in
// DIR (faults from TESSMARK_UNIT_FAULT, as the emulated Dorlink reads them). Null and a reason
// for anything else.
std::unique_ptr<CliUnit> MakeCliUnit(const std::string& unitArg, std::string& problem);
