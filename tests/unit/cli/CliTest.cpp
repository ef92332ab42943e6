#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/TestFiles.h"
#include "cli/CliCommon.h"

using namespace testfiles;

namespace {
struct Run {
    int status;
    std::string out;
    std::string err;
};

// Runs one command in-process and captures what it prints.
Run Command(CliCommandFn fn, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = fn(static_cast<int>(args.size()), argv.data());
    std::fflush(stdout);
    std::fflush(stderr);
    Run r{status, ::testing::internal::GetCapturedStdout(), ::testing::internal::GetCapturedStderr()};
    return r;
}
}  // namespace

TEST(CliCommon, LenientHexArguments) {
    struct Case {
        const char* text;
        uint32_t value;
    } cases[] = {
        {"1A2B", 0x1A2B}, {"  ff", 0xFF}, {"0x1000", 0x1000},       {"12G4", 0x12},           {"", 0},
        {"xyz", 0},       {"0x", 0},      {"FFFFFFFF", 0xFFFFFFFF}, {"123456789", 0x23456789}};
    for (const auto& c : cases) EXPECT_EQ(ParseHexArg(c.text), c.value) << c.text;
}

TEST(CliCommon, FileNamePart) {
    EXPECT_EQ(FileNamePart("C:\\work\\prog.hxw"), "prog.hxw");
    EXPECT_EQ(FileNamePart("/tmp/out/PROG.HXW"), "PROG.HXW");
    EXPECT_EQ(FileNamePart("D:prog.hxw"), "prog.hxw");
    EXPECT_EQ(FileNamePart("prog.hxw"), "prog.hxw");
}

TEST(CliCommon, FailureLines) {
    EXPECT_EQ(FailureLine(0x5003), "error 0x5003: HEX Data error(03)");
    EXPECT_EQ(FailureLine(0x8001), "error 0x8001: Format error(01) Hxw File type:720 Series");
    EXPECT_EQ(FailureLine(0x7102), "error 0x7102: Other error.");
    EXPECT_EQ(FailureLine(0x4003).substr(0, 13), "error 0x4003:");
    const std::string withDetail = FailureLine(0x5003, "prog.hex:17: checksum 4C, expected 00");
    EXPECT_EQ(withDetail.substr(0, 32), "error 0x5003: HEX Data error(03)");
    EXPECT_NE(withDetail.find("prog.hex:17: checksum 4C, expected 00"), std::string::npos);
}

TEST(CliCommon, ArgumentSplitting) {
    struct Case {
        std::vector<std::string> args;
        bool ok;
        size_t positional;
        std::string type;
    } cases[] = {
        {{"convert", "a", "b"}, true, 2, ""},
        {{"convert", "a", "--type", "720", "b"}, true, 2, "720"},
        {{"convert", "a", "b", "--type=4500"}, true, 2, "4500"},
        {{"convert", "a", "b", "--type"}, false, 0, ""},
        {{"convert", "a", "b", "--bogus", "1"}, false, 0, ""},
        {{"convert", "a", "b", "-x"}, false, 0, ""},
        {{"convert", "--", "-a", "b"}, true, 2, ""},
    };
    for (auto& c : cases) {
        std::vector<char*> argv;
        for (auto& a : c.args) argv.push_back(a.data());
        CliArgs args;
        std::string problem;
        EXPECT_EQ(ParseCliArgs(static_cast<int>(argv.size()), argv.data(), {"type"}, {}, args, problem),
                  c.ok);
        if (c.ok) {
            EXPECT_EQ(args.positional.size(), c.positional);
            EXPECT_EQ(args.Get("type"), c.type);
        } else {
            EXPECT_FALSE(problem.empty());
        }
    }
}

TEST(CliCommon, ProgressBarDrawsOnlyWhenAsked) {
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    {
        TerminalProgress quiet("x", sink, false);  // not stderr, not forced: never draws
        quiet.SetRange(0, 10);
        for (uint32_t i = 0; i <= 10; ++i) quiet.SetPos(i);
    }
    EXPECT_EQ(std::ftell(sink), 0);
    {
        TerminalProgress bar("x", sink, true);
        bar.SetRange(0, 1000000);
        for (uint32_t i = 0; i <= 1000000; i += 7) bar.SetPos(i);
        EXPECT_EQ(bar.GetRange(), std::make_pair(0u, 1000000u));
    }
    const long written = std::ftell(sink);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 101 * 80);  // at most one redraw per percent, plus the final clearing
    std::fclose(sink);
}

TEST(TerminalProgress, TransfersShowTheBytesMoved) {
    struct Case {
        uint32_t high, last;
        uint64_t total;
        const char* shown;
    } cases[] = {
        {18, 18, 4660, " 4.6 KiB of 4.6 KiB"},  // the last step carries the remainder
        {10, 10, 100, " 0.1 KiB of 0.1 KiB"},   // no full block: the bar jumps to its end
        {4, 2, 1024, " 0.5 KiB of 1.0 KiB"},
        {4096, 4096, 0, " 1.0 MiB"},  // an upload learns no total
    };
    for (const auto& c : cases) {
        std::FILE* sink = std::tmpfile();
        ASSERT_NE(sink, nullptr);
        {
            TerminalProgress bar("moving", sink, true);
            bar.CountBytes(256, c.total);
            bar.SetRange(0, c.high);
            bar.SetPos(c.last);
        }
        std::rewind(sink);
        char buf[512] = {};
        size_t n = std::fread(buf, 1, sizeof buf - 1, sink);
        std::fclose(sink);
        const std::string text(buf, n);
        EXPECT_NE(text.find(c.shown), std::string::npos) << text;
    }
}

TEST(CliCommands, ConvertAndChecksumPrintTheResultLines) {
    TempDir dir;
    WriteFile(dir / "prog.hex", Lines({HexRecord(0, 0x1234, {0x56}), ":00000001FF"}));
    const std::string hxw = dir / "PROG.HXW";
    auto r = Command(RunConvert, {"convert", dir / "prog.hex", hxw});
    EXPECT_EQ(r.status, 0) << r.err;
    // The result line first, unchanged, then the report of what the image holds.
    EXPECT_EQ(r.out,
              "Creation of a PROG.HXW file was completed.  Checksum :3422h.\n"
              "Address range  00001200h-00001234h (source data 00001234h-00001234h)\n"
              "Image size     565 bytes (512-byte header, 53-byte body)\n"
              "Data bytes     1\n"
              "Fill share     98.11 % (52 of 53 addresses hold no source data)\n");
    EXPECT_EQ(r.err, "");

    r = Command(RunChecksum, {"checksum", hxw});
    EXPECT_EQ(r.out, "  Checksum :3422h.\n");
    r = Command(RunChecksum, {"checksum", hxw, "--kind", "ones"});
    EXPECT_EQ(r.out, "  One's complement Checksum :CBDDh.\n");
    r = Command(RunChecksum,
                {"checksum", hxw, "--kind", "crc", "--crc-init", "FFFF", "--start", "1234", "--end", "1234"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, 16), "  CRC Checksum :");

    // Every type converts from the command line; the series report a data sum.
    WriteFile(dir / "s720.hex", Lines({HexRecord(0, 0, {0x12}), HexRecord(0, 0x1000, {0x03})}));
    WriteFile(dir / "s4500.hex", Lines({HexRecord(0, 0, {0x12}), HexRecord(0, 0x4000, {0x03})}));
    struct TypeCase {
        const char* source;
        const char* type;
        const char* line;
    } types[] = {
        {"s720.hex", "720", "Creation of a T.HXW file was completed.  Datasum :0112h.\n"},
        {"s4500.hex", "4500", "Creation of a T.HXW file was completed.  Datasum :0072h.\n"},
        // 0x12 + 0x03 + 0xFFF blanks of FF
        {"s720.hex", "4byte", "Creation of a T.HXW file was completed.  Checksum :EF16h.\n"},
        {"s720.hex", "8BYTE", "Creation of a T.HXW file was completed.  Checksum :EF16h.\n"},
        {"s720.hex", "normal", "Creation of a T.HXW file was completed.  Checksum :EF16h.\n"},
    };
    for (const auto& t : types) {
        r = Command(RunConvert, {"convert", dir / t.source, dir / "T.HXW", "--type", t.type});
        EXPECT_EQ(r.status, 0) << t.type << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), t.line) << t.type;
        EXPECT_NE(r.out.find("\nAddress range  00000000h-"), std::string::npos) << t.type << r.out;
    }
    // A series image reports a data sum.
    WriteFile(dir / "s.hxw", Header(0, 0, "1") + "\x34\x12");
    r = Command(RunChecksum, {"checksum", dir / "s.hxw"});
    EXPECT_EQ(r.out, "  Datasum :1234h.\n");
}

TEST(CliCommands, FailuresAndUsage) {
    TempDir dir;
    std::vector<std::string> lines(16, HexRecord(0, 0x10, {1}));
    lines.push_back(":0100200001DD");  // record checksum wrong
    WriteFile(dir / "prog.hex", Lines(lines));
    auto r = Command(RunConvert, {"convert", dir / "prog.hex", dir / "p.hxw"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(0, 32), "error 0x5003: HEX Data error(03)");
    EXPECT_NE(r.err.find("prog.hex:17: checksum"), std::string::npos) << r.err;
    EXPECT_FALSE(Exists(dir / "p.hxw"));

    r = Command(RunChecksum, {"checksum", dir / "none.hxw"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "error 0x7000: Opening of file is failed.\n");

    struct Usage {
        CliCommandFn fn;
        std::vector<std::string> args;
    } usages[] = {
        {RunConvert, {"convert", "only-one"}},
        {RunConvert, {"convert", "a", "b", "--type", "9byte"}},
        {RunConvert, {"convert", "a", "b", "--start", "100"}},
        {RunConvert, {"convert", "a", "b", "--type", "4byte", "--start", "0", "--end", "10"}},
        {RunConvert, {"convert", "a", "b", "--nope"}},
        {RunChecksum, {"checksum"}},
        {RunChecksum, {"checksum", "a", "--kind", "md5"}},
        {RunChecksum, {"checksum", "a", "--end", "10"}},
    };
    for (const auto& u : usages) {
        r = Command(u.fn, u.args);
        EXPECT_EQ(r.status, 2) << u.args.back();
        EXPECT_NE(r.err.find("usage: tessmark-cli"), std::string::npos);
    }
    r = Command(RunConvert, {"convert", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: tessmark-cli convert"), std::string::npos);
    r = Command(RunChecksum, {"checksum", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: tessmark-cli checksum"), std::string::npos);
}
