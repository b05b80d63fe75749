#include <cstdio>
#include <cstdlib>
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

// A file's text already in memory, handed out in pieces.
struct MemoryText {
    const char* at;
    size_t left;

    static bool Read(void* context, char* into, size_t room, size_t* got)
    {
        MemoryText* text = (MemoryText*)context;
        *got = text->left < room ? text->left : room;
        memcpy(into, text->at, *got);
        text->at += *got;
        text->left -= *got;
        return true;
    }
};

// Larger files with a byte-order mark are refused: a group of many
// thousands of computers stays far below.
const DWORD MAX_CONVERTED_FILE = 64 * 1024 * 1024;

// The text of a file with a byte-order mark (of length skip) in the
// program's code page, allocated; null on failure, with the reason left for
// GetLastError.
char* ConvertedText(HANDLE file, GroupEncoding encoding, DWORD skip, size_t* length)
{
    DWORD size = GetFileSize(file, nullptr);
    if (size == INVALID_FILE_SIZE)
        return nullptr;
    if (size > MAX_CONVERTED_FILE) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return nullptr;
    }
    char* raw = (char*)malloc(size + 2);
    DWORD read = 0;
    if (!raw || SetFilePointer(file, (LONG)skip, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file, raw, size - skip, &read, nullptr)) {
        free(raw);
        return nullptr;
    }
    wchar_t* wide = nullptr;
    int units = 0;
    if (encoding == GROUP_UTF8_BOM) {
        units = MultiByteToWideChar(CP_UTF8, 0, raw, (int)read, nullptr, 0);
        wide = (wchar_t*)malloc(sizeof(wchar_t) * ((size_t)units + 1));
        if (wide)
            MultiByteToWideChar(CP_UTF8, 0, raw, (int)read, wide, units);
    } else {
        units = (int)(read / 2);
        wide = (wchar_t*)malloc(sizeof(wchar_t) * ((size_t)units + 1));
        for (int i = 0; wide && i < units; i++) {
            unsigned char a = (unsigned char)raw[2 * i], b = (unsigned char)raw[2 * i + 1];
            wide[i] = encoding == GROUP_UTF16LE ? (wchar_t)(a | b << 8) : (wchar_t)(a << 8 | b);
        }
    }
    free(raw);
    if (!wide) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, units, nullptr, 0, nullptr, nullptr);
    char* text = (char*)malloc((size_t)bytes + 1);
    if (text)
        WideCharToMultiByte(CP_ACP, 0, wide, units, text, bytes, nullptr, nullptr);
    else
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    free(wide);
    *length = (size_t)bytes;
    return text;
}

// Reads the lines of an open group file, turning a marked text into the
// program's code page first; false (reason for GetLastError) on failure.
bool ReadGroupText(HANDLE file, AppState* state, GroupReadProblems* problems)
{
    unsigned char start[3];
    DWORD got = 0;
    if (!ReadFile(file, start, sizeof start, &got, nullptr))
        return false;
    GroupEncoding encoding = DetectGroupEncoding(start, got);
    if (encoding == GROUP_BYTES) {
        if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
            return false;
        ReadGroupLines(nullptr, state, GroupSource{ReadChunk, file}, problems);
        return true;
    }
    size_t length = 0;
    char* text = ConvertedText(file, encoding, encoding == GROUP_UTF8_BOM ? 3 : 2, &length);
    if (!text)
        return false;
    MemoryText memory = {text, length};
    ReadGroupLines(nullptr, state, GroupSource{MemoryText::Read, &memory}, problems);
    free(text);
    return true;
}

// Tells what a reading left out: one message in a window, an error event
// for a run from the command line.
void ReportGroupProblems(HWND window, AppState* state, const GroupReadProblems& problems)
{
    char message[sizeof problems.text + 600];
    if (problems.comma_separated) {
        snprintf(message, sizeof message,
                 "The group file %s separates its fields by \",\": the separator is \";\" "
                 "(COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;"
                 "USERNAME;PASSWORD).",
                 state->group_file);
    } else {
        if (problems.count == 0)
            return;
        int length = snprintf(message, sizeof message, "The group file %s: %d line%s not read:\n%s",
                              state->group_file, problems.count, problems.count == 1 ? "" : "s",
                              problems.text);
        if (problems.listed < problems.count && length > 0 && (size_t)length < sizeof message)
            snprintf(message + length, sizeof message - (size_t)length, "and %d more\n",
                     problems.count - problems.listed);
    }
    if (window)
        DisplayInformation(state, window, message);
    else
        WriteEvent(state, EVENT_ERROR, EVENT_SETTINGS_ERROR, "%s", message);
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
    GroupReadProblems* problems = (GroupReadProblems*)calloc(1, sizeof(GroupReadProblems));
    bool read = ReadGroupText(file.get(), state, problems);
    if (!read)
        DisplayLastError(state, window);
    SetCursor(previous);
    if (problems)
        ReportGroupProblems(window, state, *problems);
    bool refused = !read || (problems && problems->comma_separated);
    free(problems);
    WriteLog("GroupReadFile end, count=%d", state->group_count);
    return refused ? 1 : 0;
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
