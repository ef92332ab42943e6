#include <set>

#include "MainDialogFixture.h"
#include "app/ControlIds.h"

namespace {

// ------------------------------------------------------------------ start-up

TEST_F(MainDialogTest, StartsWithoutSettingsFileOnDefaults) {
    Start();
    EXPECT_EQ(view.windowSize, std::make_pair(500, 305));
    const FakeControl& tab = view.controls[IDC_TAB];
    EXPECT_EQ(std::vector<int>({tab.x, tab.y, tab.width, tab.height}), std::vector<int>({10, 10, 475, 260}));
    EXPECT_EQ(view.tabs, std::vector<std::string>({"Hxw File Exchange", "File Check Sum", "File Download",
                                                   "File Upload", "Security"}));
    EXPECT_EQ(view.curSel, 0);
    ExpectPageShown(0);

    for (int id : {1021, 1034, 1052, 1060, 1063, 1070}) EXPECT_TRUE(Checked(id)) << id;
    for (int id : {1022, 1023, 1029, 1033, 1035, 1054, 1055, 1061, 1064, 1071})
        EXPECT_FALSE(Checked(id)) << id;
    for (int id : {1038, 1039, 1054, 1046, 1047, 1060, 1061, 1049, 1051}) EXPECT_FALSE(Enabled(id)) << id;
    for (int id : {1034, 1035}) EXPECT_TRUE(Enabled(id)) << id;

    for (int id : kTextControls) {
        EXPECT_EQ(view.TextOf(id), id == 1044 ? "(000000h-FFFFFFFFh)" : "") << id;
    }
    const std::map<int, unsigned> limits = {{1038, 8}, {1039, 8}, {1047, 4}, {1049, 8},
                                            {1051, 8}, {1066, 4}, {1068, 5}, {1000, 0}};
    for (const auto& [id, limit] : limits) EXPECT_EQ(view.controls[id].limit, limit) << id;

    EXPECT_FALSE(dir.Exists("ZV.DEF"));  // starting writes nothing
    EXPECT_EQ(dialog->Settings().tabId, 0);
    EXPECT_EQ(dialog->Settings().crcInitialValue, 0xFFFF);
}

TEST_F(MainDialogTest, StartUpRunsItsStepsInOrder) {
    SettingsFile file(dir.Path());
    file.tabId = 2;
    ASSERT_TRUE(file.Save());
    dialog = std::make_unique<MainDialog>(view, engine, dir.Path());
    dialog->OnInitDialog();
    // The first transfer writes all eighteen fields before anything else happens.
    ASSERT_GE(view.log.size(), 18u);
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(view.log[i].rfind("text ", 0), 0u) << view.log[i];
    const int resize = At("resize");
    const int tabMove = At("move 1024");
    const int firstTab = At("tab 0=Hxw File Exchange");
    const int lastTab = At("tab 4=Security");
    const int typeRadio = At("check 1021=1");
    const int buzzerRadio = At("check 1070=1");
    const int select = At("cursel 2");
    EXPECT_TRUE(resize < tabMove && tabMove < firstTab && firstTab < lastTab && lastTab < typeRadio &&
                typeRadio < buzzerRadio && buzzerRadio < select);
    // Pages in order 0 to 4, each group box hidden first; only page 2 is shown and moved.
    int previous = select;
    for (int page = 0; page < 5; ++page) {
        const int group = At("show " + std::to_string(kGroupBoxes[page]) + "=0", select);
        const int first =
            At("show " + std::to_string(kPageControls[page].front()) + (page == 2 ? "=1" : "=0"), select);
        EXPECT_TRUE(previous < group && group < first) << page;
        previous = first;
    }
    EXPECT_EQ(view.Calls("move ").size(), 1u + kPageControls[2].size());
    EXPECT_EQ(view.log.back(), "text 1072=");  // the last transfer ends the start-up
}

TEST_F(MainDialogTest, StartShowsTheStoredValuesAndPage) {
    Start([](SettingsFile& s) {
        s.tabId = 4;
        s.hexFileName = "C:\\src\\a b.hex";
        s.hxwFileName = "C:\\out\\[1].hxw";
        s.hxwFileType = 3;
        s.hxwDomainType = 1;
        s.hxwDomainStart = 0x1000;
        s.hxwDomainEnd = 0x12345678;
        s.checkSumFileName = "C:\\sum.hxw";
        s.checkSumType = 2;
        s.crcInitialValue = 0xAB;
        s.checkSumDomainType = 1;
        s.checkSumDomainStart = 0x10;
        s.checkSumDomainEnd = 0xFFFFFFFF;
        s.downloadFileName = "C:\\d.pbt";
        s.uploadFileName = "C:\\up\\";
    });
    EXPECT_EQ(view.TextOf(1000), "C:\\src\\a b.hex");
    EXPECT_EQ(view.TextOf(1002), "C:\\out\\[1].hxw");
    EXPECT_EQ(view.TextOf(1038), "001000");
    EXPECT_EQ(view.TextOf(1039), "12345678");
    EXPECT_EQ(view.TextOf(1044), "(000000h-003FFFh)");
    EXPECT_EQ(view.TextOf(1017), "C:\\sum.hxw");
    EXPECT_EQ(view.TextOf(1047), "00AB");
    EXPECT_EQ(view.TextOf(1049), "000010");
    EXPECT_EQ(view.TextOf(1051), "FFFFFFFF");
    EXPECT_EQ(view.TextOf(1004), "C:\\d.pbt");
    EXPECT_EQ(view.TextOf(1010), "C:\\up\\");
    for (int id : {1023, 1035, 1055, 1061, 1063, 1070}) EXPECT_TRUE(Checked(id)) << id;
    for (int id : {1038, 1039, 1047, 1049, 1051, 1060, 1061}) EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_EQ(view.curSel, 4);
    ExpectPageShown(4);
}

TEST_F(MainDialogTest, StartWithCrcOnlyFile) {
    StartWithFile("[CheckSum type]\r\n2\r\n1234\r\n");
    EXPECT_EQ(view.curSel, 0);
    ExpectPageShown(0);
    EXPECT_TRUE(Checked(1055));
    EXPECT_TRUE(Enabled(1047));
    EXPECT_EQ(view.TextOf(1047), "1234");
    for (int id : {1000, 1002, 1017, 1004, 1010, 1038, 1039, 1049, 1051})
        EXPECT_EQ(view.TextOf(id), "") << id;
    EXPECT_TRUE(Checked(1021));
    EXPECT_TRUE(Checked(1060));
}

TEST_F(MainDialogTest, StoredOnesComplementStartsAsSumTotalAndIsSavedAsZero) {
    Start([](SettingsFile& s) {
        s.checkSumType = 1;
        s.tabId = 1;
    });
    EXPECT_TRUE(Checked(1052));
    EXPECT_FALSE(Checked(1054));
    EXPECT_EQ(dialog->CheckSumType(), 0);
    view.curSel = 1;
    dialog->OnTabChange();
    EXPECT_EQ(Saved().at(29), "0");  // line 30: the checksum type
}

TEST_F(MainDialogTest, StoredPageAboveFourSelectsNoTabAndShowsNoPage) {
    Start([](SettingsFile& s) { s.tabId = 7; });
    EXPECT_EQ(view.curSel, -1);
    ExpectPageShown(-1);
}

TEST_F(MainDialogTest, StoredTypeOutsideTheFiveShowsNormalAndStays) {
    Start([](SettingsFile& s) { s.hxwFileType = 5; });
    EXPECT_TRUE(Checked(1021));
    EXPECT_EQ(dialog->HxwFileType(), 5);
    view.Type(1000, "C:\\a.hex");
    view.Type(1002, "C:\\PROG.HXW");
    Click(IDC_CONVERT);
    EXPECT_EQ(view.TextOf(1016), "Creation of a PROG.HXW file was completed.");
}

TEST_F(MainDialogTest, EveryControlBelongsToOnePlace) {
    std::set<int> ids = {IDC_TAB, IDC_CS_RANGE};
    for (int id : kGroupBoxes) ids.insert(id);
    size_t count = ids.size();
    for (const auto& page : kPageControls) {
        ids.insert(page.begin(), page.end());
        count += page.size();
    }
    EXPECT_EQ(count, 74u);
    EXPECT_EQ(ids.size(), 74u);
    EXPECT_EQ(*ids.begin(), 1000);
    EXPECT_EQ(*ids.rbegin(), 1073);
}

// Each page is laid out where the operator expects it; a sample of each page's rectangles.
struct Rect {
    int page, id, x, y, width, height;
};

class PageLayout : public MainDialogTest, public testing::WithParamInterface<Rect> {};

TEST_P(PageLayout, ShowsThenMovesEveryControl) {
    Start();
    const Rect& r = GetParam();
    view.curSel = r.page;
    dialog->OnTabChange();
    ExpectPageShown(r.page);
    const FakeControl& c = view.controls[r.id];
    EXPECT_EQ(std::vector<int>({c.x, c.y, c.width, c.height}),
              std::vector<int>({r.x, r.y, r.width, r.height}));
    // All of the page's controls are shown before the first is moved.
    const std::vector<std::string> moves = view.Calls("move ");
    ASSERT_EQ(moves.size(), kPageControls[r.page].size());
    for (int id : kPageControls[r.page])
        EXPECT_LT(At("show " + std::to_string(id) + "=1"), At(moves.front()));
    EXPECT_EQ(view.Calls("show 1053").size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sample, PageLayout,
                         testing::Values(Rect{0, 1026, 25, 49, 130, 12}, Rect{0, 1033, 225, 97, 80, 12},
                                         Rect{0, 1044, 335, 188, 130, 12}, Rect{0, 1005, 390, 236, 80, 20},
                                         Rect{1, 1054, 35, 104, 400, 12}, Rect{1, 1047, 390, 117, 70, 18},
                                         Rect{1, 1020, 390, 237, 80, 20}, Rect{2, 1004, 120, 45, 260, 18},
                                         Rect{2, 1008, 25, 80, 355, 16}, Rect{3, 1015, 25, 65, 355, 11},
                                         Rect{3, 1013, 390, 78, 80, 20}, Rect{4, 1066, 150, 77, 50, 18},
                                         Rect{4, 1072, 25, 188, 350, 12}, Rect{4, 1073, 390, 185, 80, 20}));

// ------------------------------------------------------------------ page change

TEST_F(MainDialogTest, EveryPageChangeSavesThePageNumber) {
    Start([](SettingsFile& s) { s.hexFileName = "C:\\kept.hex"; });
    for (int page : {2, 2, 0, 4}) {
        std::filesystem::remove(dir.File("ZV.DEF"));
        view.curSel = page;
        EXPECT_EQ(dialog->OnTabChange(), 0);
        ASSERT_TRUE(dir.Exists("ZV.DEF")) << page;
        const std::vector<std::string> lines = Saved();
        ASSERT_EQ(lines.size(), 39u);
        EXPECT_EQ(lines[1], std::to_string(page));
        EXPECT_EQ(lines[4], "C:\\kept.hex");
        ExpectPageShown(page);
    }
}

TEST_F(MainDialogTest, PageChangeKeepsTypedTextsAndSavesOnlyTheLastSuccess) {
    Start();
    view.Type(1000, "C:\\typed.hex");
    view.Type(1066, "AB12");
    Click(IDC_TYPE_720);
    view.log.clear();
    view.curSel = 3;
    dialog->OnTabChange();
    view.curSel = 0;
    dialog->OnTabChange();
    EXPECT_TRUE(view.Calls("text ").empty());
    EXPECT_TRUE(view.Calls("check ").empty());
    EXPECT_EQ(view.TextOf(1000), "C:\\typed.hex");
    EXPECT_EQ(view.TextOf(1066), "AB12");
    EXPECT_TRUE(Checked(1022));
    const std::vector<std::string> lines = Saved();
    EXPECT_EQ(lines[4], "");   // the typed name was never part of a success
    EXPECT_EQ(lines[7], "0");  // nor the type
}

// ------------------------------------------------------------------ field transfer

TEST_F(MainDialogTest, OverlongFieldStopsTheTransferWithAMessage) {
    Start();
    // 1039 comes before 1017 in the transfer, so the file name typed here is not read.
    view.Type(1039, "123456789");
    view.Type(1017, "C:\\s.hxw");
    EXPECT_FALSE(dialog->ExchangeFields(MainDialog::Direction::FromWindow));
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "Please enter no more than 8 characters.");
    EXPECT_EQ(view.boxes[0].style, 0x30u);
    EXPECT_EQ(dialog->Field(1017), "");
    view.Type(1039, "");
    view.Type(1068, "123456");
    EXPECT_FALSE(dialog->ExchangeFields(MainDialog::Direction::FromWindow));
    EXPECT_EQ(view.boxes.back().text, "Please enter no more than 5 characters.");
    EXPECT_EQ(dialog->Field(1017), "C:\\s.hxw");
}

TEST_F(MainDialogTest, UnknownCommandIsLeftToTheWindow) {
    Start();
    EXPECT_FALSE(dialog->OnCommand(1));
    EXPECT_FALSE(dialog->OnCommand(2));
    EXPECT_FALSE(dialog->OnCommand(IDC_CS_RANGE));
}

}  // namespace
