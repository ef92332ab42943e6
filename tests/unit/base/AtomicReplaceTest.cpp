#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "base/AtomicReplace.h"
#include "tests/support/ReplaceLog.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(AtomicReplace, FlushesTheNewFileBeforeTheRenameAndTheFolderAfter) {
    TempFolder dir;
    ReplaceLog log;
    const std::string target = dir.file("OUT.HXW");
    ASSERT_TRUE(hxw::ReplaceFileContent(target, "new", 3));
    EXPECT_EQ(dir.Read("OUT.HXW"), "new");
    EXPECT_TRUE(log.FlushedBeforeRename(target)) << log.Text();
    ASSERT_EQ(log.calls.size(), 4u) << log.Text();
    EXPECT_EQ(log.calls[0].what, "create");
    EXPECT_EQ(log.calls[3].what, "flush-folder");
    EXPECT_EQ(log.calls[3].path, target);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"OUT.HXW"});
}

// Each step of the replace failing in turn: the earlier file stays, no temporary file is left.
TEST(AtomicReplace, AFailedSaveKeepsTheEarlierFileAndLeavesNothingBehind) {
    for (const char* failing : {"create", "flush", "rename"}) {
        TempFolder dir;
        dir.Write("OUT.HXW", "earlier");
        ReplaceLog log;
        log.failing = failing;
        EXPECT_FALSE(hxw::ReplaceFileContent(dir.file("OUT.HXW"), "new", 3)) << failing;
        EXPECT_EQ(dir.Read("OUT.HXW"), "earlier") << failing;
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"OUT.HXW"}) << failing;
    }
}

TEST(AtomicReplace, AnUncommittedReplaceRemovesItsTemporaryFile) {
    TempFolder dir;
    dir.Write("OUT.HXW", "earlier");
    {
        hxw::AtomicReplace save(dir.file("OUT.HXW"));
        ASSERT_TRUE(save.Begin());
        EXPECT_TRUE(std::filesystem::exists(save.TempPath()));
        EXPECT_EQ(std::filesystem::path(save.TempPath()).parent_path(), dir.path());
    }
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"OUT.HXW"});
    EXPECT_EQ(dir.Read("OUT.HXW"), "earlier");
}

TEST(AtomicReplace, TwoSavesNeverShareATemporaryName) {
    TempFolder dir;
    std::set<std::string> names;
    std::vector<std::unique_ptr<hxw::AtomicReplace>> saves;
    for (int i = 0; i < 50; ++i) {
        saves.push_back(std::make_unique<hxw::AtomicReplace>(dir.file("OUT.HXW")));
        ASSERT_TRUE(saves.back()->Begin());
        EXPECT_TRUE(names.insert(saves.back()->TempPath()).second) << saves.back()->TempPath();
    }
    EXPECT_EQ(dir.Entries().size(), 50u);
    saves.clear();
    EXPECT_TRUE(dir.Entries().empty());
}

// Files of names a save might once have used are neither taken over nor removed.
TEST(AtomicReplace, NeverTouchesAnyOtherFile) {
    TempFolder dir;
    const std::vector<std::string> others = {"OUT.HXW.tessmark-part", "OUT.HXW.tmp", "OUT.HXW.part",
                                             ".tessmark-0000000000000000.tmp"};
    for (const auto& name : others) dir.Write(name, "keep " + name);
    ReplaceLog log;
    log.existsFirst = 3;  // the first three names tried are taken
    ASSERT_TRUE(hxw::ReplaceFileContent(dir.file("OUT.HXW"), "new", 3));
    for (const auto& name : others) EXPECT_EQ(dir.Read(name), "keep " + name) << name;
    EXPECT_EQ(dir.Read("OUT.HXW"), "new");
    EXPECT_EQ(dir.Entries().size(), others.size() + 1);
}

// Runs the save as a user the folder does not let write; root is let everywhere, so it drops to
// "nobody" in a child process for the attempt.
bool SaveAsReader(const std::string& target) {
    if (::geteuid() != 0) return hxw::ReplaceFileContent(target, "new", 3);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(hxw::ReplaceFileContent(target, "new", 3) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not drop to nobody";
    return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

TEST(AtomicReplace, AReadOnlyFolderRefusesTheSaveAndKeepsTheFile) {
    TempFolder dir;
    dir.Write("OUT.HXW", "earlier");
    std::filesystem::permissions(
        dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                        std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    std::filesystem::permissions(dir.file("OUT.HXW"), std::filesystem::perms::all);
    EXPECT_FALSE(SaveAsReader(dir.file("OUT.HXW")));
    EXPECT_EQ(dir.Read("OUT.HXW"), "earlier");
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"OUT.HXW"});
}

TEST(AtomicReplace, ATargetInAMissingFolderFails) {
    TempFolder dir;
    EXPECT_FALSE(hxw::ReplaceFileContent(dir.file("none/OUT.HXW"), "new", 3));
    EXPECT_TRUE(dir.Entries().empty());
}

}  // namespace
