// Machine-readable output of tessmark-cli: with --json a command prints one JSON object on stdout
// (its result code, the code's message and the command's own fields) and nothing else there.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// A JSON text built in order, key by key. Strings are bytes taken as UTF-8; a byte sequence that
// is not UTF-8 is written as U+FFFD, so the output always parses.
class JsonObject {
  public:
    JsonObject& Str(const std::string& key, const std::string& value);
    JsonObject& Num(const std::string& key, uint64_t value);
    JsonObject& Int(const std::string& key, int64_t value);
    JsonObject& Real(const std::string& key, double value, int decimals);
    JsonObject& Bool(const std::string& key, bool value);
    JsonObject& Null(const std::string& key);
    JsonObject& Obj(const std::string& key, const JsonObject& value);
    JsonObject& Arr(const std::string& key, const std::vector<JsonObject>& values);
    JsonObject& StrArr(const std::string& key, const std::vector<std::string>& values);
    bool Empty() const { return body_.empty(); }
    std::string Text() const { return "{" + body_ + "}"; }

    static std::string Quote(const std::string& text);

  private:
    friend class CliReport;
    JsonObject& Raw(const std::string& key, const std::string& json);
    std::string body_;
};

// The report of one command run. A command creates it first thing; the result code, the fields
// and the warnings gather in it, and when --json was given the object is printed on stdout once
// the command is over. Only one is active at a time (the current command's).
class CliReport {
  public:
    // argv[0] is the command name; --json is looked for before any "--".
    CliReport(const char* command, int argc, char** argv);
    ~CliReport();
    CliReport(const CliReport&) = delete;
    CliReport& operator=(const CliReport&) = delete;

    bool Json() const { return json_; }
    JsonObject& Fields() { return fields_; }
    void Warn(const std::string& kind, const std::string& text, const JsonObject& details = JsonObject());
    // The result: the code the operation returned (0 success) and the text that goes with it.
    void Result(uint32_t code, const std::string& message);
    void Usage(const std::string& problem);
    // The exit status when it is not the result's own (a verification that failed after a
    // successful download).
    void SetExit(int exit) { exit_ = exit; }
    void Help(const std::string& text);
    // The active report, or null outside a command.
    static CliReport* Current();

  private:
    std::string command_;
    bool json_ = false;
    int exit_ = 0;
    bool hasResult_ = false;
    uint32_t code_ = 0;
    std::string message_;
    std::string usage_;
    std::string help_;
    JsonObject fields_;
    std::vector<JsonObject> warnings_;
    CliReport* previous_ = nullptr;
};

// printf to stdout, unless the running command reports in JSON.
void Say(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// A warning on stderr ("warning: TEXT"), also kept in the running command's JSON report.
void Warning(const std::string& kind, const std::string& text, const JsonObject& details = JsonObject());
// "%08X" and "%04X" as text, the way the system writes addresses and checksums.
std::string Hex8(uint32_t value);
std::string Hex4(uint32_t value);
