// Libraries that many runs never need (the shell, the common dialogs and
// controls, network connections, sound, sockets) are bound on first use
// instead of at start, where each would cost every run, a maintenance
// command too, the time to load it and its own dependencies.
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

namespace {

// Binds *entry to the function of the library. A missing library or entry
// fails the call (last error ERROR_PROC_NOT_FOUND), and the next call tries
// again. Binding keeps the thread's last error, which WSAGetLastError, say,
// is called to read. Threads that bind at once store the same value. One
// procedure for all: it is most of each function's code.
__attribute__((noinline)) FARPROC Bind(FARPROC* entry, const char* library, const char* name)
{
    DWORD last_error = GetLastError();
    *entry = SystemFunction(library, name);
    SetLastError(*entry ? last_error : ERROR_PROC_NOT_FOUND);
    return *entry;
}

}  // namespace

#define LAZY_ENTRY(library, result, name, bytes, failure, params, args)          \
    extern "C" result WINAPI name params                                         \
    {                                                                            \
        typedef result(WINAPI * Entry) params;                                   \
        static FARPROC entry;                                                    \
        if (!entry && !Bind(&entry, library, #name))                             \
            return failure;                                                      \
        return ((Entry)(void*)entry)args;                                        \
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

// Windows Sockets 1.1: a SOCKET is pointer-sized, a failure SOCKET_ERROR
// (-1) or INVALID_SOCKET; a missing library reads as an absent network.
const int NO_NETWORK = 10091;  // WSASYSNOTREADY
LAZY_ENTRY("wsock32.dll", int, WSAStartup, 8, NO_NETWORK, (WORD a, void* b), (a, b))
LAZY_ENTRY("wsock32.dll", int, WSACleanup, 0, -1, (), ())
LAZY_ENTRY("wsock32.dll", int, WSAGetLastError, 0, NO_NETWORK, (), ())
LAZY_ENTRY("wsock32.dll", void*, WSASetLastError, 4, nullptr, (int a), (a))
LAZY_ENTRY("wsock32.dll", int, WSAAsyncSelect, 16, -1, (UINT_PTR a, HWND b, UINT c, LONG d),
           (a, b, c, d))
LAZY_ENTRY("wsock32.dll", UINT_PTR, accept, 12, ~(UINT_PTR)0, (UINT_PTR a, void* b, int* c),
           (a, b, c))
LAZY_ENTRY("wsock32.dll", int, bind, 12, -1, (UINT_PTR a, const void* b, int c), (a, b, c))
LAZY_ENTRY("wsock32.dll", int, closesocket, 4, -1, (UINT_PTR a), (a))
LAZY_ENTRY("wsock32.dll", int, connect, 12, -1, (UINT_PTR a, const void* b, int c), (a, b, c))
LAZY_ENTRY("wsock32.dll", void*, gethostbyname, 4, nullptr, (const char* a), (a))
LAZY_ENTRY("wsock32.dll", void*, gethostbyaddr, 12, nullptr, (const char* a, int b, int c),
           (a, b, c))
LAZY_ENTRY("wsock32.dll", int, gethostname, 8, -1, (char* a, int b), (a, b))
LAZY_ENTRY("wsock32.dll", int, getpeername, 12, -1, (UINT_PTR a, void* b, int* c), (a, b, c))
LAZY_ENTRY("wsock32.dll", int, getsockname, 12, -1, (UINT_PTR a, void* b, int* c), (a, b, c))
LAZY_ENTRY("wsock32.dll", int, getsockopt, 20, -1, (UINT_PTR a, int b, int c, char* d, int* e),
           (a, b, c, d, e))
LAZY_ENTRY("wsock32.dll", int, setsockopt, 20, -1,
           (UINT_PTR a, int b, int c, const char* d, int e), (a, b, c, d, e))
LAZY_ENTRY("wsock32.dll", ULONG, htonl, 4, 0, (ULONG a), (a))
LAZY_ENTRY("wsock32.dll", USHORT, htons, 4, 0, (USHORT a), (a))
LAZY_ENTRY("wsock32.dll", ULONG, ntohl, 4, 0, (ULONG a), (a))
LAZY_ENTRY("wsock32.dll", USHORT, ntohs, 4, 0, (USHORT a), (a))
LAZY_ENTRY("wsock32.dll", ULONG, inet_addr, 4, 0xFFFFFFFF, (const char* a), (a))
LAZY_ENTRY("wsock32.dll", char*, inet_ntoa, 4, nullptr, (ULONG a), (a))
LAZY_ENTRY("wsock32.dll", int, ioctlsocket, 12, -1, (UINT_PTR a, LONG b, ULONG* c), (a, b, c))
LAZY_ENTRY("wsock32.dll", int, listen, 8, -1, (UINT_PTR a, int b), (a, b))
LAZY_ENTRY("wsock32.dll", int, recv, 16, -1, (UINT_PTR a, char* b, int c, int d), (a, b, c, d))
LAZY_ENTRY("wsock32.dll", int, recvfrom, 24, -1,
           (UINT_PTR a, char* b, int c, int d, void* e, int* f), (a, b, c, d, e, f))
LAZY_ENTRY("wsock32.dll", int, select, 20, -1, (int a, void* b, void* c, void* d, const void* e),
           (a, b, c, d, e))
LAZY_ENTRY("wsock32.dll", int, send, 16, -1, (UINT_PTR a, const char* b, int c, int d),
           (a, b, c, d))
LAZY_ENTRY("wsock32.dll", int, sendto, 24, -1,
           (UINT_PTR a, const char* b, int c, int d, const void* e, int f), (a, b, c, d, e, f))
LAZY_ENTRY("wsock32.dll", int, shutdown, 8, -1, (UINT_PTR a, int b), (a, b))
LAZY_ENTRY("wsock32.dll", UINT_PTR, socket, 12, ~(UINT_PTR)0, (int a, int b, int c), (a, b, c))
LAZY_ENTRY("wsock32.dll", int, __WSAFDIsSet, 8, 0, (UINT_PTR a, void* b), (a, b))
// Windows Sockets 2's name lookup, which also finds IPv6 addresses; -1 (no
// code it returns) tells a system without it.
LAZY_ENTRY("ws2_32.dll", int, getaddrinfo, 16, -1,
           (const char* a, const char* b, const void* c, void* d), (a, b, c, d))
LAZY_ENTRY("ws2_32.dll", void, freeaddrinfo, 4, , (void* a), (a))
