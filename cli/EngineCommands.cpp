// The engine's commands: convert and checksum.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "base/File.h"
#include "cli/CliCommon.h"
#include "device/HxwConverter.h"

namespace {
const char kConvertUsage[] =
    "usage: tessmark-cli convert SOURCE HXW [--type normal|720|4500|4byte|8byte] [--start HEX --end HEX]\n"
    "\n"
    "Converts an Intel HEX or Motorola S-record file into an HXW image. Without --start/--end the\n"
    "image spans the source's data (Auto); with both it spans START..END (Manual, for normal, 720\n"
    "and 4500 only). Addresses are hexadecimal. An earlier HXW file is replaced only on success.\n";

const char kChecksumUsage[] =
    "usage: tessmark-cli checksum HXW [--kind sum|ones|crc] [--crc-init HEX] [--start HEX --end HEX]\n"
    "\n"
    "Computes the sum total (default), the one's complement of the sum total or the CRC of an HXW\n"
    "image, over its whole range or over START..END (one's complement and CRC; the sum total always\n"
    "covers the whole range). --crc-init gives the CRC's initial value (default 0).\n";

// A private file for the upper-half records of this run, in the system's temporary folder.
std::string PrivateUpperHalfPath(const std::string& hxw) {
    std::random_device device;
    const auto now =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    char name[64];
    std::snprintf(name, sizeof name, "tessmark-%08x%08llx-Hxw.tmp", static_cast<unsigned>(device()),
                  now & 0xFFFFFFFFull);
    try {
        std::error_code ec;
        const auto folder = std::filesystem::temp_directory_path(ec);
        if (!ec) return (folder / name).string();
    } catch (...) {
        // A folder name the narrow code page cannot express: fall back to the output's folder.
    }
    return hxw + "." + name;
}

// "prog.hex:17: checksum 4C, expected 00" for a source defect, the bare reason otherwise.
std::string Detail(const HxwConverter& engine, const std::string& source) {
    if (engine.DefectLine)
        return source + ":" + std::to_string(engine.DefectLine) + ": " + engine.DefectDetail;
    return engine.DefectDetail;
}

bool ParseType(const std::string& text, uint8_t& type) {
    std::string t;
    for (char c : text) t += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (t == "normal")
        type = 0;
    else if (t == "720")
        type = 1;
    else if (t == "4500")
        type = 3;
    else if (t == "4byte")
        type = 4;
    else if (t == "8byte")
        type = 8;
    else
        return false;
    return true;
}
}  // namespace

int RunConvert(int argc, char** argv) {
    CliArgs args;
    std::string problem;
    if (!ParseCliArgs(argc, argv, {"type", "start", "end"}, {}, args, problem))
        return UsageError(kConvertUsage, problem);
    if (args.help) return PrintHelp(kConvertUsage);
    if (args.positional.size() != 2) return UsageError(kConvertUsage, "convert needs SOURCE and HXW");
    uint8_t type = 0;
    if (args.Has("type") && !ParseType(args.Get("type"), type))
        return UsageError(kConvertUsage, "unknown --type " + args.Get("type"));
    if (args.Has("start") != args.Has("end"))
        return UsageError(kConvertUsage, "--start and --end go together");
    const bool manual = args.Has("start");
    if (manual && (type == 4 || type == 8))
        return UsageError(kConvertUsage, "--start/--end do not apply to 4byte and 8byte");
    const uint32_t start = manual ? ParseHexArg(args.Get("start")) : 0;
    const uint32_t end = manual ? ParseHexArg(args.Get("end")) : 0;

    const std::string& source = args.positional[0];
    const std::string& hxw = args.positional[1];
    HxwConverter engine;
    const std::string upper = PrivateUpperHalfPath(hxw);
    engine.SetUpperHalfPath(upper);
    uint32_t code;
    {
        TerminalProgress progress("converting");
        code = engine.CreateHxwFile(source, hxw, type, manual ? 1 : 0, start, end, progress);
    }
    hxw::RemoveFile(upper);
    if (code) return ReportFailure(code, Detail(engine, source));
    const bool series = type == 1 || type == 3;
    std::printf("Creation of a %s file was completed.  %s :%04Xh.\n", FileNamePart(hxw).c_str(),
                series ? "Datasum" : "Checksum", static_cast<unsigned>(engine.LastCheckSum));
    return kExitOk;
}

int RunChecksum(int argc, char** argv) {
    CliArgs args;
    std::string problem;
    if (!ParseCliArgs(argc, argv, {"kind", "crc-init", "start", "end"}, {}, args, problem))
        return UsageError(kChecksumUsage, problem);
    if (args.help) return PrintHelp(kChecksumUsage);
    if (args.positional.size() != 1) return UsageError(kChecksumUsage, "checksum needs one HXW file");
    uint8_t kind = 0;
    if (args.Has("kind")) {
        const std::string k = args.Get("kind");
        if (k == "sum")
            kind = 0;
        else if (k == "ones")
            kind = 1;
        else if (k == "crc")
            kind = 2;
        else
            return UsageError(kChecksumUsage, "unknown --kind " + k);
    }
    if (args.Has("start") != args.Has("end"))
        return UsageError(kChecksumUsage, "--start and --end go together");
    const bool manual = args.Has("start");
    const uint32_t start = manual ? ParseHexArg(args.Get("start")) : 0;
    const uint32_t end = manual ? ParseHexArg(args.Get("end")) : 0;
    const uint32_t crcInit = ParseHexArg(args.Get("crc-init"));

    const std::string& path = args.positional[0];
    HxwConverter engine;
    uint32_t code;
    {
        TerminalProgress progress("checking");
        engine.SetCheckSumProgress(&progress);
        code = engine.CheckSumFile(path, kind, crcInit, manual, start, end);
        engine.SetCheckSumProgress(nullptr);
    }
    if (code) return ReportFailure(code);
    const unsigned value = engine.LastCheckSum;
    if (kind == 2) {
        std::printf("  CRC Checksum :%04Xh.\n", value);
    } else if (kind == 1) {
        std::printf("  One's complement Checksum :%04Xh.\n", value);
    } else {
        // The word follows the file's own type: the series images carry a data sum.
        HxwHeaderInfo info;
        ReadHxwHeaderInfo(path, info);
        const bool series = info.Type == 1 || info.Type == 3;
        std::printf("  %s :%04Xh.\n", series ? "Datasum" : "Checksum", value);
    }
    return kExitOk;
}
