#include <gtest/gtest.h>

#include <set>

#include "base/ResultCodes.h"

namespace {

struct Row {
    uint32_t code;
    const char* text;
    bool found;
};

class ResultMessageCase : public testing::TestWithParam<Row> {};

TEST_P(ResultMessageCase, LooksUpText) {
    std::string text = "left over";
    EXPECT_EQ(ResultMessage(text, GetParam().code), GetParam().found);
    EXPECT_EQ(text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResultMessageCase,
    testing::Values(Row{0x4000, "Initialization of USB communication went wrong.", true},
                    Row{0x4003, "The timeout error occurred during communication.", true},
                    Row{0x5000, "Format error(00)", true}, Row{0x8000, "Format error(00)", true},
                    Row{0x5004, "MOT Data error(04)", true},
                    Row{0x7003, "A file name is too long.", true},
                    Row{0x7101, "Parameter error(02)", true},
                    Row{0x8001, "Format error(01)\n Hxw File type:720 Series", true},
                    Row{0x8004, "Format error(04)\n Hxw File type:8BYTE Mode", true},
                    // Codes outside the table, including ones the unit passes through.
                    Row{0x7102, "Other error.", false}, Row{0x4004, "Other error.", false},
                    Row{0, "Other error.", false}, Row{0x12345678, "Other error.", false}));

TEST(ResultMessage, EveryFailureCodeHasItsOwnRow) {
    std::set<uint32_t> seen;
    for (uint32_t code : rc::kAllFailures) {
        std::string text;
        EXPECT_TRUE(ResultMessage(text, code)) << std::hex << code;
        EXPECT_FALSE(text.empty()) << std::hex << code;
        EXPECT_NE(text, "Other error.") << std::hex << code;
        EXPECT_TRUE(seen.insert(code).second) << "listed twice: " << std::hex << code;
    }
    EXPECT_EQ(seen.count(rc::Ok), 0u);
}

}  // namespace
