// The process walk through the Tool Help snapshot functions.
#include "triggers/tool_help.h"

#include <cstring>

#include "core/log.h"
#include "core/owned.h"
#include "core/system_library.h"

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFunction)(DWORD flags, DWORD process_id);
typedef BOOL(WINAPI* ProcessWalkFunction)(HANDLE snapshot, PROCESSENTRY32* entry);
typedef BOOL(WINAPI* ModuleWalkFunction)(HANDLE snapshot, MODULEENTRY32* entry);

struct ToolHelp {
    HMODULE library;
    CreateSnapshotFunction create_snapshot;
    ProcessWalkFunction process_first;
    ProcessWalkFunction process_next;
    ModuleWalkFunction module_first;
    ModuleWalkFunction module_next;
};
ToolHelp tool_help;

// The five functions, looked up on first use; false when they are missing.
bool FindToolHelp()
{
    if (tool_help.library)
        return true;
    HMODULE library = LoadSystemLibrary("Kernel32.DLL");
    if (!library) {
        WriteLog("Cannot load Kernel32.DLL");
        return false;
    }
    ToolHelp found;
    found.library = library;
    found.create_snapshot = (CreateSnapshotFunction)(void*)GetProcAddress(library, "CreateToolhelp32Snapshot");
    found.process_first = (ProcessWalkFunction)(void*)GetProcAddress(library, "Process32First");
    found.process_next = (ProcessWalkFunction)(void*)GetProcAddress(library, "Process32Next");
    found.module_first = (ModuleWalkFunction)(void*)GetProcAddress(library, "Module32First");
    found.module_next = (ModuleWalkFunction)(void*)GetProcAddress(library, "Module32Next");
    if (!found.create_snapshot || !found.process_first || !found.process_next || !found.module_first ||
        !found.module_next) {
        WriteLog("Error loading libraries");
        return false;
    }
    tool_help = found;
    return true;
}

// A snapshot of the given kind, or INVALID_HANDLE_VALUE (logged).
HANDLE TakeSnapshot(DWORD flags, DWORD process_id)
{
    if (!FindToolHelp())
        return INVALID_HANDLE_VALUE;
    HANDLE snapshot = tool_help.create_snapshot(flags, process_id);
    if (snapshot == INVALID_HANDLE_VALUE)
        WriteLog("CreateToolhelp32Snapshot failed");
    return snapshot;
}

}  // namespace

int GetProcessModule(DWORD process_id, DWORD module_id, MODULEENTRY32* module, DWORD size)
{
    WriteLog("GetProcessModule start, process=%lu, module=%lu", (unsigned long)process_id,
             (unsigned long)module_id);
    OwnedHandle snapshot(TakeSnapshot(TH32CS_SNAPMODULE, process_id));
    int found = 0;
    if (snapshot) {
        MODULEENTRY32 entry;
        entry.dwSize = sizeof entry;
        // The size field is set anew before every call.
        for (BOOL more = tool_help.module_first(snapshot.get(), &entry); more;
             entry.dwSize = sizeof entry, more = tool_help.module_next(snapshot.get(), &entry)) {
            if (entry.th32ModuleID == module_id) {
                memcpy(module, &entry, size < sizeof entry ? size : sizeof entry);
                found = 1;
                break;
            }
        }
    }
    WriteLog("GetProcessModule end (bret=%d)", found);
    return found;
}

int EnumToolHelpProcesses(ToolHelpNames names, EnumProcsCallback callback, void* data)
{
    WriteLog("EnumToolHelpProcesses start");
    OwnedHandle snapshot(TakeSnapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;

    int result = 1;
    PROCESSENTRY32 process;
    process.dwSize = sizeof process;
    for (BOOL more = tool_help.process_first(snapshot.get(), &process); more;
         process.dwSize = sizeof process, more = tool_help.process_next(snapshot.get(), &process)) {
        const char* name = process.szExeFile;
        MODULEENTRY32 module;
        if (names == MAIN_MODULE_NAMES) {
            memset(&module, 0, sizeof module);
            // A process whose module cannot be read is passed over.
            if (!GetProcessModule(process.th32ProcessID, process.th32ModuleID, &module, sizeof module))
                continue;
            module.szModule[sizeof module.szModule - 1] = '\0';
            name = module.szModule;
            WriteLog("szModule=%s", name);
        } else {
            process.szExeFile[sizeof process.szExeFile - 1] = '\0';
            WriteLog("szExeFile=%s", name);
        }
        // Process id 0 (the idle process) is no process to watch.
        if (process.th32ProcessID != 0 && callback(process.th32ProcessID, 0, name, data) == 0) {
            result = 0;
            break;
        }
    }
    WriteLog("EnumToolHelpProcesses end, result=%d", result);
    return result;
}
