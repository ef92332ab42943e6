// Every save of the program goes through the one atomic replace: its new file is flushed to the
// device before it is renamed over the target; a read-only target is refused and kept, a replaced
// file keeps its permission bits, and a symbolic link stays a link to the file it names.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "app/SettingsFile.h"
#include "base/Progress.h"
#include "engine/HxwConverter.h"
#include "device/emulator/EmulatorPort.h"
#include "device/emulator/UnitEmulator.h"
#include "tests/support/ReplaceLog.h"
#include "tests/support/TempFolder.h"

namespace {

struct Save {
    const char* what;
    // Saves into dir; whether the save reported success.
    std::function<bool(TempFolder& dir)> run;
    // The files it replaces, relative to dir; the first is the one the cases below change.
    std::vector<std::string> targets;
};

const Save kSaves[] = {
    {"conversion",
     [](TempFolder& dir) {
         dir.Write("P.HEX", ":0400000001020304F2\n:00000001FF\n");
         HxwConverter engine;
         NullProgress progress;
         return engine.CreateHxwFile(dir.file("P.HEX"), dir.file("P.HXW"), Normal, Auto, 0, 0, progress) == 0u;
     },
     {"P.HXW"}},
    {"settings", [](TempFolder& dir) { return SettingsFile(dir.folder()).Save(); }, {"ZV.DEF"}},
    {"the emulator's files",
     [](TempFolder& dir) {
         UnitEmulator unit(dir.file("unit"));
         UnitFileInfo info;
         info.Name = "PROG.HXW";
         info.Size = 3;
         return unit.StoreFile(info, {1, 2, 3});
     },
     {"unit/unit.bin", "unit/unit.inf"}},
    {"upload",
     [](TempFolder& dir) {
         std::filesystem::create_directories(dir.path() / "pc");
         UnitEmulator unit(dir.file("unit"));
         UnitFileInfo info;
         info.Name = "PROG.HXW";
         info.Size = 300;
         if (!unit.StoreFile(info, std::vector<uint8_t>(300, 0x5A))) return false;
         EmulatorPort port(unit);
         HxwConverter engine;
         engine.SetUnitPort(&port);
         engine.SetUploadPause(0);
         NullProgress progress;
         std::string name;
         return engine.UploadFile(dir.file("pc") + "/", name, progress) == 0u;
     },
     {"pc/PROG.HXW"}},
};

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// The names in dir and its sub-folders, so that a temporary file left anywhere shows.
std::vector<std::string> AllEntries(const TempFolder& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
        names.push_back(std::filesystem::relative(e.path(), dir.path()).string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(Saves, EveryOneFlushesItsFileBeforeTheRename) {
    for (const Save& save : kSaves) {
        TempFolder dir;
        ReplaceLog log;
        EXPECT_TRUE(save.run(dir)) << save.what;
        for (const auto& name : save.targets) {
            const std::string target = dir.file(name);
            EXPECT_TRUE(log.RenamedOver(target)) << save.what << ": " << target << "\n" << log.Text();
            EXPECT_TRUE(log.FlushedBeforeRename(target)) << save.what << ": " << target << "\n" << log.Text();
        }
    }
}

// Refused for every owner, root included: the read-only mark is the user's word that the file
// stays as it is (Windows refuses the rename over it too).
TEST(Saves, EveryOneRefusesAReadOnlyTargetAndKeepsIt) {
    for (const Save& save : kSaves) {
        TempFolder dir;
        ASSERT_TRUE(save.run(dir)) << save.what;
        const std::string target = dir.file(save.targets[0]);
        dir.Write(save.targets[0], "earlier");
        ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
        const std::vector<std::string> before = AllEntries(dir);
        EXPECT_FALSE(save.run(dir)) << save.what;
        EXPECT_EQ(dir.Read(save.targets[0]), "earlier") << save.what;
        EXPECT_EQ(ModeOf(target) & 07777, 0444u) << save.what;
        EXPECT_EQ(AllEntries(dir), before) << save.what;
    }
}

TEST(Saves, EveryReplacedFileKeepsItsPermissionBits) {
    for (const mode_t mode : {0600, 0640, 0604, 0755, 0200}) {
        for (const Save& save : kSaves) {
            TempFolder dir;
            ASSERT_TRUE(save.run(dir)) << save.what;
            const std::string target = dir.file(save.targets[0]);
            dir.Write(save.targets[0], "earlier");
            ASSERT_EQ(::chmod(target.c_str(), mode), 0);
            EXPECT_TRUE(save.run(dir)) << save.what << " over mode " << std::oct << mode;
            EXPECT_NE(dir.Read(save.targets[0]), "earlier") << save.what;
            EXPECT_EQ(ModeOf(target) & 07777, mode) << save.what << " over mode " << std::oct << mode;
        }
    }
}

// The link stays a link and the file it names (through a relative, an absolute or a chain of
// links) holds the new content.
TEST(Saves, EveryOneFollowsASymbolicLinkToTheFileItNames) {
    enum class Link { Relative, Absolute, Chain };
    for (const Link kind : {Link::Relative, Link::Absolute, Link::Chain}) {
        for (const Save& save : kSaves) {
            TempFolder dir;
            ASSERT_TRUE(save.run(dir)) << save.what;
            const std::string target = dir.file(save.targets[0]);
            std::filesystem::create_directories(dir.path() / "real");
            const std::string real = dir.file("real/kept");
            dir.Write("real/kept", "earlier");
            std::filesystem::remove(target);
            const std::string up = save.targets[0].find('/') == std::string::npos ? "" : "../";
            if (kind == Link::Relative) std::filesystem::create_symlink(up + "real/kept", target);
            if (kind == Link::Absolute) std::filesystem::create_symlink(real, target);
            if (kind == Link::Chain) {
                std::filesystem::create_symlink(real, dir.file("real/step"));
                std::filesystem::create_symlink(up + "real/step", target);
            }
            EXPECT_TRUE(save.run(dir)) << save.what;
            EXPECT_TRUE(S_ISLNK(ModeOf(target))) << save.what << ": the link was replaced";
            EXPECT_NE(dir.Read("real/kept"), "earlier") << save.what;
            EXPECT_TRUE(S_ISREG(ModeOf(real))) << save.what;
            for (const auto& e : std::filesystem::directory_iterator(dir.path() / "real"))
                EXPECT_TRUE(e.path().filename() == "kept" || e.path().filename() == "step") << e.path();
        }
    }
}

}  // namespace
