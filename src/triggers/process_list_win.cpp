// The process walk through the Tool Help snapshot functions of kernel32,
// looked up at run time.
#include "triggers/process_list.h"

#include <tlhelp32.h>

#include "core/log.h"

namespace {

typedef HANDLE(WINAPI* CreateSnapshotFunction)(DWORD flags, DWORD process_id);
typedef BOOL(WINAPI* ProcessWalkFunction)(HANDLE snapshot, PROCESSENTRY32* entry);

struct ToolHelp {
    CreateSnapshotFunction create_snapshot;
    ProcessWalkFunction process_first;
    ProcessWalkFunction process_next;
};

bool FindToolHelp(ToolHelp* tool_help)
{
    HMODULE kernel = GetModuleHandleA("kernel32");
    if (!kernel)
        return false;
    tool_help->create_snapshot =
        (CreateSnapshotFunction)(void*)GetProcAddress(kernel, "CreateToolhelp32Snapshot");
    tool_help->process_first = (ProcessWalkFunction)(void*)GetProcAddress(kernel, "Process32First");
    tool_help->process_next = (ProcessWalkFunction)(void*)GetProcAddress(kernel, "Process32Next");
    return tool_help->create_snapshot && tool_help->process_first && tool_help->process_next;
}

}  // namespace

int EnumProcs(EnumProcsCallback callback, void* data)
{
    WriteLog("EnumProcs start");
    ToolHelp tool_help;
    if (!FindToolHelp(&tool_help)) {
        WriteLog("EnumProcs end, Tool Help functions not found");
        return 0;
    }
    HANDLE snapshot = tool_help.create_snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        WriteLog("CreateToolhelp32Snapshot failed");
        return 0;
    }

    int result = 1;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = tool_help.process_first(snapshot, &entry); more;
         more = tool_help.process_next(snapshot, &entry)) {
        if (callback(entry.th32ProcessID, 0, entry.szExeFile, data) == 0) {
            result = 0;
            break;
        }
        entry.dwSize = sizeof entry;
    }
    CloseHandle(snapshot);
    WriteLog("EnumProcs end, result=%d", result);
    return result;
}
