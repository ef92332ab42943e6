// tessmark-cli's unit through libusb: "--unit usb[:CHOICE]", the default on this system, and
// the devices command that lists the attached units.
#include <libusb.h>

#include <cstdio>

#include "cli/CliCommon.h"
#include "cli/DeviceCommands.h"
#include "base/ResultCodes.h"
#include "device/DeviceOps.h"
#include "device/libusb/LibusbPort.h"
#include "device/libusb/UsbSelection.h"

namespace {
const char kRuleHelp[] =
    "install the udev rule 60-tessmark.rules (as root: cp packaging/linux/60-tessmark.rules "
    "/etc/udev/rules.d/ && udevadm control --reload-rules && udevadm trigger), then plug the unit in again";

std::string ProductText(uint16_t product) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04x", unsigned(product));
    return buf;
}

// One line per unit: "usb:1-4  product 0002  serial ABC123  may be opened".
std::string UnitLine(const UsbUnitEntry& u) {
    std::string line = "usb:" + u.Place + "  product " + ProductText(u.ProductId);
    line += "  serial " + (u.Serial.empty() ? std::string("(none)") : u.Serial);
    if (u.OpenError == 0)
        line += "  may be opened";
    else
        line += "  cannot be opened: " + LibusbErrorText(u.OpenError);
    return line;
}

bool Fits(const UsbUnitEntry& u, const std::string& choice) {
    if (choice.empty()) return true;
    return LooksLikePortPath(choice) ? u.Place == choice : u.Serial == choice;
}

class UsbUnit final : public CliUnit {
  public:
    explicit UsbUnit(std::string choice) : choice_(std::move(choice)) { port_.SetChoice(choice_); }
    UnitPort& Port() override { return port_; }
    void SetTimeouts(const LinkTimeouts& t) override { port_.SetTransferTimeout(t.TransferMs); }

    bool Ready(std::string& problem) override {
        if (!choice_.empty()) return true;
        std::vector<UsbUnitEntry> units = port_.ListUnits();
        if (units.size() < 2) return true;
        problem = std::to_string(units.size()) +
                  " units are attached; choose one with --unit usb:BUS-PORT or --unit usb:SERIAL:";
        for (const auto& u : units) problem += "\n  " + UnitLine(u);
        return false;
    }

    std::string Explain(uint32_t code, const DeviceOps& engine) override {
        const int error = port_.LastError();
        if (code == rc::UsbInit) return ExplainOpen();
        if (code == rc::UsbReceive && engine.ReplyWaitExpiredMs())
            return "the unit did not answer within " + std::to_string(engine.ReplyWaitExpiredMs()) + " ms";
        if (code != rc::UsbSend && code != rc::UsbReceive) return {};
        switch (error) {
            case 0:
                return {};
            case LIBUSB_ERROR_TIMEOUT:
                return "the unit did not answer within " + std::to_string(port_.TransferTimeout()) + " ms";
            case LIBUSB_ERROR_NO_DEVICE:
                return "the unit was unplugged during the transfer; nothing was kept";
            default:
                return LibusbErrorText(error);
        }
    }

  private:
    std::string ExplainOpen() {
        std::string problem = port_.StartProblem();
        if (!problem.empty()) return problem;
        const int error = port_.LastError();
        std::vector<UsbUnitEntry> all = port_.ListUnits();
        std::vector<UsbUnitEntry> units;
        for (const auto& u : all)
            if (Fits(u, choice_)) units.push_back(u);
        if (units.empty()) {
            if (all.empty()) return "no unit with vendor 1079 and product 0002 or 0100 is attached";
            std::string text = "no attached unit is usb:" + choice_ + "; attached:";
            for (const auto& u : all) text += "\n  " + UnitLine(u);
            return text;
        }
        for (const auto& u : units)
            if (u.OpenError == LIBUSB_ERROR_ACCESS)
                return "permission denied opening the unit at usb:" + u.Place + ": " + kRuleHelp;
        if (error == LIBUSB_ERROR_BUSY)
            return "the unit's interface is in use by another program: end that program and try again";
        if (error != 0) return "the unit could not be opened: " + LibusbErrorText(error);
        return "the unit did not answer its device descriptor request";
    }

    std::string choice_;
    LibusbPort port_;
};

const char kDevicesUsage[] =
    "usage: tessmark-cli devices\n"
    "\n"
    "Lists the units attached (vendor 1079, product 0002 or 0100) as usb:BUS-PORT with their\n"
    "product ID, serial number and whether this user may open them. Either name picks a unit\n"
    "for --unit: --unit usb:BUS-PORT or --unit usb:SERIAL.\n";
}  // namespace

std::unique_ptr<CliUnit> MakeUsbUnit(const std::string& choice, std::string& /*problem*/) {
    return std::make_unique<UsbUnit>(choice);
}

std::unique_ptr<CliUnit> MakeDefaultUnit(std::string& problem) { return MakeUsbUnit("", problem); }

const char* UnitHelp() {
    return "Without --unit, or with --unit usb, the unit is reached through libusb; with several units\n"
           "attached, --unit usb:BUS-PORT or --unit usb:SERIAL picks one (tessmark-cli devices lists\n"
           "them). With --unit emulator:DIR a unit emulator inside this program answers instead,\n"
           "keeping its file in the folder DIR.\n";
}

int RunDevices(int argc, char** argv) {
    CliArgs args;
    std::string problem;
    if (!ParseCliArgs(argc, argv, {}, {}, args, problem)) return UsageError(kDevicesUsage, problem);
    if (args.help) return PrintHelp(kDevicesUsage);
    if (!args.positional.empty()) return UsageError(kDevicesUsage, "devices takes no arguments");
    LibusbPort port;
    problem = port.StartProblem();
    if (!problem.empty()) return ReportFailure(rc::UsbInit, problem);
    std::vector<UsbUnitEntry> units = port.ListUnits();
    if (units.empty()) {
        std::printf("No unit is attached (vendor 1079, product 0002 or 0100).\n");
        return kExitOk;
    }
    bool denied = false;
    for (const auto& u : units) {
        std::printf("%s\n", UnitLine(u).c_str());
        denied = denied || u.OpenError == LIBUSB_ERROR_ACCESS;
    }
    if (denied) std::fprintf(stderr, "To open a unit without root, %s.\n", kRuleHelp);
    return kExitOk;
}
