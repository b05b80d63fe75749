#include <gtest/gtest.h>

#include "core/text_compare.h"

TEST(TextCompare, IgnoresTheCaseOfAsciiLettersOnly)
{
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"explorer.exe", "EXPLORER.EXE", true},
        {"Explorer.exe", "explorer.ex", false},  // one ends first
        {"", "", true},
        {"a", "", false},
        {"[x]", "{X}", false},  // neighbours of the letters are no letters
        {"\xC4", "\xE4", false},  // bytes beyond ASCII compare as they are
        {"-Days", "-days", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(EqualIgnoringCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
    }
}

TEST(TextCompare, ComparesAtMostTheGivenCount)
{
    EXPECT_TRUE(EqualIgnoringCaseN("program.EXE", "PROGRAM.exe and more", 11));
    EXPECT_FALSE(EqualIgnoringCaseN("program.EXE", "PROGRAM.exe and more", 12));
    EXPECT_TRUE(EqualIgnoringCaseN("abc", "xyz", 0));
    EXPECT_TRUE(EqualIgnoringCaseN("abc", "ABC", 10));  // both end within the count
}
