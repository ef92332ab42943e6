// Every save of the program goes through the one atomic replace: its new file is flushed to the
// device before it is renamed over the target.
#include <gtest/gtest.h>

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
    // Saves into dir; returns the files it must have replaced.
    std::function<std::vector<std::string>(TempFolder& dir)> run;
};

const Save kSaves[] = {
    {"conversion",
     [](TempFolder& dir) {
         dir.Write("P.HEX", ":0400000001020304F2\n:00000001FF\n");
         HxwConverter engine;
         NullProgress progress;
         EXPECT_EQ(engine.CreateHxwFile(dir.file("P.HEX"), dir.file("P.HXW"), Normal, Auto, 0, 0, progress),
                   0u);
         return std::vector<std::string>{dir.file("P.HXW")};
     }},
    {"settings",
     [](TempFolder& dir) {
         EXPECT_TRUE(SettingsFile(dir.folder()).Save());
         return std::vector<std::string>{dir.file("ZV.DEF")};
     }},
    {"the emulator's files",
     [](TempFolder& dir) {
         UnitEmulator unit(dir.file("unit"));
         UnitFileInfo info;
         info.Name = "PROG.HXW";
         info.Size = 3;
         EXPECT_TRUE(unit.StoreFile(info, {1, 2, 3}));
         return std::vector<std::string>{dir.file("unit/unit.bin"), dir.file("unit/unit.inf")};
     }},
    {"upload",
     [](TempFolder& dir) {
         std::filesystem::create_directories(dir.path() / "pc");
         UnitEmulator unit(dir.file("unit"));
         UnitFileInfo info;
         info.Name = "PROG.HXW";
         info.Size = 300;
         EXPECT_TRUE(unit.StoreFile(info, std::vector<uint8_t>(300, 0x5A)));
         EmulatorPort port(unit);
         HxwConverter engine;
         engine.SetUnitPort(&port);
         engine.SetUploadPause(0);
         NullProgress progress;
         std::string name;
         EXPECT_EQ(engine.UploadFile(dir.file("pc") + "/", name, progress), 0u);
         return std::vector<std::string>{dir.file("pc") + "/PROG.HXW"};
     }},
};

TEST(Saves, EveryOneFlushesItsFileBeforeTheRename) {
    for (const Save& save : kSaves) {
        TempFolder dir;
        ReplaceLog log;
        const std::vector<std::string> targets = save.run(dir);
        for (const auto& target : targets) {
            EXPECT_TRUE(log.RenamedOver(target)) << save.what << ": " << target << "\n" << log.Text();
            EXPECT_TRUE(log.FlushedBeforeRename(target)) << save.what << ": " << target << "\n" << log.Text();
        }
    }
}

}  // namespace
