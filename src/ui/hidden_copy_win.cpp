#include "ui/hidden_copy.h"

#include <cstdint>

#include "core/log.h"
#include "core/messages.h"
#include "core/start_up.h"

namespace {

// The handle of the named mapping while this copy is the hidden one. It is
// the program's one registration, released when it ends.
HANDLE registration;

// "Local\" names an object of this session; systems before Windows 2000
// have one session and no such prefix.
const char* MappingName(const OSVERSIONINFOA& os)
{
    bool sessions = os.dwPlatformId == VER_PLATFORM_WIN32_NT && os.dwMajorVersion >= 5;
    return sessions ? "Local\\Haltall hidden window" : "Haltall hidden window";
}

}  // namespace

void RegisterHiddenCopy(HWND window, const OSVERSIONINFOA& os)
{
    if (registration)
        return;
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(uint64_t), MappingName(os));
    if (!mapping)
        return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mapping);  // another copy is the hidden one
        return;
    }
    // The window handle as 64 bits, so that 32- and 64-bit copies read it alike.
    uint64_t* shared = (uint64_t*)MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(uint64_t));
    if (!shared) {
        CloseHandle(mapping);
        return;
    }
    *shared = (uint64_t)(uintptr_t)window;
    UnmapViewOfFile(shared);
    registration = mapping;
}

void UnregisterHiddenCopy()
{
    if (registration)
        CloseHandle(registration);
    registration = nullptr;
}

bool BringUpHiddenCopy(const OSVERSIONINFOA& os)
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, MappingName(os));
    if (!mapping)
        return false;
    const uint64_t* shared = (const uint64_t*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, sizeof(uint64_t));
    HWND window = shared ? (HWND)(uintptr_t)*shared : nullptr;
    if (shared)
        UnmapViewOfFile(shared);
    CloseHandle(mapping);
    // Only a copy of this program gives the answer; any other window, or
    // one that hangs, leaves this start to open its own.
    DWORD_PTR answer = 0;
    if (!window || !IsWindow(window) ||
        !SendMessageTimeoutA(window, WM_SHOW_HIDDEN_COPY, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) ||
        answer != (DWORD_PTR)HIDDEN_COPY_SHOWN)
        return false;
    // This start is the user's foreground program, so it may hand the
    // foreground on.
    SetForegroundWindow(window);
    WriteLog("Brought up the copy that was running hidden");
    return true;
}
