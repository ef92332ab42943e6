// What the program asks of a path before it reads or replaces a file there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "base/File.h"
#include "tests/support/TempFolder.h"

namespace {

// A folder holding one of each: a plain file, a read-only one, a folder, a named pipe, links to
// each of them, a dangling link and a loop of links.
struct Paths : TempFolder {
    Paths() {
        Write("plain", "x");
        Write("readonly", "x");
        ::chmod(file("readonly").c_str(), 0444);
        std::filesystem::create_directory(path() / "folder");
        ::mkfifo(file("pipe").c_str(), 0644);
        for (const char* name : {"plain", "readonly", "folder", "pipe"})
            std::filesystem::create_symlink(name, path() / (std::string("to-") + name));
        std::filesystem::create_symlink("to-plain", path() / "to-to-plain");
        std::filesystem::create_symlink("missing", path() / "dangling");
        std::filesystem::create_symlink("loop-b", path() / "loop-a");
        std::filesystem::create_symlink("loop-a", path() / "loop-b");
    }
};

TEST(Paths, KindAndWhetherASaveMayReplaceIt) {
    Paths dir;
    const struct {
        const char* name;
        hxw::PathKind kind;
        bool replaceable;
    } cases[] = {
        {"plain", hxw::PathKind::Regular, true},      {"to-plain", hxw::PathKind::Regular, true},
        {"to-to-plain", hxw::PathKind::Regular, true}, {"readonly", hxw::PathKind::Regular, false},
        {"to-readonly", hxw::PathKind::Regular, false}, {"folder", hxw::PathKind::Folder, false},
        {"to-folder", hxw::PathKind::Folder, false},  {"pipe", hxw::PathKind::Other, false},
        {"to-pipe", hxw::PathKind::Other, false},     {"missing", hxw::PathKind::Missing, true},
        {"dangling", hxw::PathKind::Missing, true},   {"loop-a", hxw::PathKind::Missing, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(hxw::KindOf(dir.file(c.name)), c.kind) << c.name;
        EXPECT_EQ(hxw::CanReplaceFile(dir.file(c.name)), c.replaceable) << c.name;
    }
    EXPECT_EQ(hxw::KindOf("/dev/null"), hxw::PathKind::Other);
}

TEST(Paths, LinksAreFollowedToTheNameTheLastOnePointsTo) {
    Paths dir;
    const struct {
        const char* name;
        const char* resolved;  // relative to the folder; null for a loop
    } cases[] = {
        {"plain", "plain"},     {"to-plain", "plain"},     {"to-to-plain", "plain"},
        {"to-folder", "folder"}, {"dangling", "missing"}, {"missing", "missing"},
        {"loop-a", nullptr},
    };
    for (const auto& c : cases) {
        std::string resolved;
        EXPECT_EQ(hxw::FollowLinks(dir.file(c.name), resolved), c.resolved != nullptr) << c.name;
        if (c.resolved) {
            EXPECT_EQ(resolved, dir.file(c.resolved)) << c.name;
        }
    }
    // An absolute link ignores the folder it lies in; a bare relative name stays relative.
    std::filesystem::create_symlink(dir.file("plain"), dir.path() / "absolute");
    std::string resolved;
    ASSERT_TRUE(hxw::FollowLinks(dir.file("absolute"), resolved));
    EXPECT_EQ(resolved, dir.file("plain"));
    ASSERT_TRUE(hxw::FollowLinks("no-such-name-here", resolved));
    EXPECT_EQ(resolved, "no-such-name-here");
}

TEST(Paths, SameFileByIdentityNotByName) {
    Paths dir;
    std::filesystem::create_hard_link(dir.file("plain"), dir.path() / "hard");
    const struct {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"plain", "plain", true},     {"plain", "to-plain", true}, {"plain", "to-to-plain", true},
        {"plain", "hard", true},      {"plain", "readonly", false}, {"plain", "missing", false},
        {"missing", "missing", false}, {"plain", "folder/../plain", true},
    };
    for (const auto& c : cases) EXPECT_EQ(hxw::SameFile(dir.file(c.a), dir.file(c.b)), c.same) << c.a << " " << c.b;
}

TEST(Paths, PermissionsAreCopiedFromOneFileToAnother) {
    TempFolder dir;
    dir.Write("from", "a");
    dir.Write("to", "b");
    for (const mode_t mode : {0600, 0644, 0751, 04755, 0200}) {
        ASSERT_EQ(::chmod(dir.file("from").c_str(), mode), 0);
        hxw::CopyPermissions(dir.file("from"), dir.file("to"));
        struct stat st;
        ASSERT_EQ(::stat(dir.file("to").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
    }
}

TEST(Paths, TemporaryFilesAreNewAndDistinct) {
    const std::string a = hxw::CreateTempFile();
    const std::string b = hxw::CreateTempFile();
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(hxw::KindOf(a), hxw::PathKind::Regular);
    hxw::RemoveFile(a);
    hxw::RemoveFile(b);
    EXPECT_EQ(hxw::KindOf(a), hxw::PathKind::Missing);
}

}  // namespace
