#include <cstring>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/owned.h"
#include "core/report.h"

namespace {

bool ReadChunk(void* context, char* into, size_t room, size_t* got)
{
    DWORD read = 0;
    BOOL ok = ReadFile((HANDLE)context, into, (DWORD)room, &read, nullptr);
    *got = read;
    return ok != FALSE;
}

bool WriteChunk(void* context, const char* text, size_t length)
{
    DWORD written = 0;
    return WriteFile((HANDLE)context, text, (DWORD)length, &written, nullptr) &&
           written == length;
}

// The folder that holds path, so that the temporary file lands on the same
// volume and can replace the old one in one step.
bool FolderOf(const char* path, char* folder, size_t size)
{
    char* name = nullptr;
    DWORD length = GetFullPathNameA(path, (DWORD)size, folder, &name);
    if (length == 0 || length >= size)
        return false;
    if (name)
        *name = '\0';
    return true;
}

}  // namespace

int GroupReadFile(HWND window, AppState* state)
{
    WriteLog("GroupReadFile start, file=%s", state->group_file);
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    OwnedHandle file(CreateFileA(state->group_file, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DisplayLastError(state, window);
        SetCursor(previous);
        WriteLog("GroupReadFile end, cannot open file");
        return 1;
    }
    ReadGroupLines(window, state, GroupSource{ReadChunk, file.get()});
    SetCursor(previous);
    WriteLog("GroupReadFile end, count=%d", state->group_count);
    return 0;
}

int GroupSave(HWND window, AppState* state)
{
    WriteLog("GroupSave start, file=%s", state->group_file);
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    char folder[MAX_PATH], temp[MAX_PATH];
    OwnedHandle file;
    if (FolderOf(state->group_file, folder, sizeof folder) &&
        GetTempFileNameA(folder, "grp", 0, temp))
        file.reset(CreateFileA(temp, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    else if (GetLastError() == ERROR_SUCCESS)
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    if (!file) {
        DisplayLastError(state, window);
        SetCursor(previous);
        WriteLog("GroupSave end, cannot create file");
        return 1;
    }

    int result = WriteGroupLines(state, GroupSink{WriteChunk, file.get()});
    if (result == 0 && !FlushFileBuffers(file.get()))
        result = 3;
    if (result != 0)
        DisplayLastError(state, window);
    file.reset();  // closed before it replaces the group file
    if (result == 0 &&
        !MoveFileExA(temp, state->group_file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DisplayLastError(state, window);
        result = 1;
    }
    if (result != 0) {
        DeleteFileA(temp);
        SetCursor(previous);
        WriteLog("GroupSave end, failed with %d", result);
        return result;
    }
    state->group_modified = 0;
    SetCursor(previous);
    WriteLog("GroupSave end");
    return 0;
}
