#include "actions/group_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/log.h"

namespace {

// Copies the text up to the next ";" (or the end) into field; false when it
// does not fit. Moves *at past the separator.
bool TakeField(const char** at, char* field, size_t size)
{
    size_t len = strcspn(*at, ";");
    bool fits = len < size;
    if (fits) {
        memcpy(field, *at, len);
        field[len] = '\0';
    }
    *at += len;
    if (**at == ';')
        (*at)++;
    return fits;
}

bool TakeNumber(const char** at, int32_t* value)
{
    char text[32] = "";
    size_t len = strcspn(*at, ";");
    memcpy(text, *at, len < sizeof text ? len : sizeof text - 1);
    *value = atoi(text);
    *at += len;
    if (**at == ';')
        (*at)++;
    return true;
}

}  // namespace

bool ParseGroupLine(const char* line, RemotePC* pc)
{
    size_t len = strcspn(line, "#");
    size_t separators = 0;
    for (size_t i = 0; i < len; i++)
        separators += line[i] == ';';
    if (separators < 7)
        return false;

    char* copy = (char*)malloc(len + 1);
    if (!copy)
        return false;
    memcpy(copy, line, len);
    copy[len] = '\0';

    // The password is the eighth field; anything after a further ";" is dropped.
    const char* at = copy;
    int32_t use_nt = 0, current_credentials = 0;
    RemotePC parsed = {};
    bool ok = TakeField(&at, parsed.computer_name, sizeof parsed.computer_name) &&
              TakeField(&at, parsed.mac_address, sizeof parsed.mac_address) &&
              TakeField(&at, parsed.subnet_mask, sizeof parsed.subnet_mask) &&
              TakeNumber(&at, &parsed.port) && TakeNumber(&at, &use_nt) &&
              TakeNumber(&at, &current_credentials) &&
              TakeField(&at, parsed.username, sizeof parsed.username) &&
              TakeField(&at, parsed.password, sizeof parsed.password);
    free(copy);
    if (!ok) {
        WriteLog("GroupAddFromFile: field too long, line skipped");
        return false;
    }
    parsed.use_nt = (int16_t)use_nt;
    parsed.current_credentials = (int16_t)current_credentials;
    *pc = parsed;
    return true;
}

bool FormatGroupLine(const RemotePC& pc, char* out, size_t size)
{
    int written = snprintf(out, size, "%s;%s;%s;%d;%d;%d;%s;%s\n", pc.computer_name,
                           pc.mac_address, pc.subnet_mask, pc.port, pc.use_nt,
                           pc.current_credentials, pc.username, pc.password);
    return written >= 0 && (size_t)written < size;
}

void AddRemotePC(HWND window, AppState* state, const RemotePC* pc, int update_mode)
{
    RemotePC* grown = (RemotePC*)realloc(state->group_list,
                                         sizeof(RemotePC) * (size_t)(state->group_count + 1));
    if (!grown)
        abort();
    state->group_list = grown;
    state->group_list[state->group_count++] = *pc;
    state->group_modified = 1;
}

void FreeGroupList(AppState* state)
{
    free(state->group_list);
    state->group_list = nullptr;
    state->group_count = 0;
}

int GroupAddFromFile(HWND window, AppState* state, const char* line)
{
    RemotePC pc;
    if (ParseGroupLine(line, &pc))
        AddRemotePC(window, state, &pc, 0);
    return 0;
}
