// Libraries that many runs never need (the shell, the common dialogs and
// controls, network connections, sound) are bound on first use instead of
// at start, where each would cost every run, a maintenance command too,
// the time to load it and its own dependencies.
//
// The program calls these functions as usual. They are defined here
// instead of by the import libraries, which are not linked: on its first
// call each loads its library from the system directory and binds the real
// entry, which later calls reach directly. A dllimport caller goes through
// the function's import slot ("__imp_Name"), also defined here. A function
// of these libraries that is missing here fails the link: add a line below.
#include <windows.h>

#include "core/system_library.h"

// The slot's name: i686 decorates a stdcall name with the bytes of its
// arguments, x86_64 does not decorate.
#ifdef _WIN64
#define IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif

// A missing library or entry fails the call (last error
// ERROR_PROC_NOT_FOUND). Threads that bind at once store the same value.
#define LAZY_ENTRY(library, result, name, bytes, failure, params, args)          \
    extern "C" result WINAPI name params                                         \
    {                                                                            \
        typedef result(WINAPI * Entry) params;                                   \
        static Entry entry;                                                      \
        if (!entry)                                                              \
            entry = (Entry)(void*)SystemFunction(library, #name);                \
        if (!entry) {                                                            \
            SetLastError(ERROR_PROC_NOT_FOUND);                                  \
            return failure;                                                      \
        }                                                                        \
        return entry args;                                                       \
    }                                                                            \
    extern "C" void* const slot_##name __asm__(IMPORT_SLOT(name, bytes)) = (void*)name;

// Arguments are passed on as they come: only their sizes matter here.
LAZY_ENTRY("comctl32.dll", BOOL, InitCommonControlsEx, 4, FALSE, (void* a), (a))
LAZY_ENTRY("comdlg32.dll", BOOL, GetOpenFileNameA, 4, FALSE, (void* a), (a))
LAZY_ENTRY("comdlg32.dll", BOOL, GetSaveFileNameA, 4, FALSE, (void* a), (a))
LAZY_ENTRY("comdlg32.dll", DWORD, CommDlgExtendedError, 0, 0, (), ())
LAZY_ENTRY("shell32.dll", BOOL, Shell_NotifyIconA, 8, FALSE, (DWORD a, void* b), (a, b))
LAZY_ENTRY("shell32.dll", void*, SHBrowseForFolderA, 4, nullptr, (void* a), (a))
LAZY_ENTRY("shell32.dll", BOOL, SHGetPathFromIDListA, 8, FALSE, (const void* a, char* b), (a, b))
LAZY_ENTRY("shell32.dll", HRESULT, SHGetMalloc, 4, E_FAIL, (void* a), (a))
LAZY_ENTRY("shell32.dll", HRESULT, SHGetSpecialFolderLocation, 12, E_FAIL,
           (HWND a, int b, void* c), (a, b, c))
LAZY_ENTRY("mpr.dll", DWORD, WNetAddConnection2A, 16, ERROR_PROC_NOT_FOUND,
           (LPNETRESOURCEA a, LPCSTR b, LPCSTR c, DWORD d), (a, b, c, d))
LAZY_ENTRY("mpr.dll", DWORD, WNetCancelConnection2A, 12, ERROR_PROC_NOT_FOUND,
           (LPCSTR a, DWORD b, WINBOOL c), (a, b, c))
LAZY_ENTRY("winmm.dll", BOOL, PlaySoundA, 12, FALSE, (const char* a, HMODULE b, DWORD c), (a, b, c))
