#include "MainDialogFixture.h"
#include "app/ControlIds.h"

namespace {

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

}  // namespace
