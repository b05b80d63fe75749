#include "actions/group_file.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/address_checks.h"
#include "core/log.h"

namespace {

const char* const FIELD_NAMES[] = {"COMPUTER_NAME", "MAC_ADDRESS",         "SUBNET_MASK",
                                   "PORT",          "USE_NT",              "CURRENT_CREDENTIALS",
                                   "USERNAME",      "PASSWORD"};
const int FIELD_COUNT = 8;  // and SECURE, which may be left out

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// One field as read: its text (quotes removed; cut at the size of a line,
// far beyond any field's width) and whether it was quoted.
struct Field {
    char text[GROUP_READ_BUFFER + 1];
    bool quoted;

    void Add(size_t* len, char c)
    {
        if (*len < sizeof text - 1)
            text[(*len)++] = c;
    }
};

enum FieldEnd { FIELD_SEPARATOR, FIELD_LINE_END, FIELD_BAD_QUOTE };

// Reads the field at *at into field and moves *at past it and its ";". The
// line ends at its end or at a "#" outside quotes.
FieldEnd TakeField(const char** at, Field* field)
{
    const char* p = *at;
    while (IsBlank(*p))
        p++;
    size_t len = 0;
    field->quoted = *p == '"';
    if (field->quoted) {
        for (p++;; p++) {
            if (*p == '\0')
                return FIELD_BAD_QUOTE;
            if (*p == '"') {
                if (p[1] != '"')
                    break;
                p++;
            }
            field->Add(&len, *p);
        }
        for (p++; IsBlank(*p); p++) {
        }
        if (*p != ';' && *p != '#' && *p != '\0')
            return FIELD_BAD_QUOTE;
    } else {
        while (*p != ';' && *p != '#' && *p != '\0')
            field->Add(&len, *p++);
        while (len > 0 && IsBlank(field->text[len - 1]))
            len--;
    }
    field->text[len] = '\0';
    *at = p + (*p == ';');
    return *p == ';' ? FIELD_SEPARATOR : FIELD_LINE_END;
}

GroupLine Refuse(GroupLineProblem* problem, int field, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
GroupLine Refuse(GroupLineProblem* problem, int field, const char* format, ...)
{
    if (problem) {
        problem->field = FIELD_NAMES[field];
        va_list args;
        va_start(args, format);
        vsnprintf(problem->reason, sizeof problem->reason, format, args);
        va_end(args);
    }
    return LINE_REFUSED;
}

// A whole number with an optional sign; an empty field is 0.
bool ReadNumber(const char* text, int32_t* value)
{
    const char* p = text + (*text == '-' || *text == '+');
    if (*text == '\0') {
        *value = 0;
        return true;
    }
    if (*p == '\0' || strspn(p, "0123456789") != strlen(p) || strlen(p) > 9)
        return false;
    *value = atoi(text);
    return true;
}

// A line that says nothing in ";" but separates eight or more fields by ",".
bool LooksCommaSeparated(const char* line)
{
    size_t len = strcspn(line, "#");
    size_t commas = 0;
    for (size_t i = 0; i < len; i++) {
        if (line[i] == ';')
            return false;
        commas += line[i] == ',';
    }
    return commas >= (size_t)FIELD_COUNT - 1;
}

}  // namespace

GroupLine ParseGroupLine(const char* line, RemotePC* pc, GroupLineProblem* problem)
{
    if (LooksCommaSeparated(line))
        return LINE_COMMA_SEPARATED;

    Field field;
    RemotePC parsed = {};
    char* texts[FIELD_COUNT] = {parsed.computer_name, parsed.mac_address, parsed.subnet_mask,
                                nullptr, nullptr, nullptr, parsed.username, parsed.password};
    const size_t sizes[FIELD_COUNT] = {sizeof parsed.computer_name, sizeof parsed.mac_address,
                                       sizeof parsed.subnet_mask, 0, 0, 0,
                                       sizeof parsed.username, sizeof parsed.password};
    int32_t numbers[3] = {};
    const char* at = line;
    bool anything = false;
    int taken = 0;
    FieldEnd end = FIELD_SEPARATOR;
    // The password is the eighth field; anything after a further ";" is dropped.
    while (taken < FIELD_COUNT && end == FIELD_SEPARATOR) {
        int i = taken++;
        end = TakeField(&at, &field);
        if (end == FIELD_BAD_QUOTE)
            return Refuse(problem, i, "a quote is not closed, or text follows it");
        anything = anything || field.text[0] || field.quoted;
        if (!texts[i]) {
            if (!ReadNumber(field.text, &numbers[i - 3]))
                return Refuse(problem, i, "not a number (%.40s)", field.text);
            continue;
        }
        // "00:11:22:33:44:AA" is kept as its 12 digits; other texts as written.
        char mac[MAC_TEXT_SIZE];
        if (i == 1 && strlen(field.text) > 12 && CopyField(mac, field.text) &&
            IsValidMACAddress(mac))
            strcpy(field.text, mac);
        if (strlen(field.text) >= sizes[i])
            return Refuse(problem, i, "longer than %d characters", (int)sizes[i] - 1);
        strcpy(texts[i], field.text);
    }
    // A ninth field that is no number is dropped, as older copies drop
    // every field after the eighth: files with columns of their own still read.
    int32_t secure = 0;
    if (taken == FIELD_COUNT && end == FIELD_SEPARATOR &&
        (TakeField(&at, &field) == FIELD_BAD_QUOTE || !ReadNumber(field.text, &secure)))
        secure = 0;
    if (!anything)
        return LINE_EMPTY;  // blank, a comment, or a spreadsheet's empty row
    if (taken < FIELD_COUNT)
        return Refuse(problem, taken, "missing (a line has 8 fields separated by \";\")");
    if (!parsed.computer_name[0])
        return Refuse(problem, 0, "empty");
    parsed.port = numbers[0];
    parsed.use_nt = (int16_t)numbers[1];
    parsed.current_credentials = (int16_t)numbers[2];
    parsed.secure = secure != 0;
    *pc = parsed;
    return LINE_COMPUTER;
}

bool FormatGroupLine(const RemotePC& pc, char* out, size_t size, bool with_secure)
{
    char secure[8] = "";
    if (with_secure)
        snprintf(secure, sizeof secure, ";%d", pc.secure ? 1 : 0);
    int written = snprintf(out, size, "%s;%s;%s;%d;%d;%d;%s;%s%s\n", pc.computer_name,
                           pc.mac_address, pc.subnet_mask, pc.port, pc.use_nt,
                           pc.current_credentials, pc.username, pc.password, secure);
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

namespace {

// Lists a line not read in the log and in problems.
void NoteProblem(GroupReadProblems* problems, int line_number, const char* field,
                 const char* reason)
{
    WriteLog("Group file line %d not read: %s: %s", line_number, field, reason);
    if (!problems)
        return;
    problems->count++;
    size_t used = strlen(problems->text);
    size_t room = sizeof problems->text - used;
    int length = snprintf(problems->text + used, room, "line %d: %s: %s\n", line_number, field,
                          reason);
    if (length > 0 && (size_t)length < room)
        problems->listed++;
    else
        problems->text[used] = '\0';  // only whole lines
}

// Adds the computer of one line, if it holds one; false when the line shows
// that the file is not one of ours, which ends the reading.
bool GroupAddFromFile(AppState* state, char* line, int line_number, GroupReadProblems* problems)
{
    size_t len = strlen(line);
    if (len > 0 && line[len - 1] == '\r')
        line[len - 1] = '\0';
    RemotePC pc;
    GroupLineProblem problem;
    switch (ParseGroupLine(line, &pc, &problem)) {
    case LINE_COMPUTER:
        AppendRemotePC(state, &pc);
        break;
    case LINE_REFUSED:
        NoteProblem(problems, line_number, problem.field, problem.reason);
        break;
    case LINE_COMMA_SEPARATED:
        WriteLog("Group file line %d: the fields are separated by \",\": not read", line_number);
        if (problems)
            problems->comma_separated = true;
        return false;
    case LINE_EMPTY:
        break;
    }
    return true;
}

}  // namespace

void ReadGroupLines(HWND, AppState* state, const GroupSource& source, GroupReadProblems* problems)
{
    if (problems)
        *problems = GroupReadProblems{};
    int32_t first = state->group_count;
    char buffer[GROUP_READ_BUFFER + 1];
    size_t kept = 0;
    int line_number = 0;
    bool reading = true;
    while (reading) {
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
        while (reading &&
               (newline = (char*)memchr(line, '\n', filled - (size_t)(line - buffer))) != nullptr) {
            *newline = '\0';
            reading = GroupAddFromFile(state, line, ++line_number, problems);
            line = newline + 1;
        }
        if (reading && filled < GROUP_READ_BUFFER) {
            reading = GroupAddFromFile(state, line, ++line_number, problems);
            break;
        }
        if (reading && line == buffer) {
            char reason[80];
            snprintf(reason, sizeof reason, "%d characters or longer: reading stopped",
                     (int)GROUP_READ_BUFFER);
            NoteProblem(problems, line_number + 1, "the line", reason);
            return;
        }
        kept = filled - (size_t)(line - buffer);
        memmove(buffer, line, kept);
    }
    // A comma-separated file adds nothing, not the odd line that has a ";".
    while (!reading && state->group_count > first)
        RemoveGroupEntry(state, state->group_count - 1);
}

GroupEncoding DetectGroupEncoding(const unsigned char* start, size_t length)
{
    if (length >= 3 && start[0] == 0xEF && start[1] == 0xBB && start[2] == 0xBF)
        return GROUP_UTF8_BOM;
    if (length >= 2 && start[0] == 0xFF && start[1] == 0xFE)
        return GROUP_UTF16LE;
    if (length >= 2 && start[0] == 0xFE && start[1] == 0xFF)
        return GROUP_UTF16BE;
    return GROUP_BYTES;
}

int WriteGroupLines(const AppState* state, const GroupSink& sink)
{
    bool with_secure = false;
    for (int32_t i = 0; i < state->group_count; i++)
        with_secure = with_secure || state->group_list[i].secure;
    char line[GROUP_READ_BUFFER];
    int length = snprintf(line, sizeof line, "%s%s\n", GROUP_FILE_HEADER,
                          with_secure ? GROUP_FILE_SECURE_FIELD : "");
    if (!sink.write(sink.context, line, (size_t)length))
        return 2;
    for (int32_t i = 0; i < state->group_count; i++) {
        // Every field is bounded, so a line always fits.
        FormatGroupLine(state->group_list[i], line, sizeof line, with_secure);
        if (!sink.write(sink.context, line, strlen(line)))
            return 3;
    }
    return 0;
}
