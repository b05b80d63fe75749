#include "core/system_library.h"

#include <cstdio>

namespace {

// LOAD_LIBRARY_SEARCH_SYSTEM32 exists where SetDefaultDllDirectories does
// (Windows 8, and 7 and Vista with the update that brought both).
const DWORD SEARCH_SYSTEM32 = 0x00000800;

bool SearchFlagsAvailable()
{
    static int available = -1;
    if (available < 0)
        available = GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
    return available == 1;
}

}  // namespace

void RestrictLibrarySearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
    typedef BOOL(WINAPI * SetDllDirectoryFunction)(LPCSTR);
    auto set_default = (SetDefaultDllDirectoriesFunction)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (set_default)
        set_default(SEARCH_SYSTEM32);
    // Older systems: at least the current directory leaves the search.
    auto set_directory = (SetDllDirectoryFunction)(void*)GetProcAddress(kernel, "SetDllDirectoryA");
    if (set_directory)
        set_directory("");
}

HMODULE LoadSystemLibrary(const char* name)
{
    if (SearchFlagsAvailable())
        return LoadLibraryExA(name, nullptr, SEARCH_SYSTEM32);
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return nullptr;
    int written = snprintf(path + length, sizeof path - length, "\\%s", name);
    if (written < 0 || (size_t)written >= sizeof path - length)
        return nullptr;
    // The library's own imports are then looked for beside it first.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemFunction(const char* library, const char* entry)
{
    HMODULE module = LoadSystemLibrary(library);
    return module ? GetProcAddress(module, entry) : nullptr;
}
