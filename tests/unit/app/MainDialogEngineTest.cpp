// The pages over the real engine: real source and image files in a temporary folder, and the
// unit emulator behind the link.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/support/FakeDialogView.h"
#include "tests/support/TempFolder.h"
#include "app/ControlIds.h"
#include "app/MainDialog.h"
#include "engine/HxwConverter.h"
#include "device/emulator/EmulatorPort.h"
#include "device/emulator/UnitEmulator.h"

namespace {

class MainDialogEngineTest : public testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir.File("unit"));
        std::filesystem::create_directories(dir.File("up"));
        unit = std::make_unique<UnitEmulator>(dir.File("unit"));
        port = std::make_unique<EmulatorPort>(*unit);
        converter.SetUnitPort(port.get());
        dialog = std::make_unique<MainDialog>(view, converter, dir.Path());
        dialog->OnInitDialog();
    }
    void Click(int id) { EXPECT_TRUE(dialog->OnCommand(id)); }
    std::string Sample() const { return std::string(TM_TEST_DATA) + "/sample.hex"; }

    TempFolder dir;
    FakeDialogView view;
    HxwConverter converter;
    std::unique_ptr<UnitEmulator> unit;
    std::unique_ptr<EmulatorPort> port;
    std::unique_ptr<MainDialog> dialog;
};

TEST_F(MainDialogEngineTest, ConversionAndChecksumPagesAgreeOnTheSum) {
    view.Type(IDC_HEX_FILE, Sample());
    view.Type(IDC_HXW_FILE, dir.File("PROG.HXW"));
    Click(IDC_CONVERT);
    ASSERT_TRUE(view.boxes.empty()) << view.boxes[0].text;
    const std::string line = view.TextOf(IDC_CONVERT_INFO);
    const std::string prefix = "Creation of a PROG.HXW file was completed.  Checksum :";
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    const std::string sum = line.substr(prefix.size());  // "XXXXh."
    EXPECT_EQ(dir.Read("PROG.HXW").rfind("OMK-ZV HXW file.\r\n", 0), 0u);
    EXPECT_EQ(view.progress[IDC_CONVERT_PROGRESS].range, std::make_pair(0u, 100u));
    EXPECT_EQ(view.progress[IDC_CONVERT_PROGRESS].pos, 0u);

    view.Type(IDC_CHECKSUM_FILE, dir.File("PROG.HXW"));
    Click(IDC_CHECKSUM);
    EXPECT_EQ(view.TextOf(IDC_CHECKSUM_INFO), "  Checksum :" + sum);

    Click(IDC_CS_CRC);
    Click(IDC_CHECKSUM);
    EXPECT_EQ(view.TextOf(IDC_CHECKSUM_INFO).rfind("  CRC Checksum :", 0), 0u);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(dir.Exists("ZV.DEF"));
}

TEST_F(MainDialogEngineTest, UnreadableSourceShowsItsFormatError) {
    dir.Write("bad.hex", "hello\r\n");
    view.Type(IDC_HEX_FILE, dir.File("bad.hex"));
    view.Type(IDC_HXW_FILE, dir.File("PROG.HXW"));
    Click(IDC_CONVERT);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Format error(00)");
    EXPECT_EQ(view.TextOf(IDC_CONVERT_INFO), "");
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
}

TEST_F(MainDialogEngineTest, SeriesUpperHalfFileLiesBesideTheExecutable) {
    Click(IDC_TYPE_720);
    view.Type(IDC_HEX_FILE, Sample());
    view.Type(IDC_HXW_FILE, dir.File("PROG.HXW"));
    Click(IDC_CONVERT);
    EXPECT_TRUE(dir.Exists("Hxw.tmp"));
}

TEST_F(MainDialogEngineTest, DownloadAndUploadThroughTheUnitGiveTheFileBack) {
    dir.Write("PROG.HXW", std::string(700, 'A') + std::string(300, '\x5A'));
    view.Type(IDC_DOWNLOAD_FILE, dir.File("PROG.HXW"));
    Click(IDC_DOWNLOAD);
    ASSERT_TRUE(view.boxes.empty()) << view.boxes[0].text;
    EXPECT_EQ(view.TextOf(IDC_DOWNLOAD_INFO), "Download of a PROG.HXW file was completed.");

    view.Type(IDC_UPLOAD_FOLDER, dir.File("up") + "/");
    Click(IDC_UPLOAD);
    ASSERT_TRUE(view.boxes.empty()) << view.boxes[0].text;
    EXPECT_EQ(view.TextOf(IDC_UPLOAD_INFO), "Upload of a PROG.HXW file was completed.");
    EXPECT_EQ(dir.Read("up/PROG.HXW"), dir.Read("PROG.HXW"));
    EXPECT_TRUE(port->AllClosed());
}

TEST_F(MainDialogEngineTest, DropStopsAtTheFileTheUnitCannotTake) {
    dir.Write("ONE.HXW", "first");
    dir.Write("a_name_of_twenty_two_c.hxw", "second");
    dir.Write("THREE.HXW", "third");
    dialog->OnDropFiles({dir.File("ONE.HXW"), dir.File("a_name_of_twenty_two_c.hxw"), dir.File("THREE.HXW")});
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "A file name is too long.");
    EXPECT_EQ(view.TextOf(IDC_DOWNLOAD_INFO), "");
    // The unit still holds the first file: the third was never sent.
    view.Type(IDC_UPLOAD_FOLDER, dir.File("up") + "/");
    Click(IDC_UPLOAD);
    EXPECT_EQ(view.TextOf(IDC_UPLOAD_INFO), "Upload of a ONE.HXW file was completed.");
    EXPECT_EQ(dir.Read("up/ONE.HXW"), "first");
}

TEST_F(MainDialogEngineTest, RefusedLinkShowsTheUsbMessage) {
    unit->Faults().RefuseOpen = true;
    dir.Write("PROG.HXW", "data");
    view.Type(IDC_DOWNLOAD_FILE, dir.File("PROG.HXW"));
    Click(IDC_DOWNLOAD);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Initialization of USB communication went wrong.");
    EXPECT_EQ(view.TextOf(IDC_DOWNLOAD_INFO), "");
    Click(IDC_SECURITY_DOWNLOAD);
    EXPECT_EQ(view.TextOf(IDC_SECURITY_INFO), "Download of a security info was failed.");
    EXPECT_EQ(view.boxes.size(), 2u);
}

TEST_F(MainDialogEngineTest, SecurityPageSendsTheRecordOfItsFields) {
    Click(IDC_SECURITY_SET);
    Click(IDC_BUZZER_OFF);
    view.Type(IDC_ID_CODE, "AB");
    view.Type(IDC_COUNT, "12");
    Click(IDC_SECURITY_DOWNLOAD);
    EXPECT_EQ(view.TextOf(IDC_SECURITY_INFO), "Download of a security info was completed.");
    const std::string record = dir.Read("unit/security.sec");
    ASSERT_EQ(record.size(), 512u);
    EXPECT_EQ(record.rfind("SECURITY=1\r\nID=  AB\r\nCOUNT=   12\r\nBUZZER=0\r\nCRC=", 0), 0u) << record;
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
}

}  // namespace
