// EnumProcs: the process walk of the running system.
#include "triggers/process_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/log.h"
#include "triggers/perf_data.h"
#include "triggers/tool_help.h"

namespace {

bool WideToAnsi(const BYTE* text, size_t length, char* out, size_t size)
{
    if (size == 0)
        return false;
    if (length == 0) {
        out[0] = '\0';
        return true;
    }
    // The name may be unaligned inside the block.
    WCHAR wide[MAX_PATH];
    if (length > MAX_PATH)
        return false;
    memcpy(wide, text, length * sizeof(WCHAR));
    int written = WideCharToMultiByte(CP_ACP, 0, wide, (int)length, out, (int)size - 1, nullptr, nullptr);
    if (written <= 0)
        return false;
    out[written] = '\0';
    return true;
}

// The processes of the "Process" object of the performance data; -1 when
// the data cannot be read or do not hold that object with its "ID Process"
// counter.
int EnumPerfProcesses(EnumProcsCallback callback, void* data)
{
    DWORD process_index = GetTitleIdx("Process");
    if (process_index == 0)
        return PERF_WALK_NO_DATA;  // no object carries index 0
    char value_name[16];
    snprintf(value_name, sizeof value_name, "%ld", (long)process_index);
    DWORD length = 0;
    BYTE* block = RefreshPerfData(HKEY_PERFORMANCE_DATA, value_name, PERF_DATA_START_SIZE, &length);
    if (!block)
        return PERF_WALK_NO_DATA;
    int result = WalkProcessObject({block, length}, process_index, GetTitleIdx("ID Process"), WideToAnsi,
                                   callback, data);
    free(block);
    return result;
}

}  // namespace

int EnumProcs(EnumProcsCallback callback, void* data)
{
    WriteLog("EnumProcs start");
    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) {
        WriteLog("GetVersionEx failed, EnumProcs end");
        return 0;
    }

    int result;
    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_NT:
        WriteLog("Using NT method");
        result = EnumPerfProcesses(callback, data);
        if (result == PERF_WALK_NO_DATA) {
            // Without a process list in the performance data nothing is
            // known about the processes: ask Tool Help (Windows 2000 and
            // later) before anyone takes "nothing found" for an answer.
            WriteLog("No processes in the performance data, using Tool Help");
            result = EnumToolHelpProcesses(EXE_FILE_NAMES, callback, data);
        }
        break;
    case VER_PLATFORM_WIN32_WINDOWS:
        WriteLog("Using Win9x method");
        result = EnumToolHelpProcesses(MAIN_MODULE_NAMES, callback, data);
        break;
    default:
        WriteLog("EnumProcs end (Unknown OS)");
        return 0;
    }
    WriteLog("EnumProcs end");
    return result;
}
