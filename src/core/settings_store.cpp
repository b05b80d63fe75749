#include "core/settings_store.h"

#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/clock.h"
#include "core/log.h"
#include "core/port.h"

namespace {

enum ValueKind {
    NUMBER,       // 32-bit field
    PORT,         // 32-bit port: read above 65535 it falls back to 3210
    SHORT_FLAG,   // 16-bit flag, stored widened with its sign
    TEXT,         // fixed text field, read with its width
    PASSWORD,     // remote.password: stored only when save_password is set
    TIME,         // schedule.time as "hh:mm"
    DATE,         // schedule.date as "d/m/y"
    DEBUG_FLAG,   // read only: the low 16 bits become the debug flag
};

struct Value {
    const char* name;
    ValueKind kind;
    void* (*field)(AppState* state);
    size_t size;  // TEXT and PASSWORD only
};

#define FIELD(expr) [](AppState* s) -> void* { return &s->expr; }
#define TEXT_FIELD(name, expr) {name, TEXT, FIELD(expr), sizeof(((AppState*)nullptr)->expr)}

// In the order they are written.
const Value values[] = {
    {"action", NUMBER, FIELD(action), 0},
    {"who", NUMBER, FIELD(who), 0},
    {"when", NUMBER, FIELD(when), 0},
    TEXT_FIELD("computer_name", remote.computer_name),
    TEXT_FIELD("mac_address", remote.mac_address),
    TEXT_FIELD("ip_address", remote.ip_address),
    {"remote_use_nt", SHORT_FLAG, FIELD(remote.use_nt), 0},
    {"remote_schedule", SHORT_FLAG, FIELD(remote.schedule_remote), 0},
    {"remote_port", PORT, FIELD(remote.port), 0},
    {"remote_password", PASSWORD, FIELD(remote.password), sizeof(((AppState*)nullptr)->remote.password)},
    {"save_password", SHORT_FLAG, FIELD(remote.save_password), 0},
    {"current_credentials", SHORT_FLAG, FIELD(remote.current_credentials), 0},
    TEXT_FIELD("remote_username", remote.username),
    {"remote_control_port", PORT, FIELD(remote_control.port), 0},
    TEXT_FIELD("remote_control_password", remote_control.password),
    TEXT_FIELD("remote_control_verifier", remote_control.verifier),
    {"remote_control_secure_only", SHORT_FLAG, FIELD(remote_control.secure_only), 0},
    TEXT_FIELD("remote_control_allow", remote_control.allow),
    {"remote_secure", SHORT_FLAG, FIELD(remote.secure), 0},
    TEXT_FIELD("subnet_mask", remote.subnet_mask),
    {"seconds", NUMBER, FIELD(warning.seconds), 0},
    TEXT_FIELD("message", warning.message),
    {"play_sound", SHORT_FLAG, FIELD(warning.play_sound), 0},
    TEXT_FIELD("sound_file", warning.sound_file),
    TEXT_FIELD("program", program.program),
    TEXT_FIELD("directory", program.directory),
    {"schedule", NUMBER, FIELD(schedule.schedule), 0},
    {"time", TIME, FIELD(schedule.time), 0},
    {"date", DATE, FIELD(schedule.date), 0},
    {"monday", SHORT_FLAG, FIELD(schedule.monday), 0},
    {"tuesday", SHORT_FLAG, FIELD(schedule.tuesday), 0},
    {"wednesday", SHORT_FLAG, FIELD(schedule.wednesday), 0},
    {"thursday", SHORT_FLAG, FIELD(schedule.thursday), 0},
    {"friday", SHORT_FLAG, FIELD(schedule.friday), 0},
    {"saturday", SHORT_FLAG, FIELD(schedule.saturday), 0},
    {"sunday", SHORT_FLAG, FIELD(schedule.sunday), 0},
    {"week1", SHORT_FLAG, FIELD(schedule.week1), 0},
    {"week2", SHORT_FLAG, FIELD(schedule.week2), 0},
    {"week3", SHORT_FLAG, FIELD(schedule.week3), 0},
    {"week4", SHORT_FLAG, FIELD(schedule.week4), 0},
    {"week5", SHORT_FLAG, FIELD(schedule.week5), 0},
    {"day", NUMBER, FIELD(schedule.day), 0},
    {"wait", NUMBER, FIELD(schedule.wait), 0},
    {"after_seconds", NUMBER, FIELD(schedule.seconds), 0},
    TEXT_FIELD("process", process.process),
    {"warning", SHORT_FLAG, FIELD(options.warning), 0},
    {"run_program", SHORT_FLAG, FIELD(options.run_program), 0},
    {"force", SHORT_FLAG, FIELD(options.force), 0},
    {"in_tray", SHORT_FLAG, FIELD(options.in_tray), 0},
    {"allow_cancel", SHORT_FLAG, FIELD(options.allow_cancel), 0},
    {"allow_remote_control", SHORT_FLAG, FIELD(options.allow_remote_control), 0},
    {"confirm_quick_actions", SHORT_FLAG, FIELD(options.confirm_quick_actions), 0},
    {"group_parallel", NUMBER, FIELD(group_parallel), 0},
    {"idle_minutes", NUMBER, FIELD(idle.minutes), 0},
    {"idle_cpu", NUMBER, FIELD(idle.cpu_percent), 0},
    {"idle_net", NUMBER, FIELD(idle.net_kbps), 0},
    {"postpone_minutes", NUMBER, FIELD(postpone.minutes), 0},
    {"allow_postpone", SHORT_FLAG, FIELD(options.allow_postpone), 0},
    {"hybrid", SHORT_FLAG, FIELD(power.hybrid), 0},
    {"restart_apps", SHORT_FLAG, FIELD(power.restart_apps), 0},
    {"firmware", SHORT_FLAG, FIELD(power.firmware), 0},
    {"boot_options", SHORT_FLAG, FIELD(power.boot_options), 0},
    TEXT_FIELD("reason", power.reason),
    {"reason_code", NUMBER, FIELD(power.reason_code), 0},
};

const Value debug_value = {"debug", DEBUG_FLAG, nullptr, 0};

// The order in which they are read ("action" comes first and is required).
const char* const read_order[] = {
    "who", "debug", "when", "computer_name", "mac_address", "ip_address", "subnet_mask",
    "remote_use_nt", "remote_schedule", "remote_port", "remote_password", "current_credentials",
    "remote_username", "remote_control_port", "remote_control_password", "remote_control_verifier",
    "remote_control_secure_only", "remote_control_allow", "remote_secure", "save_password",
    "seconds", "message", "play_sound", "sound_file", "program", "directory", "schedule", "time",
    "date", "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday", "week1",
    "week2", "week3", "week4", "week5", "day", "wait", "after_seconds", "process", "warning",
    "run_program", "force", "in_tray", "allow_cancel", "allow_remote_control", "group_parallel",
    "idle_minutes", "idle_cpu", "idle_net", "postpone_minutes", "allow_postpone",
    "hybrid", "restart_apps", "firmware", "boot_options", "reason", "reason_code",
    "confirm_quick_actions"};

#undef TEXT_FIELD
#undef FIELD

const Value* FindValue(const char* name)
{
    if (strcmp(name, debug_value.name) == 0)
        return &debug_value;
    for (const Value& value : values)
        if (strcmp(name, value.name) == 0)
            return &value;
    return nullptr;
}

bool WriteValue(const SettingsStore& store, const Value& value, AppState* state)
{
    void* field = value.field(state);
    char text[32];
    switch (value.kind) {
    case NUMBER:
    case PORT:
        return store.write_dword(store.context, value.name, *(DWORD*)field);
    case SHORT_FLAG:
        return store.write_dword(store.context, value.name, (DWORD)(int32_t)*(Flag*)field);
    case TEXT:
        return store.write_string(store.context, value.name, (const char*)field);
    case PASSWORD:
        return store.write_string(store.context, value.name,
                                  state->remote.save_password ? (const char*)field : "");
    case TIME: {
        const SYSTEMTIME* time = (const SYSTEMTIME*)field;
        snprintf(text, sizeof text, "%02d:%02d", time->wHour, time->wMinute);
        return store.write_string(store.context, value.name, text);
    }
    case DATE: {
        const SYSTEMTIME* date = (const SYSTEMTIME*)field;
        snprintf(text, sizeof text, "%d/%d/%d", date->wDay, date->wMonth, date->wYear);
        return store.write_string(store.context, value.name, text);
    }
    case DEBUG_FLAG:
        break;
    }
    return true;
}

void ReadValue(const SettingsStore& store, const Value& value, AppState* state)
{
    DWORD number;
    char text[20];
    switch (value.kind) {
    case NUMBER:
        if (store.read_dword(store.context, value.name, &number))
            *(DWORD*)value.field(state) = number;
        break;
    case PORT:
        if (store.read_dword(store.context, value.name, &number)) {
            int32_t* port = (int32_t*)value.field(state);
            // 0 or less stays as stored: start-up mends it, File > Load keeps it.
            *port = (int32_t)number;
            if (*port > MAX_PORT) {
                WriteLog("%s %d is above 65535, using %d", value.name, *port, DEFAULT_PORT);
                *port = DEFAULT_PORT;
            }
        }
        break;
    case SHORT_FLAG:
        if (store.read_dword(store.context, value.name, &number))
            *(Flag*)value.field(state) = (Flag)(number & 0xFFFF);
        break;
    case DEBUG_FLAG:
        if (store.read_dword(store.context, value.name, &number))
            g_debug = (int16_t)(number & 0xFFFF);
        break;
    case TEXT:
    case PASSWORD:
        store.read_string(store.context, value.name, (char*)value.field(state), (DWORD)value.size);
        break;
    case TIME: {
        // A value without both numbers keeps the time chosen before.
        int hour, minute;
        if (store.read_string(store.context, value.name, text, sizeof text) &&
            sscanf(text, "%d:%d", &hour, &minute) == 2) {
            SYSTEMTIME* time = (SYSTEMTIME*)value.field(state);
            GetLocalNow(time);
            time->wHour = (WORD)hour;
            time->wMinute = (WORD)minute;
        }
        break;
    }
    case DATE: {
        int day, month, year;
        if (store.read_string(store.context, value.name, text, sizeof text) &&
            sscanf(text, "%d/%d/%d", &day, &month, &year) == 3) {
            SYSTEMTIME* date = (SYSTEMTIME*)value.field(state);
            GetLocalNow(date);
            date->wDay = (WORD)day;
            date->wMonth = (WORD)month;
            date->wYear = (WORD)year;
        }
        break;
    }
    }
}

}  // namespace

bool SaveSettingsTo(const SettingsStore& store, AppState* state)
{
    for (const Value& value : values)
        if (!WriteValue(store, value, state))
            return false;
    return true;
}

bool ReadSettingsFrom(const SettingsStore& store, AppState* state)
{
    DWORD action;
    if (!store.read_dword(store.context, "action", &action))
        return false;
    state->action = (Action)action;
    for (const char* name : read_order)
        ReadValue(store, *FindValue(name), state);
    return true;
}
