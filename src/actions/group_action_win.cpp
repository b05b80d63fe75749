// A group run: a pool of worker threads takes the computers in list order,
// each job on its own copy of the record, so that the record the main
// window, the triggers and the remote-control server use is never written
// from another thread. The results go back to the record on the thread that
// started the run.
#include <cstdlib>
#include <cstring>

#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "actions/group_action.h"
#include "actions/group_file.h"
#include "actions/run_report.h"
#include "core/app_state.h"
#include "core/messages.h"
#include "core/owned.h"
#include "core/report.h"
#include "remote/sockets.h"

namespace {

struct GroupRun {
    AppState record;  // the settings as they were when the run began
    RemotePC* list;   // the run's own copy of the group
    GroupResult* results;
    ReportRow* rows;   // the report's line of each entry
    int32_t* earlier;  // of each entry, an earlier one for the same computer, or -1
    volatile LONG* stage;  // of each entry, a GroupStage
    int count;
    int workers;
    HWND window;  // the main window: owner of reports, receiver of progress
    ActionCalls calls;
    volatile LONG next;
    volatile LONG finished;
    volatile LONG cancelled;  // no further computer is started
};

// The run under way. Set and cleared on the main window's thread only.
GroupRun* g_group_run = nullptr;

// Workers need little stack: the record, a few lines and the log's buffer.
const SIZE_T WORKER_STACK = 256 * 1024;

void FreeGroupRun(GroupRun* run)
{
    free(run->list);
    free(run->results);
    free(run->rows);
    free(run->earlier);
    free((void*)run->stage);
    free(run);
}

GroupRun* NewGroupRun(const ActionCalls& calls, HWND window, const AppState* state,
                      const RemotePC* list, int entries)
{
    GroupRun* run = (GroupRun*)calloc(1, sizeof(GroupRun));
    if (!run)
        return nullptr;
    // Allocated without constructors: the record holds no socket yet.
    run->record.server_socket = INVALID_SOCKET;
    run->record.client_socket = INVALID_SOCKET;
    run->record = *state;
    run->record.group_list = nullptr;
    run->count = entries;
    run->window = window;
    run->calls = calls;
    size_t count = (size_t)(run->count > 0 ? run->count : 0);
    run->list = (RemotePC*)malloc(sizeof(RemotePC) * (count ? count : 1));
    run->results = (GroupResult*)calloc(count ? count : 1, sizeof(GroupResult));
    run->rows = (ReportRow*)calloc(count ? count : 1, sizeof(ReportRow));
    run->earlier = (int32_t*)malloc(sizeof(int32_t) * (count ? count : 1));
    run->stage = (volatile LONG*)calloc(count ? count : 1, sizeof(LONG));
    if (!run->list || !run->results || !run->rows || !run->earlier || !run->stage) {
        FreeGroupRun(run);
        return nullptr;
    }
    if (count)
        memcpy(run->list, list, sizeof(RemotePC) * count);
    FindRepeatedEntries(run->list, run->count, run->earlier);
    run->workers = GroupWorkerCount(state->group_parallel, run->count);
    return run;
}

// One computer, checked as a single remote computer would be.
int RunGroupEntry(const ActionCalls& calls, HWND window, AppState* job, bool port_valid)
{
    if (!port_valid) {
        Error(job, window, "Invalid port specified (1-65535)");
        return -1;
    }
    char message[MESSAGE_SIZE] = "";
    if (SanityCheck(window, job, message)) {
        Error(job, window, message);
        return -1;
    }
    return HaltAll_Internal(calls, window, job);
}

void EnterStage(GroupRun* run, LONG i, GroupStage stage)
{
    InterlockedExchange(&run->stage[i], stage);
    if (run->record.interactive && run->window)
        PostMessage(run->window, WM_GROUP_ENTRY, (WPARAM)i, 0);
}

// The job of a computer on job, its prepared copy of the record: its
// result and the first problem reported for it.
void RunPreparedJob(const ActionCalls& calls, HWND window, AppState* job, bool port_valid,
                    GroupResult* result)
{
    // One silent server must not hold the run for a time-out per exchange.
    job->reply_budget_ms = g_group_reply_budget_ms;
    result->reason[0] = '\0';
    ProblemText problem = {result->reason, sizeof result->reason};
    CollectProblem(&problem);
    result->result = RunGroupEntry(calls, window, job, port_valid);
    CollectProblem(nullptr);
}

// One computer's job, on its own copy of the record.
void RunGroupJob(GroupRun* run, LONG i)
{
    AppState job;
    bool port_valid = PrepareGroupEntry(&run->record, &run->list[i], &job);
    EnterStage(run, i, STAGE_UNDER_WAY);
    WriteLog("Group entry %ld: %s", (long)i + 1, job.remote.computer_name);
    GroupResult* result = &run->results[i];
    DWORD started;
    StartReportTiming(&job, &run->rows[i], &started);
    RunPreparedJob(run->calls, run->window, &job, port_valid, result);
    EndReportRow(&job, result->result, result->reason, started, &run->rows[i]);
    EnterStage(run, i, STAGE_ENDED);
}

// A computer not started because the run was cancelled.
void SkipGroupJob(GroupRun* run, LONG i)
{
    AppState job;
    PrepareGroupEntry(&run->record, &run->list[i], &job);
    WriteLog("Group entry %ld: %s skipped: the run was cancelled", (long)i + 1,
             job.remote.computer_name);
    SkipGroupEntry(&run->results[i]);
    DWORD started;
    StartReportTiming(&job, &run->rows[i], &started);
    EndReportRow(&job, 0, run->results[i].reason, started, &run->rows[i]);
    run->rows[i].outcome = OUTCOME_SKIPPED;
    EnterStage(run, i, STAGE_ENDED);
}

DWORD WINAPI RunGroupJobs(LPVOID argument)
{
    GroupRun* run = (GroupRun*)argument;
    for (;;) {
        LONG i = InterlockedIncrement(&run->next) - 1;
        if (i >= run->count)
            break;
        if (run->earlier[i] >= 0) {
            // Its result is the earlier entry's, taken when the run ends.
            WriteLog("Group entry %ld: %s is listed again (entry %ld): handled once", (long)i + 1,
                     run->list[i].computer_name, (long)run->earlier[i] + 1);
        } else if (run->cancelled) {
            SkipGroupJob(run, i);
        } else {
            RunGroupJob(run, i);
        }
        LONG done = InterlockedIncrement(&run->finished);
        if (run->record.interactive && run->window)
            PostMessage(run->window, WM_GROUP_PROGRESS, (WPARAM)done, (LPARAM)run->count);
    }
    return 0;
}

GroupRunView ViewOf(const GroupRun* run)
{
    return {&run->record, run->list,  run->results,        run->rows,
            run->stage,   run->count, run->cancelled != 0};
}

// Reports the results, hands them to the record, lets show see them and
// ends the run.
void EndGroupRun(HWND window, AppState* state, GroupRun* run, ShowGroupResults show)
{
    for (int i = 0; i < run->count; i++) {
        if (run->earlier[i] >= 0) {
            run->results[i] = run->results[run->earlier[i]];
            // The same computer, as this entry writes its name.
            run->rows[i] = run->rows[run->earlier[i]];
            CopyField(run->rows[i].computer, run->list[i].computer_name);
            ReportTextToUtf8(run->rows[i].computer, sizeof run->rows[i].computer);
        }
        char line[512];
        FormatGroupEntryResult(line, sizeof line, &run->list[i], &run->results[i]);
        WriteLog("%s", line);
    }
    char summary[4000];
    int failed = FormatGroupSummary(summary, sizeof summary, run->list, run->results, run->count,
                                    run->record.probe.on != 0);
    if (failed) {
        // Every failed computer with its port and reason, as far as an event
        // holds them; the summary follows, as it always read.
        char failures[4000];
        FormatGroupFailures(failures, sizeof failures, run->list, run->results, run->count,
                            run->count, true, run->record.probe.on != 0);
        WriteEvent(state, EVENT_ERROR, EVENT_GROUP_FAILURES, "%s", failures);
    }
    WriteEvent(state, failed ? EVENT_ERROR : run->cancelled ? EVENT_WARNING : EVENT_INFORMATION,
               EVENT_GROUP_SUMMARY, "%s", summary);
    // A retry's report would replace the whole run's with its few rows.
    if (run->record.report_file[0])
        WriteRunReport(state, window, run->rows, run->count);

    if (failed)
        NoteResult(state, -1);
    if (run->cancelled)
        NoteCancelled(state);
    state->who = REMOTE_GROUP;
    state->wait_left = 60;
    if (run->count > 0)
        KeepLastGroupEntry(state, &run->list[run->count - 1]);
    g_group_run = nullptr;
    if (show)
        show(window, state, ViewOf(run));
    FreeGroupRun(run);
}

}  // namespace

void RunOnWorkers(int workers, LPTHREAD_START_ROUTINE procedure, void* argument)
{
    // This thread is one of the workers; the others are started beside it.
    OwnedHandle helpers[MAX_GROUP_PARALLEL];
    HANDLE waiting[MAX_GROUP_PARALLEL];
    int started = 0;
    for (int i = 1; i < workers && i < MAX_GROUP_PARALLEL; i++) {
        HANDLE thread = CreateThread(nullptr, WORKER_STACK, procedure, argument,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!thread) {
            WriteLog("Only %d workers could be started", started + 1);
            break;
        }
        helpers[started].reset(thread);
        waiting[started++] = thread;
    }
    procedure(argument);
    if (started > 0)
        WaitForMultipleObjects((DWORD)started, waiting, TRUE, INFINITE);
}

void CheckGroupComputer(const AppState* settings, const RemotePC* pc, AppState* job,
                        GroupResult* result)
{
    bool port_valid = PrepareGroupEntry(settings, pc, job);
    job->probe.on = 1;
    RunPreparedJob(SystemActionCalls(), nullptr, job, port_valid, result);
}

DWORD WINAPI HaltallGroup(LPVOID argument)
{
    GroupRun* run = (GroupRun*)argument;
    WriteLog("HaltallGroup start, count=%d, workers=%d", run->count, run->workers);
    RunOnWorkers(run->workers, RunGroupJobs, run);
    WriteLog("HaltallGroup end");
    if (run->record.interactive)
        PostMessage(run->window, WM_GROUP_DONE, 0, (LPARAM)run);
    return 0;
}

namespace {

void StartGroupRun(const ActionCalls& calls, HWND window, AppState* state,
                   const AppState* settings, const RemotePC* list, int count)
{
    if (g_group_run) {
        WriteLog("HaltallGroup refused: a group action is already running");
        return;
    }
    GroupRun* run = NewGroupRun(calls, window, settings, list, count);
    if (!run) {
        Error(state, window, "Not enough memory for the group action");
        return;
    }
    state->wait_left = 60;
    g_group_run = run;
    if (!state->interactive || !window) {
        run->record.interactive = 0;
        HaltallGroup(run);
        EndGroupRun(window, state, run, nullptr);
        return;
    }

    SendMessage(window, WM_GROUP_PROGRESS, 0, (LPARAM)run->count);
    OwnedHandle thread(CreateThread(nullptr, 0, HaltallGroup, run, 0, nullptr));
    if (thread)
        return;
    DisplayLastError(state, window);
    // Nothing ran: every computer counts as failed.
    for (int i = 0; i < run->count; i++) {
        run->results[i].result = -1;
        CopyField(run->results[i].reason, "the group action could not be started");
        AppState job;
        DWORD started;
        PrepareGroupEntry(&run->record, &run->list[i], &job);
        StartReportTiming(&job, &run->rows[i], &started);
        EndReportRow(&job, -1, run->results[i].reason, started, &run->rows[i]);
    }
    PostMessage(window, WM_GROUP_DONE, 0, (LPARAM)run);
}

}  // namespace

void StartGroupAction(const ActionCalls& calls, HWND window, AppState* state)
{
    StartGroupRun(calls, window, state, state, state->group_list, state->group_count);
}

void StartGroupRetry(const ActionCalls& calls, HWND window, AppState* state,
                     const AppState* settings, const RemotePC* list, int count)
{
    WriteLog("Group action again on the %d computers that failed", count);
    AppState again = *settings;
    again.report_file[0] = '\0';
    StartGroupRun(calls, window, state, &again, list, count);
}

bool ViewGroupRun(GroupRunView* view)
{
    if (!g_group_run || !g_group_run->record.interactive)
        return false;
    *view = ViewOf(g_group_run);
    return true;
}

bool CancelGroupAction()
{
    if (!g_group_run || g_group_run->cancelled)
        return false;
    InterlockedExchange(&g_group_run->cancelled, 1);
    WriteLog("Group action cancelled: the computers not yet started are skipped");
    return true;
}

void FinishGroupAction(HWND window, AppState* state, LPARAM run, ShowGroupResults show)
{
    EndGroupRun(window, state, (GroupRun*)run, show);
}
