// Shows an event's text the way an event viewer finds it, for the end-to-end
// tests:
//   eventview SOURCE ID [INSERT...]
// reads EventMessageFile of the source in the Application log, loads that
// file as data and formats message ID of its message table with the
// inserts; prints the text. Exit code 0 on success, 1 when the source, the
// file or the message is missing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: eventview SOURCE ID [INSERT...]\n");
        return 2;
    }
    char key[512];
    snprintf(key, sizeof key, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\%s",
             argv[1]);
    HKEY source;
    char stored[MAX_PATH];
    DWORD type = 0;
    DWORD size = sizeof stored - 1;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &source);
    if (result == ERROR_SUCCESS) {
        result = RegQueryValueExA(source, "EventMessageFile", nullptr, &type, (BYTE*)stored, &size);
        RegCloseKey(source);
    }
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        fprintf(stderr, "eventview: no EventMessageFile for %s (%ld)\n", argv[1], result);
        return 1;
    }
    stored[size] = '\0';
    char file[MAX_PATH];
    DWORD expanded = ExpandEnvironmentStringsA(stored, file, sizeof file);
    if (expanded == 0 || expanded > sizeof file) {
        fprintf(stderr, "eventview: cannot expand %s\n", stored);
        return 1;
    }
    // A 64-bit viewer reads the message table of a 32-bit program too.
    HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        fprintf(stderr, "eventview: cannot load %s (%lu)\n", file, GetLastError());
        return 1;
    }
    char* text = nullptr;
    DWORD len = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                   FORMAT_MESSAGE_ARGUMENT_ARRAY,
                               module, (DWORD)strtoul(argv[2], nullptr, 0), 0, (LPSTR)&text, 0,
                               (va_list*)(argv + 3));
    if (len == 0) {
        fprintf(stderr, "eventview: no message %s in %s (%lu)\n", argv[2], file, GetLastError());
        return 1;
    }
    fwrite(text, 1, len, stdout);
    LocalFree(text);
    FreeLibrary(module);
    return 0;
}
