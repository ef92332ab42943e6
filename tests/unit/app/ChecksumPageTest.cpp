#include "MainDialogFixture.h"
#include "app/ControlIds.h"

namespace {

// ------------------------------------------------------------------ File Check Sum

TEST_F(MainDialogTest, SumTotalForcesAutoAndEmptiesTheThreeBoxes) {
    StartWithFile("[CheckSum type]\r\n2\r\n1234\r\n");
    Click(IDC_CS_DOMAIN_MANUAL);
    view.Type(1049, "10");
    view.Type(1051, "20");
    Click(IDC_CS_SUM);
    EXPECT_EQ(dialog->CheckSumDomain(), 0u);
    EXPECT_TRUE(Checked(1060));
    EXPECT_FALSE(Checked(1061));
    for (int id : {1060, 1061, 1049, 1051, 1047, 1046, 1054}) EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {1047, 1049, 1051}) EXPECT_EQ(view.TextOf(id), "") << id;
}

TEST_F(MainDialogTest, CrcOffersAnEmptyInitialValueThatCountsAsZero) {
    Start();
    Click(IDC_CS_CRC);
    EXPECT_TRUE(Checked(1055));
    EXPECT_FALSE(Checked(1052));
    for (int id : {1046, 1047, 1060, 1061}) EXPECT_TRUE(Enabled(id)) << id;
    for (int id : {1049, 1051, 1054}) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_EQ(view.TextOf(1047), "");
    view.Type(1017, "C:\\s.hxw");
    Click(IDC_CHECKSUM);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].numbers, std::vector<uint32_t>({2, 0, 0, 0, 0}));
}

TEST_F(MainDialogTest, ChecksumManualDomainIsPassedAndSaved) {
    Start();
    Click(IDC_CS_CRC);
    Click(IDC_CS_DOMAIN_MANUAL);
    EXPECT_TRUE(Enabled(1049));
    view.Type(1017, "C:\\my files\\s.hxw");
    view.Type(1047, "ABCD");
    view.Type(1049, "100");
    view.Type(1051, "1FF");
    engine.lastCheckSum = 0x29B1;
    Click(IDC_CHECKSUM);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].texts[0], "C:\\my files\\s.hxw");
    EXPECT_EQ(engine.calls[0].numbers, std::vector<uint32_t>({2, 0xABCD, 1, 0x100, 0x1FF}));
    EXPECT_EQ(view.TextOf(1019), "  CRC Checksum :29B1h.");
    const std::vector<std::string> lines = Saved();
    ASSERT_EQ(lines.size(), 39u);
    EXPECT_EQ(lines[26], "C:\\my files\\s.hxw");
    EXPECT_EQ(lines[29], "2");
    EXPECT_EQ(lines[30], "ABCD");
    EXPECT_EQ(lines[33], "1");
    EXPECT_EQ(lines[36], "00000100");
    EXPECT_EQ(lines[37], "000001FF");
    EXPECT_LT(At("cursor begin"), At("engine checksum"));
    EXPECT_LT(At("cursor restore"), At("cursor end"));
}

TEST_F(MainDialogTest, ChecksumDoesNothingWithoutItsInputs) {
    Start();
    Click(IDC_CHECKSUM);  // no file name
    Click(IDC_CS_CRC);
    Click(IDC_CS_DOMAIN_MANUAL);
    view.Type(1017, "C:\\s.hxw");
    view.Type(1049, "10");
    Click(IDC_CHECKSUM);  // Manual without an end
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(view.Calls("cursor").empty());
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
}

struct SumLineCase {
    std::vector<int> clicks;
    const char* line;
    uint32_t kind;
};

class ChecksumLine : public MainDialogTest, public testing::WithParamInterface<SumLineCase> {};

TEST_P(ChecksumLine, NamesTheValueByKindAndConversionType) {
    Start();
    for (int id : GetParam().clicks) Click(id);
    view.Type(1017, "C:\\s.hxw");
    engine.lastCheckSum = 0x00FE;
    Click(IDC_CHECKSUM);
    EXPECT_EQ(view.TextOf(1019), GetParam().line);
    ASSERT_EQ(engine.calls.size(), 1u);
    EXPECT_EQ(engine.calls[0].numbers[0], GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Table, ChecksumLine,
                         testing::Values(SumLineCase{{}, "  Checksum :00FEh.", 0},
                                         SumLineCase{{1022}, "  Datasum :00FEh.", 0},
                                         SumLineCase{{1023}, "  Datasum :00FEh.", 0},
                                         SumLineCase{{1029}, "  Checksum :00FEh.", 0},
                                         SumLineCase{{1033}, "  Checksum :00FEh.", 0},
                                         SumLineCase{{1055}, "  CRC Checksum :00FEh.", 2},
                                         SumLineCase{{1022, 1055}, "  CRC Checksum :00FEh.", 2},
                                         SumLineCase{{1054}, "  One's complement Checksum :00FEh.", 1}));

TEST_F(MainDialogTest, FailedChecksumAfterSuccessEmptiesTheLineAndSavesNothing) {
    Start();
    view.Type(1017, "C:\\s.hxw");
    engine.lastCheckSum = 0x1234;
    Click(IDC_CHECKSUM);
    EXPECT_EQ(view.TextOf(1019), "  Checksum :1234h.");
    const std::string saved = dir.Read("ZV.DEF");
    view.Type(1017, "C:\\other.hxw");
    engine.results = {0x8001};
    Click(IDC_CHECKSUM);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Format error(01)\n Hxw File type:720 Series");
    EXPECT_EQ(view.boxes[0].caption, "Error");
    EXPECT_EQ(view.TextOf(1019), "");
    EXPECT_EQ(dir.Read("ZV.DEF"), saved);
}

}  // namespace
