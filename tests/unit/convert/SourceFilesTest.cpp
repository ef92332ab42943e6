// Sources that are no plain file, and an HXW path that names the source itself.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "convert/SourceCopy.h"
#include "engine/HxwConverter.h"
#include "tests/support/TestFiles.h"

namespace {
using namespace testfiles;

// Both halves for the series types: the high parts of the words lie 0x1000 above.
const std::string kSource = Lines({HexRecord(0, 0x100, Bytes({1, 2, 3, 4, 5, 6, 7, 8})),
                                   HexRecord(0, 0x80, Bytes({9, 10})), HexRecord(0, 0x1080, Bytes({11, 12})),
                                   HexRecord(0, 0x1100, Bytes({13, 14, 15, 16, 17, 18, 19, 20})),
                                   HexRecord(1, 0, {})});

uint32_t Convert(const std::string& source, const std::string& hxw, uint8_t type = Normal) {
    HxwConverter engine;
    engine.SetUpperHalfPath(hxw + ".upper");
    NullProgress progress;
    return engine.CreateHxwFile(source, hxw, type, Auto, 0, 0, progress);
}

// The image of a plain file holding content: what a pipe with that content must give too.
std::string ReferenceImage(TempDir& dir, const std::string& content, uint8_t type) {
    WriteFile(dir / "plain.hex", content);
    EXPECT_EQ(Convert(dir / "plain.hex", dir / "plain.hxw", type), 0u);
    return ReadFile(dir / "plain.hxw");
}

// A named pipe fed with content by a thread of its own, which ends once it is read.
class FedPipe {
  public:
    FedPipe(const std::string& path, std::string content) {
        ::mkfifo(path.c_str(), 0644);
        writer_ = std::thread([path, content] { std::ofstream(path, std::ios::binary) << content; });
    }
    ~FedPipe() { writer_.join(); }

  private:
    std::thread writer_;
};

// Each conversion type reads the source more than once; from a pipe it reads one copy.
TEST(SourceFiles, APipeConvertsAsThePlainFileWould) {
    for (const uint8_t type : {Normal, Series720, Byte4Mode, Byte8Mode}) {
        TempDir dir;
        const std::string expected = ReferenceImage(dir, kSource, type);
        {
            FedPipe pipe(dir / "pipe.hex", kSource);
            EXPECT_EQ(Convert(dir / "pipe.hex", dir / "pipe.hxw", type), 0u) << int(type);
        }
        EXPECT_EQ(ReadFile(dir / "pipe.hxw"), expected) << int(type);
    }
}

TEST(SourceFiles, APipesDefectIsReportedAtItsLine) {
    TempDir dir;
    const std::string bad = Lines({HexRecord(0, 0, Bytes({1})), ":0100010002FF", HexRecord(1, 0, {})});
    HxwConverter engine;
    NullProgress progress;
    {
        FedPipe pipe(dir / "pipe.hex", bad);
        EXPECT_EQ(engine.CreateHxwFile(dir / "pipe.hex", dir / "out.hxw", Normal, Auto, 0, 0, progress), 0x5003u);
    }
    EXPECT_EQ(engine.DefectLine, 2u);
    EXPECT_FALSE(Exists(dir / "out.hxw"));
}

// A device without end is copied only as far as the conversion would read it.
TEST(SourceFiles, AnEndlessDeviceEndsInTheVerdictOfItsFirstLine) {
    TempDir dir;
    HxwConverter engine;
    NullProgress progress;
    EXPECT_EQ(engine.CreateHxwFile("/dev/zero", dir / "out.hxw", Normal, Auto, 0, 0, progress), 0x5000u);
    EXPECT_EQ(engine.DefectLine, 1u);
    EXPECT_EQ(engine.CreateHxwFile("/dev/null", dir / "out.hxw", Normal, Auto, 0, 0, progress), 0x5000u);
    EXPECT_FALSE(Exists(dir / "out.hxw"));
}

TEST(SourceFiles, ACopyIsRemovedWithItsObject) {
    TempDir dir;
    WriteFile(dir / "in", kSource);
    std::string copied;
    {
        hxw::SourceCopy copy;
        ASSERT_EQ(copy.CopyFrom(dir / "in"), 0u);
        copied = copy.Path();
        EXPECT_EQ(ReadFile(copied), kSource);
    }
    EXPECT_FALSE(Exists(copied));
    hxw::SourceCopy missing;
    EXPECT_EQ(missing.CopyFrom(dir / "none"), 0x7000u);
    EXPECT_NE(missing.Problem().find("none"), std::string::npos);
}

// However the HXW path reaches the source, the source is kept and nothing is written.
TEST(SourceFiles, AnHxwPathNamingTheSourceIsRefused) {
    const struct {
        const char* what;
        std::string (*hxwPath)(TempDir& dir);
    } cases[] = {
        {"the same name", [](TempDir& dir) { return dir / "s.hex"; }},
        {"another spelling", [](TempDir& dir) { return dir.str() + "/./s.hex"; }},
        {"a hard link", [](TempDir& dir) {
             std::filesystem::create_hard_link(dir / "s.hex", dir.path() / "hard.hxw");
             return dir / "hard.hxw";
         }},
        {"a symbolic link", [](TempDir& dir) {
             std::filesystem::create_symlink("s.hex", dir.path() / "link.hxw");
             return dir / "link.hxw";
         }},
    };
    for (const auto& c : cases) {
        for (const uint8_t type : {Normal, Series4500, Byte8Mode}) {
            TempDir dir;
            WriteFile(dir / "s.hex", kSource);
            const std::string hxw = c.hxwPath(dir);
            const auto before = dir.Entries();
            HxwConverter engine;
            engine.SetUpperHalfPath(dir / "upper.tmp");
            NullProgress progress;
            EXPECT_EQ(engine.CreateHxwFile(dir / "s.hex", hxw, type, Auto, 0, 0, progress), 0x7000u) << c.what;
            EXPECT_NE(engine.DefectDetail.find("source"), std::string::npos) << engine.DefectDetail;
            EXPECT_EQ(ReadFile(dir / "s.hex"), kSource) << c.what;
            EXPECT_EQ(dir.Entries(), before) << c.what;
        }
    }
}

// The checksum reads the image more than once and writes into it: a pipe is refused at once.
TEST(SourceFiles, TheChecksumRefusesAPipe) {
    TempDir dir;
    ::mkfifo((dir / "image.hxw").c_str(), 0644);
    HxwConverter engine;
    EXPECT_EQ(engine.CheckSumFile(dir / "image.hxw", 0, 0, false, 0, 0), 0x7000u);
}

}  // namespace
