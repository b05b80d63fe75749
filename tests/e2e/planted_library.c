/* A library that must never be loaded: planted beside haltall.exe under the
 * name of a system library, it leaves a file "<its name>.loaded" beside
 * itself when a process loads it. */
#include <windows.h>
#include <string.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    strcat(path, ".loaded");
    HANDLE marker = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (marker != INVALID_HANDLE_VALUE)
        CloseHandle(marker);
    return TRUE;
}

/* What the program looks up in the power-management library. */
__declspec(dllexport) BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force,
                                                     BOOLEAN wake_events)
{
    (void)hibernate;
    (void)force;
    (void)wake_events;
    return TRUE;
}
