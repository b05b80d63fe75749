// Libraries come from the system directory only, whatever lies beside the
// program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/system_library.h"

namespace {

std::string ProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

}  // namespace

TEST(SystemLibrary, ALibraryOnlyBesideTheProgramIsNotLoaded)
{
    char system_copy[MAX_PATH];
    UINT length = GetSystemDirectoryA(system_copy, sizeof system_copy);
    ASSERT_GT(length, 0u);
    std::string source = std::string(system_copy, length) + "\\version.dll";
    std::string planted = ProgramFolder() + "haltall_planted_test.dll";
    ASSERT_TRUE(CopyFileA(source.c_str(), planted.c_str(), FALSE)) << GetLastError();

    EXPECT_EQ(LoadSystemLibrary("haltall_planted_test.dll"), nullptr);
    EXPECT_EQ(SystemFunction("haltall_planted_test.dll", "GetFileVersionInfoA"), nullptr);
    // The plain search would have found it: the case above shows something.
    HMODULE found = LoadLibraryA("haltall_planted_test.dll");
    EXPECT_NE(found, nullptr);
    if (found)
        FreeLibrary(found);
    DeleteFileA(planted.c_str());
}

TEST(SystemLibrary, EntriesOfSystemLibrariesAndWhatIsMissing)
{
    EXPECT_EQ(SystemFunction("kernel32.dll", "GetTickCount"),
              GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount"));
    EXPECT_NE(SystemFunction("Powrprof.dll", "SetSuspendState"), nullptr);
    EXPECT_EQ(SystemFunction("kernel32.dll", "NoSuchEntry"), nullptr);
    EXPECT_EQ(SystemFunction("no_such_library.dll", "Anything"), nullptr);
}
