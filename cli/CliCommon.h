// What every tessmark-cli command shares: argument splitting, lenient hexadecimal arguments,
// failure and usage reporting, and a terminal progress bar for the engine's Progress seam.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/Progress.h"

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the operation returned a result code
constexpr int kExitUsage = 2;    // the command line itself was wrong

// A command's entry point: argv[0] is the command name, the rest its arguments.
using CliCommandFn = int (*)(int argc, char** argv);

// Commands. Each lives in its own file: convert and checksum in EngineCommands.cpp; info,
// download, upload and security in DeviceCommands.cpp. main.cpp holds the table.
int RunConvert(int argc, char** argv);
int RunChecksum(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunDownload(int argc, char** argv);
int RunUpload(int argc, char** argv);
int RunSecurity(int argc, char** argv);
int RunDevices(int argc, char** argv);  // cli/usb/
int RunInspect(int argc, char** argv);  // InspectCommand.cpp

// One command's arguments: positional ones in order, options by name (without "--").
struct CliArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool help = false;  // --help or -h was given

    bool Has(const std::string& name) const;
    // The last value given for an option, or "" when absent.
    std::string Get(const std::string& name) const;
};

// Splits argv[1..] of a command. valueOptions take a value ("--name VALUE" or "--name=VALUE"),
// flagOptions take none. An unknown option or a missing value gives false and a reason.
bool ParseCliArgs(int argc, char** argv, const std::vector<std::string>& valueOptions,
                  const std::vector<std::string>& flagOptions, CliArgs& out, std::string& problem);

// Lenient hexadecimal, as the window reads typed addresses: leading blanks skipped, an optional
// 0x prefix, reading stops at the first character that is not a hexadecimal digit, no digits
// read as 0, and the value is cut to 32 bits.
uint32_t ParseHexArg(const std::string& text);

// The command line's own reading of a hexadecimal argument: the whole text must be hexadecimal
// digits (an optional 0x prefix aside) and the value must not exceed max. Anything else is
// refused, with the reason in problem naming the option ("--end: '1G00' is not a hexadecimal
// number"), so a mistyped address never becomes another one.
bool ParseStrictHexArg(const std::string& option, const std::string& text, uint32_t max, uint32_t& value,
                       std::string& problem);

// The file name and extension of a path, without drive and folder ("C:\work\prog.hxw" -> "prog.hxw").
std::string FileNamePart(const std::string& path);

// Prints "error 0xCODE: MESSAGE" on stderr, the message being the window's text for the code
// (a line break in it becomes nothing, so the report stays one line), followed by
// " — DETAIL" when a detail is given. Returns kExitFailure.
int ReportFailure(uint32_t code, const std::string& detail = std::string());
// The same line as text, without the trailing newline.
std::string FailureLine(uint32_t code, const std::string& detail = std::string());

// What stands between a message and its detail on one line: an em dash where terminals show
// UTF-8, a plain " - " on Windows consoles, which show narrow text in their own code page.
const char* DetailSeparator();

// Prints "tessmark-cli: PROBLEM" and then the usage text on stderr. Returns kExitUsage.
int UsageError(const char* usage, const std::string& problem);
// Prints the usage text on stdout (for --help). Returns kExitOk.
int PrintHelp(const char* usage);

bool StderrIsTerminal();

// The engine's progress seam drawn as a one-line bar on stderr. Draws only when stderr is a
// terminal (or when forced, for tests) and only when the shown percentage changes.
class TerminalProgress final : public Progress {
  public:
    explicit TerminalProgress(std::string label, std::FILE* out = stderr, bool force = false);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void SetRange(uint32_t low, uint32_t high) override;
    void SetPos(uint32_t pos) override;
    std::pair<uint32_t, uint32_t> GetRange() const override { return {low_, high_}; }
    // Clears the bar's line (once something was drawn).
    void Finish();
    // For transfers: each step of the range moves bytesPerStep bytes, totalBytes in all (0 when
    // not known beforehand); the line then also shows the bytes moved and the rate.
    void CountBytes(uint32_t bytesPerStep, uint64_t totalBytes);

  private:
    void Draw(unsigned permille);
    std::string ByteText() const;

    std::string label_;
    std::FILE* out_;
    bool enabled_;
    bool drawn_ = false;
    uint32_t low_ = 0;
    uint32_t high_ = 100;
    int lastPermille_ = -1;
    uint32_t pos_ = 0;
    uint32_t bytesPerStep_ = 0;
    uint64_t totalBytes_ = 0;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    size_t drawnWidth_ = 0;
};
