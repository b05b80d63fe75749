#include "core/app_state.h"

#include <cstdio>
#include <cstring>

#include "core/clock.h"
#include "core/log.h"
#include "core/log_mask.h"
#include "core/reason_code.h"

namespace {

const char* const action_texts[] = {"LOGOFF",      "REBOOT",     "SHUTDOWN",   "POWEROFF",
                                    "STANDBY",     "HIBERNATE",  "LOCK",       "WAKE_ON_LAN",
                                    "MONITOR_OFF", "MONITOR_ON", "NO_ACTION",   "ABORT"};
const char* const who_texts[] = {"LOCAL_COMPUTER", "REMOTE_COMPUTER", "REMOTE_GROUP"};
const char* const when_texts[] = {"IMMEDIATE", "SCHEDULED", "PROCESS", "IDLE"};
const char* const schedule_texts[] = {"FIXED_DAY", "DAILY", "DAY_OF_MONTH", "AFTER_X_SECONDS"};

template <size_t N> const char* TextOf(const char* const (&texts)[N], int32_t value)
{
    return value >= 0 && (size_t)value < N ? texts[value] : "UNKNOWN";
}

}  // namespace

const char* ActionText(int32_t action) { return TextOf(action_texts, action); }
const char* WhoText(int32_t who) { return TextOf(who_texts, who); }
const char* WhenText(int32_t when) { return TextOf(when_texts, when); }
const char* ScheduleKindText(int32_t kind) { return TextOf(schedule_texts, kind); }

Flag* WeekdayFlags(AppState* state, int index)
{
    Flag* days[] = {&state->schedule.monday,   &state->schedule.tuesday, &state->schedule.wednesday,
                    &state->schedule.thursday, &state->schedule.friday,  &state->schedule.saturday,
                    &state->schedule.sunday};
    return days[index];
}

Flag* WeekFlags(AppState* state, int index)
{
    Flag* weeks[] = {&state->schedule.week1, &state->schedule.week2, &state->schedule.week3,
                     &state->schedule.week4, &state->schedule.week5};
    return weeks[index];
}

bool CopyField(char* field, size_t size, const char* text)
{
    size_t len = strlen(text);
    if (len >= size)
        return false;
    memcpy(field, text, len + 1);
    return true;
}

const char* IdleSettingsProblem(long minutes, long cpu_percent, long net_kbps)
{
    if (minutes < MIN_IDLE_MINUTES || minutes > MAX_IDLE_MINUTES)
        return "Invalid idle time specified (1-1440 minutes)";
    if (cpu_percent < 0 || cpu_percent > MAX_IDLE_CPU_PERCENT)
        return "Invalid processor load specified (1-100 %)";
    if (net_kbps < 0 || net_kbps > MAX_IDLE_NET_KBPS)
        return "Invalid network traffic specified (1-1000000 KB/s)";
    return nullptr;
}

void (*g_close_record_socket)(SOCKET socket) = nullptr;

void SetDefaultSettings(AppState* state)
{
    // Whatever sockets the record held are the caller's to close.
    memset((void*)state, 0, sizeof *state);
    state->action = POWEROFF;
    state->who = LOCAL_COMPUTER;
    state->when = IMMEDIATE;
    state->interactive = 1;
    state->server_socket = INVALID_SOCKET;
    state->client_socket = INVALID_SOCKET;
    CopyField(state->remote.mac_address, "000000000000");
    state->remote.port = DEFAULT_PORT;
    state->remote.current_credentials = 1;
    state->remote_control.port = DEFAULT_PORT;
    state->schedule.schedule = FIXED_DAY;
    state->schedule.time.wHour = NO_TIME_HOUR;
    GetLocalNow(&state->schedule.date);
    state->schedule.date.wYear = 0;
    for (int i = 0; i < 5; i++)
        *WeekFlags(state, i) = 1;
    state->schedule.day = 1;
    state->options.in_tray = 1;
    state->options.allow_cancel = 1;
    state->options.allow_postpone = 1;
    state->idle.minutes = DEFAULT_IDLE_MINUTES;
    state->postpone.minutes = DEFAULT_POSTPONE_MINUTES;
    state->options.confirm_quick_actions = 1;
    state->warning.seconds = 30;  // "Warning message" alone gives time to react
    state->group_parallel = DEFAULT_GROUP_PARALLEL;
}

void ResetSettings(AppState* state)
{
    AppState run = *state;
    // A copy holds no sockets: they stay where they are.
    SOCKET server = state->server_socket, client = state->client_socket;
    SetDefaultSettings(state);
    state->interactive = run.interactive;
    state->active_timer = run.active_timer;
    state->simulate = run.simulate;
    state->start_minimized = run.start_minimized;
    state->run_as_service = run.run_as_service;
    memcpy(state->executable, run.executable, sizeof state->executable);
    state->server_socket = server;
    state->client_socket = client;
    state->authenticated = run.authenticated;
    state->quiet = run.quiet;
    state->remaining_seconds = run.remaining_seconds;
    state->fired_minute = run.fired_minute;
    state->postpone.seconds_left = run.postpone.seconds_left;
    state->idle.previous = run.idle.previous;
    state->idle.quiet_ms = run.idle.quiet_ms;
    state->wait_left = run.wait_left;
    state->exit_code = run.exit_code;
    state->request = run.request;
    state->group_list = run.group_list;
    state->group_count = run.group_count;
    memcpy(state->group_file, run.group_file, sizeof state->group_file);
    memcpy(state->report_file, run.report_file, sizeof state->report_file);
    state->probe.on = run.probe.on;
    state->group_modified = run.group_modified;
    state->os_version = run.os_version;
    state->firmware_type = run.firmware_type;
}

void NoteResult(AppState* state, int result)
{
    if (result < 0)
        state->exit_code = EXIT_CODE_FAILED;
}

void FormatRequest(const AppState* state, char* out, size_t size)
{
    const char* by = "the user";
    char remote[sizeof state->request.address + 32];
    switch (state->request.by) {
    case REQUESTED_BY_USER:
        break;
    case REQUESTED_BY_TRIGGER:
        by = state->when == SCHEDULED ? "the schedule"
             : state->when == PROCESS ? "the process watch"
             : state->when == IDLE    ? "the idle trigger"
                                      : "the user";  // a postponed immediate action
        break;
    case REQUESTED_BY_REMOTE:
        snprintf(remote, sizeof remote, "remote control from %s", state->request.address);
        by = remote;
        break;
    case REQUESTED_BY_GROUP:
        by = "a group run";
        break;
    }
    snprintf(out, size, "Action requested by %s%s", by, state->simulate ? " (simulated)" : "");
}

void NoteCancelled(AppState* state)
{
    if (state->exit_code == EXIT_CODE_SUCCESS)
        state->exit_code = EXIT_CODE_CANCELLED;
}

const char* GetModeStr(AppState* state)
{
    static char str[32];
    WriteLog("GetModeStr start");
    snprintf(str, sizeof str, "%s%s", state->options.force ? "FORCE " : "", ActionText(state->action));
    WriteLog("GetModeStr end, str=%s", str);
    return str;
}

void DebugSettings(AppState* state)
{
    WriteLog("DebugSettings start");
    WriteLog("action=%s", ActionText(state->action));
    WriteLog("who=%s", WhoText(state->who));
    WriteLog("when=%s", WhenText(state->when));
    WriteLog("interactive=%d", state->interactive);
    WriteLog("active_timer=%u", state->active_timer);
    WriteLog("simulate=%d", state->simulate);
    WriteLog("start_minimized=%d", state->start_minimized);
    WriteLog("run_as_service=%d", state->run_as_service);
    WriteLog("executable=%s", state->executable);
    WriteLog("authenticated=%d", state->authenticated);
    WriteLog("quiet=%d", state->quiet);
    WriteLog("remaining_seconds=%d", (int)state->remaining_seconds);
    WriteLog("remote.computer_name=%s", state->remote.computer_name);
    WriteLog("remote.mac_address=%s", state->remote.mac_address);
    WriteLog("remote.ip_address=%s", state->remote.ip_address);
    WriteLog("remote.subnet_mask=%s", state->remote.subnet_mask);
    WriteLog("remote.use_nt=%d", state->remote.use_nt);
    WriteLog("remote.port=%d", state->remote.port);
    WriteLog("remote.save_password=%d", state->remote.save_password);
    WriteLog("remote.password=%s", state->remote.password[0] ? LOG_MASK : "");
    WriteLog("remote.schedule_remote=%d", state->remote.schedule_remote);
    WriteLog("remote.current_credentials=%d", state->remote.current_credentials);
    WriteLog("remote.username=%s", state->remote.username);
    WriteLog("remote_control.port=%d", state->remote_control.port);
    WriteLog("remote_control.password=%s", state->remote_control.password[0] ? LOG_MASK : "");
    WriteLog("remote_control.verifier=%s", state->remote_control.verifier[0] ? LOG_MASK : "");
    WriteLog("remote_control.secure_only=%d", state->remote_control.secure_only);
    WriteLog("remote_control.allow=%s", state->remote_control.allow);
    WriteLog("remote.secure=%d", state->remote.secure);
    WriteLog("warning.seconds=%d", state->warning.seconds);
    WriteLog("warning.message=%s", state->warning.message);
    WriteLog("warning.play_sound=%d", state->warning.play_sound);
    WriteLog("warning.sound_file=%s", state->warning.sound_file);
    WriteLog("program.program=%s", state->program.program);
    WriteLog("program.directory=%s", state->program.directory);
    WriteLog("schedule.schedule=%s", ScheduleKindText(state->schedule.schedule));
    static const char* const day_names[] = {"monday", "tuesday", "wednesday", "thursday",
                                            "friday", "saturday", "sunday"};
    for (int i = 0; i < 7; i++)
        WriteLog("schedule.%s=%d", day_names[i], *WeekdayFlags(state, i));
    for (int i = 0; i < 5; i++)
        WriteLog("schedule.week%d=%d", i + 1, *WeekFlags(state, i));
    WriteLog("schedule.day=%u", state->schedule.day);
    WriteLog("schedule.seconds=%u", state->schedule.seconds);
    WriteLog("schedule.wait=%d", state->schedule.wait);
    WriteLog("process.process=%s", state->process.process);
    WriteLog("idle.minutes=%d", state->idle.minutes);
    WriteLog("idle.cpu_percent=%d", state->idle.cpu_percent);
    WriteLog("idle.net_kbps=%d", state->idle.net_kbps);
    WriteLog("postpone.minutes=%d", state->postpone.minutes);
    WriteLog("postpone.seconds_left=%u", state->postpone.seconds_left);
    WriteLog("options.warning=%d", state->options.warning);
    WriteLog("options.run_program=%d", state->options.run_program);
    WriteLog("options.force=%d", state->options.force);
    WriteLog("options.in_tray=%d", state->options.in_tray);
    WriteLog("options.allow_cancel=%d", state->options.allow_cancel);
    WriteLog("options.allow_remote_control=%d", state->options.allow_remote_control);
    WriteLog("options.allow_postpone=%d", state->options.allow_postpone);
    WriteLog("options.confirm_quick_actions=%d", state->options.confirm_quick_actions);
    WriteLog("group_parallel=%d", state->group_parallel);
    WriteLog("power.hybrid=%d", state->power.hybrid);
    WriteLog("power.restart_apps=%d", state->power.restart_apps);
    WriteLog("power.firmware=%d", state->power.firmware);
    WriteLog("power.boot_options=%d", state->power.boot_options);
    WriteLog("power.reason=%s", state->power.reason);
    char code[REASON_CODE_TEXT_SIZE];
    ReasonCodeText(state->power.reason_code, code, sizeof code);
    WriteLog("power.reason_code=%s", code);
    WriteLog("DebugSettings end");
}
