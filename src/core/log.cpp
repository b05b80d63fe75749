#include "core/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <pthread.h>
#endif

int16_t g_debug = 0;

namespace {

const long DEFAULT_SIZE_LIMIT = 10L * 1024 * 1024;

// One lock around the file: lines of several threads never interleave, and
// only one thread opens, rotates or closes it.
#ifdef _WIN32
struct LogLock {
    CRITICAL_SECTION section;
    LogLock() { InitializeCriticalSection(&section); }
    void Enter() { EnterCriticalSection(&section); }
    void Leave() { LeaveCriticalSection(&section); }
};
#else
struct LogLock {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    void Enter() { pthread_mutex_lock(&mutex); }
    void Leave() { pthread_mutex_unlock(&mutex); }
};
#endif

// Copies of the program started in one folder write the same log. The C
// library appends by moving to the end and then writing, so on Windows two
// copies can write over each other's lines; each append holds a lock on a
// byte far past any real length of the file. POSIX appends are atomic.
#ifdef _WIN32
struct AppendLock {
    HANDLE handle;
    OVERLAPPED where{};
    explicit AppendLock(FILE* f) : handle((HANDLE)_get_osfhandle(_fileno(f)))
    {
        where.OffsetHigh = 0x7FFFFFFF;
        LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where);
    }
    ~AppendLock() { UnlockFileEx(handle, 0, 1, 0, &where); }
};
#else
struct AppendLock {
    explicit AppendLock(FILE*) {}
};
#endif

LogLock lock;
FILE* file;
long file_size;
long size_limit = DEFAULT_SIZE_LIMIT;
// Where a log that could not be moved aside tries again (0: at the limit).
long retry_at;

// The file stays open while the log is on: opening and closing it for
// every line would cost more than everything else a command does.
bool OpenLog()
{
    if (file)
        return true;
    file = fopen(LOG_FILE_NAME, "a+");
    if (!file)
        return false;
    fseek(file, 0, SEEK_END);
    file_size = ftell(file);
    return true;
}

void CloseLogFile()
{
    if (file)
        fclose(file);
    file = nullptr;
    file_size = 0;
}

// A full log moves aside to haltall.log.1 (replacing an older one); the
// next line begins a new file.
void RotateIfFull()
{
    if (file_size <= (retry_at ? retry_at : size_limit))
        return;
    long size = file_size;
    CloseLogFile();
    remove(LOG_FILE_NAME ".1");
    // Another copy of the program that writes the same file keeps it from
    // being renamed: go on in it rather than try again at every line.
    retry_at = rename(LOG_FILE_NAME, LOG_FILE_NAME ".1") == 0 ? 0 : size + size_limit;
}

}  // namespace

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

    char line[sizeof message + 64];
    FormatLogLine(line, sizeof line, time_text, message);

#ifdef _WIN32
    // Callers log between a failed call and its report: the file calls
    // must not replace the error code that DisplayLastError shows.
    DWORD last_error = GetLastError();
#endif
    lock.Enter();
    if (OpenLog()) {
        {
            AppendLock append(file);
            fwrite(line, 1, strlen(line), file);
            fflush(file);  // nothing is lost when the process dies
            file_size = ftell(file);  // other copies' lines count too
        }
        RotateIfFull();
    }
    lock.Leave();
#ifdef _WIN32
    SetLastError(last_error);
#endif
}

void CloseLog()
{
    lock.Enter();
    CloseLogFile();
    lock.Leave();
}

void SetLogSizeLimit(long bytes)
{
    lock.Enter();
    size_limit = bytes > 0 ? bytes : DEFAULT_SIZE_LIMIT;
    retry_at = 0;
    lock.Leave();
}
