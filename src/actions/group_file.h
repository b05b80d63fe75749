// A group of remote computers and the group file: one computer per line,
// eight fields separated by ";" and an optional ninth, "#" starts a comment.
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
    int16_t secure;  // never send the password in clear to this computer
};

inline constexpr char GROUP_FILE_HEADER[] =
    "#COMPUTER_NAME;MAC_ADDRESS;SUBNET_MASK;PORT;USE_NT;CURRENT_CREDENTIALS;USERNAME;PASSWORD";
// The optional ninth field, written (header and lines) only for a group in
// which some computer uses it: other groups are saved as older copies wrote them.
inline constexpr char GROUP_FILE_SECURE_FIELD[] = ";SECURE";

// Lines are read through a buffer of this many characters; a longer line
// ends the reading.
const size_t GROUP_READ_BUFFER = 1000;

enum GroupLine { LINE_COMPUTER, LINE_EMPTY, LINE_REFUSED, LINE_COMMA_SEPARATED };

// Why a line holds no computer: the field at fault (its name in the header)
// and the reason.
struct GroupLineProblem {
    const char* field;
    char reason[80];
};

// Parses one line (without its line feed; a carriage return at its end is
// not part of it). Fields are separated by ";", "#" outside quotes starts a
// comment, spaces around a field are dropped, and a field in double quotes
// is taken as written ("" stands for one quote; ";" and "#" are data). A
// MAC address written with ":" or "-" is kept as its 12 digits. The ninth
// field, SECURE, is a number (not 0: never send the password in clear);
// text there, and anything after it, is dropped. Blank,
// comment and all-empty lines hold no computer (LINE_EMPTY); a line that
// cannot be read is LINE_REFUSED with the problem filled in (when problem
// is given); a line of comma-separated fields is LINE_COMMA_SEPARATED.
GroupLine ParseGroupLine(const char* line, RemotePC* pc, GroupLineProblem* problem = nullptr);
// One line of the file; with_secure adds the ninth field.
bool FormatGroupLine(const RemotePC& pc, char* out, size_t size, bool with_secure = false);

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
// What a reading of a group file left out: every line not read, as
// "line N: FIELD: reason" lines, as many as fit.
struct GroupReadProblems {
    int count;       // lines not read
    int listed;      // of them, those in text
    bool comma_separated;  // the file uses "," between fields: nothing was read
    char text[2000];
};

// Where the group file's bytes come from: fills up to room bytes and sets
// *got (0 at the end); false on a read error.
struct GroupSource {
    bool (*read)(void* context, char* into, size_t room, size_t* got);
    void* context;
};
// Reads lines from source and adds their computers. A read error or a line of GROUP_READ_BUFFER
// characters or more ends the reading; what was added stays. A file whose
// fields are separated by "," adds nothing. The last line needs no line
// feed. Lines not read are logged and, when problems is given, listed there.
void ReadGroupLines(HWND window, AppState* state, const GroupSource& source,
                    GroupReadProblems* problems = nullptr);

// How a group file's text is written, told by its byte-order mark: files
// without one are read as the program writes them, in its own code page;
// the others (Notepad's UTF-8, Windows PowerShell's UTF-16) are turned into
// that code page first. The mark's length is 3 for UTF-8, 2 for UTF-16.
enum GroupEncoding { GROUP_BYTES, GROUP_UTF8_BOM, GROUP_UTF16LE, GROUP_UTF16BE };
GroupEncoding DetectGroupEncoding(const unsigned char* start, size_t length);

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
// or read, or separates its fields by "," (reported to window, which may be
// null). Lines not read are reported to window in one message, or without
// a window in an error event.
int GroupReadFile(HWND window, AppState* state);
// Writes the group to group_file through a temporary file in the same
// folder, so that a failed save leaves the old file as it was: 0 on
// success, 1 when the file cannot be created or replaced, 2 or 3 as
// WriteGroupLines. Failures are shown with the system's text.
int GroupSave(HWND window, AppState* state);
#endif
