// The unit a device command talks to: the platform's transport, the unit through libusb
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
// Whether a device command without --unit goes through libusb.
bool UsbIsDefault();

// unitArg: "" for the platform's transport, "emulator:DIR" for the emulator keeping its file in
// DIR (faults from TESSMARK_UNIT_FAULT, as the emulated Dorlink reads them). Null and a reason
// for anything else.
std::unique_ptr<CliUnit> MakeCliUnit(const std::string& unitArg, std::string& problem);
