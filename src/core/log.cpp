#include "core/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

int16_t g_debug = 0;

void FormatLogLine(char* out, size_t size, const char* time_text, const char* message)
{
    size_t len = strlen(message);
    bool ends_with_newline = len > 0 && message[len - 1] == '\n';
    snprintf(out, size, ends_with_newline ? "%19s -> %s" : "%19s -> %s\n", time_text, message);
}

void WriteLog(const char* format, ...)
{
    if (!g_debug)
        return;

    char message[5000];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    char time_text[32];
    time_t now = time(nullptr);
    const tm* local = localtime(&now);
    if (!local || !strftime(time_text, sizeof time_text, "%d-%m-%Y %H:%M:%S", local))
        time_text[0] = '\0';

    std::string line(strlen(message) + 64, '\0');
    FormatLogLine(&line[0], line.size(), time_text, message);

#ifdef _WIN32
    // Callers log between a failed call and its report: opening the file
    // must not replace the error code that DisplayLastError shows.
    DWORD last_error = GetLastError();
#endif
    FILE* file = fopen("haltall.log", "a+");
    if (file) {
        fprintf(file, "%s", line.c_str());
        fclose(file);
    }
#ifdef _WIN32
    SetLastError(last_error);
#endif
}
