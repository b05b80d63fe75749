// The diagnostic log: "haltall.log" in the current directory, written only
// while the debug flag is set. The file stays open between lines and is
// flushed after each one; one lock keeps the lines of several threads whole.
#pragma once
#include <cstddef>
#include <cstdint>

#define LOG_FILE_NAME "haltall.log"

extern int16_t g_debug;

void WriteLog(const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Builds one log line from the formatted time and the message; a message
// that already ends with a line feed gets no second one.
void FormatLogLine(char* out, size_t size, const char* time_text, const char* message);

// Closes the log file; the next line opens it again in the current
// directory (for whoever moves or removes the file meanwhile).
void CloseLog();

// Once the file passes this many bytes it becomes haltall.log.1 and a new
// one begins; 0 or less restores the 10 MB default.
void SetLogSizeLimit(long bytes);
