#include "remote/client_protocol.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "actions/dispatch.h"
#include "core/app_state.h"
#include "core/log.h"
#include "remote/text_helpers.h"

namespace {

const char* const action_lines[] = {"LOGOFF",    "REBOOT",     "SHUTDOWN", "POWEROFF",
                                    "STANDBY",   "HIBERNATE",  "LOCK",     "WOL",
                                    "MONITOR_OFF", "MONITOR_ON", "NO_ACTION"};
const char* const when_lines[] = {"IMMEDIATE", "SCHEDULED", "AFTER_PROCESS"};
const char* const day_letters[] = {"m", "t", "w", "th", "f", "s", "su"};
const char* const week_numbers[] = {"1", "2", "3", "4", "5"};

const char* OnOff(Flag flag)
{
    return flag ? "ON" : "OFF";
}

// The tokens of the set flags, joined by commas.
template <size_t N>
void JoinFlags(AppState* state, const char* const (&tokens)[N], Flag* (*flag)(AppState*, int),
               char* out, size_t size)
{
    out[0] = '\0';
    for (size_t i = 0; i < N; i++) {
        if (*flag(state, (int)i)) {
            size_t used = strlen(out);
            snprintf(out + used, size - used, "%s%s", used ? "," : "", tokens[i]);
        }
    }
}

// Sends command lines until one fails; the first failure is kept.
struct Lines {
    const ClientLink& link;
    char* message;
    int result;

    void Send(const char* format, ...)
#ifdef __GNUC__
        __attribute__((format(printf, 2, 3)))
#endif
    {
        if (result != 0)
            return;
        char line[CLIENT_LINE_SIZE - 1];  // room for the line feed
        va_list args;
        va_start(args, format);
        vsnprintf(line, sizeof line, format, args);
        va_end(args);
        result = link.command(link.context, message, line);
    }
};

void SendSchedule(Lines& lines, AppState* state)
{
    const auto& schedule = state->schedule;
    switch (schedule.schedule) {
    case FIXED_DAY:
        lines.Send("SCHEDULE FIXED_DAY");
        lines.Send("DATE %02d/%02d/%04d", (int)schedule.date.wDay, (int)schedule.date.wMonth,
                   (int)schedule.date.wYear);
        break;
    case DAILY: {
        char days[32], weeks[16];
        JoinFlags(state, day_letters, WeekdayFlags, days, sizeof days);
        JoinFlags(state, week_numbers, WeekFlags, weeks, sizeof weeks);
        lines.Send("SCHEDULE DAILY");
        lines.Send("DAYS %s", days);
        lines.Send("WEEKS %s", weeks);
        break;
    }
    case DAY_OF_MONTH:
        lines.Send("SCHEDULE DAY_OF_MONTH");
        lines.Send("DAY %d", (int)schedule.day);
        break;
    case AFTER_X_SECONDS:
        lines.Send("SCHEDULE AFTER_X_SECONDS");
        lines.Send("SECONDS %d", (int)schedule.seconds);
        break;
    default:
        lines.Send("SCHEDULE UNKNOWN");
        break;
    }
    if (schedule.schedule != AFTER_X_SECONDS)
        lines.Send("TIME %02d:%02d", (int)schedule.time.wHour, (int)schedule.time.wMinute);
    lines.Send("WAIT %d", (int)schedule.wait);
}

bool NeedsVersion3010(int32_t action)
{
    return action == MONITOR_OFF || action == MONITOR_ON || action == NO_ACTION;
}

}  // namespace

char* StripLineEnd(char* text)
{
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n'))
        text[--length] = '\0';
    return text;
}

int ReadReply(char* reply, char* message, const char** text)
{
    StripLineEnd(reply);
    char* space = strchr(reply, ' ');
    char* rest = reply + strlen(reply);  // a code alone gives an empty text
    if (space) {
        *space = '\0';
        rest = TrimSpaces(space + 1);
    }
    *text = rest;
    if (reply[0] == '2')
        return 0;
    snprintf(message, MESSAGE_SIZE, "%s", reply[0] == '5' ? rest : "Unknown response received");
    return -2;
}

int VersionNumber(const char* text)
{
    int part[4] = {0, 0, 0, 0};
    sscanf(text, "%d.%d.%d.%d", &part[0], &part[1], &part[2], &part[3]);
    long long number = 0;
    for (int value : part)
        number = number * 100 + value;
    if (number < 0)
        return 0;
    return number > INT_MAX ? INT_MAX : (int)number;
}

int SendRemoteCommandOver(const ClientLink& link, AppState* state, char* message)
{
    WriteLog("SendRemoteCommand start");
    int result = link.open(link.context, message);
    if (result != 0) {
        WriteLog("SendRemoteCommand end, not connected");
        return result;
    }
    int version = link.version(link.context, message);
    if (version == -1 || version == 0) {
        WriteLog("SendRemoteCommand end, version=%d", version);
        return version == 0 ? 1 : -1;
    }
    // A server that does not know VERSION (-2) is older than every threshold.
    message[0] = '\0';

    Lines lines{link, message, 0};
    lines.Send("PASSWORD %s", state->remote.password);
    if (lines.result == 0 && NeedsVersion3010(state->action) &&
        version < FIRST_VERSION_WITH_ALL_ACTIONS) {
        snprintf(message, MESSAGE_SIZE,
                 "Version of haltall server must be at least 3.0.1.0 to support this action");
        WriteLog("SendRemoteCommand end, version=%d too old", version);
        return -2;
    }
    bool in_range = state->action >= 0 && (size_t)state->action < sizeof action_lines / sizeof *action_lines;
    lines.Send("ACTION %s", in_range ? action_lines[state->action] : "UNKNOWN");
    lines.Send("WHO LOCAL");
    const char* when = "IMMEDIATE";
    if (state->remote.schedule_remote)
        when = state->when >= 0 && state->when <= 2 ? when_lines[state->when] : "UNKNOWN";
    lines.Send("WHEN %s", when);
    lines.Send("SIMULATE %s", OnOff(state->simulate));
    if (state->options.warning) {
        // Line breaks travel as the two characters \ and n.
        char warning[CLIENT_LINE_SIZE];
        snprintf(warning, sizeof warning, "%s", state->warning.message);
        ReplaceSubstring(warning, sizeof warning, "\r\n", "\\n");
        ReplaceSubstring(warning, sizeof warning, "\n", "\\n");
        lines.Send("WARNING ON");
        lines.Send("WARNTIME %d", (int)state->warning.seconds);
        lines.Send("MESSAGE %s", warning);
        lines.Send("PLAYSOUND %s", OnOff(state->warning.play_sound));
        if (state->warning.play_sound)
            lines.Send("SOUNDFILE %s", state->warning.sound_file);
    }
    lines.Send("RUNPRG %s", OnOff(state->options.run_program));
    if (state->options.run_program) {
        lines.Send("PROGRAM %s", state->program.program);
        lines.Send("DIRECTORY %s", state->program.directory);
    }
    if (state->when == SCHEDULED)
        SendSchedule(lines, state);
    if (state->when == PROCESS)
        lines.Send("PROCESS %s", state->process.process);
    lines.Send("FORCE %s", OnOff(state->options.force));
    lines.Send("CANCEL %s", OnOff(state->options.allow_cancel));
    lines.Send("DOIT");
    if (lines.result != 0) {
        WriteLog("SendRemoteCommand end, result=%d", lines.result);
        return lines.result;
    }
    link.close(link.context);
    WriteLog("SendRemoteCommand end");
    return 0;
}
