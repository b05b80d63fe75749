#include "service/service_path.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

bool EndsWithExe(const char* name, size_t len)
{
    if (len < 4)
        return false;
    const char* tail = name + len - 4;
    return tail[0] == '.' && tolower((unsigned char)tail[1]) == 'e' &&
           tolower((unsigned char)tail[2]) == 'x' && tolower((unsigned char)tail[3]) == 'e';
}

// Whether snprintf's result says the text fit a buffer of this size.
bool FitsFormatted(size_t size, int written)
{
    return written >= 0 && (size_t)written < size;
}

}  // namespace

bool AddExeSuffix(char* name, size_t size)
{
    size_t len = strlen(name);
    if (EndsWithExe(name, len))
        return true;
    if (len + 4 >= size)
        return false;
    memcpy(name + len, ".exe", 5);
    return true;
}

bool FindProgramFile(const char* name, const char* search_path,
                     bool (*exists)(void* context, const char* path), void* context, char* found,
                     size_t found_size)
{
    char candidate[SERVICE_PATH_SIZE];
    auto found_at = [&](int written) {
        if (!FitsFormatted(sizeof candidate, written) ||
            strlen(candidate) >= found_size || !exists(context, candidate))
            return false;
        memcpy(found, candidate, strlen(candidate) + 1);
        return true;
    };
    if (found_at(snprintf(candidate, sizeof candidate, "%s", name)))
        return true;
    if (!search_path)
        return false;

    size_t usable = strnlen(search_path, SEARCH_PATH_SIZE);
    bool complete = usable < SEARCH_PATH_SIZE;
    if (!complete)
        usable = SEARCH_PATH_SIZE - 1;
    size_t start = 0;
    while (start < usable) {
        const char* entry = search_path + start;
        const char* separator = (const char*)memchr(entry, ';', usable - start);
        size_t len = separator ? (size_t)(separator - entry) : usable - start;
        if (!separator && !complete && search_path[usable] != ';')
            break;  // this entry runs past the limit
        if (len > 0 &&
            found_at(snprintf(candidate, sizeof candidate, "%.*s\\%s", (int)len, entry, name)))
            return true;
        start += len + 1;
    }
    return false;
}

bool BuildServicePaths(const char* system_dir, char* target, size_t target_size, char* command,
                       size_t command_size)
{
    char path[SERVICE_PATH_SIZE];
    char line[SERVICE_PATH_SIZE];
    if (!FitsFormatted(sizeof path, snprintf(path, sizeof path, "%s\\haltall.exe", system_dir)) ||
        !FitsFormatted(sizeof line, snprintf(line, sizeof line, "\"%s\" -service", path)) ||
        strlen(path) >= target_size || strlen(line) >= command_size)
        return false;
    memcpy(target, path, strlen(path) + 1);
    memcpy(command, line, strlen(line) + 1);
    return true;
}

bool ServiceProgramPath(const char* command, char* path, size_t size)
{
    if (command[0] != '"')
        return false;
    const char* end = strchr(command + 1, '"');
    if (!end || end == command + 1 || (size_t)(end - command - 1) >= size)
        return false;
    size_t len = (size_t)(end - command - 1);
    memcpy(path, command + 1, len);
    path[len] = '\0';
    return true;
}
