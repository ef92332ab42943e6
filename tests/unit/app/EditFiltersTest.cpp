#include <gtest/gtest.h>

#include "app/ControlIds.h"
#include "app/EditFilters.h"

namespace {

struct CharCase {
    unsigned int c;
    bool hex, alnum, digit;
};

class EditFilterChar : public testing::TestWithParam<CharCase> {};

TEST_P(EditFilterChar, PassesOrBeeps) {
    const CharCase& k = GetParam();
    EXPECT_EQ(HexEditAccepts(k.c), k.hex);
    EXPECT_EQ(AlnumEditAccepts(k.c), k.alnum);
    EXPECT_EQ(DigitEditAccepts(k.c), k.digit);
    EXPECT_EQ(EditAccepts(EditKind::Hex, k.c), k.hex);
    EXPECT_EQ(EditAccepts(EditKind::Alnum, k.c), k.alnum);
    EXPECT_EQ(EditAccepts(EditKind::Digit, k.c), k.digit);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditFilterChar,
    testing::Values(
        CharCase{'0', true, true, true}, CharCase{'9', true, true, true}, CharCase{'a', true, true, false},
        CharCase{'F', true, true, false}, CharCase{'f', true, true, false}, CharCase{'g', false, true, false},
        CharCase{'G', false, true, false}, CharCase{'z', false, true, false},
        CharCase{'Z', false, true, false}, CharCase{'x', false, true, false},
        CharCase{8, true, true, true},  // backspace
        CharCase{' ', false, false, false}, CharCase{'-', false, false, false},
        CharCase{'@', false, false, false}, CharCase{'[', false, false, false},
        CharCase{'`', false, false, false}, CharCase{'{', false, false, false},
        CharCase{0x03, false, false, false}, CharCase{0x16, false, false, false},  // Ctrl+C, Ctrl+V
        CharCase{0x18, false, false, false}, CharCase{0x1A, false, false, false},  // Ctrl+X, Ctrl+Z
        CharCase{'\r', false, false, false}, CharCase{'\t', false, false, false},
        CharCase{0x7F, false, false, false}, CharCase{0xC1, false, false, false},  // 'A' + 0x80
        CharCase{0xE9, false, false, false}, CharCase{0x130, false, false, false},
        CharCase{0x141, false, false, false}));  // 0x100 + 'A': not ASCII

TEST(EditFilter, KindOfEachFilteredBox) {
    for (int id : {IDC_DOMAIN_START, IDC_DOMAIN_END, IDC_CRC_INIT, IDC_CS_DOMAIN_START, IDC_CS_DOMAIN_END}) {
        EXPECT_EQ(EditKindOf(id), EditKind::Hex) << id;
    }
    EXPECT_EQ(EditKindOf(IDC_ID_CODE), EditKind::Alnum);
    EXPECT_EQ(EditKindOf(IDC_COUNT), EditKind::Digit);
    for (int id : {IDC_HEX_FILE, IDC_HXW_FILE, IDC_DOWNLOAD_FILE, IDC_UPLOAD_FOLDER, IDC_CHECKSUM_FILE}) {
        EXPECT_FALSE(EditKindOf(id).has_value()) << id;
    }
}

}  // namespace
