#include "MainDialogFixture.h"
#include "app/ControlIds.h"

namespace {

// ------------------------------------------------------------------ Security

TEST_F(MainDialogTest, SecurityRadiosFollowTheirFlags) {
    Start();
    Click(IDC_SECURITY_SET);
    Click(IDC_BUZZER_OFF);
    EXPECT_TRUE(Checked(1064));
    EXPECT_FALSE(Checked(1063));
    EXPECT_TRUE(Checked(1071));
    EXPECT_FALSE(Checked(1070));
    EXPECT_EQ(dialog->SecurityFlag(), 1);
    EXPECT_EQ(dialog->BuzzerFlag(), 0);
    Click(IDC_SECURITY_CANCEL);
    Click(IDC_BUZZER_ON);
    EXPECT_TRUE(Checked(1063));
    EXPECT_TRUE(Checked(1070));
}

TEST_F(MainDialogTest, FailedSecurityTransferLeavesItsTextInTheInfoLine) {
    Start();
    view.Type(1066, "AB");
    view.Type(1068, "12");
    engine.results = {0x4001};
    Click(IDC_SECURITY_DOWNLOAD);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].windowTexts[1072], "Security info is downloading.");
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Transmission of data went wrong.");
    EXPECT_EQ(view.boxes[0].caption, "Error");
    EXPECT_EQ(view.boxes[0].textsWhileOpen[1072], "Download of a security info was failed.");
    EXPECT_EQ(view.TextOf(1072), "Download of a security info was failed.");
    EXPECT_EQ(view.TextOf(1066), "AB");
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
    const int call = At("engine security");
    const int box = At("box Error: Transmission of data went wrong.");
    EXPECT_TRUE(At("cursor begin") < call && call < box && box < At("cursor restore"));
}

TEST_F(MainDialogTest, SecurityTransferWithEmptyBoxesIsStillSent) {
    Start();
    Click(IDC_SECURITY_DOWNLOAD);
    EXPECT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(view.TextOf(1072), "Download of a security info was completed.");
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
}

}  // namespace
