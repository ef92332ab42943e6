#include <gtest/gtest.h>

#include "base/Format.h"

TEST(Format, ShortAndLongTexts) {
    EXPECT_EQ(hxw::Format("%04X-%s", 0x1Au, "x"), "001A-x");
    EXPECT_EQ(hxw::Format("%s", ""), "");
    const std::string longText(1000, 'q');
    EXPECT_EQ(hxw::Format("<%s>", longText.c_str()), "<" + longText + ">");
}
