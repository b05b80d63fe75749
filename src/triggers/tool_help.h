// The Tool Help snapshot functions of kernel32, looked up by name on first
// use and kept for the rest of the run.
#pragma once
#include "core/platform.h"
#include "triggers/process_list.h"

#ifdef _WIN32
#include <tlhelp32.h>

// Copies the module record of process_id whose module id is module_id into
// module (at most size bytes); 1 when found, 0 otherwise.
int GetProcessModule(DWORD process_id, DWORD module_id, MODULEENTRY32* module, DWORD size);

enum ToolHelpNames {
    MAIN_MODULE_NAMES,  // Windows 9x: the module name of the process's main module
    EXE_FILE_NAMES,     // Windows NT: the executable's file name of the process record
};

// Walks the process snapshot, calling callback with each process's name.
// 0 when a callback stopped the walk or the walk could not be done, 1 when
// every process was visited.
int EnumToolHelpProcesses(ToolHelpNames names, EnumProcsCallback callback, void* data);
#endif
