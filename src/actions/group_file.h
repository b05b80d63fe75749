// A group of remote computers and the group file: one computer per line,
// eight fields separated by ";", "#" starts a comment.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/platform.h"

struct AppState;

struct RemotePC {
    char computer_name[100];
    char mac_address[14];
    char subnet_mask[20];
    int16_t use_nt;
    int32_t port;
    char password[40];
    int16_t current_credentials;
    char username[40];
};

const char GROUP_FILE_HEADER[] =
    "#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;USERNAME;PASSWORD";

// Lines are read through a buffer of this many characters; a longer line
// ends the reading.
const size_t GROUP_READ_BUFFER = 1000;

enum GroupLine { LINE_COMPUTER, LINE_EMPTY, LINE_TOO_LONG };

// Parses one line. Blank, comment and short lines hold no computer
// (LINE_EMPTY); a field longer than its width refuses the line (LINE_TOO_LONG).
GroupLine ParseGroupLine(const char* line, RemotePC* pc);
// "%s;%s;%s;%d;%d;%d;%s;%s\n"; false when it does not fit in size.
bool FormatGroupLine(const RemotePC& pc, char* out, size_t size);

// group_list is allocated in blocks of GroupCapacity(group_count) records,
// so that appending one record at a time stays linear: change the list only
// through these operations.
size_t GroupCapacity(int32_t count);
// Appends a copy of pc to the group list and marks the group modified;
// false (nothing changed) when there is no memory for it. The group
// editor's AddRemotePC also refreshes its list.
bool AppendRemotePC(AppState* state, const RemotePC* pc);
// Removes record index, moving the later ones forward, and marks the group
// modified; an index outside the list changes nothing.
void RemoveGroupEntry(AppState* state, int32_t index);
// Empties the group list and releases its storage.
void FreeGroupList(AppState* state);
// Adds the computer of one line, if it holds one. line_number (from 1; 0
// when unknown) names the line in the log when it is skipped as too long.
int GroupAddFromFile(HWND window, AppState* state, const char* line, int line_number = 0);

// Where the group file's bytes come from: fills up to room bytes and sets
// *got (0 at the end); false on a read error.
struct GroupSource {
    bool (*read)(void* context, char* into, size_t room, size_t* got);
    void* context;
};
// Reads lines from source and adds their computers. A read error or a line
// of GROUP_READ_BUFFER characters or more ends the reading; what was added
// stays. The last line needs no line feed.
void ReadGroupLines(HWND window, AppState* state, const GroupSource& source);

// Where the lines of a saved group go: false when a write fails.
struct GroupSink {
    bool (*write)(void* context, const char* text, size_t length);
    void* context;
};
// Writes the header and one line per computer: 0 on success, 2 when the
// header cannot be written, 3 when a computer's line cannot.
int WriteGroupLines(const AppState* state, const GroupSink& sink);

#ifdef _WIN32
// Reads group_file and appends its computers: 1 when it cannot be opened
// (reported to window, which may be null).
int GroupReadFile(HWND window, AppState* state);
// Writes the group to group_file through a temporary file in the same
// folder, so that a failed save leaves the old file as it was: 0 on
// success, 1 when the file cannot be created or replaced, 2 or 3 as
// WriteGroupLines. Failures are shown with the system's text.
int GroupSave(HWND window, AppState* state);
#endif
