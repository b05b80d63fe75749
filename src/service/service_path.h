// Where the program file is found and what the installed service runs:
// the ".exe" rule, the search order, and the paths built from the system
// directory. No Windows calls here; the caller supplies the file check.
#pragma once
#include <cstddef>

const size_t SERVICE_PATH_SIZE = 260;  // every path and the service command line
const size_t SEARCH_PATH_SIZE = 1024;  // the part of PATH that is searched, with terminator

// Appends ".exe" to a name that is shorter than 4 characters or does not end
// in ".exe" (any letter case). False, name unchanged, when it would not fit.
bool AddExeSuffix(char* name, size_t size);

// Tries the places of the program file in order: the name itself (the
// current directory), then "<dir>\<name>" for every entry of search_path
// (may be null) from left to right, the last entry too. Empty entries are
// skipped, and only entries that end within the first SEARCH_PATH_SIZE - 1
// characters are used: an entry cut by that limit would name another
// directory. A place too long for SERVICE_PATH_SIZE is skipped. Returns true
// with the first place that exists in found (found_size >= SERVICE_PATH_SIZE).
bool FindProgramFile(const char* name, const char* search_path,
                     bool (*exists)(void* context, const char* path), void* context, char* found,
                     size_t found_size);

// Builds "<system_dir>\haltall.exe" and the service command line
// "\"<target>\" -service". False, outputs untouched, when either does not fit
// in its buffer.
bool BuildServicePaths(const char* system_dir, char* target, size_t target_size, char* command,
                       size_t command_size);

// The program path of a service command line built above: the text between
// its leading pair of double quotes. False, path untouched, when the command
// does not start with a quoted path or the path does not fit in size.
bool ServiceProgramPath(const char* command, char* path, size_t size);
