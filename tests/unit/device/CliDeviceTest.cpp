// tessmark-cli's device commands against the in-process emulator: their output lines, their
// error lines, and the files they leave.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/CliCommon.h"
#include "cli/DeviceCommands.h"
#include "tests/support/DeviceTestSupport.h"

namespace {

struct Outcome {
    int exit;
    std::string out, err;
};

Outcome Call(CliCommandFn fn, std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int exit = fn(int(argv.size()), argv.data());
    return {exit, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
}

TEST(CliDevice, DownloadInfoUploadSecurityThroughTheEmulator) {
    TempFolder pc, unit, dest;
    const std::string u = "--unit=emulator:" + unit.str();
    auto data = Pattern(3000, 7);
    WriteBytes(pc.file("CLI.HXW"), data);

    Outcome r = Call(RunInfo, {"info", u});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out, "The unit holds no file.\n");

    r = Call(RunDownload, {"download", pc.file("CLI.HXW"), u});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Download of a CLI.HXW file was completed.\n");

    r = Call(RunInfo, {"info", u});
    EXPECT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("Name       CLI.HXW\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Size       3000 bytes (00000BB8h)\n"), std::string::npos) << r.out;

    r = Call(RunUpload, {"upload", dest.str(), u});  // no trailing separator
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Upload of a CLI.HXW file was completed.\n");
    EXPECT_EQ(ReadBytes(dest.file("CLI.HXW")), data);

    r = Call(RunSecurity, {"security", "--set", "--id", "AB12", "--count", "100", "--buzzer", "off", u});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Download of a security info was completed.\n");
    auto record = ReadBytes(unit.file("security.sec"));
    ASSERT_EQ(record.size(), 512u);
    EXPECT_EQ(std::string(record.begin(), record.begin() + 54),
              "SECURITY=1\r\nID=AB12\r\nCOUNT=  100\r\nBUZZER=0\r\nCRC=0722\r\n");
}

TEST(CliDevice, FailuresPrintTheCodeLineAndBadArgumentsTheUsage) {
    TempFolder pc, unit;
    const std::string u = "--unit=emulator:" + unit.str();
    WriteBytes(pc.file("EMPTY.HXW"), {});
    struct Case {
        CliCommandFn fn;
        std::vector<std::string> args;
        int exit;
        std::string errStart;
    } cases[] = {
        {RunDownload, {"download", pc.file("EMPTY.HXW"), u}, kExitFailure, "error 0x7002: "},
        {RunDownload, {"download", pc.file("NONE.HXW"), u}, kExitFailure, "error 0x7000: "},
        {RunUpload, {"upload", pc.str(), u}, kExitFailure, "error 0x7002: "},
        {RunDownload, {"download", u}, kExitUsage, "tessmark-cli: download needs one FILE"},
        {RunInfo, {"info", "--unit=serial"}, kExitUsage, "tessmark-cli: --unit takes usb, usb:BUS-PORT, "},
        {RunInfo, {"info", "--unit=usb:"}, kExitUsage, "tessmark-cli: --unit takes usb, usb:BUS-PORT, "},
        {RunInfo, {"info", u, "--timeout", "0"}, kExitUsage, "tessmark-cli: --timeout takes"},
        {RunInfo, {"info", u, "--timeout", "5s"}, kExitUsage, "tessmark-cli: --timeout takes"},
        {RunSecurity, {"security", "--id", "AB-1", u}, kExitUsage, "tessmark-cli: --id takes"},
        {RunSecurity, {"security", "--count", "123456", u}, kExitUsage, "tessmark-cli: --count takes"},
        {RunSecurity, {"security", "--buzzer", "loud", u}, kExitUsage, "tessmark-cli: --buzzer takes"},
        {RunSecurity, {"security", "--set", "--cancel", u}, kExitUsage, "tessmark-cli: --set and --cancel"},
        {RunInfo, {"info"}, kExitFailure, "error 0x4000: "},  // no unit attached
    };
    for (const auto& c : cases) {
        Outcome r = Call(c.fn, c.args);
        EXPECT_EQ(r.exit, c.exit) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(CliDevice, FaultsComeFromTheEnvironment) {
    TempFolder unit;
    const std::string u = "--unit=emulator:" + unit.str();
    setenv("TESSMARK_UNIT_FAULT", "refuse-open", 1);
    Outcome refused = Call(RunInfo, {"info", u});
    setenv("TESSMARK_UNIT_FAULT", "nonsense", 1);
    Outcome bad = Call(RunInfo, {"info", u});
    unsetenv("TESSMARK_UNIT_FAULT");
    EXPECT_EQ(refused.exit, kExitFailure);
    EXPECT_EQ(refused.err, "error 0x4000: Initialization of USB communication went wrong.\n");
    EXPECT_EQ(bad.exit, kExitUsage);
    EXPECT_NE(bad.err.find("unknown fault 'nonsense'"), std::string::npos);
}

}  // namespace
