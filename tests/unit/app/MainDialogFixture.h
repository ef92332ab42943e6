// The window over a fake view and a fake engine: starting it, clicking, reading back what it
// showed and saved.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "tests/support/FakeDialogView.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/TempFolder.h"
#include "app/ControlIds.h"
#include "app/MainDialog.h"


// The eighteen text fields' controls.
inline const int kTextControls[] = {1004, 1000, 1002, 1010, 1015, 1014, 1016, 1044, 1039,
                             1038, 1017, 1019, 1047, 1049, 1051, 1066, 1068, 1072};

// Each page's controls, as the operator sees them laid out.
inline const std::vector<std::vector<int>> kPageControls = {
    {1026, 1000, 1001, 1027, 1021, 1022, 1023, 1029, 1033, 1028, 1002, 1003,
     1036, 1037, 1034, 1035, 1040, 1038, 1041, 1039, 1044, 1016, 1009, 1005},
    {1032, 1017, 1018, 1056, 1052, 1054, 1055, 1046, 1047, 1058, 1059, 1060, 1061, 1048, 1049, 1050, 1051,
     1019, 1020},
    {1030, 1004, 1007, 1014, 1008, 1006},
    {1031, 1010, 1011, 1015, 1012, 1013},
    {1062, 1063, 1064, 1065, 1066, 1067, 1068, 1069, 1070, 1071, 1072, 1073},
};
inline const int kGroupBoxes[] = {1025, 1045, 1042, 1043, 1057};

inline std::vector<std::string> Lines(const std::string& text) {
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
