// The few Windows types the OS-free code needs. On Windows they come from
// <windows.h>; elsewhere from layout-compatible definitions, so that the
// parsing and decision logic also builds natively (with sanitizers).
#pragma once

#ifdef _WIN32
#include <winsock.h>
#include <windows.h>
#else
#include <cstdint>

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef void* HWND;
typedef void* HKEY;
typedef uintptr_t SOCKET;
typedef uintptr_t UINT_PTR;
#define INVALID_SOCKET ((SOCKET)(~0))

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
#endif
