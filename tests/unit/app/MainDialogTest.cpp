#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "FakeDialogView.h"
#include "FakeEngine.h"
#include "TempFolder.h"
#include "app/ControlIds.h"
#include "app/MainDialog.h"

namespace {

// The eighteen text fields' controls.
const int kTextControls[] = {1004, 1000, 1002, 1010, 1015, 1014, 1016, 1044, 1039,
                             1038, 1017, 1019, 1047, 1049, 1051, 1066, 1068, 1072};

// Each page's controls, as the operator sees them laid out.
const std::vector<std::vector<int>> kPageControls = {
    {1026, 1000, 1001, 1027, 1021, 1022, 1023, 1029, 1033, 1028, 1002, 1003,
     1036, 1037, 1034, 1035, 1040, 1038, 1041, 1039, 1044, 1016, 1009, 1005},
    {1032, 1017, 1018, 1056, 1052, 1054, 1055, 1046, 1047, 1058, 1059, 1060, 1061, 1048, 1049, 1050, 1051,
     1019, 1020},
    {1030, 1004, 1007, 1014, 1008, 1006},
    {1031, 1010, 1011, 1015, 1012, 1013},
    {1062, 1063, 1064, 1065, 1066, 1067, 1068, 1069, 1070, 1071, 1072, 1073},
};
const int kGroupBoxes[] = {1025, 1045, 1042, 1043, 1057};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class MainDialogTest : public testing::Test {
  protected:
    // Starts the window; prepare, when given, fills the settings file written beforehand.
    void Start(const std::function<void(SettingsFile&)>& prepare = nullptr) {
        if (prepare) {
            SettingsFile file(dir.Path());
            prepare(file);
            ASSERT_TRUE(file.Save());
        }
        dialog = std::make_unique<MainDialog>(view, engine, dir.Path());
        EXPECT_TRUE(dialog->OnInitDialog());
        view.log.clear();
        view.boxes.clear();
    }
    void StartWithFile(const std::string& content) {
        dir.Write("ZV.DEF", content);
        Start();
    }
    void Click(int id) { EXPECT_TRUE(dialog->OnCommand(id)) << id; }
    std::vector<std::string> Saved() { return Lines(dir.Read("ZV.DEF")); }
    // Index of a log entry, failing the test when it is missing.
    int At(const std::string& entry, size_t from = 0) {
        const int index = view.IndexOf(entry, from);
        EXPECT_GE(index, 0) << "missing: " << entry;
        return index;
    }
    bool Visible(int id) { return view.controls[id].visible; }
    bool Enabled(int id) { return view.controls[id].enabled; }
    bool Checked(int id) { return view.controls[id].checked; }
    void ExpectPageShown(int page) {
        for (int p = 0; p < 5; ++p) {
            EXPECT_FALSE(Visible(kGroupBoxes[p])) << kGroupBoxes[p];
            for (int id : kPageControls[p])
                EXPECT_EQ(Visible(id), p == page) << "page " << p << " control " << id;
        }
    }

    TempFolder dir;
    FakeDialogView view;
    FakeEngine engine{view};
    std::unique_ptr<MainDialog> dialog;
};

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

// ------------------------------------------------------------------ Hxw File Exchange

struct TypeCase {
    int radio;
    uint8_t type;
    const char* label;
    bool manualOffered;
};

class TypeRadio : public MainDialogTest, public testing::WithParamInterface<TypeCase> {};

TEST_P(TypeRadio, ChecksOneAndShowsItsRange) {
    Start();
    Click(IDC_DOMAIN_MANUAL);
    view.Type(1038, "100");
    view.Type(1039, "200");
    Click(GetParam().radio);
    EXPECT_EQ(dialog->HxwFileType(), GetParam().type);
    for (int id : {1021, 1022, 1023, 1029, 1033}) EXPECT_EQ(Checked(id), id == GetParam().radio) << id;
    EXPECT_EQ(view.TextOf(1044), GetParam().label);
    EXPECT_EQ(Enabled(1035), GetParam().manualOffered);
    EXPECT_TRUE(Enabled(1034));
    if (GetParam().manualOffered) {
        EXPECT_TRUE(Checked(1035));
        EXPECT_EQ(view.TextOf(1038), "100");
        EXPECT_TRUE(Enabled(1039));
    } else {
        // The word modes take the Auto domain only.
        EXPECT_TRUE(Checked(1034));
        EXPECT_FALSE(Checked(1035));
        EXPECT_EQ(dialog->ConversionDomain(), 0u);
        for (int id : {1038, 1039}) {
            EXPECT_FALSE(Enabled(id));
            EXPECT_EQ(view.TextOf(id), "");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Radios, TypeRadio,
                         testing::Values(TypeCase{1021, 0, "(000000h-FFFFFFFFh)", true},
                                         TypeCase{1022, 1, "(000000h-000FFFh)", true},
                                         TypeCase{1023, 3, "(000000h-003FFFh)", true},
                                         TypeCase{1029, 4, "(000000h-FFFFFFFFh)", false},
                                         TypeCase{1033, 8, "(000000h-FFFFFFFFh)", false}));

TEST_F(MainDialogTest, SwitchingToAutoEmptiesTheAddressBoxes) {
    Start();
    Click(IDC_DOMAIN_MANUAL);
    EXPECT_TRUE(Enabled(1038));
    EXPECT_TRUE(Enabled(1039));
    view.Type(1038, "1000");
    view.Type(1039, "1FFF");
    Click(IDC_DOMAIN_AUTO);
    EXPECT_EQ(view.TextOf(1038), "");
    EXPECT_EQ(view.TextOf(1039), "");
    EXPECT_FALSE(Enabled(1038));
    Click(IDC_DOMAIN_MANUAL);
    EXPECT_EQ(view.TextOf(1038), "");
    EXPECT_EQ(view.TextOf(1039), "");
    EXPECT_TRUE(Enabled(1039));
}

struct MissingInput {
    const char* hex;
    const char* hxw;
    bool manual;
    const char* start;
    const char* end;
};

class ConvertDoesNothing : public MainDialogTest, public testing::WithParamInterface<MissingInput> {};

TEST_P(ConvertDoesNothing, WhenAnInputIsEmpty) {
    Start();
    if (GetParam().manual) Click(IDC_DOMAIN_MANUAL);
    view.Type(1000, GetParam().hex);
    view.Type(1002, GetParam().hxw);
    view.Type(1038, GetParam().start);
    view.Type(1039, GetParam().end);
    view.log.clear();
    Click(IDC_CONVERT);
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_TRUE(view.Calls("cursor").empty());
    EXPECT_TRUE(view.Calls("text ").empty());
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ConvertDoesNothing,
                         testing::Values(MissingInput{"", "C:\\b.hxw", false, "", ""},
                                         MissingInput{"C:\\a.hex", "", false, "", ""},
                                         MissingInput{"C:\\a.hex", "C:\\b.hxw", true, "1000", ""},
                                         MissingInput{"C:\\a.hex", "C:\\b.hxw", true, "", "1000"}));

struct ConvertCase {
    int typeRadio;
    bool manual;
    const char* start;
    const char* end;
    uint32_t type, mode, startValue, endValue;
    const char* line;
};

class ConvertSucceeds : public MainDialogTest, public testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertSucceeds, ReportsSavesAndResets) {
    const ConvertCase& k = GetParam();
    Start();
    Click(k.typeRadio);
    if (k.manual) Click(IDC_DOMAIN_MANUAL);
    view.Type(1000, "C:\\src\\prog.hex");
    view.Type(1002, "C:\\out dir\\PROG.HXW");
    view.Type(1038, k.start);
    view.Type(1039, k.end);
    engine.lastCheckSum = 0x1A2B;
    view.log.clear();
    Click(IDC_CONVERT);

    ASSERT_EQ(engine.calls.size(), 1u);
    EngineCall& call = engine.calls[0];
    EXPECT_EQ(call.texts, std::vector<std::string>({"C:\\src\\prog.hex", "C:\\out dir\\PROG.HXW"}));
    EXPECT_EQ(call.numbers, std::vector<uint32_t>({k.type, k.mode, k.startValue, k.endValue}));
    EXPECT_EQ(call.progress, &view.progress[IDC_CONVERT_PROGRESS]);
    EXPECT_EQ(call.windowTexts[1016], "It changes into a PROG.HXW file.");
    EXPECT_EQ(view.TextOf(1016), k.line);

    const int begin = At("cursor begin");
    const int running = At("text 1016=It changes into a PROG.HXW file.");
    const int convert = At("engine convert");
    const int done = At(std::string("text 1016=") + k.line);
    const int restore = At("cursor restore");
    const int end = At("cursor end");
    EXPECT_TRUE(begin < running && running < convert && convert < done && done < restore && restore < end);

    const FakeProgress& bar = view.progress[IDC_CONVERT_PROGRESS];
    EXPECT_EQ(bar.range, std::make_pair(0u, 100u));
    EXPECT_EQ(bar.pos, 0u);

    const std::vector<std::string> lines = Saved();
    ASSERT_EQ(lines.size(), 39u);
    EXPECT_EQ(lines[4], "C:\\src\\prog.hex");
    EXPECT_EQ(lines[7], std::to_string(k.type));
    EXPECT_EQ(lines[10], "C:\\out dir\\PROG.HXW");
    EXPECT_EQ(lines[13], k.manual ? "1" : "0");
    char start[16], endText[16];
    std::snprintf(start, sizeof start, "%08X", k.startValue);
    std::snprintf(endText, sizeof endText, "%08X", k.endValue);
    EXPECT_EQ(lines[16], start);
    EXPECT_EQ(lines[17], endText);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ConvertSucceeds,
    testing::Values(ConvertCase{1021, false, "", "", 0, 0, 0, 0,
                                "Creation of a PROG.HXW file was completed.  Checksum :1A2Bh."},
                    ConvertCase{1021, true, "100", "ffff", 0, 1, 0x100, 0xFFFF,
                                "Creation of a PROG.HXW file was completed.  Checksum :1A2Bh."},
                    ConvertCase{1022, true, " 10", "FFFzz", 1, 1, 0x10, 0xFFF,
                                "Creation of a PROG.HXW file was completed.  Datasum :1A2Bh."},
                    ConvertCase{1023, false, "", "", 3, 0, 0, 0,
                                "Creation of a PROG.HXW file was completed.  Datasum :1A2Bh."},
                    ConvertCase{1029, false, "", "", 4, 0, 0, 0,
                                "Creation of a PROG.HXW file was completed.  Checksum :1A2Bh."},
                    ConvertCase{1033, false, "", "", 8, 0, 0, 0,
                                "Creation of a PROG.HXW file was completed.  Checksum :1A2Bh."}));

TEST_F(MainDialogTest, FailedConversionShowsErrorClearsLineAndSavesNothing) {
    Start();
    view.Type(1000, "C:\\a.hex");
    view.Type(1002, "C:\\PROG.HXW");
    engine.results = {0x5003};
    Click(IDC_CONVERT);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].text, "HEX Data error(03)");
    EXPECT_EQ(view.boxes[0].caption, "Error");
    EXPECT_EQ(view.boxes[0].style, 0u);
    EXPECT_EQ(view.boxes[0].textsWhileOpen[1016], "It changes into a PROG.HXW file.");
    EXPECT_EQ(view.TextOf(1016), "");
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
    EXPECT_EQ(view.progress[IDC_CONVERT_PROGRESS].range, std::make_pair(0u, 100u));
    EXPECT_EQ(view.progress[IDC_CONVERT_PROGRESS].pos, 0u);
    EXPECT_LT(At("box Error: HEX Data error(03)"), At("cursor restore"));
}

TEST_F(MainDialogTest, FailedConversionKeepsTheLastSuccessInTheSettings) {
    Start();
    view.Type(1000, "C:\\good.hex");
    view.Type(1002, "C:\\good.hxw");
    Click(IDC_CONVERT);
    const std::string saved = dir.Read("ZV.DEF");
    view.Type(1000, "C:\\bad.hex");
    engine.results = {0x7000};
    Click(IDC_CONVERT);
    EXPECT_EQ(dir.Read("ZV.DEF"), saved);
    EXPECT_EQ(view.boxes.back().text, "Opening of file is failed.");
}

// ------------------------------------------------------------------ browse dialogs

struct BrowseCase {
    int button;
    int field;
    bool save;
    const char* filter;
    const char* ext;
    unsigned flags;
    const char* chosen;
    const char* shown;
};

class Browse : public MainDialogTest, public testing::WithParamInterface<BrowseCase> {};

TEST_P(Browse, AsksWithItsFilterAndTakesTheChoice) {
    const BrowseCase& k = GetParam();
    Start();
    view.Type(k.field, "C:\\old");
    view.fileAnswers = {std::nullopt, std::string(k.chosen)};
    Click(k.button);  // cancelled: the text stays
    EXPECT_EQ(view.TextOf(k.field), "C:\\old");
    Click(k.button);
    EXPECT_EQ(view.TextOf(k.field), k.shown);
    EXPECT_EQ(dialog->Field(k.field), k.shown);
    ASSERT_EQ(view.fileRequests.size(), 2u);
    const FileDialogRequest& request = view.fileRequests[1];
    EXPECT_EQ(request.save, k.save);
    EXPECT_EQ(request.filter, k.filter);
    EXPECT_EQ(request.defaultExt, k.ext);
    EXPECT_EQ(request.initialName, "");
    EXPECT_EQ(request.flags, k.flags);
    EXPECT_FALSE(dir.Exists("ZV.DEF"));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, Browse,
    testing::Values(BrowseCase{1001, 1000, false, "HEX Files (*.hex;*.s;*.mot)|*.hex;*.s;*.mot|", "", 0x1004,
                               "C:\\w\\a.mot", "C:\\w\\a.mot"},
                    BrowseCase{1003, 1002, true, "HXW Files (*.hxw;*.fxw)|*.hxw;*.fxw|", "", 0x0006,
                               "C:\\w\\new", "C:\\w\\new"},
                    BrowseCase{1007, 1004, false, "Down load Files (*.hxw;*.fxw;*.pbt)|*.hxw;*.fxw;*.pbt|",
                               "", 0x1004, "D:\\p.pbt", "D:\\p.pbt"},
                    BrowseCase{1011, 1010, true, "Up load Files (*.*)|*.*|", "tmp", 0x0004, "C:\\up load\\x",
                               "C:\\up load\\"},
                    BrowseCase{1018, 1017, false, "HXW Files (*.hxw;*.fxw)|*.hxw;*.fxw|", "", 0x1004,
                               "C:\\s.fxw", "C:\\s.fxw"}));

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

TEST_F(MainDialogTest, UnknownCommandIsLeftToTheWindow) {
    Start();
    EXPECT_FALSE(dialog->OnCommand(1));
    EXPECT_FALSE(dialog->OnCommand(2));
    EXPECT_FALSE(dialog->OnCommand(IDC_CS_RANGE));
}

}  // namespace
