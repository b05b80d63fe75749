// Libraries come from the system directory only: never from the program's
// folder or the current directory, where a planted DLL of the same name
// (a program run from Downloads) would run with the program's rights.
// Libraries stay loaded for the rest of the process.
#pragma once
#include <windows.h>

// Called first at start: every later load, the system's own loads of the
// program's imports included, leaves out the program's folder and the
// current directory where the system offers the calls to say so.
void RestrictLibrarySearch();

// Loads a library from the system directory; null when it is not there.
HMODULE LoadSystemLibrary(const char* name);

// The entry of a library from the system directory; null when the library
// or the entry is missing.
FARPROC SystemFunction(const char* library, const char* entry);
