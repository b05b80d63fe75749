#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/remote_shutdown.h"
#include "core/app_state.h"

TEST(AdminShareName, LeadingBackslashesOrNot)
{
    struct {
        const char* computer;
        const char* share;
    } cases[] = {
        {"SERVER", "\\\\SERVER\\admin$"},
        {"\\\\SERVER", "\\\\SERVER\\admin$"},  // the same share as without them
        {"10.0.0.7", "\\\\10.0.0.7\\admin$"},
        {"\\odd", "\\odd\\admin$"},             // one backslash is kept as given
        {"", "\\\\\\admin$"},
    };
    for (auto& c : cases) {
        char share[ADMIN_SHARE_NAME_SIZE];
        EXPECT_TRUE(AdminShareName(c.computer, share, sizeof share));
        EXPECT_STREQ(share, c.share) << c.computer;
    }

    // The longest name the record holds fits; a buffer too small is refused, not cut.
    std::string longest(99, 'n');
    char share[ADMIN_SHARE_NAME_SIZE];
    EXPECT_TRUE(AdminShareName(longest.c_str(), share, sizeof share));
    EXPECT_EQ(std::string(share), "\\\\" + longest + "\\admin$");
    char small[16];
    EXPECT_FALSE(AdminShareName("COMPUTER-NAME", small, sizeof small));
    EXPECT_STREQ(small, "");
}
