// The parts of a group run decided from the record and the results alone.
#include "actions/group_action.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/port.h"
#include "core/text_compare.h"

namespace {

// Appends text when it fits whole; false (out unchanged) when it does not.
bool Append(char* out, size_t size, const char* text)
{
    size_t used = strlen(out);
    size_t length = strlen(text);
    if (used + length >= size)
        return false;
    memcpy(out + used, text, length + 1);
    return true;
}

bool Failed(const GroupResult& result)
{
    return !result.skipped && result.result < 0;
}

// Failed first, then skipped, then done.
int ResultRank(const GroupResult& result)
{
    return Failed(result) ? 0 : result.skipped ? 1 : 2;
}

int CompareEntries(const RemotePC* list, const GroupResult* results, int column, int32_t a,
                   int32_t b)
{
    switch (column) {
    case GROUP_COLUMN_COMPUTER:
        return CompareIgnoringCase(list[a].computer_name, list[b].computer_name);
    case GROUP_COLUMN_RESULT:
        return ResultRank(results[a]) - ResultRank(results[b]);
    default:
        return strcmp(results[a].reason, results[b].reason);
    }
}

}  // namespace

int GroupWorkerCount(int setting, int count)
{
    int width = IsValidGroupParallel(setting) ? setting : DEFAULT_GROUP_PARALLEL;
    if (width > count)
        width = count;
    return width < 1 ? 1 : width;
}

bool PrepareGroupEntry(const AppState* run, const RemotePC* pc, AppState* job)
{
    *job = *run;  // the sockets stay the job's own
    job->who = REMOTE_COMPUTER;
    job->quiet = 1;
    job->authenticated = 0;
    job->client_address[0] = '\0';
    job->probe.version[0] = job->probe.login[0] = '\0';
    job->group_list = nullptr;
    job->group_count = 0;
    job->request.by = REQUESTED_BY_GROUP;
    KeepLastGroupEntry(job, pc);
    job->remote.use_nt = pc->use_nt;
    job->remote.current_credentials = pc->current_credentials;
    // The run's -secure holds for every computer; the file can add it for some.
    if (pc->secure)
        job->remote.secure = 1;
    return TakePort(pc->port, &job->remote.port);
}

void FindRepeatedEntries(const RemotePC* list, int count, int32_t* earlier)
{
    for (int i = 0; i < count; i++) {
        earlier[i] = -1;
        int32_t port = 0;
        bool valid = TakePort(list[i].port, &port);
        for (int j = 0; valid && j < i && earlier[i] < 0; j++) {
            int32_t other = 0;
            if (earlier[j] < 0 && TakePort(list[j].port, &other) &&
                (list[i].use_nt != 0) == (list[j].use_nt != 0) &&
                (list[i].use_nt || port == other) &&
                EqualIgnoringCase(list[i].computer_name, list[j].computer_name))
                earlier[i] = j;
        }
    }
}

void KeepLastGroupEntry(AppState* state, const RemotePC* pc)
{
    // Both records have the same widths, so every copy fits.
    CopyField(state->remote.computer_name, pc->computer_name);
    CopyField(state->remote.mac_address, pc->mac_address);
    CopyField(state->remote.subnet_mask, pc->subnet_mask);
    CopyField(state->remote.password, pc->password);
    CopyField(state->remote.username, pc->username);
}

bool ShowsGroupResults(const AppState* state)
{
    return state->interactive && !state->quiet && !state->run_as_service;
}

void SkipGroupEntry(GroupResult* result)
{
    result->skipped = 1;
    result->result = 0;
    snprintf(result->reason, sizeof result->reason, "%s", "Cancelled before it began");
}

const char* GroupResultWord(const GroupResult* result)
{
    return Failed(*result) ? "failed" : result->skipped ? "skipped" : "ok";
}

bool SortGroupResults(const RemotePC* list, const GroupResult* results, int count, int column,
                      bool descending, int32_t* order)
{
    for (int i = 0; i < count; i++)
        order[i] = i;
    int32_t* scratch = (int32_t*)malloc(sizeof(int32_t) * (size_t)(count > 0 ? count : 1));
    if (!scratch)
        return false;
    // A merge sort keeps the ties in list order; runs of width 1, 2, 4...
    for (int width = 1; width < count; width *= 2) {
        for (int low = 0; low < count; low += 2 * width) {
            int middle = low + width < count ? low + width : count;
            int high = low + 2 * width < count ? low + 2 * width : count;
            int a = low, b = middle, out = low;
            while (a < middle || b < high) {
                bool take_b = false;
                if (a < middle && b < high) {
                    int compared = CompareEntries(list, results, column, order[a], order[b]);
                    take_b = descending ? compared < 0 : compared > 0;
                } else {
                    take_b = a >= middle;
                }
                scratch[out++] = take_b ? order[b++] : order[a++];
            }
        }
        memcpy(order, scratch, sizeof(int32_t) * (size_t)count);
    }
    free(scratch);
    return true;
}

void FormatGroupProgress(char* out, size_t size, int done, int count)
{
    int percent = count > 0 ? (int)((double)done / count * 100) : 100;
    snprintf(out, size, "%d%%", percent);
}

void FormatGroupEntryResult(char* out, size_t size, const RemotePC* pc, const GroupResult* result)
{
    if (Failed(*result))
        snprintf(out, size, "%s: failed (%s)", pc->computer_name,
                 result->reason[0] ? result->reason : "no reason given");
    else
        snprintf(out, size, "%s: done", pc->computer_name);
}

int FormatGroupSummary(char* out, size_t size, const RemotePC* list, const GroupResult* results,
                       int count, bool probe)
{
    int failed = 0, skipped = 0;
    for (int i = 0; i < count; i++) {
        failed += Failed(results[i]);
        skipped += results[i].skipped != 0;
    }
    snprintf(out, size, probe ? "Group check of %d computers: %d answered, %d failed"
                              : "Group action on %d computers: %d done, %d failed",
             count, count - failed - skipped, failed);
    if (skipped > 0) {
        char tail[48];
        snprintf(tail, sizeof tail, ", %d skipped (cancelled)", skipped);
        Append(out, size, tail);
    }
    const char* separator = ": ";
    for (int i = 0; i < count; i++) {
        if (!Failed(results[i]))
            continue;
        char name[sizeof list[i].computer_name + 2];
        snprintf(name, sizeof name, "%s%s", separator, list[i].computer_name);
        // Room is kept for ", ..." after the last name that fits.
        if (strlen(out) + strlen(name) + 5 >= size || !Append(out, size, name)) {
            Append(out, size, ", ...");
            break;
        }
        separator = ", ";
    }
    return failed;
}

void FormatGroupFailures(char* out, size_t size, const RemotePC* list, const GroupResult* results,
                         int count, int max_lines, bool with_ports, bool probe)
{
    snprintf(out, size, "The %s failed on these computers:", probe ? "check" : "action");
    int shown = 0, more = 0;
    for (int i = 0; i < count; i++) {
        if (!Failed(results[i]))
            continue;
        char port[16] = "";
        char line[sizeof list[i].computer_name + sizeof port + sizeof results[i].reason + 4];
        // As the run used it (0 or less stood for 3210), or as refused.
        int32_t number = list[i].port;
        TakePort(list[i].port, &number);
        if (with_ports)
            snprintf(port, sizeof port, ":%d", (int)number);
        snprintf(line, sizeof line, "\n%s%s: %s", list[i].computer_name, port,
                 results[i].reason[0] ? results[i].reason : "failed");
        // The tail line needs room too: about 40 characters.
        if (shown < max_lines && strlen(out) + strlen(line) + 40 < size && Append(out, size, line))
            shown++;
        else
            more++;
    }
    if (more > 0) {
        char tail[40];
        snprintf(tail, sizeof tail, "\nand %d more", more);
        Append(out, size, tail);
    }
}
