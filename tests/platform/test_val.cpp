#include "platform/vbstring.h"

#include <gtest/gtest.h>

TEST(ValAndStr, NumbersAtTheStartOfATextAsTheWindowsReadThem) {
    EXPECT_EQ(vb::Val("0850"), 850);
    EXPECT_EQ(vb::Val(" 5"), 5);
    EXPECT_EQ(vb::Val("xx"), 0);
    EXPECT_EQ(vb::Val(""), 0);
    EXPECT_EQ(vb::Val("0C"), 0);
    EXPECT_EQ(vb::Val("1 2x"), 12);
    EXPECT_EQ(vb::Val("-1.5e1z"), -15);
    EXPECT_EQ(vb::Val("3e"), 3);
    EXPECT_EQ(vb::Val("."), 0);
    EXPECT_EQ(vb::Val("1.2.3"), 1.2);
    EXPECT_EQ(vb::Val("1e999"), 0);
    EXPECT_EQ(vb::Str(850), " 850");
    EXPECT_EQ(vb::Str(0), " 0");
    EXPECT_EQ(vb::Str(-2), "-2");
    EXPECT_EQ(vb::Str(1.5), " 1.5");
}
