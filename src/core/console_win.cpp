#include "core/console.h"

#include <cstring>

#include "core/platform.h"

#ifndef ATTACH_PARENT_PROCESS
#define ATTACH_PARENT_PROCESS ((DWORD)-1)
#endif

namespace {

// The process's own output handles, or the console it joined; they live as
// long as the process.
HANDLE g_output;
HANDLE g_error;
bool g_reporting;

bool Usable(HANDLE handle)
{
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool AttachConsoleOutput()
{
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    g_output = Usable(output) ? output : nullptr;
    g_error = Usable(error) ? error : nullptr;
    if (!g_output || !g_error) {
        // A window program started from a console window gets no output
        // handles: it joins the console of its parent (Windows XP on).
        typedef BOOL(WINAPI * AttachFunction)(DWORD);
        AttachFunction attach = (AttachFunction)(void*)GetProcAddress(
            GetModuleHandleA("kernel32"), "AttachConsole");
        if (attach && attach(ATTACH_PARENT_PROCESS)) {
            HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
            if (console != INVALID_HANDLE_VALUE) {
                if (!g_output)
                    g_output = console;
                if (!g_error)
                    g_error = console;
            }
        }
    }
    g_reporting = g_output || g_error;
    return g_reporting;
}

void SetConsoleReporting(bool on)
{
    g_reporting = on && (g_output || g_error);
}

bool ConsoleReporting()
{
    return g_reporting;
}

void WriteConsoleText(bool error_stream, const char* text)
{
    HANDLE target = error_stream ? g_error : g_output;
    if (!target)
        return;
    // Line feeds go out as CR LF, and the text ends with one.
    size_t length = strlen(text);
    bool add_line_end = length == 0 || text[length - 1] != '\n';
    char buffer[512];
    size_t used = 0;
    DWORD written;
    for (size_t i = 0; i <= length; i++) {
        char c = i < length ? text[i] : (add_line_end ? '\n' : '\0');
        if (used + 2 > sizeof buffer) {
            WriteFile(target, buffer, (DWORD)used, &written, nullptr);
            used = 0;
        }
        if (c == '\n') {
            buffer[used++] = '\r';
            buffer[used++] = '\n';
        } else if (c != '\r' && c != '\0') {
            buffer[used++] = c;
        }
    }
    WriteFile(target, buffer, (DWORD)used, &written, nullptr);
}

bool HasDesktop()
{
    // Windows 9x has no window stations: there is always a desktop.
    typedef HWINSTA(WINAPI * StationFunction)();
    typedef BOOL(WINAPI * InformationFunction)(HANDLE, int, PVOID, DWORD, LPDWORD);
    HMODULE user = GetModuleHandleA("user32");
    StationFunction station = (StationFunction)(void*)GetProcAddress(user, "GetProcessWindowStation");
    InformationFunction information =
        (InformationFunction)(void*)GetProcAddress(user, "GetUserObjectInformationA");
    USEROBJECTFLAGS flags;
    if (!station || !information || !information(station(), UOI_FLAGS, &flags, sizeof flags, nullptr))
        return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}
