// The group file on disk: saving through a temporary file, what a failed
// save leaves behind, and reading a saved group back.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "scratch_log.h"

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Files in the scratch folder other than the log.
int OtherFiles(const ScratchLog& scratch)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(scratch.Path("*").c_str(), &found);
    int count = 0;
    if (search != INVALID_HANDLE_VALUE) {
        do
            count += !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                     strcmp(found.cFileName, "haltall.log") != 0;
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return count;
}

class GroupFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDefaultSettings(&state);
        state.quiet = 1;
    }
    void TearDown() override
    {
        FreeGroupList(&state);
        DeleteFileA(scratch.Path("group.csv").c_str());
    }
    void Add(const char* name, const char* mac, int port)
    {
        RemotePC pc = {};
        strcpy(pc.computer_name, name);
        strcpy(pc.mac_address, mac);
        strcpy(pc.subnet_mask, "255.255.255.0");
        pc.port = port;
        strcpy(pc.password, "secret");
        AppendRemotePC(&state, &pc);
    }
    void Name(const std::string& path) { CopyField(state.group_file, path.c_str()); }

    ScratchLog scratch;
    AppState state;
};

}  // namespace

TEST_F(GroupFileOnDisk, SavedGroupReadsBackAndReplacesTheOldFile)
{
    Name(scratch.Path("group.csv"));
    WriteText(state.group_file, "old;;;1;0;0;;\n");
    Add("pc one", "00aabbccddee", 3210);
    Add("pc2", "", 0);
    ASSERT_EQ(GroupSave(nullptr, &state), 0);
    EXPECT_EQ(state.group_modified, 0u);
    EXPECT_EQ(Contents(state.group_file),
              std::string(GROUP_FILE_HEADER) + "\npc one;00aabbccddee;255.255.255.0;3210;0;0;;secret\n"
                                               "pc2;;255.255.255.0;0;0;0;;secret\n");
    EXPECT_EQ(OtherFiles(scratch), 1);  // no temporary file left

    AppState back;
    SetDefaultSettings(&back);
    CopyField(back.group_file, state.group_file);
    ASSERT_EQ(GroupReadFile(nullptr, &back), 0);
    ASSERT_EQ(back.group_count, 2);
    EXPECT_EQ(memcmp(back.group_list, state.group_list, 2 * sizeof(RemotePC)), 0);
    FreeGroupList(&back);
}

TEST_F(GroupFileOnDisk, AFailedSaveKeepsTheOldFileAndTheChanges)
{
    Add("pc", "", 1);

    // A folder that does not exist: nothing can be created there.
    Name(scratch.Path("missing\\group.csv"));
    EXPECT_EQ(GroupSave(nullptr, &state), 1);
    EXPECT_EQ(state.group_modified, 1u);
    EXPECT_GT(scratch.CountStartingWith("ERROR: "), 0);  // the system's text

    // A file that another program holds open keeps what it held.
    Name(scratch.Path("group.csv"));
    WriteText(state.group_file, "old;;;1;0;0;;\n");
    HANDLE reader = CreateFileA(state.group_file, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(GroupSave(nullptr, &state), 1);
    CloseHandle(reader);
    EXPECT_EQ(Contents(state.group_file), "old;;;1;0;0;;\n");
    EXPECT_EQ(state.group_modified, 1u);
    EXPECT_EQ(OtherFiles(scratch), 1);
}

TEST_F(GroupFileOnDisk, ReadingAppendsAndLogsSkippedLines)
{
    Add("already", "", 1);
    Name(scratch.Path("group.csv"));
    WriteText(state.group_file, std::string(GROUP_FILE_HEADER) + "\r\na;;;1;0;0;;\r\n" +
                                    std::string(100, 'n') + ";;;1;0;0;;\r\nb;;;2;0;0;;");
    ASSERT_EQ(GroupReadFile(nullptr, &state), 0);
    ASSERT_EQ(state.group_count, 3);
    EXPECT_STREQ(state.group_list[1].computer_name, "a");
    EXPECT_STREQ(state.group_list[1].password, "");  // CR LF ends the line
    EXPECT_STREQ(state.group_list[2].computer_name, "b");
    EXPECT_TRUE(
        scratch.Logged("Group file line 3 not read: COMPUTER_NAME: longer than 99 characters"));

    Name(scratch.Path("missing.csv"));
    EXPECT_EQ(GroupReadFile(nullptr, &state), 1);
    EXPECT_EQ(state.group_count, 3);
}
