// The shipped tessmark-cli against emulated units behind the real libusb: each case builds a
// umockdev test bed, starts the binary under libumockdev-preload and checks its exit, its
// messages, the files on both sides and what went over the wire.
#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/DeviceTestSupport.h"
#include "tests/usb/UsbTestbed.h"

extern char** environ;

namespace {
struct CliRun {
    int exit = -1;
    std::string out, err;
    double seconds = 0, cpuSeconds = 0;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts tessmark-cli with the bed's environment and waits for it (never longer than two
// minutes: a hanging child is killed and fails the case).
CliRun RunCli(const UsbTestbed& bed, const std::vector<std::string>& args, bool asOtherUser = false) {
    TempFolder io;
    std::vector<std::string> argv;
    if (asOtherUser) argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(TM_CLI_PATH);
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string v = *e;
        if (v.rfind("LD_PRELOAD=", 0) == 0 || v.rfind("UMOCKDEV_DIR=", 0) == 0 || v.rfind("TZ=", 0) == 0 ||
            v.rfind("ASAN_OPTIONS=", 0) == 0)
            continue;
        env.push_back(v);
    }
    for (const auto& v : bed.ChildEnvironment()) env.push_back(v);
    env.push_back("TZ=UTC");
    // A sanitizer build of tessmark-cli runs with the preload library loaded before its runtime.
    env.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0");
    std::vector<char*> cargv, cenv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    for (auto& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    const std::string outPath = io.file("out"), errPath = io.file("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    CliRun r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), cenv.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        ADD_FAILURE() << "cannot start " << cargv[0];
        return r;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    for (;;) {
        pid_t got = wait4(pid, &status, WNOHANG, &usage);
        if (got == pid) break;
        // umockdev may dispatch on this thread's main context.
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (std::chrono::steady_clock::now() - start > std::chrono::minutes(2)) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            ADD_FAILURE() << "tessmark-cli hung and was killed";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Slurp(outPath);
    r.err = Slurp(errPath);
    return r;
}

// 27 December 2010, 10:14:24 UTC: DOS date-time 3D9B51CC.
constexpr time_t kStamp = 1293444864;

std::string MakeSource(const TempFolder& pc, const std::string& name, size_t size) {
    const std::string path = pc.file(name);
    WriteBytes(path, Pattern(size, 9));
    utimbuf times{kStamp, kStamp};
    utime(path.c_str(), &times);
    return path;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Describe(const CliRun& r) {
    return "exit " + std::to_string(r.exit) + "\nstdout: " + r.out + "\nstderr: " + r.err;
}

// Download, info and upload through one unit: the file comes back byte for byte under its name.
void RoundTrip(const UsbUnitSetup& setup, size_t size) {
    TempFolder pc, unitFolder, back;
    UsbTestbed bed;
    UsbUnitDevice& unit = bed.Add(setup, unitFolder.str());
    const std::string source = MakeSource(pc, "PROG.HXW", size);

    CliRun down = RunCli(bed, {"download", source});
    ASSERT_EQ(down.exit, 0) << Describe(down);
    EXPECT_EQ(down.out, "Download of a PROG.HXW file was completed.\n");

    CliRun info = RunCli(bed, {"info"});
    ASSERT_EQ(info.exit, 0) << Describe(info);
    EXPECT_TRUE(Contains(info.out, "Name       PROG.HXW\n")) << info.out;
    EXPECT_TRUE(Contains(info.out, "Size       " + std::to_string(size) + " bytes")) << info.out;
    EXPECT_TRUE(Contains(info.out, "Modified   2010-12-27 10:14:24 (3D9B51CCh)")) << info.out;
    EXPECT_TRUE(Contains(info.out, "Accessed   2010-12-27 (3D9Bh)")) << info.out;

    CliRun up = RunCli(bed, {"upload", back.str()});
    ASSERT_EQ(up.exit, 0) << Describe(up);
    EXPECT_EQ(up.out, "Upload of a PROG.HXW file was completed.\n");
    EXPECT_EQ(FolderEntries(back.path()), std::vector<std::string>{"PROG.HXW"});
    EXPECT_EQ(ReadBytes(back.file("PROG.HXW")), ReadBytes(source));
    EXPECT_GT(unit.VendorRequests(), 0u);
    EXPECT_EQ(bed.UnknownRequests(), std::vector<std::string>{});
}

TEST(UsbCli, RoundTripThroughEitherProductId) {
    for (uint16_t product : {uint16_t(0x0002), uint16_t(0x0100)}) {
        SCOPED_TRACE(product);
        UsbUnitSetup setup;
        setup.ProductId = product;
        RoundTrip(setup, 4660);
    }
}

TEST(UsbCli, RepliesShorterThanTheirReadStillMakeARoundTrip) {
    UsbUnitSetup setup;
    setup.Usb.ShortReplies = true;
    RoundTrip(setup, 700);
}

// Failures of one command against the bed: the exit, the message, and nothing sent or kept
// where nothing should be.
struct FailureCase {
    const char* name;
    std::vector<UsbUnitSetup> units;
    std::string command;             // info, download or upload
    std::vector<std::string> extra;  // further arguments
    std::vector<std::string> err;    // parts of stderr
    bool nothingSent = false;        // no request of the link reached any unit
    bool otherUser = false;          // run as a user without access to root's nodes
};

UsbUnitSetup Unit(uint8_t port, const std::string& serial = "") {
    UsbUnitSetup s;
    s.Port = port;
    s.Serial = serial;
    return s;
}

template <class F>
UsbUnitSetup With(UsbUnitSetup s, F f) {
    f(s);
    return s;
}

TEST(UsbCli, FailuresGiveTheirCodeAndAMessageAndLoseNothing) {
    const FailureCase cases[] = {
        {"no unit",
         {},
         "info",
         {},
         {"error 0x4000: ", "no unit with vendor 1079 and product 0002 or 0100 is attached"},
         true},
        {"no unit, download", {}, "download", {}, {"error 0x4000: ", "no unit with vendor 1079"}, true},
        {"two units, no choice",
         {Unit(2, "TM0001"), Unit(3, "TM0002")},
         "download",
         {},
         {"error 0x4000: ", "2 units are attached; choose one with --unit usb:BUS-PORT or --unit usb:SERIAL",
          "usb:1-2  product 0002  serial TM0001", "usb:1-3  product 0002  serial TM0002"},
         true},
        {"a choice no unit fits",
         {Unit(2, "TM0001")},
         "info",
         {"--unit", "usb:1-7"},
         {"error 0x4000: ", "no attached unit is usb:1-7", "usb:1-2"},
         true},
        {"bulk transfers never answered",
         {With(Unit(2), [](auto& s) { s.Usb.HangBulk = true; })},
         "download",
         {"--timeout", "300"},
         {"error 0x4002: ", "the unit did not answer within 300 ms"}},
        {"bulk IN never answered",
         {With(Unit(2), [](auto& s) { s.Usb.HangBulk = true; })},
         "upload",
         {"--timeout", "300"},
         {"error 0x4002: ", "the unit did not answer within 300 ms"}},
        {"only acknowledgements",
         {With(Unit(2), [](auto& s) { s.Usb.AcksOnly = true; })},
         "info",
         {"--timeout", "400"},
         {"error 0x4002: ", "the unit did not answer within 400 ms"}},
        {"only acknowledgements, download",
         {With(Unit(2), [](auto& s) { s.Usb.AcksOnly = true; })},
         "download",
         {"--timeout", "400"},
         {"error 0x4002: ", "the unit did not answer within 400 ms"}},
        {"the unit's own code",
         {With(Unit(2), [](auto& s) { s.Unit.FirstResult = 0x0E07; })},
         "download",
         {},
         {"error 0x0E07: "}},
        {"interface busy",
         {With(Unit(2), [](auto& s) { s.Usb.InterfaceBusy = true; })},
         "info",
         {},
         {"error 0x4000: ", "in use by another program"},
         true},
        {"unplugged during a download",
         {With(Unit(2), [](auto& s) { s.Usb.UnplugAfterBulk = 3; })},
         "download",
         {},
         {"error 0x4002: ", "unplugged"}},
        {"unplugged during an upload",
         {With(Unit(2), [](auto& s) { s.Usb.UnplugAfterBulk = 3; })},
         "upload",
         {},
         {"error 0x4002: ", "unplugged"}},
        {"no access to the node",
         {With(Unit(2), [](auto& s) { s.Usb.NoAccess = true; })},
         "info",
         {},
         {"error 0x4000: ", "permission denied", "60-tessmark.rules", "udevadm"},
         true,
         geteuid() == 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder pc, back;
        UsbTestbed bed;
        std::vector<TempFolder> folders(c.units.size());
        std::vector<UsbUnitDevice*> units;
        const std::vector<uint8_t> held = Pattern(4096, 5);
        for (size_t i = 0; i < c.units.size(); ++i) {
            units.push_back(&bed.Add(c.units[i], folders[i].str()));
            if (c.command == "upload") {
                UnitFileInfo info;
                info.Name = "HELD.HXW";
                info.Size = uint32_t(held.size());
                units.back()->Unit().StoreFile(info, held);
            }
        }
        std::vector<std::string> args = {c.command};
        std::string source;
        if (c.command == "download") args.push_back(source = MakeSource(pc, "PROG.HXW", 4096));
        if (c.command == "upload") {
            args.push_back(back.str());
            // An earlier file of that name stays as it was.
            WriteBytes(back.file("HELD.HXW"), {1, 2, 3});
        }
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        if (c.otherUser) {
            // The other user reaches the bed (its sockets included) but not the unit's node.
            for (const auto& e : fs::recursive_directory_iterator(bed.Root()))
                fs::permissions(e.path(), fs::perms::all, fs::perm_options::add);
            fs::permissions(bed.Root(), fs::perms::all, fs::perm_options::add);
            for (auto* u : units) chmod((bed.Root() + u->NodePath()).c_str(), 0600);
        }
        CliRun r = RunCli(bed, args, c.otherUser);
        EXPECT_EQ(r.exit, 1) << Describe(r);
        EXPECT_EQ(r.out, "");
        for (const auto& part : c.err)
            EXPECT_TRUE(Contains(r.err, part)) << "missing: " << part << "\n" << r.err;
        for (size_t i = 0; i < units.size(); ++i) {
            if (c.nothingSent) {
                EXPECT_EQ(units[i]->VendorRequests(), 0u);
            }
            UnitFileInfo info;
            std::vector<uint8_t> data;
            // A failed download leaves the unit without the file; an upload leaves its file.
            if (c.command == "upload") {
                EXPECT_TRUE(units[i]->Unit().StoredFile(info, data) && data == held);
            } else {
                EXPECT_FALSE(units[i]->Unit().StoredFile(info, data));
            }
        }
        if (!source.empty()) {
            EXPECT_EQ(ReadBytes(source), Pattern(4096, 9)) << "the local file is unchanged";
        }
        if (c.command == "upload") {
            EXPECT_EQ(FolderEntries(back.path()), std::vector<std::string>{"HELD.HXW"}) << "no partial file";
            EXPECT_EQ(ReadBytes(back.file("HELD.HXW")), (std::vector<uint8_t>{1, 2, 3}));
        }
        EXPECT_EQ(bed.UnknownRequests(), std::vector<std::string>{});
    }
}

TEST(UsbCli, AChoicePicksOneOfSeveralUnits) {
    struct Case {
        std::string choice;
        size_t chosen;
    } cases[] = {{"usb:1-3", 1}, {"usb:1-2", 0}, {"usb:TM0002", 1}, {"usb:TM0001", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        TempFolder pc, a, b;
        UsbTestbed bed;
        UsbUnitDevice* units[] = {&bed.Add(Unit(2, "TM0001"), a.str()), &bed.Add(Unit(3, "TM0002"), b.str())};
        CliRun r = RunCli(bed, {"download", MakeSource(pc, "PROG.HXW", 1000), "--unit", c.choice});
        ASSERT_EQ(r.exit, 0) << Describe(r);
        for (size_t i = 0; i < 2; ++i) {
            UnitFileInfo info;
            std::vector<uint8_t> data;
            EXPECT_EQ(units[i]->Unit().StoredFile(info, data), i == c.chosen) << i;
        }
    }
}

TEST(UsbCli, DevicesListsTheAttachedUnits) {
    TempFolder a, b;
    UsbTestbed bed;
    bed.Add(Unit(2, "TM0001"), a.str());
    bed.Add(With(Unit(4), [](auto& s) { s.ProductId = 0x0100; }), b.str());
    CliRun r = RunCli(bed, {"devices"});
    ASSERT_EQ(r.exit, 0) << Describe(r);
    EXPECT_EQ(r.out,
              "usb:1-2  product 0002  serial TM0001  may be opened\n"
              "usb:1-4  product 0100  serial (none)  may be opened\n");

    UsbTestbed empty;
    CliRun none = RunCli(empty, {"devices"});
    EXPECT_EQ(none.exit, 0) << Describe(none);
    EXPECT_EQ(none.out, "No unit is attached (vendor 1079, product 0002 or 0100).\n");
}

// Not a timed test: it prints the figures the project keeps (a 256 KiB download through the bed,
// and the processor time tessmark-cli spends while the unit keeps it waiting with acknowledgements).
TEST(UsbCli, Figures) {
    {
        TempFolder pc, unitFolder;
        UsbTestbed bed;
        bed.Add(Unit(2), unitFolder.str());
        CliRun r = RunCli(bed, {"download", MakeSource(pc, "BIG.HXW", 256 * 1024)});
        ASSERT_EQ(r.exit, 0) << Describe(r);
        std::printf(
            "figure: 256 KiB download through the test bed: %.2f s wall, %.2f s CPU of tessmark-cli\n",
            r.seconds, r.cpuSeconds);
    }
    {
        TempFolder unitFolder;
        UsbTestbed bed;
        bed.Add(With(Unit(2), [](auto& s) { s.Usb.AcksOnly = true; }), unitFolder.str());
        CliRun r = RunCli(bed, {"info", "--timeout", "3000"});
        EXPECT_EQ(r.exit, 1) << Describe(r);
        std::printf("figure: a 3 s reply wait of acknowledgements: %.2f s wall, %.2f s CPU of tessmark-cli\n",
                    r.seconds, r.cpuSeconds);
    }
}
}  // namespace
