#include <gtest/gtest.h>

#include <cstring>

#include "core/text_helpers.h"

TEST(EncodePassword, KnownValueAndShape)
{
    EXPECT_STREQ(EncodePassword("abc"), "[m0ASf'9L]o2CUh);N_!4EWj+=Pa#6GYl-?Rc%8");
    EXPECT_STREQ(EncodePassword(""), "");
    const char* encoded = EncodePassword("a much longer password than forty characters, really");
    EXPECT_EQ(strlen(encoded), 39u);
    for (const char* c = encoded; *c; c++)
        EXPECT_TRUE(*c >= '!' && *c <= 'p');
}

TEST(TrimSpaces, StripsSpacesTabsAndLineFeedsButNotCarriageReturns)
{
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"  a b \t\n", "a b"}, {"\t\n x", "x"}, {"", ""}, {"   ", ""}, {"a\r", "a\r"}};
    for (auto& c : cases) {
        char text[32];
        strcpy(text, c.in);
        EXPECT_STREQ(TrimSpaces(text), c.out) << c.in;
    }
}

TEST(ReplaceSubstring, ReplacesLeftToRightWithoutRescanning)
{
    char text[32] = "a\\nb\\nc";
    EXPECT_EQ(ReplaceSubstring(text, sizeof text, "\\n", "\r\n"), 1);
    EXPECT_STREQ(text, "a\r\nb\r\nc");

    char again[32] = "aaa";
    EXPECT_EQ(ReplaceSubstring(again, sizeof again, "a", "aa"), 1);
    EXPECT_STREQ(again, "aaaaaa");

    char none[8] = "xyz";
    EXPECT_EQ(ReplaceSubstring(none, sizeof none, "q", "r"), 0);
}

TEST(ReplaceSubstring, NeverGrowsPastTheBuffer)
{
    char text[8] = "ababab";
    ReplaceSubstring(text, sizeof text, "b", "bb");
    EXPECT_STREQ(text, "abbabab");
}
