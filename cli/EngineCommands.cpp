// The engine's commands: convert and checksum.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "base/File.h"
#include "cli/CliCommon.h"
#include "cli/CliJson.h"
#include "cli/ConvertReport.h"
#include "cli/SourceSurvey.h"
#include "convert/SourceFacts.h"
#include "convert/SourceCopy.h"
#include "engine/HxwConverter.h"

namespace {
const char kConvertUsage[] =
    "usage: tessmark-cli convert SOURCE HXW [--type normal|720|4500|4byte|8byte] [--start HEX --end HEX]\n"
    "                                        [--json]\n"
    "\n"
    "Converts an Intel HEX or Motorola S-record file into an HXW image. Without --start/--end the\n"
    "image spans the source's data (Auto); with both it spans START..END (Manual, for normal, 720\n"
    "and 4500 only). Addresses are hexadecimal (at most 8 digits, an optional 0x). An earlier HXW\n"
    "file is replaced only on success. SOURCE \"-\" reads standard input; a pipe works too.\n"
    "\n"
    "After the result line it reports the image's address range, its size, its data bytes and its\n"
    "fill share; it warns on stderr when the image is at least 16 MiB and over 90 % fill (naming\n"
    "the data ranges and the --start/--end that crops to the largest) and when records of types\n"
    "the conversion does not know were left out. --json prints one JSON object instead.\n";

const char kChecksumUsage[] =
    "usage: tessmark-cli checksum HXW [--kind sum|ones|crc] [--crc-init HEX] [--start HEX --end HEX]\n"
    "                                 [--json]\n"
    "\n"
    "Computes the sum total (default), the one's complement of the sum total or the CRC of an HXW\n"
    "image, over its whole range or over START..END (one's complement and CRC; the sum total always\n"
    "covers the whole range). --crc-init gives the CRC's initial value (default 0). --json prints\n"
    "one JSON object instead of the result line.\n";

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

const char* TypeName(uint8_t type) {
    switch (type) {
        case 1: return "720";
        case 3: return "4500";
        case 4: return "4byte";
        case 8: return "8byte";
        default: return "normal";
    }
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
    CliReport report("convert", argc, argv);
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
    uint32_t start = 0, end = 0;
    if (manual && (!ParseStrictHexArg("--start", args.Get("start"), 0xFFFFFFFF, start, problem) ||
                   !ParseStrictHexArg("--end", args.Get("end"), 0xFFFFFFFF, end, problem)))
        return UsageError(kConvertUsage, problem);

    const std::string& source = args.positional[0];
    const std::string& hxw = args.positional[1];
    report.Fields().Str("source", source).Str("hxw", hxw).Str("type", TypeName(type)).Str("domain", manual ? "manual" : "auto");
    // Standard input ("-"), a pipe or a device can be read only once; the conversion's passes
    // read it from one copy.
    const bool fromStdin = source == "-";
    const std::string shown = fromStdin ? "(standard input)" : source;
    hxw::SourceCopy copy;
    if (fromStdin || hxw::KindOf(source) == hxw::PathKind::Other) {
        if (const uint32_t code = fromStdin ? copy.CopyFrom(stdin) : copy.CopyFrom(source))
            return ReportFailure(code, copy.Problem());
    }
    const std::string& from = copy.Path().empty() ? source : copy.Path();
    HxwConverter engine;
    const std::string upper = PrivateUpperHalfPath(hxw);
    engine.SetUpperHalfPath(upper);
    uint32_t code;
    // What the report says of the source comes from the conversion's own reading of it.
    hxw::SourceFacts facts;
    engine.CollectSourceFacts(&facts);
    {
        TerminalProgress progress("converting");
        code = engine.CreateHxwFile(from, hxw, type, manual ? 1 : 0, start, end, progress);
    }
    hxw::RemoveFile(upper);
    if (code) return ReportFailure(code, Detail(engine, shown));
    const bool series = type == 1 || type == 3;
    char line[600];
    std::snprintf(line, sizeof line, "Creation of a %s file was completed.  %s :%04Xh.", FileNamePart(hxw).c_str(),
                  series ? "Datasum" : "Checksum", static_cast<unsigned>(engine.LastCheckSum));
    Say("%s\n", line);
    report.Result(0, line);
    report.Fields().Str("checksum", Hex4(engine.LastCheckSum)).Str("checksum_kind", series ? "datasum" : "sum");
    const SourceSurvey survey = SurveyOf(facts);
    ReportConversion(shown, hxw, type, engine, &survey);
    return kExitOk;
}

int RunChecksum(int argc, char** argv) {
    CliReport report("checksum", argc, argv);
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
    uint32_t start = 0, end = 0, crcInit = 0;
    if (manual && (!ParseStrictHexArg("--start", args.Get("start"), 0xFFFFFFFF, start, problem) ||
                   !ParseStrictHexArg("--end", args.Get("end"), 0xFFFFFFFF, end, problem)))
        return UsageError(kChecksumUsage, problem);
    if (args.Has("crc-init") && !ParseStrictHexArg("--crc-init", args.Get("crc-init"), 0xFFFFFFFF, crcInit, problem))
        return UsageError(kChecksumUsage, problem);

    const std::string& path = args.positional[0];
    static const char* const kKindNames[] = {"sum", "ones", "crc"};
    report.Fields().Str("path", path).Str("kind", kKindNames[kind]).Str("domain", manual ? "manual" : "auto");
    if (manual) report.Fields().Str("start", Hex8(start)).Str("end", Hex8(end));
    if (kind == 2) report.Fields().Str("crc_init", Hex4(crcInit & 0xFFFF));
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
    char line[80];
    if (kind == 2) {
        std::snprintf(line, sizeof line, "  CRC Checksum :%04Xh.", value);
    } else if (kind == 1) {
        std::snprintf(line, sizeof line, "  One's complement Checksum :%04Xh.", value);
    } else {
        // The word follows the file's own type: the series images carry a data sum.
        HxwHeaderInfo info;
        ReadHxwHeaderInfo(path, info);
        const bool series = info.Type == 1 || info.Type == 3;
        std::snprintf(line, sizeof line, "  %s :%04Xh.", series ? "Datasum" : "Checksum", value);
    }
    Say("%s\n", line);
    report.Result(0, line + 2);
    report.Fields().Str("checksum", Hex4(value));
    return kExitOk;
}
