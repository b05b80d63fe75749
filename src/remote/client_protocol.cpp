#include "remote/client_protocol.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/report.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/remote_password.h"
#include "core/scram.h"
#include "core/reason_code.h"
#include "remote/protocol_words.h"
#include "remote/reply_lines.h"
#include "remote/server_protocol.h"
#include "core/text_helpers.h"

namespace {

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
        result = link.command(link.context, message, line, nullptr);
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
        DaysText(state, days, sizeof days);
        WeeksText(state, weeks, sizeof weeks);
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

// Only when one of them is used: copies older than these options refuse
// their lines.
void SendPowerOptions(Lines& lines, const AppState* state)
{
    const auto& power = state->power;
    if (!power.hybrid && !power.restart_apps && !power.firmware && !power.boot_options &&
        !power.reason[0] && !power.reason_code)
        return;
    char code[REASON_CODE_TEXT_SIZE];
    ReasonCodeText(power.reason_code, code, sizeof code);
    lines.Send("HYBRID %s", OnOffWord(power.hybrid));
    lines.Send("RESTARTAPPS %s", OnOffWord(power.restart_apps));
    lines.Send("FIRMWARE %s", OnOffWord(power.firmware));
    lines.Send("BOOTOPTIONS %s", OnOffWord(power.boot_options));
    lines.Send("REASON %s", power.reason);
    lines.Send("REASONCODE %s", code);
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
    // An error without a text is shown as the line itself.
    char whole[CLIENT_LINE_SIZE + 1];
    snprintf(whole, sizeof whole, "%s", reply);
    TrimSpaces(whole);
    char* space = strchr(reply, ' ');
    char* rest = reply + strlen(reply);  // a code alone gives an empty text
    if (space) {
        *space = '\0';
        rest = TrimSpaces(space + 1);
    }
    *text = rest;
    if (reply[0] == '2')
        return 0;
    const char* error = rest[0] ? rest : whole;
    snprintf(message, MESSAGE_SIZE, "%.499s", reply[0] == '5' ? error : "Unknown response received");
    return -2;
}

int VersionNumber(const char* text)
{
    int part[4] = {0, 0, 0, 0};
    if (sscanf(text, "%d.%d.%d.%d", &part[0], &part[1], &part[2], &part[3]) != 4)
        return -1;
    long long number = 0;
    for (int value : part)
        number = number * 100 + value;
    if (number < 0)
        return 0;
    return number > INT_MAX ? INT_MAX : (int)number;
}

int LogIn(const ClientLink& link, AppState* state, char* message)
{
    const char* password = state->remote.password;
    char line[CLIENT_LINE_SIZE - 1];
    if (!password[0]) {
        // Nothing to hide: the server without a password takes it so.
        snprintf(line, sizeof line, "PASSWORD %s", password);
        return link.command(link.context, message, line, nullptr);
    }
    uint8_t random[SCRAM_NONCE_SIZE];
    char nonce[2 * SCRAM_NONCE_SIZE];
    if (!RandomBytes(random, sizeof random) || !Base64Encode(random, sizeof random, nonce, sizeof nonce)) {
        snprintf(message, MESSAGE_SIZE, "No random numbers for a login");
        return -2;
    }
    ScramClient exchange;
    char first[SCRAM_MESSAGE_SIZE], text[REPLY_LINE_SIZE + 1];
    ScramClientFirst(&exchange, "haltall", nonce, first, sizeof first);
    snprintf(line, sizeof line, "SCRAM_FIRST %s", first);
    int result = link.command(link.context, message, line, text);
    if (result == -2 && (strcmp(message, "Invalid command") == 0 || strcmp(message, SCRAM_NOT_OFFERED) == 0)) {
        // An older server, or one whose password is stored in an older form.
        if (state->remote.secure) {
            snprintf(message, MESSAGE_SIZE,
                     "The remote computer offers no login that keeps the password off the wire, "
                     "and -secure forbids sending it in clear");
            return -2;
        }
        WriteLog("The server offers no challenge-response login: the password goes in clear");
        snprintf(line, sizeof line, "PASSWORD %s", password);
        return link.command(link.context, message, line, nullptr);
    }
    if (result != 0)
        return result;
    char final_message[SCRAM_MESSAGE_SIZE];
    if (!ScramClientFinal(&exchange, password, text, final_message, sizeof final_message)) {
        snprintf(message, MESSAGE_SIZE, "The remote computer sent an invalid login challenge");
        return -2;
    }
    snprintf(line, sizeof line, "SCRAM_FINAL %s", final_message);
    result = link.command(link.context, message, line, text);
    if (result != 0)
        return result;
    if (!ScramServerProven(exchange, text)) {
        snprintf(message, MESSAGE_SIZE, "The remote computer could not prove that it knows the password");
        return -2;
    }
    return 0;
}

namespace {

// SendRemoteCommandOver up to its last line, which ends the connection.
int SendSettingsAndAction(const ClientLink& link, AppState* state, char* message)
{
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

    Lines lines{link, message, LogIn(link, state, message)};
    if (lines.result == 0 && NeedsVersion3010(state->action) &&
        version < FIRST_VERSION_WITH_ALL_ACTIONS) {
        snprintf(message, MESSAGE_SIZE,
                 "Version of haltall server must be at least 3.0.1.0 to support this action");
        WriteLog("SendRemoteCommand end, version=%d too old", version);
        return -2;
    }
    lines.Send("ACTION %s", ActionWord(state->action));
    lines.Send("WHO LOCAL");
    // Unless the remote copy is to wait itself, this copy has waited already.
    lines.Send("WHEN %s", RemoteCopyWaits(state) ? WhenWord(state->when) : "IMMEDIATE");
    lines.Send("SIMULATE %s", OnOffWord(state->simulate));
    if (state->options.warning) {
        // Line breaks travel as the two characters \ and n.
        char warning[CLIENT_LINE_SIZE];
        snprintf(warning, sizeof warning, "%s", state->warning.message);
        ReplaceSubstring(warning, sizeof warning, "\r\n", "\\n");
        ReplaceSubstring(warning, sizeof warning, "\n", "\\n");
        lines.Send("WARNING ON");
        lines.Send("WARNTIME %d", (int)state->warning.seconds);
        lines.Send("MESSAGE %s", warning);
        lines.Send("PLAYSOUND %s", OnOffWord(state->warning.play_sound));
        if (state->warning.play_sound)
            lines.Send("SOUNDFILE %s", state->warning.sound_file);
    }
    lines.Send("RUNPRG %s", OnOffWord(state->options.run_program));
    if (state->options.run_program) {
        lines.Send("PROGRAM %s", state->program.program);
        lines.Send("DIRECTORY %s", state->program.directory);
    }
    if (state->when == SCHEDULED)
        SendSchedule(lines, state);
    if (state->when == PROCESS)
        lines.Send("PROCESS %s", state->process.process);
    lines.Send("FORCE %s", OnOffWord(state->options.force));
    lines.Send("CANCEL %s", OnOffWord(state->options.allow_cancel));
    SendPowerOptions(lines, state);
    lines.Send("DOIT");
    if (lines.result != 0) {
        WriteLog("SendRemoteCommand end, result=%d", lines.result);
        return lines.result;
    }
    WriteLog("SendRemoteCommand end");
    return 0;
}

}  // namespace

int ProbeServerOver(const ClientLink& link, AppState* state, char* message, ProbeFindings* found)
{
    found->version = -2;
    found->login_tried = found->login_accepted = false;
    int result = link.open(link.context, message);
    if (result == 0) {
        found->version = link.version(link.context, message);
        result = found->version == -1 ? -1 : 0;
    }
    if (result == 0 && state->remote.password[0]) {
        // A server that does not know VERSION still answered (-2).
        message[0] = '\0';
        found->login_tried = true;
        result = LogIn(link, state, message);
        found->login_accepted = result == 0;
    }
    link.close(link.context);
    return result;
}

void FormatVersionNumber(int number, char* out, size_t size)
{
    if (number < 0)
        snprintf(out, size, "%s", "");
    else
        snprintf(out, size, "%d.%d.%d.%d", number / 1000000, number / 10000 % 100,
                 number / 100 % 100, number % 100);
}

int SendRemoteCommandOver(const ClientLink& link, AppState* state, char* message)
{
    WriteLog("SendRemoteCommand start");
    int result = SendSettingsAndAction(link, state, message);
    // Whatever the outcome, the connection ends with the command: a refused
    // login or a failed step must not leave it open until the process ends.
    link.close(link.context);
    return result;
}
