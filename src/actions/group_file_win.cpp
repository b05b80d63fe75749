#include <cstring>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/report.h"

int GroupReadFile(HWND window, AppState* state)
{
    WriteLog("GroupReadFile start, file=%s", state->group_file);
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    HANDLE file = CreateFileA(state->group_file, GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DisplayLastError(state, window);
        SetCursor(previous);
        WriteLog("GroupReadFile end, cannot open file");
        return 1;
    }

    // Lines are taken from a buffer of 1000 characters; an unfinished line
    // moves to the front before the next read. A line that fills the whole
    // buffer ends the reading.
    const DWORD buffer_size = 1000;
    char buffer[buffer_size + 1];
    DWORD kept = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, buffer + kept, buffer_size - kept, &read, nullptr))
            break;
        DWORD filled = kept + read;
        buffer[filled] = '\0';
        char* line = buffer;
        char* newline;
        while ((newline = (char*)memchr(line, '\n', filled - (DWORD)(line - buffer))) != nullptr) {
            *newline = '\0';
            GroupAddFromFile(window, state, line);
            line = newline + 1;
        }
        if (filled < buffer_size) {
            GroupAddFromFile(window, state, line);
            break;
        }
        if (line == buffer)
            break;
        kept = filled - (DWORD)(line - buffer);
        memmove(buffer, line, kept);
    }
    CloseHandle(file);
    SetCursor(previous);
    WriteLog("GroupReadFile end, count=%d", state->group_count);
    return 0;
}
