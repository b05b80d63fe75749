// The diagnostic log: "haltall.log" in the current directory, written only
// while the debug flag is set.
#pragma once
#include <cstddef>
#include <cstdint>

extern int16_t g_debug;

void WriteLog(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Builds one log line from the formatted time and the message; a message
// that already ends with a line feed gets no second one.
void FormatLogLine(char* out, size_t size, const char* time_text, const char* message);
