// tessmark-cli: the engine of Tessmark on the command line.
#include <cstdio>
#include <cstring>

#include "cli/CliCommon.h"
#include "cli/CliJson.h"

namespace {
struct CliCommand {
    const char* name;
    CliCommandFn run;
    const char* summary;
};

// One line per command; each command's code lives in its own file.
const CliCommand kCommands[] = {
    {"convert", RunConvert, "convert an Intel HEX or S-record source into an HXW image"},
    {"checksum", RunChecksum, "sum total, one's complement or CRC of an HXW image"},
    {"inspect", RunInspect, "header, body length, checksum and data map of an HXW image"},
    {"info", RunInfo, "name, size and time stamps of the file the unit holds"},
    {"download", RunDownload, "send a file to the unit"},
    {"upload", RunUpload, "read the unit's file into a folder"},
    {"security", RunSecurity, "send the unit its security settings"},
    {"devices", RunDevices, "list the attached units (through libusb)"},
};

void PrintCommands(std::FILE* out) {
    std::fputs(
        "usage: tessmark-cli COMMAND [ARGS...]   (tessmark-cli COMMAND --help for details)\n"
        "       tessmark-cli --version [--json]\n\ncommands:\n",
        out);
    for (const auto& c : kCommands) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
    std::fputs(
        "\nEvery command takes --json: one JSON object on stdout with the result code, its message\n"
        "and the command's fields. Exit status: 0 success, 1 the operation failed (or a\n"
        "verification or inspection found a difference), 2 the command line was wrong.\n",
        out);
}

int PrintVersion(int argc, char** argv) {
    CliReport report("version", argc, argv);
    report.Result(0, "tessmark-cli " TESSMARK_VERSION);
    report.Fields().Str("version", TESSMARK_VERSION);
    Say("tessmark-cli %s\n", TESSMARK_VERSION);
    return kExitOk;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintCommands(stderr);
        return kExitUsage;
    }
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        PrintCommands(stdout);
        return kExitOk;
    }
    if (!std::strcmp(argv[1], "--version") || !std::strcmp(argv[1], "version")) return PrintVersion(argc - 1, argv + 1);
    for (const auto& c : kCommands)
        if (!std::strcmp(argv[1], c.name)) return c.run(argc - 1, argv + 1);
    std::fprintf(stderr, "tessmark-cli: unknown command '%s'\n", argv[1]);
    PrintCommands(stderr);
    return kExitUsage;
}
