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

// Parses one line. Returns false for lines that hold no computer: blank,
// comment and short lines, and lines with a field longer than its width.
bool ParseGroupLine(const char* line, RemotePC* pc);
// "%s;%s;%s;%d;%d;%d;%s;%s\n"; false when it does not fit in size.
bool FormatGroupLine(const RemotePC& pc, char* out, size_t size);

// Appends a copy of pc to the group list and marks the group modified.
// update_mode 0 touches no window.
void AddRemotePC(HWND window, AppState* state, const RemotePC* pc, int update_mode);
// Empties the group list.
void FreeGroupList(AppState* state);
int GroupAddFromFile(HWND window, AppState* state, const char* line);

#ifdef _WIN32
int GroupReadFile(HWND window, AppState* state);
#endif
