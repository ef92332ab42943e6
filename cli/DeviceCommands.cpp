// The device commands: info, download, upload and security.
#include "cli/DeviceCommands.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "cli/CliCommon.h"
#include "base/File.h"
#include "base/ResultCodes.h"
#include "cli/CliJson.h"
#include "cli/VerifyDownload.h"
#include "engine/HxwConverter.h"
#include "device/emulator/EmulatorPort.h"
#include "device/emulator/UnitEmulator.h"

namespace {
#define TM_TIMEOUT_HELP                                                                          \
    "--timeout MS bounds every USB transfer and the whole wait for each reply of the unit (by\n" \
    "default 5000 ms a transfer, 30 s of silence, 10 minutes while the unit reports it is busy).\n"

const std::string kInfoUsage = std::string(
    "usage: tessmark-cli info [--unit UNIT] [--timeout MS] [--json]\n"
    "\n"
    "Shows the name, size, time stamps and attributes of the file the unit holds.\n") + UnitHelp() + TM_TIMEOUT_HELP;

const std::string kDownloadUsage = std::string(
    "usage: tessmark-cli download FILE [--verify] [--unit UNIT] [--timeout MS] [--json]\n"
    "\n"
    "Sends FILE (HXW, FXW, PBT or any other file; its bytes are sent unchanged) to the unit under\n"
    "its own name (at most 21 characters), with its size, time stamps and attributes.\n"
    "With --verify it then reads the unit's file information (name and size must match) and\n"
    "the file itself back into a temporary folder, compares them byte for byte, removes the\n"
    "copy and ends with one verdict line: \"verified: N bytes identical\", or the first\n"
    "difference and exit status 1.\n") + UnitHelp() + TM_TIMEOUT_HELP;

const std::string kUploadUsage = std::string(
    "usage: tessmark-cli upload FOLDER [--unit UNIT] [--timeout MS] [--json]\n"
    "\n"
    "Reads the unit's file into FOLDER under the name the unit gives it, replacing a file of that\n"
    "name only once the whole file has arrived.\n") + UnitHelp() + TM_TIMEOUT_HELP;

const std::string kSecurityUsage = std::string(
    "usage: tessmark-cli security [--set|--cancel] [--id ID] [--count N] [--buzzer on|off]\n"
    "                             [--unit UNIT] [--timeout MS] [--json]\n"
    "\n"
    "Sends the unit its security record: security on (--set) or off (--cancel, the default), an\n"
    "ID code of up to 4 letters or digits, an execution count of up to 5 decimal digits (both\n"
    "blank when not given) and the buzzer on (the default) or off.\n") + UnitHelp() + TM_TIMEOUT_HELP;

const char kFaultVariable[] = "TESSMARK_UNIT_FAULT";

class EmulatedUnit final : public CliUnit {
  public:
    EmulatedUnit(const std::string& folder, const UnitFaults& faults) : unit_(folder, faults), port_(unit_) {}
    UnitPort& Port() override { return port_; }

  private:
    UnitEmulator unit_;
    EmulatorPort port_;
};

// Parses the common part of every device command: --unit and the positional count.
struct DeviceCommand {
    CliArgs args;
    std::unique_ptr<CliUnit> unit;
    HxwConverter engine;
};

int Prepare(int argc, char** argv, const char* usage, const std::vector<std::string>& valueOptions,
            const std::vector<std::string>& flagOptions, size_t positional, const char* positionalProblem,
            DeviceCommand& cmd, bool& done) {
    done = true;
    std::string problem;
    std::vector<std::string> values = valueOptions;
    values.push_back("unit");
    values.push_back("timeout");
    if (!ParseCliArgs(argc, argv, values, flagOptions, cmd.args, problem)) return UsageError(usage, problem);
    if (cmd.args.help) return PrintHelp(usage);
    if (cmd.args.positional.size() != positional) return UsageError(usage, positionalProblem);
    LinkTimeouts timeouts;
    if (cmd.args.Has("timeout")) {
        const std::string t = cmd.args.Get("timeout");
        if (t.empty() || t.size() > 9 || t.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(t) == 0)
            return UsageError(usage, "--timeout takes a number of milliseconds from 1 to 999999999");
        timeouts = LinkTimeouts::All(uint32_t(std::stoul(t)));
    }
    cmd.unit = MakeCliUnit(cmd.args.Get("unit"), problem);
    if (!cmd.unit) return UsageError(usage, problem);
    cmd.unit->SetTimeouts(timeouts);
    cmd.engine.SetLinkTimeouts(timeouts);
    cmd.engine.SetUnitPort(&cmd.unit->Port());
    // Settled before anything goes to the unit (several units and no choice, for one).
    if (!cmd.unit->Ready(problem)) return ReportFailure(rc::UsbInit, problem);
    done = false;
    return kExitOk;
}

// The failure line, with what the transport can tell about it.
int DeviceFailure(DeviceCommand& cmd, uint32_t code) {
    std::string detail = cmd.unit->Explain(code, cmd.engine.Device());
    if (detail.empty() && code == rc::UsbReceive && cmd.engine.ReplyWaitExpiredMs())
        detail = "the unit did not answer within " + std::to_string(cmd.engine.ReplyWaitExpiredMs()) + " ms";
    return ReportFailure(code, detail);
}

std::string DosDateTimeText(uint32_t v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (v >> 25), (v >> 21) & 0x0F,
                  (v >> 16) & 0x1F, (v >> 11) & 0x1F, (v >> 5) & 0x3F, (v & 0x1F) * 2);
    return buf;
}

std::string AttributeText(uint8_t a) {
    std::string text;
    auto add = [&](uint8_t bit, const char* name) {
        if (!(a & bit)) return;
        if (!text.empty()) text += ", ";
        text += name;
    };
    add(0x01, "read-only");
    add(0x02, "hidden");
    add(0x04, "system");
    add(0x20, "archive");
    return text.empty() ? "none" : text;
}

JsonObject UnitFileJson(const UnitFileInfo& info) {
    JsonObject f;
    f.Str("name", info.Name).Num("size", info.Size);
    f.Str("created", DosDateTimeText(info.CreationTime)).Str("created_hex", Hex8(info.CreationTime));
    f.Str("modified", DosDateTimeText(info.LastWriteTime)).Str("modified_hex", Hex8(info.LastWriteTime));
    f.Str("accessed", DosDateTimeText(uint32_t(info.LastAccessDate) << 16).substr(0, 10))
        .Str("accessed_hex", Hex4(info.LastAccessDate));
    char attributes[8];
    std::snprintf(attributes, sizeof attributes, "%02X", unsigned(info.Attributes));
    f.Str("attributes_hex", attributes).Str("attributes", AttributeText(info.Attributes));
    return f;
}

bool IsAlnumText(const std::string& s) {
    for (unsigned char c : s)
        if (!std::isalnum(c)) return false;
    return true;
}

bool IsDigitText(const std::string& s) {
    for (unsigned char c : s)
        if (!std::isdigit(c)) return false;
    return true;
}
}  // namespace

std::unique_ptr<CliUnit> MakeCliUnit(const std::string& unitArg, std::string& problem) {
    if (unitArg.empty()) return MakeDefaultUnit(problem);
    if (unitArg == "usb") return MakeUsbUnit("", problem);
    if (unitArg.rfind("usb:", 0) == 0 && unitArg.size() > 4) return MakeUsbUnit(unitArg.substr(4), problem);
    const std::string prefix = "emulator:";
    if (unitArg.rfind(prefix, 0) != 0 || unitArg.size() == prefix.size()) {
        problem = "--unit takes usb, usb:BUS-PORT, usb:SERIAL or emulator:DIR";
        return nullptr;
    }
    UnitFaults faults;
    if (const char* env = std::getenv(kFaultVariable)) {
        std::string bad;
        if (!ParseUnitFaults(env, faults, bad)) {
            problem = std::string(kFaultVariable) + ": unknown fault '" + bad + "'";
            return nullptr;
        }
    }
    return std::make_unique<EmulatedUnit>(unitArg.substr(prefix.size()), faults);
}

int RunInfo(int argc, char** argv) {
    CliReport report("info", argc, argv);
    DeviceCommand cmd;
    bool done;
    int exit = Prepare(argc, argv, kInfoUsage.c_str(), {}, {}, 0, "info takes no file", cmd, done);
    if (done) return exit;
    HxwConverter& engine = cmd.engine;
    if (!engine.OpenLink()) return DeviceFailure(cmd, engine.LastResult = rc::UsbInit);
    UnitFileInfo info;
    // On failure the link is already closed.
    if (uint32_t code = engine.ReadUnitFileInfo(info)) return DeviceFailure(cmd, code);
    engine.CloseLink();
    if (info.Size == 0 && info.Name.empty()) {
        Say("The unit holds no file.\n");
        report.Result(0, "The unit holds no file.");
        report.Fields().Null("file");
        return kExitOk;
    }
    Say("Name       %s\n", info.Name.c_str());
    Say("Size       %u bytes (%08Xh)\n", unsigned(info.Size), unsigned(info.Size));
    Say("Created    %s (%08Xh)\n", DosDateTimeText(info.CreationTime).c_str(), unsigned(info.CreationTime));
    Say("Modified   %s (%08Xh)\n", DosDateTimeText(info.LastWriteTime).c_str(), unsigned(info.LastWriteTime));
    const std::string accessed = DosDateTimeText(uint32_t(info.LastAccessDate) << 16).substr(0, 10);
    Say("Accessed   %s (%04Xh)\n", accessed.c_str(), unsigned(info.LastAccessDate));
    Say("Attributes %02Xh (%s)\n", unsigned(info.Attributes), AttributeText(info.Attributes).c_str());
    report.Result(0, "The unit holds " + info.Name + ".");
    report.Fields().Obj("file", UnitFileJson(info));
    return kExitOk;
}

int RunDownload(int argc, char** argv) {
    CliReport report("download", argc, argv);
    DeviceCommand cmd;
    bool done;
    int exit = Prepare(argc, argv, kDownloadUsage.c_str(), {}, {"verify"}, 1, "download needs one FILE", cmd, done);
    if (done) return exit;
    const std::string& path = cmd.args.positional[0];
    const std::string name = FileNamePart(path);
    report.Fields().Str("path", path).Str("name", name);
    uint32_t code;
    {
        TerminalProgress progress("downloading " + name);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        progress.CountBytes(unitlink::BlockSize, error ? 0 : uint64_t(size));
        code = cmd.engine.DownloadFile(path, name, progress);
    }
    if (code) return DeviceFailure(cmd, code);
    const std::string line = "Download of a " + name + " file was completed.";
    Say("%s\n", line.c_str());
    report.Result(0, line);
    if (cmd.args.Has("verify")) return VerifyDownload(cmd.engine, path, name);
    return kExitOk;
}

int RunUpload(int argc, char** argv) {
    CliReport report("upload", argc, argv);
    DeviceCommand cmd;
    bool done;
    int exit = Prepare(argc, argv, kUploadUsage.c_str(), {}, {}, 1, "upload needs one FOLDER", cmd, done);
    if (done) return exit;
    std::string folder = cmd.args.positional[0];
    // The operation puts the name straight after the folder.
    folder = hxw::WithFolderSeparator(folder);
    std::string name;
    uint32_t code;
    {
        TerminalProgress progress("uploading");
        progress.CountBytes(unitlink::BlockSize, 0);  // the size is the unit's to tell
        code = cmd.engine.UploadFile(folder, name, progress);
    }
    report.Fields().Str("folder", cmd.args.positional[0]);
    if (code) return DeviceFailure(cmd, code);
    const std::string line = "Upload of a " + name + " file was completed.";
    Say("%s\n", line.c_str());
    report.Result(0, line);
    report.Fields().Str("name", name).Str("path", folder + name);
    return kExitOk;
}

int RunSecurity(int argc, char** argv) {
    CliReport report("security", argc, argv);
    DeviceCommand cmd;
    bool done;
    int exit = Prepare(argc, argv, kSecurityUsage.c_str(), {"id", "count", "buzzer"}, {"set", "cancel"}, 0,
                       "security takes no file", cmd, done);
    if (done) return exit;
    const CliArgs& a = cmd.args;
    if (a.Has("set") && a.Has("cancel"))
        return UsageError(kSecurityUsage.c_str(), "--set and --cancel exclude each other");
    const std::string id = a.Get("id");
    const std::string count = a.Get("count");
    if (id.size() > 4 || !IsAlnumText(id))
        return UsageError(kSecurityUsage.c_str(), "--id takes up to 4 letters or digits");
    if (count.size() > 5 || !IsDigitText(count))
        return UsageError(kSecurityUsage.c_str(), "--count takes up to 5 decimal digits");
    int buzzer = 1;
    if (a.Has("buzzer")) {
        const std::string b = a.Get("buzzer");
        if (b == "on")
            buzzer = 1;
        else if (b == "off")
            buzzer = 0;
        else
            return UsageError(kSecurityUsage.c_str(), "--buzzer takes on or off");
    }
    const int security = a.Has("set") ? 1 : 0;
    report.Fields().Bool("security", security).Str("id", id).Str("count", count).Bool("buzzer", buzzer);
    if (uint32_t code = cmd.engine.SendSecurityRecord(BuildSecurityRecord(security, id, count, buzzer)))
        return DeviceFailure(cmd, code);
    Say("Download of a security info was completed.\n");
    report.Result(0, "Download of a security info was completed.");
    return kExitOk;
}
