#include "MainDialogFixture.h"
#include "app/ControlIds.h"

namespace {

// ------------------------------------------------------------------ File Download, dropped files

TEST_F(MainDialogTest, DownloadReportsSavesAndResets) {
    Start();
    view.Type(1004, "C:\\dir\\PROG.HXW");
    Click(IDC_DOWNLOAD);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].texts, std::vector<std::string>({"C:\\dir\\PROG.HXW", "PROG.HXW"}));
    EXPECT_EQ(engine.calls[0].progress, &view.progress[IDC_DOWNLOAD_PROGRESS]);
    EXPECT_EQ(engine.calls[0].windowTexts[1014], "PROG.HXW file is downloading.");
    EXPECT_EQ(view.TextOf(1014), "Download of a PROG.HXW file was completed.");
    EXPECT_EQ(Saved().at(20), "C:\\dir\\PROG.HXW");
    EXPECT_EQ(view.progress[IDC_DOWNLOAD_PROGRESS].range, std::make_pair(0u, 100u));
    EXPECT_EQ(view.progress[IDC_DOWNLOAD_PROGRESS].pos, 0u);
    const int begin = At("cursor begin");
    const int call = At("engine download");
    const int restore = At("cursor restore");
    EXPECT_TRUE(begin < call && call < restore && restore < At("cursor end"));
}

struct DownloadFailure {
    uint32_t code;
    const char* text;
};

class DownloadFails : public MainDialogTest, public testing::WithParamInterface<DownloadFailure> {};

TEST_P(DownloadFails, ShowsTheCodesTextAndEmptiesTheLine) {
    Start();
    view.Type(1004, "C:\\a_very_long_file_name.hxw");
    engine.results = {GetParam().code};
    Click(IDC_DOWNLOAD);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, GetParam().text);
    EXPECT_EQ(view.boxes[0].caption, "Error");
    EXPECT_EQ(view.TextOf(1014), "");
    EXPECT_EQ(view.TextOf(1004), "C:\\a_very_long_file_name.hxw");
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
    EXPECT_EQ(view.progress[IDC_DOWNLOAD_PROGRESS].pos, 0u);
    EXPECT_EQ(view.progress[IDC_DOWNLOAD_PROGRESS].range, std::make_pair(0u, 100u));
}

INSTANTIATE_TEST_SUITE_P(Codes, DownloadFails,
                         testing::Values(DownloadFailure{0x7003, "A file name is too long."},
                                         DownloadFailure{0x4000,
                                                         "Initialization of USB communication went wrong."},
                                         DownloadFailure{0x0123, "Other error."}));

TEST_F(MainDialogTest, DownloadWithoutAPathDoesNothing) {
    Start();
    Click(IDC_DOWNLOAD);
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(view.Calls("cursor").empty());
}

TEST_F(MainDialogTest, DropOfThreeFilesStopsAtTheFailingSecond) {
    Start();
    engine.results = {0, 0x4001, 0};
    dialog->OnDropFiles({"C:\\d\\ONE.HXW", "C:\\d\\TWO.FXW", "C:\\d\\THREE.PBT"});
    ASSERT_EQ(engine.calls.size(), 2u);
    EXPECT_EQ(engine.calls[0].texts, std::vector<std::string>({"C:\\d\\ONE.HXW", "ONE.HXW"}));
    EXPECT_EQ(engine.calls[1].texts, std::vector<std::string>({"C:\\d\\TWO.FXW", "TWO.FXW"}));
    EXPECT_EQ(engine.calls[1].windowTexts[1014], "TWO.FXW file is downloading.");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Transmission of data went wrong.");
    EXPECT_EQ(view.TextOf(1004), "C:\\d\\TWO.FXW");
    EXPECT_EQ(view.TextOf(1014), "");
    EXPECT_EQ(Saved().at(20), "C:\\d\\ONE.HXW");  // the first one's success was saved
    EXPECT_TRUE(view.Calls("cursor").empty());
}

TEST_F(MainDialogTest, DropBringsBackTheEarlierTextOfEveryPage) {
    Start([](SettingsFile& s) { s.hexFileName = "C:\\earlier.hex"; });
    view.Type(1000, "C:\\typed.hex");
    dialog->OnDropFiles({"C:\\PROG.HXW"});
    EXPECT_EQ(view.TextOf(1000), "C:\\earlier.hex");
}

TEST_F(MainDialogTest, DropWhileAnotherPageIsShownFillsTheHiddenDownloadPage) {
    Start([](SettingsFile& s) { s.tabId = 1; });
    dialog->OnDropFiles({"C:\\x\\PROG.HXW", "C:\\x\\NEXT.HXW"});
    ExpectPageShown(1);
    EXPECT_EQ(view.TextOf(1004), "C:\\x\\NEXT.HXW");
    EXPECT_EQ(view.TextOf(1014), "Download of a NEXT.HXW file was completed.");
    EXPECT_EQ(engine.calls.size(), 2u);
}

// ------------------------------------------------------------------ File Upload

TEST_F(MainDialogTest, UploadReportsSavesAndResets) {
    Start();
    view.Type(1010, "C:\\up load\\");
    engine.uploadName = "UNIT.FXW";
    Click(IDC_UPLOAD);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].texts[0], "C:\\up load\\");
    EXPECT_EQ(engine.calls[0].progress, &view.progress[IDC_UPLOAD_PROGRESS]);
    EXPECT_EQ(engine.calls[0].windowTexts[1015], "The file is uploaded.");
    EXPECT_EQ(view.TextOf(1015), "Upload of a UNIT.FXW file was completed.");
    EXPECT_EQ(Saved().at(23), "C:\\up load\\");
    EXPECT_EQ(view.progress[IDC_UPLOAD_PROGRESS].range, std::make_pair(0u, 100u));
    EXPECT_EQ(view.progress[IDC_UPLOAD_PROGRESS].pos, 0u);
    EXPECT_LT(At("engine upload"), At("cursor restore"));
}

TEST_F(MainDialogTest, UploadIntoAFolderTypedWithoutItsSeparatorStaysInThatFolder) {
    Start();
    view.Type(1010, "C:\\up");
    Click(IDC_UPLOAD);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].texts[0], "C:\\up\\");
    EXPECT_EQ(view.TextOf(1010), "C:\\up");
    EXPECT_EQ(Saved().at(23), "C:\\up");
}

TEST_F(MainDialogTest, FailedUploadEmptiesTheLineAndSavesNothing) {
    Start();
    view.Type(1010, "C:\\up\\");
    engine.results = {0x7000};
    Click(IDC_UPLOAD);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Opening of file is failed.");
    EXPECT_EQ(view.TextOf(1015), "");
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
    EXPECT_EQ(view.progress[IDC_UPLOAD_PROGRESS].pos, 0u);
}

TEST_F(MainDialogTest, UploadWithoutAFolderDoesNothing) {
    Start();
    Click(IDC_UPLOAD);
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(view.Calls("cursor").empty());
}

}  // namespace
