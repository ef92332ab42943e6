#include "cli/CliCommon.h"

#include <algorithm>

#include "base/ResultCodes.h"
#include "cli/CliJson.h"

#include "base/File.h"
#include "base/Format.h"
#include "base/HexRead.h"

bool CliArgs::Has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string CliArgs::Get(const std::string& name) const {
    std::string value;
    for (const auto& o : options)
        if (o.first == name) value = o.second;
    return value;
}

bool ParseCliArgs(int argc, char** argv, const std::vector<std::string>& valueOptions,
                  const std::vector<std::string>& flagOptions, CliArgs& out, std::string& problem) {
    out = CliArgs{};
    auto in = [](const std::vector<std::string>& list, const std::string& s) {
        return std::find(list.begin(), list.end(), s) != list.end();
    };
    bool onlyPositional = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (onlyPositional || arg.size() < 2 || arg[0] != '-') {
            out.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyPositional = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            continue;
        }
        // Every command reports in JSON on request; CliReport picks the flag up itself.
        if (arg == "--json") continue;
        if (arg.rfind("--", 0) != 0) {
            problem = "unknown option " + arg;
            return false;
        }
        std::string name = arg.substr(2);
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (in(flagOptions, name)) {
            if (hasValue) {
                problem = "option --" + name + " takes no value";
                return false;
            }
            out.options.emplace_back(name, "");
        } else if (in(valueOptions, name)) {
            if (!hasValue) {
                if (i + 1 >= argc) {
                    problem = "option --" + name + " needs a value";
                    return false;
                }
                value = argv[++i];
            }
            out.options.emplace_back(name, value);
        } else {
            problem = "unknown option --" + name;
            return false;
        }
    }
    return true;
}

uint32_t ParseHexArg(const std::string& text) { return hxw::ReadHex(text, 32, hxw::HexForm::Prefixed); }

std::string FileNamePart(const std::string& path) {
    const size_t cut = path.find_last_of("/\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FailureLine(uint32_t code, const std::string& detail) {
    std::string message;
    ResultMessage(message, code);
    message.erase(std::remove(message.begin(), message.end(), '\n'), message.end());
    std::string line = hxw::Format("error 0x%04X: %s", static_cast<unsigned>(code), message.c_str());
    if (!detail.empty()) line += DetailSeparator() + detail;
    return line;
}

int ReportFailure(uint32_t code, const std::string& detail) {
    std::fprintf(stderr, "%s\n", FailureLine(code, detail).c_str());
    if (CliReport* report = CliReport::Current()) {
        std::string message;
        ResultMessage(message, code);
        message.erase(std::remove(message.begin(), message.end(), '\n'), message.end());
        report->Result(code, message);
        if (!detail.empty()) report->Fields().Str("detail", detail);
    }
    return kExitFailure;
}

int UsageError(const char* usage, const std::string& problem) {
    std::fprintf(stderr, "tessmark-cli: %s\n%s", problem.c_str(), usage);
    if (CliReport* report = CliReport::Current()) report->Usage(problem);
    return kExitUsage;
}

int PrintHelp(const char* usage) {
    if (CliReport* report = CliReport::Current(); report && report->Json()) {
        report->Help(usage);
        return kExitOk;
    }
    std::fputs(usage, stdout);
    return kExitOk;
}

bool StderrIsTerminal() { return hxw::IsTerminal(stderr); }

TerminalProgress::TerminalProgress(std::string label, std::FILE* out, bool force)
    : label_(std::move(label)), out_(out), enabled_(force || (out == stderr && StderrIsTerminal())) {}

TerminalProgress::~TerminalProgress() { Finish(); }

void TerminalProgress::SetRange(uint32_t low, uint32_t high) {
    low_ = low;
    high_ = high;
    lastPermille_ = -1;
    // A transfer sets its range just before its data moves: its rate counts from here.
    start_ = std::chrono::steady_clock::now();
}

void TerminalProgress::CountBytes(uint32_t bytesPerStep, uint64_t totalBytes) {
    bytesPerStep_ = bytesPerStep;
    totalBytes_ = totalBytes;
}

std::string TerminalProgress::ByteText() const {
    if (!bytesPerStep_) return {};
    uint64_t bytes = uint64_t(pos_ > low_ ? pos_ - low_ : 0) * bytesPerStep_;
    if (totalBytes_ && (bytes > totalBytes_ || pos_ >= high_)) bytes = totalBytes_;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // Sizes in KiB, or MiB from one MiB on; formatted in place (no string arithmetic).
    auto unit = [](double b) { return b >= 1024.0 * 1024.0 ? "MiB" : "KiB"; };
    auto scaled = [](double b) { return b >= 1024.0 * 1024.0 ? b / (1024.0 * 1024.0) : b / 1024.0; };
    char text[96];
    int n = std::snprintf(text, sizeof text, " %.1f %s", scaled(double(bytes)), unit(double(bytes)));
    if (totalBytes_ && n > 0 && size_t(n) < sizeof text)
        n += std::snprintf(text + n, sizeof text - size_t(n), " of %.1f %s", scaled(double(totalBytes_)),
                           unit(double(totalBytes_)));
    if (seconds > 0.05 && n > 0 && size_t(n) < sizeof text) {
        const double rate = double(bytes) / seconds;
        std::snprintf(text + n, sizeof text - size_t(n), ", %.1f %s/s", scaled(rate), unit(rate));
    }
    return text;
}

void TerminalProgress::SetPos(uint32_t pos) {
    pos_ = pos;
    if (!enabled_) return;
    const uint64_t span = high_ > low_ ? uint64_t{high_} - low_ : 0;
    const uint64_t at = pos > low_ ? uint64_t{pos} - low_ : 0;
    const unsigned permille =
        span == 0 ? 1000u : static_cast<unsigned>(std::min<uint64_t>(at * 1000 / span, 1000));
    // Redraw in whole percent steps only: a million-line source must not mean a million writes.
    if (lastPermille_ >= 0 && permille / 10 == static_cast<unsigned>(lastPermille_) / 10) return;
    lastPermille_ = static_cast<int>(permille);
    Draw(permille);
}

void TerminalProgress::Draw(unsigned permille) {
    constexpr int kWidth = 40;
    const int filled = static_cast<int>(permille * kWidth / 1000);
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    char head[16];
    std::snprintf(head, sizeof head, "%3u%%", permille / 10);
    const std::string line = label_ + " [" + bar + "] " + head + ByteText();
    // Pad over whatever a longer earlier line left.
    std::fprintf(out_, "\r%s%*s", line.c_str(),
                 int(drawnWidth_ > line.size() ? drawnWidth_ - line.size() : 0), "");
    std::fflush(out_);
    drawnWidth_ = std::max(drawnWidth_, line.size());
    drawn_ = true;
}

void TerminalProgress::Finish() {
    if (!drawn_) return;
    std::fprintf(out_, "\r%*s\r", static_cast<int>(drawnWidth_), "");
    std::fflush(out_);
    drawn_ = false;
}
