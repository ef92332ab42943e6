// tessmark-cli inspect HXW: what an image file holds and whether it is consistent.
#include <cstdio>

#include "base/Format.h"
#include "cli/CliCommon.h"
#include "cli/CliJson.h"
#include "cli/HxwInspection.h"

namespace {
const char kInspectUsage[] =
    "usage: tessmark-cli inspect HXW [--json]\n"
    "\n"
    "Shows an HXW image's header fields (address range, type, word mode), its body length against\n"
    "the header's range, the stored checksum against the one the body gives, and a map of the\n"
    "body: runs of data and runs of blank fill with their file offsets and addresses (fill holes\n"
    "shorter than a page of 256 addresses count with the data around them; the map is merged\n"
    "coarser until it fits a screen). Exit status 0 when the file is consistent, 1 with the first\n"
    "inconsistency named.\n";

std::string Hex(uint64_t v, int width) { return hxw::Format("%0*llX", width, static_cast<unsigned long long>(v)); }
}  // namespace

int RunInspect(int argc, char** argv) {
    CliReport report("inspect", argc, argv);
    CliArgs args;
    std::string problem;
    if (!ParseCliArgs(argc, argv, {}, {}, args, problem)) return UsageError(kInspectUsage, problem);
    if (args.help) return PrintHelp(kInspectUsage);
    if (args.positional.size() != 1) return UsageError(kInspectUsage, "inspect needs one HXW file");
    const std::string& path = args.positional[0];
    JsonObject& f = report.Fields();
    f.Str("path", path);

    HxwInspection in;
    if (const uint32_t code = InspectHxw(path, in)) return ReportFailure(code);
    f.Num("file_bytes", in.FileBytes);
    Say("File         %s, %llu bytes\n", path.c_str(), static_cast<unsigned long long>(in.FileBytes));
    if (in.HeaderRead) {
        const char* name = HxwTypeName(in.Type, in.ModeByte);
        Say("Range        %sh-%sh\n", Hex8(in.Start).c_str(), Hex8(in.End).c_str());
        Say("Type         %s (%s)\n", in.Type < 0 ? "?" : std::to_string(in.Type).c_str(), name);
        f.Str("start", Hex8(in.Start)).Str("end", Hex8(in.End));
        if (in.Type >= 0)
            f.Int("type", in.Type);
        else
            f.Null("type");
        f.Str("type_name", name);
        if (in.Type == 2) {
            Say("Word mode    %s (mode byte at offset 768: %s)\n",
                in.ModeByte == 4   ? "4Byte"
                : in.ModeByte == 8 ? "8Byte"
                                   : "none",
                in.ModeByte < 0 ? "absent" : (Hex(in.ModeByte, 2) + "h").c_str());
            if (in.ModeByte >= 0)
                f.Int("mode_byte", in.ModeByte);
            else
                f.Null("mode_byte");
            f.Str("word_mode", in.ModeByte == 4 ? "4byte" : in.ModeByte == 8 ? "8byte" : "");
        }
        Say("Body         %llu bytes; the header's range needs %llu\n",
            static_cast<unsigned long long>(in.BodyBytes),
            static_cast<unsigned long long>(in.ExpectedBodyBytes));
        f.Num("body_bytes", in.BodyBytes).Num("expected_body_bytes", in.ExpectedBodyBytes);
        const std::string stored = in.Stored ? Hex4(*in.Stored) + "h" : "not written";
        const std::string again =
            in.Recomputed ? Hex4(*in.Recomputed) + "h" : "not known (the body is short)";
        Say("Checksum     stored %s, the body gives %s\n", stored.c_str(), again.c_str());
        if (in.Stored)
            f.Str("stored_checksum", Hex4(*in.Stored));
        else
            f.Null("stored_checksum");
        if (in.Recomputed)
            f.Str("computed_checksum", Hex4(*in.Recomputed));
        else
            f.Null("computed_checksum");
        if (!in.Map.empty()) {
            Say("Map          (file offsets, addresses; fill holes below %llu addresses count as data)\n",
                static_cast<unsigned long long>(in.MergedBelow));
        }
        std::vector<JsonObject> runs;
        for (const auto& run : in.Map) {
            const uint64_t lastUnit = run.FirstUnit + run.Units - 1;
            const std::string o1 = Hex(in.OffsetOf(run.FirstUnit), 8),
                              o2 = Hex(in.OffsetOf(lastUnit) + in.UnitBytes() - 1, 8);
            const std::string a1 = Hex(in.AddressOf(run.FirstUnit), 8), a2 = Hex(in.AddressOf(lastUnit), 8);
            Say("  %s  %sh-%sh  at %sh-%sh  %llu addresses\n", run.Data ? "data" : "fill", o1.c_str(),
                o2.c_str(), a1.c_str(), a2.c_str(), static_cast<unsigned long long>(run.Units));
            runs.push_back(JsonObject()
                               .Str("kind", run.Data ? "data" : "fill")
                               .Str("first_offset", o1)
                               .Str("last_offset", o2)
                               .Str("first_address", a1)
                               .Str("last_address", a2)
                               .Num("addresses", run.Units));
        }
        f.Arr("map", runs).Num("map_merged_below", in.MergedBelow);
    }
    const bool ok = in.Problem.empty();
    const std::string verdict = ok ? "consistent" : "inconsistent: " + in.Problem;
    Say("%s\n", verdict.c_str());
    f.Bool("consistent", ok);
    if (!ok) f.Str("problem", in.Problem);
    report.Result(0, verdict);
    if (!ok) report.SetExit(kExitFailure);
    return ok ? kExitOk : kExitFailure;
}
