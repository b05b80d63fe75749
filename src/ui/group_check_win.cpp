// The editor's check: a thread of its own runs the computers of a copy of
// the list on workers; each entry is written by one worker only and read by
// the dialog's thread once its stage says it is whole.
#include "ui/group_check.h"

#include <cstdlib>
#include <cstring>

#include "actions/group_action.h"
#include "actions/group_file.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/owned.h"
#include "core/report.h"

struct CheckEntry {
    RemotePC pc;
    GroupResult result;
    char version[32];
    char login[12];
    volatile LONG stage;  // a CheckStage
};

struct GroupCheck {
    HWND dialog;
    AppState settings;  // quiet: what goes wrong shows in the status column
    CheckEntry* entries;
    int count;
    int workers;
    volatile LONG next;
    volatile LONG done;
    volatile LONG cancelled;
    volatile LONG running;
    OwnedHandle thread;
};

namespace {

void EnterStage(GroupCheck* check, LONG i, CheckStage stage)
{
    InterlockedExchange(&check->entries[i].stage, stage);
    PostMessageA(check->dialog, WM_CHECK_ENTRY, (WPARAM)i, 0);
}

DWORD WINAPI CheckJobs(LPVOID argument)
{
    GroupCheck* check = (GroupCheck*)argument;
    for (;;) {
        LONG i = InterlockedIncrement(&check->next) - 1;
        if (i >= check->count)
            break;
        CheckEntry& entry = check->entries[i];
        if (check->cancelled) {
            EnterStage(check, i, CHECK_SKIPPED);
        } else {
            EnterStage(check, i, CHECK_UNDER_WAY);
            AppState job;
            CheckGroupComputer(&check->settings, &entry.pc, &job, &entry.result);
            CopyField(entry.version, job.probe.version);
            CopyField(entry.login, job.probe.login);
            EnterStage(check, i, CHECK_DONE);
        }
        InterlockedIncrement(&check->done);
    }
    return 0;
}

DWORD WINAPI RunCheck(LPVOID argument)
{
    GroupCheck* check = (GroupCheck*)argument;
    WriteLog("Group check start, count=%d, workers=%d", check->count, check->workers);
    RunOnWorkers(check->workers, CheckJobs, check);
    WriteLog("Group check end");
    InterlockedExchange(&check->running, 0);
    PostMessageA(check->dialog, WM_CHECK_ENDED, 0, 0);
    return 0;
}

}  // namespace

GroupCheck* StartGroupCheck(HWND dialog, AppState* state, const RemotePC* list, int count)
{
    GroupCheck* check = (GroupCheck*)calloc(1, sizeof(GroupCheck));
    CheckEntry* entries = (CheckEntry*)calloc((size_t)(count > 0 ? count : 1), sizeof(CheckEntry));
    if (!check || !entries) {
        free(check);
        free(entries);
        Error(state, dialog, "Not enough memory for the check");
        return nullptr;
    }
    // Allocated without constructors: the record holds no socket yet, and
    // the zeroed handle is an empty one.
    check->settings.server_socket = INVALID_SOCKET;
    check->settings.client_socket = INVALID_SOCKET;
    check->settings = *state;
    check->settings.quiet = 1;
    check->settings.group_list = nullptr;
    check->dialog = dialog;
    check->entries = entries;
    check->count = count;
    check->workers = GroupWorkerCount(state->group_parallel, count);
    for (int i = 0; i < count; i++)
        entries[i].pc = list[i];
    check->running = 1;
    check->thread.reset(CreateThread(nullptr, 0, RunCheck, check, 0, nullptr));
    if (!check->thread) {
        DisplayLastError(state, dialog);
        FreeGroupCheck(check);
        return nullptr;
    }
    return check;
}

void CancelGroupCheck(GroupCheck* check)
{
    if (check && check->running && !check->cancelled) {
        InterlockedExchange(&check->cancelled, 1);
        WriteLog("Group check cancelled: the computers not yet started are not checked");
    }
}

bool GroupCheckRunning(const GroupCheck* check)
{
    return check && check->running;
}

void JoinGroupCheck(GroupCheck* check)
{
    if (check && check->thread) {
        WaitForSingleObject(check->thread.get(), INFINITE);
        check->thread.reset();
    }
}

void FreeGroupCheck(GroupCheck* check)
{
    if (!check)
        return;
    CancelGroupCheck(check);
    JoinGroupCheck(check);
    free(check->entries);
    free(check);
}

void GroupCheckStatus(const GroupCheck* check, int row, const RemotePC& pc, char* out, size_t size)
{
    out[0] = '\0';
    if (!check || row < 0 || row >= check->count)
        return;
    const CheckEntry& entry = check->entries[row];
    if (strcmp(entry.pc.computer_name, pc.computer_name) != 0 || entry.pc.port != pc.port ||
        entry.pc.use_nt != pc.use_nt)
        return;
    FormatCheckStatus(out, size, entry.stage, &entry.result, entry.version, entry.login);
}

void GroupCheckProgress(const GroupCheck* check, char* out, size_t size)
{
    FormatCheckProgress(out, size, check->done, check->count, check->cancelled != 0);
}
