// "Do it": validate, then hand the job over, arm a trigger or act now.
#include <cstdio>

#include "actions/action_calls.h"
#include "actions/dispatch.h"
#include "actions/group_action.h"
#include "actions/local_actions.h"
#include "actions/remote_shutdown.h"
#include "actions/run_report.h"
#include "actions/wake_on_lan.h"
#include "core/action_words.h"
#include "core/app_state.h"
#include "core/messages.h"
#include "core/report.h"
#include "remote/client_protocol.h"
#include "triggers/trigger_table.h"

namespace {

HCURSOR ShowWaitCursor()
{
    return SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

// One remote computer's line of the run's report, from its start to its
// result, with the first problem reported meanwhile.
struct ReportedRun {
    ReportRow row;
    DWORD started;
    char reason[sizeof row.error];
    ProblemText problem;
};

void StartReportedRun(AppState* state, ReportedRun* run)
{
    state->client_address[0] = '\0';
    StartReportTiming(state, &run->row, &run->started);
    run->reason[0] = '\0';
    run->problem = {run->reason, sizeof run->reason};
    CollectProblem(&run->problem);
}

void EndReportedRun(AppState* state, HWND window, ReportedRun* run, int result)
{
    CollectProblem(nullptr);
    EndReportRow(state, result, run->reason, run->started, &run->row);
    WriteRunReport(state, window, &run->row, 1);
}

}  // namespace

int DoIt(const ActionCalls& calls, HWND window, AppState* state)
{
    WriteLog("DoIt start");
    char message[MESSAGE_SIZE] = "";
    if (SanityCheck(window, state, message)) {
        Error(state, window, message, EVENT_SETTINGS_ERROR);
        NoteResult(state, -2);
        WriteLog("DoIt end, settings refused");
        return -2;
    }

    int result = 0;
    switch (ChooseDoItRoute(state)) {
    case ROUTE_HAND_OVER: {
        // The copy on the remote computer does the scheduling or the
        // process watch itself.
        HCURSOR previous = ShowWaitCursor();
        ReportedRun reported;
        StartReportedRun(state, &reported);
        int ret = SendRemoteCommand(window, state, message);
        SetCursor(previous);
        if (ret == -2)
            Error(state, window, message);
        EndReportedRun(state, window, &reported, ret);
        if (ret < 0) {
            // An unreachable computer was reported where the connection failed.
            NoteResult(state, ret);
            WriteLog("DoIt end, not handed over");
            return -1;
        }
        break;
    }
    case ROUTE_ACT_NOW: {
        HCURSOR previous = ShowWaitCursor();
        HaltAll(calls, window, state);
        SetCursor(previous);
        // Postponed at the warning: the action waits in the tray.
        if (state->postpone.seconds_left)
            result = DOIT_ARMED;
        break;
    }
    case ROUTE_ARM_TRIGGER: {
        const Trigger* trigger = TriggerFor(state->when);
        if (const char* problem = trigger->arm(state)) {
            Error(state, window, problem);
            NoteResult(state, -2);
            WriteLog("DoIt end, not armed: %s", problem);
            return -2;
        }
        state->active_timer = (uint32_t)SetTimer(window, trigger->timer, 1000, nullptr);
        result = DOIT_ARMED;
        break;
    }
    case ROUTE_NONE:
        break;
    }
    WriteLog("DoIt end");
    return result;
}

int HaltAll(const ActionCalls& calls, HWND window, AppState* state)
{
    WriteLog("HaltAll start");
    if (state->who != REMOTE_GROUP) {
        ReportedRun reported;
        if (state->who == REMOTE_COMPUTER)
            StartReportedRun(state, &reported);
        int result = HaltAll_Internal(calls, window, state);
        if (state->who == REMOTE_COMPUTER)
            EndReportedRun(state, window, &reported, result);
        WriteLog("HaltAll end, result=%d", result);
        return result;
    }
    StartGroupAction(calls, window, state);
    WriteLog("HaltAll end");
    return 0;
}

namespace {

// Checks one computer instead of acting on it: 0 it answered (and took the
// login), -1 otherwise (reported).
int ProbeComputer(HWND window, AppState* state)
{
    state->probe.version[0] = state->probe.login[0] = '\0';
    if (!SendsToRemoteCopy(state)) {
        Error(state, window,
              "Only computers reached by this program's own protocol can be checked",
              EVENT_SETTINGS_ERROR);
        return -1;
    }
    char message[MESSAGE_SIZE] = "";
    ProbeFindings found;
    int result = ProbeServer(window, state, message, &found);
    FormatVersionNumber(found.version, state->probe.version, sizeof state->probe.version);
    if (found.login_tried)
        CopyField(state->probe.login, found.login_accepted ? "accepted" : "refused");
    if (result == -2)
        Error(state, window, message);
    WriteLog("Checked %s: result=%d, version=%s, login=%s", state->remote.computer_name, result,
             state->probe.version, state->probe.login[0] ? state->probe.login : "not tried");
    return result < 0 ? -1 : 0;
}

// HaltAll_Internal without the run's result.
int PerformAction(const ActionCalls& calls, HWND window, AppState* state)
{
    state->wait_left = 60;
    WriteLog("who=%d, use_nt=%d, action=%d", state->who, state->remote.use_nt, state->action);

    if (state->probe.on)
        return ProbeComputer(window, state);

    if (SendsToRemoteCopy(state)) {
        char message[MESSAGE_SIZE] = "";
        int ret = SendRemoteCommand(window, state, message);
        if (ret == 0) {
            WriteLog("HaltAll_Internal end, sent");
            return 0;
        }
        WriteLog("ret=%d", ret);
        if (ret == -2)
            Error(state, window, message);
        WriteLog("HaltAll_Internal end, not sent");
        return -1;
    }

    if (state->os_version.dwPlatformId == PLATFORM_WINDOWS_NT && AquirePrivileges(window, state)) {
        WriteLog("HaltAll_Internal end, no privilege");
        return -1;
    }

    const PowerCalls& power = calls.power;
    int result;
    switch (ChooseOperation(state->action, state->who)) {
    case OP_EXIT_WINDOWS:
        result = DoExitWindowsEx(power, window, state);
        break;
    case OP_INITIATE_SYSTEM_SHUTDOWN:
        result = DoInitiateSystemShutdown(calls.remote_shutdown, window, state);
        break;
    case OP_SET_SYSTEM_POWER_STATE:
        result = DoSetSystemPowerState(power, window, state);
        break;
    case OP_LOCK_WORKSTATION:
        result = DoLockWorkstation(power, window, state);
        break;
    case OP_WAKE_ON_LAN:
        result = DoWOL(window, state);
        break;
    case OP_TURN_OFF_MONITOR:
        result = DoTurnOffMonitor(power, window, state);
        break;
    case OP_NO_ACTION:
        result = DoNoAction(window, state);
        break;
    case OP_ABORT_SYSTEM_SHUTDOWN:
        result = DoAbortSystemShutdown(calls.remote_shutdown, window, state);
        break;
    default:
        WriteLog("No operation for action %d", state->action);
        result = -1;
        break;
    }
    WriteLog("HaltAll_Internal end, result=%d", result);
    return result;
}

}  // namespace

int HaltAll_Internal(const ActionCalls& calls, HWND window, AppState* state)
{
    WriteLog("HaltAll_Internal start");
    int result = PerformAction(calls, window, state);
    NoteResult(state, result);
    return result;
}

bool ConfirmAction(HWND owner, const AppState* state)
{
    char question[MESSAGE_SIZE];
    ActionQuestion(state, question, sizeof question);
    return MessageBoxA(owner, question, "Haltall",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2 | MB_SETFOREGROUND) == IDYES;
}

void DoQuickAction(const ActionCalls& calls, AppState* state, int action)
{
    WriteLog("DoQuickAction start, action=%d", action);
    // The question names this computer, whatever the window had chosen.
    AppState asked = *state;
    asked.action = (Action)action;
    asked.who = LOCAL_COMPUTER;
    if (state->options.confirm_quick_actions && !ConfirmAction(nullptr, &asked)) {
        WriteLog("DoQuickAction end, not confirmed");
        return;
    }

    state->action = (Action)action;
    state->when = IMMEDIATE;
    state->who = LOCAL_COMPUTER;
    state->options.warning = 0;
    state->options.run_program = 0;
    HaltAll(calls, g_main_window, state);
    WriteLog("DoQuickAction end");
}
