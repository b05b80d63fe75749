#include "actions/group_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/log.h"

namespace {

// Moves *at past the text up to the next ";" (or the end) and past the
// separator; returns the text's length.
size_t SkipField(const char** at)
{
    size_t len = strcspn(*at, ";");
    *at += len;
    if (**at == ';')
        (*at)++;
    return len;
}

// Copies the next field into a text field; false when it does not fit.
bool TakeField(const char** at, char* field, size_t size)
{
    const char* start = *at;
    size_t len = SkipField(at);
    if (len >= size)
        return false;
    memcpy(field, start, len);
    field[len] = '\0';
    return true;
}

// The next field read the way atoi reads it.
int32_t TakeNumber(const char** at)
{
    char text[32];
    const char* start = *at;
    size_t len = SkipField(at);
    if (len >= sizeof text)
        len = sizeof text - 1;
    memcpy(text, start, len);
    text[len] = '\0';
    return atoi(text);
}

}  // namespace

GroupLine ParseGroupLine(const char* line, RemotePC* pc)
{
    size_t len = strcspn(line, "#");
    size_t separators = 0;
    for (size_t i = 0; i < len; i++)
        separators += line[i] == ';';
    if (separators < 7)
        return LINE_EMPTY;

    char* copy = (char*)malloc(len + 1);
    if (!copy)
        return LINE_EMPTY;
    memcpy(copy, line, len);
    copy[len] = '\0';

    // The password is the eighth field; anything after a further ";" is dropped.
    const char* at = copy;
    RemotePC parsed = {};
    bool fits = TakeField(&at, parsed.computer_name, sizeof parsed.computer_name) &&
                TakeField(&at, parsed.mac_address, sizeof parsed.mac_address) &&
                TakeField(&at, parsed.subnet_mask, sizeof parsed.subnet_mask);
    if (fits) {
        parsed.port = TakeNumber(&at);
        parsed.use_nt = (int16_t)TakeNumber(&at);
        parsed.current_credentials = (int16_t)TakeNumber(&at);
        fits = TakeField(&at, parsed.username, sizeof parsed.username) &&
               TakeField(&at, parsed.password, sizeof parsed.password);
    }
    free(copy);
    if (!fits)
        return LINE_TOO_LONG;
    *pc = parsed;
    return LINE_COMPUTER;
}

bool FormatGroupLine(const RemotePC& pc, char* out, size_t size)
{
    int written = snprintf(out, size, "%s;%s;%s;%d;%d;%d;%s;%s\n", pc.computer_name,
                           pc.mac_address, pc.subnet_mask, pc.port, pc.use_nt,
                           pc.current_credentials, pc.username, pc.password);
    return written >= 0 && (size_t)written < size;
}

size_t GroupCapacity(int32_t count)
{
    if (count <= 0)
        return 0;
    size_t capacity = 8;
    while (capacity < (size_t)count)
        capacity *= 2;
    return capacity;
}

bool AppendRemotePC(AppState* state, const RemotePC* pc)
{
    size_t capacity = GroupCapacity(state->group_count + 1);
    if (capacity != GroupCapacity(state->group_count)) {
        RemotePC* grown = (RemotePC*)realloc(state->group_list, sizeof(RemotePC) * capacity);
        if (!grown) {
            WriteLog("AppendRemotePC: out of memory, %s not added", pc->computer_name);
            return false;
        }
        state->group_list = grown;
    }
    state->group_list[state->group_count++] = *pc;
    state->group_modified = 1;
    return true;
}

void RemoveGroupEntry(AppState* state, int32_t index)
{
    if (index < 0 || index >= state->group_count)
        return;
    memmove(&state->group_list[index], &state->group_list[index + 1],
            sizeof(RemotePC) * (size_t)(state->group_count - index - 1));
    state->group_count--;
    size_t capacity = GroupCapacity(state->group_count);
    if (capacity == 0) {
        FreeGroupList(state);
    } else if (capacity != GroupCapacity(state->group_count + 1)) {
        // Shrinking never fails to keep the records; a refusal keeps the larger block.
        if (RemotePC* shrunk = (RemotePC*)realloc(state->group_list, sizeof(RemotePC) * capacity))
            state->group_list = shrunk;
    }
    state->group_modified = 1;
}

void FreeGroupList(AppState* state)
{
    free(state->group_list);
    state->group_list = nullptr;
    state->group_count = 0;
}

int GroupAddFromFile(HWND, AppState* state, const char* line, int line_number)
{
    RemotePC pc;
    switch (ParseGroupLine(line, &pc)) {
    case LINE_COMPUTER:
        AppendRemotePC(state, &pc);
        break;
    case LINE_TOO_LONG:
        WriteLog("Group file line %d skipped: a field is longer than its width", line_number);
        break;
    case LINE_EMPTY:
        break;
    }
    return 0;
}

void ReadGroupLines(HWND window, AppState* state, const GroupSource& source)
{
    char buffer[GROUP_READ_BUFFER + 1];
    size_t kept = 0;
    int line_number = 0;
    for (;;) {
        // Fill the buffer after what was kept; a short fill is the end of the file.
        size_t filled = kept;
        size_t got = 0;
        do {
            if (!source.read(source.context, buffer + filled, GROUP_READ_BUFFER - filled, &got)) {
                WriteLog("Group file read error after line %d", line_number);
                return;
            }
            filled += got;
        } while (got > 0 && filled < GROUP_READ_BUFFER);
        buffer[filled] = '\0';

        char* line = buffer;
        char* newline;
        while ((newline = (char*)memchr(line, '\n', filled - (size_t)(line - buffer))) != nullptr) {
            *newline = '\0';
            GroupAddFromFile(window, state, line, ++line_number);
            line = newline + 1;
        }
        if (filled < GROUP_READ_BUFFER) {
            GroupAddFromFile(window, state, line, ++line_number);
            return;
        }
        if (line == buffer) {
            WriteLog("Group file line %d is %d characters or longer: reading stopped",
                     line_number + 1, (int)GROUP_READ_BUFFER);
            return;
        }
        kept = filled - (size_t)(line - buffer);
        memmove(buffer, line, kept);
    }
}

int WriteGroupLines(const AppState* state, const GroupSink& sink)
{
    char line[GROUP_READ_BUFFER];
    int length = snprintf(line, sizeof line, "%s\n", GROUP_FILE_HEADER);
    if (!sink.write(sink.context, line, (size_t)length))
        return 2;
    for (int32_t i = 0; i < state->group_count; i++) {
        // Every field is bounded, so a line always fits.
        FormatGroupLine(state->group_list[i], line, sizeof line);
        if (!sink.write(sink.context, line, strlen(line)))
            return 3;
    }
    return 0;
}
