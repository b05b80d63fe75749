#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "service/service_path.h"

TEST(ServicePath, ExeSuffixIsAddedUnlessTheNameEndsInExe)
{
    struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"haltall", "haltall.exe"},         {"HALTALL.EXE", "HALTALL.EXE"},
        {"C:\\x\\Haltall.Exe", "C:\\x\\Haltall.Exe"},
        {".exe", ".exe"},                   {"exe", "exe.exe"},
        {"a.ex", "a.ex.exe"},               {"haltall.exe.bak", "haltall.exe.bak.exe"},
        {"", ".exe"},
    };
    for (auto& c : cases) {
        char name[32];
        strcpy(name, c.in);
        EXPECT_TRUE(AddExeSuffix(name, sizeof name)) << c.in;
        EXPECT_STREQ(name, c.out) << c.in;
    }
}

TEST(ServicePath, ExeSuffixThatDoesNotFitIsRefused)
{
    char name[12] = "abcdefg";  // 7 + 4 = 11 characters: fits exactly
    EXPECT_TRUE(AddExeSuffix(name, sizeof name));
    EXPECT_STREQ(name, "abcdefg.exe");
    char longer[12] = "abcdefgh";
    EXPECT_FALSE(AddExeSuffix(longer, sizeof longer));
    EXPECT_STREQ(longer, "abcdefgh");
}

namespace {

struct FakeDisk {
    std::set<std::string> files;
    std::vector<std::string> tried;
};

bool FakeExists(void* context, const char* path)
{
    FakeDisk* disk = (FakeDisk*)context;
    disk->tried.push_back(path);
    return disk->files.count(path) > 0;
}

}  // namespace

TEST(ServicePath, SearchTriesTheNameThenEveryPathEntryLeftToRight)
{
    struct {
        const char* path;
        std::set<std::string> files;
        std::vector<std::string> tried;
        const char* found;  // null: not found
    } cases[] = {
        {"C:\\a;D:\\b\\;E:\\c",
         {},
         {"h.exe", "C:\\a\\h.exe", "D:\\b\\\\h.exe", "E:\\c\\h.exe"},
         nullptr},
        {"C:\\a;E:\\c",
         {"E:\\c\\h.exe"},
         {"h.exe", "C:\\a\\h.exe", "E:\\c\\h.exe"},
         "E:\\c\\h.exe"},
        {"C:\\a;E:\\c", {"h.exe", "C:\\a\\h.exe"}, {"h.exe"}, "h.exe"},
        {";C:\\a;;E:\\c;", {}, {"h.exe", "C:\\a\\h.exe", "E:\\c\\h.exe"}, nullptr},
        {"", {}, {"h.exe"}, nullptr},
        {nullptr, {}, {"h.exe"}, nullptr},
    };
    for (auto& c : cases) {
        FakeDisk disk;
        disk.files = c.files;
        char found[260] = "untouched";
        bool ok = FindProgramFile("h.exe", c.path, FakeExists, &disk, found, sizeof found);
        const char* label = c.path ? c.path : "(no PATH)";
        EXPECT_EQ(disk.tried, c.tried) << label;
        EXPECT_EQ(ok, c.found != nullptr) << label;
        EXPECT_STREQ(found, c.found ? c.found : "untouched") << label;
    }
}

TEST(ServicePath, SearchUsesOnlyWholeEntriesWithinTheFirst1023Characters)
{
    std::string filler = "C:\\" + std::string(1010, 'f');  // 1013 characters
    struct {
        std::string path;
        std::vector<std::string> dirs;  // the directories that are tried
    } cases[] = {
        // "C:\x" ends at 1018: used; "D:\yyyyyyyy" crosses 1023: dropped with what follows.
        {filler + ";C:\\x;D:\\yyyyyyyy;E:\\z", {filler, "C:\\x"}},
        // The limit falls exactly on a separator: the entry before it is whole.
        {filler + ";C:\\abcdef;E:\\z", {filler, "C:\\abcdef"}},
        // A PATH of exactly 1023 characters is complete, last entry included.
        {filler + ";C:\\abcdef", {filler, "C:\\abcdef"}},
    };
    for (auto& c : cases) {
        FakeDisk disk;
        char found[260];
        EXPECT_FALSE(
            FindProgramFile("h.exe", c.path.c_str(), FakeExists, &disk, found, sizeof found));
        std::vector<std::string> expected = {"h.exe"};
        for (auto& dir : c.dirs)
            if ((dir + "\\h.exe").size() < 260)
                expected.push_back(dir + "\\h.exe");
        EXPECT_EQ(disk.tried, expected) << c.path.size();
    }
}

TEST(ServicePath, SearchSkipsPlacesTooLongForAPath)
{
    std::string long_dir = "C:\\" + std::string(260, 'd');
    std::string path = long_dir + ";C:\\ok";
    FakeDisk disk;
    disk.files = {"C:\\ok\\h.exe"};
    char found[260];
    ASSERT_TRUE(FindProgramFile("h.exe", path.c_str(), FakeExists, &disk, found, sizeof found));
    EXPECT_STREQ(found, "C:\\ok\\h.exe");
    EXPECT_EQ(disk.tried, (std::vector<std::string>{"h.exe", "C:\\ok\\h.exe"}));
}

TEST(ServicePath, ServicePathsFromTheSystemDirectory)
{
    char target[260];
    char command[260];
    ASSERT_TRUE(BuildServicePaths("C:\\WINDOWS\\system32", target, sizeof target, command,
                                  sizeof command));
    EXPECT_STREQ(target, "C:\\WINDOWS\\system32\\haltall.exe");
    EXPECT_STREQ(command, "\"C:\\WINDOWS\\system32\\haltall.exe\" -service");

    // The command line adds 23 characters to the directory: 236 fit, 237 do not.
    std::string longest(236, 's');
    ASSERT_TRUE(BuildServicePaths(longest.c_str(), target, sizeof target, command, sizeof command));
    EXPECT_EQ(strlen(command), 259u);
    std::string too_long(237, 's');
    strcpy(target, "untouched");
    strcpy(command, "untouched");
    EXPECT_FALSE(
        BuildServicePaths(too_long.c_str(), target, sizeof target, command, sizeof command));
    EXPECT_STREQ(target, "untouched");
    EXPECT_STREQ(command, "untouched");
}

TEST(ServicePath, ProgramPathOfTheServiceCommandLine)
{
    struct Case {
        const char* command;
        size_t size;
        const char* path;  // null: refused
    } cases[] = {
        {"\"C:\\WINDOWS\\system32\\haltall.exe\" -service", 260, "C:\\WINDOWS\\system32\\haltall.exe"},
        {"\"C:\\a b\\haltall.exe\" -service", 260, "C:\\a b\\haltall.exe"},
        {"\"C:\\h.exe\" -service", 9, "C:\\h.exe"},
        {"\"C:\\h.exe\" -service", 8, nullptr},
        {"C:\\h.exe -service", 260, nullptr},
        {"\"C:\\h.exe -service", 260, nullptr},
        {"\"\" -service", 260, nullptr},
    };
    for (const Case& c : cases) {
        char path[260];
        strcpy(path, "untouched");
        EXPECT_EQ(ServiceProgramPath(c.command, path, c.size), c.path != nullptr) << c.command;
        EXPECT_STREQ(path, c.path ? c.path : "untouched") << c.command;
    }
}
