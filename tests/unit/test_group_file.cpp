#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "actions/group_file.h"
#include "core/app_state.h"

TEST(GroupFile, LinesThatHoldAComputer)
{
    RemotePC pc;
    ASSERT_TRUE(ParseGroupLine("pc1;00AABBCCDDEE;255.255.255.0;3211;1;0;bob;pw;extra", &pc));
    EXPECT_STREQ(pc.computer_name, "pc1");
    EXPECT_STREQ(pc.mac_address, "00AABBCCDDEE");
    EXPECT_STREQ(pc.subnet_mask, "255.255.255.0");
    EXPECT_EQ(pc.port, 3211);
    EXPECT_EQ(pc.use_nt, 1);
    EXPECT_EQ(pc.current_credentials, 0);
    EXPECT_STREQ(pc.username, "bob");
    EXPECT_STREQ(pc.password, "pw");  // the eighth field; the ninth is ignored

    ASSERT_TRUE(ParseGroupLine("pc2;;;x;;;;pw\r", &pc));
    EXPECT_EQ(pc.port, 0);  // no digits
    EXPECT_STREQ(pc.password, "pw\r");  // no trimming

    ASSERT_TRUE(ParseGroupLine("pc3;a;b;1;1;1;u;p#comment;with;semicolons", &pc));
    EXPECT_STREQ(pc.password, "p");
}

TEST(GroupFile, LinesThatAddNothing)
{
    RemotePC pc;
    for (const char* line : {"", "#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;USERNAME;PASSWORD",
                             "a;b;c;d;e;f;g", "pc;a;b;1#;1;1;u;p"})
        EXPECT_FALSE(ParseGroupLine(line, &pc)) << line;
    // A field longer than its width is refused rather than cut.
    std::string long_name = std::string(100, 'n') + ";;;1;0;1;;";
    EXPECT_FALSE(ParseGroupLine(long_name.c_str(), &pc));
}

TEST(GroupFile, FormattedLinesReadBack)
{
    RemotePC pc = {};
    strcpy(pc.computer_name, "host");
    strcpy(pc.mac_address, "001122334455");
    pc.port = 3210;
    pc.current_credentials = 1;
    strcpy(pc.password, "p");
    char line[1000];
    ASSERT_TRUE(FormatGroupLine(pc, line, sizeof line));
    EXPECT_STREQ(line, "host;001122334455;;3210;0;1;;p\n");
    line[strlen(line) - 1] = '\0';
    RemotePC back;
    ASSERT_TRUE(ParseGroupLine(line, &back));
    EXPECT_EQ(memcmp(&back, &pc, sizeof pc), 0);

    AppState state;
    SetDefaultSettings(&state);
    GroupAddFromFile(nullptr, &state, line);
    GroupAddFromFile(nullptr, &state, "# comment only");
    EXPECT_EQ(state.group_count, 1);
    EXPECT_EQ(state.group_modified, 1u);
    FreeGroupList(&state);
}
