#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ui/group_editor.h"

namespace {

RemotePC Computer(const char* name, const char* mac, int use_nt, int current_credentials,
                  const char* username, int port)
{
    RemotePC pc = {};
    strcpy(pc.computer_name, name);
    strcpy(pc.mac_address, mac);
    pc.use_nt = (int16_t)use_nt;
    pc.current_credentials = (int16_t)current_credentials;
    strcpy(pc.username, username);
    pc.port = port;
    return pc;
}

}  // namespace

TEST(GroupEditorChecks, FirstProblemOfAComposedComputer)
{
    struct {
        RemotePC pc;
        const char* problem;
    } cases[] = {
        {Computer("", "zz", 1, 0, "", 0), "Host name not filled in"},  // checked first
        {Computer("pc", "00112233445", 0, 0, "", 1), "Invalid MAC address"},
        {Computer("pc", "0011223344GG", 0, 0, "", 1), "Invalid MAC address"},
        {Computer("pc", "00aabbccddee", 0, 0, "", 1), nullptr},
        {Computer("pc", "", 1, 0, "", 0), "User name not filled in"},
        {Computer("pc", "", 1, 0, "bob", -1), nullptr},  // the NT protocol needs no port
        {Computer("pc", "", 1, 1, "", 0), nullptr},
        {Computer("pc", "", 0, 0, "", 0), "Invalid port number"},
        {Computer("pc", "", 0, 1, "", -5), "Invalid port number"},
        {Computer("pc", "", 0, 1, "", 65536), "Invalid port number"},
        {Computer("pc", "", 0, 1, "", 65535), nullptr},
        {Computer("pc", "", 0, 0, "", 1), nullptr},
    };
    for (const auto& c : cases) {
        const char* problem = RemotePCProblem(c.pc);
        EXPECT_STREQ(problem, c.problem) << c.pc.computer_name << "/" << c.pc.mac_address;
    }
    RemotePC typed = Computer("pc", "00aabbccddee", 0, 0, "", 1);
    RemotePCProblem(typed);
    EXPECT_STREQ(typed.mac_address, "00aabbccddee");  // checked on a copy: kept as typed
}

TEST(GroupEditorChecks, CellTextsNeverShowThePassword)
{
    RemotePC pc = Computer("host", "001122334455", 1, 0, "bob", -7);
    strcpy(pc.subnet_mask, "255.0.0.0");
    strcpy(pc.password, "secret");
    char buffer[16];
    std::string row;
    for (int column = 0; column <= GROUP_COLUMNS; column++)
        row += std::string(GroupCellText(pc, column, buffer, sizeof buffer)) + "|";
    EXPECT_EQ(row, "host|001122334455|255.0.0.0|Y|N|bob|-7||");
}
